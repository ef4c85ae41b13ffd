// Command 1 on generated chapters, with the host's text fixed and with it
// reflowing: host calls per body page by method (the
// simulated host counts them, so they do not depend on the machine), wall
// time per page, and how both grow when the page count doubles. A digest of
// every page's master page and the alerts shown lets runs on different code
// be checked for giving the same result.
#include "bench_documents.h"
#include "bench_host.h"
#include "bench_pass.h"

#include <cstdio>
#include <map>
#include <string>
#include <tuple>

namespace {

const int32_t CommandApplyMasterPages = 1;

uint64_t Fnv(uint64_t hash, const std::string& text) {
    for (unsigned char c : text) hash = (hash ^ c) * 1099511628211ull;
    return (hash ^ 0xFF) * 1099511628211ull;
}

std::string Hex(uint64_t value) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%016llx", (unsigned long long)value);
    return buffer;
}

// Master page and background of every body page, the alerts and console lines.
uint64_t ResultDigest(SimServer* server, ObjId document) {
    uint64_t hash = 14695981039346656037ull;
    if (SimDoc* doc = SimDocById(server, document))
        for (ObjId page : doc->bodyPages) {
            hash = Fnv(hash, SimPageMasterName(*doc, page));
            hash = Fnv(hash, std::to_string(SimLocal(*doc, page)->background));
        }
    const SimControl& control = SimServerControl(server);
    for (const SimAlert& alert : control.alerts) hash = Fnv(hash, alert.text);
    for (const std::string& line : control.console) hash = Fnv(hash, line);
    return hash;
}

struct PassResult {
    BenchCalls calls;
    double seconds = 0;
    uint64_t digest = 0;
};

int RunPass(const PassDocShape& shape, PassResult& result) {
    BenchHost host;
    if (BenchHostStart(host) != 0) return -1;
    SimServer* server = host.server;
    SimServerSession(server).reflow = shape.reflow;
    SimStorePut(server, BuildPassMapping(SimServerSession(server).hostDirectory, shape));
    ObjId chapter = SimOpenBuilt(server, BuildPassChapter("Z:\\bench\\chapter.fm", shape), true);
    BenchTakeCalls(host);
    double start = BenchNow();
    BenchHostCommand(host, CommandApplyMasterPages);
    result.seconds = BenchNow() - start;
    result.calls = BenchTakeCalls(host);
    result.digest = ResultDigest(server, chapter);
    BenchHostStop(host);
    return 0;
}

} // namespace

void BenchPass(BenchRun& run, const PassMatrix& matrix) {
    // (reflow, rows, markerTenths, pages) -> result, for the growth ratios.
    std::map<std::tuple<bool, int, int, int>, PassResult> done;
    for (bool reflow : {false, true})
        for (int rows : matrix.rows)
            for (int tenths : matrix.markerTenths)
                for (int pages : matrix.pages) {
                    PassDocShape shape;
                    shape.reflow = reflow;
                    shape.pages = pages;
                    shape.rows = rows;
                    shape.markers = int(int64_t(pages) * tenths / 10);
                    shape.seed = uint32_t(pages * 7 + rows * 13 + tenths);
                    auto half = done.find({reflow, rows, tenths, pages / 2});
                    char name[64];
                    std::snprintf(name, sizeof name, "P=%d R=%d M=%d%s", pages, rows, shape.markers,
                                  reflow ? " reflow" : "");
                    if (matrix.budget > 0 && half != done.end() &&
                        half->second.seconds > matrix.budget / 4) {
                        BenchFigure& figure = BenchAdd(run, "pass", name);
                        BenchSetText(figure, "skipped", "over budget");
                        continue;
                    }
                    std::fprintf(stderr, "pass %s ...\n", name);
                    PassResult result;
                    if (RunPass(shape, result) != 0) {
                        run.notes.push_back(std::string("could not start the session for ") + name);
                        continue;
                    }
                    BenchFigure& figure = BenchAdd(run, "pass", name);
                    BenchSet(figure, "calls/page", double(result.calls.total) / pages);
                    for (int m = 0; m < SimMainMethodCount; ++m)
                        if (result.calls.byMethod[m])
                            BenchSet(figure, BenchMethodName(m),
                                     double(result.calls.byMethod[m]) / pages);
                    BenchSet(figure, "us/page", result.seconds * 1e6 / pages);
                    if (half != done.end()) {
                        BenchSet(figure, "calls x2",
                                 double(result.calls.total) / double(half->second.calls.total));
                        BenchSet(figure, "time x2", result.seconds / half->second.seconds);
                    }
                    BenchSetText(figure, "digest", Hex(result.digest));
                    done[{reflow, rows, tenths, pages}] = result;
                }
}

void BenchBook(BenchRun& run, int chapters, int pagesPerChapter) {
    BenchHost host;
    if (BenchHostStart(host) != 0) {
        run.notes.push_back("book figures: could not start the session");
        return;
    }
    SimServer* server = host.server;
    PassDocShape shape;
    shape.pages = pagesPerChapter;
    shape.rows = 100;
    shape.markers = pagesPerChapter / 10;
    SimStorePut(server, BuildPassMapping(SimServerSession(server).hostDirectory, shape));
    BookBuilder book("Z:\\bench\\book.book");
    for (int c = 0; c < chapters; ++c) {
        std::string name = "Z:\\bench\\chapter" + std::to_string(c + 1) + ".fm";
        shape.seed = uint32_t(c + 1);
        SimStorePut(server, BuildPassChapter(name.c_str(), shape));
        book.doc(name.c_str());
    }
    SimOpenBook(server, book, true);
    long builtKiB = BenchPeakKiB();
    BenchTakeCalls(host);
    const int32_t commands[] = {3, 5};
    const char* const names[] = {"apply to book (3)", "list book (5)"};
    for (int i = 0; i < 2; ++i) {
        double start = BenchNow();
        BenchHostCommand(host, commands[i]);
        double seconds = BenchNow() - start;
        BenchCalls calls = BenchTakeCalls(host);
        char label[96];
        std::snprintf(label, sizeof label, "%s: %d x %d pages", names[i], chapters, pagesPerChapter);
        BenchFigure& figure = BenchAdd(run, "book", label);
        BenchSet(figure, "seconds", seconds);
        BenchSet(figure, "host calls", double(calls.total));
        BenchSet(figure, "calls/page", double(calls.total) / (chapters * pagesPerChapter));
        BenchSet(figure, "peak KiB", double(BenchPeakKiB()));
        BenchSet(figure, "KiB built", double(builtKiB));
    }
    BenchHostStop(host);
}
