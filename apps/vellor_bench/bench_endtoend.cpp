// A book of generated chapters (about twenty paragraphs a page, mapping
// tables of 1,000 rows) is written once as MIF files into a scratch folder.
// For each size the chapters and the book are copied into a work folder (the
// copy's time is the yardstick), then vellor-host runs apply-book on the copy
// and list-book on it, each a child process whose peak resident memory
// wait4 reports. Time is wall time; a loaded machine shows in every figure
// alike, so the ratios to the copy are what to compare.
#include "bench_endtoend.h"

#include "bench_child.h"
#include "bench_documents.h"

#if !defined(_WIN32) && defined(VELLOR_HOST_PROGRAM)
#include "hostsim/mif/mif_document.h"
#include "platform/win_names.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

std::string WindowsName(const std::string& local) {
    std::vector<char> out(local.size() * 2 + 16);
    if (PlatformLocalNameToWindows(local.c_str(), out.data(), int(out.size())) < 0) return local;
    return out.data();
}

bool Save(const SimDoc& doc, const std::string& local, BenchRun& run) {
    std::string error;
    if (MifSaveDoc(doc, local, WindowsName(local), &error)) return true;
    run.notes.push_back("end-to-end: could not write " + local + ": " + error);
    return false;
}

std::string ChapterName(int c) { return "chapter" + std::to_string(c) + ".mif"; }
std::string BookName(int chapters) { return "book" + std::to_string(chapters) + ".book"; }

// The chapters, the mapping document in the host folder, and a book of the
// first `n` chapters for each size. Returns the largest chapter's bytes, 0
// when the book could not be written.
uint64_t WriteBook(BenchRun& run, const fs::path& folder, int chapters, int pages, int textChars,
                   const std::vector<int>& sizes) {
    fs::path host = folder / "host";
    fs::create_directories(host);
    std::error_code ec;
    fs::create_directory_symlink(fs::path(VELLOR_BINARY_DIR) / "hostdir" / "icu_data", host / "icu_data", ec);
    PassDocShape shape;
    shape.pages = pages;
    shape.rows = 1000;
    shape.markers = pages / 10;
    shape.textChars = textChars;
    if (!Save(BuildPassMapping(WindowsName(host.string()), shape).doc, (host / "MasterPage.fm").string(), run))
        return 0;
    uint64_t largest = 0;
    for (int c = 1; c <= chapters; ++c) {
        std::string local = (folder / ChapterName(c)).string();
        shape.seed = uint32_t(c);
        if (!Save(BuildPassChapter(WindowsName(local).c_str(), shape).doc, local, run)) return 0;
        largest = std::max<uint64_t>(largest, fs::file_size(local));
    }
    for (int n : sizes) {
        std::string local = (folder / BookName(n)).string();
        BookBuilder book(WindowsName(local).c_str());
        for (int c = 1; c <= n; ++c) book.doc(WindowsName((folder / ChapterName(c)).string()).c_str());
        if (!Save(book.book, local, run)) return 0;
    }
    return largest;
}

bool CopyFile(const fs::path& from, const fs::path& to) {
    int in = ::open(from.c_str(), O_RDONLY);
    if (in < 0) return false;
    int out = ::open(to.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    bool ok = out >= 0;
    static std::vector<char> buffer(1 << 20);
    for (ssize_t n; ok && (n = ::read(in, buffer.data(), buffer.size())) != 0;) {
        if (n < 0) ok = errno == EINTR;
        for (ssize_t done = 0; ok && done < n;) {
            ssize_t w = ::write(out, buffer.data() + done, size_t(n - done));
            if (w < 0) ok = errno == EINTR;
            else done += w;
        }
    }
    ::close(in);
    if (out >= 0) ok = ::close(out) == 0 && ok;
    return ok;
}

// Copies the book of `n` chapters into `work` (emptied first): seconds, or -1.
double CopyBook(const fs::path& folder, const fs::path& work, int n, uint64_t* bytes) {
    fs::remove_all(work);
    fs::create_directories(work);
    *bytes = 0;
    double start = BenchNow();
    for (int c = 1; c <= n; ++c) {
        if (!CopyFile(folder / ChapterName(c), work / ChapterName(c))) return -1;
        *bytes += fs::file_size(work / ChapterName(c));
    }
    if (!CopyFile(folder / BookName(n), work / BookName(n))) return -1;
    double seconds = BenchNow() - start;
    *bytes += fs::file_size(work / BookName(n));
    return seconds;
}

// The book in `work` names its chapters where they were written: the copy's
// own book names the copies.
bool RetargetBook(BenchRun& run, const fs::path& folder, const fs::path& work, int n) {
    std::string local = (work / BookName(n)).string();
    BookBuilder book(WindowsName(local).c_str());
    for (int c = 1; c <= n; ++c) book.doc(WindowsName((work / ChapterName(c)).string()).c_str());
    (void)folder;
    return Save(book.book, local, run);
}

// The copy three times, its best time the yardstick; the last copy is the
// one the host works on. Seconds, -1 when the book could not be copied.
double MeasureCopy(BenchRun& run, const fs::path& folder, const fs::path& work, int n, int pages, uint64_t* bytes) {
    double copy = 1e9;
    for (int i = 0; i < 3; ++i) copy = std::min(copy, CopyBook(folder, work, n, bytes));
    if (copy < 0 || !RetargetBook(run, folder, work, n)) {
        run.notes.push_back("end-to-end: could not copy the book");
        return -1;
    }
    double mb = double(*bytes) / 1e6;
    char label[96];
    std::snprintf(label, sizeof label, "copy: %d x %d pages", n, pages);
    BenchFigure& c = BenchAdd(run, "end-to-end", label);
    BenchSet(c, "MB", mb);
    BenchSet(c, "seconds", copy);
    BenchSet(c, "MB/s", mb / copy);
    return copy;
}

// One command on the book of `n` chapters, best of three on a machine others
// may share; apply-book each time on a fresh copy of the book.
ChildRun RunCommand(BenchRun& run, const fs::path& folder, const fs::path& work, int n, const char* command,
                    const std::string& hostDir, const char* program) {
    std::string book = (work / BookName(n)).string();
    bool changes = std::string(command) == "apply-book";
    ChildRun child;
    for (int i = 0; i < 3; ++i) {
        uint64_t copied = 0;
        if (changes && i > 0 && (CopyBook(folder, work, n, &copied) < 0 || !RetargetBook(run, folder, work, n)))
            break;
        ChildRun once = BenchRunChild(program ? program : VELLOR_HOST_PROGRAM, {command, book, "--host-dir", hostDir});
        if (i == 0 || once.seconds < child.seconds) child.seconds = once.seconds;
        child.peakKiB = std::max(child.peakKiB, once.peakKiB);
        if (once.status != 0) child.status = once.status;
        else if (i == 0) child.status = 0;
    }
    if (child.status != 0)
        run.notes.push_back(std::string("end-to-end: vellor-host ") + command + " ended with status " +
                            std::to_string(child.status));
    return child;
}

// The figure of one command: its speed, against the copy and against the
// book half its size (`*previous`, 0 for the first size).
void AddCommandFigure(BenchRun& run, const char* command, int n, int pages, double mb, double copy,
                      const ChildRun& child, double targetMiB, double* previous) {
    char label[96];
    std::snprintf(label, sizeof label, "%s: %d x %d pages", command, n, pages);
    BenchFigure& f = BenchAdd(run, "end-to-end", label);
    BenchSet(f, "MB", mb);
    BenchSet(f, "seconds", child.seconds);
    BenchSet(f, "MB/s", mb / child.seconds);
    BenchSet(f, "x copy", child.seconds / copy);
    BenchSet(f, "peak MiB", double(child.peakKiB) / 1024);
    BenchSet(f, "target MiB", targetMiB);
    if (*previous > 0) BenchSet(f, "x half book", child.seconds / *previous);
    *previous = child.seconds;
}

} // namespace

void BenchEndToEnd(BenchRun& run, int chapters, int pages, int textChars, const char* program) {
    const std::vector<int> sizes = {chapters, chapters * 2};
    char scratch[] = "/tmp/vellor-bench-XXXXXX";
    if (!::mkdtemp(scratch)) {
        run.notes.push_back("end-to-end: no scratch folder");
        return;
    }
    fs::path folder = fs::path(scratch) / "book", work = fs::path(scratch) / "work";
    fs::create_directories(folder);
    uint64_t largest = WriteBook(run, folder, sizes.back(), pages, textChars, sizes);
    std::string hostDir = (folder / "host").string();
    double targetMiB = 3.0 * double(largest) / (1 << 20) + 50;
    double previous[2] = {0, 0};
    for (size_t s = 0; largest && s < sizes.size(); ++s) {
        uint64_t bytes = 0;
        double copy = MeasureCopy(run, folder, work, sizes[s], pages, &bytes);
        if (copy < 0) break;
        const char* const commands[] = {"apply-book", "list-book"};
        for (int k = 0; k < 2; ++k) {
            ChildRun child = RunCommand(run, folder, work, sizes[s], commands[k], hostDir, program);
            AddCommandFigure(run, commands[k], sizes[s], pages, double(bytes) / 1e6, copy, child, targetMiB,
                             &previous[k]);
        }
    }
    char note[200];
    std::snprintf(note, sizeof note, "end-to-end: largest chapter %.2f MB (paragraph text %d characters); targets: "
                  "apply-book <= 4x copy, list-book <= 2x, peak <= 3x largest chapter + 50 MB, x half book ~2",
                  double(largest) / 1e6, textChars);
    run.notes.push_back(note);
    // VELLOR_BENCH_KEEP keeps the book for a profile of one command.
    if (std::getenv("VELLOR_BENCH_KEEP")) run.notes.push_back(std::string("end-to-end: the book is kept in ") + scratch);
    else fs::remove_all(scratch);
}
#else
void BenchEndToEnd(BenchRun& run, int, int, int, const char*) {
    run.notes.push_back("end-to-end: not measured on this platform");
}
#endif
