// A FrameMaker session on the simulated host with the tools attached, for
// scenario tests: FrameMaker's callbacks reach the tools' entry points, and
// the test reads the session afterwards as a user would see it.
#pragma once

#include "common/icu_data.h"
#include "host/call_layer.h"
#include "host/host_interfaces.h"
#include "host/host_wire.h"
#include "hostsim/sim_server.h"
#include "support/io/library_startup.h"
#include "tools/tool_entry.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

class ToolScenario : public ::testing::Test {
protected:
    SimServer* server = nullptr;

    void SetUp() override {
        UseBuildIcuData(); // console lines reach the host converted from FrameRoman
        server = SimServerCreate();
        ASSERT_EQ(HostAcquireInterfaces(SimServerUnknown(server)), 1);
        TargetDocId = TargetBookId = 0;
        HostErrorCode = 0;
        ClientQuitRequested = 0;
    }
    void TearDown() override {
        HostReleaseInterfaces();
        SimServerRelease(server);
        EncLibraryReset();
        TargetDocId = TargetBookId = 0;
        HostErrorCode = 0;
    }

    SimSession& Session() { return SimServerSession(server); }
    SimControl& Control() { return SimServerControl(server); }
    uint64_t Calls(int method) { return SimCallCount(Control(), method); }

    // A file of the host directory, as the host names it.
    std::string HostFile(const char* name) { return Session().hostDirectory + "\\" + name; }

    // ---- What FrameMaker delivers
    void Message(const char* text) { HandleToolMessage(ToolMessageNotification, 0, text, 0); }
    // Choosing a menu command: the number it was defined with comes back.
    void Choose(const char* tag) {
        for (const auto& [id, item] : Session().menus)
            if (item.kind == SimMenuCommand && item.name == tag) {
                RunToolCommand(item.command);
                return;
            }
        ADD_FAILURE() << "no command " << tag;
    }

    // ---- What the user sees
    SimDoc* Doc(ObjId id) { return SimDocById(server, id); }
    bool IsOpen(const std::string& name) { return SimDocByName(server, name.c_str()) != nullptr; }
    // The master page of every body page in order; "" for none.
    std::vector<std::string> Masters(ObjId id) {
        std::vector<std::string> names;
        SimDoc* doc = Doc(id);
        if (!doc) return names;
        for (ObjId page : doc->bodyPages) names.push_back(SimPageMasterName(*doc, page));
        return names;
    }
    std::vector<std::string> AlertTexts() {
        std::vector<std::string> texts;
        for (const SimAlert& alert : Control().alerts) texts.push_back(alert.text);
        return texts;
    }
    ObjId CommandNumber(const char* tag) {
        for (const auto& [id, item] : Session().menus)
            if (item.kind == SimMenuCommand && item.name == tag) return item.command;
        return 0;
    }
};

// Method numbers of the main interface that scenarios count.
enum : int {
    MethodOpen = HostMethodOpen,
    MethodClose = HostMethodClose,
    MethodApplyMasterPage = HostMethodApplyMasterPage,
    MethodRedisplay = HostMethodRedisplay,
    MethodNewNamedObject = HostMethodNewNamedObject,
};

// The mapping document most scenarios use: the four tables, each row giving
// the master page for left-hand and for right-hand pages. Heading1 comes
// before ChapterTitle so that table order and flow order disagree.
inline DocBuilder MappingDocument(const std::string& name, bool withEmptyRow = true) {
    DocBuilder mapping(name.c_str());
    mapping.table({{"Paragraph Tag", "Left pages", "Right pages"},
                   {"Heading1", "H1Left", "H1Right"},
                   {"ChapterTitle", "ChapterLeft", "ChapterRight"},
                   {"IndexTitle", "As Is", "None"},
                   {"Candidates", "Missing\nChapter", "Missing\nAlsoMissing\nChapter"},
                   {"Sidebar", "", ""},
                   {"Pullquote"}});
    mapping.table({{"Master Page", "Left pages", "Right pages"}, {"Custom", "Special", "Special"}});
    mapping.table({{"Marker Category", "Left pages", "Right pages"},
                   {"Appendix", "AppLeft", "AppRight"}});
    if (withEmptyRow)
        mapping.table({{"Page Type", "Left pages", "Right pages"}, {"Empty", "Blank", "Blank"}});
    else
        mapping.table({{"Page Type", "Left pages", "Right pages"}, {"Title", "Blank", "Blank"}});
    return mapping;
}

// A chapter with every master page the mapping document names (but Missing
// and AlsoMissing); Left and Right are its defaults.
inline DocBuilder Chapter(const char* name) {
    DocBuilder chapter(name);
    chapter.masterPages({"Left", "Right", "ChapterLeft", "ChapterRight", "H1Left", "H1Right",
                         "Chapter", "Special", "AppLeft", "AppRight", "Blank", "Custom"})
        .formats({"Body", "ChapterTitle", "Heading1", "heading1", "IndexTitle", "Candidates",
                  "Sidebar", "Pullquote"});
    return chapter;
}
