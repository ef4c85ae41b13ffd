// vellor-host and the mapping document: the first line of a run names the
// mapping document used and where it was found, a --mapping that the
// plug-in would not take is refused before anything runs, documents without
// changes read alike under every command, and `check` lists what in a
// mapping document would silently do nothing for the documents given.
// Not on Windows: the program is run as a child through fork and pipes;
// there the sample book is compared with the native run instead
// (cmake/compare_sample_book.cmake).
#ifndef _WIN32
#include "host_program_run.h"

namespace {

class HostProgramMapping : public ::testing::Test {
protected:
    ScratchFolder scratch;
    void SetUp() override {
        ASSERT_FALSE(scratch.path().empty());
        CopySample(scratch.path());
    }
    std::string HostFolderMapping() { return std::string(VELLOR_BINARY_DIR) + "/hostdir/MasterPage.fm"; }
    // The sample mapping document with `from` replaced by `to` everywhere.
    std::string Edited(const std::string& name, const std::string& from, const std::string& to) {
        std::string bytes = ReadBytes(scratch / "MasterPage.fm");
        EXPECT_NE(bytes.find(from), std::string::npos) << from;
        for (size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + to.size()))
            bytes.replace(at, from.size(), to);
        WriteBytes(scratch / name, bytes);
        return scratch / name;
    }
};

std::string FirstLine(const std::string& text) { return text.substr(0, text.find('\n')); }

TEST_F(HostProgramMapping, TheFirstLineNamesTheMappingDocumentAndWhereItWasFound) {
    // The sample's folder holds MasterPage.fm beside the book and chapters;
    // "alone" holds a chapter and other rules, but no MasterPage.fm.
    std::filesystem::create_directory(scratch / "alone");
    std::filesystem::copy_file(scratch / "ch1.mif", scratch / "alone/ch1.mif");
    std::string rules = Edited("alone/Rules.fm", "ChapterRight", "SectionRight");
    std::string beside = "Mapping document: " + scratch / "MasterPage.fm" + " (beside ";
    struct Case {
        std::vector<std::string> args;
        std::string firstLine;
        int status;
    } cases[] = {
        {{"--dry-run", "apply", scratch / "ch1.mif"}, beside + scratch / "ch1.mif)", 0},
        {{"--dry-run", "apply-book", scratch / "Manual.book"}, beside + scratch / "Manual.book)", 0},
        {{"--dry-run", "send", "SetDocId {1}", "ApplyMasterPagesDoc", "--open", scratch / "ch1.mif"},
         beside + scratch / "ch1.mif)", 0},
        {{"--mapping", rules, "--dry-run", "apply-book", scratch / "Manual.book"},
         "Mapping document: " + rules + " (from --mapping)", 0},
        {{"--dry-run", "send", "SetDocId {2}", "ApplyMasterPagesDoc", "--open", rules, scratch / "alone/ch1.mif"},
         "Mapping document: " + rules + " (an open document with a \"Page Type\" table)", 0},
        // The sample installed with the program decides only with a warning.
        {{"--dry-run", "apply", scratch / "alone/ch1.mif"}, "Mapping document: " + HostFolderMapping() +
                                                                " (from the host folder)", 1},
    };
    for (const Case& c : cases) {
        HostResult r = RunHostProgram(c.args);
        EXPECT_EQ(r.status, c.status) << c.firstLine << "\n" << r.err;
        EXPECT_EQ(FirstLine(r.err), c.firstLine);
        bool sample = r.err.find("\nwarning: these are the sample rules installed with vellor-host; put your "
                                 "mapping document beside the book or documents as MasterPage.fm, or name it "
                                 "with --mapping\n") != std::string::npos;
        EXPECT_EQ(sample, c.status == 1) << r.err;
    }
    // The rules opened first are the ones used: the chapter title page gets SectionRight.
    HostResult option = RunHostProgram({"--mapping", rules, "--dry-run", "apply", scratch / "ch1.mif"});
    EXPECT_NE(option.out.find("ch1.mif   1     Right        SectionRight"), std::string::npos) << option.out;

    // A document holding a "Page Type" table, open alone, is its own mapping document.
    HostResult itself = RunHostProgram({"--dry-run", "apply", scratch / "alone/ch1.mif", rules});
    EXPECT_NE(itself.err.find("\nMapping document for Rules.fm: itself (an open document with a \"Page Type\" table)\n"),
              std::string::npos)
        << itself.err;
    EXPECT_EQ(itself.err.find("Mapping document for ch1.mif"), std::string::npos) << itself.err;

    // Quiet runs print no such line; a listing uses no mapping document.
    EXPECT_EQ(RunHostProgram({"-q", "--dry-run", "apply", scratch / "ch1.mif"}).err, "");
    EXPECT_EQ(RunHostProgram({"list", scratch / "ch1.mif"}).err.find("Mapping document"), std::string::npos);
}

TEST_F(HostProgramMapping, AMappingDocumentBesideTheFilesIsRefusedAheadUnlessThePluginWouldTakeIt) {
    std::filesystem::create_directory(scratch / "other");
    std::filesystem::copy_file(scratch / "ch2.mif", scratch / "other/ch2.mif");
    Edited("other/MasterPage.fm", "ChapterRight", "SectionRight");
    std::map<std::string, std::string> before = FolderBytes(scratch.path());
    struct Case {
        std::string mapping; // what MasterPage.fm beside the book holds ("": as it is)
        std::vector<std::string> args;
        std::string says;
    } cases[] = {
        {"<MakerFile 15.0>\n", {"apply-book", scratch / "Manual.book"},
         "error: MasterPage.fm beside " + scratch / "Manual.book" + " is a binary FrameMaker document"},
        {"<MIFFile 2015>\n", {"apply", scratch / "ch1.mif"},
         "error: " + scratch / "MasterPage.fm" + " has no \"Page Type\" table"},
        {"", {"apply", scratch / "ch1.mif", scratch / "other/ch2.mif"},
         "have different mapping documents beside them"},
    };
    for (const Case& c : cases) {
        if (!c.mapping.empty()) WriteBytes(scratch / "MasterPage.fm", c.mapping);
        HostResult r = RunHostProgram(c.args);
        EXPECT_EQ(r.status, 2) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        WriteBytes(scratch / "MasterPage.fm", before.at("MasterPage.fm"));
        EXPECT_EQ(FolderBytes(scratch.path()), before);
    }
}

TEST_F(HostProgramMapping, AHostFolderWithoutAMappingDocumentIsNamedAsSuch) {
    ScratchFolder hostDir;
    std::filesystem::create_directory_symlink(std::string(VELLOR_BINARY_DIR) + "/hostdir/icu_data",
                                              hostDir / "icu_data");
    std::string lowerRules = Edited("Lower.fm", "`Page Type'", "`page type'");
    std::filesystem::remove(scratch / "MasterPage.fm"); // none beside the chapter
    HostResult none = RunHostProgram({"--host-dir", hostDir.path(), "apply", scratch / "ch1.mif"});
    EXPECT_EQ(none.status, 1);
    EXPECT_EQ(FirstLine(none.err), "Mapping document: none (the host folder " + hostDir.path() + " has no MasterPage.fm)");

    // A MasterPage.fm there whose heading is in another letter case is opened
    // by the plug-in but not taken.
    std::filesystem::copy_file(lowerRules, hostDir / "MasterPage.fm");
    HostResult lower = RunHostProgram({"--host-dir", hostDir.path(), "apply", scratch / "ch1.mif"});
    EXPECT_EQ(lower.status, 1);
    EXPECT_NE(FirstLine(lower.err).find("MasterPage.fm in the host folder has no \"Page Type\" table"), std::string::npos)
        << lower.err;
    EXPECT_NE(lower.err.find("warning: Could not open the MasterPage.fm document."), std::string::npos);
}

TEST_F(HostProgramMapping, AMappingOptionWithoutAPageTypeTableIsRefusedBeforeAnythingRuns) {
    std::string lower = Edited("Lower.fm", "`Page Type'", "`page type'");
    std::map<std::string, std::string> before = FolderBytes(scratch.path());
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--mapping", lower, "apply", scratch / "ch1.mif"},
          std::vector<std::string>{"--mapping", lower, "apply-book", scratch / "Manual.book"},
          std::vector<std::string>{"--mapping", lower, "check", scratch / "ch1.mif"},
          std::vector<std::string>{"--mapping", scratch / "ch1.mif", "send", "ApplyMasterPagesDoc"}}) {
        HostResult r = RunHostProgram(args);
        EXPECT_EQ(r.status, 2) << args[1];
        EXPECT_NE(r.err.find("has no \"Page Type\" table"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("it may have no rows below its heading"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        EXPECT_EQ(FolderBytes(scratch.path()), before);
    }
}

TEST_F(HostProgramMapping, ADocumentWithoutChangesReadsTheSameUnderEveryCommand) {
    ASSERT_EQ(RunHostProgram({"-q", "apply-book", scratch / "Manual.book"}).status, 0);
    const std::string line = "  ch1.mif: no page changed (4 pages)\n";
    HostResult apply = RunHostProgram({"apply", scratch / "ch1.mif"});
    HostResult book = RunHostProgram({"apply-book", scratch / "Manual.book"});
    HostResult send = RunHostProgram({"send", "ApplyMasterPagesDoc", "--open", scratch / "ch1.mif"});
    for (const HostResult* r : {&apply, &book, &send}) {
        EXPECT_EQ(r->status, 0) << r->err;
        EXPECT_NE(r->out.find(line), std::string::npos) << r->out;
    }
    HostResult dry = RunHostProgram({"--dry-run", "apply", scratch / "ch1.mif"});
    EXPECT_NE(dry.out.find("  ch1.mif: no page would change (4 pages)\n"), std::string::npos) << dry.out;

    // -v lists every page examined, changed or not, with both master pages.
    HostResult verbose = RunHostProgram({"-v", "apply", scratch / "ch1.mif"});
    for (const char* row : {"ch1.mif   1     ChapterRight  ChapterRight", "ch1.mif   4     Blank         Blank"})
        EXPECT_NE(verbose.out.find(row), std::string::npos) << row << "\n" << verbose.out;
}

TEST_F(HostProgramMapping, ADocumentWithoutBodyPagesSaysSo) {
    WriteBytes(scratch / "empty.mif", "<MIFFile 2015>\n");
    HostResult r = RunHostProgram({"apply", scratch / "empty.mif"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("  empty.mif: no body pages\n"), std::string::npos) << r.out;
}

TEST_F(HostProgramMapping, AMessageIdThatNamesNothingOpenIsAWarning) {
    HostResult doc = RunHostProgram({"send", "SetDocId 99", "ApplyMasterPagesDoc", "--open", scratch / "ch1.mif"});
    EXPECT_EQ(doc.status, 1);
    EXPECT_NE(doc.err.find("warning: \"SetDocId 99\": no open document has the id 99"), std::string::npos) << doc.err;
    HostResult book = RunHostProgram({"send", "SetBookId  77 ", "ApplyMasterPagesBook"});
    EXPECT_EQ(book.status, 1);
    EXPECT_NE(book.err.find("no open book has the id 77"), std::string::npos) << book.err;
    // A document's id given as a book's names no book either.
    HostResult crossed = RunHostProgram({"send", "SetBookId {1}", "--open", scratch / "ch1.mif"});
    EXPECT_EQ(crossed.status, 1) << crossed.err;
    // The ids of what is open are fine.
    HostResult fine = RunHostProgram({"send", "SetDocId {1}", "ApplyMasterPagesDoc", "--open", scratch / "ch1.mif"});
    EXPECT_EQ(fine.status, 0) << fine.err;
}

TEST_F(HostProgramMapping, CheckFindsOnlyPagesSetByHandWhenEveryRuleCanApply) {
    // Every key of the sample's mapping document meets one of the book's
    // documents; only the left-page cells mean nothing for the one-sided
    // chapter, so it is made two-sided here. What remains are the pages the
    // sample sets by hand and no rule keeps: a run gives them the default.
    std::string ch3 = ReadBytes(scratch / "ch3.mif");
    ch3.replace(ch3.find("<DTwoSides No>"), 14, "<DTwoSides Yes>");
    WriteBytes(scratch / "ch3.mif", ch3);
    auto before = FolderBytes(scratch.path());
    HostResult r = RunHostProgram({"--mapping", scratch / "MasterPage.fm", "check", scratch / "Manual.book"});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    const std::string place = "MasterPage.fm:100: table 2 \"Master Page\": ";
    EXPECT_EQ(r.out, place + "pages use the master page \"ChapterLeft\" set by hand and get the default: no rule "
                             "keeps it (a \"Master Page\" row \"ChapterLeft | As Is | As Is\" would) (in ch1.mif)\n" +
                         place + "pages use the master page \"SectionRight\" set by hand and get the default: no rule "
                                 "keeps it (a \"Master Page\" row \"SectionRight | As Is | As Is\" would) (in ch3.mif)\n" +
                         place + "pages without a master page get the default: no rule keeps them (a MasterPage "
                                 "marker whose \"Marker Category\" row reads None would) (in ch4.mif)\n"
                                 "3 findings in MasterPage.fm for 5 documents.\n");
    EXPECT_EQ(r.err, "Mapping document: " + scratch / "MasterPage.fm" + " (from --mapping)\n");
    EXPECT_EQ(FolderBytes(scratch.path()), before); // the pass ran, and nothing was saved
}

TEST_F(HostProgramMapping, CheckListsWhatWouldSilentlyDoNothing) {
    std::string bytes = ReadBytes(scratch / "MasterPage.fm");
    auto replace = [&](const std::string& from, const std::string& to) {
        size_t at = bytes.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        bytes.replace(at, from.size(), to);
    };
    replace("`Heading1'", "`heading1'");          // a key in another letter case
    replace("`ChapterRight'", "`Chapterright'");  // a candidate in another letter case
    replace("`IndexTitle'", "`Glossary'");        // a key no document has
    replace("`As Is'", "`As is'");                // a misspelt word
    replace("`Master Page'", "`master page'");    // a heading in another letter case
    replace("`Marker Category'", "`Paragraph Tag'"); // a second table of a kind
    WriteBytes(scratch / "Rules.fm", bytes);
    std::map<std::string, std::string> before = FolderBytes(scratch.path());

    HostResult r = RunHostProgram({"--mapping", scratch / "Rules.fm", "check", scratch / "Manual.book"});
    EXPECT_EQ(r.status, 1) << r.err;
    // Each finding once, with the line of its row's (or table's) statement
    // and the documents it concerns.
    std::vector<std::string> expected = {
        "Rules.fm:45: table 1 \"Paragraph Tag\", row 2 \"heading1\": meets a paragraph tagged \"Heading1\" only "
        "when letter case is ignored: keys are compared exactly (in ch1.mif, ch3.mif, ch4.mif)",
        "Rules.fm:45: table 1 \"Paragraph Tag\", row 2 \"heading1\": cell 2 (left-hand pages): no document has a "
        "master page \"As is\" (the word is \"As Is\")",
        "Rules.fm:64: table 1 \"Paragraph Tag\", row 3 \"ChapterTitle\": cell 3 (right-hand pages): no master page "
        "\"Chapterright\", but \"ChapterRight\" (letter case differs) (in ch1.mif, ch2.mif, ch3.mif, ch4.mif, appendix.mif)",
        "Rules.fm:64: table 1 \"Paragraph Tag\", row 3 \"ChapterTitle\": cell 2 (left-hand pages) is never used in "
        "a one-sided document: all its pages are right-hand pages (in ch3.mif)",
        "Rules.fm:81: table 1 \"Paragraph Tag\", row 4 \"Glossary\": no document has a paragraph tagged \"Glossary\"",
        "Rules.fm:100: table 2 \"master page\": not read: the heading differs from \"Master Page\" in letter case",
        "Rules.fm:160: table 3 \"Paragraph Tag\": not read: a second \"Paragraph Tag\" table; only the first "
        "(table 1) counts",
    };
    std::vector<std::string> lines = Lines(r.out);
    for (const std::string& line : expected)
        EXPECT_NE(std::find(lines.begin(), lines.end(), line), lines.end()) << line << "\n---\n" << r.out;
    EXPECT_EQ(lines.back(), std::to_string(lines.size() - 1) + " findings in Rules.fm for 5 documents.");
    EXPECT_EQ(FolderBytes(scratch.path()), before); // check writes nothing

    // What check says is what the plug-in does: the page of ch1.mif whose
    // Heading1 paragraph met the row before is no longer decided by it.
    HostResult apply = RunHostProgram({"--dry-run", "--mapping", scratch / "Rules.fm", "apply", scratch / "ch1.mif"});
    EXPECT_EQ(apply.out.find("SectionRight"), std::string::npos) << apply.out;
}

TEST_F(HostProgramMapping, CheckNamesSkippedRowsAndPageTypeKeys) {
    std::string bytes = ReadBytes(scratch / "MasterPage.fm");
    // The first body row of the first table, twice over, and a key cell emptied.
    size_t body = bytes.find("<TblBody");
    size_t rowStart = bytes.find("   <Row", body);
    size_t rowEnd = bytes.find("> # end of Row\n", rowStart) + std::string("> # end of Row\n").size();
    std::string row = bytes.substr(rowStart, rowEnd - rowStart);
    std::string emptied = row;
    emptied.replace(emptied.find("<String `Heading1'>"), std::string("<String `Heading1'>").size(), "<String `'>");
    bytes.insert(rowEnd, row + emptied);
    // The "Marker Category" heading moved out of the first cell.
    size_t marker = bytes.find("`Marker Category'");
    size_t second = bytes.find("`Left pages'", marker);
    bytes.replace(second, 12, "`Marker Category'");
    bytes.replace(marker, 17, "`Notes'");
    size_t empty = bytes.find("`Empty'");
    ASSERT_NE(empty, std::string::npos);
    bytes.replace(empty, 7, "`empty'");
    WriteBytes(scratch / "Rules.fm", bytes);

    HostResult r = RunHostProgram({"--mapping", scratch / "Rules.fm", "check", scratch / "ch1.mif"});
    EXPECT_EQ(r.status, 1);
    for (const char* line :
         {"Rules.fm:64: table 1 \"Paragraph Tag\", row 3 \"Heading1\": skipped: row 2 has the same key, and the first "
          "counts",
          "Rules.fm:83: table 1 \"Paragraph Tag\", row 4 \"\": skipped: the key cell is empty",
          ": table 3 \"Notes\": not read: \"Marker Category\" stands in cell 2 of the heading row; only the "
          "first paragraph of the first cell is read",
          "\"Page Type\", row 2 \"empty\": no effect: only the key \"Empty\" of a \"Page Type\" table is read (letter "
          "case differs)"})
        EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n---\n" << r.out;
}

TEST_F(HostProgramMapping, CheckStopsOnInputItCannotRead) {
    HostResult missing = RunHostProgram({"check", scratch / "ch1.mif", scratch / "nosuch.mif"});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("nosuch.mif: no such file"), std::string::npos);
    EXPECT_EQ(missing.out, "");
    std::string bytes = ReadBytes(scratch / "ch4.mif");
    size_t quote = bytes.find("'>", bytes.find("<String `"));
    bytes.erase(quote, 1); // a string left open
    WriteBytes(scratch / "ch4.mif", bytes);
    HostResult damaged = RunHostProgram({"check", scratch / "Manual.book"});
    EXPECT_EQ(damaged.status, 2) << damaged.out;
    EXPECT_NE(damaged.err.find("ch4.mif"), std::string::npos) << damaged.err;
    ScratchFolder emptyHost;
    std::filesystem::remove(scratch / "MasterPage.fm"); // none beside the chapter either
    HostResult noMapping = RunHostProgram({"--host-dir", emptyHost.path(), "check", scratch / "ch1.mif"});
    EXPECT_EQ(noMapping.status, 2);
    EXPECT_NE(noMapping.err.find("has no MasterPage.fm"), std::string::npos) << noMapping.err;
}

TEST_F(HostProgramMapping, AMarkerTextFrameRomanCannotCarryIsRefusedAndNothingIsWritten) {
    std::map<std::string, std::string> before = FolderBytes(scratch.path());
    HostResult r = RunHostProgram({"insert-marker", scratch / "ch1.mif", "--page", "1", "--category", "日本 Notes"});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("FrameRoman, has no 日 (U+65E5), 本 (U+672C)"), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(FolderBytes(scratch.path()), before);

    // Characters FrameRoman has go in, and the note shows what the document holds.
    HostResult fine = RunHostProgram({"insert-marker", scratch / "ch1.mif", "--page", "1", "--category", "Café"});
    EXPECT_EQ(fine.status, 0) << fine.err;
    EXPECT_NE(fine.err.find("note: inserted a MasterPage marker \"Café\" on page 1 of ch1.mif"), std::string::npos)
        << fine.err;
    EXPECT_NE(ReadBytes(scratch / "ch1.mif").find("Caf"), std::string::npos);
}

} // namespace
#endif
