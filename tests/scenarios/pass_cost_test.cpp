// How many host calls a pass makes as a chapter grows: doubling the pages,
// the "MasterPage" markers and the mapping rows together doubles the calls.
// The chapter is built so that a pass that walked the marker chain at every
// page, or scanned a table for every key that passes a key list, would grow
// fourfold: every page carries a marker whose text has no row, uses a master
// page listed only in another letter case, and opens with a heading whose row
// stands last in its table.
#include "pass_reference.h"

#include "common/icu_data.h"
#include "host/host_interfaces.h"
#include "hostsim/sim_server.h"
#include "support/io/library_startup.h"

#include <gtest/gtest.h>

#include <string>

namespace {

template <class Pass> uint64_t PassCalls(int pages, int rows, Pass pass, bool reflow = false) {
    SimServer* server = SimServerCreate();
    EXPECT_EQ(HostAcquireInterfaces(SimServerUnknown(server)), 1);
    SimServerSession(server).reflow = reflow;
    DocBuilder mapping((SimServerSession(server).hostDirectory + "\\MasterPage.fm").c_str());
    std::vector<std::vector<std::string>> tags = {{"Paragraph Tag", "L", "R"}};
    std::vector<std::vector<std::string>> masters = {{"Master Page", "L", "R"}, {"retired", "Left", "Right"}};
    for (int i = 0; i < rows; ++i) {
        tags.push_back({"Tag" + std::to_string(i), "Left", "Right"});
        masters.push_back({"Master" + std::to_string(i), "Left", "Right"});
    }
    tags.push_back({"Heading", "HeadLeft", "HeadRight"});
    mapping.table(tags).table(masters);
    mapping.table({{"Marker Category", "L", "R"}, {"Appendix", "Left", "Right"}});
    mapping.table({{"Page Type", "L", "R"}, {"Empty", "Left", "Right"}});
    SimStorePut(server, mapping);
    DocBuilder chapter("Z:\\docs\\chapter.fm");
    // With reflow, a heading's master page holds 2 lines of a page's 3: the
    // text is pushed on from page to page and runs past the last page.
    chapter.templateFrame("Retired", 4, 20)
        .templateFrame("Left", 4, 20)
        .templateFrame("Right", 4, 20);
    chapter.templateFrame("HeadLeft", 2, 20).templateFrame("HeadRight", 2, 20);
    chapter.masterPages({"Left", "Right", "HeadLeft", "HeadRight", "Retired"}).formats({"Heading", "Body"});
    for (int p = 0; p < pages; ++p) {
        chapter.page().master("Retired").para("Heading", "h").para("Body", "b").marker("MasterPage", "Note");
        if (reflow) chapter.para("Body", "c");
    }
    ObjId id = SimOpenBuilt(server, chapter, true);
    SimResetCounts(SimServerControl(server));
    pass(id);
    uint64_t calls = SimTotalCalls(SimServerControl(server));
    SimDoc* doc = SimDocById(server, id);
    if (reflow) {
        EXPECT_GT(doc->bodyPages.size(), size_t(pages)); // the text did move
    } else {
        EXPECT_EQ(SimPageMasterName(*doc, doc->bodyPages.back()),
                  pages % 2 ? "HeadRight" : "HeadLeft");
    }
    HostReleaseInterfaces();
    SimServerRelease(server);
    EncLibraryReset();
    return calls;
}

TEST(PassCost, DoublingPagesMarkersAndRowsDoublesTheHostCalls) {
    UseBuildIcuData();
    auto pass = [](ObjId id) { ApplyMasterPagesToDoc(id); };
    uint64_t small = PassCalls(60, 60, pass);
    uint64_t large = PassCalls(120, 120, pass);
    EXPECT_LE(double(large), 2.05 * double(small));
    // The same chapter costs the straightforward pass far more, and that
    // cost grows with the product: the chapter does exercise both paths.
    auto reference = [](ObjId id) { pass_reference::ApplyMasterPagesToDoc(id); };
    uint64_t referenceSmall = PassCalls(60, 60, reference);
    EXPECT_GT(referenceSmall, 10 * small);
    EXPECT_GT(double(PassCalls(120, 120, reference)), 3.5 * double(referenceSmall));
}

TEST(PassCost, WhileTextReflowsDoublingStillDoublesTheHostCalls) {
    UseBuildIcuData();
    auto pass = [](ObjId id) { ApplyMasterPagesToDoc(id); };
    uint64_t small = PassCalls(60, 60, pass, true);
    uint64_t large = PassCalls(120, 120, pass, true);
    // Every page pushes the text on here, so a marker the pass has not met
    // yet is looked for again where it went, a few hops each that grow with
    // the logarithm of how far it went: a little more than double, never
    // the product.
    EXPECT_LE(double(large), 2.1 * double(small));
    EXPECT_GE(double(large), 1.95 * double(small));
}

} // namespace
