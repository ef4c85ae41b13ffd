// The master page listing report: opening or making the report document,
// copying paragraph formats onto paragraphs, writing one document's section,
// command 4, and the preparation of command 5's report.
#include "tools/report.h"

#include "host/call_layer.h"
#include "host/prop_vals.h"
#include "support/base/memory.h"
#include "support/base/strings.h"
#include "support/io/path.h"
#include "tools/mapping_document.h"

const char ReportFileName[] = "TarnOutput.fm";
const char ReportBookFormat[] = "Heading1";
const char ReportDocumentFormat[] = "Heading2";
const char ReportPageFormat[] = "Indented";

namespace {

// The page of a new report: US letter, one column, an inch all round.
constexpr Metric ReportPageWidth = 576 * MetricOnePoint;  // 0x2400000
constexpr Metric ReportPageHeight = 792 * MetricOnePoint; // 0x3180000
constexpr Metric ReportMargin = 72 * MetricOnePoint;      // 0x480000
constexpr int32_t ReportColumns = 1;
constexpr int32_t ReportSidedness = 0; // one-sided
constexpr int32_t ReportVisible = 1;

// Text written for a listed page after its number.
const char PageGap[] = "   ";
const char NoMasterPage[] = "   None";

// A body page is listed when it has no master page or a named one; one with
// its side's default (HostBackgroundDefault) is not.

// Inserts text at *at and moves *at to just after it; later text follows.
void AddText(ObjId report, TextLoc* at, const char* text) {
    *at = HostAddText(report, at, text ? text : "");
}

// The first or last paragraph of the report's main flow: the first paragraph
// of its first text frame, or the last paragraph of its last one.
ObjId MainFlowParagraph(ObjId report, bool last) {
    ObjId flow = HostGetIdProp(0, report, PropMainFlow);
    ObjId frame = HostGetIdProp(report, flow, last ? PropLastTextFrame : PropFirstTextFrame);
    return HostGetIdProp(report, frame, last ? PropLastParagraph : PropFirstParagraph);
}

// Puts the report's insertion point at offset 0 of `paragraph`.
TextLoc PlaceInsertionPoint(ObjId report, ObjId paragraph) {
    TextLoc at{paragraph, 0};
    TextRange selection{at, at};
    HostSetTextRangeProp(0, report, PropTextSelection, &selection);
    return at;
}

// A paragraph format of the report, created with the host's defaults when
// the report lacks it. The format's id, 0 when it existed already.
ObjId CreateFormatWhenMissing(ObjId report, const char* name) {
    if (HostGetNamedObject(report, ObjParagraphFormat, name)) return 0;
    return HostNewNamedObject(report, ObjParagraphFormat, name);
}

} // namespace

char* FileLastName(const char* fileName) {
    PathObject* path = PathFromString(fileName, nullptr, PathStyleNative);
    if (!path) return nullptr;
    char* name = PathBaseName(path);
    PathFree(path);
    return name;
}

ObjId OpenReportDocument() {
    char* name = HostGetStringProp(0, 0, PropHostDirectory);
    ObjId report = 0;
    if (AppendToString(&name, "\\") == 0 && AppendToString(&name, ReportFileName) == 0)
        report = HostSimpleOpen(name, 0);
    MemFree(name);
    if (!report)
        report = HostNewCustomDoc(ReportPageWidth, ReportPageHeight, ReportColumns, ReportMargin,
                                  ReportMargin, ReportMargin, ReportMargin, ReportMargin,
                                  ReportSidedness, ReportVisible);
    return report;
}

void ApplyFormatToParagraph(ObjId document, ObjId paragraph, const char* format) {
    ObjId source = HostGetNamedObject(document, ObjParagraphFormat, format);
    if (!source) return;
    PropVals props = HostGetProps(document, source);
    HostSetProps(document, paragraph, &props);
    PropValsFree(&props);
}

void ListMasterPagesOfDoc(ObjId document, ObjId report) {
    TextLoc at = PlaceInsertionPoint(report, MainFlowParagraph(report, true));

    // A name of one byte or none gives an empty title paragraph.
    char* name = HostGetStringProp(document, document, PropName);
    char* title = StrLen(name) > 1 ? FileLastName(name) : nullptr;
    AddText(report, &at, title);
    ApplyFormatToParagraph(report, at.objId, ReportDocumentFormat);
    AddText(report, &at, "\n");
    MemFree(title);
    MemFree(name);

    for (ObjId page = HostGetIdProp(0, document, PropFirstBodyPage); page;
         page = HostGetIdProp(document, page, PropNextBodyPage)) {
        int32_t background = HostGetIntProp(document, page, PropPageBackground);
        if (background != HostBackgroundNone && background != HostBackgroundNamed) continue;
        char* number = HostGetStringProp(document, page, PropPageNumberText);
        AddText(report, &at, number);
        MemFree(number);
        if (background == HostBackgroundNone) {
            AddText(report, &at, NoMasterPage);
        } else {
            AddText(report, &at, PageGap);
            char* master = HostGetStringProp(document, page, PropMasterPageName);
            AddText(report, &at, master);
            MemFree(master);
        }
        ApplyFormatToParagraph(report, at.objId, ReportPageFormat);
        AddText(report, &at, "\n");
    }
}

void ReportMasterPagesOfDoc(ObjId document) { ListMasterPagesOfDoc(document, OpenReportDocument()); }

ObjId PrepareBookReport(ObjId book) {
    ObjId report = OpenReportDocument();
    CreateFormatWhenMissing(report, ReportDocumentFormat);
    if (ObjId indented = CreateFormatWhenMissing(report, ReportPageFormat))
        HostSetMetricProp(report, indented, PropIndent, ReportPageIndent);

    // The book's heading goes to the very beginning of the report.
    ObjId first = MainFlowParagraph(report, false);
    TextLoc at = PlaceInsertionPoint(report, first);
    char* name = HostGetStringProp(book, book, PropName);
    char* title = FileLastName(name);
    AddText(report, &at, title);
    ApplyFormatToParagraph(report, first, ReportBookFormat);
    AddText(report, &at, "\n");
    MemFree(title);
    MemFree(name);
    return report;
}
