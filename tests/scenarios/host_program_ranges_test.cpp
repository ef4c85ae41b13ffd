// vellor-host on the sample book's run of pages: Appendix B's first page holds
// the AppendixTitle paragraph, whose Paragraph Tag row reads Range "Until
// Changed", and its other pages take the appendix master pages too. What the
// run says of them in each format; that a mapping document without the
// Range column leaves no trace of runs in any output; and what `check` says
// of Range cells that do nothing.
// Not on Windows: the program is run as a child through fork and pipes.
#ifndef _WIN32
#include "host_program_run.h"
#include "json_value.h"

namespace {

class HostProgramRanges : public ::testing::Test {
protected:
    ScratchFolder scratch;
    void SetUp() override {
        ASSERT_FALSE(scratch.path().empty());
        CopySample(scratch.path());
    }
    HostResult InScratch(const std::vector<std::string>& args) { return In(scratch, args); }
    static HostResult In(ScratchFolder& folder, const std::vector<std::string>& args) {
        HostRunOptions options;
        options.workingDirectory = folder.path();
        return RunHostProgram(args, options);
    }
};

// Replaces the first `from` of a file of `folder` by `to`.
void Edit(ScratchFolder& folder, const std::string& file, const std::string& from, const std::string& to) {
    std::string bytes = ReadBytes(folder / file);
    size_t at = bytes.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    WriteBytes(folder / file, bytes.replace(at, from.size(), to));
}

// The sample mapping document with its Paragraph Tag table's fourth cells
// taken out of every row: the table as it was before it had a Range column.
std::string WithoutRangeColumn(std::string bytes) {
    size_t end = bytes.find("> # end of Tbl\n");
    bytes.replace(bytes.find("<TblNumColumns 4>"), 17, "<TblNumColumns 3>");
    const std::string cell = "    <Cell\n", cellEnd = "    > # end of Cell\n";
    for (size_t row = bytes.find("   <Row\n"); row < end; row = bytes.find("   <Row\n", row + 1)) {
        size_t at = row;
        for (int n = 0; n < 4; ++n) at = bytes.find(cell, at + 1);
        size_t stop = bytes.find(cellEnd, at) + cellEnd.size();
        end -= stop - at;
        bytes.erase(at, stop - at);
    }
    return bytes;
}

const JsonValue* PageNumbered(const JsonValue& run, const std::string& number) {
    for (const JsonValue& doc : run.Field("documents")->items)
        for (const JsonValue& page : doc.Field("pages")->items)
            if (page.Field("number")->text == number) return &page;
    return nullptr;
}

TEST_F(HostProgramRanges, EveryOutputNamesTheRowAndThePageTheRunBeganOn) {
    HostResult json = InScratch({"--format", "json", "--dry-run", "apply-book", "Manual.book"});
    ASSERT_EQ(json.status, 0) << json.err;
    JsonValue run;
    std::string error;
    ASSERT_TRUE(JsonReader::Read(json.out, &run, &error)) << error;
    const JsonValue* first = PageNumbered(run, "B-1");
    const JsonValue* carried = PageNumbered(run, "B-4");
    ASSERT_TRUE(first && carried);
    EXPECT_EQ(first->Field("rule")->text, "paragraph tag");
    EXPECT_EQ(first->Field("rangeFrom"), nullptr); // the row's own page is no run page
    EXPECT_EQ(carried->Field("rule")->text, "range");
    EXPECT_EQ(carried->Field("key")->text, "AppendixTitle");
    EXPECT_EQ(carried->Field("row")->number, 5);
    EXPECT_EQ(carried->Field("candidates")->items.at(0).text, "AppendixLeft");
    EXPECT_EQ(carried->Field("rangeFrom")->number, 1);

    HostResult tsv = InScratch({"--format", "tsv", "--dry-run", "apply-book", "Manual.book"});
    std::vector<std::string> lines = Lines(tsv.out);
    ASSERT_EQ(lines.size(), 26u) << tsv.out;
    EXPECT_EQ(lines[0].substr(lines[0].rfind('\t')), "\trangeFrom");
    EXPECT_EQ(lines[22].substr(lines[22].rfind('\t')), "\t"); // B-1
    EXPECT_EQ(lines[25].substr(lines[25].rfind("\tAppendixTitle")), "\tAppendixTitle\tAppendixLeft\t1\t1");

    HostResult text = InScratch({"--explain", "--dry-run", "apply", "appendixb.mif"});
    EXPECT_NE(text.out.find("B-3   Right   AppendixRight  Paragraph Tag row 5 \"AppendixTitle\" until changed from "
                            "body page 1, right candidates \"AppendixRight\": entry 1"),
              std::string::npos)
        << text.out;
}

TEST_F(HostProgramRanges, WithoutTheRangeColumnNoOutputShowsARun) {
    // The same rows, once without the column and once with it headed Notes,
    // which no rule reads: the outputs are the same, byte for byte, and say
    // nothing of runs; Appendix B's later pages get their defaults.
    std::string sample = ReadBytes(scratch / "MasterPage.fm");
    WriteBytes(scratch / "Without.fm", WithoutRangeColumn(sample));
    std::string notes = sample;
    notes.replace(notes.find("`Range'"), 7, "`Notes'");
    WriteBytes(scratch / "Notes.fm", notes);
    const std::vector<std::vector<std::string>> runs = {
        {"--format", "json", "--dry-run", "apply-book", "Manual.book"},
        {"--format", "tsv", "--dry-run", "apply-book", "Manual.book"},
        {"--explain", "--dry-run", "apply-book", "Manual.book"},
    };
    for (const std::vector<std::string>& args : runs) {
        std::vector<std::string> without = {"--mapping", "Without.fm"}, headedNotes = {"--mapping", "Notes.fm"};
        without.insert(without.end(), args.begin(), args.end());
        headedNotes.insert(headedNotes.end(), args.begin(), args.end());
        HostResult a = InScratch(without), b = InScratch(headedNotes);
        ASSERT_EQ(a.status, 0) << a.err;
        EXPECT_EQ(a.out, b.out);
        EXPECT_EQ(a.out.find("range"), std::string::npos) << a.out;
        EXPECT_EQ(a.out.find("until changed"), std::string::npos);
    }
    HostResult tsv = InScratch({"--mapping", "Without.fm", "--format", "tsv", "--dry-run", "apply", "appendixb.mif"});
    EXPECT_EQ(Lines(tsv.out).front(), "document\tpath\tabsolute\tposition\tpage\tside\tbefore\tafter\tchanged\trule"
                                      "\ttable\trow\tkey\tcandidates\tentry");
    EXPECT_NE(tsv.out.find("\tB-2\tleft\tLeft\tLeft\tfalse\tdefault\t"), std::string::npos) << tsv.out;
}

TEST_F(HostProgramRanges, CheckReportsRangesThatDoNothing) {
    struct Case {
        const char* situation;
        const char* file;
        const char* from;
        const char* to;
        const char* finding;
    } cases[] = {
        {"an unknown range text", "MasterPage.fm", "`Until Changed'", "`until changed'",
         "MasterPage.fm:121: table 1 \"Paragraph Tag\", row 5 \"AppendixTitle\": cell 4 (range): \"until changed\" is "
         "neither \"This Page\" nor \"Until Changed\"; the row holds for its page only (the words are \"Until Changed\")"},
        {"a heading in another letter case", "MasterPage.fm", "`Range'", "`range'",
         "MasterPage.fm:24: table 1 \"Paragraph Tag\": not read: cell 4 of the heading row, \"range\", differs from "
         "\"Range\" in letter case; the rows hold for their page only"},
        {"a Range column in a Master Page table", "MasterPage.fm", "<String `Paragraph Tag'>",
         "<String `Master Page'>",
         "MasterPage.fm:24: table 1 \"Master Page\": not read: a \"Range\" column counts only in \"Paragraph Tag\" "
         "and \"Marker Category\" tables; these rows hold for their page only"},
        {"a run whose row decides only the last page", "appendixb.mif", "<PgfTag `AppendixTitle'>\n  <ParaLine <TextRectID 61>",
         "<PgfTag `Body'>\n  <ParaLine <TextRectID 61>",
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.situation);
        ScratchFolder folder;
        CopySample(folder.path());
        Edit(folder, c.file, c.from, c.to);
        std::string finding = c.finding;
        if (finding.empty()) {
            Edit(folder, "appendixb.mif", "<PgfTag `Body'>\n  <ParaLine <TextRectID 64>",
                 "<PgfTag `AppendixTitle'>\n  <ParaLine <TextRectID 64>");
            finding = "MasterPage.fm:121: table 1 \"Paragraph Tag\", row 5 \"AppendixTitle\": \"Until Changed\" never "
                      "applies: each page this row decides is the last of its document or followed by a page that a "
                      "rule decides";
        }
        HostResult r = In(folder, {"check", "Manual.book"});
        EXPECT_EQ(r.status, 1) << r.err;
        std::vector<std::string> lines = Lines(r.out);
        EXPECT_NE(std::find(lines.begin(), lines.end(), finding), lines.end()) << finding << "\n---\n" << r.out;
    }
}

} // namespace
#endif
