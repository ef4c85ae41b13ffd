// The Windows file API stand-in: dispositions, reading and writing through
// handles, file pointers, deletion by ANSI name, temporary names, and
// MultiByteToWideChar.
#include "platform/win_file.h"

#include "platform/win_names.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::u16string Wide(const std::string& utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::u16string out(static_cast<size_t>(n), u'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, out.data(), n);
    out.resize(static_cast<size_t>(n - 1));
    return out;
}

std::string WindowsName(const std::string& local) {
    char out[4096];
    EXPECT_GT(PlatformLocalNameToWindows(local.c_str(), out, sizeof out), 0);
    return out;
}

bool Exists(const std::string& local) {
    struct stat info;
    return stat(local.c_str(), &info) == 0;
}

class WinFile : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override {
        char pattern[] = "/tmp/winfileXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir = pattern;
    }
    void TearDown() override { std::system(("rm -rf '" + dir + "'").c_str()); }

    HANDLE Open(const std::string& local, DWORD access, DWORD disposition) {
        std::u16string name = Wide(WindowsName(local));
        return CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }
};

TEST_F(WinFile, DispositionsFollowWindows) {
    std::string file = dir + "/a.txt";
    const DWORD rw = GENERIC_READ | GENERIC_WRITE;
    EXPECT_EQ(Open(file, GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE);
    EXPECT_FALSE(Exists(file));

    HANDLE h = Open(file, rw, CREATE_NEW);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    EXPECT_TRUE(WriteFile(h, "hello world", 11, &done, nullptr));
    EXPECT_EQ(done, 11u);
    EXPECT_TRUE(CloseHandle(h));
    EXPECT_EQ(Open(file, rw, CREATE_NEW), INVALID_HANDLE_VALUE);

    h = Open(file, rw, OPEN_ALWAYS); // keeps the content
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(h, nullptr), 11u);
    CloseHandle(h);
    h = Open(file, rw, CREATE_ALWAYS); // empties it
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    EXPECT_EQ(GetFileSize(h, nullptr), 0u);
    CloseHandle(h);

    EXPECT_EQ(Open(dir, GENERIC_READ, OPEN_EXISTING), INVALID_HANDLE_VALUE); // a directory
    EXPECT_EQ(Open(file, rw, 9), INVALID_HANDLE_VALUE);
    const char16_t lone[] = {u'a', 0xD800, u'b', 0};
    EXPECT_EQ(CreateFileW(lone, rw, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
    EXPECT_EQ(CreateFileW(nullptr, rw, 0, nullptr, CREATE_ALWAYS, 0, nullptr), INVALID_HANDLE_VALUE);
}

TEST_F(WinFile, ReadWriteAndFilePointers) {
    HANDLE h = Open(dir + "/b.bin", GENERIC_READ | GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    DWORD done = 0;
    EXPECT_TRUE(WriteFile(h, "0123456789", 10, &done, nullptr));
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 10u);
    EXPECT_EQ(SetFilePointer(h, -4, nullptr, FILE_END), 6u);
    char out[16] = {};
    EXPECT_TRUE(ReadFile(h, out, 16, &done, nullptr));
    EXPECT_EQ(done, 4u);
    EXPECT_STREQ(out, "6789");
    EXPECT_TRUE(ReadFile(h, out, 16, &done, nullptr)); // at the end: success, nothing read
    EXPECT_EQ(done, 0u);

    EXPECT_EQ(SetFilePointer(h, -1, nullptr, FILE_BEGIN), INVALID_SET_FILE_POINTER);
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, FILE_CURRENT), 10u); // unmoved
    EXPECT_EQ(SetFilePointer(h, 0, nullptr, 7), INVALID_SET_FILE_POINTER);
    LONG high = 1; // 4 GiB + 2 with a high part; the position needs it
    EXPECT_EQ(SetFilePointer(h, 2, &high, FILE_BEGIN), 2u);
    EXPECT_EQ(high, 1);
    high = 0;
    EXPECT_EQ(SetFilePointer(h, 3, &high, FILE_BEGIN), 3u);
    DWORD sizeHigh = 7;
    EXPECT_EQ(GetFileSize(h, &sizeHigh), 10u);
    EXPECT_EQ(sizeHigh, 0u);
    EXPECT_TRUE(CloseHandle(h));

    // Handles that are not open files are refused, never closed.
    struct {
        uint32_t magic;
        int fd;
    } foreign = {0x12345678, 0};
    EXPECT_FALSE(CloseHandle(&foreign));
    EXPECT_FALSE(CloseHandle(nullptr));
    EXPECT_FALSE(CloseHandle(INVALID_HANDLE_VALUE));
    EXPECT_FALSE(ReadFile(nullptr, out, 1, &done, nullptr));
    EXPECT_EQ(GetFileSize(INVALID_HANDLE_VALUE, nullptr), INVALID_FILE_SIZE);
}

TEST_F(WinFile, DeleteTakesAnAnsiName) {
    std::string local = dir + "/caf\xC3\xA9.txt"; // "café" on disk, in UTF-8
    HANDLE h = Open(local, GENERIC_WRITE, CREATE_ALWAYS);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    std::string ansi = WindowsName(dir) + "\\caf\xE9.txt"; // the same name in code page 1252
    EXPECT_TRUE(DeleteFileA(ansi.c_str()));
    EXPECT_FALSE(Exists(local));
    EXPECT_FALSE(DeleteFileA(ansi.c_str()));
    EXPECT_FALSE(DeleteFileA(WindowsName(dir).c_str()));
    EXPECT_TRUE(Exists(dir));
}

TEST_F(WinFile, TemporaryNames) {
    const char* saved = std::getenv("TMPDIR");
    std::string keep = saved ? saved : "";
    setenv("TMPDIR", dir.c_str(), 1);
    char path[4096];
    std::string expected = WindowsName(dir) + "\\";
    EXPECT_EQ(GetTempPathA(sizeof path, path), expected.size());
    EXPECT_EQ(path, expected);
    char small[4] = "xyz";
    EXPECT_EQ(GetTempPathA(sizeof small, small), expected.size() + 1);
    EXPECT_STREQ(small, "xyz");
    if (saved) setenv("TMPDIR", keep.c_str(), 1);
    else unsetenv("TMPDIR");

    char first[MAX_PATH], second[MAX_PATH];
    UINT a = GetTempFileNameA(path, "FMTX", 0, first);
    UINT b = GetTempFileNameA(path, "FMT", 0, second);
    EXPECT_NE(a, 0u);
    EXPECT_NE(b, 0u);
    EXPECT_STRNE(first, second);
    std::string name = first;
    EXPECT_EQ(name.rfind(expected + "FMT", 0), 0u); // the prefix is cut to three characters
    EXPECT_NE(name.find(".tmp"), std::string::npos);
    EXPECT_TRUE(DeleteFileA(first)); // it was created
    EXPECT_TRUE(DeleteFileA(second));

    std::string deep = "Z:\\" + std::string(MAX_PATH - 16, 'd');
    EXPECT_EQ(GetTempFileNameA(deep.c_str(), "FMT", 0, first), 0u);
    EXPECT_EQ(GetTempFileNameA(path, "FMT", 0x1A2B, first), 0x1A2Bu); // named, not created
    EXPECT_EQ(std::string(first), expected + "FMT1A2B.tmp");
}

TEST(MultiByteToWideChar, Utf8AndAnsi) {
    char16_t out[16];
    // "a", U+00E9, U+20AC, U+1F600 and the terminator.
    const char* text = "a\xC3\xA9\xE2\x82\xAC\xF0\x9F\x98\x80";
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0), 6);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, out, 16), 6);
    const char16_t expected[] = {u'a', 0xE9, 0x20AC, 0xD83D, 0xDE00, 0};
    EXPECT_EQ(std::memcmp(out, expected, sizeof expected), 0);
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, 3, out, 16), 2); // no terminator counted
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, -1, out, 5), 0); // does not fit
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, 0, text, 0, out, 16), 0);

    // Ill-formed input: overlong, surrogate, cut short.
    const char* bad = "\xC0\xAF|\xED\xA0\x80|\xE2\x82";
    EXPECT_EQ(MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bad, -1, out, 16), 0);
    int n = MultiByteToWideChar(CP_UTF8, 0, bad, -1, out, 16);
    ASSERT_GT(n, 0);
    std::u16string replaced(out, static_cast<size_t>(n - 1));
    EXPECT_EQ(replaced.find(u'|'), 2u);
    EXPECT_EQ(replaced.back(), 0xFFFD);
    for (char16_t unit : replaced) EXPECT_TRUE(unit == u'|' || unit == 0xFFFD);

    EXPECT_EQ(MultiByteToWideChar(CP_ACP, 0, "\x80\xE9\x81", 3, out, 16), 3);
    EXPECT_EQ(out[0], 0x20AC);
    EXPECT_EQ(out[1], 0xE9);
    EXPECT_EQ(out[2], 0x81);
    EXPECT_EQ(MultiByteToWideChar(932, 0, "a", 1, out, 16), 0); // no other code pages here
}

TEST(ErrorMode, ReturnsThePreviousMode) {
    UINT before = SetErrorMode(SEM_FAILCRITICALERRORS);
    EXPECT_EQ(SetErrorMode(before), static_cast<UINT>(SEM_FAILCRITICALERRORS));
}

} // namespace
