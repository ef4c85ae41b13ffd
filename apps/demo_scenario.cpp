// A scripted session on the simulated FrameMaker: the tools define their
// menus, the user opens a small chapter and chooses "Apply Master Pages", and
// the program prints each body page's master page before and after, with the
// rule that was meant to decide it.
#include "host/call_layer.h"
#include "host/host_interfaces.h"
#include "hostsim/sim_server.h"
#include "support/io/library_startup.h"
#include "tools/tool_entry.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

struct PagePlan {
    const char* why; // what the mapping document is meant to do with the page
};

void PrintPages(const SimDoc& doc, const std::vector<PagePlan>& plan, const char* heading) {
    std::printf("%s\n", heading);
    for (size_t i = 0; i < doc.bodyPages.size(); ++i) {
        ObjId page = doc.bodyPages[i];
        std::string master = SimPageMasterName(doc, page);
        std::printf("  page %-3s %-5s  %-14s  %s\n", SimPageNumberText(doc, page).c_str(),
                    SimPageIsRight(doc, page) ? "right" : "left",
                    master.empty() ? "(none)" : master.c_str(), i < plan.size() ? plan[i].why : "");
    }
}

ObjId CommandByTag(const SimSession& session, const char* tag) {
    for (const auto& [id, item] : session.menus)
        if (item.kind == SimMenuCommand && item.name == tag) return item.command;
    return 0;
}

} // namespace

int main() {
    SimServer* server = SimServerCreate();
    if (HostAcquireInterfaces(SimServerUnknown(server)) != 1) {
        std::fprintf(stderr, "the simulated host gave no main interface\n");
        return 1;
    }
    SimSession& session = SimServerSession(server);

    // The rules, kept as "MasterPage.fm" in the host directory.
    DocBuilder mapping((session.hostDirectory + "\\MasterPage.fm").c_str());
    mapping.table({{"Paragraph Tag", "Left pages", "Right pages"},
                   {"ChapterTitle", "ChapterLeft", "ChapterRight"},
                   {"IndexTitle", "As Is", "None"}});
    mapping.table({{"Master Page", "Left pages", "Right pages"}, {"OldStyle", "Left", "Right"}});
    mapping.table({{"Marker Category", "Left pages", "Right pages"}, {"Appendix", "AppLeft", "AppRight"}});
    mapping.table({{"Page Type", "Left pages", "Right pages"}, {"Empty", "Blank", "Blank"}});
    SimStorePut(server, mapping);

    // A small chapter, two-sided, starting on a right-hand page.
    DocBuilder chapter("Z:\\demo\\chapter1.fm");
    chapter.masterPages({"Left", "Right", "ChapterLeft", "ChapterRight", "AppLeft", "AppRight", "Blank",
                         "OldStyle", "Custom"})
        .formats({"Body", "ChapterTitle", "IndexTitle"});
    chapter.page().master("Custom").para("ChapterTitle", "Getting Started").para("Body", "Welcome.");
    chapter.page().master("Custom").para("Body", "Plain text.");
    chapter.page().master("OldStyle").para("Body", "A page on a retired layout.");
    chapter.page().para("Body", "See the appendix.").marker("MasterPage", "Appendix");
    chapter.page().master("Custom").para("IndexTitle", "Index");
    chapter.page();
    std::vector<PagePlan> plan = {
        {"ChapterTitle paragraph"}, {"no rule: back to the default"},        {"\"Master Page\" row OldStyle"},
        {"MasterPage marker Appendix"}, {"IndexTitle: None on a right page"}, {"empty page"},
    };

    InitializeTools(1);
    ObjId id = SimOpenBuilt(server, chapter, true);
    SimDoc* doc = SimDocById(server, id);
    PrintPages(*doc, plan, "Before \"Apply Master Pages\":");

    RunToolCommand(CommandByTag(session, "ApplyMasterPagesTarn"));
    doc = SimDocById(server, id);
    PrintPages(*doc, plan, "After:");

    const SimControl& control = SimServerControl(server);
    for (const SimAlert& alert : control.alerts) std::printf("Alert (%d): %s\n", alert.type, alert.text.c_str());
    std::printf("Host calls: %llu; MasterPage.fm %s open afterwards.\n",
                static_cast<unsigned long long>(SimTotalCalls(control)),
                SimDocByName(server, mapping.doc.name.c_str()) ? "still" : "no longer");

    HostReleaseInterfaces();
    SimServerRelease(server);
    EncLibraryReset();
    return 0;
}
