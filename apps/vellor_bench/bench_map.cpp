// The page map of a large book: its size and what it adds to the pass.
// Targets: a 10,000-page book gives a map under 5 MB, written in under 2 s
// beyond the pass. Best of three runs each, wall time.
#include "bench_map.h"

#include "bench_child.h"
#include "bench_documents.h"
#include "bench_files.h"

#if !defined(_WIN32) && defined(VELLOR_HOST_PROGRAM)

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

bool Save(BenchRun& run, const SimDoc& doc, const fs::path& local) {
    return BenchSaveDoc(run, "map", doc, local.string());
}

// The chapters, the book and the host folder's mapping document; the book's path, or "".
std::string WriteBook(BenchRun& run, const fs::path& folder, int chapters, int pages) {
    fs::path host = folder / "host";
    fs::create_directories(host);
    std::error_code ec;
    fs::create_directory_symlink(fs::path(VELLOR_BINARY_DIR) / "hostdir" / "icu_data", host / "icu_data", ec);
    PassDocShape shape;
    shape.pages = pages;
    shape.rows = 100;
    shape.markers = pages / 10;
    if (!Save(run, BuildPassMapping(BenchWindowsName(host.string()), shape).doc, host / "MasterPage.fm")) return "";
    fs::path bookPath = folder / "book.book";
    BookBuilder book(BenchWindowsName(bookPath.string()).c_str());
    for (int c = 1; c <= chapters; ++c) {
        fs::path local = folder / ("chapter" + std::to_string(c) + ".mif");
        shape.seed = uint32_t(c);
        if (!Save(run, BuildPassChapter(BenchWindowsName(local.string()).c_str(), shape).doc, local)) return "";
        book.doc(BenchWindowsName(local.string()).c_str());
    }
    return Save(run, book.book, bookPath) ? bookPath.string() : "";
}

ChildRun Best(BenchRun& run, const std::string& program, const std::vector<std::string>& args) {
    ChildRun best;
    for (int i = 0; i < 3; ++i) {
        ChildRun once = BenchRunChild(program, args);
        if (once.status != 0) {
            run.notes.push_back("map: vellor-host " + args.front() + " ended with status " + std::to_string(once.status));
            return once;
        }
        if (i == 0 || once.seconds < best.seconds) best = once;
    }
    return best;
}

} // namespace

void BenchMap(BenchRun& run, int chapters, int pages, const char* program) {
    char scratch[] = "/tmp/vellor-bench-map-XXXXXX";
    if (!::mkdtemp(scratch)) {
        run.notes.push_back("map: no scratch folder");
        return;
    }
    fs::path folder = scratch;
    std::string book = WriteBook(run, folder, chapters, pages);
    std::string host = (folder / "host").string(), html = (folder / "map.html").string();
    std::string exe = program ? program : VELLOR_HOST_PROGRAM;
    if (!book.empty()) {
        ChildRun pass = Best(run, exe, {"apply-book", "--dry-run", "-q", book, "--host-dir", host});
        ChildRun map = Best(run, exe, {"map", "--dry-run", "-q", book, "-o", html, "--host-dir", host});
        std::error_code ec;
        double mb = double(fs::file_size(html, ec)) / 1e6;
        char label[96];
        std::snprintf(label, sizeof label, "map --dry-run: %d x %d pages", chapters, pages);
        BenchFigure& f = BenchAdd(run, "map", label);
        BenchSet(f, "HTML MB", ec ? -1 : mb);
        BenchSet(f, "seconds", map.seconds);
        BenchSet(f, "pass seconds", pass.seconds);
        BenchSet(f, "map seconds", map.seconds - pass.seconds);
        BenchSet(f, "peak MiB", double(map.peakKiB) / 1024);
        BenchSet(f, "pass peak MiB", double(pass.peakKiB) / 1024);
        run.notes.push_back("map: targets: HTML < 5 MB, map seconds (beyond the pass: apply-book --dry-run) < 2");
    }
    if (std::getenv("VELLOR_BENCH_KEEP")) run.notes.push_back(std::string("map: the book is kept in ") + scratch);
    else fs::remove_all(scratch);
}
#else
void BenchMap(BenchRun& run, int, int, const char*) {
    run.notes.push_back("map: not measured on this platform");
}
#endif
