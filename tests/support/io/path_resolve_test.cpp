// Resolution of paths: normalisation of ".", ".." and separators, joining to
// a base (local or network), environment variables and '~', and the bounds
// of the 4096-byte buffers.
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "common/environment.h"
#include "common/netlib_folder.h"
#include "platform/netlib.h"
#include "support/base/memory.h"
#include "support/io/path.h"

namespace {

std::string Resolve(const char* text, const char* base = "") {
    char path[PathBufferSize];
    std::strcpy(path, text);
    PathResolve(path, base);
    return path;
}

TEST(PathResolve, NormalisesDotsAndSeparators) {
    struct Case {
        const char* text;
        const char* expected;
    } cases[] = {
        {"C:\\docs\\.\\books\\..\\MasterPage.fm", "C:\\docs\\MasterPage.fm"},
        {"C:/a\\b", "C:/a/b"},                 // the first separator wins
        {"C:\\a/b//c", "C:\\a\\b\\c"},
        {"\\\\server\\share\\..\\x", "\\\\server\\x"}, // share names keep both backslashes
        {"//x//y", "/x/y"},
        {"C:\\..", "C:"},
        {"C:\\a\\..\\..\\..\\x", "C:\\x"},     // never above the drive
        {"..\\a", "\\a"},
        {"a\\..\\b", "b"},                     // stays relative
        {".\\a\\.\\b", "a\\b"},
        {"C:\\docs\\", "C:\\docs\\"},          // a trailing separator stays
        {"C:\\docs\\.", "C:\\docs\\"},
        {"dctm://repo/a/../b", "dctm://repo/a/../b"},
    };
    for (const Case& c : cases) EXPECT_EQ(Resolve(c.text), c.expected) << c.text;
}

// ".." after the first component of a relative path leaves a relative path:
// "a\\..\\b" is the b next to a, never "\\b", the b at the root, and it
// joins a base like "b" itself does.
TEST(PathResolve, UpFromTheFirstComponentStaysRelative) {
    EXPECT_EQ(Resolve("a\\..\\b"), "b");
    EXPECT_EQ(Resolve("a/../b"), "b");
    EXPECT_EQ(Resolve(Resolve("a\\..\\b").c_str(), "C:\\docs"), "C:\\docs\\b");
    EXPECT_EQ(Resolve("a\\..\\b", "C:\\docs"), "C:\\docs\\b");
}

TEST(PathResolve, JoinsRelativePathsToTheBase) {
    EXPECT_EQ(Resolve("a.fm", "C:\\docs"), "C:\\docs\\a.fm");
    EXPECT_EQ(Resolve("a.fm", "C:\\docs\\"), "C:\\docs\\a.fm");
    EXPECT_EQ(Resolve("..\\b.fm", "C:\\docs\\sub"), "C:\\docs\\b.fm");
    EXPECT_EQ(Resolve("a.fm", "C:/docs"), "C:/docs/a.fm");
    // Absolute names are not put after the base.
    EXPECT_EQ(Resolve("\\x.fm", "C:\\docs"), "\\x.fm");
    EXPECT_EQ(Resolve("D:y.fm", "C:\\docs"), "D:y.fm");
    EXPECT_EQ(Resolve("/x.fm", "C:\\docs"), "/x.fm");
}

TEST(PathResolve, ExpandsVariablesAndHome) {
    TestSetEnv("VELLOR_PATH_DOCS", "C:\\docs");
    TestSetEnv("VELLOR_PATH_EMPTY", "");
    TestSetEnv("VELLOR_PATH_UNDEFINED", nullptr);
    // A variable that makes the path absolute is not joined to the base.
    EXPECT_EQ(Resolve("$VELLOR_PATH_DOCS\\a.fm", "D:\\other"), "C:\\docs\\a.fm");
    EXPECT_EQ(Resolve("x\\$VELLOR_PATH_DOCS"), "x\\C:\\docs");
#ifndef _WIN32 // Windows keeps no empty variables: setting "" removed it
    EXPECT_EQ(Resolve("$VELLOR_PATH_EMPTY\\x"), "\\x");
#endif
    EXPECT_EQ(Resolve("$VELLOR_PATH_UNDEFINED\\x"), "$VELLOR_PATH_UNDEFINED\\x");
    EXPECT_EQ(Resolve("a$.b"), "a$.b");
    EXPECT_EQ(Resolve("~\\x"), "\\x");
    EXPECT_EQ(Resolve("~user\\x"), "user\\x");
    EXPECT_EQ(Resolve("a~b\\~"), "a~b\\~");

    std::strcpy(PathHomeDir, "C:\\home");
    EXPECT_EQ(Resolve("~\\x"), "C:\\home\\x");
    EXPECT_EQ(Resolve("~"), "C:\\home");
    PathHomeDir[0] = 0;
    TestSetEnv("VELLOR_PATH_DOCS", nullptr);
    TestSetEnv("VELLOR_PATH_EMPTY", nullptr);
}

TEST(PathResolve, RefusesWhatDoesNotFitInsteadOfCuttingIt) {
    const std::string dir = "C:\\" + std::string(4000, 'd');
    EXPECT_EQ(Resolve("short.fm", dir.c_str()), dir + "\\short.fm");
    const std::string name(100, 'n');
    EXPECT_EQ(Resolve(name.c_str(), dir.c_str()), ""); // base + name > 4095

    const std::string longest = "C:\\" + std::string(4092, 'x');
    ASSERT_EQ(longest.size(), 4095u);
    EXPECT_EQ(Resolve(longest.c_str()), longest);

    TestSetEnv("VELLOR_PATH_HUGE", std::string(4000, 'v').c_str());
    EXPECT_EQ(Resolve("C:\\$VELLOR_PATH_HUGE\\$VELLOR_PATH_HUGE"), "");
    TestSetEnv("VELLOR_PATH_HUGE", nullptr);
    // A name too long to be a variable stays as written.
    const std::string longName = "$" + std::string(2000, 'V');
    EXPECT_EQ(Resolve(longName.c_str()), longName);

    // Objects refuse text that a buffer cannot hold.
    EXPECT_EQ(PathResolveNew(std::string(4096, 'a').c_str(), nullptr), nullptr);
    EXPECT_EQ(PathNewFromText(std::string(4096, 'a').c_str()), nullptr);
}

class PathNetwork : public ::testing::Test {
protected:
    void SetUp() override {
        folder = NetLibTestFolderMake();
        ASSERT_EQ(NetLibStandInEnable(folder.c_str()), 0);
    }
    void TearDown() override {
        NetLibStandInDisable();
        NetLibTestFolderRemove(folder);
    }
    std::string folder;
};

TEST_F(PathNetwork, RelativePathsJoinANetworkBaseWithSlashes) {
    EXPECT_EQ(Resolve("sub\\a.fm", "http://host/dir"), "http://host/dir/sub/a.fm");
    EXPECT_EQ(Resolve("..\\a.fm", "http://host/dir/deep"), "http://host/dir/a.fm");
    // Network names themselves are the network library's business.
    EXPECT_EQ(Resolve("http://host/a/../b", "C:\\docs"), "http://host/a/../b");
    // A failed join leaves nothing.
    NetLibStandInFailNext(NetLibOpGetAbsoluteURL, NetLibErrBadName);
    EXPECT_EQ(Resolve("a.fm", "http://host/dir"), "");
    EXPECT_EQ(NetLibStandInLiveStrings(), 0);
}

TEST_F(PathNetwork, NetworkJoinRefusesAnOverlongResult) {
    const std::string base = "http://host/" + std::string(4050, 'd');
    EXPECT_EQ(Resolve(std::string(60, 'a').c_str(), base.c_str()), "");
    EXPECT_EQ(NetLibStandInLiveStrings(), 0);
}

TEST_F(PathNetwork, ObjectsOverNetworkNames) {
    PathObject* base = PathFromString("http://host/books/", nullptr, PathStyleNative);
    ASSERT_NE(base, nullptr);
    PathObject* file = PathFromString("ch1.fm", base, PathStyleNative);
    ASSERT_NE(file, nullptr);
    EXPECT_STREQ(file->path, "http://host/books/ch1.fm");
    char* name = PathBaseName(file);
    EXPECT_STREQ(name, "ch1.fm");
    MemFree(name);

    char directory[PathBufferSize];
    char leaf[PathNameSize];
    EXPECT_EQ(PathSplit("http://host/dir/a%20b%2Fc%00%zz%4", directory, leaf), 0);
    EXPECT_STREQ(directory, "http://host/dir");
    EXPECT_STREQ(leaf, "a b/c%00%zz%4");

    PathObject* other = PathFromString("http://host/books/x/y.fm", nullptr, PathStyleNative);
    char* tokens = nullptr;
    int length = 0;
    EXPECT_EQ(PathNativeToTokens(file, nullptr, &tokens, &length), 0);
    EXPECT_STREQ(tokens, "http://host/books/ch1.fm"); // a network name as it stands
    EXPECT_EQ(length, 24);
    MemFree(tokens);
    // Made relative by the network library, it is a relative path like any.
    EXPECT_EQ(PathNativeToTokens(file, other, &tokens, &length), 0);
    EXPECT_STREQ(tokens, "<u><c>ch1.fm");
    EXPECT_EQ(length, 12);
    MemFree(tokens);
    EXPECT_EQ(PathClassify("http://host/x"), PathStyleNativeAlt);
    EXPECT_TRUE(PathIsAbsolute("http://host/x"));
    PathFree(other);
    PathFree(file);
    PathFree(base);
}

} // namespace
