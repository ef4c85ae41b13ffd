// `vellor-host remove-marker DOC (--page N | --position N) --category TEXT`:
// the user selects a MasterPage marker of that text on the page and deletes
// it. The plug-in has no command for this; it is FrameMaker's user editing
// the document, so the program edits the host's document model and saves.
#include "apps/vellor_host/host_marker_page.h"

#include "hostsim/sim_text.h"

namespace {

// The texts of the MasterPage markers on a page, for a message: "" for none.
std::string TextsOnPage(const SimDoc& doc, ObjId page) {
    std::string texts;
    for (ObjId m : MasterPageMarkersOn(doc, page, nullptr))
        texts += (texts.empty() ? "" : ", ") + ("\"" + SimLocal(doc, m)->text + "\"");
    return texts;
}

} // namespace

int RemoveMarkerCommand(HostRun& run, const std::vector<std::string>& names) {
    const std::string& name = names.front();
    SimDoc* doc = OpenAsUser(run, name);
    if (!doc) return HostExitUsage;
    std::string title = DocTitle(name);
    ObjId page = MarkerCommandPage(run, *doc, title);
    if (!page) return HostExitUsage;
    std::string where = "page " + SimPageNumberText(*doc, page) + " of " + title;
    std::vector<ObjId> markers = MasterPageMarkersOn(*doc, page, &run.o.category);
    if (markers.empty()) {
        std::string others = TextsOnPage(*doc, page);
        ReportError(run.r, where + " has no MasterPage marker \"" + run.o.category + "\"" +
                               (others.empty() ? "" : " (its MasterPage markers: " + others + ")") +
                               "; nothing was removed");
        return HostExitUsage;
    }
    // The user selects the marker, the one position its anchor takes, and
    // deletes it; the insertion point stays where it stood.
    const SimObject* marker = SimLocal(*doc, markers.front());
    TextLoc at{marker->anchorParagraph, marker->anchorOffset};
    doc->selection = TextRange{at, TextLoc{at.objId, at.offset + 1}};
    doc->currentPage = page;
    SimDeleteMarker(*doc, markers.front());
    doc->selection = TextRange{at, at};
    ReportNote(run.r, "removed the MasterPage marker \"" + run.o.category + "\" from " + where +
                          (markers.size() > 1 ? "; " + std::to_string(markers.size() - 1) + " more of that text remain" : ""));
    SaveMarkerChange(run, doc, name);
    return HostExitDone;
}
