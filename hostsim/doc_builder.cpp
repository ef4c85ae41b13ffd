// Builders of scenario documents and books (see doc_builder.h): each call
// adds objects to the document being built with the same structure the host
// gives documents it opens.
#include "hostsim/doc_builder.h"

namespace {

ObjId AddNamed(SimDoc& doc, SimObjKind kind, std::vector<ObjId>& list, const char* name) {
    if (ObjId id = SimNamed(doc, kind, name)) return id;
    ObjId id = SimNewObject(doc, kind);
    doc.objects[id].name = name;
    list.push_back(id);
    return id;
}

void EnsureDefaultMasters(SimDoc& doc) {
    if (!doc.leftMaster) doc.leftMaster = AddNamed(doc, SimObjMasterPage, doc.masterPages, "Left");
    if (!doc.rightMaster) doc.rightMaster = AddNamed(doc, SimObjMasterPage, doc.masterPages, "Right");
}

ObjId AddParagraph(SimDoc& doc, ObjId holder, std::vector<ObjId>& list, const std::string& tag,
                   const std::string& text) {
    ObjId id = SimNewObject(doc, SimObjParagraph);
    SimObject& p = doc.objects[id];
    p.name = tag;
    p.text = text;
    p.parent = holder;
    if (ObjId f = SimNamed(doc, SimObjParagraphFormat, tag)) {
        p.indent = doc.objects[f].indent;
        if (!doc.objects[f].Extras().props.empty()) p.EditExtras().props = doc.objects[f].Extras().props;
    }
    list.push_back(id);
    return id;
}

} // namespace

DocBuilder::DocBuilder(const char* name) {
    doc.name = name ? name : "";
    doc.mainFlow = SimNewObject(doc, SimObjFlow);
    doc.objects[doc.mainFlow].name = "A";
    doc.flows.push_back(doc.mainFlow);
}

DocBuilder& DocBuilder::oneSided() {
    doc.twoSided = false;
    return *this;
}

DocBuilder& DocBuilder::firstPageLeft() {
    doc.firstPageRight = false;
    return *this;
}

DocBuilder& DocBuilder::masterPages(std::initializer_list<const char*> names) {
    int n = 0;
    for (const char* name : names) {
        ObjId id = AddNamed(doc, SimObjMasterPage, doc.masterPages, name);
        if (n == 0) doc.leftMaster = id;
        if (n == 1) doc.rightMaster = id;
        ++n;
    }
    EnsureDefaultMasters(doc);
    return *this;
}

DocBuilder& DocBuilder::formats(std::initializer_list<const char*> names) {
    for (const char* name : names) AddNamed(doc, SimObjParagraphFormat, doc.formats, name);
    return *this;
}

DocBuilder& DocBuilder::format(const char* name, Metric indent, std::vector<SimExtraProp> props) {
    ObjId id = AddNamed(doc, SimObjParagraphFormat, doc.formats, name);
    doc.objects[id].indent = indent;
    if (!props.empty()) doc.objects[id].EditExtras().props = std::move(props);
    return *this;
}

DocBuilder& DocBuilder::markerType(const char* name) {
    AddNamed(doc, SimObjMarkerType, doc.markerTypes, name);
    return *this;
}

DocBuilder& DocBuilder::bare() {
    EnsureDefaultMasters(doc);
    page_ = SimNewObject(doc, SimObjBodyPage);
    ObjId frame = SimNewObject(doc, SimObjPageFrame);
    doc.objects[page_].frame = frame;
    doc.objects[frame].parent = page_;
    doc.bodyPages.push_back(page_);
    if (!doc.currentPage) doc.currentPage = page_;
    textFrame_ = 0;
    return *this;
}

DocBuilder& DocBuilder::templateFrame(const char* master, int32_t lines, int32_t width) {
    ObjId m = AddNamed(doc, SimObjMasterPage, doc.masterPages, master);
    doc.objects[m].lines = lines;
    doc.objects[m].width = width;
    return *this;
}

DocBuilder& DocBuilder::page() {
    bare();
    textFrame_ = SimNewObject(doc, SimObjTextFrame);
    SimObject& tf = doc.objects[textFrame_];
    tf.parent = doc.objects[page_].frame;
    tf.flow = doc.mainFlow;
    const SimObject& master = doc.objects[SimPageMaster(doc, page_)];
    tf.lines = master.lines;
    tf.width = master.width;
    doc.objects[tf.parent].children.push_back(textFrame_);
    return *this;
}

DocBuilder& DocBuilder::frameOfFlow(const char* flowName) {
    if (!page_) bare();
    ObjId flow = 0;
    for (ObjId f : doc.flows)
        if (doc.objects[f].name == flowName) flow = f;
    if (!flow) {
        flow = SimNewObject(doc, SimObjFlow);
        doc.objects[flow].name = flowName;
        doc.flows.push_back(flow);
    }
    textFrame_ = SimNewObject(doc, SimObjTextFrame);
    SimObject& tf = doc.objects[textFrame_];
    tf.parent = doc.objects[page_].frame;
    tf.flow = flow;
    if (flow == doc.mainFlow) {
        const SimObject& master = doc.objects[SimPageMaster(doc, page_)];
        tf.lines = master.lines;
        tf.width = master.width;
    }
    doc.objects[tf.parent].children.push_back(textFrame_);
    return *this;
}

DocBuilder& DocBuilder::graphic() {
    if (!page_) bare();
    ObjId g = SimNewObject(doc, SimObjGraphic);
    doc.objects[g].parent = doc.objects[page_].frame;
    doc.objects[doc.objects[page_].frame].children.push_back(g);
    return *this;
}

DocBuilder& DocBuilder::pageNumber(const char* text) {
    if (!page_) page();
    doc.objects[page_].EditExtras().pageNumber = text ? text : "";
    return *this;
}

DocBuilder& DocBuilder::master(const char* name) {
    if (!page_) page();
    ObjId m = AddNamed(doc, SimObjMasterPage, doc.masterPages, name);
    SimApplyMasterPage(doc, page_, m);
    return *this;
}

DocBuilder& DocBuilder::noMaster() {
    if (!page_) page();
    doc.objects[page_].background = HostBackgroundNone;
    doc.objects[page_].masterPage = 0;
    return *this;
}

DocBuilder& DocBuilder::para(const char* tag, const char* text) {
    if (!textFrame_) page();
    para_ = AddParagraph(doc, textFrame_, doc.objects[doc.objects[textFrame_].flow].children,
                         tag ? tag : "", text ? text : "");
    return *this;
}

DocBuilder& DocBuilder::marker(const char* type, const char* text) {
    if (!para_) para("Body");
    ObjId t = AddNamed(doc, SimObjMarkerType, doc.markerTypes, type);
    ObjId m = SimAnchorMarker(doc, TextLoc{para_, TextOffsetEnd});
    doc.objects[m].markerType = t;
    doc.objects[m].text = text ? text : "";
    return *this;
}

DocBuilder& DocBuilder::cellMarker(const char* type, const char* text) {
    ObjId anchor = para_;
    para_ = doc.objects[doc.objects[doc.objects[doc.tables.back()].children.back()].children.back()]
                .children.back();
    marker(type, text);
    para_ = anchor;
    return *this;
}

DocBuilder& DocBuilder::caret(int32_t offset) {
    if (!para_) para("Body");
    doc.selection = TextRange{{para_, offset}, {para_, offset}};
    return *this;
}

DocBuilder& DocBuilder::table(std::vector<std::vector<std::string>> rows, int headingRows) {
    ObjId anchor = 0;
    if (textFrame_) {
        para("Body");
        anchor = para_;
    }
    ObjId t = SimNewObject(doc, SimObjTable);
    doc.objects[t].anchorParagraph = anchor;
    doc.tables.push_back(t);
    SimInvalidateOrder(doc);
    int index = 0;
    for (const auto& cells : rows) {
        ObjId r = SimNewObject(doc, SimObjRow);
        doc.objects[r].parent = t;
        doc.objects[r].rowType = index++ < headingRows ? SimRowHeading : SimRowBody;
        doc.objects[t].children.push_back(r);
        for (const std::string& text : cells) {
            ObjId c = SimNewObject(doc, SimObjCell);
            doc.objects[c].parent = r;
            doc.objects[r].children.push_back(c);
            size_t start = 0;
            for (;;) {
                size_t end = text.find('\n', start);
                std::string piece = text.substr(start, end == std::string::npos ? end : end - start);
                AddParagraph(doc, c, doc.objects[c].children, "CellBody", piece);
                if (end == std::string::npos) break;
                start = end + 1;
            }
        }
    }
    SimInvalidateOrder(doc);
    return *this;
}

BookBuilder::BookBuilder(const char* name) {
    book.isBook = true;
    book.name = name ? name : "";
}

BookBuilder& BookBuilder::component(int32_t type, const char* name, bool open) {
    ObjId c = SimNewObject(book, SimObjComponent);
    SimObject& comp = book.objects[c];
    comp.componentType = type;
    comp.name = name ? name : "";
    comp.parent = open_.empty() ? 0 : open_.back();
    if (comp.parent)
        book.objects[comp.parent].children.push_back(c);
    else
        book.components.push_back(c);
    if (open) open_.push_back(c);
    return *this;
}

BookBuilder& BookBuilder::doc(const char* fileName) {
    return component(SimComponentDocument, fileName);
}

BookBuilder& BookBuilder::folder(const char* name) { return component(SimComponentFolder, name, true); }

BookBuilder& BookBuilder::group(const char* name) { return component(SimComponentGroup, name, true); }

BookBuilder& BookBuilder::end() {
    if (!open_.empty()) open_.pop_back();
    return *this;
}
