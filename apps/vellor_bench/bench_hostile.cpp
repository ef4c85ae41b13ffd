// Hostile files at full size, written into a scratch folder one at a time
// (each is removed before the next, so that the bench's own disk and memory
// stay small), then given to vellor-host: files of tiny statements must be
// refused early, a long string and a long mapping document read.
#include "bench_hostile.h"

#if !defined(_WIN32) && defined(VELLOR_HOST_PROGRAM)
#include "bench_child.h"
#include "bench_documents.h"
#include "bench_files.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// `head`, `body` `times` over, `tail`, written a block at a time.
void WriteRepeated(const fs::path& path, const std::string& head, const std::string& body, size_t times,
                   const std::string& tail) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << head;
    std::string block;
    for (size_t i = 0; i < std::max<size_t>(1, (1u << 16) / body.size()); ++i) block += body;
    size_t perBlock = block.size() / body.size();
    for (size_t done = 0; done < times; done += perBlock) {
        if (times - done >= perBlock) out << block;
        else
            for (size_t i = done; i < times; ++i) out << body;
    }
    out << tail;
}

std::string Slurp(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

// The sample mapping document (the build's host folder has it) with
// `rows` rows of its first body row's shape, each keyed on its own.
bool WriteTerseMapping(const fs::path& path, size_t rows) {
    std::string bytes = Slurp(fs::path(VELLOR_BINARY_DIR) / "hostdir" / "MasterPage.fm");
    size_t body = bytes.find("<TblBody"), row = bytes.find("<Row", body), end = bytes.find("> # end of Row", row);
    if (body == std::string::npos || row == std::string::npos || end == std::string::npos) return false;
    end = bytes.find('\n', end) + 1;
    const std::string one = bytes.substr(row, end - row);
    size_t key = one.find("<String `") + 9, keyEnd = one.find('\'', key);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes.substr(0, row);
    for (size_t i = 0; i < rows; ++i)
        out << one.substr(0, key) << "Key" << i << one.substr(keyEnd);
    out << bytes.substr(row);
    return bool(out);
}

// A small chapter and a book of two of them in `folder`, for the runs that
// read a long mapping document.
bool WriteSmallBook(BenchRun& run, const fs::path& folder) {
    PassDocShape shape;
    shape.pages = 20;
    BookBuilder book(BenchWindowsName((folder / "small.book").string()).c_str());
    for (const char* name : {"small1.mif", "small2.mif"}) {
        std::string local = (folder / name).string();
        if (!BenchSaveDoc(run, "hostile", BuildPassChapter(BenchWindowsName(local).c_str(), shape).doc, local))
            return false;
        book.doc(BenchWindowsName(local).c_str());
    }
    return BenchSaveDoc(run, "hostile", book.book, (folder / "small.book").string());
}

struct Shape {
    const char* name;
    const char* file; // in the scratch folder
    std::function<bool(const fs::path& path)> write;
    std::vector<std::vector<std::string>> commands; // each with its operands, the file as "{}"
};

std::vector<Shape> Shapes() {
    const std::string para = "<Page <PageType BodyPage> <TextRect <ID 1>>>\n<TextFlow <TFTag `A'>\n"
                             " <Para <PgfTag `Body'> <ParaLine <TextRectID 1> <String `";
    return {
        {"192 MB of tiny statements with data", "tiny.mif",
         [](const fs::path& p) { WriteRepeated(p, "<MIFFile 2020>\n", "<A 1>\n", (192u << 20) / 6, ""); return true; },
         {{"list", "{}"}}},
        {"15 million <X> statements (60 MB)", "x.mif",
         [](const fs::path& p) { WriteRepeated(p, "<MIFFile 2020>\n", "<X>\n", 15000000, ""); return true; },
         {{"list", "{}"}}},
        {"a string of 200 MB", "string.mif",
         [para](const fs::path& p) {
             WriteRepeated(p, "<MIFFile 2020>\n" + para, "x", 200u << 20, "'>>>\n>\n");
             return true;
         },
         {{"apply", "{}"}, {"list", "{}"}}},
        {"a mapping document of 100,000 rows", "host/MasterPage.fm",
         [](const fs::path& p) { return WriteTerseMapping(p, 100000); },
         {{"apply", "small1.mif"}, {"apply-book", "small.book"}}},
    };
}

// One shape: written, run for each of its commands, removed.
void RunShape(BenchRun& run, const fs::path& folder, const Shape& shape, const std::string& program) {
    fs::path path = folder / shape.file;
    if (!shape.write(path)) {
        run.notes.push_back(std::string("hostile: could not write ") + shape.name);
        return;
    }
    double mb = double(fs::file_size(path)) / 1e6;
    for (const std::vector<std::string>& command : shape.commands) {
        std::vector<std::string> args = {"--host-dir", (folder / "host").string(), command[0]};
        std::string operand = command[1] == "{}" ? path.string() : (folder / command[1]).string();
        args.push_back(operand);
        fs::path copy = folder / "copy.mif";
        if (command[1] == "{}" && command[0] == "apply") { // leaves the file for the next command as it was
            fs::copy_file(path, copy, fs::copy_options::overwrite_existing);
            args.back() = copy.string();
        }
        ChildRun child = BenchRunChild(program, args);
        fs::remove(copy);
        BenchFigure& f = BenchAdd(run, "hostile", std::string(shape.name) + ": " + command[0]);
        BenchSet(f, "MB", mb);
        BenchSet(f, "seconds", child.seconds);
        BenchSet(f, "peak MiB", double(child.peakKiB) / 1024);
        BenchSet(f, "target MiB", (3 * mb * 1e6 + 50e6) / (1 << 20));
        BenchSetText(f, "outcome", child.status == 0 ? "read" : child.status == 2 ? "refused"
                                                                               : "status " + std::to_string(child.status));
    }
    fs::remove(path);
}

} // namespace

void BenchHostile(BenchRun& run, const char* program) {
    char scratch[] = "/tmp/vellor-bench-hostile-XXXXXX";
    if (!::mkdtemp(scratch)) {
        run.notes.push_back("hostile: no scratch folder");
        return;
    }
    fs::path folder = scratch;
    std::error_code ec;
    fs::create_directories(folder / "host");
    fs::create_directory_symlink(fs::path(VELLOR_BINARY_DIR) / "hostdir" / "icu_data", folder / "host" / "icu_data", ec);
    fs::copy_file(fs::path(VELLOR_BINARY_DIR) / "hostdir" / "MasterPage.fm", folder / "host" / "MasterPage.fm", ec);
    if (WriteSmallBook(run, folder))
        for (const Shape& shape : Shapes()) RunShape(run, folder, shape, program ? program : VELLOR_HOST_PROGRAM);
    run.notes.push_back("hostile: target peak <= 3x the largest input + 50 MB; files of tiny statements must be "
                        "refused, the others read");
    fs::remove_all(folder, ec);
}
#else
void BenchHostile(BenchRun& run, const char*) { run.notes.push_back("hostile: not measured on this platform"); }
#endif
