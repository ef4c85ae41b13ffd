// The pass explaining its decisions on the host's console when asked: one
// line per body page naming what decided it, and, when not asked (or asked
// to stop), not a single host call more than a pass that never explains.
// The chapter is two-sided and starts on a right-hand page.
#include "tool_scenario.h"

#include "support/io/format_output.h"
#include "tools/decision_lines.h"

namespace {

using Lines = std::vector<std::string>;

class DecisionLines : public ToolScenario {
protected:
    void SetUp() override {
        ToolScenario::SetUp();
        InitializeTools(HostInitializeFirst);
        ConsoleHook = HostWriteConsole; // as the client entry installs it
        SimStorePut(server, MappingDocument(HostFile("MasterPage.fm")));
    }
    void TearDown() override {
        ExplainMasterPages = 0;
        ConsoleHook = nullptr;
        ToolScenario::TearDown();
    }
    // Opens the chapter on screen and applies master pages to it; the
    // console lines and host calls of that command.
    Lines Apply(const DocBuilder& chapter, uint64_t* calls = nullptr) {
        ObjId id = SimOpenBuilt(server, chapter, true);
        Control().console.clear();
        SimResetCounts(Control());
        Message(("SetDocId " + std::to_string(id)).c_str());
        Message("ApplyMasterPagesDoc");
        if (calls) *calls = SimTotalCalls(Control());
        SimCloseDoc(Session(), id);
        return Control().console;
    }
};

TEST_F(DecisionLines, EachPageSaysWhatDecidedIt) {
    DocBuilder chapter = Chapter("Z:\\book\\the \"first\".fm");
    chapter.page().master("Custom").para("Body", "custom");
    chapter.page().para("Body", "appendix").marker("MasterPage", "Appendix");
    chapter.page().para("Candidates", "two missing, then Chapter");
    chapter.page();
    chapter.page().master("Chapter").para("heading1", "lower case only");
    chapter.page().para("Sidebar", "a row with empty cells");
    chapter.page().master("ChapterRight").para("IndexTitle", "index");
    chapter.page().para("Body", "nothing mapped");
    chapter.page().para("Pullquote", "a row without cells");
    Message("ExplainMasterPages 1");
    const std::string page = "Master page: \"Z:\\book\\the \"\"first\"\".fm\" body page ";
    EXPECT_EQ(Apply(chapter),
              (Lines{page + "1 (right): \"Custom\" -> \"Special\" by Master Page table row 2 key \"Custom\", "
                            "right candidates \"Special\", entry 1\n",
                     page + "2 (left): \"Left\" -> \"AppLeft\" by Marker Category table row 2 key \"Appendix\", "
                            "left candidates \"AppLeft\", entry 1\n",
                     page + "3 (right): \"Right\" -> \"Chapter\" by Paragraph Tag table row 5 key \"Candidates\", "
                            "right candidates \"Missing\" \"AlsoMissing\" \"Chapter\", entry 3\n",
                     page + "4 (left): \"Left\" -> \"Blank\" by Page Type table row 2 key \"Empty\", "
                            "left candidates \"Blank\", entry 1\n",
                     page + "5 (right): \"Chapter\" -> \"Right\" by default; \"heading1\" matches Paragraph Tag "
                            "table row 2 key \"Heading1\" only in another letter case\n",
                     page + "6 (left): \"Left\" -> \"Left\" by Paragraph Tag table row 6 key \"Sidebar\", "
                            "left candidates \"\", no entry: default\n",
                     page + "7 (right): \"ChapterRight\" -> none by Paragraph Tag table row 4 key \"IndexTitle\", "
                            "right candidates \"None\", entry 1\n",
                     page + "8 (left): \"Left\" -> \"Left\" by default\n",
                     page + "9 (right): \"Right\" -> \"Right\" by Paragraph Tag table row 7 key \"Pullquote\", "
                            "right candidates none, no entry: default\n"}));
}

TEST_F(DecisionLines, UnaskedOrStoppedThePassSaysNothingAndCallsTheHostAsBefore) {
    DocBuilder chapter = Chapter("Z:\\book\\chapter1.fm");
    chapter.page().master("Custom").para("Body", "custom");
    chapter.page().para("Body", "appendix").marker("MasterPage", "Appendix");
    chapter.page().para("heading1", "lower").para("Candidates", "missing first");
    chapter.page();
    uint64_t never = 0, stopped = 0, explained = 0;
    EXPECT_TRUE(Apply(chapter, &never).empty());
    Message("ExplainMasterPages"); // no number: nothing changes
    EXPECT_TRUE(Apply(chapter).empty());
    Message("ExplainMasterPages 1");
    EXPECT_EQ(Apply(chapter, &explained).size(), 4u);
    Message("ExplainMasterPages 0");
    EXPECT_TRUE(Apply(chapter, &stopped).empty());
    EXPECT_EQ(stopped, never);
    EXPECT_GT(explained, never);
}

} // namespace
