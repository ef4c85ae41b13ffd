// vellor-host check for a book of many chapters and over time: a fault that
// forty chapters share is one finding that names them, in text, TSV and
// JSON; a list written by --format tsv is accepted later, so that only
// findings that are new (or that concern new documents) are shown, however
// the rows moved in between.
// Not on Windows: the program is run as a child through fork and pipes.
#ifndef _WIN32
#include "host_program_run.h"

namespace {

class HostProgramCheck : public ::testing::Test {
protected:
    ScratchFolder scratch;
    void SetUp() override {
        ASSERT_FALSE(scratch.path().empty());
        CopySample(scratch.path());
    }
    // The sample mapping document with the first `from` replaced by `to`, as Rules.fm.
    std::string Rules(const std::string& from, const std::string& to) {
        std::string bytes = ReadBytes(scratch / "MasterPage.fm");
        size_t at = bytes.find(from);
        EXPECT_NE(at, std::string::npos) << from;
        if (at != std::string::npos) bytes.replace(at, from.size(), to);
        WriteBytes(scratch / "Rules.fm", bytes);
        return scratch / "Rules.fm";
    }
};

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + what.size())) ++n;
    return n;
}

TEST_F(HostProgramCheck, AFaultFortyChaptersShareIsOneFindingThatNamesThem) {
    std::string book = "<Book 2020>\n";
    for (int i = 1; i <= 40; ++i) {
        std::string name = std::string(i < 10 ? "c0" : "c") + std::to_string(i) + ".mif";
        std::filesystem::copy_file(scratch / "ch1.mif", scratch / name);
        book += "<BookComponent <FileName `<c>" + name + "'>>\n";
    }
    WriteBytes(scratch / "Big.book", book);
    std::string rules = Rules("`ChapterRight'", "`chapterRight'"); // table 1, row 3, cell 3
    const std::string finding = "cell 3 (right-hand pages): no master page \"chapterRight\", but \"ChapterRight\" "
                                "(letter case differs)";

    HostResult text = RunHostProgram({"--mapping", rules, "check", scratch / "Big.book"});
    EXPECT_EQ(text.status, 1) << text.err;
    EXPECT_EQ(Count(text.out, "chapterRight"), 1u) << text.out;
    EXPECT_NE(text.out.find("Rules.fm:64: table 1 \"Paragraph Tag\", row 3 \"ChapterTitle\": " + finding +
                            " (in c01.mif, c02.mif, c03.mif, c04.mif and 36 more)\n"),
              std::string::npos)
        << text.out;

    // The machine formats name every document: TSV a line each, JSON all in one finding.
    HostResult tsv = RunHostProgram({"--mapping", rules, "--format", "tsv", "check", scratch / "Big.book"});
    EXPECT_EQ(tsv.status, 1);
    EXPECT_EQ(Lines(tsv.out).front(), "file\tline\ttable\theading\trow\tkey\tfinding\tdocument");
    EXPECT_EQ(Count(tsv.out, "Rules.fm\t64\t1\tParagraph Tag\t3\tChapterTitle\t" + finding + "\tc"), 40u) << tsv.out;
    EXPECT_NE(tsv.out.find("\t" + finding + "\tc40.mif\n"), std::string::npos);
    HostResult json = RunHostProgram({"--mapping", rules, "--format", "json", "check", scratch / "Big.book"});
    EXPECT_EQ(json.status, 1);
    std::string line;
    for (const std::string& l : Lines(json.out))
        if (l.find("chapterRight") != std::string::npos) line = l;
    EXPECT_EQ(Count(line, ".mif\""), 40u) << line;
    EXPECT_EQ(json.out.rfind("{\n  \"schema\": 1,\n  \"command\": \"check\",\n", 0), 0u) << json.out;
}

TEST_F(HostProgramCheck, TheJsonOfTheGuidesRulesIsTheSchemasShape) {
    ScratchFolder guide;
    for (const auto& entry : std::filesystem::directory_iterator(SamplePath("guide")))
        std::filesystem::copy_file(entry.path(), guide / entry.path().filename().string());
    HostRunOptions inGuide;
    inGuide.workingDirectory = guide.path();
    HostResult r = RunHostProgram({"--mapping", "Rules.fm", "--format", "json", "check", "Notes.book"}, inGuide);
    EXPECT_EQ(r.status, 1) << r.err;
    const std::string oneSided = "\"finding\": \"cell 2 (left-hand pages) is never used in a one-sided document: "
                                 "all its pages are right-hand pages\", \"documents\": [\"poster.mif\"]}";
    EXPECT_EQ(r.out, "{\n"
                     "  \"schema\": 1,\n"
                     "  \"command\": \"check\",\n"
                     "  \"mapping\": \"Rules.fm\",\n"
                     "  \"documents\": [\"intro.mif\", \"poster.mif\"],\n"
                     "  \"findings\": [\n"
                     "    {\"file\": \"Rules.fm\", \"line\": 43, \"table\": 1, \"heading\": \"Paragraph Tag\", "
                     "\"row\": 2, \"key\": \"Title\", " + oneSided + ",\n"
                     "    {\"file\": \"Rules.fm\", \"line\": 86, \"table\": 2, \"heading\": \"Page Type\", "
                     "\"row\": 2, \"key\": \"Empty\", " + oneSided + "\n"
                     "  ],\n"
                     "  \"accepted\": 0\n"
                     "}\n");
    EXPECT_EQ(r.err, "Mapping document: Rules.fm (from --mapping)\n");
}

TEST_F(HostProgramCheck, AcceptedFindingsAreLeftOutEvenWhenTheirRowsMove) {
    std::filesystem::copy_file(SamplePath("guide/poster.mif"), scratch / "poster.mif");
    std::string rules = Rules("", ""); // as the sample
    HostResult first = RunHostProgram({"--mapping", rules, "--format", "tsv", "check", scratch / "Manual.book"});
    ASSERT_EQ(first.status, 1) << first.err;
    WriteBytes(scratch / "accepted.tsv", first.out);
    HostResult same = RunHostProgram({"--mapping", rules, "--accept", scratch / "accepted.tsv", "check", scratch / "Manual.book"});
    EXPECT_EQ(same.status, 0) << same.out << same.err;
    EXPECT_EQ(same.out, "Nothing new in Rules.fm for 5 documents; 7 accepted findings left out (" +
                            scratch / "accepted.tsv" + ").\n");

    // A row put in first moves every other row on; its own fault is new,
    // and so are the old faults of a document checked for the first time.
    std::string bytes = ReadBytes(rules);
    size_t row = bytes.find("   <Row", bytes.find("<TblBody"));
    std::string copy = bytes.substr(row, bytes.find("   <Row", row + 1) - row);
    copy.replace(copy.find("`Heading1'"), 10, "`Glossary'");
    bytes.insert(row, copy);
    WriteBytes(rules, bytes);
    HostResult later = RunHostProgram(
        {"--mapping", rules, "--accept", scratch / "accepted.tsv", "check", scratch / "Manual.book", scratch / "poster.mif"});
    EXPECT_EQ(later.status, 1);
    std::vector<std::string> lines = Lines(later.out);
    ASSERT_FALSE(lines.empty()) << later.err;
    EXPECT_EQ(lines.front(), "Rules.fm:45: table 1 \"Paragraph Tag\", row 2 \"Glossary\": no document has a paragraph "
                             "tagged \"Glossary\"");
    for (size_t i = 1; i + 1 < lines.size(); ++i) EXPECT_NE(lines[i].find(" (in poster.mif)"), std::string::npos) << lines[i];
    EXPECT_EQ(lines.back(), std::to_string(lines.size() - 1) + " new findings in Rules.fm for 6 documents; 7 accepted "
                            "findings left out (" + scratch / "accepted.tsv" + ").");

    // A list that is not one is refused, naming its line.
    WriteBytes(scratch / "bad.tsv", first.out + "Rules.fm\t45\tjust a note\n");
    HostResult bad = RunHostProgram({"--mapping", rules, "--accept", scratch / "bad.tsv", "check", scratch / "Manual.book"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.out, "");
    EXPECT_NE(bad.err.find("error: " + scratch / "bad.tsv:9: not a finding as check --format tsv writes it"),
              std::string::npos)
        << bad.err;
}

} // namespace
#endif
