// The simulated host's object model: the session's open documents and
// menus, and the rules of a document that are not mere data (page sides,
// which master page a page uses, where paragraphs stand, text insertion
// with paragraph splitting, the marker chain in flow order).
#include "hostsim/sim_model.h"

#include "hostsim/sim_text.h"

#include <algorithm>
#include <stdexcept>

namespace {

// Local ids an opened document may still create beyond what it holds.
const ObjId LocalHeadroom = 0x40000;

ObjId NewSessionObject(SimSession& session, SimMenuKind kind, const char* tag, const char* label) {
    ObjId id = session.nextSessionId++;
    SimMenuObject& m = session.menus[id];
    m.kind = kind;
    m.name = tag ? tag : "";
    m.label = label ? label : "";
    return id;
}

// The flow or cell whose paragraph list holds the paragraph.
const SimObject* Container(const SimDoc& doc, ObjId para) {
    const SimObject* p = SimLocal(doc, para);
    if (!p || p->kind != SimObjParagraph) return nullptr;
    const SimObject* holder = SimLocal(doc, p->parent);
    if (!holder) return nullptr;
    if (holder->kind == SimObjCell) return holder;
    if (holder->kind == SimObjTextFrame) return SimLocal(doc, holder->flow);
    return nullptr;
}

SimObject* Container(SimDoc& doc, ObjId para) {
    doc.objects.Own(); // the const lookup then finds objects this document owns
    return const_cast<SimObject*>(Container(static_cast<const SimDoc&>(doc), para));
}

} // namespace

// ---- Session

void SimSessionInit(SimSession& session, const char* hostDirectory) {
    session = SimSession{};
    session.hostDirectory = hostDirectory ? hostDirectory : "";
    const char* bars[] = {"!MakerMainMenu", "!QuickMakerMainMenu", "!BookMainMenu"};
    for (const char* bar : bars) {
        ObjId id = NewSessionObject(session, SimMenuMenu, bar, "");
        SimAddMenu(session, id, (std::string(bar + 1) + "File").c_str(), "File");
        SimAddMenu(session, id, (std::string(bar + 1) + "Edit").c_str(), "Edit");
    }
    for (const char* sep : {"Separator1", "Separator2", "Separator3"})
        NewSessionObject(session, SimMenuSeparator, sep, "");
}

SimDoc* SimFindDoc(SimSession& session, ObjId id) {
    if (!id) return nullptr;
    for (auto& d : session.documents)
        if (d->id == id) return d.get();
    for (auto& b : session.books)
        if (b->id == id) return b.get();
    return nullptr;
}

SimDoc* SimFindDocByName(SimSession& session, const std::string& name) {
    for (auto& d : session.documents)
        if (d->name == name) return d.get();
    return nullptr;
}

SimDoc* SimFindBookByName(SimSession& session, const std::string& name) {
    for (auto& b : session.books)
        if (b->name == name) return b.get();
    return nullptr;
}

SimDoc* SimOpenDoc(SimSession& session, SimDoc doc, bool visible) {
    auto owned = std::make_unique<SimDoc>(std::move(doc));
    SimDoc* d = owned.get();
    d->id = session.nextSessionId++;
    d->visible = visible;
    ObjId span = ((d->nextLocal + LocalHeadroom) + 0xFFFF) & ~ObjId(0xFFFF);
    if (session.nextBase > 0xFFFFFFFFu - span) session.nextBase = 0x100000; // wrapped: start over
    d->base = session.nextBase;
    d->localLimit = span;
    session.nextBase += span;
    d->reflow = session.reflow;
    // Orders worked out before the document was opened (a book's next
    // document, made ready while the one before was worked on) hold as long
    // as its text does not move: they are those of its objects as they are.
    d->orderValid = d->orderValid && !d->reflow && !d->layout.started;
    d->layout = SimLayout{};
    // Questions about the layout of a document that reflows change its
    // objects behind a const view: it owns them from the start.
    if (d->reflow) d->objects.Own();
    if (d->isBook) {
        session.books.push_back(std::move(owned));
        if (visible) session.activeBook = d->id;
    } else {
        session.documents.push_back(std::move(owned));
        if (visible) session.activeDocument = d->id;
    }
    return d;
}

int SimCloseDoc(SimSession& session, ObjId id) {
    for (auto* list : {&session.documents, &session.books}) {
        for (auto it = list->begin(); it != list->end(); ++it) {
            if ((*it)->id != id) continue;
            list->erase(it);
            ObjId& active = list == &session.documents ? session.activeDocument : session.activeBook;
            if (active == id) {
                active = 0;
                for (auto& d : *list)
                    if (d->visible) {
                        active = d->id;
                        break;
                    }
            }
            return 1;
        }
    }
    return 0;
}

ObjId SimMenuByName(const SimSession& session, const std::string& tag) {
    for (const auto& [id, m] : session.menus)
        if (m.name == tag) return id;
    return 0;
}

ObjId SimAddMenu(SimSession& session, ObjId parent, const char* tag, const char* label) {
    ObjId id = NewSessionObject(session, SimMenuMenu, tag, label);
    if (parent) session.menus[parent].items.push_back(id);
    return id;
}

ObjId SimAddCommand(SimSession& session, ObjId menu, int32_t number, const char* tag,
                    const char* label) {
    ObjId id = NewSessionObject(session, SimMenuCommand, tag, label);
    session.menus[id].command = number;
    if (menu) session.menus[menu].items.push_back(id);
    return id;
}

std::vector<std::string> SimMenuLabels(const SimSession& session, ObjId menu) {
    std::vector<std::string> labels;
    auto it = session.menus.find(menu);
    if (it == session.menus.end()) return labels;
    for (ObjId item : it->second.items) {
        const SimMenuObject& m = session.menus.at(item);
        labels.push_back(m.kind == SimMenuSeparator ? "-" : m.label);
    }
    return labels;
}

// ---- Documents

ObjId SimNewObject(SimDoc& doc, SimObjKind kind) {
    if (doc.localLimit && doc.nextLocal >= doc.localLimit) return 0;
    ObjId id = doc.nextLocal++;
    SimObject& o = doc.objects[id];
    o.kind = kind;
    o.sequence = doc.nextSequence++;
    doc.orderValid = false;
    return id;
}

ObjId SimNamed(const SimDoc& doc, SimObjKind kind, std::string_view name) {
    const std::vector<ObjId>* list = kind == SimObjMasterPage      ? &doc.masterPages
                                     : kind == SimObjMarkerType    ? &doc.markerTypes
                                     : kind == SimObjParagraphFormat ? &doc.formats
                                                                   : nullptr;
    if (!list) return 0;
    for (ObjId id : *list)
        if (SimLocal(doc, id)->name == name) return id;
    return 0;
}

size_t SimBodyPageIndex(const SimDoc& doc, ObjId page) {
    const std::vector<ObjId>& pages = doc.bodyPages;
    uint32_t known = SimPlaceOf(doc.pageIndex, page);
    if (known < pages.size() && pages[known] == page) return known;
    // Pages are added at the end, so a page not yet known is looked for from
    // there. One found far from the end means the places were never learnt
    // (a walk of a long document's pages from the first): all are learnt at
    // once, rather than each page costing a search of the pages after it.
    auto it = std::find(pages.rbegin(), pages.rend(), page);
    if (it == pages.rend()) return pages.size();
    size_t index = size_t(pages.rend() - it) - 1;
    // (A page listed twice, which no document has, is known by its last
    // place either way.)
    if (pages.size() - index > 64) {
        for (size_t i = 0; i < pages.size(); ++i)
            if (pages[i] < doc.objects.Slots()) SimSetPlace(doc.pageIndex, pages[i], i);
    } else if (page < doc.objects.Slots()) {
        SimSetPlace(doc.pageIndex, page, index);
    }
    return index;
}

ObjId SimNextBodyPage(const SimDoc& doc, ObjId page) {
    bool known = false;
    ObjId next = SimLayoutNextPage(doc, page, &known);
    if (known) return next;
    size_t index = SimBodyPageIndex(doc, page);
    return index + 1 < doc.bodyPages.size() ? doc.bodyPages[index + 1] : 0;
}

int SimPageIsRight(const SimDoc& doc, ObjId page) {
    if (!doc.twoSided) return 1;
    size_t index = SimBodyPageIndex(doc, page);
    if (index == doc.bodyPages.size()) index = 0;
    return (index % 2 == 0) == doc.firstPageRight ? 1 : 0;
}

ObjId SimPageMaster(const SimDoc& doc, ObjId page) {
    const SimObject* p = SimLocal(doc, page);
    if (!p || p->kind != SimObjBodyPage) return 0;
    if (p->background == HostBackgroundNone) return 0;
    if (p->background == HostBackgroundNamed) return p->masterPage;
    return SimPageIsRight(doc, page) ? doc.rightMaster : doc.leftMaster;
}

std::string SimPageMasterName(const SimDoc& doc, ObjId page) {
    const SimObject* m = SimLocal(doc, SimPageMaster(doc, page));
    return m ? m->name.str() : std::string();
}

std::string SimPageNumberText(const SimDoc& doc, ObjId page) {
    const SimObject* p = SimLocal(doc, page);
    if (!p) return std::string();
    if (p->Extras().pageNumber) return *p->Extras().pageNumber;
    return std::to_string(SimBodyPageIndex(doc, page) + 1);
}

int SimApplyMasterPage(SimDoc& doc, ObjId page, ObjId master) {
    SimObject* p = SimLocal(doc, page);
    const SimObject* m = SimLocal(doc, master);
    if (!p || p->kind != SimObjBodyPage || !m || m->kind != SimObjMasterPage)
        return SimStatusBadObject;
    ObjId sideDefault = SimPageIsRight(doc, page) ? doc.rightMaster : doc.leftMaster;
    p->background = master == sideDefault ? HostBackgroundDefault : HostBackgroundNamed;
    p->masterPage = master == sideDefault ? 0 : master;
    doc.modified = true;
    const SimObject* pageFrame = SimLocal(doc, p->frame);
    if (!pageFrame || (!m->lines && !m->width)) return SimOk;
    for (ObjId g : pageFrame->children) {
        SimObject* f = SimLocal(doc, g);
        if (!f || f->kind != SimObjTextFrame || f->flow != doc.mainFlow) continue;
        if (f->lines == m->lines && f->width == m->width) continue;
        f->lines = m->lines;
        f->width = m->width;
        SimLayoutFrameChanged(doc, g);
    }
    return SimOk;
}

ObjId SimFrameFirstParagraph(const SimDoc& doc, ObjId textFrame) {
    const SimObject* f = SimLocal(doc, textFrame);
    const SimObject* flow = f && f->kind == SimObjTextFrame ? SimLocal(doc, f->flow) : nullptr;
    if (!flow) return 0;
    SimLayoutThroughFrame(doc, textFrame);
    SimMakeOrder(doc);
    return SimFrameTextOf(doc, textFrame).first;
}

ObjId SimFrameLastParagraph(const SimDoc& doc, ObjId textFrame) {
    const SimObject* f = SimLocal(doc, textFrame);
    const SimObject* flow = f && f->kind == SimObjTextFrame ? SimLocal(doc, f->flow) : nullptr;
    if (!flow) return 0;
    SimLayoutThroughFrame(doc, textFrame);
    SimMakeOrder(doc);
    return SimFrameTextOf(doc, textFrame).last;
}

ObjId SimNextParagraph(const SimDoc& doc, ObjId paragraph) {
    const SimObject* holder = Container(doc, paragraph);
    if (!holder) return 0;
    SimMakeOrder(doc);
    uint32_t at = SimPlaceOf(doc.paraIndex, paragraph);
    if (at == SimNoPlace || size_t(at) + 1 >= holder->children.size()) return 0;
    return holder->children[at + 1];
}

ObjId SimParagraphPage(const SimDoc& doc, ObjId paragraph) {
    // A cell's paragraph stands where its table's anchor stands.
    const SimObject* frame = SimLocal(doc, SimParagraphTextFrame(doc, SimFlowParagraph(doc, paragraph)));
    const SimObject* pageFrame = frame ? SimLocal(doc, frame->parent) : nullptr;
    return pageFrame ? pageFrame->parent : 0;
}

std::vector<ObjId> SimPageParagraphs(const SimDoc& doc, ObjId page) {
    std::vector<ObjId> out;
    SimSettleLayout(doc);
    const SimObject* p = SimLocal(doc, page);
    const SimObject* pageFrame = p ? SimLocal(doc, p->frame) : nullptr;
    if (!pageFrame) return out;
    for (ObjId g : pageFrame->children) {
        const SimObject* f = SimLocal(doc, g);
        const SimObject* flow = f && f->kind == SimObjTextFrame ? SimLocal(doc, f->flow) : nullptr;
        if (!flow) continue;
        for (ObjId para : flow->children)
            if (SimLocal(doc, para)->parent == g) out.push_back(para);
    }
    return out;
}

// ---- Text

int SimInsertText(SimDoc& doc, TextLoc at, const std::string& text, TextLoc* after) {
    SimObject* p = SimLocal(doc, at.objId);
    if (!p || p->kind != SimObjParagraph || !Container(doc, at.objId)) return SimStatusBadObject;
    int32_t length = SimParagraphLength(doc, at.objId);
    if (at.offset < 0) return SimStatusBadValue;
    int32_t pos = at.offset > length ? length : at.offset;
    ObjId para = at.objId;
    ObjId frame = doc.reflow ? SimParagraphTextFrame(doc, para) : 0; // longer text pours again

    size_t start = 0;
    for (;;) {
        size_t end = text.find('\n', start);
        std::string piece = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        SimObject* cur = SimLocal(doc, para);
        int32_t pieceChars = SimCharCount(piece);
        std::string now = cur->text;
        now.insert(SimCharOffset(now, SimTextIndex(SimAnchorPositions(doc, para), pos)), piece);
        cur->text = now;
        SimShiftAnchors(doc, para, pos, pieceChars, 0);
        pos += pieceChars;
        if (end == std::string::npos) break;

        // End the paragraph here: a new one after it, in the same frame or
        // cell and with the same format, takes the rest.
        ObjId next = SimNewObject(doc, SimObjParagraph);
        if (!next) return SimStatusBadValue;
        cur = SimLocal(doc, para);
        SimObject& n = doc.objects[next];
        n.name = cur->name;
        n.indent = cur->indent;
        if (!cur->Extras().props.empty()) n.EditExtras().props = cur->Extras().props;
        n.parent = cur->parent;
        size_t cut = SimCharOffset(cur->text, SimTextIndex(SimAnchorPositions(doc, para), pos));
        n.text = cur->text.substr(cut);
        cur->text = cur->text.substr(0, cut);
        SimShiftAnchors(doc, para, pos, 0, next);
        SimObject* holder = Container(doc, para);
        auto it = std::find(holder->children.begin(), holder->children.end(), para);
        holder->children.insert(it + 1, next);
        para = next;
        pos = 0;
        start = end + 1;
    }
    doc.modified = true;
    doc.orderValid = false;
    if (frame) SimLayoutFrameChanged(doc, frame);
    if (after) *after = TextLoc{para, pos};
    return SimOk;
}

ObjId SimAnchorMarker(SimDoc& doc, TextLoc at) {
    const SimObject* p = SimLocal(doc, at.objId);
    if (!p || p->kind != SimObjParagraph || at.offset < 0) return 0;
    int32_t length = SimParagraphLength(doc, at.objId);
    int32_t position = at.offset > length ? length : at.offset;
    ObjId m = SimNewObject(doc, SimObjMarker);
    if (!m) return 0;
    SimShiftAnchors(doc, at.objId, position, 1, 0);
    SimObject& marker = doc.objects[m];
    marker.anchorParagraph = at.objId;
    marker.anchorOffset = position;
    doc.markers.push_back(m);
    std::vector<ObjId>& anchors = doc.anchorsOf[at.objId]; // known since the shift
    anchors.insert(std::upper_bound(anchors.begin(), anchors.end(), m,
                                    [&](ObjId a, ObjId b) { return SimAnchorBefore(doc, a, b); }),
                   m);
    doc.modified = true;
    return m;
}

int SimDeleteMarker(SimDoc& doc, ObjId m) {
    const SimObject* marker = SimLocal(doc, m);
    if (!marker || marker->kind != SimObjMarker) return SimStatusBadObject;
    ObjId para = marker->anchorParagraph;
    int32_t position = marker->anchorOffset;
    doc.markers.erase(std::remove(doc.markers.begin(), doc.markers.end(), m), doc.markers.end());
    doc.objects.erase(m);
    // The anchors are gathered again from the markers and tables left; then
    // those after the one deleted move back into its position.
    SimInvalidateOrder(doc);
    if (para) SimShiftAnchors(doc, para, position + 1, -1, 0);
    doc.modified = true;
    return SimOk;
}

std::vector<std::string> SimFlowTexts(const SimDoc& doc) {
    std::vector<std::string> out;
    if (const SimObject* flow = SimLocal(doc, doc.mainFlow))
        for (ObjId p : flow->children) out.push_back(SimLocal(doc, p)->text);
    return out;
}

std::vector<std::string> SimFlowTags(const SimDoc& doc) {
    std::vector<std::string> out;
    if (const SimObject* flow = SimLocal(doc, doc.mainFlow))
        for (ObjId p : flow->children) out.push_back(SimLocal(doc, p)->name);
    return out;
}

// ---- Books

namespace {
void WalkComponents(const SimDoc& book, const std::vector<ObjId>& list, std::vector<ObjId>& out) {
    for (ObjId c : list) {
        out.push_back(c);
        WalkComponents(book, SimLocal(book, c)->children, out);
    }
}
} // namespace

std::vector<ObjId> SimBookOrder(const SimDoc& book) {
    std::vector<ObjId> out;
    WalkComponents(book, book.components, out);
    return out;
}
