// Paths in double-byte host encodings: the second byte of a Shift-JIS
// character may be 0x5C, which is '\' in ASCII; it must never be taken for
// a separator, an escape or a place to cut.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/base/memory.h"
#include "support/base/host_encodings.h"
#include "support/io/path.h"

namespace {

// 0x95 0x5C is one Shift-JIS character; so is 0x83 0x5C.
const std::string Hyo = "\x95\x5C";
const std::string So = "\x83\x5C";

class PathShiftJis : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(EncSelect("JISX0208.ShiftJIS"), static_cast<unsigned>(EncShiftJis)); }
    void TearDown() override { EncSelect("FrameRoman"); }
};

std::string Resolve(const std::string& text) {
    char path[PathBufferSize];
    std::strcpy(path, text.c_str());
    PathResolve(path, "");
    return path;
}

TEST_F(PathShiftJis, TrailByteIsNotASeparatorWhenResolving) {
    // ".." takes away the whole name, not its half.
    EXPECT_EQ(Resolve("C:\\d\\" + Hyo + "x\\..\\y"), "C:\\d\\y");
    // The first real separator is '/', so all are written as '/'.
    EXPECT_EQ(Resolve(Hyo + "/a\\b"), Hyo + "/a/b");
    // A name ending in the pair keeps its last byte; no separator is folded.
    EXPECT_EQ(Resolve("C:\\" + Hyo + "\\\\a"), "C:\\" + Hyo + "\\a");

    // The same bytes in FrameRoman are two characters and a separator.
    EncSelect("FrameRoman");
    EXPECT_EQ(Resolve("C:\\d\\" + Hyo + "x\\..\\y"), "C:\\d\\\x95\\y");
}

TEST_F(PathShiftJis, NamesEndingInTheTrailByteSplitWhole) {
    PathObject* object = PathFromString(("C:\\docs\\" + So + Hyo).c_str(), nullptr, PathStyleNative);
    ASSERT_NE(object, nullptr);
    char* name = PathBaseName(object); // the final 0x5C is not hidden as a trailing '\'
    EXPECT_EQ(std::string(name), So + Hyo);
    MemFree(name);

    char directory[PathBufferSize];
    char leaf[PathNameSize];
    EXPECT_EQ(PathSplit(object->path, directory, leaf), 0);
    EXPECT_STREQ(directory, "C:\\docs");

    int status = -1;
    PathObject* parent = PathParentOf(object, &status);
    ASSERT_NE(parent, nullptr);
    EXPECT_STREQ(parent->path, "C:\\docs");
    PathFree(parent);

    char* slashes = PathToString(object, PathStyleSlashes);
    EXPECT_EQ(std::string(slashes), "C:/docs/" + So + Hyo);
    MemFree(slashes);
    PathFree(object);

    char path[32];
    std::strcpy(path, ("a" + Hyo).c_str());
    EXPECT_EQ(PathAppend(path, "b", sizeof path), 0);
    EXPECT_EQ(std::string(path), "a" + Hyo + "\\b");

    const std::string components = Hyo + "\\b";
    const char* cursor = components.c_str();
    char component[PathTokenSize];
    EXPECT_EQ(PathNextComponent(&cursor, component), 1);
    EXPECT_EQ(std::string(component), Hyo);
}

TEST_F(PathShiftJis, TokenTextsKeepTheirPairs) {
    char out[PathBufferSize];
    // The 0x5C of the pair is no escape: it does not swallow the '<'.
    EXPECT_EQ(PathTokensToNative(("<r><c>" + Hyo + "<c>b").c_str(), out), 0);
    EXPECT_EQ(std::string(out), "\\" + Hyo + "\\b");

    PathObject* object = PathNewFromText(("C:\\" + Hyo + "\\x").c_str());
    char* tokens = PathToString(object, PathStyleTokens);
    EXPECT_EQ(std::string(tokens), "<v>C:<c>" + Hyo + "<c>x");
    MemFree(tokens);
    PathFree(object);

    // Comparison without case leaves the trail byte alone: 0x83 0x41 and
    // 0x83 0x61 are different characters.
    char path[PathBufferSize] = "C:\\\x83\x41\\a.fm";
    EXPECT_EQ(PathRelativeTo(path, "C:\\\x83\x61\\b.fm"), 0);
    EXPECT_STREQ(path, "..\\\x83\x41\\a.fm");
}

TEST_F(PathShiftJis, CutsNeverSplitAPair) {
    // A directory cut at 4095 bytes whose last byte would be a lead byte.
    const std::string path = "C:\\" + std::string(4091, 'd') + Hyo + Hyo + "\\a.fm";
    char directory[PathBufferSize];
    char name[PathNameSize];
    EXPECT_EQ(PathSplit(path.c_str(), directory, name), 0);
    EXPECT_EQ(std::string(directory), "C:\\" + std::string(4091, 'd'));

    // Token text: 1022 bytes and a pair do not fit in 1023.
    char out[PathBufferSize];
    EXPECT_EQ(PathTokensToNative(("<c>" + std::string(1021, 't') + Hyo).c_str(), out), 0);
    EXPECT_EQ(PathTokensToNative(("<c>" + std::string(1022, 't') + Hyo).c_str(), out), -1);
}

} // namespace
