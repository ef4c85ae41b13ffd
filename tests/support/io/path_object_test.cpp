// PathObject records: their flags after each way of making one, refusal of
// bases that may not serve, allocation failures, and the working directory.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "platform/win_names.h"
#include "support/base/memory.h"
#include "support/io/path.h"

namespace {

TEST(PathObject, FlagsOfEachResolution) {
    PathObject* base = PathResolveNew("C:\\docs", nullptr);
    ASSERT_NE(base, nullptr);
    EXPECT_EQ(base->magic, 0x70617468u);
    EXPECT_EQ(base->flags, PathFlagResolved);

    PathObject* dir = PathResolveNewDir("sub", base);
    ASSERT_NE(dir, nullptr);
    EXPECT_STREQ(dir->path, "C:\\docs\\sub");
    EXPECT_EQ(dir->flags, PathFlagResolved);
    PathObject* notDrive = PathResolveNewDir("\\sub", base);
    EXPECT_EQ(notDrive->flags, PathFlagNoBase | PathFlagResolved);

    PathObject* file = PathResolveNewFile("a.fm", base);
    ASSERT_NE(file, nullptr);
    EXPECT_STREQ(file->path, "C:\\docs\\a.fm");
    EXPECT_EQ(file->flags, PathFlagNoBase | PathFlagResolved);

    PathObject* styled = PathResolveNewStyled("<c>b.fm", dir, PathStyleTokens);
    ASSERT_NE(styled, nullptr);
    EXPECT_STREQ(styled->path, "C:\\docs\\sub\\b.fm");
    EXPECT_EQ(styled->flags, PathFlagNoBase | PathFlagResolved);
    EXPECT_EQ(PathResolveNewStyled("a:b", base, PathStyleColons), nullptr);

    // Every operation that takes a base refuses one that may not serve.
    EXPECT_EQ(PathResolveNew("x", file), nullptr);
    EXPECT_EQ(PathFromString("x", file, PathStyleNative), nullptr);
    EXPECT_EQ(PathResolveNewDir("x", notDrive), nullptr);
    EXPECT_EQ(PathResolveNewFile("x", file), nullptr);
    EXPECT_EQ(PathResolveNewStyled("x", file, PathStyleNative), nullptr);
    PathObject stranger{};
    EXPECT_EQ(PathResolveNew("x", &stranger), nullptr);

    // A base given as a file keeps working once made from its parent.
    int status = -1;
    PathObject* parent = PathParentOf(file, &status);
    PathObject* sibling = PathResolveNew("b.fm", parent);
    ASSERT_NE(sibling, nullptr);
    EXPECT_STREQ(sibling->path, "C:\\docs\\b.fm");

    for (PathObject* object : {base, dir, notDrive, file, styled, parent, sibling}) EXPECT_EQ(PathFree(object), 0);
    EXPECT_EQ(PathFree(nullptr), 0);
}

TEST(PathObject, AllocationFailuresGiveNull) {
    for (uint64_t n : {1, 2}) {
        MemFailAllocation(n); // the record, then its string
        EXPECT_EQ(PathNewFromText("C:\\a"), nullptr) << n;
    }
    PathObject* object = PathNewFromText("C:\\docs\\a.fm");
    MemFailAllocation(1);
    EXPECT_EQ(PathBaseName(object), nullptr);
    MemFailAllocation(1);
    EXPECT_EQ(PathToString(object, PathStyleSlashes), nullptr);
    MemFailAllocation(1);
    int status = 0;
    EXPECT_EQ(PathParentOf(object, &status), nullptr);
    EXPECT_EQ(status, -1);
    MemFailAllocation(0);
    PathFree(object);
}

TEST(PathObject, CurrentDirectoryInWindowsForm) {
    namespace fs = std::filesystem;
    const fs::path saved = fs::current_path();
    const fs::path dir = fs::canonical(fs::temp_directory_path()) / "vellor path $cwd";
    fs::create_directories(dir);
    fs::current_path(dir);

    PathObject* current = PathCurrentDir("");
    ASSERT_NE(current, nullptr);
    char expected[PathBufferSize];
    ASSERT_GT(PlatformLocalNameToWindows(dir.string().c_str(), expected, sizeof expected), 0);
    EXPECT_EQ(std::string(current->path), std::string(expected) + "\\"); // '$' not expanded
#ifndef _WIN32
    EXPECT_EQ(current->path[0], 'Z'); // the POSIX root's drive
#endif
    EXPECT_EQ(current->flags, PathFlagResolved);
    PathObject* child = PathResolveNew("a.fm", current);
    EXPECT_EQ(std::string(child->path), std::string(expected) + "\\a.fm");

    PathObject* given = PathCurrentDir("C:\\docs\\.\\x\\");
    EXPECT_STREQ(given->path, "C:\\docs\\x\\");

    fs::current_path(saved);
    fs::remove(dir);
    PathFree(current);
    PathFree(child);
    PathFree(given);
}

} // namespace
