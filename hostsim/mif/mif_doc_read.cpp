// From a MIF document's statements to the host's objects: layout, paragraph
// formats, marker types, tables, pages with their frames, and flows with
// their paragraphs, text, markers and table anchors.
#include "hostsim/mif/mif_document.h"
#include "hostsim/mif/mif_source.h"

#include "hostsim/sim_text.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_set>

namespace {

struct DocReader {
    SimDoc& doc;
    MifSource& src;
    std::map<long, ObjId> rects;  // <ID n> -> text frame
    std::map<long, ObjId> tables; // <TblID n> -> table
    std::vector<std::pair<ObjId, std::string>> backgrounds; // body page -> its PageBackground
    // The format of the last paragraph's tag, while the formats are those
    // there were then (paragraphs in a row mostly share a tag).
    std::string lastTag;
    ObjId lastFormat = 0;
    size_t formatsThen = SIZE_MAX;
    // Each tag where it first stands (see ReadPara).
    std::unordered_set<std::string_view> tags;
};

ObjId FormatNamed(DocReader& r, std::string_view tag) {
    if (r.formatsThen != r.doc.formats.size() || tag != r.lastTag) {
        r.lastFormat = SimNamed(r.doc, SimObjParagraphFormat, tag);
        r.lastTag = tag;
        r.formatsThen = r.doc.formats.size();
    }
    return r.lastFormat;
}

long IntArg(const MifNode& n, const char* token, long fallback) {
    const MifAtom* a = MifFindArg(n, token);
    int32_t v;
    return a && MifIntValue(*a, &v) ? v : fallback;
}

ObjId NamedObject(DocReader& r, SimObjKind kind, std::vector<ObjId>& list, const std::string& name) {
    if (ObjId id = SimNamed(r.doc, kind, name)) return id;
    ObjId id = SimNewObject(r.doc, kind);
    r.doc.objects[id].name = name;
    list.push_back(id);
    return id;
}

bool Dimension(const MifAtom* a, MifUnit units, Metric* out) {
    double pt;
    if (!a || !MifDimensionPoints(*a, units, &pt)) return false;
    *out = MifPointsToMetric(pt);
    return true;
}

ObjId MarkerTypeOf(DocReader& r, const MifNode& marker) {
    std::string name = MifFindText(marker, "MTypeName");
    if (name.empty()) name = MifMarkerTypeOfNumber((int)IntArg(marker, "MType", 2));
    bool known = SimNamed(r.doc, SimObjMarkerType, name) != 0;
    ObjId t = NamedObject(r, SimObjMarkerType, r.doc.markerTypes, name);
    if (!known) r.src.impliedMarkerTypes.insert(t);
    return t;
}

// The marker or table an anchor of paragraph `para` at `offset` stands for;
// 0 for one the host keeps no object for (a frame, a footnote, a table
// that is not in the file or is anchored already).
ObjId ReadAnchor(DocReader& r, const MifNode& item, ObjId para, int32_t offset) {
    if (MifIs(item, "Marker")) {
        ObjId m = SimNewObject(r.doc, SimObjMarker);
        SimObject& marker = r.doc.objects[m];
        marker.anchorParagraph = para;
        marker.anchorOffset = offset;
        marker.markerType = MarkerTypeOf(r, item);
        marker.text = MifFindText(item, "MText");
        r.doc.markers.push_back(m);
        r.src.objectOf.Set(&item, m);
        r.src.asRead[m] = r.doc.objects[m];
        return m;
    }
    int32_t v;
    if (!MifIs(item, "ATbl") || item.args.empty() || !MifIntValue(item.args[0], &v)) return 0;
    auto it = r.tables.find(v);
    if (it == r.tables.end() || r.doc.objects[it->second].anchorParagraph) return 0;
    r.doc.objects[it->second].anchorParagraph = para;
    r.doc.objects[it->second].anchorOffset = offset;
    r.src.objectOf.Set(&item, it->second);
    return it->second;
}

// The lines of paragraph `id` (`p`): its text and anchors, and the frame it
// stands in (`standsIn`, else that of its first line's TextRectID). `frame`
// is the text frame in effect before it; it becomes the one in effect after
// it. The characters of the text are counted only up to its last anchor,
// whose position needs them: most paragraphs have none. The same walk
// over the paragraph's statements finds its tag and its own format.
struct ParaParts {
    ObjId standsIn = 0;
    std::optional<std::string_view> whole; // the text whole where it stands (its one item), else none
    const MifNode* tag = nullptr;       // the first <PgfTag>
    const MifNode* pgf = nullptr;       // the first <Pgf>
};
ParaParts ReadLines(DocReader& r, const MifNode& node, ObjId id, SimObject& p, ObjId* frame,
                    ObjId standsIn, bool inFlow) {
    std::string scratch;
    ParaParts parts{standsIn, std::string_view()};
    size_t counted = 0; // the bytes of the text that `offset` has counted
    int32_t offset = 0; // their characters, and the anchors among them
    bool firstLine = true;
    MifSource::Anchors anchors;
    for (const MifNode& line : node.children) {
        if (!MifIs(line, "ParaLine")) {
            if (!parts.tag && MifIs(line, "PgfTag")) parts.tag = &line;
            if (!parts.pgf && MifIs(line, "Pgf")) parts.pgf = &line;
            continue;
        }
        for (const MifNode& item : line.children) {
            if (MifIs(item, "TextRectID")) {
                int32_t v;
                auto it = !item.args.empty() && MifIntValue(item.args[0], &v) ? r.rects.find(v)
                                                                                 : r.rects.end();
                if (it != r.rects.end()) {
                    if (firstLine && inFlow && !parts.standsIn) parts.standsIn = it->second;
                    *frame = it->second;
                }
            } else if (MifIs(item, "String") || MifIs(item, "Char") || MifIs(item, "Variable")) {
                std::string_view part = MifItemTextRef(item, r.src.variableText, scratch);
                if (part.empty()) continue;
                // A text of one item views it where it stands (the tree and
                // the variables' texts live as long as the document's
                // record of its file); a second item makes it a copy.
                if (p.text.empty() && part.data() != scratch.data()) {
                    parts.whole = part;
                    p.text = SimString::View(part);
                } else {
                    parts.whole.reset();
                    p.text += part;
                }
            } else if (MifIsAnchor(item)) {
                offset += SimCharCount(std::string_view(p.text).substr(counted));
                counted = p.text.size();
                if (ObjId anchored = ReadAnchor(r, item, id, offset))
                    anchors.objects.emplace_back(anchored, offset);
                else
                    anchors.others.push_back(offset);
                ++offset;
            }
        }
        firstLine = false;
    }
    if (!anchors.others.empty()) p.EditExtras().otherAnchors = anchors.others;
    if (!anchors.objects.empty() || !anchors.others.empty()) r.src.anchorsRead[id] = std::move(anchors);
    return parts;
}

// One paragraph: its tag, indent, text, markers and table anchors; `holder`
// is the cell it stands in, `frame` as for ReadLines.
ObjId ReadPara(DocReader& r, const MifNode& node, ObjId holder, std::vector<ObjId>& list,
               ObjId* frame, bool inFlow) {
    ObjId id = SimNewObject(r.doc, SimObjParagraph);
    r.src.objectOf.Set(&node, id);
    list.push_back(id);
    // Objects stand in chunks that never move: the reference stays good
    // while its anchors make more.
    SimObject& p = r.doc.objects[id];
    ParaParts parts = ReadLines(r, node, id, p, frame, inFlow ? 0 : holder, inFlow);
    // The paragraphs of one tag view it where it first stands in the tree:
    // a pass reads every paragraph's tag, and one place stays in the cache
    // where each paragraph's own would be fetched from memory.
    std::string_view tag = *r.tags.insert(MifStatementText(parts.tag)).first;
    p.name = SimString::View(tag);
    if (ObjId f = FormatNamed(r, tag)) p.indent = r.doc.objects[f].indent;
    if (parts.pgf) Dimension(MifFindArg(*parts.pgf, "PgfLIndent"), r.src.file.units, &p.indent);
    p.parent = parts.standsIn;
    if (inFlow && !p.parent) p.parent = *frame;
    MifNoteParaRead(r.src, id, p, tag, parts.whole ? &*parts.whole : nullptr);
    return id;
}

// How many statements nested in `n` have the token: room for their objects
// is made once.
template <size_t N> size_t CountOf(const MifNode& n, const char (&token)[N]) {
    return (size_t)std::count_if(n.children.begin(), n.children.end(),
                                 [&](const MifNode& c) { return MifIs(c, token); });
}

// A row of table `t`, of type `type`: its cells and their paragraphs.
void ReadRow(DocReader& r, const MifNode& row, ObjId t, int32_t type) {
    ObjId rid = SimNewObject(r.doc, SimObjRow);
    r.doc.objects[rid].parent = t;
    r.doc.objects[rid].rowType = type;
    r.doc.objects[t].children.push_back(rid);
    r.doc.objects[rid].children.reserve(CountOf(row, "Cell"));
    for (const MifNode& cell : row.children) {
        if (!MifIs(cell, "Cell")) continue;
        ObjId cid = SimNewObject(r.doc, SimObjCell);
        r.doc.objects[cid].parent = rid;
        r.doc.objects[rid].children.push_back(cid);
        const MifNode* content = MifChild(cell, "CellContent");
        if (!content) continue;
        r.src.objectOf.Set(content, cid);
        ObjId none = 0;
        // Objects stand in chunks that never move: the reference stays good
        // while ReadPara adds more.
        std::vector<ObjId>& paras = r.doc.objects[cid].children;
        paras.reserve(CountOf(*content, "Para"));
        for (const MifNode& para : content->children)
            if (MifIs(para, "Para")) ReadPara(r, para, cid, paras, &none, false);
    }
}

void ReadTables(DocReader& r, const MifNode& tbls) {
    for (const MifNode& tbl : tbls.children) {
        if (!MifIs(tbl, "Tbl")) continue;
        ObjId t = SimNewObject(r.doc, SimObjTable);
        r.doc.tables.push_back(t);
        r.src.objectOf.Set(&tbl, t);
        long number = IntArg(tbl, "TblID", -1);
        if (number >= 0) {
            r.tables.emplace(number, t);
            r.src.tableId.emplace_back(t, (int32_t)number);
        }
        for (const MifNode& part : tbl.children) {
            int32_t type = MifIs(part, "TblH") ? SimRowHeading
                           : MifIs(part, "TblBody") ? SimRowBody
                           : MifIs(part, "TblF") ? SimRowFooting : -1;
            if (type < 0) continue;
            std::vector<ObjId>& rows = r.doc.objects[t].children;
            rows.reserve(rows.size() + CountOf(part, "Row"));
            for (const MifNode& row : part.children)
                if (MifIs(row, "Row")) ReadRow(r, row, t, type);
        }
    }
}

// The text frames of a frame nested in a page stand on no page of their own.
void ReadNestedRects(DocReader& r, const MifNode& frame) {
    for (const MifNode& c : frame.children) {
        if (c.token == "TextRect") {
            ObjId tf = SimNewObject(r.doc, SimObjTextFrame);
            long number = IntArg(c, "ID", -1);
            if (number >= 0) {
                r.rects.emplace(number, tf);
                r.src.textRectId.emplace_back(tf, (int32_t)number);
            }
        }
        if (c.token == "Frame" || c.token == "TextRect") ReadNestedRects(r, c);
    }
}

void ReadPage(DocReader& r, const MifNode& page) {
    std::string type = MifFindText(page, "PageType", "BodyPage");
    bool body = type == "BodyPage";
    bool master = type == "LeftMasterPage" || type == "RightMasterPage" || type == "OtherMasterPage";
    ObjId pid = 0, frame = 0;
    if (body || master) {
        pid = SimNewObject(r.doc, body ? SimObjBodyPage : SimObjMasterPage);
        frame = SimNewObject(r.doc, SimObjPageFrame);
        r.doc.objects[pid].frame = frame;
        r.doc.objects[frame].parent = pid;
        r.src.objectOf.Set(&page, pid);
    }
    if (body) {
        r.doc.bodyPages.push_back(pid);
        if (const MifAtom* num = MifFindArg(page, "PageNum"); num && num->kind == MifString)
            r.doc.objects[pid].EditExtras().pageNumber = num->text.str();
        r.backgrounds.emplace_back(pid, MifFindText(page, "PageBackground", "Default"));
    } else if (master) {
        r.doc.objects[pid].name = MifFindText(page, "PageTag");
        if (type == "LeftMasterPage" && !r.doc.leftMaster) r.doc.leftMaster = pid;
        else if (type == "RightMasterPage" && !r.doc.rightMaster) r.doc.rightMaster = pid;
        else r.doc.masterPages.push_back(pid);
    }
    for (const MifNode& c : page.children) {
        if (c.token != "TextRect" && c.token != "Frame") continue;
        ObjId g = SimNewObject(r.doc, c.token == "TextRect" ? SimObjTextFrame : SimObjGraphic);
        if (frame) {
            r.doc.objects[g].parent = frame;
            r.doc.objects[frame].children.push_back(g);
        }
        if (c.token == "TextRect") {
            long number = IntArg(c, "ID", -1);
            if (number >= 0) {
                r.rects.emplace(number, g);
                r.src.textRectId.emplace_back(g, (int32_t)number);
            }
        }
        ReadNestedRects(r, c);
    }
    if (pid) r.src.asRead[pid] = r.doc.objects[pid];
}

void ReadFlow(DocReader& r, const MifNode& flowNode) {
    ObjId flow = SimNewObject(r.doc, SimObjFlow);
    r.doc.objects[flow].name = MifFindText(flowNode, "TFTag");
    r.doc.flows.push_back(flow);
    r.src.objectOf.Set(&flowNode, flow);
    ObjId frame = 0;
    std::vector<ObjId> paras;
    // Room for its paragraphs, and a sixteenth more for the markers and
    // tables anchored in them, which take ids and entries of their own: an
    // array of a long flow that outgrows its room is copied into fresh
    // memory of megabytes.
    size_t count = flowNode.children.size(), slack = count / 16, ids = r.doc.nextLocal + count + slack;
    r.src.objectOf.Reserve(r.src.objectOf.size() + count + slack, ids);
    r.src.parasRead.reserve(ids);
    paras.reserve(count);
    size_t framelessFront = 0; // paragraphs before the flow's first TextRectID
    for (const MifNode& c : flowNode.children) {
        if (!MifIs(c, "Para")) continue;
        ObjId p = ReadPara(r, c, 0, paras, &frame, true);
        if (!r.doc.objects[p].parent) ++framelessFront;
    }
    // Paragraphs before the first TextRectID stand in the flow's first frame.
    for (size_t i = 0; i < framelessFront && i < paras.size(); ++i) r.doc.objects[paras[i]].parent = frame;
    for (ObjId p : paras)
        if (ObjId f = r.doc.objects[p].parent; f && !r.doc.objects[f].flow) r.doc.objects[f].flow = flow;
    r.doc.objects[flow].children = std::move(paras);
}

bool OnBodyPage(const SimDoc& doc, ObjId textFrame) {
    const SimObject* f = SimLocal(doc, textFrame);
    const SimObject* pf = f ? SimLocal(doc, f->parent) : nullptr;
    const SimObject* page = pf ? SimLocal(doc, pf->parent) : nullptr;
    return page && page->kind == SimObjBodyPage;
}

void ChooseMainFlow(DocReader& r) {
    SimDoc& doc = r.doc;
    ObjId main = 0, named = 0;
    for (ObjId f : doc.flows) {
        const SimObject& flow = doc.objects[f];
        bool body = false;
        for (ObjId p : flow.children)
            if (OnBodyPage(doc, doc.objects[p].parent)) body = true;
        if (body && !main) main = f;
        if (body && !named && flow.name == "A") named = f;
    }
    if (named) main = named;
    if (!main && !doc.flows.empty()) main = doc.flows.front();
    doc.mainFlow = main;
    if (main) {
        doc.flows.erase(std::find(doc.flows.begin(), doc.flows.end(), main));
        doc.flows.insert(doc.flows.begin(), main);
    }
    // Text frames of body pages that hold no paragraph yet belong to the main flow.
    for (ObjId page : doc.bodyPages)
        for (ObjId g : doc.objects[doc.objects[page].frame].children)
            if (doc.objects[g].kind == SimObjTextFrame && !doc.objects[g].flow) doc.objects[g].flow = main;
}

// Once all pages are read: default master pages first among the master
// pages, and body pages' backgrounds named by master page.
void ResolvePages(DocReader& r) {
    SimDoc& doc = r.doc;
    // Default master pages come first among the master pages.
    std::vector<ObjId> masters;
    if (doc.leftMaster) masters.push_back(doc.leftMaster);
    if (doc.rightMaster) masters.push_back(doc.rightMaster);
    masters.insert(masters.end(), doc.masterPages.begin(), doc.masterPages.end());
    doc.masterPages = masters;
    for (auto& [page, background] : r.backgrounds) {
        SimObject& p = doc.objects[page];
        if (background == "Default") {
            p.background = 0;
        } else if (background == "None") {
            p.background = 1;
        } else {
            p.background = 2;
            p.masterPage = SimNamed(doc, SimObjMasterPage, background);
        }
        r.src.asRead[page] = p;
    }
}

} // namespace

bool MifReadDocument(MifFile file, SimDoc* out, std::string* error) {
    (void)error;
    auto src = std::make_shared<MifSource>();
    src->file = std::move(file);
    SimDoc& doc = *out;
    // The document holds its record from the start: its objects view texts
    // in it, and a read cut short by an exception leaves no view dangling.
    doc.storeData = src;
    doc.storeKind = &MifSourceKind;
    DocReader r{doc, *src, {}, {}, {}, {}, 0, SIZE_MAX, {}};
    const MifUnit units = src->file.units;

    // Variables first: table cells may show them too.
    for (const MifNode& s : src->file.statements)
        if (s.token == "VariableFormats") src->variableText = MifVariableTexts(s);
    for (const MifNode& s : src->file.statements) {
        if (s.token == "Document") {
            if (const MifAtom* a = MifFindArg(s, "DTwoSides")) doc.twoSided = a->text != "No";
            if (const MifAtom* a = MifFindArg(s, "DParity")) doc.firstPageRight = a->text != "FirstLeft";
        } else if (s.token == "PgfCatalog") {
            for (const MifNode& pgf : s.children) {
                if (pgf.token != "Pgf") continue;
                std::string tag = MifFindText(pgf, "PgfTag");
                if (SimNamed(doc, SimObjParagraphFormat, tag)) continue; // the first of a name counts
                ObjId f = NamedObject(r, SimObjParagraphFormat, doc.formats, tag);
                Dimension(MifFindArg(pgf, "PgfLIndent"), units, &doc.objects[f].indent);
                src->objectOf.Set(&pgf, f);
                src->asRead[f] = doc.objects[f];
            }
        } else if (s.token == "MarkerTypeCatalog") {
            for (const MifNode& t : s.children)
                if (t.token == "MTypeName" && !t.args.empty()) {
                    ObjId id = NamedObject(r, SimObjMarkerType, doc.markerTypes, t.args[0].text.str());
                    src->objectOf.Set(&t, id);
                }
        } else if (s.token == "Tbls") {
            ReadTables(r, s);
        } else if (s.token == "Page") {
            ReadPage(r, s);
        }
    }
    ResolvePages(r);
    for (const MifNode& s : src->file.statements)
        if (s.token == "TextFlow") ReadFlow(r, s);
    ChooseMainFlow(r);
    src->objectOf.Seal();
    if (!doc.bodyPages.empty()) doc.currentPage = doc.bodyPages.front();
    src->twoSided = doc.twoSided;
    src->firstPageRight = doc.firstPageRight;
    SimInvalidateOrder(doc);
    return true;
}
