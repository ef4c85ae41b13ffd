// Allocation-failure sweeps: each scenario runs once clean, then again with
// its 1st, 2nd, ... allocation failing, until a run gets through clean. Every
// run must end as the failing allocation's contract says (a null result the
// caller copes with, the console line of a failed key-list append, or the
// fatal error, resumed here, where the allocation is fatal), must leave no
// block unreachable and no host block unreleased, and must not crash.
#include "sweep.h"

#include "common/icu_data.h"
#include "host/call_layer.h"
#include "host/host_interfaces.h"
#include "host/host_wire.h"
#include "hostsim/sim_server.h"
#include "platform/com_types.h"
#include "support/base/format.h"
#include "support/io/format_output.h"
#include "support/io/encoding_convert.h"
#include "support/base/host_encodings.h"
#include "support/io/library_startup.h"
#include "support/io/path.h"
#include "tools/mapping_document.h"
#include "tools/tool_entry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;
const char ListLine[] = "Couldn't allocate string list memory\n";
const char MissingMapping[] = "Could not open the MasterPage.fm document.";

// One simulated FrameMaker session with the library connected in-process, so
// that the library's allocations are this program's and the seam reaches them.
struct Connected {
    SimServer* server = SimServerCreate();
    Connected() {
        UseBuildIcuData();
        HostAcquireInterfaces(SimServerUnknown(server));
        ConsoleHook = HostWriteConsole;
        TargetDocId = TargetBookId = 0;
        HostErrorCode = 0;
    }
    ~Connected() {
        ConsoleHook = nullptr;
        HostReleaseInterfaces();
        SimServerRelease(server);
        EncLibraryReset();
        TargetDocId = TargetBookId = 0;
    }
    SimSession& Session() { return SimServerSession(server); }
    SimControl& Control() { return SimServerControl(server); }
    std::string HostFile(const char* name) { return Session().hostDirectory + "\\" + name; }
    Texts Alerts() {
        Texts texts;
        for (const SimAlert& alert : Control().alerts) texts.push_back(alert.text);
        return texts;
    }
    Texts Masters(ObjId id) {
        Texts names;
        for (ObjId page : SimDocById(server, id)->bodyPages)
            names.push_back(SimPageMasterName(*SimDocById(server, id), page));
        return names;
    }
};

// Every entry of `seen` is `allowed`.
bool OnlyThese(const Texts& seen, const std::set<std::string>& allowed) {
    return std::all_of(seen.begin(), seen.end(), [&](const std::string& s) { return allowed.count(s); });
}

DocBuilder SweepMapping(const std::string& name) {
    DocBuilder mapping(name.c_str());
    mapping.table({{"Paragraph Tag", "Left pages", "Right pages"}, {"ChapterTitle", "ChapterLeft", "ChapterRight"}});
    mapping.table({{"Master Page", "Left pages", "Right pages"}, {"Custom", "Missing\nSpecial", "Special"}});
    mapping.table({{"Marker Category", "Left pages", "Right pages"}, {"Appendix", "AppLeft", "AppRight"}});
    mapping.table({{"Page Type", "Left pages", "Right pages"}, {"Empty", "Blank", "Blank"}});
    return mapping;
}

// Four pages, each decided by another rule; Left and Right are the defaults.
DocBuilder SweepChapter(const char* name) {
    DocBuilder chapter(name);
    chapter.masterPages({"Left", "Right", "ChapterLeft", "ChapterRight", "Special", "AppLeft", "AppRight",
                         "Blank", "Custom"})
        .formats({"Body", "ChapterTitle"});
    chapter.page().para("ChapterTitle", "One");
    chapter.page().master("Custom").para("Body", "two");
    chapter.page().para("Body", "three").marker("MasterPage", "Appendix");
    chapter.page();
    return chapter;
}

TEST(AllocationSweep, ApplyMasterPagesToADocument) {
    Texts clean;
    int listLines = 0, fatalErrors = 0, unchangedPasses = 0;
    long hostBlocks = PlatformTaskBlocksOutstanding();
    auto run = [&](uint64_t n) {
        Connected host;
        SimStorePut(host.server, SweepMapping(host.HostFile("MasterPage.fm")));
        ObjId chapter = SimOpenBuilt(host.server, SweepChapter("Z:\\book\\ch1.fm"), true);
        Texts before = host.Masters(chapter), text = SimFlowTexts(*SimDocById(host.server, chapter));
        ResumeFatalErrors fatal;
        bool fired = RunFailingAllocation(n, [] { RunToolCommand(1); });
        if (n == 0) {
            clean = host.Masters(chapter);
            EXPECT_EQ(clean, (Texts{"ChapterRight", "Special", "AppRight", "Blank"}));
        }
        // A page ends as the clean pass leaves it, as before, or at the
        // default of its side when a rule could not be read.
        Texts after = host.Masters(chapter);
        for (size_t i = 0; i < after.size() && !clean.empty(); ++i) {
            EXPECT_TRUE(after[i] == clean[i] || after[i] == before[i] || after[i] == (i % 2 ? "Left" : "Right"))
                << "allocation " << n << ", page " << i + 1 << ": " << after[i];
        }
        EXPECT_EQ(SimFlowTexts(*SimDocById(host.server, chapter)), text);
        EXPECT_TRUE(OnlyThese(host.Control().console, {ListLine})) << "allocation " << n;
        // A pass that could not hold its tables stops before the pages (it
        // never redisplays the document) and changes no page at all.
        if (host.Control().alerts.empty() && SimCallCount(host.Control(), HostMethodRedisplay) == 0) {
            EXPECT_EQ(after, before) << "allocation " << n;
            ++unchangedPasses;
        }
        EXPECT_TRUE(OnlyThese(host.Alerts(), {MissingMapping})) << "allocation " << n;
        // The one fatal allocation of a pass is a key list's item array.
        EXPECT_LE(fatal.raised, 1) << "allocation " << n;
        for (const auto& line : host.Control().console) listLines += line == ListLine;
        fatalErrors += fatal.raised;
        EXPECT_TRUE(SimServerMemory(host.server).saves.empty());
        // A pass that found its mapping document closes it again.
        if (host.Control().alerts.empty()) {
            EXPECT_EQ(SimDocByName(host.server, host.HostFile("MasterPage.fm").c_str()), nullptr) << n;
        }
        EXPECT_EQ(PlatformTaskBlocksOutstanding(), hostBlocks) << "allocation " << n;
        return fired;
    };
    uint64_t points = SweepAllocations(run);
    std::printf("[ sweep ] document pass: %llu allocation points\n", (unsigned long long)points);
    EXPECT_GT(points, 50u);
    // The sweep met both ways a pass reports memory trouble: the console
    // line of a lost key and the fatal error of a key list's items.
    EXPECT_GT(listLines, 0);
    EXPECT_GT(fatalErrors, 0);
    EXPECT_GT(unchangedPasses, 0);
    EXPECT_FALSE(LeaksFound());
}

// The report's paragraph texts, and what a text may degrade to when one of
// its strings could not be copied: the page number or the master page name
// left out, or the whole title empty.
Texts ReportTexts(SimServer* server) {
    for (auto& doc : SimServerSession(server).documents)
        if (doc->untitled) return SimFlowTexts(*doc);
    return {};
}
std::set<std::string> Degraded(const Texts& clean) {
    std::set<std::string> allowed{""};
    for (const std::string& text : clean) {
        allowed.insert(text);
        size_t gap = text.find("   ");
        if (gap != std::string::npos) {
            allowed.insert(text.substr(gap));
            allowed.insert(text.substr(0, gap + 3));
            allowed.insert("   ");
        }
    }
    return allowed;
}

TEST(AllocationSweep, ListMasterPagesOfABook) {
    Texts clean;
    long hostBlocks = PlatformTaskBlocksOutstanding();
    auto run = [&](uint64_t n) {
        Connected host;
        for (const char* name : {"Z:\\book\\ch1.fm", "Z:\\book\\ch2.fm"}) {
            DocBuilder chapter(name);
            chapter.masterPages({"Left", "Right", "Custom"});
            chapter.page().master("Custom");
            chapter.page().noMaster();
            chapter.page();
            SimStorePut(host.server, chapter);
        }
        // The second chapter is open with unsaved changes: it must stay so.
        SimDoc* open = SimDocById(host.server, SimOpenBuilt(host.server, SweepChapter("Z:\\book\\ch2.fm"), true));
        open->modified = true;
        ObjId openId = open->id;
        BookBuilder book("Z:\\book\\book.book");
        book.folder("Part").doc("Z:\\book\\ch1.fm").end().doc("Z:\\book\\ch2.fm");
        SimOpenBook(host.server, book, true);

        ResumeFatalErrors fatal;
        bool fired = RunFailingAllocation(n, [] { RunToolCommand(5); });
        Texts report = ReportTexts(host.server);
        if (n == 0) {
            clean = report;
            EXPECT_EQ(clean, (Texts{"book.book", "ch1.fm", "1   Custom", "2   None", "ch2.fm", "2   Custom", ""}));
        }
        EXPECT_LE(report.size(), clean.size()) << "allocation " << n;
        EXPECT_TRUE(OnlyThese(report, Degraded(clean))) << "allocation " << n;
        EXPECT_EQ(fatal.raised, 0) << "allocation " << n;
        EXPECT_TRUE(host.Control().alerts.empty());
        EXPECT_TRUE(host.Control().console.empty());
        EXPECT_TRUE(SimServerMemory(host.server).saves.empty());
        // Nothing the command opened stays open; what the user had open does.
        EXPECT_EQ(SimDocByName(host.server, "Z:\\book\\ch1.fm"), nullptr) << "allocation " << n;
        SimDoc* stillOpen = SimDocById(host.server, openId);
        EXPECT_TRUE(stillOpen && stillOpen->modified) << "allocation " << n;
        EXPECT_TRUE(!host.Control().statusLines.empty() && host.Control().statusLines.back().text.empty());
        EXPECT_EQ(PlatformTaskBlocksOutstanding(), hostBlocks) << "allocation " << n;
        return fired;
    };
    uint64_t points = SweepAllocations(run);
    std::printf("[ sweep ] book listing: %llu allocation points\n", (unsigned long long)points);
    EXPECT_GT(points, 20u);
    EXPECT_FALSE(LeaksFound());
}

// ---- Conversions and paths: each step on its own. A path step gives what
// the clean run gives or null, and never raises the fatal error; every
// allocation of a conversion raises it, and with the error resumed the
// conversion must still end without a crash or a leak.

std::optional<std::string> Taken(char* block, size_t bytes) {
    if (!block) return std::nullopt;
    std::string value(block, bytes);
    MemFree(block);
    return value;
}
std::optional<std::string> Taken(char* block) { return block ? Taken(block, std::strlen(block)) : std::nullopt; }
size_t Utf16Bytes(const char* text) {
    size_t n = 0;
    while (text[n] || text[n + 1]) n += 2;
    return n;
}

const char FrameRomanText[] = "Caf\x8e\tone\x0b" "two\x04\x8e\x8e";
const char Utf8Text[] = "Caf\xc3\xa9\tone\x0btwo";

struct ValueStep {
    const char* name;
    bool fatal; // its allocations are fatal ones
    std::function<std::optional<std::string>()> run;
};

TEST(AllocationSweep, ConversionsAndPaths) {
    UseBuildIcuData();
    const char* roman = EncConverterNameOf(EncFrameRoman);
    std::string utf16(Utf16Bytes("C\0a\0f\0\xe9\0\t\0o\0\0\0") + 2, '\0');
    std::memcpy(utf16.data(), "C\0a\0f\0\xe9\0\t\0o\0", utf16.size() - 2);
    PathObject* base = PathFromString("C:\\docs\\book\\", nullptr, PathStyleNative);
    ASSERT_NE(base, nullptr);
    auto pathText = [](PathObject* path) {
        std::optional<std::string> text;
        if (path) text = path->path;
        PathFree(path);
        return text;
    };
    const ValueStep steps[] = {
        {"FrameRoman to UTF-8", true,
         [&] { return Taken(EncConvert(FrameRomanText, roman, EncNameUtf8, 0, 0)); }},
        {"UTF-8 to UTF-16", true,
         [&] {
             char* out = EncConvert(Utf8Text, EncNameUtf8, EncNameUtf16, 0, 0);
             return out ? Taken(out, Utf16Bytes(out)) : std::nullopt;
         }},
        {"UTF-16 to FrameRoman", true, [&] { return Taken(EncConvert(utf16.data(), EncNameUtf16, roman, 0, 0)); }},
        {"FrameRoman to UTF-8, controls kept", true,
         [&] { return Taken(EncConvert(FrameRomanText, roman, EncNameUtf8, 1, 0)); }},
        {"PathFromString", false,
         [&] { return pathText(PathFromString("C:\\docs\\..\\book\\ch1.fm", nullptr, PathStyleNative)); }},
        {"PathFromString tokens", false,
         [&] { return pathText(PathFromString("<v>C:<c>docs<c>ch1.fm", nullptr, PathStyleTokens)); }},
        {"PathResolveNew", false, [&] { return pathText(PathResolveNew("..\\notes\\.\\ch2.fm", base)); }},
        {"PathBaseName", false,
         [&] {
             PathObject* path = PathFromString("C:\\docs\\book\\chapter one.fm", nullptr, PathStyleNative);
             std::optional<std::string> name = path ? Taken(PathBaseName(path)) : std::nullopt;
             PathFree(path);
             return name;
         }},
        {"PathSplit", false,
         [&] {
             char directory[PathBufferSize], name[PathNameSize];
             if (PathSplit("C:\\docs\\book\\ch3.fm", directory, name) != 0) return std::optional<std::string>{};
             return std::optional<std::string>(std::string(directory) + "|" + name);
         }},
    };
    for (const ValueStep& step : steps) {
        std::optional<std::string> clean;
        uint64_t points = SweepAllocations([&](uint64_t n) {
            ResumeFatalErrors fatal;
            std::optional<std::string> result;
            bool fired = RunFailingAllocation(n, [&] { result = step.run(); });
            if (n == 0) {
                clean = result;
                EXPECT_TRUE(clean.has_value()) << step.name;
            } else if (!fired) {
                EXPECT_EQ(result, clean) << step.name;
            } else if (step.fatal) {
                // Every block of a conversion is a fatal one; once the error
                // is resumed the conversion only has to end safely.
                EXPECT_GE(fatal.raised, 1) << step.name << ", allocation " << n;
            } else if (result) {
                EXPECT_EQ(result, clean) << step.name << ", allocation " << n;
            }
            if (!step.fatal) {
                EXPECT_EQ(fatal.raised, 0) << step.name << ", allocation " << n;
            }
            return fired;
        });
        std::printf("[ sweep ] %-36s %3llu allocation points\n", step.name, (unsigned long long)points);
    }
    PathFree(base);
    EXPECT_FALSE(LeaksFound());
}

// Blocks that following the text literally would leave behind: the answer
// of a declined prompt, the copy of a string the host refused with a
// status, and the option and return lists of opening the mapping document.
// Each is freed; the leak checker of the sanitizer build holds each row.
TEST(LeakCheck, BlocksThatAreNotHandedOutAreFreed) {
    struct Row {
        const char* name;
        std::function<void(Connected&)> run;
    };
    const Row rows[] = {
        {"declined marker prompt",
         [](Connected& host) {
             SimOpenBuilt(host.server, SweepChapter("Z:\\book\\ch1.fm"), true);
             SimScriptPrompt(host.Control(), "Appendix", false);
             RunToolCommand(6);
             EXPECT_EQ(host.Control().prompts.size(), 1u);
         }},
        {"string refused with a status",
         [](Connected& host) {
             SimFailMethodStatus(host.Control(), 97, 7);
             EXPECT_EQ(HostGetStringProp(0, 0, PropHostDirectory), nullptr);
             EXPECT_EQ(HostErrorCode, 7);
         }},
        {"mapping document opened",
         [](Connected& host) {
             SimStorePut(host.server, SweepMapping(host.HostFile("MasterPage.fm")));
             ObjId mapping = OpenMappingDocument(0);
             EXPECT_NE(mapping, 0u);
             HostClose(mapping, 1);
         }},
    };
    long hostBlocks = PlatformTaskBlocksOutstanding();
    for (const Row& row : rows) {
        {
            Connected host;
            row.run(host);
        }
        EXPECT_FALSE(LeaksFound()) << row.name;
        EXPECT_EQ(PlatformTaskBlocksOutstanding(), hostBlocks) << row.name;
    }
}

} // namespace
