// The Windows file stand-in: dispositions, file pointers, refused handles,
// names Windows forbids, temporary names, and MultiByteToWideChar.
#include "platform/win_file.h"

// The stand-in exists only off Windows; on Windows the library calls the
// system's own file API, whose answers for foreign handles and the like are
// the system's affair.
#ifndef _WIN32

#include "common/netlib_folder.h"
#include "platform/win_module.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

HANDLE Open(const std::string& local, DWORD access, DWORD disposition) {
    std::string name = NetLibTestWindowsName(local);
    char16_t wide[512];
    EXPECT_GT(MultiByteToWideChar(CP_UTF8, 0, name.c_str(), -1, wide, 512), 0);
    return CreateFileW(wide, access, FILE_SHARE_READ, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

TEST(WinFile, DispositionsPointersAndHandles) {
    std::string dir = NetLibTestFolderMake(), file = dir + "/a.txt";
    const DWORD rw = GENERIC_READ | GENERIC_WRITE;
    EXPECT_EQ(Open(file, GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    HANDLE h = Open(file, rw, CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    EXPECT_TRUE(WriteFile(h, "0123456789", 10, &done, nullptr));
    EXPECT_EQ(SetFilePointer(h, -4, nullptr, FILE_END), 6u);
    char out[8] = {};
    EXPECT_TRUE(ReadFile(h, out, 8, &done, nullptr));
    EXPECT_STREQ(out, "6789");
    EXPECT_EQ(SetFilePointer(h, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 10u); // unmoved
    LONG high = 1;
    EXPECT_EQ(SetFilePointer(h, 2, &high, FILE_BEGIN), 2u); // 4 GiB + 2
    EXPECT_EQ(high, 1);
    EXPECT_TRUE(CloseHandle(h));

    EXPECT_EQ(Open(file, rw, CREATE_NEW), INVALID_HANDLE_VALUE);
    h = Open(file, rw, OPEN_ALWAYS);
    EXPECT_EQ(GetFileSize(h, nullptr), 10u);
    CloseHandle(h);
    h = Open(file, rw, CREATE_ALWAYS);
    EXPECT_EQ(GetFileSize(h, nullptr), 0u);
    CloseHandle(h);
    EXPECT_EQ(Open(dir, GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    const char16_t lone[] = {u'a', 0xD800, 0};
    EXPECT_EQ(CreateFileW(lone, rw, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);

    // What is not an open file is refused, never closed.
    struct {
        uint32_t magic;
        int fd;
    } foreign = {0x12345678, 0};
    EXPECT_FALSE(CloseHandle(&foreign));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(ReadFile(nullptr, out, 1, &done, nullptr));
    NetLibTestFolderRemove(dir);
}

// Names that Windows forbids are refused as Windows refuses them, even where
// this system could make or remove such a file; a drive's colon is no fault.
TEST(WinFile, NamesWindowsForbidsAreInvalid) {
    std::string dir = NetLibTestFolderMake();
    for (const char* bad : {"a<b", "a>b", "a\"b", "a|b", "a?b", "a*b", "a\tb", "a:b"}) {
        std::string local = dir + "/" + bad;
        ASSERT_TRUE(NetLibTestWrite(local, "keep")) << bad;
        SetLastError(0);
        EXPECT_EQ(Open(local, GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE) << bad;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME) << bad;
        SetLastError(0);
        EXPECT_FALSE(DeleteFileA(NetLibTestWindowsName(local).c_str())) << bad;
        EXPECT_EQ(GetLastError(), ERROR_INVALID_NAME) << bad;
        EXPECT_EQ(NetLibTestRead(local), "keep") << bad;
    }
    std::string good = dir + "/a.txt";
    ASSERT_TRUE(NetLibTestWrite(good, ""));
    ASSERT_EQ(NetLibTestWindowsName(good).substr(1, 1), ":") << "a drive letter's colon";
    EXPECT_TRUE(DeleteFileA(NetLibTestWindowsName(good).c_str()));
    NetLibTestFolderRemove(dir);
}

TEST(WinFile, TemporaryNames) {
    std::string dir = NetLibTestFolderMake();
    std::string windows = NetLibTestWindowsName(dir);
    char name[MAX_PATH];
    UINT number = GetTempFileNameA(windows.c_str(), "FMTX", 0, name);
    EXPECT_NE(number, 0u);
    EXPECT_EQ(std::string(name).rfind(windows + "\\FMT", 0), 0u); // three characters of prefix
    EXPECT_TRUE(DeleteFileA(name)); // it was created
    EXPECT_FALSE(DeleteFileA(name));
    EXPECT_FALSE(DeleteFileA(windows.c_str())); // a directory
    std::string deep = "Z:\\" + std::string(MAX_PATH - 16, 'd');
    EXPECT_EQ(GetTempFileNameA(deep.c_str(), "FMT", 0, name), 0u); // would not fit MAX_PATH

    char small[4] = "xyz";
    DWORD needed = GetTempPathA(sizeof small, small);
    EXPECT_GT(needed, 4u);
    EXPECT_STREQ(small, "xyz");
    std::string path(needed, '\0');
    EXPECT_EQ(GetTempPathA(needed, path.data()), needed - 1);
    EXPECT_EQ(path[needed - 2], '\\');
    NetLibTestFolderRemove(dir);
}

TEST(WinFile, MultiByteToWideChar) {
    char16_t out[16];
    const char* text = "a\xC3\xA9\xF0\x9F\x98\x80"; // a, U+00E9, U+1F600
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0), 5);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, out, 16), 5);
    const char16_t expected[] = {u'a', 0xE9, 0xD83D, 0xDE00, 0};
    EXPECT_EQ(std::memcmp(out, expected, sizeof expected), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, out, 4), 0); // does not fit
    // Overlong, surrogate, cut short: refused, or each ill-formed byte replaced.
    const char* bad = "\xC0\xAF|\xED\xA0\x80|\xE2\x82";
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bad, -1, out, 16), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, bad, -1, out, 16), 10);
    EXPECT_EQ(out[2], u'|');
    EXPECT_EQ(out[6], u'|');
    EXPECT_EQ(out[8], 0xFFFD);
    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\x80\xE9\x81", 3, out, 16), 3);
    EXPECT_EQ(out[0], 0x20AC);
    EXPECT_EQ(out[1], 0xE9);
    EXPECT_EQ(out[2], 0x81);
}

} // namespace
#endif
