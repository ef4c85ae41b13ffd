// Writing the end-to-end book and making its work copies.
#include "bench_workbook.h"

#include "bench_documents.h"
#include "bench_files.h"

#if !defined(_WIN32)

#include <algorithm>
#include <filesystem>
#include <fcntl.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

bool Save(const SimDoc& doc, const std::string& local, BenchRun& run) {
    return BenchSaveDoc(run, "end-to-end", doc, local);
}

std::string ChapterName(int c) { return "chapter" + std::to_string(c) + ".mif"; }
std::string BookName(int chapters) { return "book" + std::to_string(chapters) + ".book"; }

bool SaveBook(BenchRun& run, const std::string& folder, int n) {
    std::string local = folder + "/" + BookName(n);
    BookBuilder book(BenchWindowsName(local).c_str());
    for (int c = 1; c <= n; ++c) book.doc(BenchWindowsName(folder + "/" + ChapterName(c)).c_str());
    return Save(book.book, local, run);
}

// A copy with the original's time stamp, as `cp -p` makes it: the host then
// sees a user's file last saved a while ago. (A file written within the
// last two seconds is one whose time stamp cannot tell a later write; the
// host reads it once more at the save to compare, which a book on disk
// seldom needs.)
bool CopyKeepingTime(const std::string& from, const std::string& to) {
    std::error_code ec;
    fs::copy_file(from, to, ec);
    if (!ec) fs::last_write_time(to, fs::last_write_time(from, ec), ec);
    return !ec;
}

PassDocShape Shape(int pages, int textChars) {
    PassDocShape shape;
    shape.pages = pages;
    shape.rows = 1000;
    shape.markers = pages / 10;
    shape.textChars = textChars;
    return shape;
}

} // namespace

bool BenchWriteBookFiles(BenchRun& run, BenchBookFiles& files, int chapters, int textChars,
                         const std::vector<int>& sizes, int longPages) {
    fs::create_directories(files.hostDir);
    std::error_code ec;
    fs::create_directory_symlink(fs::path(VELLOR_BINARY_DIR) / "hostdir" / "icu_data",
                                 fs::path(files.hostDir) / "icu_data", ec);
    PassDocShape shape = Shape(files.pages, textChars);
    if (!Save(BuildPassMapping(BenchWindowsName(files.hostDir), shape).doc, files.hostDir + "/MasterPage.fm", run))
        return false;
    for (int c = 1; c <= chapters; ++c) {
        std::string local = files.folder + "/" + ChapterName(c);
        shape.seed = uint32_t(c);
        if (!Save(BuildPassChapter(BenchWindowsName(local).c_str(), shape).doc, local, run)) return false;
        files.largest = std::max<uint64_t>(files.largest, fs::file_size(local));
    }
    for (int n : sizes)
        if (!SaveBook(run, files.folder, n)) return false;
    if (longPages <= 0) return true;
    std::string local = files.folder + "/long.mif";
    return Save(BuildPassChapter(BenchWindowsName(local).c_str(), Shape(longPages, textChars)).doc, local, run);
}

std::vector<std::string> BenchWorkChapters(const BenchBookFiles& files, int n) {
    std::vector<std::string> chapters;
    for (int c = 1; c <= n; ++c) chapters.push_back(files.work + "/" + ChapterName(c));
    return chapters;
}

std::string BenchWorkBook(const BenchBookFiles& files, int n) { return files.work + "/" + BookName(n); }
std::string BenchWorkLong(const BenchBookFiles& files) { return files.work + "/long.mif"; }

bool BenchFreshWork(BenchRun& run, const BenchBookFiles& files, int n) {
    std::error_code ec;
    fs::remove_all(files.work, ec);
    fs::create_directories(files.work, ec);
    bool ok = !ec;
    if (n == 0) ok = ok && CopyKeepingTime(files.folder + "/long.mif", BenchWorkLong(files));
    for (int c = 1; ok && c <= n; ++c)
        ok = CopyKeepingTime(files.folder + "/" + ChapterName(c), files.work + "/" + ChapterName(c));
    ok = ok && (n == 0 || SaveBook(run, files.work, n));
    // Written back now, on the work folder's file system only.
    int dir = ::open(files.work.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::syncfs(dir);
        ::close(dir);
    }
    if (!ok) run.notes.push_back("end-to-end: could not copy the book into " + files.work);
    return ok;
}
#else
bool BenchWriteBookFiles(BenchRun&, BenchBookFiles&, int, int, const std::vector<int>&, int) { return false; }
std::vector<std::string> BenchWorkChapters(const BenchBookFiles&, int) { return {}; }
std::string BenchWorkBook(const BenchBookFiles&, int) { return {}; }
std::string BenchWorkLong(const BenchBookFiles&) { return {}; }
bool BenchFreshWork(BenchRun&, const BenchBookFiles&, int) { return false; }
#endif
