// The built Vellor module as FrameMaker meets it: its one export, and the
// module loaded into the simulated host, describing itself from its version
// resource, building its menu and applying master pages when the user
// chooses "Apply Master Pages".
#include "hostsim/sim_loader.h"
#include "hostsim/sim_server.h"
#include "common/module_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

#ifndef _WIN32
// Windows builds check the export table with objdump (cmake/check_module.cmake).
TEST(Module, ExportsItsEntryAndNothingElse) {
    std::string command = "nm -D --defined-only '" + BuiltModuleFile() + "'";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::vector<std::string> symbols;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
        symbols.push_back(text.substr(text.rfind(' ') + 1));
    }
    ASSERT_EQ(pclose(pipe), 0);
    EXPECT_EQ(symbols, (std::vector<std::string>{"F_ApiClientInit"}));
}

// The NetLib stand-in's test controls live in a library of their own that
// only the tests link; the module carries the stand-in alone.
TEST(Module, CarriesNoTestControls) {
    std::string command = "nm --defined-only '" + BuiltModuleFile() + "' 2>/dev/null";
    FILE* pipe = popen(command.c_str(), "r");
    ASSERT_NE(pipe, nullptr);
    std::vector<std::string> controls;
    bool standIn = false;
    char line[1024];
    while (std::fgets(line, sizeof line, pipe)) {
        std::string text(line);
        standIn |= text.find("NetLibIsNetFile") != std::string::npos;
        for (const char* name : {"NetLibStandInEnable", "NetLibStandInFailNext", "NetLibStandInCalls"})
            if (text.find(name) != std::string::npos) controls.push_back(name);
    }
    pclose(pipe);
    if (!standIn) GTEST_SKIP() << "the module's symbol table is stripped";
    EXPECT_TRUE(controls.empty()) << controls.front();
}
#endif

class LoadedModule : public ::testing::Test {
protected:
    SimServer* server = nullptr;
    SimModule module;
    void SetUp() override {
        server = SimServerCreate();
        ASSERT_EQ(SimLoadModule(server, BuiltModuleWindowsName().c_str(), &module), SimLoadRegistered);
    }
    void TearDown() override {
        SimUnloadModule(server, &module);
        SimServerRelease(server);
    }
    SimSession& Session() { return SimServerSession(server); }
    std::vector<std::string> Masters(ObjId id) {
        std::vector<std::string> names;
        SimDoc* doc = SimDocById(server, id);
        for (ObjId page : doc->bodyPages) names.push_back(SimPageMasterName(*doc, page));
        return names;
    }
};

TEST_F(LoadedModule, RegistersWithItsVersionInformation) {
    const SimControl& control = SimServerControl(server);
    EXPECT_TRUE(SimClientRegistered(server));
    EXPECT_EQ(SimClientApiVersion(server), 0x16000000);
    EXPECT_EQ(control.clientInstance, module.handle);
    EXPECT_TRUE(control.clientInfoGiven);
    EXPECT_EQ(control.clientInfo, (std::vector<std::pair<int32_t, std::string>>{
                                      {2, "Quillet"},
                                      {3, "Standard"},
                                      {4, "Quillet (Frame 2020 64-bit)"},
                                      {5, "Maker MakerSGML"}}));
    // The first initialisation asked for the text messages.
    EXPECT_EQ(Session().notifications, (std::vector<int32_t>{13}));
    EXPECT_NE(SimMenuByName(Session(), "ApplyMasterPagesTarn"), 0u);
}

TEST_F(LoadedModule, ApplyMasterPagesFromTheMenuAndByMessage) {
    DocBuilder mapping((SimServerSession(server).hostDirectory + "\\MasterPage.fm").c_str());
    mapping.table({{"Paragraph Tag", "Left pages", "Right pages"}, {"ChapterTitle", "ChapterLeft", "ChapterRight"}});
    mapping.table({{"Page Type", "Left pages", "Right pages"}, {"Empty", "Blank", "Blank"}});
    SimStorePut(server, mapping);
    DocBuilder first("Z:\\book\\first.fm");
    first.masterPages({"Left", "Right", "ChapterLeft", "ChapterRight", "Chapter", "Blank"})
        .formats({"Body", "ChapterTitle"});
    DocBuilder second = first;
    second.doc.name = "Z:\\book\\second.fm";
    first.page().master("Chapter").para("ChapterTitle", "First");
    second.page().master("Chapter").para("ChapterTitle", "Second");
    ObjId secondId = SimOpenBuilt(server, second, true);
    ObjId firstId = SimOpenBuilt(server, first, true);

    EXPECT_EQ(SimClientChooseCommand(server, "ApplyMasterPagesTarn"), S_OK);
    EXPECT_TRUE(SimServerControl(server).alerts.empty());
    EXPECT_EQ(Masters(firstId), (std::vector<std::string>{"ChapterRight"}));
    EXPECT_EQ(Masters(secondId), (std::vector<std::string>{"Chapter"}));

    // Text messages arrive as notification 13.
    EXPECT_EQ(SimClientMessage(server, ("SetDocId " + std::to_string(secondId)).c_str()), S_OK);
    EXPECT_EQ(SimClientMessage(server, "ApplyMasterPagesDoc"), S_OK);
    EXPECT_EQ(Masters(secondId), (std::vector<std::string>{"ChapterRight"}));
}

TEST_F(LoadedModule, ALaterInitialisationDefinesNoSecondMenu) {
    size_t menus = Session().menus.size();
    EXPECT_EQ(SimReinitializeModule(server, &module, 0), S_OK);
    EXPECT_EQ(Session().menus.size(), menus);
    EXPECT_EQ(Session().notifications, (std::vector<int32_t>{13}));

    // Letting the client go: it is no longer registered, and FrameMaker's
    // calls find no client.
    SimUnloadModule(server, &module);
    EXPECT_FALSE(SimClientRegistered(server));
    EXPECT_EQ(SimClientCommand(server, 1000), E_UNEXPECTED);
}

} // namespace
