// MIF writing: round trips give the same tree back, strings keep their
// escapes in each encoding, and a save that fails leaves the old file whole.
#include "hostsim/atomic_file.h"
#include "hostsim/mif/mif_reader.h"
#include "hostsim/mif/mif_writer.h"
#include "common/temp_folder.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

namespace {

std::string SourceData(const char* name) { return std::string(VELLOR_SOURCE_DIR "/tests/hostsim/data/") + name; }

MifFile Parse(const std::string& text) {
    MifFile f;
    std::string error;
    EXPECT_TRUE(MifParse(text.data(), text.size(), "t.mif", &f, &error)) << error;
    return f;
}

std::string Write(const MifFile& f) {
    std::string out, error;
    EXPECT_TRUE(MifWriteText(f, &out, &error)) << error;
    return out;
}

struct TempDir : TestTempFolder {
    TempDir() : TestTempFolder("mif_test") {}
};

} // namespace

TEST(MifWriter, SampleFilesRoundTripToTheSameTree) {
    for (const char* name : {"chapter_utf8.mif", "chapter_roman.mif", "book.mif"}) {
        MifFile first, second;
        std::string error;
        ASSERT_TRUE(MifReadFile(SourceData(name), &first, &error)) << error;
        std::string text = Write(first);
        ASSERT_TRUE(MifParse(text.data(), text.size(), name, &second, &error)) << error;
        EXPECT_TRUE(MifSameFile(first, second)) << name << "\n" << text;
        EXPECT_EQ(Write(second), text) << name; // writing is stable
    }
}

// A number and a unit word that stand on different lines are two data; a
// statement the host writes anew must not put them on one line, where the
// word would be read as the number's unit.
TEST(MifWriter, AUnitWordAfterANumberStaysADatumOfItsOwn) {
    for (const char* text : {"<MIFFile 2\n\">", "<MIFFile 8.00>\n<S 2\npt <T 1> 3\nmm>", "<MIFFile 8.00>\n<S 2\n3\n\">"}) {
        MifFile read = Parse(text);
        MifFile made = read;
        made.source.reset(); // as if the host had made every statement
        std::string written = Write(made);
        EXPECT_TRUE(MifSameFile(read, Parse(written))) << written;
        EXPECT_EQ(Write(Parse(written)), written);
    }
}

TEST(MifWriter, EscapesAndEncodings) {
    MifFile f = Parse("<MIFFile 8.00>\n<S `x'>");
    const std::string tricky = "a`b'c>d\\e\tf\u2011g\u00E9h\u20AC\n\u00A0";
    f.statements[1].args[0].text = tricky;
    std::string text = Write(f);
    EXPECT_NE(text.find("`a\\Qb\\qc\\>d\\\\e\\tf\\x15 g\u00E9h\u20AC\\x09 \\x11 '"), std::string::npos) << text;
    EXPECT_EQ(Parse(text).statements[1].args[0].text, tricky);

    // FrameRoman files: nothing beyond ASCII is written raw.
    MifFile old = Parse("<MIFFile 7.00>\n<S `x'>");
    old.statements[1].args[0].text = "caf\u00E9 \u2022";
    text = Write(old);
    EXPECT_NE(text.find("`caf\\x8e  \\xa5 '"), std::string::npos) << text;
    EXPECT_EQ(Parse(text).statements[1].args[0].text, "caf\u00E9 \u2022");
    // ... and what FrameRoman lacks is refused, not replaced.
    old.statements[1].args[0].text = "\u4E2D";
    std::string out, error;
    EXPECT_FALSE(MifWriteText(old, &out, &error));
    EXPECT_EQ(error, "character U+4E2D cannot be written in a FrameRoman MIF file");
}

TEST(MifWriter, AtomicSaveReplacesOrLeavesTheOldFileWhole) {
    TempDir dir;
    std::string target = dir.path + "/ch1.mif";
    WriteBytes(target, "old contents");
#ifndef _WIN32
    chmod(target.c_str(), 0640);
#endif
    MifFile f = Parse("<MIFFile 8.00>\n<Document <DTwoSides No>>");
    std::string error;
    ASSERT_TRUE(MifWriteFile(f, target, &error)) << error;
    EXPECT_EQ(ReadBytes(target), Write(f));
#ifndef _WIN32
    struct stat st;
    ASSERT_EQ(stat(target.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
#endif
    EXPECT_EQ(dir.Entries(), 1);

    std::string saved = ReadBytes(target);
    f.statements[1].children.push_back(MifStatement("Big", MifStringAtom(std::string(200000, 'x'))));
#ifndef _WIN32
    // A write that fails half way (the file size limit, which Windows lacks)
    // leaves the old file.
    struct rlimit old;
    getrlimit(RLIMIT_FSIZE, &old);
    void (*oldHandler)(int) = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    setrlimit(RLIMIT_FSIZE, &small);
    bool ok = MifWriteFile(f, target, &error);
    setrlimit(RLIMIT_FSIZE, &old);
    signal(SIGXFSZ, oldHandler);
    EXPECT_FALSE(ok);
    EXPECT_EQ(error.rfind("ch1.mif: File too large; it is as it was", 0), 0u) << error;
    EXPECT_EQ(ReadBytes(target), saved);
    EXPECT_EQ(dir.Entries(), 1); // no temporary file left behind
#endif

    // No such folder; a folder in the target's place; a string the encoding lacks.
    EXPECT_FALSE(MifWriteFile(f, dir.path + "/missing/ch1.mif", &error));
    EXPECT_EQ(error.rfind("ch1.mif: it cannot be made: there is no folder ", 0), 0u) << error;
    std::filesystem::create_directory(dir.path + "/sub.mif");
    EXPECT_FALSE(AtomicWriteFile(dir.path + "/sub.mif", "x", 1, &error));
    MifFile roman = Parse("<MIFFile 7.00>\n<S `x'>");
    roman.statements[1].args[0].text = "\u4E2D";
    EXPECT_FALSE(MifWriteFile(roman, target, &error));
    EXPECT_EQ(ReadBytes(target), saved);
    EXPECT_EQ(dir.Entries(), 2);
}

TEST(MifWriter, EveryFileThatReadsIsWrittenBackByteForByte) {
    int identical = 0, refused = 0;
    for (const char* folder : {"/examples", "/tests/hostsim/data", "/tests/hostsim/data/framemaker",
                               "/tests/fuzz/corpus/mif_reader_fuzz"}) {
        for (const auto& entry : std::filesystem::directory_iterator(std::string(VELLOR_SOURCE_DIR) + folder)) {
            if (!entry.is_regular_file()) continue;
            std::string path = entry.path().string(), bytes = ReadBytes(path), error;
            MifFile f;
            if (!MifReadFile(path, &f, &error)) { // cut files of the fuzzing corpus
                ++refused;
                continue;
            }
            EXPECT_EQ(Write(f), bytes) << path;
            ++identical;
        }
    }
    EXPECT_EQ(identical, 33);
    EXPECT_EQ(refused, 1);
}

TEST(MifWriter, AStatementRenamedInPlaceIsWrittenWithItsNewName) {
    MifFile f = Parse("<MIFFile 2015>\n<Document\n <DTwoSides Yes> # both\n>\n");
    EXPECT_EQ(Write(f), "<MIFFile 2015>\n<Document\n <DTwoSides Yes> # both\n>\n");
    f.statements[1].children[0].token = "DTwoPages"; // the same length, the bytes read still around it
    EXPECT_EQ(Write(f), "<MIFFile 2015>\n<Document\n <DTwoPages Yes> # both\n>\n");
}

TEST(MifWriter, WhatTheSessionTookOutLeavesTheLinesAroundIt) {
    const std::string text = "\xEF\xBB\xBF<MIFFile 9.00> # options\r\n<A \r\n <B 1>\r\n <C `x'> # end of C\r\n"
                             " <D <E 2> <F 3> <G 4>>\r\n> # end of A\r\n";
    MifFile f = Parse(text);
    EXPECT_EQ(Write(f), text); // the byte order mark too
    MifNode& a = f.statements[1];
    a.children.erase(a.children.begin() + 1);                      // <C ...> on its own line
    a.children[1].children.erase(a.children[1].children.begin() + 1); // <F 3> among others on one line
    EXPECT_EQ(Write(f), "\xEF\xBB\xBF<MIFFile 9.00> # options\r\n<A \r\n <B 1>\r\n <D <E 2> <G 4>>\r\n> # end of A\r\n");
    a.children.pop_back(); // the last one
    EXPECT_EQ(Write(f), "\xEF\xBB\xBF<MIFFile 9.00> # options\r\n<A \r\n <B 1>\r\n> # end of A\r\n");
    // A value set in place keeps its place and the spelling of its kind.
    a.children[0].args[0].text = "5";
    EXPECT_EQ(Write(f), "\xEF\xBB\xBF<MIFFile 9.00> # options\r\n<A \r\n <B 5>\r\n> # end of A\r\n");
}

TEST(MifWriter, TextHandedOnInBlocksIsTheWholeText) {
    // Some 4 MiB of paragraphs, every fifth changed and every seventh given
    // a statement more: spans as read, pieces written anew, and statements
    // added fall on both sides of the blocks' edges.
    std::string text = "<MIFFile 8.00> # a file\n";
    for (int i = 0; i < 60000; ++i)
        text += "<Para \n <PgfTag `Body'>\n <ParaLine <String `text " + std::to_string(i) + "'>>\n> # end of Para\n";
    MifFile f = Parse(text);
    for (size_t k = 1; k < f.statements.size(); ++k) {
        if (k % 5 == 1) f.statements[k].children[0].args[0].text = "Changed";
        if (k % 7 == 2) f.statements[k].children.push_back(MifStatement("Added", MifStringAtom("x")));
    }
    std::string streamed, error;
    int blocks = 0;
    struct Collect {
        std::string* out;
        int* blocks;
    } collect{&streamed, &blocks};
    auto put = [](void* context, const char* data, size_t size) {
        auto* c = static_cast<Collect*>(context);
        c->out->append(data, size);
        ++*c->blocks;
        return true;
    };
    ASSERT_TRUE(MifWriteStream(f, put, &collect, &error)) << error;
    EXPECT_TRUE(streamed == Write(f));
    EXPECT_GT(blocks, 3);
    // A sink that takes no more stops the writer.
    auto refuse = [](void*, const char*, size_t) { return false; };
    error.clear();
    EXPECT_FALSE(MifWriteStream(f, refuse, nullptr, &error));
    EXPECT_EQ(error, "");
}
