// Anchors in the simulated host's paragraphs: their order, the positions
// they take among a paragraph's characters, and moving them when text or
// anchors go in before them; and the walk from a cell's paragraph to the
// paragraph its table is anchored in.
#include "hostsim/sim_model.h"

#include "hostsim/sim_text.h"

#include <algorithm>

bool SimAnchorBefore(const SimDoc& doc, ObjId a, ObjId b) {
    const SimObject *x = SimLocal(doc, a), *y = SimLocal(doc, b);
    if (x->anchorOffset != y->anchorOffset) return x->anchorOffset < y->anchorOffset;
    return x->sequence < y->sequence;
}

namespace {

void SortAnchors(const SimDoc& doc, std::vector<ObjId>& list) {
    std::sort(list.begin(), list.end(), [&](ObjId a, ObjId b) { return SimAnchorBefore(doc, a, b); });
}

// What each paragraph anchors, gathered once for the whole document rather
// than looked for among all its anchors paragraph by paragraph.
void KnowAnchors(const SimDoc& doc) {
    if (doc.anchorsKnown) return;
    doc.anchorsOf.clear();
    for (const std::vector<ObjId>* list : {&doc.markers, &doc.tables})
        for (ObjId id : *list)
            if (const SimObject* o = SimLocal(doc, id); o && o->anchorParagraph)
                doc.anchorsOf[o->anchorParagraph].push_back(id);
    for (auto& [para, list] : doc.anchorsOf) SortAnchors(doc, list);
    doc.anchorsKnown = true;
}

} // namespace

const std::vector<ObjId>& SimParagraphAnchors(const SimDoc& doc, ObjId paragraph) {
    static const std::vector<ObjId> none;
    KnowAnchors(doc);
    if (doc.anchorsOf.empty()) return none; // most documents anchor nothing in most paragraphs
    auto it = doc.anchorsOf.find(paragraph);
    return it == doc.anchorsOf.end() ? none : it->second;
}

std::vector<int32_t> SimAnchorPositions(const SimDoc& doc, ObjId paragraph) {
    const SimObject* p = SimLocal(doc, paragraph);
    std::vector<int32_t> out;
    if (!p) return out;
    out = p->Extras().otherAnchors;
    for (ObjId id : SimParagraphAnchors(doc, paragraph)) out.push_back(SimLocal(doc, id)->anchorOffset);
    std::sort(out.begin(), out.end());
    return out;
}

int32_t SimParagraphLength(const SimDoc& doc, ObjId paragraph) {
    const SimObject* p = SimLocal(doc, paragraph);
    if (!p) return 0;
    // Each anchor takes one position: they are counted, not listed.
    size_t anchors = p->Extras().otherAnchors.size() + SimParagraphAnchors(doc, paragraph).size();
    return SimCharCount(p->text) + (int32_t)anchors;
}

int32_t SimTextIndex(const std::vector<int32_t>& anchorPositions, int32_t position) {
    auto before = std::lower_bound(anchorPositions.begin(), anchorPositions.end(), position);
    return position - (int32_t)(before - anchorPositions.begin());
}

void SimShiftAnchors(SimDoc& doc, ObjId from, int32_t position, int32_t shift, ObjId to) {
    KnowAnchors(doc);
    std::vector<ObjId>& list = doc.anchorsOf[from];
    // The list is in text order: those that move are its tail.
    auto tail = std::find_if(list.begin(), list.end(),
                             [&](ObjId id) { return SimLocal(doc, id)->anchorOffset >= position; });
    for (auto it = tail; it != list.end(); ++it) {
        SimObject* o = SimLocal(doc, *it);
        if (to) {
            o->anchorParagraph = to;
            o->anchorOffset -= position;
        } else {
            o->anchorOffset += shift;
        }
    }
    if (to && tail != list.end()) {
        std::vector<ObjId>& target = doc.anchorsOf[to];
        target.insert(target.end(), tail, list.end());
        SortAnchors(doc, target);
        list.erase(tail, list.end());
    }
    SimObject* p = SimLocal(doc, from);
    SimObject* target = to ? SimLocal(doc, to) : nullptr;
    if (!p || p->Extras().otherAnchors.empty()) return; // most paragraphs have none: no extras made
    std::vector<int32_t>& others = p->EditExtras().otherAnchors;
    auto first = std::lower_bound(others.begin(), others.end(), position);
    if (!target) {
        for (auto it = first; it != others.end(); ++it) *it += shift;
        return;
    }
    if (first == others.end()) return;
    std::vector<int32_t>& moved = target->EditExtras().otherAnchors;
    for (auto it = first; it != others.end(); ++it) moved.push_back(*it - position);
    std::sort(moved.begin(), moved.end());
    others.erase(first, others.end());
}

ObjId SimFlowParagraph(const SimDoc& doc, ObjId paragraph) {
    for (int depth = 0; depth < 16 && paragraph; ++depth) { // tables in cells nest; anchors may loop
        const SimObject* p = SimLocal(doc, paragraph);
        const SimObject* holder = p && p->kind == SimObjParagraph ? SimLocal(doc, p->parent) : nullptr;
        if (!holder) return 0;
        if (holder->kind == SimObjTextFrame) return paragraph;
        const SimObject* row = holder->kind == SimObjCell ? SimLocal(doc, holder->parent) : nullptr;
        const SimObject* table = row ? SimLocal(doc, row->parent) : nullptr;
        paragraph = table ? table->anchorParagraph : 0;
    }
    return 0;
}
