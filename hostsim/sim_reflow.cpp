// The simulated host's reflow: the main flow poured again over its text
// frames when a frame changes size, worked out lazily (the model is written
// down in sim_model.h). The pour keeps the text of the frames before the
// first changed one and moves frame by frame from there, so that a pass that
// decides pages in order lays every frame out about once.
#include "hostsim/sim_model.h"

#include "hostsim/sim_text.h"

#include <initializer_list>

namespace {

// Laying out is the host's bookkeeping behind a question: the questions take
// the document as const, as the orders of sim_model.cpp do.
SimDoc& Writable(const SimDoc& doc) {
    SimDoc& writable = const_cast<SimDoc&>(doc);
    writable.objects.Own();
    return writable;
}

// A paragraph of the main flow: its place there.
size_t ParagraphPlace(const SimDoc& doc, ObjId paragraph) {
    uint32_t at = SimPlaceOf(doc.paraIndex, paragraph);
    return at == SimNoPlace ? 0 : at;
}

bool Active(const SimDoc& doc) {
    return doc.reflow && doc.layout.started && !doc.layout.frozen;
}

void Start(const SimDoc& doc) {
    SimLayout& l = doc.layout;
    if (l.started) return;
    l = SimLayout{};
    l.started = true;
    for (ObjId page : doc.bodyPages) {
        const SimObject* pageFrame = SimLocal(doc, SimLocal(doc, page)->frame);
        if (!pageFrame) continue;
        for (ObjId g : pageFrame->children) {
            const SimObject* o = SimLocal(doc, g);
            if (!o || o->kind != SimObjTextFrame || o->flow != doc.mainFlow) continue;
            l.frameIndex[g] = l.frames.size();
            l.frames.push_back(g);
        }
    }
    l.valid = l.frames.size();
    const SimObject* flow = SimLocal(doc, doc.mainFlow);
    if (!flow || l.frames.empty()) {
        l.frozen = true;
        return;
    }
    size_t last = 0;
    for (ObjId p : flow->children) {
        auto it = l.frameIndex.find(SimLocal(doc, p)->parent);
        if (it == l.frameIndex.end() || it->second < last) {
            l.frozen = true; // text outside the body pages, or frames against the flow
            return;
        }
        last = it->second;
    }
}

// A body page at the end with one text frame of the main flow, sized by the
// template of its side's default master page. False when the document has
// no ids left.
bool AddPage(SimDoc& doc) {
    bool orderValid = doc.orderValid; // pages and frames change no order
    ObjId page = SimNewObject(doc, SimObjBodyPage);
    ObjId pageFrame = page ? SimNewObject(doc, SimObjPageFrame) : 0;
    ObjId frame = pageFrame ? SimNewObject(doc, SimObjTextFrame) : 0;
    doc.orderValid = orderValid;
    if (!frame) {
        for (ObjId id : {page, pageFrame})
            if (id) doc.objects.erase(id);
        return false;
    }
    SimObject& p = doc.objects[page];
    p.added = true;
    p.frame = pageFrame;
    doc.objects[pageFrame].parent = page;
    doc.objects[pageFrame].children.push_back(frame);
    doc.bodyPages.push_back(page);
    const SimObject& master =
        doc.objects[SimPageIsRight(doc, page) ? doc.rightMaster : doc.leftMaster];
    SimObject& f = doc.objects[frame];
    f.parent = pageFrame;
    f.flow = doc.mainFlow;
    f.lines = master.lines;
    f.width = master.width;
    doc.layout.frameIndex[frame] = doc.layout.frames.size();
    doc.layout.frames.push_back(frame);
    doc.modified = true;
    return true;
}

// Pours the first frame not laid out yet, adding a page when the text has
// run past the last frame. False when there is nothing left to do.
bool PourOne(const SimDoc& cdoc) {
    SimDoc& doc = Writable(cdoc);
    SimLayout& l = doc.layout;
    if (l.valid == l.frames.size()) {
        if (!l.next) return false;
        if (!AddPage(doc)) {
            // No page can be added: the rest stays overset in the last frame.
            for (ObjId p = l.next; p; p = SimNextParagraph(doc, p))
                doc.objects[p].parent = l.frames.back();
            l.next = 0;
            SimInvalidateOrder(doc);
            return false;
        }
    }
    SimMakeOrder(doc);
    ObjId frame = l.frames[l.valid];
    const SimObject& f = doc.objects[frame];
    const std::vector<ObjId>& paras = doc.objects[doc.mainFlow].children;
    size_t i = l.next ? ParagraphPlace(doc, l.next) : paras.size();
    int32_t room = f.lines;
    ObjId first = 0, last = 0;
    for (; i < paras.size(); ++i) {
        int32_t need = SimParagraphLines(doc, paras[i], f.width);
        if (f.lines > 0 && first && need > room) break;
        doc.objects[paras[i]].parent = frame;
        if (!first) first = paras[i];
        last = paras[i];
        room -= need;
    }
    l.next = i < paras.size() ? paras[i] : 0;
    SimSetFrameText(doc, frame, SimFrameText{first, last}); // both 0: the frame holds none
    ++l.valid;
    return true;
}

// Once all text is placed: the added pages at the end that it no longer
// reaches go.
void TrimAddedPages(SimDoc& doc) {
    SimLayout& l = doc.layout;
    while (l.valid == l.frames.size() && !l.next && !doc.bodyPages.empty()) {
        ObjId page = doc.bodyPages.back();
        SimObject& p = doc.objects[page];
        ObjId pageFrame = p.frame;
        ObjId frame = l.frames.back();
        if (!p.added || SimFrameTextOf(doc, frame).first) break;
        l.frameIndex.erase(frame);
        l.frames.pop_back();
        --l.valid;
        doc.bodyPages.pop_back();
        for (ObjId id : {frame, pageFrame, page})
            doc.objects.erase(id);
        if (doc.currentPage == page)
            doc.currentPage = doc.bodyPages.empty() ? 0 : doc.bodyPages.back();
        doc.modified = true;
    }
}

} // namespace

int32_t SimParagraphLines(const SimDoc& doc, ObjId paragraph, int32_t width) {
    // Anchors take a position in the text but no width on the line: only the
    // characters count.
    const SimObject* p = SimLocal(doc, paragraph);
    int32_t chars = p ? SimCharCount(p->text) : 0;
    if (width <= 0 || chars <= width) return 1;
    return (chars + width - 1) / width;
}

void SimLayoutFrameChanged(const SimDoc& doc, ObjId textFrame) {
    if (!doc.reflow) return;
    Start(doc);
    SimLayout& l = doc.layout;
    auto it = l.frameIndex.find(textFrame);
    if (l.frozen || it == l.frameIndex.end() || it->second >= l.valid) return;
    size_t changed = it->second;
    SimMakeOrder(doc);
    // The pour starts after the text of the nearest frame before that holds any.
    const std::vector<ObjId>& paras = doc.objects.at(doc.mainFlow).children;
    ObjId next = paras.empty() ? 0 : paras.front();
    for (size_t k = changed; k > 0; --k) {
        SimFrameText held = SimFrameTextOf(doc, l.frames[k - 1]);
        if (!held.first) continue;
        size_t after = ParagraphPlace(doc, held.last) + 1;
        next = after < paras.size() ? paras[after] : 0;
        break;
    }
    l.valid = changed;
    l.next = next;
}

void SimLayoutThroughFrame(const SimDoc& doc, ObjId textFrame) {
    if (!Active(doc)) return;
    auto it = doc.layout.frameIndex.find(textFrame);
    if (it == doc.layout.frameIndex.end()) return;
    while (doc.layout.valid <= it->second && PourOne(doc)) {
    }
}

void SimLayoutParagraph(const SimDoc& doc, ObjId paragraph) {
    if (!Active(doc)) return;
    SimMakeOrder(doc);
    uint32_t at = SimPlaceOf(doc.paraIndex, paragraph);
    if (at == SimNoPlace) return;
    while (doc.layout.next && at >= ParagraphPlace(doc, doc.layout.next) && PourOne(doc)) {
    }
}

ObjId SimParagraphTextFrame(const SimDoc& doc, ObjId paragraph) {
    const SimObject* p = SimLocal(doc, paragraph);
    const SimObject* holder = p && p->kind == SimObjParagraph ? SimLocal(doc, p->parent) : nullptr;
    if (!holder || holder->kind != SimObjTextFrame) return 0;
    if (holder->flow == doc.mainFlow) SimLayoutParagraph(doc, paragraph);
    return p->parent;
}

ObjId SimLayoutNextPage(const SimDoc& cdoc, ObjId page, bool* known) {
    *known = false;
    if (!Active(cdoc)) return 0;
    SimDoc& doc = Writable(cdoc);
    SimLayout& l = doc.layout;
    size_t index = SimBodyPageIndex(doc, page);
    if (index >= doc.bodyPages.size()) return 0;
    if (index + 1 < doc.bodyPages.size() && !doc.objects[doc.bodyPages[index + 1]].added) return 0;
    // Every page after this one was added and holds one frame, the last ones:
    // there are as many of them as the text needs.
    size_t through = l.frames.size() - (doc.bodyPages.size() - 1 - index);
    while (l.valid < through && PourOne(doc)) {
    }
    *known = true;
    if (l.next) {
        if (index + 1 == doc.bodyPages.size() && !AddPage(doc)) return 0;
        return doc.bodyPages[index + 1];
    }
    while (PourOne(doc)) {
    }
    TrimAddedPages(doc);
    return index + 1 < doc.bodyPages.size() ? doc.bodyPages[index + 1] : 0;
}

void SimSettleLayout(const SimDoc& doc) {
    if (!Active(doc)) return;
    while (PourOne(doc)) {
    }
    TrimAddedPages(Writable(doc));
}
