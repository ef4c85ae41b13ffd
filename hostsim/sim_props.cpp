// Property dispatch of the simulated host: which object a (document, object)
// pair names, which properties each kind of object answers, with which
// document argument, and of which value type.
//
// Document arguments. Objects inside a document or book are reached with
// that document as argument, menu items with their menu (or 0). Properties
// of a document or book itself are reached either with 0 or with the
// document itself, property by property, as FrameMaker's clients use them:
// the name, the next open document and the book's name with the document
// itself; page, master page, marker, flow, selection, current page and
// component chains and the status line with 0; visibility and the first
// table with either. Any other pairing fails with a status, so a client that
// passes the wrong document sees its call fail.
#include "hostsim/sim_server_internal.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

enum Arg { ArgSession, ArgSelf, ArgEither };

struct DocRule {
    int32_t number;
    Arg arg;
};

const DocRule DocumentRules[] = {
    {PropName, ArgSelf},           {PropDocumentVisible, ArgEither},
    {PropNextOpenDocument, ArgSelf}, {PropFirstMarker, ArgSession},
    {PropFirstTable, ArgEither},   {PropTextSelection, ArgSession},
    {PropCurrentPage, ArgSession}, {PropLeftMasterPage, ArgSession},
    {PropRightMasterPage, ArgSession}, {PropFirstBodyPage, ArgSession},
    {PropFirstMasterPage, ArgSession}, {PropMainFlow, ArgSession},
};

const DocRule BookRules[] = {
    {PropName, ArgSelf},           {PropDocumentVisible, ArgEither},
    {PropNextOpenDocument, ArgSelf}, {PropFirstComponent, ArgSession},
    {PropStatusLine, ArgSession},
};

// What a (document, object) pair names.
struct Target {
    enum { Session, Document, Local, Menu } what = Session;
    SimDoc* doc = nullptr;
    bool viaSelf = false; // a document reached with itself as argument
    ObjId local = 0;
    ObjId menuItem = 0;
    ObjId container = 0; // the menu given as document argument
};

bool IsMenuKind(const SimSession& session, ObjId id, bool menuOnly) {
    auto it = session.menus.find(id);
    return it != session.menus.end() && (!menuOnly || it->second.kind == SimMenuMenu);
}

int Resolve(SimServer* s, ObjId document, ObjId object, Target* t) {
    SimSession& session = s->session;
    if (document == 0) {
        if (object == 0) {
            t->what = Target::Session;
            return SimOk;
        }
        if (SimDoc* d = SimFindDoc(session, object)) {
            t->what = Target::Document;
            t->doc = d;
            return SimOk;
        }
        if (IsMenuKind(session, object, false)) {
            t->what = Target::Menu;
            t->menuItem = object;
            return SimOk;
        }
        return SimStatusBadObject;
    }
    if (SimDoc* d = SimFindDoc(session, document)) {
        t->doc = d;
        if (object == document) {
            t->what = Target::Document;
            t->viaSelf = true;
            return SimOk;
        }
        t->local = SimToLocal(*d, object);
        t->what = Target::Local;
        return t->local ? SimOk : SimStatusBadObject;
    }
    if (IsMenuKind(session, document, true)) {
        const std::vector<ObjId>& items = session.menus[document].items;
        if (std::find(items.begin(), items.end(), object) == items.end()) return SimStatusBadObject;
        t->what = Target::Menu;
        t->menuItem = object;
        t->container = document;
        return SimOk;
    }
    return SimStatusBadDocument;
}

bool Fits(SimValueType have, SimValueType want) {
    auto numeric = [](SimValueType v) { return v == SimValInt || v == SimValMetric; };
    return have == want || (numeric(have) && numeric(want));
}

void SetInt(SimValue* v, int32_t n, SimValueType type = SimValInt) {
    v->type = type;
    v->integer = n;
}
void SetId(SimValue* v, ObjId id) {
    v->type = SimValId;
    v->integer = static_cast<int32_t>(id);
}
void SetText(SimValue* v, std::string text) {
    v->type = SimValString;
    v->text = std::move(text);
}

ObjId NextIn(const std::vector<ObjId>& list, ObjId item) {
    auto it = std::find(list.begin(), list.end(), item);
    return it == list.end() || it + 1 == list.end() ? 0 : *(it + 1);
}

TextRange RangeToClient(const SimDoc& d, const TextRange& r) {
    return TextRange{{SimToClient(d, r.begin.objId), r.begin.offset},
                     {SimToClient(d, r.end.objId), r.end.offset}};
}

// ---- The session

int GetSession(SimServer* s, int32_t n, SimValue* v) {
    SimSession& session = s->session;
    switch (n) {
    case PropActiveDocument: SetId(v, session.activeDocument); return SimOk;
    case PropActiveBook: SetId(v, session.activeBook); return SimOk;
    case PropFirstOpenDocument:
        SetId(v, session.documents.empty() ? 0 : session.documents.front()->id);
        return SimOk;
    case PropHostDirectory: SetText(v, session.hostDirectory); return SimOk;
    }
    return SimStatusBadProperty;
}

int SetSession(SimServer* s, int32_t n, const SimValue& v) {
    SimSession& session = s->session;
    ObjId id = static_cast<ObjId>(v.integer);
    if (n == PropActiveDocument || n == PropActiveBook) {
        if (!Fits(v.type, SimValId)) return SimStatusBadValueType;
        SimDoc* d = SimFindDoc(session, id);
        if (id && (!d || d->isBook != (n == PropActiveBook))) return SimStatusBadValue;
        (n == PropActiveDocument ? session.activeDocument : session.activeBook) = id;
        return SimOk;
    }
    SimValue ignored;
    return GetSession(s, n, &ignored) == SimOk ? SimStatusReadOnly : SimStatusBadProperty;
}

// ---- Documents and books themselves

int DocRuleCheck(const SimDoc& d, bool viaSelf, int32_t n) {
    const DocRule* begin = d.isBook ? BookRules : DocumentRules;
    const DocRule* end = begin + (d.isBook ? std::size(BookRules) : std::size(DocumentRules));
    for (const DocRule* r = begin; r != end; ++r) {
        if (r->number != n) continue;
        if (r->arg == ArgEither || (r->arg == ArgSelf) == viaSelf) return SimOk;
        return SimStatusBadProperty; // answered, but not with this document argument
    }
    return SimStatusBadProperty;
}

int GetDocument(SimServer* s, SimDoc& d, bool viaSelf, int32_t n, SimValue* v) {
    if (int status = DocRuleCheck(d, viaSelf, n)) return status;
    switch (n) {
    case PropName: SetText(v, d.name); return SimOk;
    case PropDocumentVisible: SetInt(v, d.visible ? 1 : 0); return SimOk;
    case PropNextOpenDocument: {
        const auto& list = d.isBook ? s->session.books : s->session.documents;
        ObjId next = 0;
        for (size_t i = 0; i + 1 < list.size(); ++i)
            if (list[i].get() == &d) next = list[i + 1]->id;
        SetId(v, next);
        return SimOk;
    }
    case PropFirstMarker: SetId(v, SimToClient(d, SimFirstMarker(d))); return SimOk;
    case PropFirstTable: SetId(v, SimToClient(d, d.tables.empty() ? 0 : d.tables.front())); return SimOk;
    case PropTextSelection:
        v->type = SimValTextRange;
        v->range = RangeToClient(d, d.selection);
        return SimOk;
    case PropCurrentPage: SetId(v, SimToClient(d, d.currentPage)); return SimOk;
    case PropLeftMasterPage: SetId(v, SimToClient(d, d.leftMaster)); return SimOk;
    case PropRightMasterPage: SetId(v, SimToClient(d, d.rightMaster)); return SimOk;
    case PropFirstBodyPage:
        SetId(v, SimToClient(d, d.bodyPages.empty() ? 0 : d.bodyPages.front()));
        return SimOk;
    case PropFirstMasterPage:
        SetId(v, SimToClient(d, d.masterPages.empty() ? 0 : d.masterPages.front()));
        return SimOk;
    case PropMainFlow: SetId(v, SimToClient(d, d.mainFlow)); return SimOk;
    case PropFirstComponent:
        SetId(v, SimToClient(d, d.components.empty() ? 0 : d.components.front()));
        return SimOk;
    case PropStatusLine: SetText(v, d.statusLine); return SimOk;
    }
    return SimStatusBadProperty;
}

// A paragraph of this document (or 0) given in client form.
bool LocalParagraphOrNone(const SimDoc& d, ObjId client, ObjId* local) {
    *local = client ? SimToLocal(d, client) : 0;
    if (!client) return true;
    const SimObject* p = SimLocal(d, *local);
    return p && p->kind == SimObjParagraph;
}

int SetDocument(SimServer* s, SimDoc& d, bool viaSelf, int32_t n, const SimValue& v) {
    if (int status = DocRuleCheck(d, viaSelf, n)) return status;
    switch (n) {
    case PropDocumentVisible:
        if (!Fits(v.type, SimValInt)) return SimStatusBadValueType;
        d.visible = v.integer != 0;
        return SimOk;
    case PropTextSelection: {
        if (v.type != SimValTextRange) return SimStatusBadValueType;
        TextRange r{};
        if (!LocalParagraphOrNone(d, v.range.begin.objId, &r.begin.objId) ||
            !LocalParagraphOrNone(d, v.range.end.objId, &r.end.objId))
            return SimStatusBadValue;
        r.begin.offset = v.range.begin.offset;
        r.end.offset = v.range.end.offset;
        d.selection = r;
        return SimOk;
    }
    case PropCurrentPage: {
        if (v.type != SimValId) return SimStatusBadValueType;
        ObjId page = SimToLocal(d, static_cast<ObjId>(v.integer));
        const SimObject* p = SimLocal(d, page);
        if (!p || (p->kind != SimObjBodyPage && p->kind != SimObjMasterPage)) return SimStatusBadValue;
        d.currentPage = page;
        return SimOk;
    }
    case PropStatusLine:
        if (v.type != SimValString) return SimStatusBadValueType;
        d.statusLine = v.text;
        s->control.statusLines.push_back(SimStatusLine{d.id, v.text});
        return SimOk;
    }
    return SimStatusReadOnly;
}

// ---- Objects inside a document or book

// The text frames of a flow in page order.
std::vector<ObjId> FlowFrames(const SimDoc& d, ObjId flow) {
    std::vector<ObjId> frames;
    SimSettleLayout(d); // the last frame is where the text ends
    for (ObjId page : d.bodyPages) {
        const SimObject* pageFrame = SimLocal(d, SimLocal(d, page)->frame);
        if (!pageFrame) continue;
        for (ObjId g : pageFrame->children) {
            const SimObject* o = SimLocal(d, g);
            if (o && o->kind == SimObjTextFrame && o->flow == flow) frames.push_back(g);
        }
    }
    return frames;
}

// The text frame a paragraph stands in; a cell's paragraph stands where its
// table's anchor stands.
ObjId ParagraphFrame(const SimDoc& d, ObjId para) { return SimParagraphTextFrame(d, SimFlowParagraph(d, para)); }

// One property read: the document, the object and where its value goes.
struct Getter {
    const SimDoc& d;
    ObjId local;
    const SimObject& o;
    SimValue* v;
};

// The value is the client id of the object `l` (0: none).
int Id(const Getter& g, ObjId l) {
    SetId(g.v, SimToClient(g.d, l));
    return SimOk;
}

// The first or the last object of `list` (0 when it is empty).
int First(const Getter& g, const std::vector<ObjId>& list) { return Id(g, list.empty() ? 0 : list.front()); }
int Last(const Getter& g, const std::vector<ObjId>& list) { return Id(g, list.empty() ? 0 : list.back()); }

// The objects the object is one of: its parent's children, or the
// document's top components when it has no parent.
const std::vector<ObjId>& Siblings(const Getter& g) {
    const SimObject* parent = SimLocal(g.d, g.o.parent);
    return parent ? parent->children : g.d.components;
}

// The kinds whose PropName is the object's own name (a marker type has no
// other property).
bool Named(SimObjKind kind) {
    switch (kind) {
    case SimObjMasterPage:
    case SimObjFlow:
    case SimObjParagraph:
    case SimObjMarkerType:
    case SimObjParagraphFormat:
    case SimObjComponent: return true;
    default: return false;
    }
}

// The properties of a body page.
int GetBodyPage(const Getter& g, int32_t n) {
    switch (n) {
    case PropPageBackground: SetInt(g.v, g.o.background); return SimOk;
    case PropMasterPageName: SetText(g.v, SimPageMasterName(g.d, g.local)); return SimOk;
    case PropNextBodyPage: return Id(g, SimNextBodyPage(g.d, g.local));
    case PropPageFrame: return Id(g, g.o.frame);
    case PropPageNumberText: SetText(g.v, SimPageNumberText(g.d, g.local)); return SimOk;
    case PropRightHandPage: SetInt(g.v, SimPageIsRight(g.d, g.local)); return SimOk;
    }
    return SimStatusBadProperty;
}

// The properties of a master page.
int GetMasterPage(const Getter& g, int32_t n) {
    switch (n) {
    case PropNextBodyPage: return Id(g, SimNextSibling(g.d, g.d.masterPages, g.local));
    case PropPageFrame: return Id(g, g.o.frame);
    }
    return SimStatusBadProperty;
}

// The properties of a page's frame.
int GetPageFrame(const Getter& g, int32_t n) {
    switch (n) {
    case PropFramePage: return Id(g, g.o.parent);
    case PropFirstGraphic: return First(g, g.o.children);
    case PropLastGraphic: return Last(g, g.o.children);
    }
    return SimStatusBadProperty;
}

// The properties of a text frame or a graphic.
int GetFrame(const Getter& g, int32_t n) {
    switch (n) {
    case PropFrameParent: return Id(g, g.o.parent);
    case SimPropFirstAnchoredFrame: return Id(g, 0);
    case SimPropFirstGraphicInFrame: return Id(g, g.o.kind == SimObjGraphic ? g.local : 0);
    }
    if (g.o.kind == SimObjTextFrame && n == PropFirstParagraph) return Id(g, SimFrameFirstParagraph(g.d, g.local));
    if (g.o.kind == SimObjTextFrame && n == PropLastParagraph) return Id(g, SimFrameLastParagraph(g.d, g.local));
    return SimStatusBadProperty;
}

// The properties of a flow.
int GetFlow(const Getter& g, int32_t n) {
    switch (n) {
    case PropFirstTextFrame: return First(g, FlowFrames(g.d, g.local));
    case PropLastTextFrame: return Last(g, FlowFrames(g.d, g.local));
    }
    return SimStatusBadProperty;
}

// The properties of a paragraph.
int GetParagraph(const Getter& g, int32_t n) {
    switch (n) {
    case PropNextParagraph: return Id(g, SimNextParagraph(g.d, g.local));
    case PropTextFrame: return Id(g, ParagraphFrame(g.d, g.local));
    case PropIndent: SetInt(g.v, g.o.indent, SimValMetric); return SimOk;
    }
    return SimStatusBadProperty;
}

// A table is read row after row down to the text of each cell (the
// mapping document, once for every document of a book): while row `at` of
// `rows` is read, the objects of a row a few ahead are fetched from memory,
// and the cells' paragraphs and texts of a nearer one, as their places are
// known by then. A row's cells and paragraphs follow it in id order, as the
// file is read; where they do not, less is fetched ahead, nothing else.
void FetchRowsAhead(const SimDoc& d, const std::vector<ObjId>& rows, size_t at) {
    constexpr size_t Objects = 4, Texts = 2; // rows ahead
    auto ids = [&](size_t k) {
        ObjId end = k + 1 < rows.size() ? rows[k + 1] : rows[k] + 16;
        return std::pair<ObjId, ObjId>{rows[k], std::max(end, rows[k])};
    };
    if (at + Objects < rows.size()) {
        auto [first, end] = ids(at + Objects);
        d.objects.Prefetch(first, end);
    }
    if (at + Texts < rows.size()) {
        auto [first, end] = ids(at + Texts);
        for (ObjId id = first; id < end && id < first + 64; ++id) {
            const SimObject* o = SimLocal(d, id);
            if (!o) continue;
            if (!o->children.empty()) __builtin_prefetch(o->children.data());
            if (!o->text.empty()) __builtin_prefetch(o->text.data());
        }
    }
}

// The properties of a table.
int GetTable(const Getter& g, int32_t n) {
    switch (n) {
    case PropFirstRow:
        if (!g.o.children.empty()) FetchRowsAhead(g.d, g.o.children, 0);
        return First(g, g.o.children);
    case PropNextTable: return Id(g, SimNextSibling(g.d, g.d.tables, g.local));
    }
    return SimStatusBadProperty;
}

// The properties of a table row.
int GetRow(const Getter& g, int32_t n) {
    switch (n) {
    case PropFirstCell: return First(g, g.o.children);
    case PropNextRow: {
        const std::vector<ObjId>& rows = Siblings(g);
        ObjId next = SimNextSibling(g.d, rows, g.local);
        uint32_t at = SimPlaceOf(g.d.siblingIndex, next);
        if (next && at < rows.size() && rows[at] == next) FetchRowsAhead(g.d, rows, at);
        return Id(g, next);
    }
    case PropRowType: SetInt(g.v, g.o.rowType); return SimOk;
    }
    return SimStatusBadProperty;
}

// The properties of a table cell.
int GetCell(const Getter& g, int32_t n) {
    switch (n) {
    case PropFirstParagraph: return First(g, g.o.children);
    case PropLastParagraph: return Last(g, g.o.children);
    case PropNextCell: return Id(g, SimNextSibling(g.d, Siblings(g), g.local));
    }
    return SimStatusBadProperty;
}

// The properties of a marker.
int GetMarker(const Getter& g, int32_t n) {
    switch (n) {
    case PropMarkerTypeOf: return Id(g, g.o.markerType);
    case PropMarkerLocation:
        g.v->type = SimValTextLoc;
        g.v->loc = TextLoc{SimToClient(g.d, g.o.anchorParagraph), g.o.anchorOffset};
        return SimOk;
    case PropMarkerText: SetText(g.v, g.o.text); return SimOk;
    case PropNextMarker: return Id(g, SimNextMarker(g.d, g.local));
    }
    return SimStatusBadProperty;
}

// The properties of a paragraph format.
int GetParagraphFormat(const Getter& g, int32_t n) {
    if (n != PropIndent) return SimStatusBadProperty;
    SetInt(g.v, g.o.indent, SimValMetric);
    return SimOk;
}

// The properties of a book component.
int GetComponent(const Getter& g, int32_t n) {
    switch (n) {
    case PropComponentType: SetInt(g.v, g.o.componentType); return SimOk;
    case PropFirstChildComponent: return First(g, g.o.children);
    case PropNextComponent: return Id(g, SimNextSibling(g.d, Siblings(g), g.local));
    case PropParentComponent: return Id(g, g.o.parent);
    }
    return SimStatusBadProperty;
}

int GetLocal(const SimDoc& d, ObjId local, int32_t n, SimValue* v) {
    const Getter g{d, local, *SimLocal(d, local), v};
    if (n == PropName && Named(g.o.kind)) {
        SetText(v, g.o.name);
        return SimOk;
    }
    switch (g.o.kind) {
    case SimObjBodyPage: return GetBodyPage(g, n);
    case SimObjMasterPage: return GetMasterPage(g, n);
    case SimObjPageFrame: return GetPageFrame(g, n);
    case SimObjTextFrame:
    case SimObjGraphic: return GetFrame(g, n);
    case SimObjFlow: return GetFlow(g, n);
    case SimObjParagraph: return GetParagraph(g, n);
    case SimObjTable: return GetTable(g, n);
    case SimObjRow: return GetRow(g, n);
    case SimObjCell: return GetCell(g, n);
    case SimObjMarker: return GetMarker(g, n);
    case SimObjParagraphFormat: return GetParagraphFormat(g, n);
    case SimObjComponent: return GetComponent(g, n);
    case SimObjMarkerType:
    case SimObjNone: break;
    }
    return SimStatusBadProperty;
}

int SetLocal(SimDoc& d, ObjId local, int32_t n, const SimValue& v) {
    SimObject& o = *SimLocal(d, local);
    if (o.kind == SimObjBodyPage && n == PropPageBackground) {
        if (!Fits(v.type, SimValInt)) return SimStatusBadValueType;
        if (v.integer < 0 || v.integer > 2 || (v.integer == 2 && !o.masterPage)) return SimStatusBadValue;
        o.background = int8_t(v.integer); // 0 to 2, checked above
        if (v.integer != 2) o.masterPage = 0;
        d.modified = true;
        return SimOk;
    }
    if ((o.kind == SimObjParagraph || o.kind == SimObjParagraphFormat) && n == PropIndent) {
        if (!Fits(v.type, SimValMetric)) return SimStatusBadValueType;
        o.indent = v.integer;
        d.modified = true;
        return SimOk;
    }
    if (o.kind == SimObjParagraph && n == PropName) {
        if (v.type != SimValString) return SimStatusBadValueType;
        o.name = v.text;
        d.modified = true;
        return SimOk;
    }
    if (o.kind == SimObjMarker && n == PropMarkerTypeOf) {
        if (v.type != SimValId) return SimStatusBadValueType;
        ObjId type = SimToLocal(d, static_cast<ObjId>(v.integer));
        const SimObject* t = SimLocal(d, type);
        if (!t || t->kind != SimObjMarkerType) return SimStatusBadValue;
        o.markerType = type;
        d.modified = true;
        return SimOk;
    }
    if (o.kind == SimObjMarker && n == PropMarkerText) {
        if (v.type != SimValString) return SimStatusBadValueType;
        o.text = v.text;
        d.modified = true;
        return SimOk;
    }
    SimValue ignored;
    return GetLocal(d, local, n, &ignored) == SimOk ? SimStatusReadOnly : SimStatusBadProperty;
}

// ---- Menus, commands and separators

int GetMenu(SimServer* s, const Target& t, int32_t n, SimValue* v) {
    SimMenuObject& m = s->session.menus[t.menuItem];
    switch (n) {
    case PropName: SetText(v, m.name); return SimOk;
    case PropMenuLabel: SetText(v, m.label); return SimOk;
    case PropFirstMenuItem:
        if (m.kind != SimMenuMenu) return SimStatusBadProperty;
        SetId(v, m.items.empty() ? 0 : m.items.front());
        return SimOk;
    case PropNextMenuItem:
        // An item may stand in several menus: only its menu says which is next.
        if (!t.container) return SimStatusBadDocument;
        SetId(v, NextIn(s->session.menus[t.container].items, t.menuItem));
        return SimOk;
    }
    return SimStatusBadProperty;
}

int SetMenu(SimServer* s, const Target& t, int32_t n, const SimValue& v) {
    SimMenuObject& m = s->session.menus[t.menuItem];
    if (n == PropMenuLabel) {
        if (v.type != SimValString) return SimStatusBadValueType;
        m.label = v.text;
        return SimOk;
    }
    if (n == PropNextMenuItem) {
        // Moves the item in front of another item of the same menu (to the
        // end for 0).
        if (!t.container) return SimStatusBadDocument;
        if (v.type != SimValId) return SimStatusBadValueType;
        std::vector<ObjId>& items = s->session.menus[t.container].items;
        ObjId before = static_cast<ObjId>(v.integer);
        if (before == t.menuItem) return SimOk;
        if (before && std::find(items.begin(), items.end(), before) == items.end()) return SimStatusBadValue;
        items.erase(std::find(items.begin(), items.end(), t.menuItem));
        items.insert(before ? std::find(items.begin(), items.end(), before) : items.end(), t.menuItem);
        return SimOk;
    }
    SimValue ignored;
    return GetMenu(s, t, n, &ignored) == SimOk ? SimStatusReadOnly : SimStatusBadProperty;
}

int PropNumberOf(const PropIdent* prop, int32_t* n) {
    if (!prop || prop->number == 0) return SimStatusBadProperty; // names are not known here
    *n = prop->number;
    return SimOk;
}

} // namespace

int SimGetProperty(SimServer* s, ObjId document, ObjId object, const PropIdent* prop,
                   SimValueType wanted, SimValue* out) {
    int32_t n = 0;
    Target t;
    if (int status = PropNumberOf(prop, &n)) return status;
    if (int status = Resolve(s, document, object, &t)) return status;
    int status = SimStatusBadProperty;
    switch (t.what) {
    case Target::Session: status = GetSession(s, n, out); break;
    case Target::Document: status = GetDocument(s, *t.doc, t.viaSelf, n, out); break;
    case Target::Local: status = GetLocal(*t.doc, t.local, n, out); break;
    case Target::Menu: status = GetMenu(s, t, n, out); break;
    }
    if (status == SimOk && !Fits(out->type, wanted)) return SimStatusBadValueType;
    return status;
}

int SimSetProperty(SimServer* s, ObjId document, ObjId object, const PropIdent* prop,
                   const SimValue& value) {
    int32_t n = 0;
    Target t;
    if (int status = PropNumberOf(prop, &n)) return status;
    if (int status = Resolve(s, document, object, &t)) return status;
    switch (t.what) {
    case Target::Session: return SetSession(s, n, value);
    case Target::Document: return SetDocument(s, *t.doc, t.viaSelf, n, value);
    case Target::Local: return SetLocal(*t.doc, t.local, n, value);
    case Target::Menu: return SetMenu(s, t, n, value);
    }
    return SimStatusBadProperty;
}

// ---- Whole property lists of paragraphs and paragraph formats

namespace {

SimObject* FormattedObject(SimServer* s, ObjId document, ObjId object, SimDoc** doc, int* status) {
    Target t;
    *status = Resolve(s, document, object, &t);
    if (*status) return nullptr;
    SimObject* o = t.what == Target::Local ? SimLocal(*t.doc, t.local) : nullptr;
    if (!o || (o->kind != SimObjParagraph && o->kind != SimObjParagraphFormat)) {
        *status = SimStatusBadObject;
        return nullptr;
    }
    *doc = t.doc;
    return o;
}

} // namespace

int SimGetAllProps(SimServer* s, ObjId document, ObjId object, PropVals* out) {
    out->count = 0;
    out->entries = nullptr;
    SimDoc* doc = nullptr;
    int status = SimOk;
    SimObject* o = FormattedObject(s, document, object, &doc, &status);
    if (!o) return status;
    const std::vector<SimExtraProp>& props = o->Extras().props;
    uint32_t count = 2 + static_cast<uint32_t>(props.size());
    auto* entries = static_cast<PropVal*>(CoTaskMemAlloc(count * sizeof(PropVal)));
    if (!entries) return SimStatusBadValue;
    std::memset(entries, 0, count * sizeof(PropVal));
    entries[0].ident.number = PropName;
    entries[0].value.kind = TypedString;
    entries[0].value.value.string = SimTaskFrameRoman(o->name);
    entries[1].ident.number = PropIndent;
    entries[1].value.kind = TypedMetric;
    entries[1].value.value.integer = o->indent;
    for (uint32_t i = 2; i < count; ++i) {
        const SimExtraProp& p = props[i - 2];
        entries[i].ident.number = p.number;
        entries[i].value.kind = p.kind;
        if (p.kind == TypedString)
            entries[i].value.value.string = SimTaskFrameRoman(p.text);
        else
            entries[i].value.value.integer = p.integer;
    }
    out->count = count;
    out->entries = entries;
    return SimOk;
}

int SimSetAllProps(SimServer* s, ObjId document, ObjId object, const PropVals* props) {
    SimDoc* doc = nullptr;
    int status = SimOk;
    SimObject* o = FormattedObject(s, document, object, &doc, &status);
    if (!o) return status;
    if (!props || (props->count && !props->entries)) return SimStatusBadArgument;
    // Applies what it can; the answer names the first entry it could not.
    int answer = SimOk;
    for (uint32_t i = 0; i < props->count; ++i) {
        const PropVal& e = props->entries[i];
        uint32_t kind = e.value.kind;
        bool integral = kind == TypedInteger || kind == TypedMetric || kind == TypedId;
        int problem = SimOk;
        if (e.ident.number == 0) {
            problem = SimStatusBadProperty;
        } else if (e.ident.number == PropName) {
            if (kind == TypedString && e.value.value.string)
                o->name = SimFromFrameRoman(e.value.value.string);
            else
                problem = SimStatusBadValueType;
        } else if (e.ident.number == PropIndent) {
            if (kind == TypedInteger || kind == TypedMetric)
                o->indent = e.value.value.integer;
            else
                problem = SimStatusBadValueType;
        } else if (integral || kind == TypedString) {
            SimExtraProp p;
            p.number = e.ident.number;
            p.kind = kind;
            if (kind == TypedString)
                p.text = SimFromFrameRoman(e.value.value.string);
            else
                p.integer = e.value.value.integer;
            std::vector<SimExtraProp>& props = o->EditExtras().props;
            auto it = std::find_if(props.begin(), props.end(),
                                   [&](const SimExtraProp& x) { return x.number == p.number; });
            if (it != props.end())
                *it = p;
            else
                props.push_back(p);
        } else {
            problem = SimStatusBadValueType;
        }
        if (problem && !answer) answer = problem;
    }
    doc->modified = true;
    return answer;
}
