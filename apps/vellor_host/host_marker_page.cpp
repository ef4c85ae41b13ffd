// The page of a marker command, the MasterPage markers on a page, and the
// save after a marker went in or out.
#include "apps/vellor_host/host_marker_page.h"

#include "hostsim/sim_text.h"
#include "tools/mapping_rules.h"

#include <cstdio>
#include <cstdlib>

namespace {

// A whole number 1 or more, 0 for anything else.
size_t PositionOf(const std::string& text) {
    char* end = nullptr;
    long n = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && end && *end == '\0' && n >= 1 ? static_cast<size_t>(n) : 0;
}

} // namespace

ObjId MarkerCommandPage(HostRun& run, const SimDoc& doc, const std::string& title) {
    SimSettleLayout(doc); // the pages as the document shows them
    const std::vector<ObjId>& pages = doc.bodyPages;
    std::string count = std::to_string(pages.size()) + (pages.size() == 1 ? " body page" : " body pages");
    if (!run.o.position.empty()) {
        size_t n = PositionOf(run.o.position);
        if (n >= 1 && n <= pages.size()) return pages[n - 1];
        ReportError(run.r, title + " has " + count + "; --position " + run.o.position + " is none of them");
        return 0;
    }
    for (ObjId page : pages)
        if (SimPageNumberText(doc, page) == run.o.page) return page;
    if (pages.empty()) {
        ReportError(run.r, title + " has no body pages");
        return 0;
    }
    ReportError(run.r, title + " has no page numbered " + run.o.page + " (its " + count + " are numbered " +
                           SimPageNumberText(doc, pages.front()) + " to " + SimPageNumberText(doc, pages.back()) +
                           "; --position N names a page by its place)");
    return 0;
}

std::vector<ObjId> MasterPageMarkersOn(const SimDoc& doc, ObjId page, const std::string* text) {
    std::vector<ObjId> found;
    ObjId type = SimNamed(doc, SimObjMarkerType, MappingMarkerTypeName);
    if (!type) return found;
    for (ObjId m : SimMarkerChain(doc)) {
        const SimObject* marker = SimLocal(doc, m);
        if (!marker || marker->markerType != type || (text && marker->text != *text)) continue;
        if (SimParagraphPage(doc, marker->anchorParagraph) == page) found.push_back(m);
    }
    return found;
}

void SaveMarkerChange(HostRun& run, SimDoc* doc, const std::string& name) {
    SaveAsUser(run, doc);
    if (!run.tap.savedOrder.empty() && run.r.verbosity != HostQuiet)
        std::printf("%s %s\n", run.o.dryRun ? "Would save" : "Saved", LocalName(name).c_str());
    Close(run, doc);
}
