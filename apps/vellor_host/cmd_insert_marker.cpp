// `vellor-host insert-marker DOC (--page N | --position N) --category TEXT`:
// the user clicks at the start of the page's first paragraph and picks
// Insert MasterPage Marker; the plug-in asks for the marker's text, which
// the program answers. A marker of that text already on the page is not
// inserted again: the document is left as it is.
#include "apps/vellor_host/host_marker_page.h"

#include "hostsim/sim_control.h"
#include "hostsim/sim_text.h"

namespace {

// 1 when the marker is in or was there already, 0 with the error reported.
int InsertMarker(HostRun& run, const std::string& name) {
    SimDoc* doc = OpenAsUser(run, name);
    if (!doc) return 0;
    std::string title = DocTitle(name);
    ObjId page = MarkerCommandPage(run, *doc, title);
    if (!page) return 0;
    std::string where = "page " + SimPageNumberText(*doc, page) + " of " + title;
    if (!MasterPageMarkersOn(*doc, page, &run.o.category).empty()) {
        ReportNote(run.r, where + " already has a MasterPage marker \"" + run.o.category + "\"; nothing was inserted");
        Close(run, doc);
        return 1;
    }
    std::vector<ObjId> paragraphs = SimPageParagraphs(*doc, page);
    if (paragraphs.empty()) {
        ReportError(run.r, where + " holds no text to anchor a marker in");
        return 0;
    }
    // The user clicks at the start of the page's first paragraph.
    doc->selection = TextRange{{paragraphs.front(), 0}, {paragraphs.front(), 0}};
    doc->currentPage = page;
    std::set<ObjId> markers(doc->markers.begin(), doc->markers.end());
    SimScriptPrompt(SimServerControl(run.server), run.o.category.c_str(), true);
    Send(run, "SetDocId " + std::to_string(doc->id));
    Send(run, "InsertMPMarker");
    // The text as the document now holds it, not as it was typed.
    for (ObjId m : doc->markers) {
        const SimObject* marker = SimLocal(*doc, m);
        if (markers.count(m) || !marker) continue;
        ReportNote(run.r, "inserted a MasterPage marker \"" + marker->text + "\" on " + where);
    }
    SaveMarkerChange(run, doc, name);
    return 1;
}

} // namespace

int InsertMarkerCommand(HostRun& run, const std::vector<std::string>& names) {
    return InsertMarker(run, names.front()) ? HostExitDone : HostExitUsage;
}
