// `vellor-host insert-marker DOC --page N --category TEXT`: the user clicks
// at the start of the page's first paragraph and picks Insert Master Page
// Marker; the plug-in asks for the marker's text, which the program answers.
#include "apps/vellor_host/host_run.h"

#include "hostsim/sim_control.h"
#include "hostsim/sim_text.h"

#include <cstdio>
#include <cstdlib>

namespace {

ObjId FindPage(const SimDoc& doc, const std::string& want) {
    for (ObjId page : doc.bodyPages)
        if (SimPageNumberText(doc, page) == want) return page;
    char* end = nullptr;
    long n = std::strtol(want.c_str(), &end, 10);
    if (end && *end == '\0' && n >= 1 && static_cast<size_t>(n) <= doc.bodyPages.size())
        return doc.bodyPages[static_cast<size_t>(n) - 1];
    return 0;
}

// 1 when the marker is in, 0 with the error reported.
int InsertMarker(HostRun& run, const std::string& name) {
    SimDoc* doc = OpenAsUser(run, name);
    if (!doc) return 0;
    ObjId page = FindPage(*doc, run.o.page);
    std::string title = DocTitle(name);
    if (!page) {
        ReportError(run.r, title + " has no page " + run.o.page);
        return 0;
    }
    std::vector<ObjId> paragraphs = SimPageParagraphs(*doc, page);
    if (paragraphs.empty()) {
        ReportError(run.r, "page " + run.o.page + " of " + title + " holds no text to anchor a marker in");
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
        ReportNote(run.r, "inserted a MasterPage marker \"" + marker->text + "\" on page " +
                              SimPageNumberText(*doc, page) + " of " + title);
    }
    SaveAsUser(run, doc);
    if (!run.tap.savedOrder.empty() && run.r.verbosity != HostQuiet)
        std::printf("%s %s\n", run.o.dryRun ? "Would save" : "Saved", LocalName(name).c_str());
    Close(run, doc);
    return 1;
}

} // namespace

int InsertMarkerCommand(HostRun& run, const std::vector<std::string>& names) {
    return InsertMarker(run, names.front()) ? HostExitDone : HostExitUsage;
}
