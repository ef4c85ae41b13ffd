// Runs of pages: a "Paragraph Tag" or "Marker Category" row whose Range cell
// reads "Until Changed" also decides the pages after its own that no rule
// decides, up to the next page a rule decides, within one document. The
// chapters are two-sided and start on a right-hand page, so pages 1, 3, 5
// are right-hand pages and 2, 4, 6 left-hand ones.
#include "tool_scenario.h"

#include "support/io/format_output.h"
#include "tools/decision_lines.h"

namespace {

using Names = std::vector<std::string>;

// The scenarios' mapping document with a Range column in its "Paragraph
// Tag" and "Marker Category" tables: AppendixTitle and the Appendix marker
// start runs, ChapterTitle and the Stop marker hold for their page.
DocBuilder RangeMapping(const std::string& name, bool withEmptyRow = true) {
    DocBuilder mapping(name.c_str());
    mapping.table({{"Paragraph Tag", "Left pages", "Right pages", "Range"},
                   {"ChapterTitle", "ChapterLeft", "ChapterRight", "This Page"},
                   {"AppendixTitle", "AppLeft", "AppRight", "Until Changed"},
                   {"Heading1", "H1Left", "H1Right"},
                   {"IndexTitle", "As Is", "None", "Until Changed"},
                   {"Sidebar", "Missing", "Missing", "Until Changed"},
                   {"Pullquote", "Chapter", "Chapter", "until changed"}});
    mapping.table({{"Master Page", "Left pages", "Right pages"}, {"Custom", "Special", "Special"}});
    mapping.table({{"Marker Category", "Left pages", "Right pages", "Range"},
                   {"Appendix", "AppLeft", "AppRight", "Until Changed"},
                   {"Stop", "Chapter", "Chapter", ""}});
    mapping.table({{"Page Type", "Left pages", "Right pages"}, {withEmptyRow ? "Empty" : "Title", "Blank", "Blank"}});
    return mapping;
}

DocBuilder RangeChapter(const char* name) {
    DocBuilder chapter = Chapter(name);
    chapter.formats({"AppendixTitle"});
    return chapter;
}

class PageRanges : public ToolScenario {
protected:
    void SetUp() override {
        ToolScenario::SetUp();
        InitializeTools(HostInitializeFirst);
    }
    void TearDown() override {
        ExplainMasterPages = 0;
        ConsoleHook = nullptr;
        ToolScenario::TearDown();
    }
    Names Apply(const DocBuilder& chapter, bool withEmptyRow = true) {
        SimStorePut(server, RangeMapping(HostFile("MasterPage.fm"), withEmptyRow));
        ObjId id = SimOpenBuilt(server, chapter, true);
        Choose("ApplyMasterPagesTarn");
        return Masters(id);
    }
};

// What a page of a chapter holds, one letter each: A an AppendixTitle
// paragraph, C a ChapterTitle, M a "MasterPage" marker Appendix, S one Stop,
// X a custom master page with a "Master Page" row, I an IndexTitle, D a
// Sidebar (a run whose cells name nothing the document has), P a Pullquote
// (an unknown range text), E an empty page, b body text alone.
void AddPages(DocBuilder& chapter, const std::string& pages) {
    for (char kind : pages) {
        chapter.page();
        if (kind == 'X') chapter.master("Custom");
        if (kind == 'E') continue;
        const char* tag = kind == 'A' ? "AppendixTitle" : kind == 'C' ? "ChapterTitle" : kind == 'I' ? "IndexTitle"
                        : kind == 'D' ? "Sidebar" : kind == 'P' ? "Pullquote" : "Body";
        chapter.para(tag, "text");
        if (kind == 'M') chapter.marker("MasterPage", "Appendix");
        if (kind == 'S') chapter.marker("MasterPage", "Stop");
    }
}

struct RunCase {
    const char* situation;
    const char* pages;
    bool emptyRow;
    Names masters;
};

TEST_F(PageRanges, ARunHoldsUntilARuleDecidesAPageAndEndsWithTheDocument) {
    const RunCase cases[] = {
        {"across left and right pages, up to the next tag", "AbbbCb", true,
         {"AppRight", "AppLeft", "AppRight", "AppLeft", "ChapterRight", "Left"}},
        {"cut by a marker whose row holds for its page", "AbSbb", true,
         {"AppRight", "AppLeft", "Chapter", "Left", "Right"}},
        {"cut by an empty page", "AbEb", true, {"AppRight", "AppLeft", "Blank", "Left"}},
        {"not cut by an empty page without an Empty row", "AbEb", false,
         {"AppRight", "AppLeft", "AppRight", "AppLeft"}},
        {"cut by a Master Page row", "AbXb", true, {"AppRight", "AppLeft", "Special", "Left"}},
        {"begun by a marker, running to the end of the document", "bMbb", true,
         {"Right", "AppLeft", "AppRight", "AppLeft"}},
        {"a run begun inside a run replaces it", "AbIbCb", true,
         {"AppRight", "AppLeft", "", "Left", "ChapterRight", "Left"}},
        {"As Is and None carry as they decide", "Ibbb", true, {"", "Left", "", "Left"}},
        {"a run whose cells help nothing carries the default", "Dbb", true, {"Right", "Left", "Right"}},
        {"an unknown range text holds for its page only", "Pbb", true, {"Chapter", "Left", "Right"}},
    };
    for (const RunCase& c : cases) {
        SCOPED_TRACE(c.situation);
        DocBuilder chapter = RangeChapter("Z:\\book\\chapter1.fm");
        AddPages(chapter, c.pages);
        EXPECT_EQ(Apply(chapter, c.emptyRow), c.masters);
        SimCloseDoc(Session(), SimDocByName(server, "Z:\\book\\chapter1.fm")->id);
    }
}

TEST_F(PageRanges, RangeColumnsAreReadOnlyWhereHeadedRangeInTablesThatAllowThem) {
    // "range" in small letters heads no Range column; a Master Page table's
    // Range column is not read; a fifth column is not either.
    DocBuilder mapping(HostFile("MasterPage.fm").c_str());
    mapping.table({{"Paragraph Tag", "L", "R", "range"}, {"AppendixTitle", "AppLeft", "AppRight", "Until Changed"}});
    mapping.table({{"Master Page", "L", "R", "Range"}, {"Custom", "Special", "Special", "Until Changed"}});
    mapping.table({{"Marker Category", "L", "R", "Notes", "Range"}, {"Appendix", "AppLeft", "AppRight", "", "Until Changed"}});
    mapping.table({{"Page Type", "L", "R"}, {"Empty", "Blank", "Blank"}});
    SimStorePut(server, mapping);
    DocBuilder chapter = RangeChapter("Z:\\book\\chapter1.fm");
    AddPages(chapter, "AbXbMb");
    ObjId id = SimOpenBuilt(server, chapter, true);
    Choose("ApplyMasterPagesTarn");
    EXPECT_EQ(Masters(id), (Names{"AppRight", "Left", "Special", "Left", "AppRight", "Left"}));
}

TEST_F(PageRanges, ABookRunDoesNotCarryARangeIntoTheNextChapter) {
    SimStorePut(server, RangeMapping(HostFile("MasterPage.fm")));
    DocBuilder first = RangeChapter("Z:\\b\\appendix1.fm");
    AddPages(first, "CbbAb");
    DocBuilder second = RangeChapter("Z:\\b\\appendix2.fm");
    AddPages(second, "bbA");
    SimStorePut(server, first);
    SimStorePut(server, second);
    BookBuilder book("Z:\\b\\manual.book");
    book.doc("Z:\\b\\appendix1.fm").doc("Z:\\b\\appendix2.fm");
    SimOpenBook(server, book, true);
    Choose("ApplyMasterPagesBookTarn");
    auto saved = [&](const char* name) {
        Names masters;
        if (const SimDoc* doc = SimStoredFile(server, name))
            for (ObjId page : doc->bodyPages) masters.push_back(SimPageMasterName(*doc, page));
        return masters;
    };
    EXPECT_EQ(saved("Z:\\b\\appendix1.fm"), (Names{"ChapterRight", "Left", "Right", "AppLeft", "AppRight"}));
    EXPECT_EQ(saved("Z:\\b\\appendix2.fm"), (Names{"Right", "Left", "AppRight"}));
}

TEST_F(PageRanges, ACarriedPageNamesItsRowAndThePageTheRunBeganOn) {
    ConsoleHook = HostWriteConsole;
    DocBuilder chapter = RangeChapter("Z:\\book\\chapter1.fm");
    AddPages(chapter, "bAbC");
    Message("ExplainMasterPages 1");
    SimStorePut(server, RangeMapping(HostFile("MasterPage.fm")));
    SimOpenBuilt(server, chapter, true);
    Control().console.clear();
    Choose("ApplyMasterPagesTarn");
    const std::string page = "Master page: \"Z:\\book\\chapter1.fm\" body page ";
    EXPECT_EQ(Control().console,
              (Names{page + "1 (right): \"Right\" -> \"Right\" by default\n",
                     page + "2 (left): \"Left\" -> \"AppLeft\" by Paragraph Tag table row 3 key \"AppendixTitle\", "
                            "left candidates \"AppLeft\", entry 1\n",
                     page + "3 (right): \"Right\" -> \"AppRight\" by Paragraph Tag table row 3 key \"AppendixTitle\" "
                            "until changed from body page 2, right candidates \"AppRight\", entry 1\n",
                     page + "4 (left): \"Left\" -> \"ChapterLeft\" by Paragraph Tag table row 2 key \"ChapterTitle\", "
                            "left candidates \"ChapterLeft\", entry 1\n"}));
}

// A run costs no walk of its own: each page it carries costs at most one
// host call more than the same page given its default (in fact fewer: the
// run's candidate is looked up once per side).
TEST_F(PageRanges, ACarriedPageCostsNoMoreThanOneHostCallOverItsDefault) {
    auto calls = [&](const char* range) {
        DocBuilder mapping(HostFile("MasterPage.fm").c_str());
        mapping.table({{"Paragraph Tag", "L", "R", "Range"}, {"AppendixTitle", "AppLeft", "AppRight", range}});
        mapping.table({{"Page Type", "L", "R"}, {"Empty", "Blank", "Blank"}});
        SimStorePut(server, mapping);
        DocBuilder chapter = RangeChapter("Z:\\book\\long.fm");
        AddPages(chapter, "A" + std::string(200, 'b'));
        ObjId id = SimOpenBuilt(server, chapter, true);
        SimResetCounts(Control());
        Choose("ApplyMasterPagesTarn");
        uint64_t total = SimTotalCalls(Control());
        EXPECT_EQ(Masters(id)[200], range[0] == 'U' ? "AppRight" : "Right");
        SimCloseDoc(Session(), id);
        return total;
    };
    uint64_t page = calls("This Page"), run = calls("Until Changed");
    EXPECT_LE(run, page + 200);
    EXPECT_GT(run + 200, page); // the run is not skipping the rules of its pages
}

} // namespace
