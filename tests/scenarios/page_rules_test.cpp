// Applying master pages to a chapter: each body page is decided by the first
// rule that applies (its master page, a MasterPage marker, its first mapped
// paragraph in flow order, being empty), else it gets its side's default.
// The chapter is two-sided and starts on a right-hand page, so pages 1, 3, 5
// are right-hand pages and 2, 4, 6 left-hand ones.
#include "tool_scenario.h"

#include "tools/apply_master_pages.h"

namespace {

using Names = std::vector<std::string>;

class PageRules : public ToolScenario {
protected:
    DocBuilder chapter = Chapter("Z:\\book\\chapter1.fm");

    // The mapping document lies in the host directory; the chapter is open
    // on screen and active; the user applies master pages.
    Names Apply(bool withEmptyRow = true) {
        SimStorePut(server, MappingDocument(HostFile("MasterPage.fm"), withEmptyRow));
        ObjId id = SimOpenBuilt(server, chapter, true);
        Choose("ApplyMasterPagesTarn");
        return Masters(id);
    }
    void SetUp() override {
        ToolScenario::SetUp();
        InitializeTools(HostInitializeFirst);
    }
};

TEST_F(PageRules, AMasterPageRowBeatsAParagraphRowAndAMarker) {
    chapter.page().master("Custom").para("ChapterTitle", "One").marker("MasterPage", "Appendix");
    chapter.page().master("Custom").para("Body", "text");
    EXPECT_EQ(Apply(), (Names{"Special", "Special"}));
    EXPECT_TRUE(AlertTexts().empty());
}

TEST_F(PageRules, MarkersGiveTheCellOfThePagesSideAndOtherMarkerTypesAreIgnored) {
    chapter.page().para("Body", "right").marker("MasterPage", "Appendix");
    chapter.page().para("Body", "left").marker("MasterPage", "Appendix");
    chapter.page().para("Body", "index entry").marker("Index", "Appendix");
    // A marker whose text has no row does not stop a later one on the page.
    chapter.page().para("Body", "two").marker("MasterPage", "Glossary").marker("MasterPage", "Appendix");
    // A marker beats the page's paragraphs.
    chapter.page().para("ChapterTitle", "Appendix A").marker("MasterPage", "Appendix");
    EXPECT_EQ(Apply(), (Names{"AppRight", "AppLeft", "Right", "AppLeft", "AppRight"}));
}

TEST_F(PageRules, TheFirstMappedParagraphInFlowOrderDecidesNotTheTableOrder) {
    chapter.page().para("Body", "intro").para("ChapterTitle", "One").para("Heading1", "First");
    chapter.page().para("Heading1", "Second").para("ChapterTitle", "Late title");
    EXPECT_EQ(Apply(), (Names{"ChapterRight", "H1Left"}));
}

TEST_F(PageRules, ATagDifferingOnlyInCaseMatchesNoRowAndTheWalkGoesOn) {
    // heading1 passes the key list (Heading1 ignoring case) but has no row.
    chapter.page().para("heading1", "lower").para("ChapterTitle", "Two");
    chapter.page().para("heading1", "lower only");
    EXPECT_EQ(Apply(), (Names{"ChapterRight", "Left"}));
}

TEST_F(PageRules, CandidatesAreTriedInOrderAndAsIsAndNoneDecideTheirPage) {
    chapter.page().para("Candidates", "right: two missing, then Chapter");
    chapter.page().para("Candidates", "left: one missing, then Chapter");
    chapter.page().master("ChapterRight").para("IndexTitle", "Index");
    chapter.page().master("Chapter").para("IndexTitle", "Index, left");
    Names masters = Apply();
    // Right-hand IndexTitle: None, no master page at all; left-hand: As Is.
    EXPECT_EQ(masters, (Names{"Chapter", "Chapter", "", "Chapter"}));
    SimDoc* doc = SimDocByName(server, "Z:\\book\\chapter1.fm");
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(SimLocal(*doc, doc->bodyPages[2])->background, HostBackgroundNone);
}

TEST_F(PageRules, EmptyPagesTakeTheEmptyRowAndOtherwiseTheirDefault) {
    chapter.page().para("Body", "last words");
    chapter.page();        // a text frame with nothing in it
    chapter.bare();        // no graphic object at all
    Names withRow = Apply(true);
    EXPECT_EQ(withRow, (Names{"Right", "Blank", "Blank"}));
}

TEST_F(PageRules, WithoutAnEmptyRowAnEmptyPageGetsItsDefault) {
    chapter.page().master("Chapter");
    chapter.bare().master("Chapter");
    EXPECT_EQ(Apply(false), (Names{"Right", "Left"}));
}

TEST_F(PageRules, PagesNoRuleCatchesGoBackToTheirDefaultAndMatchedRowsAlwaysDecide) {
    chapter.page().master("Chapter").para("Body", "custom, no row");
    chapter.page().master("Special").para("Sidebar", "row with empty cells");
    chapter.page().master("Chapter").para("Pullquote", "row without cells");
    chapter.page().noMaster().para("Body", "plain");
    // A Sidebar row would end the walk before ChapterTitle could decide.
    chapter.page().para("Sidebar", "first").para("ChapterTitle", "second");
    EXPECT_EQ(Apply(), (Names{"Right", "Left", "Right", "Left", "Right"}));
}

TEST_F(PageRules, APageEndsAtItsOwnTextWhenAPictureFollowsTheTextFrame) {
    // Page 1's last graphic object is a picture, so it has no last paragraph
    // of its own to stop at; the flow continues onto page 2.
    chapter.page().para("Body", "text before a figure").graphic();
    chapter.page().para("ChapterTitle", "Two");
    chapter.page().para("Body", "more").graphic();
    chapter.page().para("Body", "last");
    EXPECT_EQ(Apply(), (Names{"Right", "ChapterLeft", "Right", "Left"}));
}

TEST_F(PageRules, APageWhoseLastFrameHoldsASideFlowEndsAtItsOwnText) {
    // Page 1's last frame holds a margin note of another flow: its stop
    // paragraph is never met walking the main flow.
    chapter.page().para("Body", "main text").frameOfFlow("Side").para("Body", "margin note");
    chapter.page().para("ChapterTitle", "Two");
    EXPECT_EQ(Apply(), (Names{"Right", "ChapterLeft"}));
}

TEST_F(PageRules, APageWhoseFramesAreListedAgainstTheFlowEndsAtItsOwnText) {
    // Two columns of the main flow on page 1, the second column's frame listed
    // first: the walk starts after the stop paragraph.
    chapter.page().para("Body", "first column").frameOfFlow("A").para("Body", "second column");
    chapter.page().para("ChapterTitle", "Two");
    SimObject& pageFrame = chapter.doc.objects[chapter.doc.objects[chapter.pageAt(0)].frame];
    std::swap(pageFrame.children[0], pageFrame.children[1]);
    EXPECT_EQ(Apply(), (Names{"Right", "ChapterLeft"}));
}

TEST_F(PageRules, AMarkerInAnotherFlowOfThePageCountsAndTheSideFlowsTitleDecides) {
    // What stands on the page counts, whatever frame it is in: the margin
    // note's marker decides page 1; on page 2 the side flow's title is in the
    // frame listed first, where the walk starts.
    chapter.page()
        .para("Body", "main")
        .frameOfFlow("Side")
        .para("Body", "note")
        .marker("MasterPage", "Appendix");
    chapter.page().frameOfFlow("Side").para("ChapterTitle", "boxed title");
    SimObject& pageFrame = chapter.doc.objects[chapter.doc.objects[chapter.pageAt(1)].frame];
    std::swap(pageFrame.children[0], pageFrame.children[1]);
    chapter.page().para("Body", "three");
    EXPECT_EQ(Apply(), (Names{"AppRight", "ChapterLeft", "Right"}));
}

TEST_F(PageRules, ThePassRedisplaysOnceAndLeavesTheUserWhereTheyWere) {
    chapter.page().para("Body", "one");
    chapter.page().para("ChapterTitle", "two").caret(2);
    chapter.page().para("Body", "three");
    SimStorePut(server, MappingDocument(HostFile("MasterPage.fm")));
    ObjId id = SimOpenBuilt(server, chapter, true);
    SimDoc* doc = Doc(id);
    doc->currentPage = doc->bodyPages[1];
    TextRange selection = doc->selection;
    Choose("ApplyMasterPagesTarn");
    EXPECT_EQ(Masters(id), (Names{"Right", "ChapterLeft", "Right"}));
    EXPECT_EQ(Control().redisplays, 1);
    EXPECT_EQ(doc->currentPage, doc->bodyPages[1]);
    EXPECT_EQ(doc->selection.begin.objId, selection.begin.objId);
    EXPECT_EQ(doc->selection.begin.offset, 2);
    EXPECT_EQ(doc->selection.end.objId, selection.end.objId);
}

TEST_F(PageRules, ThePassStartsWithAClearErrorCode) {
    chapter.page().para("Body", "one");
    SimStorePut(server, MappingDocument(HostFile("MasterPage.fm")));
    ObjId id = SimOpenBuilt(server, chapter, true);
    HostErrorCode = 4711;
    ApplyMasterPagesToDoc(id);
    EXPECT_NE(HostErrorCode, 4711);
    EXPECT_EQ(Masters(id), (Names{"Right"}));
}

} // namespace
