// vellor-host on hostile files: nesting far deeper than any real MIF file,
// enormous strings and tables, truncated and binary files, invalid UTF-8, a
// book that names itself or a chapter that is not there. Each run gives a
// clear error or processes the book, within 1 GiB of address space, and a
// run that fails to read writes nothing. Files of tiny statements, a huge
// string and a long mapping table are held to a peak of memory set by the
// largest file's size.
// Not on Windows: the program is run as a child through fork, pipes and
// resource limits; there the sample book is compared with the native run
// instead (cmake/compare_sample_book.cmake).
#ifndef _WIN32
#include "host_program_run.h"

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>

namespace {

std::string Repeat(const std::string& text, size_t times) {
    std::string out;
    out.reserve(text.size() * times);
    for (size_t i = 0; i < times; ++i) out += text;
    return out;
}

// Replaces the first `from` in the file with `to`.
void Replace(const std::string& path, const std::string& from, const std::string& to) {
    std::string bytes = ReadBytes(path);
    size_t at = bytes.find(from);
    ASSERT_NE(at, std::string::npos) << from;
    WriteBytes(path, bytes.replace(at, from.size(), to));
}

enum Outcome { ReadError, Processed };

struct HostileCase {
    const char* what;
    std::function<void(const std::string& folder)> damage;
    Outcome outcome;
    const char* message; // in the error output
};

const char Sentence[] = "This chapter walks you through a first session.";
const char BookEntry[] = "<FileName `<c>ch3.mif'>";

const HostileCase Cases[] = {
    {"nesting deeper than any real file",
     [](const std::string& f) {
         WriteBytes(f + "/ch2.mif", "<MIFFile 2020>\n" + Repeat("<Page ", 200000) + Repeat(">", 200000));
     },
     ReadError, "ch2.mif:2: statements nested too deeply"},
    // FrameMaker writes strings, words and lines of any length (equations,
    // XMP hex lines): only the file size bounds them.
    {"a string longer than any paragraph",
     [](const std::string& f) { Replace(f + "/ch1.mif", Sentence, std::string(3u << 20, 'x')); }, Processed, ""},
    {"a long string within bounds", [](const std::string& f) { Replace(f + "/ch1.mif", Sentence, std::string(600000, 'y')); },
     Processed, ""},
    {"a mapping table of many rows",
     [](const std::string& f) {
         std::string bytes = ReadBytes(f + "/MasterPage.fm");
         size_t body = bytes.find("<TblBody");
         size_t row = bytes.find("<Row", body);
         size_t end = bytes.find("> # end of Row", row);
         ASSERT_TRUE(body != std::string::npos && row != std::string::npos && end != std::string::npos);
         end = bytes.find('\n', end) + 1;
         bytes.insert(row, Repeat(bytes.substr(row, end - row), 20000));
         WriteBytes(f + "/MasterPage.fm", bytes);
     },
     Processed, ""},
    {"a chapter cut off in the middle",
     [](const std::string& f) {
         std::string bytes = ReadBytes(f + "/ch2.mif");
         WriteBytes(f + "/ch2.mif", bytes.substr(0, bytes.size() / 2));
     },
     ReadError, "ch2.mif:"},
    {"an empty chapter", [](const std::string& f) { WriteBytes(f + "/ch4.mif", ""); }, ReadError, "ch4.mif:1: not a MIF file"},
    {"a binary chapter", [](const std::string& f) { WriteBytes(f + "/ch4.mif", std::string("\0\x7f\xff<\0", 5) + Repeat("\xfe", 4096)); },
     ReadError, "ch4.mif:1: not a MIF file"},
    {"a chapter in FrameMaker's binary format",
     [](const std::string& f) { WriteBytes(f + "/ch4.mif", std::string("<MakerFile 9.0>\0\x01\x02", 18) + Repeat("\xfe", 4096)); },
     ReadError,
     "error: ch4.mif is a binary FrameMaker document; save it as MIF in FrameMaker (File > Save As, MIF) and run "
     "again"},
    {"a book in FrameMaker's binary format",
     [](const std::string& f) { WriteBytes(f + "/Manual.book", std::string("<BookFile6.0>\0\x01", 15)); }, ReadError,
     "error: Manual.book is a binary FrameMaker book; save it as MIF in FrameMaker (File > Save As, MIF) and run "
     "again"},
    {"invalid UTF-8 in a string",
     [](const std::string& f) { Replace(f + "/ch1.mif", Sentence, "bad \xff\xfe\xc3 bytes \xed\xa0\x80"); }, ReadError,
     "ch1.mif:90: invalid UTF-8 in string"},
    {"a book that names itself",
     [](const std::string& f) { Replace(f + "/Manual.book", BookEntry, "<FileName `<c>Manual.book'>"); }, ReadError,
     "Manual.book is a book"},
    {"a book that names a missing chapter",
     [](const std::string& f) { Replace(f + "/Manual.book", BookEntry, "<FileName `<c>nosuch.mif'>"); }, ReadError,
     "nosuch.mif: no such file"},
};

TEST(HostProgramHostile, EachFileGivesAClearErrorOrIsProcessedWithinBoundedMemory) {
    HostRunOptions options;
    options.addressSpaceLimit = size_t(1) << 30;
    for (const HostileCase& c : Cases) {
        SCOPED_TRACE(c.what);
        ScratchFolder scratch;
        ASSERT_FALSE(scratch.path().empty());
        CopySample(scratch.path());
        c.damage(scratch.path());
        const auto before = FolderBytes(scratch.path());
        for (const char* command : {"list-book", "apply-book"}) {
            HostResult r = RunHostProgram({command, scratch / "Manual.book"}, options);
            if (c.outcome == ReadError) {
                EXPECT_EQ(r.status, 2) << command << r.err;
                EXPECT_NE(r.err.find(c.message), std::string::npos) << command << r.err;
                EXPECT_EQ(FolderBytes(scratch.path()), before) << command;
            } else {
                EXPECT_EQ(r.status, 0) << command << r.err;
            }
        }
        if (c.outcome == Processed) {
            // What was written reads back.
            HostResult again = RunHostProgram({"list-book", scratch / "Manual.book"}, options);
            EXPECT_EQ(again.status, 0) << again.err;
        }
    }
}

// Writes `head`, then `body` `times` over, then `tail`, without holding the
// whole in memory: this process's own memory counts in its child's peak.
void WriteRepeated(const std::string& path, const std::string& head, const std::string& body, size_t times,
                   const std::string& tail) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << head;
    const std::string block = Repeat(body, std::max<size_t>(1, (1u << 16) / body.size()));
    size_t perBlock = block.size() / body.size();
    for (size_t done = 0; done < times; done += perBlock) out << (times - done >= perBlock ? block : Repeat(body, times - done));
    out << tail;
}

// The sample chapter ch1.mif with a string of `bytes` in place of a sentence.
void WriteLongString(const std::string& folder, size_t bytes) {
    std::string chapter = ReadBytes(folder + "/ch1.mif");
    size_t at = chapter.find(Sentence);
    ASSERT_NE(at, std::string::npos);
    WriteRepeated(folder + "/ch1.mif", chapter.substr(0, at), "x", bytes, chapter.substr(at + sizeof Sentence - 1));
}

// The sample mapping document with `rows` more rows, each with a key of its own.
void WriteLongMapping(const std::string& path, size_t rows) {
    std::string bytes = ReadBytes(SamplePath("MasterPage.fm"));
    size_t body = bytes.find("<TblBody"), row = bytes.find("<Row", body), end = bytes.find("> # end of Row", row);
    ASSERT_TRUE(body != std::string::npos && row != std::string::npos && end != std::string::npos);
    end = bytes.find('\n', end) + 1;
    const std::string one = bytes.substr(row, end - row);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes.substr(0, row);
    for (size_t i = 0; i < rows; ++i) {
        std::string copy = one;
        copy.replace(copy.find("`Heading1'"), 10, "`Tag" + std::to_string(i) + "'");
        out << copy;
    }
    out << bytes.substr(row);
}

struct MemoryCase {
    const char* what;
    const char* file; // the file of the book or host folder it takes the place of
    std::function<void(const std::string& folder, const std::string& path)> write;
    Outcome outcome;
    // Peak resident memory allowed: this many times the largest file, plus 50 MB.
    double perByte;
};

const MemoryCase MemoryCases[] = {
    {"a chapter of tiny statements", "ch2.mif",
     [](const std::string&, const std::string& path) { WriteRepeated(path, "<MIFFile 2020>\n", "<X>\n", 8u << 20, ""); },
     ReadError, 3},
    {"a chapter of tiny statements with data", "ch2.mif",
     [](const std::string&, const std::string& path) {
         WriteRepeated(path, "<MIFFile 2020>\n", "<A 1>\n", (32u << 20) / 6, "");
     },
     ReadError, 3},
    {"a string of 32 MB", "ch1.mif", [](const std::string& folder, const std::string&) { WriteLongString(folder, 32u << 20); },
     Processed, 3},
    // The host keeps an object of a quarter kilobyte for each row, cell and
    // paragraph of a table: in a mapping table written as tersely as the
    // sample's, those alone take five times the rows' bytes, the tree three
    // and a half more. Such a file is held to what it needs.
    {"a mapping table of 14,000 rows (8 MB)", "host/MasterPage.fm",
     [](const std::string&, const std::string& path) { WriteLongMapping(path, 14000); }, Processed, 12},
};

// This process's resident memory in KiB (0 when unknown). A child's peak
// counts what the child had before exec replaced it: this process's memory.
long ResidentKiB() {
    long pages = 0, resident = 0;
    std::ifstream statm("/proc/self/statm");
    if (!(statm >> pages >> resident)) return 0;
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

TEST(HostProgramHostile, PeakMemoryFollowsTheLargestFile) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers' shadow memory, not the program's, would be measured";
#endif
    // Every allowance below is over 130 MiB: a child's peak can then be
    // told from this process's memory, which it counts too.
    if (ResidentKiB() > 100 * 1024)
        GTEST_SKIP() << "this test runs in " << ResidentKiB() / 1024
                     << " MiB, which a child's peak would count as its own";
    for (const MemoryCase& c : MemoryCases) {
        SCOPED_TRACE(c.what);
        ScratchFolder scratch;
        ASSERT_FALSE(scratch.path().empty());
        CopySample(scratch.path());
        std::filesystem::create_directory(scratch / "host");
        std::filesystem::create_directory_symlink(std::string(VELLOR_BINARY_DIR) + "/hostdir/icu_data",
                                                  scratch / "host/icu_data");
        std::filesystem::copy_file(SamplePath("MasterPage.fm"), scratch / "host/MasterPage.fm");
        c.write(scratch.path(), scratch / c.file);
        uintmax_t largest = 0;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(scratch.path()))
            if (entry.is_regular_file()) largest = std::max(largest, entry.file_size());
        const double allowedKiB = (c.perByte * double(largest) + 50e6) / 1024;
        for (const char* command : {"list-book", "apply-book"}) {
            HostResult r = RunHostProgram({"--host-dir", scratch / "host", command, scratch / "Manual.book"});
            EXPECT_EQ(r.status, c.outcome == ReadError ? 2 : 0) << command << r.err;
            EXPECT_LE(double(r.peakKiB), allowedKiB) << command << ": largest file " << largest << " bytes";
            std::printf("[ memory ] %-42s %-10s peak %4ld MiB, allowed %4.0f (largest file %.1f MB)\n", c.what,
                        command, r.peakKiB / 1024, allowedKiB / 1024, double(largest) / 1e6);
        }
    }
}

// A dry run of a book and a check of it hold one chapter at a time, as the
// real run does: what a dry run would have saved of a chapter is let go
// once the book is done with it, and check reads each chapter in its turn.
TEST(HostProgramHostile, ADryRunAndACheckOfABookHoldOneChapterAtATime) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the sanitizers' shadow memory, not the program's, would be measured";
#endif
    if (ResidentKiB() > 30 * 1024)
        GTEST_SKIP() << "this test runs in " << ResidentKiB() / 1024
                     << " MiB, which a child's peak would count as its own";
    ScratchFolder scratch;
    ASSERT_FALSE(scratch.path().empty());
    CopySample(scratch.path());
    std::filesystem::create_directory(scratch / "host");
    std::filesystem::create_directory_symlink(std::string(VELLOR_BINARY_DIR) + "/hostdir/icu_data",
                                              scratch / "host/icu_data");
    std::filesystem::copy_file(SamplePath("MasterPage.fm"), scratch / "host/MasterPage.fm");
    WriteLongString(scratch.path(), 2u << 20);
    // Forty chapters of 2 MB: held all at once, they would take over 80 MB.
    std::string book = "<Book 2015>\n";
    for (int i = 0; i < 40; ++i) {
        std::string part = "part" + std::to_string(i) + ".mif";
        std::filesystem::copy_file(scratch / "ch1.mif", scratch / part);
        book += "<BookComponent\n <FileName `<c>" + part + "'>\n>\n";
    }
    WriteBytes(scratch / "Parts.book", book);
    const double allowedKiB = (3 * double(std::filesystem::file_size(scratch / "ch1.mif")) + 50e6) / 1024;
    for (const char* command : {"apply-book", "check"}) {
        std::vector<std::string> args = {"--host-dir", scratch / "host", command, scratch / "Parts.book"};
        if (std::string(command) == "apply-book") args.insert(args.begin() + 2, "--dry-run");
        HostResult r = RunHostProgram(args);
        EXPECT_NE(r.status, 2) << command << r.err;
        EXPECT_LE(double(r.peakKiB), allowedKiB) << command;
    }
}

// What FrameMaker reads though MIF has no place for it (an escape MIF does
// not have, bytes after the last statement) is kept as it stands, with a
// warning that every command gives once, however often the file is read.
TEST(HostProgramHostile, WhatFrameMakerToleratesIsKeptWithOneWarningEach) {
    ScratchFolder scratch;
    CopySample(scratch.path());
    Replace(scratch / "ch1.mif", Sentence, "This chapter\\n walks you through a first session.");
    const std::string before = ReadBytes(scratch / "ch1.mif") + "\x1a";
    WriteBytes(scratch / "ch1.mif", before);
    const std::string warnings[] = {"warning: ch1.mif:90: unknown escape \\n kept as it stands\n",
                                    "warning: ch1.mif:122: bytes after the last statement kept as they stand: "
                                    "\\x1A\n"};
    for (const char* command : {"list-book", "check", "apply-book"}) {
        SCOPED_TRACE(command);
        HostResult r = RunHostProgram({command, scratch / "Manual.book"});
        EXPECT_NE(r.status, 2) << r.err;
        for (const std::string& warning : warnings) {
            size_t at = r.err.find(warning);
            EXPECT_NE(at, std::string::npos) << r.err;
            EXPECT_EQ(r.err.find(warning, at + 1), std::string::npos) << r.err;
        }
    }
    // Saved after apply-book: only the pages' backgrounds changed.
    auto withoutBackgrounds = [](const std::string& text) {
        std::string kept;
        for (const std::string& line : Lines(text))
            if (line.find("<PageBackground ") == std::string::npos) kept += line + "\n";
        return kept;
    };
    std::string after = ReadBytes(scratch / "ch1.mif");
    EXPECT_NE(after, before);
    EXPECT_EQ(withoutBackgrounds(after), withoutBackgrounds(before));
    EXPECT_EQ(after.back(), '\x1a');
}

} // namespace
#endif
