// Where the rules come from: the mapping document found among the open
// documents under any name, or "MasterPage.fm" from the host directory opened
// hidden for a pass and closed after it; brought on screen by command 2; and
// the key lists read from its tables.
#include "tool_scenario.h"

#include "support/base/format.h"
#include "support/io/format_output.h"
#include "support/base/memory.h"
#include "support/base/strings.h"
#include "tools/mapping_document.h"
#include "tools/mapping_table_index.h"

#include <set>
#include <utility>

namespace {

using Names = std::vector<std::string>;
const char MissingAlert[] = "Could not open the MasterPage.fm document.";

class MappingDocumentScenario : public ToolScenario {
protected:
    DocBuilder chapter = Chapter("Z:\\book\\chapter1.fm");
    void SetUp() override {
        ToolScenario::SetUp();
        InitializeTools(HostInitializeFirst);
        chapter.page().master("Chapter").para("ChapterTitle", "One");
        chapter.page().master("Chapter").para("Body", "text");
    }
    std::string MasterPageFile() { return HostFile("MasterPage.fm"); }
};

TEST_F(MappingDocumentScenario, AMappingDocumentOnScreenUnderAnotherNameIsUsedAndKept) {
    SimStorePut(server, MappingDocument(MasterPageFile(), true));
    SimOpenBuilt(server, MappingDocument("Z:\\rules\\Assignments.fm"), true);
    ObjId id = SimOpenBuilt(server, chapter, true);
    Choose("ApplyMasterPagesTarn");
    EXPECT_EQ(Masters(id), (Names{"ChapterRight", "Left"}));
    EXPECT_EQ(Calls(MethodOpen), 0u);
    EXPECT_EQ(Calls(MethodClose), 0u);
    EXPECT_TRUE(IsOpen("Z:\\rules\\Assignments.fm"));
}

TEST_F(MappingDocumentScenario, MasterPageFmIsOpenedHiddenForThePassAndClosedAgain) {
    SimStorePut(server, MappingDocument(MasterPageFile()));
    ObjId id = SimOpenBuilt(server, chapter, true);
    Choose("ApplyMasterPagesTarn");
    EXPECT_EQ(Masters(id), (Names{"ChapterRight", "Left"}));
    EXPECT_EQ(Calls(MethodOpen), 1u);
    EXPECT_FALSE(IsOpen(MasterPageFile()));
    EXPECT_EQ(Session().documents.size(), 1u);
    // A second pass opens it afresh.
    Choose("ApplyMasterPagesTarn");
    EXPECT_EQ(Calls(MethodOpen), 2u);
    EXPECT_FALSE(IsOpen(MasterPageFile()));
}

TEST_F(MappingDocumentScenario, AMappingDocumentTheUserHasOnScreenStaysOpen) {
    SimOpenBuilt(server, MappingDocument(MasterPageFile()), true);
    ObjId id = SimOpenBuilt(server, chapter, true);
    Choose("ApplyMasterPagesTarn");
    EXPECT_EQ(Masters(id), (Names{"ChapterRight", "Left"}));
    EXPECT_TRUE(IsOpen(MasterPageFile()));
    EXPECT_EQ(Calls(MethodClose), 0u);
}

TEST_F(MappingDocumentScenario, WithoutAMappingDocumentTheUserIsWarnedAndNothingChanges) {
    ObjId id = SimOpenBuilt(server, chapter, true);
    Choose("ApplyMasterPagesTarn");
    EXPECT_EQ(Masters(id), (Names{"Chapter", "Chapter"}));
    ASSERT_EQ(Control().alerts.size(), 1u);
    EXPECT_EQ(Control().alerts[0].text, MissingAlert);
    EXPECT_EQ(Control().alerts[0].type, HostAlertContinueWarning);
    EXPECT_EQ(Control().redisplays, 0);
}

TEST_F(MappingDocumentScenario, AMasterPageFmWithoutAPageTypeTableIsOpenedButNotUsed) {
    DocBuilder notMapping(MasterPageFile().c_str());
    notMapping.table({{"Paragraph Tag", "Left", "Right"}, {"ChapterTitle", "Blank", "Blank"}});
    SimStorePut(server, notMapping);
    ObjId id = SimOpenBuilt(server, chapter, true);
    Choose("ApplyMasterPagesTarn");
    EXPECT_EQ(Masters(id), (Names{"Chapter", "Chapter"}));
    EXPECT_EQ(AlertTexts(), (Names{MissingAlert}));
    SimDoc* left = SimDocByName(server, MasterPageFile().c_str());
    ASSERT_NE(left, nullptr);
    EXPECT_FALSE(left->visible);
}

TEST_F(MappingDocumentScenario, TheMappingDocumentIsTheFirstWithATableHeadedPageType) {
    DocBuilder lower("Z:\\a\\lower.fm");
    lower.table({{"page type", "Left", "Right"}, {"Empty", "Blank", "Blank"}});
    DocBuilder plural("Z:\\a\\plural.fm");
    plural.table({{"Paragraph Tag", "L", "R"}}).table({{"Page Types", "L", "R"}});
    DocBuilder second("Z:\\a\\second.fm");
    second.table({{"Page Type", "L", "R"}});
    SimOpenBuilt(server, lower, true);
    ObjId pluralId = SimOpenBuilt(server, plural, true);
    SimOpenBuilt(server, second, true);
    EXPECT_EQ(FindMappingDocument(), pluralId);
    // Tables are found by heading, the first of a kind counting.
    DocBuilder tables("Z:\\a\\tables.fm");
    tables.table({}, 0).table({{"Master Page", "first"}}).table({{"Master Page", "second"}});
    ObjId tablesId = SimOpenBuilt(server, tables, false);
    SimDoc* doc = Doc(tablesId);
    EXPECT_EQ(FindMappingTable(tablesId, "Master Page"), SimToClient(*doc, doc->tables[1]));
    EXPECT_EQ(FindMappingTable(tablesId, "Marker Category"), 0u);
}

TEST_F(MappingDocumentScenario, KeyListsHoldEachBodyKeyOnceIgnoringCase) {
    DocBuilder mapping("Z:\\a\\keys.fm");
    mapping.table({{"Paragraph Tag", "L", "R"},
                   {"Caption", "L", "R"}, // a second heading row
                   {"Heading1", "A", "B"},
                   {"HEADING1", "C", "D"},
                   {"", "E", "F"},
                   {"Body\nBodyNext", "G", "H"},
                   {"heading1", "I", "J"},
                   {"Title", "K", "L"}},
                  2);
    ObjId id = SimOpenBuilt(server, mapping, true);
    StrList* keys = MappingKeyList(id, FindMappingTable(id, "Paragraph Tag"));
    ASSERT_NE(keys, nullptr);
    Names got(ListItems(keys), ListItems(keys) + ListCount(keys));
    EXPECT_EQ(got, (Names{"Heading1", "Body", "Title"}));
    ListFree(keys);

    StrList* none = MappingKeyList(id, 0);
    ASSERT_NE(none, nullptr);
    EXPECT_EQ(ListCount(none), 0u);
    ListFree(none);
}

// A pass builds the key list from the texts it read once; on a table of
// thousands of rows, with keys equal ignoring case (FrameRoman letters too),
// it holds what the reading of the table holds, with or without the memory
// for its lookup.
TEST_F(MappingDocumentScenario, APassBuildsTheSameKeyListFromALargeTable) {
    std::vector<std::vector<std::string>> rows = {{"Paragraph Tag", "L", "R"}, {"tag7", "L", "R"}};
    for (int i = 0; i < 3000; ++i) {
        std::string key = "Tag" + std::to_string(i % 1700);
        if (i % 3 == 0) key = "TAG" + std::to_string(i % 1700);
        if (i % 7 == 0) key += i % 2 ? "\x80" : "\x8A"; // FrameRoman A and a with diaeresis
        if (i % 11 == 0) key = "PARAGRAPH TAG";
        rows.push_back({key, "L", "R"});
    }
    DocBuilder mapping("Z:\\a\\keys.fm");
    mapping.table(rows, 2);
    ObjId id = SimOpenBuilt(server, mapping, true);
    ObjId table = FindMappingTable(id, "Paragraph Tag");
    StrList* expected = MappingKeyList(id, table);
    ASSERT_NE(expected, nullptr);
    Names want(ListItems(expected), ListItems(expected) + ListCount(expected));
    for (bool starved : {false, true}) {
        MappingTableIndex index;
        MappingTableRead(&index, id, "Paragraph Tag");
        ASSERT_EQ(index.rowCount, rows.size());
        // The lookup's table is the first allocation after the list's own two.
        if (starved) MemFailAllocation(3);
        StrList* keys = MappingTableKeyList(&index);
        MemFailAllocation(0);
        ASSERT_NE(keys, nullptr);
        EXPECT_EQ(Names(ListItems(keys), ListItems(keys) + ListCount(keys)), want) << "starved " << starved;
        for (uint32_t row = 0; row < index.rowCount; ++row)
            EXPECT_EQ(index.listed[row] != 0, ListFindNoCase(expected, index.keys[row]) >= 0) << "row " << row;
        ListFree(keys);
        MappingTableFree(&index);
    }
    ListFree(expected);
}

// Explanations look a text up ignoring case: the first body row with a
// key equal to it, as a scan of the table finds it, with or without the
// memory for the lookup.
TEST_F(MappingDocumentScenario, ALookupIgnoringCaseFindsTheRowAScanFinds) {
    std::vector<std::vector<std::string>> rows = {{"Paragraph Tag", "L", "R"}, {"paragraph tag", "L", "R"}};
    for (int i = 0; i < 2000; ++i)
        rows.push_back({(i % 3 ? "Tag" : "TAG") + std::to_string(i % 900) + (i % 7 ? "" : "\x80"), "L", "R"});
    rows.push_back({"", "L", "R"});
    DocBuilder mapping("Z:\\a\\keys.fm");
    mapping.table(rows, 2);
    ObjId id = SimOpenBuilt(server, mapping, true);
    MappingTableIndex index;
    MappingTableRead(&index, id, "Paragraph Tag");
    ASSERT_EQ(index.rowCount, rows.size());
    auto scan = [&](const std::string& text) {
        for (uint32_t row = 0; row < index.rowCount; ++row)
            if (index.rowTypes[row] == MappingBodyRowType && !MappingKeyIsEmpty(index.keys[row]) &&
                StrEqualNoCase(index.keys[row], text.c_str()))
                return int(row);
        return -1;
    };
    std::vector<std::string> texts = {"PARAGRAPH TAG", "tag5", "TAG899\xA0", "tag900", ""};
    for (const auto& row : rows) texts.push_back(row[0]);
    for (bool starved : {false, true}) {
        if (starved) MemFree(std::exchange(index.foldSlots, nullptr));
        for (const std::string& text : texts) {
            uint32_t at = 0;
            int found = MappingTableFindNoCase(&index, text.c_str(), &at) ? int(at) : -1;
            EXPECT_EQ(found, scan(text)) << text << " starved " << starved;
        }
    }
    MappingTableFree(&index);
}

TEST_F(MappingDocumentScenario, AKeyThatCannotBeAppendedIsReportedAndReadingGoesOn) {
    ConsoleHook = HostWriteConsole;
    DocBuilder mapping("Z:\\a\\keys.fm");
    mapping.table({{"Paragraph Tag", "L", "R"}, {"First", "", ""}, {"Second", "", ""}, {"Third", "", ""}});
    ObjId id = SimOpenBuilt(server, mapping, true);
    ObjId table = FindMappingTable(id, "Paragraph Tag");

    uint64_t before = MemAllocationCount();
    ListFree(MappingKeyList(id, table));
    uint64_t allocations = MemAllocationCount() - before;

    // Fail each allocation after the list's own two in turn; those that hit
    // an append must say so and leave out that key only.
    std::set<std::string> dropped;
    for (uint64_t n = 3; n <= allocations; ++n) {
        Control().console.clear();
        MemFailAllocation(n);
        StrList* keys = MappingKeyList(id, table);
        MemFailAllocation(0);
        ASSERT_NE(keys, nullptr);
        if (!Control().console.empty()) {
            EXPECT_EQ(Control().console, (Names{"Couldn't allocate string list memory\n"}));
            EXPECT_EQ(ListCount(keys), 2u);
            for (const char* key : {"First", "Second", "Third"})
                if (ListFind(keys, key) < 0) dropped.insert(key);
        }
        ListFree(keys);
    }
    EXPECT_EQ(dropped, (std::set<std::string>{"First", "Second", "Third"}));
    ConsoleHook = nullptr;
}

TEST_F(MappingDocumentScenario, EditingShowsAHiddenMappingDocumentWithoutASecondCopy) {
    ObjId hidden = SimOpenBuilt(server, MappingDocument(MasterPageFile()), false);
    SimStorePut(server, MappingDocument(MasterPageFile()));
    SimOpenBuilt(server, chapter, true);
    Message("EditMasterPageDoc");
    EXPECT_TRUE(Doc(hidden)->visible);
    EXPECT_EQ(Session().documents.size(), 2u);
    EXPECT_EQ(Calls(MethodOpen), 0u);
    // Now on screen, a pass keeps it open.
    Choose("ApplyMasterPagesTarn");
    EXPECT_TRUE(IsOpen(MasterPageFile()));
}

TEST_F(MappingDocumentScenario, EditingOpensMasterPageFmOnScreenOrWarnsWhenThereIsNone) {
    Message("EditMasterPageDoc");
    EXPECT_EQ(AlertTexts(), (Names{MissingAlert}));
    EXPECT_EQ(Control().alerts[0].type, HostAlertContinueWarning);

    SimStorePut(server, MappingDocument(MasterPageFile()));
    Message("EditMasterPageDoc");
    SimDoc* shown = SimDocByName(server, MasterPageFile().c_str());
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(shown->visible);
    EXPECT_EQ(Control().alerts.size(), 1u);
}

TEST_F(MappingDocumentScenario, TheDocumentBeingProcessedIsNeverClosedEvenWhenItHoldsTheRules) {
    // A chapter carrying its own rules, open hidden (as a book pass opens its
    // documents): it is the first open document with a "Page Type" table.
    chapter.table({{"Paragraph Tag", "Left", "Right"}, {"ChapterTitle", "ChapterLeft", "ChapterRight"}});
    chapter.table({{"Page Type", "Left", "Right"}, {"Empty", "Blank", "Blank"}});
    ObjId id = SimOpenBuilt(server, chapter, false);
    SimStorePut(server, MappingDocument(MasterPageFile()));
    Message(("SetDocId " + std::to_string(id)).c_str());
    Message("ApplyMasterPagesDoc");
    ASSERT_NE(Doc(id), nullptr) << "the processed document was closed";
    EXPECT_EQ(Masters(id), (Names{"ChapterRight", "Left"}));
    EXPECT_EQ(Calls(MethodClose), 0u);
    EXPECT_EQ(Calls(MethodOpen), 0u);
}

} // namespace
