// Host-fault sweep: the built module, loaded into the simulated host, applies
// master pages to a book and lists it (commands 3 and 5) while one host
// method the tools use fails, on every call or on its Nth call only, with a
// nonzero status, with a busy host or with a plain COM failure. Every run
// must come back, stay within a bounded number of host calls, save nothing
// but the book's chapters, and leave the chapter the user had open open.
#include "hostsim/sim_loader.h"
#include "hostsim/sim_server.h"
#include "platform/win_names.h"
#include "common/module_file.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

namespace {

const std::string ModuleFile = BuiltModuleWindowsName();
const char* const Chapters[] = {"Z:\\book\\ch1.fm", "Z:\\book\\ch2.fm"};
enum : int32_t { CommandApplyToBook = 3, CommandListBook = 5 };

DocBuilder Chapter(const char* name) {
    DocBuilder chapter(name);
    chapter.masterPages({"Left", "Right", "ChapterRight", "Custom", "Blank"}).formats({"Body", "ChapterTitle"});
    chapter.page().para("ChapterTitle", "One");
    chapter.page().master("Custom").para("Body", "two");
    chapter.page();
    return chapter;
}

// A book of two chapters, the second open on screen with unsaved changes,
// after a document of the user's that is not in the book, beside a mapping
// document and an earlier report in the host directory.
struct BookRun {
    SimServer* server = SimServerCreate();
    SimModule module;
    ObjId openChapter = 0;
    bool loaded = false;

    BookRun() {
        std::string hostDir = SimServerSession(server).hostDirectory + "\\";
        DocBuilder mapping((hostDir + "MasterPage.fm").c_str());
        mapping.table({{"Paragraph Tag", "Left", "Right"}, {"ChapterTitle", "ChapterRight", "ChapterRight"}});
        mapping.table({{"Master Page", "Left", "Right"}, {"Custom", "Blank", "Blank"}});
        mapping.table({{"Page Type", "Left", "Right"}, {"Empty", "Blank", "Blank"}});
        SimStorePut(server, mapping);
        DocBuilder report((hostDir + "TarnOutput.fm").c_str());
        report.formats({"Body", "Heading1", "Heading2"}).page().para("Body", "");
        SimStorePut(server, report);
        for (const char* name : Chapters) SimStorePut(server, Chapter(name));
        // A document of the user's that has nothing to do with the book.
        DocBuilder letter("Z:\\letters\\letter.fm");
        SimStorePut(server, letter);
        SimOpenBuilt(server, letter, true);
        SimDoc* open = SimDocById(server, SimOpenBuilt(server, Chapter(Chapters[1]), true));
        open->modified = true;
        openChapter = open->id;
        BookBuilder book("Z:\\book\\book.book");
        book.folder("Part").doc(Chapters[0]).end().doc(Chapters[1]);
        SimOpenBook(server, book, true);

        loaded = SimLoadModule(server, ModuleFile.c_str(), &module) == SimLoadRegistered;
        SimResetCounts(SimServerControl(server));
    }
    ~BookRun() {
        if (loaded) SimUnloadModule(server, &module);
        SimServerRelease(server);
    }
    SimControl& Control() { return SimServerControl(server); }
    // Both commands; true when both callbacks came back S_OK.
    bool Run() {
        return SimClientCommand(server, CommandApplyToBook) == S_OK &&
               SimClientCommand(server, CommandListBook) == S_OK;
    }
    // Names saved that are not chapters.
    std::vector<std::string> OtherSaves() {
        std::vector<std::string> others;
        for (const auto& [name, count] : SimServerMemory(server).saves)
            if (name != Chapters[0] && name != Chapters[1]) others.push_back(name);
        return others;
    }
};

struct FaultKind {
    const char* name;
    HRESULT hresult; // S_OK: the status below instead
    int32_t status;
};
const FaultKind FaultKinds[] = {
    {"status 7", S_OK, 7},
    {"busy host", RPC_E_SERVERCALL_RETRYLATER, 0},
    {"E_FAIL", E_FAIL, 0},
};

void Arm(SimControl& control, const FaultKind& kind, int method, uint64_t onlyCall) {
    if (kind.hresult != S_OK)
        SimFailMethod(control, method, kind.hresult, onlyCall);
    else
        SimFailMethodStatus(control, method, kind.status, onlyCall);
}

// Which calls of a method with `calls` calls in a clean run are failed one
// at a time: every one of a few, else the first ones, some in the middle
// and the last ones.
std::vector<uint64_t> NthCalls(uint64_t calls) {
    std::vector<uint64_t> picks;
    for (uint64_t n = 1; n <= calls; ++n)
        if (calls <= 24 || n <= 8 || n + 8 > calls || n % (calls / 8) == 0) picks.push_back(n);
    return picks;
}

TEST(HostFaultSweep, ABookRunSurvivesEveryFailingHostMethod) {
    // The clean run: which methods the two commands call, and how often.
    std::vector<uint64_t> cleanCalls(SimMainMethodCount);
    uint64_t cleanTotal = 0;
    {
        BookRun clean;
        ASSERT_TRUE(clean.loaded) << ModuleFile;
        ASSERT_TRUE(clean.Run());
        for (int method = 0; method < SimMainMethodCount; ++method)
            cleanCalls[method] = SimCallCount(clean.Control(), method);
        cleanTotal = SimTotalCalls(clean.Control());
        EXPECT_EQ(SimServerMemory(clean.server).saves.size(), 2u);
        EXPECT_TRUE(clean.OtherSaves().empty());
    }

    int methods = 0, faults = 0;
    for (int method = 0; method < SimMainMethodCount; ++method) {
        if (!cleanCalls[method]) continue;
        ++methods;
        std::vector<uint64_t> nth = NthCalls(cleanCalls[method]);
        nth.insert(nth.begin(), 0); // 0: every call fails
        for (const FaultKind& kind : FaultKinds)
            for (uint64_t onlyCall : nth) {
                // Every Nth call gets the status; the COM failures fail
                // every call and the first, middle and last calls.
                if (kind.hresult != S_OK && onlyCall > 1 && onlyCall != nth[nth.size() / 2] &&
                    onlyCall != nth.back())
                    continue;
                ++faults;
                BookRun run;
                ASSERT_TRUE(run.loaded);
                Arm(run.Control(), kind, method, onlyCall);
                std::string what = "method " + std::to_string(method) + ", " + kind.name + ", call " +
                                   (onlyCall ? std::to_string(onlyCall) : "every");
                EXPECT_TRUE(run.Run()) << what;
                EXPECT_LE(SimTotalCalls(run.Control()), 2 * cleanTotal) << what;
                EXPECT_EQ(run.OtherSaves(), std::vector<std::string>{}) << what;
                EXPECT_NE(SimDocById(run.server, run.openChapter), nullptr) << what;
            }
    }
    std::printf("[ sweep ] book run: %d host methods, %d host faults\n", methods, faults);
    EXPECT_GT(methods, 10);
}

} // namespace
