// vellor-host map on copies of the sample book: the page map of a dry run
// against the pages worked out by hand, the book's folders and spreads in
// its HTML, the same documents saved as apply-book saves them, names from
// the documents escaped, and an output that would replace an input refused.
// Not on Windows: the program is run as a child through fork and pipes.
#ifndef _WIN32
#include "host_program_run.h"

#include <set>

#include <sstream>

namespace {

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

// The markup of one document's section of the map.
std::string Section(const std::string& html, const std::string& title) {
    size_t begin = html.find("<section class=\"doc\"><h3>" + title + " ");
    if (begin == std::string::npos) return "";
    return html.substr(begin, html.find("</section>", begin) - begin);
}

// Pages of examples/expected/apply-book-pages.txt whose master page changes;
// all its pages and documents.
size_t ExpectedChanges(size_t* pages, size_t* documents = nullptr) {
    size_t changed = 0;
    *pages = 0;
    std::set<std::string> docs;
    for (const std::string& line : Lines(ReadBytes(SamplePath("expected/apply-book-pages.txt")))) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        std::string doc, number, side, before, after;
        fields >> doc >> number >> side >> before >> after;
        ++*pages;
        changed += before != after;
        docs.insert(doc);
    }
    if (documents) *documents = docs.size();
    return changed;
}

class HostProgramMap : public ::testing::Test {
protected:
    ScratchFolder scratch;
    void SetUp() override {
        ASSERT_FALSE(scratch.path().empty());
        CopySample(scratch.path());
    }
};

TEST_F(HostProgramMap, ADryRunMapsEveryPageOfTheBookAndMarksThoseThatWouldChange) {
    auto before = FolderBytes(scratch.path());
    HostResult r = RunHostProgram({"map", "--dry-run", scratch / "Manual.book", "-o", scratch / "map.html"});
    ASSERT_EQ(r.status, 0) << r.err;
    auto after = FolderBytes(scratch.path());
    std::string html = after["map.html"];
    after.erase("map.html");
    EXPECT_EQ(after, before) << "a dry run saved a document";
    size_t pages = 0, documents = 0, changed = ExpectedChanges(&pages, &documents);
    EXPECT_EQ(Count(html, "<figure class=\"p"), pages);
    EXPECT_EQ(Count(html, "<figure class=\"p c\""), changed);
    EXPECT_NE(html.find("<b>" + std::to_string(documents) + "</b> documents \u00b7 <b>" + std::to_string(pages) + "</b> body pages \u00b7 <b>" +
                        std::to_string(changed) + "</b> pages would change"),
              std::string::npos);
    EXPECT_NE(html.find("<title>ch1.mif, page 1 (right): Right \u2192 ChapterRight; Paragraph Tag row"),
              std::string::npos);
    EXPECT_NE(html.find("<title>ch2.mif, page 6 (left): Landscape; Master Page row"), std::string::npos);
    // The book's folder heads its two chapters; the others stand after it.
    size_t folder = html.find("<h2 class=\"f\""), part = html.find("Part One</h2>");
    EXPECT_LT(folder, part);
    EXPECT_LT(part, html.find("<h3>ch1.mif "));
    EXPECT_LT(html.find("<h3>ch2.mif "), html.find("<h3>ch3.mif "));
    // Landscape's text frame is 9 inches wide: drawn as its master page has it.
    EXPECT_NE(html.find("width=\"648\" height=\"468\""), std::string::npos);
    EXPECT_EQ(html.find("<script"), std::string::npos);
    EXPECT_NE(r.err.find("map.html"), std::string::npos) << r.err;
}

TEST_F(HostProgramMap, SpreadsInTwoSidedDocumentsAndSinglePagesInOneSided) {
    HostResult r = RunHostProgram({"map", "--dry-run", scratch / "ch1.mif", scratch / "ch3.mif",
                                   scratch / "ch4.mif", "-o", scratch / "map.html"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string html = ReadBytes(scratch / "map.html");
    // ch1 starts on a right-hand page: alone on the right of its spread,
    // then pages 2 and 3 face each other, then page 4 on the left.
    std::string ch1 = Section(html, "ch1.mif");
    EXPECT_EQ(Count(ch1, "<div class=\"s\">"), 3u) << ch1;
    EXPECT_NE(ch1.find("<div class=\"pages\"><div class=\"s\"><i class=\"g\"></i><figure"), std::string::npos);
    // ch4 starts on a left-hand page: two spreads of two.
    std::string ch4 = Section(html, "ch4.mif");
    EXPECT_EQ(Count(ch4, "<div class=\"s\">"), 2u) << ch4;
    EXPECT_EQ(ch4.find("<i class=\"g\">"), std::string::npos);
    // ch3 is one-sided: no spreads.
    std::string ch3 = Section(html, "ch3.mif");
    EXPECT_EQ(Count(ch3, "<figure"), 4u);
    EXPECT_EQ(ch3.find("<div class=\"s\">"), std::string::npos);
    EXPECT_EQ(html.find("<h2 class=\"f\""), std::string::npos) << "documents have no folders";
}

TEST_F(HostProgramMap, WithoutDryRunTheBookIsSavedAsApplyBookSavesIt) {
    ScratchFolder other;
    CopySample(other.path());
    HostResult applied = RunHostProgram({"apply-book", other / "Manual.book"});
    HostResult mapped = RunHostProgram({"map", scratch / "Manual.book", "-o", scratch / "map.html"});
    ASSERT_EQ(applied.status, 0) << applied.err;
    ASSERT_EQ(mapped.status, 0) << mapped.err;
    EXPECT_EQ(mapped.out, applied.out);
    auto expected = FolderBytes(other.path());
    auto got = FolderBytes(scratch.path());
    std::string html = got["map.html"];
    got.erase("map.html");
    EXPECT_EQ(got, expected);
    EXPECT_NE(html.find("</b> pages changed</p>"), std::string::npos);
    EXPECT_NE(html.find("<h2>Pages changed</h2>"), std::string::npos);
}

TEST_F(HostProgramMap, NamesFromTheDocumentsAreEscaped) {
    std::string bytes = ReadBytes(scratch / "ch2.mif");
    const std::string from = "`Landscape'", to = "`Land<scape\\> & \"Co\" \xC3\xA9'";
    for (size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + to.size()))
        bytes.replace(at, from.size(), to);
    WriteBytes(scratch / "a&b.mif", bytes);
    HostResult r = RunHostProgram({"map", "--dry-run", scratch / "a&b.mif", "-o", scratch / "map.html"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string html = ReadBytes(scratch / "map.html");
    EXPECT_NE(html.find("<h1>Page map: a&amp;b.mif</h1>"), std::string::npos);
    EXPECT_NE(html.find("Land&lt;scape&gt; &amp; &quot;Co&quot; \xC3\xA9"), std::string::npos);
    EXPECT_EQ(html.find("<scape>"), std::string::npos);
    EXPECT_EQ(html.find("a&b"), std::string::npos);
}

TEST_F(HostProgramMap, AnOutputThatIsAnInputIsRefusedAndNothingIsWritten) {
    auto before = FolderBytes(scratch.path());
    struct Case {
        std::vector<std::string> args;
        std::string error;
    };
    const Case cases[] = {
        {{"map", scratch / "ch1.mif", "-o", scratch / "ch1.mif"}, "which this run reads: the page map would replace it"},
        {{"map", scratch / "Manual.book", "-o", scratch / "ch4.mif"}, "which this run reads"},
        {{"map", scratch / "ch1.mif", "-o", scratch / "MasterPage.fm"}, "which this run reads"},
        {{"map", scratch / "ch1.mif"}, "map needs -o FILE.html"},
        {{"map", scratch / "Manual.book", scratch / "ch1.mif", "-o", scratch / "m.html"}, "map takes one book alone"},
    };
    for (const Case& c : cases) {
        HostResult r = RunHostProgram(c.args);
        EXPECT_EQ(r.status, 2) << c.args.back();
        EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
        EXPECT_EQ(FolderBytes(scratch.path()), before) << c.args.back();
    }
}

} // namespace
#endif
