// From the host's objects back to a MIF document: the tree that was read
// with what the session changed (layout, page backgrounds, master pages,
// paragraph formats, marker types, paragraphs and their markers), or, for a
// document the host made, a whole minimal document.
#include "hostsim/mif/mif_document.h"
#include "hostsim/mif/mif_source.h"

#include <algorithm>

namespace {

const char* const NewVersion = "2015";

MifNode Named(const char* token, const std::string& text) { return MifStatement(token, MifStringAtom(text)); }
MifNode Keyword(const char* token, const char* keyword) { return MifStatement(token, MifKeywordAtom(keyword)); }

MifNode Rect(const char* token, int32_t id, double x, double y, double w, double h) {
    MifNode n = MifStatement(token);
    n.children.push_back(MifStatement("ID", MifNumberAtom(id)));
    MifNode r = MifStatement("BRect");
    for (double v : {x, y, w, h}) r.args.push_back(MifNumberAtom(v, "\""));
    n.children.push_back(std::move(r));
    return n;
}

std::string BackgroundText(const SimDoc& doc, const SimObject& page) {
    if (page.background == 1) return "None";
    if (page.background == 2) {
        const SimObject* m = SimLocal(doc, page.masterPage);
        return m ? m->name : "Default";
    }
    return "Default";
}

// A page the file did not hold: its type, name, number, background, frames.
MifNode NewPage(MifWriteContext& ctx, ObjId id) {
    const SimDoc& doc = ctx.doc;
    const SimObject& page = *SimLocal(doc, id);
    MifNode n = MifStatement("Page");
    if (page.kind == SimObjBodyPage) {
        n.children.push_back(Keyword("PageType", "BodyPage"));
        if (page.Extras().pageNumber) n.children.push_back(Named("PageNum", *page.Extras().pageNumber));
        n.children.push_back(Named("PageBackground", BackgroundText(doc, page)));
    } else {
        n.children.push_back(Keyword("PageType", id == doc.leftMaster    ? "LeftMasterPage"
                                                 : id == doc.rightMaster ? "RightMasterPage"
                                                                         : "OtherMasterPage"));
        n.children.push_back(Named("PageTag", page.name));
    }
    if (const SimObject* frame = SimLocal(doc, page.frame))
        for (ObjId g : frame->children) {
            bool text = SimLocal(doc, g)->kind == SimObjTextFrame;
            n.children.push_back(text ? Rect("TextRect", MifRectNumber(ctx, g), 1, 1, 6.5, 9)
                                      : Rect("Frame", MifNewId(ctx), 1, 1, 1, 1));
        }
    return n;
}

MifNode NewFormat(const SimObject& f) {
    MifNode pgf = MifStatement("Pgf");
    pgf.children.push_back(Named("PgfTag", f.name));
    pgf.children.push_back(MifStatement("PgfLIndent", MifMetricAtom(f.indent)));
    return pgf;
}

MifNode NewTable(MifWriteContext& ctx, ObjId t) {
    const SimDoc& doc = ctx.doc;
    MifNode tbl = MifStatement("Tbl");
    tbl.children.push_back(MifStatement("TblID", MifNumberAtom(MifTableNumber(ctx, t))));
    size_t columns = 0;
    for (ObjId r : SimLocal(doc, t)->children) columns = std::max(columns, SimLocal(doc, r)->children.size());
    tbl.children.push_back(MifStatement("TblNumColumns", MifNumberAtom((double)columns)));
    for (auto [token, type] : {std::pair{"TblH", (int32_t)SimRowHeading}, std::pair{"TblBody", (int32_t)SimRowBody},
                               std::pair{"TblF", (int32_t)SimRowFooting}}) {
        MifNode part = MifStatement(token);
        for (ObjId r : SimLocal(doc, t)->children) {
            const SimObject& row = *SimLocal(doc, r);
            bool here = type == SimRowFooting ? row.rowType != SimRowHeading && row.rowType != SimRowBody
                                              : row.rowType == type;
            if (!here) continue;
            MifNode rowNode = MifStatement("Row");
            for (ObjId c : row.children) {
                MifNode content = MifStatement("CellContent");
                for (ObjId p : SimLocal(doc, c)->children) content.children.push_back(MifWritePara(ctx, p, nullptr, nullptr));
                MifNode cell = MifStatement("Cell");
                cell.children.push_back(std::move(content));
                rowNode.children.push_back(std::move(cell));
            }
            part.children.push_back(std::move(rowNode));
        }
        if (!part.children.empty()) tbl.children.push_back(std::move(part));
    }
    return tbl;
}

MifNode NewFlow(MifWriteContext& ctx, ObjId flow) {
    MifNode n = MifStatement("TextFlow");
    n.children.push_back(Named("TFTag", SimLocal(ctx.doc, flow)->name));
    if (flow == ctx.doc.mainFlow) n.children.push_back(Keyword("TFAutoConnect", "Yes"));
    MifRectTrail trail;
    for (ObjId p : SimLocal(ctx.doc, flow)->children) n.children.push_back(MifWritePara(ctx, p, nullptr, &trail));
    return n;
}

bool NewMarkerType(const MifSource* src, const SimDoc& doc, ObjId t) {
    if (src && (src->impliedMarkerTypes.count(t) || src->objectOf.StatementOf(t))) return false;
    return !MifStandardMarkerType(SimLocal(doc, t)->name);
}

// A document the host made: everything it holds, in the order MIF expects.
void WriteNew(MifWriteContext& ctx, MifFile* out) {
    const SimDoc& doc = ctx.doc;
    out->kind = MifDocumentFile;
    out->version = NewVersion;
    out->utf8 = true;
    out->units = MifInch;
    out->statements.push_back(MifStatement("MIFFile", MifNumberAtom(2015)));
    out->statements.push_back(Keyword("Units", "Uin"));
    MifNode catalog = MifStatement("PgfCatalog");
    for (ObjId f : doc.formats) catalog.children.push_back(NewFormat(*SimLocal(doc, f)));
    out->statements.push_back(std::move(catalog));
    MifNode types = MifStatement("MarkerTypeCatalog");
    for (ObjId t : doc.markerTypes)
        if (NewMarkerType(nullptr, doc, t)) types.children.push_back(Named("MTypeName", SimLocal(doc, t)->name));
    if (!types.children.empty()) out->statements.push_back(std::move(types));
    MifNode layout = MifStatement("Document");
    MifNode size = MifStatement("DPageSize");
    size.args = {MifNumberAtom(8.5, "\""), MifNumberAtom(11, "\"")};
    layout.children.push_back(std::move(size));
    layout.children.push_back(Keyword("DTwoSides", doc.twoSided ? "Yes" : "No"));
    layout.children.push_back(Keyword("DParity", doc.firstPageRight ? "FirstRight" : "FirstLeft"));
    out->statements.push_back(std::move(layout));
    // Frames first, so that paragraphs can name them.
    for (const auto& [id, obj] : doc.objects)
        if (obj.kind == SimObjTextFrame) MifRectNumber(ctx, id);
    for (ObjId t : doc.tables) MifTableNumber(ctx, t);
    if (!doc.tables.empty()) {
        MifNode tbls = MifStatement("Tbls");
        for (ObjId t : doc.tables) tbls.children.push_back(NewTable(ctx, t));
        out->statements.push_back(std::move(tbls));
    }
    for (ObjId m : doc.masterPages) out->statements.push_back(NewPage(ctx, m));
    for (ObjId p : doc.bodyPages) out->statements.push_back(NewPage(ctx, p));
    for (ObjId f : doc.flows) out->statements.push_back(NewFlow(ctx, f));
}

// A statement as read without its nested statements, which its caller
// gives it anew.
MifNode Shell(const MifNode& read) {
    MifNode out;
    out.token = read.token;
    out.args = read.args;
    out.begin = read.begin;
    out.end = read.end;
    out.children.reserve(read.children.size());
    return out;
}

// The paragraph a <Para> of a flow or cell was read as, 0 for none; the
// paragraphs there now are mostly where they were read (at `k`). A
// paragraph's own statement is a <Para>: its token, which stands where the
// statement does in the file, is looked at only for the others.
ObjId ReadParaOf(const MifSource& src, const MifNode& c, const std::vector<ObjId>& paras, size_t k) {
    if (k < paras.size() && src.objectOf.StatementOf(paras[k]) == &c) return paras[k];
    return MifIs(c, "Para") ? src.objectOf.ObjectOf(&c) : 0;
}

// Whether a flow or cell holds the paragraphs it was read with, in their
// order, each as it was read: it is then written as read as a whole.
bool ParasAsRead(const MifWriteContext& ctx, const MifNode& read, const std::vector<ObjId>& paras) {
    size_t k = 0;
    for (const MifNode& c : read.children) {
        ObjId para = ReadParaOf(*ctx.src, c, paras, k);
        MifParaAsRead was;
        if (!para) continue;
        if (k == paras.size() || paras[k] != para || !MifParaRead(*ctx.src, para, &was) ||
            !MifParaAsItWasRead(ctx, para, was))
            return false;
        ++k;
    }
    return k == paras.size();
}

// A paragraph of a flow or cell written where it stands now: from the
// statement it was read from, wherever that stood, or as a new one.
MifNode WriteParaNow(MifWriteContext& ctx, ObjId para, MifRectTrail* trail) {
    MifParaAsRead was;
    return MifWritePara(ctx, para, MifParaRead(*ctx.src, para, &was) ? was.node : nullptr, trail);
}

// The statement holding the paragraphs of a flow or cell (`read`), with
// the paragraphs there now (`paras`) in their order: those read where they
// were, the others (new, or moved from elsewhere) among them; statements
// that are no paragraph keep their places. `trail`: in a flow.
MifNode WriteParas(MifWriteContext& ctx, const MifNode& read, const std::vector<ObjId>& paras,
                   MifRectTrail* trail) {
    if (ParasAsRead(ctx, read, paras)) return MifRefTo(read);
    MifNode out = Shell(read);
    size_t k = 0;
    for (const MifNode& c : read.children) {
        ObjId para = ReadParaOf(*ctx.src, c, paras, k);
        if (!para) {
            out.children.push_back(MifRefTo(c));
            continue;
        }
        auto pos = std::find(paras.begin() + (long)k, paras.end(), para);
        if (pos == paras.end()) continue; // no longer here, or written already where it stands now
        for (; paras.begin() + (long)k < pos; ++k) out.children.push_back(WriteParaNow(ctx, paras[k], trail));
        out.children.push_back(MifWritePara(ctx, para, &c, trail));
        ++k;
    }
    for (; k < paras.size(); ++k) out.children.push_back(WriteParaNow(ctx, paras[k], trail));
    return out;
}

// The paragraphs of table cells, wherever their statements stand among the
// table's; a statement in which nothing changed stands for the one read.
MifNode CopyTables(MifWriteContext& ctx, const MifNode& read) {
    MifNode out = Shell(read);
    bool same = true;
    for (const MifNode& c : read.children) {
        ObjId cell = MifIs(c, "CellContent") ? ctx.src->objectOf.ObjectOf(&c) : 0;
        if (const SimObject* now = SimLocal(ctx.doc, cell))
            out.children.push_back(WriteParas(ctx, c, now->children, nullptr));
        else
            out.children.push_back(CopyTables(ctx, c));
        same = same && MifStandsFor(out.children.back());
    }
    return same ? MifRefTo(read) : out;
}

MifNode PatchFlow(MifWriteContext& ctx, const MifNode& read, ObjId flow) {
    MifRectTrail trail;
    return WriteParas(ctx, read, SimLocal(ctx.doc, flow)->children, &trail);
}

// Whether the session changed what a page read from the file says of it.
bool PageChanged(const MifWriteContext& ctx, const MifNode& s) {
    ObjId id = ctx.src->objectOf.ObjectOf(&s);
    const SimObject* page = SimLocal(ctx.doc, id);
    if (!page) return false;
    const SimObject& was = ctx.src->asRead.at(id);
    if (page->kind != SimObjBodyPage) return page->name != was.name;
    return page->background != was.background || page->masterPage != was.masterPage ||
           (page->Extras().pageNumber != was.Extras().pageNumber && page->Extras().pageNumber);
}

// What the session added that the file had no statement for, and where the
// statements to hold it stand in what is written.
struct Additions {
    std::vector<ObjId> formats, types, masters;
    bool formatsDone = false, typesDone = false; // a catalog of the file took them
    size_t afterHead = 0, lastMaster = 0;       // places in the statements written
};

Additions FindAdditions(const MifWriteContext& ctx) {
    const SimDoc& doc = ctx.doc;
    const MifSource& src = *ctx.src;
    auto sourced = [&](ObjId id) { return src.asRead.count(id) > 0; };
    Additions a;
    for (ObjId f : doc.formats)
        if (!sourced(f)) a.formats.push_back(f);
    for (ObjId t : doc.markerTypes)
        if (NewMarkerType(&src, doc, t)) a.types.push_back(t);
    for (ObjId m : doc.masterPages)
        if (!sourced(m)) a.masters.push_back(m);
    a.formatsDone = a.formats.empty();
    a.typesDone = a.types.empty();
    return a;
}

MifNode PatchDocumentStatement(const MifWriteContext& ctx, const MifNode& s) {
    const SimDoc& doc = ctx.doc;
    const MifSource& src = *ctx.src;
    if (doc.twoSided == src.twoSided && doc.firstPageRight == src.firstPageRight) return MifRefTo(s);
    MifNode n = s;
    if (doc.twoSided != src.twoSided) MifSetChildArg(n, "DTwoSides", MifKeywordAtom(doc.twoSided ? "Yes" : "No"));
    if (doc.firstPageRight != src.firstPageRight)
        MifSetChildArg(n, "DParity", MifKeywordAtom(doc.firstPageRight ? "FirstRight" : "FirstLeft"));
    return n;
}

// A paragraph format of the catalog as it is now and as it was read; null
// for a statement that is no format the host keeps.
std::pair<const SimObject*, const SimObject*> FormatOf(const MifWriteContext& ctx, const MifNode& pgf) {
    ObjId id = ctx.src->objectOf.ObjectOf(&pgf);
    const SimObject* f = SimLocal(ctx.doc, id);
    return f ? std::make_pair(f, &ctx.src->asRead.at(id)) : std::make_pair(f, f);
}

bool FormatsChanged(const MifWriteContext& ctx, const MifNode& s) {
    return std::any_of(s.children.begin(), s.children.end(), [&](const MifNode& pgf) {
        auto [f, was] = FormatOf(ctx, pgf);
        return f && (f->name != was->name || f->indent != was->indent);
    });
}

// Changed paragraph formats are patched in place.
void PatchFormats(const MifWriteContext& ctx, const MifNode& s, MifNode& n) {
    for (size_t i = 0; i < s.children.size(); ++i) {
        auto [f, was] = FormatOf(ctx, s.children[i]);
        if (!f) continue;
        if (f->name != was->name) MifSetChildArg(n.children[i], "PgfTag", MifStringAtom(f->name));
        if (f->indent != was->indent) MifSetChildArg(n.children[i], "PgfLIndent", MifMetricAtom(f->indent));
    }
}

// A changed page is patched in place.
void PatchPage(const MifWriteContext& ctx, ObjId id, MifNode& n) {
    const SimDoc& doc = ctx.doc;
    const SimObject& page = *SimLocal(doc, id);
    const SimObject& was = ctx.src->asRead.at(id);
    if (page.kind != SimObjBodyPage) {
        if (page.name != was.name) MifSetChildArg(n, "PageTag", MifStringAtom(page.name));
        return;
    }
    if (page.background != was.background || page.masterPage != was.masterPage)
        MifSetChildArg(n, "PageBackground", MifStringAtom(BackgroundText(doc, page)));
    if (page.Extras().pageNumber != was.Extras().pageNumber && page.Extras().pageNumber)
        MifSetChildArg(n, "PageNum", MifStringAtom(*page.Extras().pageNumber));
}

// One top-level statement as written back: what the session did not change
// stands for the statement read.
MifNode PatchStatement(MifWriteContext& ctx, const MifNode& s, Additions& a) {
    const SimDoc& doc = ctx.doc;
    const MifSource& src = *ctx.src;
    MifNode n;
    if (s.token == "Document") {
        n = PatchDocumentStatement(ctx, s);
    } else if (s.token == "PgfCatalog" && a.formatsDone && !FormatsChanged(ctx, s)) {
        n = MifRefTo(s);
    } else if (s.token == "PgfCatalog") {
        n = s;
        if (!a.formatsDone)
            for (ObjId f : a.formats) n.children.push_back(NewFormat(*SimLocal(doc, f)));
        a.formatsDone = true;
        PatchFormats(ctx, s, n);
    } else if (s.token == "MarkerTypeCatalog" && !a.typesDone) {
        n = s;
        for (ObjId t : a.types) n.children.push_back(Named("MTypeName", SimLocal(doc, t)->name));
        a.typesDone = true;
    } else if (s.token == "Tbls") {
        n = CopyTables(ctx, s);
    } else if (s.token == "TextFlow" && src.objectOf.ObjectOf(&s)) {
        n = PatchFlow(ctx, s, src.objectOf.ObjectOf(&s));
    } else if (s.token == "Page" && PageChanged(ctx, s)) {
        n = s;
        PatchPage(ctx, src.objectOf.ObjectOf(&s), n);
    } else {
        n = MifRefTo(s);
    }
    return n;
}

// What the file had no place for yet goes where MIF expects it.
void AddWhatHadNoPlace(MifWriteContext& ctx, const Additions& a, MifFile* out) {
    const SimDoc& doc = ctx.doc;
    MifNodes head;
    if (!a.formatsDone) {
        MifNode catalog = MifStatement("PgfCatalog");
        for (ObjId f : a.formats) catalog.children.push_back(NewFormat(*SimLocal(doc, f)));
        head.push_back(std::move(catalog));
    }
    if (!a.typesDone) {
        MifNode types = MifStatement("MarkerTypeCatalog");
        for (ObjId t : a.types) types.children.push_back(Named("MTypeName", SimLocal(doc, t)->name));
        head.push_back(std::move(types));
    }
    MifNodes masters;
    for (ObjId m : a.masters) masters.push_back(NewPage(ctx, m));
    size_t lastMaster = a.lastMaster ? a.lastMaster : a.afterHead;
    out->statements.insert(out->statements.begin() + (long)lastMaster, masters.begin(), masters.end());
    out->statements.insert(out->statements.begin() + (long)a.afterHead, head.begin(), head.end());
    for (ObjId f : doc.flows)
        if (!ctx.src->objectOf.StatementOf(f)) out->statements.push_back(NewFlow(ctx, f));
}

bool IsMasterPage(const MifWriteContext& ctx, const MifNode& s) {
    const SimObject* page = s.token == "Page" ? SimLocal(ctx.doc, ctx.src->objectOf.ObjectOf(&s)) : nullptr;
    return page && page->kind == SimObjMasterPage;
}

void WritePatched(MifWriteContext& ctx, MifFile* out) {
    const MifSource& src = *ctx.src;
    out->kind = src.file.kind;
    out->version = src.file.version;
    out->utf8 = src.file.utf8;
    out->units = src.file.units;
    out->source = src.file.source;
    out->trailer = src.file.trailer;

    Additions a = FindAdditions(ctx);
    for (const MifNode& s : src.file.statements) {
        out->statements.push_back(PatchStatement(ctx, s, a));
        // New master pages go after the file's last one.
        if (IsMasterPage(ctx, s)) a.lastMaster = out->statements.size();
        if (s.token == "MIFFile" || s.token == "Units") a.afterHead = out->statements.size();
    }
    AddWhatHadNoPlace(ctx, a, out);
}

} // namespace

bool MifPatchDocument(const SimDoc& doc, MifFile* out, std::string* error) {
    (void)error;
    *out = MifFile{};
    MifWriteContext ctx{doc, MifSourceOf(doc), {}, {}, 0};
    if (ctx.src && ctx.src->file.kind == MifDocumentFile)
        WritePatched(ctx, out);
    else
        WriteNew(ctx, out);
    return true;
}

bool MifWriteDocument(const SimDoc& doc, MifFile* out, std::string* error) {
    if (!MifPatchDocument(doc, out, error)) return false;
    for (MifNode& n : out->statements) MifResolve(n);
    return true;
}
