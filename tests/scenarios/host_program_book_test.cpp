// vellor-host on a copy of the sample book: the master pages after
// apply-book against the table worked out by hand, the listing report read
// back from the saved files, progress lines, dry runs, and the document
// commands.
// Not on Windows: the program is run as a child through fork, pipes and
// resource limits; there the sample book is compared with the native run
// instead (cmake/compare_sample_book.cmake).
#ifndef _WIN32
#include "host_program_run.h"

#include <sstream>

namespace {

struct ExpectedPage {
    std::string doc, number, side, before, after;
};

// examples/expected/apply-book-pages.txt: document, page, side, before, after, why.
std::vector<ExpectedPage> ExpectedPages() {
    std::vector<ExpectedPage> pages;
    for (const std::string& line : Lines(ReadBytes(SamplePath("expected/apply-book-pages.txt")))) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        ExpectedPage p;
        fields >> p.doc >> p.number >> p.side >> p.before >> p.after;
        pages.push_back(p);
    }
    return pages;
}

// The rows of a change table: "  document  page  before  after".
std::vector<std::vector<std::string>> TableRows(const std::string& out) {
    std::vector<std::vector<std::string>> rows;
    bool inTable = false;
    for (const std::string& line : Lines(out)) {
        std::istringstream fields(line);
        std::vector<std::string> cells;
        for (std::string cell; fields >> cell;) cells.push_back(cell);
        if (cells.size() == 4 && cells[0] == "document") {
            inTable = true;
            continue;
        }
        if (!inTable) continue;
        if (cells.size() != 4 || cells[0].back() == ':') break;
        rows.push_back(cells);
    }
    return rows;
}

class HostProgramBook : public ::testing::Test {
protected:
    ScratchFolder scratch;
    void SetUp() override {
        ASSERT_FALSE(scratch.path().empty());
        CopySample(scratch.path());
    }
    std::string Book() { return scratch / "Manual.book"; }
};

TEST_F(HostProgramBook, ApplyBookGivesEveryPageTheMasterPageWorkedOutByHand) {
    std::vector<ExpectedPage> expected = ExpectedPages();
    ASSERT_EQ(expected.size(), 25u);

    HostResult r = RunHostProgram({"-v", "apply-book", Book()});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::vector<std::string>> rows = TableRows(r.out);
    ASSERT_EQ(rows.size(), expected.size()) << r.out;
    for (size_t i = 0; i < rows.size(); ++i) {
        const ExpectedPage& e = expected[i];
        EXPECT_EQ(rows[i], (std::vector<std::string>{e.doc, e.number, e.before, e.after})) << "row " << i;
    }

    // A second run reads the saved files back: its report lists exactly the
    // pages that do not use their side's default master page.
    HostResult list = RunHostProgram({"list-book", Book()});
    ASSERT_EQ(list.status, 0) << list.err;
    std::string fromTable = "Manual.book\n", lastDoc;
    for (const ExpectedPage& e : expected) {
        if (e.doc != lastDoc) fromTable += e.doc + "\n";
        lastDoc = e.doc;
        if (e.after != (e.side == "left" ? "Left" : "Right")) fromTable += e.number + "   " + e.after + "\n";
    }
    EXPECT_EQ(list.out, fromTable);
    EXPECT_EQ(list.out, ReadBytes(SamplePath("expected/list-book-report.txt")));
}

TEST_F(HostProgramBook, ApplyBookShowsChangedPagesAndProgressInBookOrder) {
    HostResult r = RunHostProgram({"apply-book", Book()});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::vector<std::string>> changed;
    for (const ExpectedPage& e : ExpectedPages())
        if (e.before != e.after) changed.push_back({e.doc, e.number, e.before, e.after});
    EXPECT_EQ(TableRows(r.out), changed);
    for (const char* count : {"ch1.mif: 4 pages changed of 4", "ch2.mif: 2 pages changed of 4",
                              "ch3.mif: 4 pages changed of 4", "ch4.mif: 3 pages changed of 4",
                              "appendix.mif: 3 pages changed of 5", "appendixb.mif: 4 pages changed of 4",
                              "20 pages changed in 6 of 6 documents"})
        EXPECT_NE(r.out.find(count), std::string::npos) << count << "\n" << r.out;
    // First the mapping document used and where it was found (the book's
    // folder holds one); then, not on a terminal, one plain progress line
    // per document, the folder's first.
    EXPECT_EQ(Lines(r.err), (std::vector<std::string>{"Mapping document: " + scratch / "MasterPage.fm" + " (beside " +
                                                           Book() + ")",
                                                       "[1/6] Updating Master Pages: ch1.mif",
                                                       "[2/6] Updating Master Pages: ch2.mif",
                                                       "[3/6] Updating Master Pages: ch3.mif",
                                                       "[4/6] Updating Master Pages: ch4.mif",
                                                       "[5/6] Updating Master Pages: appendix.mif",
                                                       "[6/6] Updating Master Pages: appendixb.mif"}));
    // Quiet: no progress, no table.
    HostResult quiet = RunHostProgram({"-q", "apply-book", Book()});
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out + quiet.err, "");
}

TEST_F(HostProgramBook, DryRunShowsTheSameChangesAndWritesNothing) {
    std::map<std::string, std::string> before = FolderBytes(scratch.path());
    HostResult dry = RunHostProgram({"--dry-run", "apply-book", Book()});
    ASSERT_EQ(dry.status, 0) << dry.err;
    EXPECT_EQ(FolderBytes(scratch.path()), before);
    EXPECT_NE(dry.out.find("would change"), std::string::npos) << dry.out;

    HostResult dryList = RunHostProgram({"--dry-run", "list-book", "--report", scratch / "report.mif", Book()});
    EXPECT_EQ(dryList.status, 0);
    EXPECT_EQ(FolderBytes(scratch.path()), before);

    // A document named twice: the second pass starts from what the first
    // would have saved.
    HostResult twice = RunHostProgram({"--dry-run", "apply", scratch / "ch1.mif", scratch / "ch1.mif"});
    ASSERT_EQ(twice.status, 0) << twice.err;
    EXPECT_NE(twice.out.find("ch1.mif: no page would change"), std::string::npos) << twice.out;
    EXPECT_NE(twice.out.find("would change in 1 of 2 documents"), std::string::npos) << twice.out;
    EXPECT_EQ(FolderBytes(scratch.path()), before);

    HostResult real = RunHostProgram({"apply-book", Book()});
    ASSERT_EQ(real.status, 0) << real.err;
    EXPECT_EQ(TableRows(dry.out), TableRows(real.out));
    EXPECT_NE(FolderBytes(scratch.path()), before);
}

TEST_F(HostProgramBook, ListReportIsPrintedAndSavedWhereAsked) {
    HostResult r = RunHostProgram({"list", "--report", scratch / "report.mif", scratch / "ch2.mif"});
    ASSERT_EQ(r.status, 0) << r.err;
    // Before any pass: the pages that come with custom master pages.
    EXPECT_EQ(r.out, "ch2.mif\n5   OldChapter\n6   Landscape\n");
    std::string saved = ReadBytes(scratch / "report.mif");
    EXPECT_EQ(saved.rfind("<MIFFile", 0), 0u);
    EXPECT_NE(saved.find("6   Landscape"), std::string::npos);
}

TEST_F(HostProgramBook, ApplyOnDocumentsSavesEachAndInsertedMarkerDecidesAtTheNextPass) {
    // A MasterPage marker "Appendix" at the start of page A-3 of the appendix.
    HostResult insert = RunHostProgram(
        {"insert-marker", scratch / "appendix.mif", "--page", "A-3", "--category", "Appendix"});
    ASSERT_EQ(insert.status, 0) << insert.err;
    EXPECT_NE(insert.err.find("inserted a MasterPage marker \"Appendix\" on page A-3 of appendix.mif"),
              std::string::npos)
        << insert.err;

    std::string ch4 = ReadBytes(scratch / "ch4.mif");
    HostResult apply = RunHostProgram({"apply", scratch / "appendix.mif", scratch / "ch1.mif"});
    ASSERT_EQ(apply.status, 0) << apply.err;
    std::vector<std::vector<std::string>> rows = TableRows(apply.out);
    EXPECT_NE(std::find(rows.begin(), rows.end(),
                        std::vector<std::string>{"appendix.mif", "A-3", "Right", "AppendixRight"}),
              rows.end())
        << apply.out;
    EXPECT_NE(std::find(rows.begin(), rows.end(), std::vector<std::string>{"ch1.mif", "4", "Left", "Blank"}),
              rows.end())
        << apply.out;
    EXPECT_EQ(ReadBytes(scratch / "ch4.mif"), ch4); // not named, not touched
}

TEST_F(HostProgramBook, SendDeliversRawMessagesToTheFilesOpened) {
    HostResult r = RunHostProgram({"send", "SetDocId {2}", "ApplyMasterPagesDoc", "MasterPageAbout", "--open",
                                   scratch / "ch1.mif", scratch / "ch3.mif"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::vector<std::string>> rows = TableRows(r.out);
    ASSERT_FALSE(rows.empty()) << r.out;
    for (const auto& row : rows) EXPECT_EQ(row[0], "ch3.mif");
    // A note of several lines: the later lines stand under the first one's text.
    EXPECT_NE(r.err.find("note: Quillet \n      Version 2.1 Build 100 (64-bit)\n"), std::string::npos) << r.err;
}

} // namespace
#endif
