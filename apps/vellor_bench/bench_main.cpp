// vellor-bench: the figures of the document pass, a book, and the support
// library's hot paths, printed as tables and optionally written as JSON.
//
//   vellor-bench [--quick | --full] [--json FILE] [--only pass|book|library|end-to-end|hostile]
//                [--pages N,N,...] [--rows N,...] [--budget SECONDS] [--host PROGRAM]
//                [--text CHARACTERS]
#include "bench_endtoend.h"
#include "bench_figures.h"
#include "bench_host.h"
#include "bench_hostile.h"
#include "bench_library.h"
#include "bench_map.h"
#include "bench_pass.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

namespace {

std::vector<int> Numbers(const char* text) {
    std::vector<int> numbers;
    std::stringstream stream(text);
    std::string item;
    while (std::getline(stream, item, ',')) numbers.push_back(std::atoi(item.c_str()));
    return numbers;
}

const int DefaultTextChars = 136;

int Usage() {
    std::fprintf(stderr, "usage: vellor-bench [--quick | --full] [--json FILE]\n"
                         "                    [--only pass|book|library|end-to-end|hostile]\n"
                         "                    [--pages N,...] [--rows N,...] [--budget SECONDS] [--host PROGRAM]\n"
                         "                    [--text CHARACTERS]\n");
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    bool full = false;
    const char* json = nullptr;
    std::string only;
    const char* host = nullptr; // the vellor-host of the end-to-end figures
    // The end-to-end book's paragraphs: about as long as a real chapter's,
    // which makes a chapter of 200 pages about 0.8 MB of MIF.
    int textChars = DefaultTextChars;
    PassMatrix matrix;
    std::vector<int> pages, rows;
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        bool hasValue = i + 1 < argc;
        if (!std::strcmp(arg, "--quick")) full = false;
        else if (!std::strcmp(arg, "--full")) full = true;
        else if (!std::strcmp(arg, "--json") && hasValue) json = argv[++i];
        else if (!std::strcmp(arg, "--only") && hasValue) only = argv[++i];
        else if (!std::strcmp(arg, "--pages") && hasValue) pages = Numbers(argv[++i]);
        else if (!std::strcmp(arg, "--rows") && hasValue) rows = Numbers(argv[++i]);
        else if (!std::strcmp(arg, "--budget") && hasValue) matrix.budget = std::atof(argv[++i]);
        else if (!std::strcmp(arg, "--host") && hasValue) host = argv[++i];
        else if (!std::strcmp(arg, "--text") && hasValue) textChars = std::atoi(argv[++i]);
        else return Usage();
    }
    matrix.pages = full ? std::vector<int>{1000, 2000, 4000, 8000, 16000} : std::vector<int>{1000, 2000};
    matrix.rows = full ? std::vector<int>{10, 100, 1000} : std::vector<int>{10, 1000};
    matrix.markerTenths = {0, 1, 10};
    if (!pages.empty()) matrix.pages = pages;
    if (!rows.empty()) matrix.rows = rows;

    BenchRun run;
    run.mode = BenchHostMode();
    run.matrix = full ? "full" : "quick";
    double start = BenchNow();
    // The book first: its peak memory is then not the pass matrix's.
    if (only.empty() || only == "book") BenchBook(run, 50, 200);
    if (only.empty() || only == "pass") BenchPass(run, matrix);
    if (only.empty() || only == "library") BenchLibrary(run, !full);
    // vellor-host on books of 50 and 100 chapters of 200 pages, and on one
    // chapter of 10,000 pages.
    if (only.empty() || only == "end-to-end") BenchEndToEnd(run, 50, 200, textChars, host);
    // Files of hundreds of megabytes: only when asked for, or with --full.
    if (only == "hostile" || (only.empty() && full)) BenchHostile(run, host);
    if (only.empty() || only == "map") BenchMap(run, 50, 200, host); // a 10,000-page book's page map
    run.seconds = BenchNow() - start;

    BenchPrintTables(run, stdout);
    if (json && BenchWriteJson(run, json) != 0) {
        std::fprintf(stderr, "vellor-bench: could not write %s\n", json);
        return 1;
    }
    return 0;
}
