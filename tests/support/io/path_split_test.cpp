// Taking paths apart and asking about them: final names as the tools use
// them, directory parts, parents, components, relative forms, appending,
// and the guess at a string's style.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "support/base/memory.h"
#include "support/io/path.h"

namespace {

std::string BaseName(const char* text) {
    PathObject* object = PathFromString(text, nullptr, PathStyleNative);
    char* name = PathBaseName(object);
    std::string result = name ? name : "<null>";
    MemFree(name);
    PathFree(object);
    return result;
}

TEST(PathSplit, BaseNamesOfTheFormsTheToolsUse) {
    EXPECT_EQ(BaseName("Z:\\books\\ch1.fm"), "ch1.fm");
    EXPECT_EQ(BaseName("C:\\docs\\.\\books\\..\\MasterPage.fm"), "MasterPage.fm");
    EXPECT_EQ(BaseName("C:\\docs\\"), "docs");
    EXPECT_EQ(BaseName("C:/docs/a.fm"), "/docs/a.fm"); // '/' does not split
    EXPECT_EQ(BaseName("C:a.fm"), "a.fm");
    EXPECT_EQ(BaseName("a.fm"), "a.fm");
    EXPECT_EQ(BaseName("C:\\"), "");
    EXPECT_EQ(PathBaseName(nullptr), nullptr);
}

TEST(PathSplit, DirectoryAndName) {
    struct Case {
        const char* path;
        const char* directory;
        const char* name;
    } cases[] = {
        {"C:\\docs\\a.fm", "C:\\docs", "a.fm"}, {"C:\\a.fm", "C:\\", "a.fm"}, {"\\a.fm", "\\", "a.fm"},
        {"a.fm", "", "a.fm"},                   {"C:a.fm", "C", "a.fm"},      {"x\\y\\", "x\\y", ""},
    };
    for (const Case& c : cases) {
        char directory[PathBufferSize] = "junk";
        char name[PathNameSize] = "junk";
        EXPECT_EQ(PathSplit(c.path, directory, name), 0);
        EXPECT_STREQ(directory, c.directory) << c.path;
        EXPECT_STREQ(name, c.name) << c.path;
    }
    EXPECT_STREQ(PathLastComponent("C:\\d\\e:f"), "f");
    EXPECT_STREQ(PathLastComponent("plain"), "plain");
}

TEST(PathSplit, LongNamesAndDirectoriesStayInTheirBuffers) {
    char directory[PathBufferSize];
    char name[PathNameSize];
    const std::string fits = "C:\\d\\" + std::string(1022, 'n');
    EXPECT_EQ(PathSplit(fits.c_str(), directory, name), 0);
    EXPECT_EQ(std::string(name), std::string(1022, 'n'));

    const std::string tooLong = "C:\\d\\" + std::string(1023, 'n');
    EXPECT_EQ(PathSplit(tooLong.c_str(), directory, name), -1);
    EXPECT_STREQ(name, "");
    EXPECT_STREQ(directory, "C:\\d"); // the directory is still there
    PathObject* object = PathNewFromText(tooLong.c_str());
    EXPECT_EQ(PathBaseName(object), nullptr);
    PathFree(object);

    const std::string hugeDirectory = "C:\\" + std::string(6000, 'd') + "\\a.fm";
    EXPECT_EQ(PathSplit(hugeDirectory.c_str(), directory, name), 0);
    EXPECT_EQ(std::string(directory).size(), 4095u);
    EXPECT_STREQ(name, "a.fm");
}

TEST(PathSplit, ParentsOfPaths) {
    struct Case {
        const char* path;
        const char* parent; // null: no parent
        int status;
    } cases[] = {
        {"C:\\docs\\a.fm", "C:\\docs", 0}, {"C:\\docs\\", "C:\\", 0}, {"\\tmp", "\\", 0},
        {"C:\\", nullptr, 0},              {"\\", nullptr, 0},         {"a.fm", nullptr, -1},
    };
    for (const Case& c : cases) {
        PathObject* object = PathNewFromText(c.path);
        object->flags = PathFlagNoBase | PathFlagResolved;
        int status = 99;
        PathObject* parent = PathParentOf(object, &status);
        EXPECT_EQ(status, c.status) << c.path;
        if (c.parent) {
            ASSERT_NE(parent, nullptr) << c.path;
            EXPECT_STREQ(parent->path, c.parent);
            EXPECT_EQ(parent->flags, PathFlagResolved); // a directory can be a base
        }
        else {
            EXPECT_EQ(parent, nullptr) << c.path;
        }
        PathFree(parent);
        PathFree(object);
    }
    int status = 0;
    EXPECT_EQ(PathParentOf(nullptr, &status), nullptr);
    EXPECT_EQ(status, -1);
}

TEST(PathSplit, IteratesOverComponents) {
    const char* cursor = "\\\\a\\\\\\b c\\";
    char component[PathTokenSize];
    EXPECT_EQ(PathNextComponent(&cursor, component), 1);
    EXPECT_STREQ(component, "a");
    EXPECT_EQ(PathNextComponent(&cursor, component), 1);
    EXPECT_STREQ(component, "b c");
    EXPECT_EQ(PathNextComponent(&cursor, component), 0);
    EXPECT_EQ(PathNextComponent(&cursor, component), 0);

    const std::string text = std::string(1024, 'x') + "\\" + std::string(1023, 'y');
    cursor = text.c_str();
    EXPECT_EQ(PathNextComponent(&cursor, component), -1);
    EXPECT_STREQ(component, "");
    EXPECT_EQ(PathNextComponent(&cursor, component), 1);
    EXPECT_EQ(std::string(component), std::string(1023, 'y'));
}

TEST(PathRelative, RewritesAgainstTheOtherDirectory) {
    struct Case {
        const char* path;
        const char* other;
        const char* expected; // null: refused, path untouched
    } cases[] = {
        {"C:\\docs\\sub\\a.fm", "C:\\docs\\b.fm", "sub\\a.fm"},
        {"C:\\docs\\a.fm", "c:\\DOCS\\SUB\\b.fm", "..\\a.fm"},
        {"C:\\x\\y\\", "C:\\a\\b\\", "..\\..\\x\\y\\"},
        {"C:\\docs\\", "C:\\docs\\b.fm", "."},
        {"C:\\docs\\a.fm", "D:\\docs\\b.fm", nullptr},
        {"docs\\a.fm", "C:\\b.fm", nullptr},
        {"C:\\a.fm", "b.fm", nullptr},
        {"\\\\srv\\share\\a.fm", "\\a.fm", nullptr},
    };
    for (const Case& c : cases) {
        char path[PathBufferSize];
        std::strcpy(path, c.path);
        EXPECT_EQ(PathRelativeTo(path, c.other), c.expected ? 0 : -1) << c.path;
        EXPECT_STREQ(path, c.expected ? c.expected : c.path);
    }
    // Too many levels up to write.
    std::string deep = "C:";
    for (int i = 0; i < 1400; ++i) deep += "\\d";
    char path[PathBufferSize] = "C:\\a.fm";
    EXPECT_EQ(PathRelativeTo(path, (deep + "\\x.fm").c_str()), -1);
    EXPECT_STREQ(path, "C:\\a.fm");
}

TEST(PathRelative, AppendsComponentsWithinTheLimit) {
    char path[16] = "C:\\docs";
    EXPECT_EQ(PathAppend(path, "a.fm", sizeof path), 0);
    EXPECT_STREQ(path, "C:\\docs\\a.fm");
    EXPECT_EQ(PathAppend(path, "xyz", sizeof path), -1); // needs 17 bytes
    EXPECT_STREQ(path, "C:\\docs\\a.fm");
    EXPECT_EQ(PathAppend(path, "xy", sizeof path), 0);    // exactly 16
    EXPECT_STREQ(path, "C:\\docs\\a.fm\\xy");

    char slash[16] = "C:/docs/";
    EXPECT_EQ(PathAppend(slash, "a", sizeof slash), 0);
    EXPECT_STREQ(slash, "C:/docs/a");
    char empty[16] = "";
    EXPECT_EQ(PathAppend(empty, "a", sizeof empty), 0);
    EXPECT_STREQ(empty, "a");
}

// A name and the empty directory that a bare file name splits into join
// back into that name, not "\\a.fm", which is a file at the root.
TEST(PathRelative, AnEmptyDirectoryAndANameJoinBackIntoTheSameRelativeName) {
    char directory[PathBufferSize];
    char name[PathNameSize];
    EXPECT_EQ(PathSplit("a.fm", directory, name), 0);
    EXPECT_STREQ(directory, "");
    EXPECT_EQ(PathAppend(directory, name, sizeof directory), 0);
    EXPECT_STREQ(directory, "a.fm");
    EXPECT_EQ(PathIsAbsolute(directory), 0);
}

// A final name longer than the name buffer is refused, never cut: the first
// 1022 bytes of it would name another file in the same directory.
TEST(PathSplit, AnOverlongFinalNameIsRefusedRatherThanCutIntoAnotherName) {
    char directory[PathBufferSize];
    char name[PathNameSize];
    const std::string shortName = std::string(1022, 'n');
    const std::string longName = shortName + "2.fm";
    EXPECT_EQ(PathSplit(("C:\\d\\" + longName).c_str(), directory, name), -1);
    EXPECT_NE(std::string(name), shortName);
    EXPECT_STREQ(name, "");
    EXPECT_EQ(BaseName(("C:\\d\\" + longName).c_str()), "<null>");
    EXPECT_EQ(BaseName(("C:\\d\\" + shortName).c_str()), shortName);
}

TEST(PathQuestions, AbsoluteRootAndClassify) {
    for (const char* yes : {"C:", "C:x", "\\x", "/x", "dctm://r/x", "\\\\s\\x"}) EXPECT_TRUE(PathIsAbsolute(yes)) << yes;
    for (const char* no : {"", "x", "x\\C:", ".\\x"}) EXPECT_FALSE(PathIsAbsolute(no)) << no;
    EXPECT_FALSE(PathIsAbsolute(nullptr));

    for (const char* yes : {"\\", "C:", "c:\\"}) EXPECT_TRUE(PathIsRoot(yes)) << yes;
    for (const char* no : {"", "/", "C:\\x", "\\\\", "1:", "C:/"}) EXPECT_FALSE(PathIsRoot(no)) << no;

    struct Case {
        const char* text;
        int style;
    } cases[] = {
        {"", 0},           {"<c>a", 1},       {"<r>", 0},           {"<x>ab", 0},        {"/a", 2},
        {"./a", 2},        {"../a", 2},       {"/ a", 2},           {"plain name", 0},   {"a/b", 2},
        {"a/b c", 3},      {"a/b\\c", 3},     {"a/b:c", 3},         {"a:b:c", 3},        {"C:\\x y", 4},
        {"C:x", 4},        {"C:", 3},         {"ab:c", 3},          {"1:x", 3},          {"a\\b c", 4},
    };
    for (const Case& c : cases) EXPECT_EQ(PathClassify(c.text), c.style) << c.text;
    EXPECT_EQ(PathClassify(nullptr), 0);
}

} // namespace
