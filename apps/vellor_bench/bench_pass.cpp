// Command 1 on generated chapters, with the host's text fixed and with it
// reflowing: host calls per body page by method (the
// simulated host counts them, so they do not depend on the machine), wall
// time per page, and how both grow when the page count doubles. A digest of
// every page's master page and the alerts shown lets runs on different code
// be checked for giving the same result. The same chapters once more with a
// mapping document whose Heading row and Part marker start runs of pages
// ("Until Changed"), against the same mapping whose rows all hold for their
// own page ("This Page"): the calls a page costs with and without runs.
#include "bench_documents.h"
#include "bench_host.h"
#include "bench_pass.h"

#include <algorithm>
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
    size_t pagesAfter = 0; // body pages once the pass is done (text may have moved)
};

// The pass mapping's rows with a Range column: the Heading row and the Part
// marker's row read `range`, the others hold for their page.
DocBuilder BuildRangeMapping(const std::string& hostDirectory, const PassDocShape& shape, const char* range) {
    DocBuilder mapping((hostDirectory + "\\MasterPage.fm").c_str());
    std::vector<std::vector<std::string>> tags = {{"Paragraph Tag", "Left pages", "Right pages", "Range"}};
    std::vector<std::vector<std::string>> masters = {{"Master Page", "Left pages", "Right pages"}};
    for (int i = 0; i < shape.rows; ++i) {
        tags.push_back({"Tag" + std::to_string(i), "Left", "Right", "This Page"});
        masters.push_back({"Master" + std::to_string(i), "Left", "Right"});
    }
    tags.push_back({"Heading", "HeadLeft", "HeadRight", range});
    tags.push_back({"caption", "Left", "Right", ""});
    tags.push_back({"Index", "As Is", "None", ""});
    masters.push_back({"Custom", "Special", "Special"});
    mapping.table(tags).table(masters);
    mapping.table({{"Marker Category", "Left pages", "Right pages", "Range"},
                   {"Part", "PartLeft", "PartRight", range},
                   {"Appendix", "AppLeft", "AppRight", ""}});
    mapping.table({{"Page Type", "Left pages", "Right pages"}, {"Empty", "Blank", "Blank"}});
    return mapping;
}

// With `range`, the mapping has a Range column whose run rows read it.
int RunPass(const PassDocShape& shape, PassResult& result, const char* range = nullptr) {
    BenchHost host;
    if (BenchHostStart(host) != 0) return -1;
    SimServer* server = host.server;
    SimServerSession(server).reflow = shape.reflow;
    const std::string& folder = SimServerSession(server).hostDirectory;
    SimStorePut(server, range ? BuildRangeMapping(folder, shape, range) : BuildPassMapping(folder, shape));
    ObjId chapter = SimOpenBuilt(server, BuildPassChapter("Z:\\bench\\chapter.fm", shape), true);
    BenchTakeCalls(host);
    double start = BenchNow();
    BenchHostCommand(host, CommandApplyMasterPages);
    result.seconds = BenchNow() - start;
    result.calls = BenchTakeCalls(host);
    result.digest = ResultDigest(server, chapter);
    if (SimDoc* doc = SimDocById(server, chapter)) result.pagesAfter = doc->bodyPages.size();
    BenchHostStop(host);
    return 0;
}

// The largest chapters of the matrix with runs of pages in their mapping:
// calls per page, and how many more than the same chapter and mapping
// without runs. Per body page after the pass: while text reflows, the run's
// master pages hold less text than the defaults, and the chapter grows.
void BenchPassRanges(BenchRun& run, const PassMatrix& matrix) {
    if (matrix.pages.empty() || matrix.rows.empty()) return;
    for (bool reflow : {false, true}) {
        PassDocShape shape;
        shape.reflow = reflow;
        shape.pages = matrix.pages.back();
        shape.rows = matrix.rows.front();
        shape.markers = shape.pages / 10;
        char name[64];
        std::snprintf(name, sizeof name, "P=%d R=%d M=%d%s ranges", shape.pages, shape.rows, shape.markers,
                      reflow ? " reflow" : "");
        std::fprintf(stderr, "pass %s ...\n", name);
        PassResult without, with;
        if (RunPass(shape, without, "This Page") != 0 || RunPass(shape, with, "Until Changed") != 0) {
            run.notes.push_back(std::string("could not start the session for ") + name);
            continue;
        }
        BenchFigure& figure = BenchAdd(run, "pass", name);
        double perPage = double(with.calls.total) / double(std::max<size_t>(with.pagesAfter, 1));
        double perPageWithout = double(without.calls.total) / double(std::max<size_t>(without.pagesAfter, 1));
        BenchSet(figure, "calls/page", perPage);
        BenchSet(figure, "calls/page without", perPageWithout);
        BenchSet(figure, "more/page", perPage - perPageWithout);
        BenchSet(figure, "pages", double(with.pagesAfter));
        BenchSet(figure, "pages without", double(without.pagesAfter));
        BenchSet(figure, "us/page", with.seconds * 1e6 / shape.pages);
        BenchSetText(figure, "digest", Hex(with.digest));
    }
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
    BenchPassRanges(run, matrix);
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
