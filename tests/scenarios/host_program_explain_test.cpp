// vellor-host saying why each page got its master page, and its output for
// scripts: the sample book's explanations against the pages worked out by
// hand, every --format output held to docs/vellor-host-json.md, the
// warnings about pages that fell back to their default, the As Is row that
// keeps a master page set by hand, --exit-code, and tables that stay
// aligned and unambiguous.
// Not on Windows: the program is run as a child through fork and pipes.
#ifndef _WIN32
#include "host_program_run.h"
#include "json_value.h"

#include <filesystem>
#include <sstream>

namespace {

using Fields = std::vector<std::pair<std::string, std::string>>; // name, type

// One section of docs/vellor-host-json.md: its objects' fields and types,
// and the heading line of its TSV.
struct Documented {
    std::map<std::string, Fields> objects; // "run", "book", "document", "page", "letter case"
    std::string tsvHeader;
};

// The table cells of a line "| `name` | type | meaning |"; a `\|` stays in its cell.
std::vector<std::string> Cells(const std::string& line) {
    std::vector<std::string> cells(1);
    for (size_t i = 1; i < line.size(); ++i) {
        if (line[i] == '|' && line[i - 1] != '\\') cells.emplace_back();
        else cells.back() += line[i];
    }
    for (std::string& c : cells) {
        while (!c.empty() && c.front() == ' ') c.erase(0, 1);
        while (!c.empty() && c.back() == ' ') c.pop_back();
    }
    return cells;
}

// The section whose "## " heading lists `command` ("## apply, apply-book").
Documented ReadDocumented(const std::string& command) {
    Documented out;
    bool inSection = false, tsvNext = false, inFence = false;
    std::string object;
    for (const std::string& line : Lines(ReadBytes(std::string(VELLOR_SOURCE_DIR) + "/docs/vellor-host-json.md"))) {
        if (line.rfind("## ", 0) == 0) {
            inSection = (", " + line.substr(3) + ",").find(" " + command + ",") != std::string::npos;
            continue;
        }
        if (!inSection) continue;
        if (line.rfind("### ", 0) == 0) {
            tsvNext = line == "### TSV columns";
            std::string heading = line.substr(4);
            object = heading.substr(heading.find(' ') + 1);
            continue;
        }
        if (line.rfind("```", 0) == 0) {
            inFence = !inFence;
            continue;
        }
        if (inFence && tsvNext && out.tsvHeader.empty()) out.tsvHeader = line;
        if (line.rfind("| `", 0) == 0) {
            std::vector<std::string> cells = Cells(line);
            out.objects[object].push_back({cells[0].substr(1, cells[0].size() - 2), cells[1]});
        }
    }
    return out;
}

// Holds `v` to the documented `type`; each fault names where it is.
void Check(const JsonValue& v, std::string type, const Documented& doc, const std::string& where,
           std::vector<std::string>* faults) {
    const std::string orNull = " or null";
    if (type.size() > orNull.size() && type.compare(type.size() - orNull.size(), orNull.size(), orNull) == 0) {
        if (v.kind == JsonValue::Null) return;
        type.resize(type.size() - orNull.size());
    }
    auto fault = [&](const std::string& what) { faults->push_back(where + ": " + what); };
    if (type == "1") {
        if (v.kind != JsonValue::Number || v.number != 1) fault("not 1");
    } else if (type == "string" || type == "boolean" || type == "integer") {
        bool ok = type == "string"    ? v.kind == JsonValue::String
                  : type == "boolean" ? v.kind == JsonValue::Bool
                                      : v.kind == JsonValue::Number && v.integer;
        if (!ok) fault("not a " + type);
    } else if (type.rfind("array of ", 0) == 0) {
        if (v.kind != JsonValue::Array) return fault("not an array");
        std::string item = type.substr(9, type.size() - 10); // "strings" -> "string"
        for (size_t i = 0; i < v.items.size(); ++i) Check(v.items[i], item, doc, where + "[" + std::to_string(i) + "]", faults);
    } else if (doc.objects.count(type)) {
        if (v.kind != JsonValue::Object) return fault("not an object (" + type + ")");
        const Fields& fields = doc.objects.at(type);
        std::vector<std::string> names, documented;
        for (const auto& [name, value] : v.fields) names.push_back(name);
        for (const auto& [name, fieldType] : fields) documented.push_back(name);
        if (names != documented) {
            std::string found, wanted;
            for (const std::string& n : names) found += " " + n;
            for (const std::string& n : documented) wanted += " " + n;
            return fault("fields" + found + " instead of the documented" + wanted);
        }
        for (size_t i = 0; i < fields.size(); ++i) Check(v.fields[i].second, fields[i].second, doc, where + "." + fields[i].first, faults);
    } else {
        fault("undocumented type " + type);
    }
}

JsonValue ParsedJson(const std::string& text) {
    JsonValue v;
    std::string error;
    EXPECT_TRUE(JsonReader::Read(text, &v, &error)) << error << "\n" << text;
    return v;
}

struct HandPage {
    std::string doc, number, side, before, after, rule, key, entry;
};

// examples/expected/apply-book-pages.txt: document, page, side, before,
// after, rule, key, entry, why.
std::vector<HandPage> PagesWorkedOutByHand() {
    std::vector<HandPage> pages;
    for (const std::string& line : Lines(ReadBytes(SamplePath("expected/apply-book-pages.txt")))) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream fields(line);
        HandPage p;
        fields >> p.doc >> p.number >> p.side >> p.before >> p.after >> p.rule >> p.key >> p.entry;
        pages.push_back(p);
    }
    return pages;
}

class HostProgramExplain : public ::testing::Test {
protected:
    ScratchFolder scratch;
    void SetUp() override {
        ASSERT_FALSE(scratch.path().empty());
        CopySample(scratch.path());
    }
    // A copy of a sample file with `from` replaced by `to`, under `name`.
    std::string Edited(const std::string& sample, const std::string& name, const std::string& from,
                       const std::string& to) {
        std::string bytes = ReadBytes(scratch / sample);
        EXPECT_NE(bytes.find(from), std::string::npos) << from;
        for (size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + to.size()))
            bytes.replace(at, from.size(), to);
        std::filesystem::create_directories(std::filesystem::path(scratch / name).parent_path());
        WriteBytes(scratch / name, bytes);
        return scratch / name;
    }
    HostResult InScratch(const std::vector<std::string>& args) {
        HostRunOptions options;
        options.workingDirectory = scratch.path();
        return RunHostProgram(args, options);
    }
};

TEST_F(HostProgramExplain, TheSampleBooksPagesAreDecidedAsWorkedOutByHand) {
    std::vector<HandPage> hand = PagesWorkedOutByHand();
    ASSERT_EQ(hand.size(), 21u);
    HostResult r = InScratch({"--format", "json", "--dry-run", "apply-book", "Manual.book"});
    ASSERT_EQ(r.status, 0) << r.err;
    JsonValue run = ParsedJson(r.out);
    const std::map<std::string, std::string> rules = {{"master", "master page"}, {"marker", "marker"},
                                                      {"tag", "paragraph tag"},  {"empty", "empty page"},
                                                      {"default", "default"}};
    size_t at = 0;
    for (const JsonValue& doc : run.Field("documents")->items)
        for (const JsonValue& page : doc.Field("pages")->items) {
            ASSERT_LT(at, hand.size());
            const HandPage& h = hand[at++];
            // The file's spelling of nulls: None for no master page, - for
            // the default's key and entry, none for an entry no candidate made.
            auto text = [&](const char* name, const char* ifNull) {
                const JsonValue* v = page.Field(name);
                return v->kind == JsonValue::Null ? std::string(ifNull) : v->text;
            };
            const JsonValue* number = page.Field("entry");
            std::string entry = number->kind == JsonValue::Number ? std::to_string(int(number->number))
                                : h.rule == "default"             ? "-"
                                                                  : "none";
            EXPECT_EQ((std::vector<std::string>{doc.Field("path")->text, text("number", ""), text("side", ""),
                                                text("before", "None"), text("after", "None"), text("rule", ""),
                                                text("key", "-"), entry}),
                      (std::vector<std::string>{h.doc, h.number, h.side, h.before, h.after, rules.at(h.rule), h.key,
                                                h.entry}))
                << "page " << at;
        }
    EXPECT_EQ(at, hand.size());
    EXPECT_EQ(run.Field("pagesChanged")->number, 16);
    EXPECT_EQ(run.Field("documentsChanged")->number, 5);
}

TEST_F(HostProgramExplain, EveryFormattedOutputFollowsTheDocumentedSchema) {
    struct Case {
        std::string command;
        std::vector<std::string> args;
        size_t lines; // of the TSV below its header: pages, or findings by document
        int status = 0;
    } cases[] = {
        {"apply", {"--dry-run", "apply", "ch1.mif", "ch2.mif"}, 8},
        {"apply-book", {"--dry-run", "apply-book", "Manual.book"}, 21},
        {"list", {"list", "ch2.mif"}, 4},
        {"list-book", {"list-book", scratch / "Manual.book"}, 21},
        {"check", {"check", "Manual.book"}, 7, 1}, // left-hand cells of a one-sided chapter, pages set by hand
    };
    for (const Case& c : cases) {
        const std::string& command = c.command;
        Documented doc = ReadDocumented(command);
        ASSERT_TRUE(doc.objects.count("run") && !doc.tsvHeader.empty()) << command;
        std::vector<std::string> args = {"--format", "json"};
        args.insert(args.end(), c.args.begin(), c.args.end());
        HostResult json = InScratch(args);
        ASSERT_EQ(json.status, c.status) << json.err;
        std::vector<std::string> faults;
        Check(ParsedJson(json.out), "run", doc, command, &faults);
        EXPECT_EQ(faults, std::vector<std::string>{}) << json.out;

        args[1] = "tsv";
        HostResult tsv = InScratch(args);
        ASSERT_EQ(tsv.status, c.status) << tsv.err;
        std::vector<std::string> lines = Lines(tsv.out);
        ASSERT_EQ(lines.size(), c.lines + 1) << tsv.out;
        EXPECT_EQ(lines[0], doc.tsvHeader);
        for (const std::string& line : lines)
            EXPECT_EQ(std::count(line.begin(), line.end(), '\t'), std::count(doc.tsvHeader.begin(), doc.tsvHeader.end(), '\t'))
                << line;
    }
}

TEST_F(HostProgramExplain, ExplainShowsWhyAndWarnsOncePerRuleThatSentPagesToTheirDefault) {
    // Two chapters of the same name in two folders: an Appendix marker whose
    // row names AppendixRight, which neither has. And a chapter whose page 7
    // holds only a heading1 paragraph, which matches Heading1 in another case.
    Edited("ch4.mif", "a/ch4.mif", "<MIFFile", "<MIFFile");
    Edited("ch4.mif", "b/ch4.mif", "<MIFFile", "<MIFFile");
    Edited("ch2.mif", "ch2case.mif", "IndexTitle", "Index");
    HostResult r = InScratch({"--explain", "--dry-run", "apply", "a/ch4.mif", "b/ch4.mif", "ch2case.mif"});
    EXPECT_EQ(r.status, 0) << r.err; // warnings about the mapping leave the status alone
    std::vector<std::string> warnings;
    for (const std::string& line : Lines(r.err))
        if (line.rfind("warning: ", 0) == 0) warnings.push_back(line);
    const std::string check = " got the default master page instead; `vellor-host check` examines the mapping document";
    EXPECT_EQ(warnings,
              (std::vector<std::string>{
                  "warning: Marker Category row 2 \"Appendix\" names master pages that a/ch4.mif and b/ch4.mif lack "
                  "(AppendixRight), so 2 pages" + check,
                  "warning: Paragraph Tag row 2 \"Heading1\" matches \"heading1\" only in another letter case, so "
                  "1 page of ch2case.mif" + check}));
    EXPECT_EQ(r.err.find("Master page:"), std::string::npos) << r.err; // the plug-in's lines are not echoed
    EXPECT_NE(r.out.find("  a/ch4.mif    17    Blank        Right         Marker Category row 2 \"Appendix\", right "
                         "candidates \"AppendixRight\": none applies, default\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("  ch2case.mif  7     Right        Right         no rule: default (\"heading1\" matches "
                         "Paragraph Tag row 2 \"Heading1\" only in another letter case)\n"),
              std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("\n  7 pages would change in 3 of 3 documents\n"), std::string::npos) << r.out;
}

TEST_F(HostProgramExplain, AMasterPageRowOfAsIsKeepsAPageSetByHand) {
    HostResult before = InScratch({"--explain", "--dry-run", "apply", "ch1.mif"});
    ASSERT_EQ(before.status, 0) << before.err;
    EXPECT_NE(before.out.find("  ch1.mif   2     ChapterLeft  Left          no rule: default; ChapterLeft was set by "
                              "hand and no rule keeps it (a Master Page row ChapterLeft | As Is | As Is would)\n"),
              std::string::npos)
        << before.out;

    // The row suggested, in place of the sample's Landscape | As Is | As Is.
    std::string rules = Edited("MasterPage.fm", "Rules.fm", "`Landscape'", "`ChapterLeft'");
    HostResult after = InScratch({"--mapping", rules, "--format", "json", "--dry-run", "apply", "ch1.mif"});
    ASSERT_EQ(after.status, 0) << after.err;
    JsonValue run = ParsedJson(after.out);
    const JsonValue& page = run.Field("documents")->items.at(0).Field("pages")->items.at(1);
    EXPECT_EQ(page.Field("after")->text, "ChapterLeft");
    EXPECT_EQ(page.Field("rule")->text, "master page");
    EXPECT_EQ(page.Field("key")->text, "ChapterLeft");
    EXPECT_FALSE(page.Field("handSetLost")->boolean);
    EXPECT_EQ(page.Field("keepingRow")->kind, JsonValue::Null);
}

TEST_F(HostProgramExplain, ExitCodeTellsWhetherPagesChanged) {
    ScratchFolder empty;
    // A chapter with no MasterPage.fm beside it, in a host folder with none:
    // the plug-in warns that it has no mapping document.
    Edited("ch2.mif", "alone/ch2.mif", "<MIFFile", "<MIFFile");
    struct Step {
        std::vector<std::string> args;
        int status;
    } steps[] = {
        {{"--dry-run", "--exit-code", "apply", "ch3.mif"}, 3}, // would change
        {{"--exit-code", "apply", "ch3.mif"}, 3},              // changed
        {{"--dry-run", "--exit-code", "apply", "ch3.mif"}, 0}, // nothing left to change
        {{"apply", "ch1.mif"}, 0},                             // without --exit-code
        {{"--host-dir", empty.path(), "--dry-run", "--exit-code", "apply", "alone/ch2.mif"}, 1}, // a warning wins
        {{"--exit-code", "list", "ch2.mif"}, 2},
    };
    for (const Step& step : steps) {
        HostResult r = InScratch(step.args);
        EXPECT_EQ(r.status, step.status) << step.args[step.args.size() - 2] << "\n" << r.err;
    }
}

TEST_F(HostProgramExplain, SendShowsThePlugInsLinesAsAFrameMakerUserSeesThem) {
    HostResult r = InScratch({"send", "ExplainMasterPages 1", "SetDocId {1}", "ApplyMasterPagesDoc", "--open", "ch1.mif"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string windowsName = "Z:" + scratch.path() + "/ch1.mif";
    std::replace(windowsName.begin(), windowsName.end(), '/', '\\');
    EXPECT_NE(r.err.find("\nMaster page: \"" + windowsName + "\" body page 1 (right): \"Right\" -> \"ChapterRight\" by "
                         "Paragraph Tag table row 3 key \"ChapterTitle\", right candidates \"ChapterRight\", entry 1\n"),
              std::string::npos)
        << r.err;
}

TEST_F(HostProgramExplain, AListingsRecordNamesThePagesItsReportLists) {
    HostResult report = InScratch({"list-book", "Manual.book"});
    HostResult json = InScratch({"--format", "json", "list-book", "Manual.book"});
    ASSERT_EQ(report.status, 0) << report.err;
    ASSERT_EQ(json.status, 0) << json.err;
    EXPECT_EQ(json.out.find("Manual.book\n"), std::string::npos); // no report text among the JSON
    std::string fromRecord = "Manual.book\n";
    JsonValue run = ParsedJson(json.out);
    for (const JsonValue& doc : run.Field("documents")->items) {
        fromRecord += doc.Field("title")->text + "\n";
        for (const JsonValue& page : doc.Field("pages")->items)
            if (page.Field("listed")->boolean)
                fromRecord += page.Field("number")->text + "   " +
                              (page.Field("master")->kind == JsonValue::Null ? "None" : page.Field("master")->text) + "\n";
    }
    EXPECT_EQ(fromRecord, report.out);
}

// Terminal columns of a UTF-8 text made of ASCII, CJK ideographs (two) and
// combining accents (none).
size_t Columns(const std::string& s) {
    size_t columns = 0;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        size_t length = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
        std::string ch = s.substr(i, length);
        columns += ch == "\xCC\x81" ? 0 : length == 3 ? 2 : 1;
        i += length;
    }
    return columns;
}

TEST_F(HostProgramExplain, TableColumnsAlignByDisplayWidth) {
    // A master page named with a wide ideograph and a combining accent.
    Edited("ch1.mif", "wide.mif", "ChapterLeft", "\xE7\xAB\xA0Le\xCC\x81" "ft");
    HostResult r = InScratch({"-v", "--dry-run", "apply", "wide.mif"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines = Lines(r.out);
    ASSERT_GE(lines.size(), 6u) << r.out;
    size_t after = lines[1].find("after");
    ASSERT_NE(after, std::string::npos) << r.out;
    for (size_t i = 2; i < 6; ++i) {
        size_t last = lines[i].find_last_of(' ') + 1; // the after column is the last
        EXPECT_EQ(Columns(lines[i].substr(0, last)), after) << lines[i];
    }
    EXPECT_NE(r.out.find("\xE7\xAB\xA0Le\xCC\x81" "ft"), std::string::npos) << r.out;
}

} // namespace
#endif
