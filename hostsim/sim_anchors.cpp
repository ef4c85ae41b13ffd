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

std::vector<ObjId> SimParagraphAnchors(const SimDoc& doc, ObjId paragraph) {
    std::vector<ObjId> out;
    for (const std::vector<ObjId>* list : {&doc.markers, &doc.tables})
        for (ObjId id : *list)
            if (SimLocal(doc, id)->anchorParagraph == paragraph) out.push_back(id);
    std::sort(out.begin(), out.end(), [&](ObjId a, ObjId b) { return SimAnchorBefore(doc, a, b); });
    return out;
}

std::vector<int32_t> SimAnchorPositions(const SimDoc& doc, ObjId paragraph) {
    const SimObject* p = SimLocal(doc, paragraph);
    std::vector<int32_t> out;
    if (!p) return out;
    out = p->otherAnchors;
    for (ObjId id : SimParagraphAnchors(doc, paragraph)) out.push_back(SimLocal(doc, id)->anchorOffset);
    std::sort(out.begin(), out.end());
    return out;
}

int32_t SimParagraphLength(const SimDoc& doc, ObjId paragraph) {
    const SimObject* p = SimLocal(doc, paragraph);
    if (!p) return 0;
    return SimCharCount(p->text) + (int32_t)SimAnchorPositions(doc, paragraph).size();
}

int32_t SimTextIndex(const std::vector<int32_t>& anchorPositions, int32_t position) {
    auto before = std::lower_bound(anchorPositions.begin(), anchorPositions.end(), position);
    return position - (int32_t)(before - anchorPositions.begin());
}

void SimShiftAnchors(SimDoc& doc, ObjId from, int32_t position, int32_t shift, ObjId to) {
    auto move = [&](ObjId id) {
        SimObject* o = SimLocal(doc, id);
        if (!o || o->anchorParagraph != from || o->anchorOffset < position) return;
        if (to) {
            o->anchorParagraph = to;
            o->anchorOffset -= position;
        } else {
            o->anchorOffset += shift;
        }
    };
    for (ObjId m : doc.markers) move(m);
    for (ObjId t : doc.tables) move(t);
    SimObject* p = SimLocal(doc, from);
    SimObject* target = to ? SimLocal(doc, to) : nullptr;
    if (!p) return;
    auto first = std::lower_bound(p->otherAnchors.begin(), p->otherAnchors.end(), position);
    if (!target) {
        for (auto it = first; it != p->otherAnchors.end(); ++it) *it += shift;
        return;
    }
    for (auto it = first; it != p->otherAnchors.end(); ++it) target->otherAnchors.push_back(*it - position);
    std::sort(target->otherAnchors.begin(), target->otherAnchors.end());
    p->otherAnchors.erase(first, p->otherAnchors.end());
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
