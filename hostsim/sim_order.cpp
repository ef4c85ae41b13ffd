// The orders the simulated host works out from a document's objects: each
// paragraph's place in its flow or cell, the paragraphs of a flow that stand
// in each text frame, the marker chain in reading order, and the places of
// objects among their siblings. They are kept in arrays indexed by local id.
#include "hostsim/sim_model.h"

#include <algorithm>
#include <map>

namespace {

// Paragraphs of the whole document in reading order: each flow in turn, the
// cells of a table right after the paragraph that anchors it.
void AppendInOrder(const SimDoc& doc, const std::vector<ObjId>& paras, std::vector<ObjId>& out,
                   std::map<ObjId, std::vector<ObjId>>& tablesAt) {
    for (ObjId para : paras) {
        out.push_back(para);
        auto it = tablesAt.find(para);
        if (it == tablesAt.end()) continue;
        std::vector<ObjId> tables = it->second;
        tablesAt.erase(it); // a table is visited once even if anchors loop
        for (ObjId t : tables)
            for (ObjId row : SimLocal(doc, t)->children)
                for (ObjId cell : SimLocal(doc, row)->children)
                    AppendInOrder(doc, SimLocal(doc, cell)->children, out, tablesAt);
    }
}

// Each paragraph's place in its flow or cell; when a paragraph is listed in
// two of them, the one of the higher id wins.
void PlaceParagraphs(const SimDoc& doc) {
    doc.paraIndex.assign(doc.objects.Slots(), SimNoPlace);
    for (const auto& [id, obj] : doc.objects)
        if (obj.kind == SimObjFlow || obj.kind == SimObjCell)
            for (size_t i = 0; i < obj.children.size(); ++i)
                if (obj.children[i] < doc.paraIndex.size())
                    doc.paraIndex[obj.children[i]] = uint32_t(i);
}

// The first and last paragraphs of its flow that each text frame holds.
void PlaceFrameTexts(const SimDoc& doc) {
    doc.frameParagraphs.assign(doc.objects.Slots(), SimFrameText{});
    for (const auto& [f, flow] : doc.objects) {
        if (flow.kind != SimObjFlow) continue;
        for (ObjId p : flow.children) {
            // Paragraphs the pour has not reached yet stand nowhere for now.
            if (f == doc.mainFlow && p == doc.layout.next) break;
            const SimObject* para = SimLocal(doc, p);
            const SimObject* frame = para ? SimLocal(doc, para->parent) : nullptr;
            // A paragraph standing in a frame of another flow is not that frame's text.
            if (!frame || frame->kind != SimObjTextFrame || frame->flow != f) continue;
            SimFrameText& text = doc.frameParagraphs[para->parent];
            if (!text.first) text.first = p;
            text.last = p;
        }
    }
}

// Markers in paragraph order, then by offset, then by creation.
void ChainMarkers(const SimDoc& doc) {
    auto bySequence = [&](ObjId a, ObjId b) { return SimAnchorBefore(doc, a, b); };
    std::map<ObjId, std::vector<ObjId>> tablesAt;
    for (ObjId t : doc.tables)
        if (const SimObject* table = SimLocal(doc, t); table && table->anchorParagraph)
            tablesAt[table->anchorParagraph].push_back(t);
    for (auto& [para, list] : tablesAt) std::sort(list.begin(), list.end(), bySequence);

    std::vector<ObjId> order;
    for (ObjId f : doc.flows)
        if (const SimObject* flow = SimLocal(doc, f))
            AppendInOrder(doc, flow->children, order, tablesAt);
    std::vector<uint32_t> place(doc.objects.Slots(), SimNoPlace); // a paragraph's first place
    for (size_t i = order.size(); i-- > 0;)
        if (order[i] < place.size()) place[order[i]] = uint32_t(i);

    doc.markerChain.clear();
    for (ObjId m : doc.markers)
        if (const SimObject* marker = SimLocal(doc, m);
            marker && SimPlaceOf(place, marker->anchorParagraph) != SimNoPlace)
            doc.markerChain.push_back(m);
    std::stable_sort(doc.markerChain.begin(), doc.markerChain.end(), [&](ObjId a, ObjId b) {
        uint32_t pa = place[SimLocal(doc, a)->anchorParagraph];
        uint32_t pb = place[SimLocal(doc, b)->anchorParagraph];
        if (pa != pb) return pa < pb;
        return bySequence(a, b);
    });
    doc.markerIndex.assign(doc.objects.Slots(), SimNoPlace);
    for (size_t i = 0; i < doc.markerChain.size(); ++i)
        doc.markerIndex[doc.markerChain[i]] = uint32_t(i);
}

} // namespace

void SimMakeOrder(const SimDoc& doc) {
    if (doc.orderValid) return;
    PlaceParagraphs(doc);
    PlaceFrameTexts(doc);
    ChainMarkers(doc);
    doc.orderValid = true;
}

void SimSetPlace(std::vector<uint32_t>& places, ObjId id, size_t place) {
    if (id >= places.size()) places.resize(size_t(id) + 1, SimNoPlace);
    places[id] = uint32_t(place);
}

void SimSetFrameText(const SimDoc& doc, ObjId textFrame, SimFrameText text) {
    if (textFrame >= doc.frameParagraphs.size()) doc.frameParagraphs.resize(size_t(textFrame) + 1);
    doc.frameParagraphs[textFrame] = text;
}

ObjId SimNextSibling(const SimDoc& doc, const std::vector<ObjId>& list, ObjId item) {
    uint32_t at = SimPlaceOf(doc.siblingIndex, item);
    if (at >= list.size() || list[at] != item) {
        // Not learnt, or learnt of a list that has changed since: learn the
        // whole list, its first place for an object listed twice.
        at = SimNoPlace;
        for (size_t i = list.size(); i-- > 0;) {
            if (list[i] >= doc.objects.Slots()) continue; // never an object of the document
            SimSetPlace(doc.siblingIndex, list[i], i);
            if (list[i] == item) at = uint32_t(i);
        }
        if (at == SimNoPlace) {
            auto it = std::find(list.begin(), list.end(), item);
            if (it == list.end()) return 0;
            at = uint32_t(it - list.begin());
        }
    }
    return at + 1 < list.size() ? list[at + 1] : 0;
}

std::vector<ObjId> SimMarkerChain(const SimDoc& doc) {
    SimMakeOrder(doc);
    return doc.markerChain;
}

ObjId SimFirstMarker(const SimDoc& doc) {
    SimMakeOrder(doc);
    return doc.markerChain.empty() ? 0 : doc.markerChain.front();
}

ObjId SimNextMarker(const SimDoc& doc, ObjId marker) {
    SimMakeOrder(doc);
    uint32_t at = SimPlaceOf(doc.markerIndex, marker);
    if (at == SimNoPlace || at + 1 >= doc.markerChain.size()) return 0;
    return doc.markerChain[at + 1];
}
