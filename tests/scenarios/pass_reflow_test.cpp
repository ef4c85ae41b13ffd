// Applying master pages while text reflows: a master page whose template
// frame is shorter or taller than the page's frame pushes the page's last
// paragraphs onto the next page or pulls the next page's first ones back, and
// their markers go with them. Each page is decided by what stands on it when
// its turn comes, as the straightforward pass sees it. Left and Right hold 4
// lines, the appendix master pages 2, the chapter master pages 6.
#include "pass_reference.h"
#include "tool_scenario.h"

namespace {

using Names = std::vector<std::string>;
using Pages = std::vector<std::vector<std::string>>;

class PassReflow : public ToolScenario {
  protected:
    DocBuilder chapter = ReflowChapter();

    static DocBuilder ReflowChapter() {
        DocBuilder b = Chapter("Z:\\book\\chapter1.fm");
        b.templateFrame("Left", 4, 40).templateFrame("Right", 4, 40);
        b.templateFrame("AppLeft", 2, 40).templateFrame("AppRight", 2, 40);
        b.templateFrame("ChapterLeft", 6, 40).templateFrame("ChapterRight", 6, 40);
        return b;
    }
    void SetUp() override {
        ToolScenario::SetUp();
        Session().reflow = true;
        SimStorePut(server, MappingDocument(HostFile("MasterPage.fm")));
    }
    // Page 1: four one-line paragraphs, a MasterPage marker "Appendix" at the
    // end; page 2: four more.
    void FourLinesAndAnAppendixMarkerThenFourMore() {
        chapter.page()
            .para("Body", "one")
            .para("Body", "two")
            .para("Body", "three")
            .para("Body", "four")
            .marker("MasterPage", "Appendix");
        chapter.page()
            .para("Body", "five")
            .para("Body", "six")
            .para("Body", "seven")
            .para("Body", "eight");
    }
    // Each page's paragraph texts.
    Pages Texts(ObjId id) {
        Pages pages;
        SimDoc* doc = Doc(id);
        SimSettleLayout(*doc);
        for (ObjId page : doc->bodyPages) {
            pages.emplace_back();
            for (ObjId p : SimPageParagraphs(*doc, page))
                pages.back().push_back(SimLocal(*doc, p)->text);
        }
        return pages;
    }
    // The pass and the straightforward one, each on its own copy of the chapter.
    ObjId Fast() {
        ObjId id = SimOpenBuilt(server, chapter, true);
        ApplyMasterPagesToDoc(id);
        return id;
    }
    ObjId Reference() {
        ObjId id = SimOpenBuilt(server, chapter, true);
        pass_reference::ApplyMasterPagesToDoc(id);
        return id;
    }
};

TEST_F(PassReflow, AMarkerPushedOntoTheNextPageDecidesThatPageToo) {
    FourLinesAndAnAppendixMarkerThenFourMore();
    // Page 1 takes AppRight, 2 lines: "three" and "four" with its marker go
    // to page 2, which then takes AppLeft and passes on what it cannot hold.
    ObjId reference = Reference();
    EXPECT_EQ(Masters(reference), (Names{"AppRight", "AppLeft", "Right"}));
    EXPECT_EQ(Texts(reference),
              (Pages{{"one", "two"}, {"three", "four"}, {"five", "six", "seven", "eight"}}));
    ObjId fast = Fast();
    EXPECT_EQ(Masters(fast), Masters(reference));
    EXPECT_EQ(Texts(fast), Texts(reference));
}

TEST_F(PassReflow, AMarkerPulledBackOntoAnEarlierPageNoLongerDecidesItsOldPage) {
    chapter.page()
        .para("ChapterTitle", "Title")
        .para("Body", "a")
        .para("Body", "b")
        .para("Body", "c");
    chapter.page()
        .para("Body", "d")
        .para("Body", "e")
        .marker("MasterPage", "Appendix")
        .para("Body", "f");
    chapter.page().para("Body", "g");
    // ChapterRight holds 6 lines: "d" and "e" with its marker come back to
    // page 1, which was decided before they came; page 2 has no marker left,
    // and page 3 is left empty.
    ObjId reference = Reference();
    EXPECT_EQ(Masters(reference), (Names{"ChapterRight", "Left", "Blank"}));
    EXPECT_EQ(Texts(reference), (Pages{{"Title", "a", "b", "c", "d", "e"}, {"f", "g"}, {}}));
    ObjId fast = Fast();
    EXPECT_EQ(Masters(fast), Masters(reference));
    EXPECT_EQ(Texts(fast), Texts(reference));
}

TEST_F(PassReflow, APageAddedByOverflowingTextIsDecidedLikeTheOthers) {
    chapter.page()
        .para("ChapterTitle", "Title")
        .para("Body", "a")
        .para("Body", "b")
        .para("Body", "c")
        .marker("MasterPage", "Appendix");
    // Page 1's marker puts it on AppRight, 2 lines: "b" and "c" with the
    // marker overflow onto a new page 2, which the marker then decides.
    ObjId reference = Reference();
    EXPECT_EQ(Masters(reference), (Names{"AppRight", "AppLeft"}));
    EXPECT_EQ(Texts(reference), (Pages{{"Title", "a"}, {"b", "c"}}));
    ObjId fast = Fast();
    EXPECT_EQ(Masters(fast), Masters(reference));
    EXPECT_EQ(Texts(fast), Texts(reference));
}

// Markers the walk along the flow does not reach: in a table cell (the
// table anchored in the main flow), and in a frame of the main flow between
// two frames of another flow. They go where their paragraphs go.
TEST_F(PassReflow, AMarkerInATableCellPushedOntoTheNextPageDecidesThatPageToo) {
    chapter.page().para("Body", "one").para("Body", "two").table({{"cell"}}, 0);
    chapter.cellMarker("MasterPage", "Appendix").para("Body", "four");
    chapter.page().para("Body", "five").para("Body", "six").para("Body", "seven");
    ObjId reference = Reference();
    EXPECT_EQ(Masters(reference), (Names{"AppRight", "AppLeft", "Right"}));
    ObjId fast = Fast();
    EXPECT_EQ(Masters(fast), Masters(reference));
    EXPECT_EQ(Texts(fast), Texts(reference));
}

TEST_F(PassReflow, AMarkerInATableCellPulledBackOntoTheNextPageDecidesIt) {
    chapter.page().para("ChapterTitle", "Title").para("Body", "a").para("Body", "b").para("Body", "c");
    chapter.page().para("Body", "d").para("Body", "e").para("Body", "f").para("Body", "g");
    chapter.page().table({{"cell"}}, 0).cellMarker("MasterPage", "Appendix");
    chapter.para("Body", "h").para("Body", "i").para("Body", "j");
    chapter.page().para("Body", "k");
    // ChapterRight holds 6 lines: "d" and "e" come back to page 1, and page
    // 2 takes the table from page 3 before its turn.
    ObjId reference = Reference();
    EXPECT_EQ(Masters(reference)[1], "AppLeft");
    ObjId fast = Fast();
    EXPECT_EQ(Masters(fast), Masters(reference));
    EXPECT_EQ(Texts(fast), Texts(reference));
}

TEST_F(PassReflow, AMarkerInAMiddleFramePushedOntoTheNextPageDecidesThatPageToo) {
    for (const char* first : {"one", "five"}) {
        chapter.bare().frameOfFlow("Side").para("Body", "note").frameOfFlow("A");
        chapter.para("Body", first).para("Body", "b").para("Body", "c").para("Body", "d");
        if (first == std::string("one")) chapter.marker("MasterPage", "Appendix");
        chapter.frameOfFlow("Side").para("Body", "note");
    }
    ObjId reference = Reference();
    EXPECT_EQ(Masters(reference), (Names{"AppRight", "AppLeft", "Right"}));
    ObjId fast = Fast();
    EXPECT_EQ(Masters(fast), Masters(reference));
    EXPECT_EQ(Texts(fast), Texts(reference));
}

TEST_F(PassReflow, ASavedDocumentIsLaidOutFirst) {
    chapter.page().para("Body", "one").para("Body", "two").para("Body", "three");
    ObjId id = SimOpenBuilt(server, chapter, true);
    SimDoc* doc = Doc(id);
    // The host moves the text only when asked where it stands; a save asks.
    ASSERT_EQ(
        SimApplyMasterPage(*doc, doc->bodyPages[0], SimNamed(*doc, SimObjMasterPage, "AppRight")),
        SimOk);
    ASSERT_NE(HostSimpleSave(id, "Z:\\book\\chapter1.fm", 0), 0u);
    const SimDoc* stored = SimStoredFile(server, "Z:\\book\\chapter1.fm");
    ASSERT_NE(stored, nullptr);
    ASSERT_EQ(stored->bodyPages.size(), 2u);
    ObjId three = stored->objects.at(stored->mainFlow).children[2];
    EXPECT_EQ(SimParagraphPage(*stored, three), stored->bodyPages[1]);
}

TEST_F(PassReflow, WithoutReflowTheSameChapterKeepsItsText) {
    Session().reflow = false;
    FourLinesAndAnAppendixMarkerThenFourMore();
    ObjId fast = Fast();
    EXPECT_EQ(Masters(fast), (Names{"AppRight", "Left"}));
    EXPECT_EQ(Texts(fast),
              (Pages{{"one", "two", "three", "four"}, {"five", "six", "seven", "eight"}}));
}

} // namespace
