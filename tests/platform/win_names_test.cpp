// The mapping between the library's Windows names and this system's names.
#include <gtest/gtest.h>

#include <string>

#include "platform/win_names.h"

namespace {

std::string ToLocal(const char* name) {
    char out[64];
    return PlatformWindowsNameToLocal(name, out, sizeof out) < 0 ? "<-1>" : out;
}

std::string ToWindows(const char* name) {
    char out[64];
    return PlatformLocalNameToWindows(name, out, sizeof out) < 0 ? "<-1>" : out;
}

#ifdef _WIN32
TEST(WinNames, IdentityOnWindows) {
    EXPECT_EQ(ToLocal("Z:\\home\\a\\b.mif"), "Z:\\home\\a\\b.mif");
    EXPECT_EQ(ToLocal("\\\\srv\\share\\x"), "\\\\srv\\share\\x");
    EXPECT_EQ(ToWindows("C:\\x/y"), "C:\\x/y");
    EXPECT_EQ(ToWindows("rel/x"), "rel/x");
}

TEST(WinNames, RefusesWhatDoesNotFit) {
    char out[8] = "junk";
    EXPECT_EQ(PlatformLocalNameToWindows("C:\\abcde", out, 8), -1);
    EXPECT_STREQ(out, "");
    EXPECT_EQ(PlatformLocalNameToWindows("C:\\abcd", out, 8), 7);
    EXPECT_STREQ(out, "C:\\abcd");
    EXPECT_EQ(PlatformWindowsNameToLocal(nullptr, out, 8), -1);
    EXPECT_EQ(PlatformWindowsNameToLocal("a", nullptr, 8), -1);
    EXPECT_EQ(PlatformWindowsNameToLocal("a", out, 0), -1);
}
#else
TEST(WinNames, BothDirections) {
    EXPECT_EQ(ToLocal("Z:\\home\\a\\b.mif"), "/home/a/b.mif");
    EXPECT_EQ(ToLocal("z:"), "/");
    EXPECT_EQ(ToLocal("Z:\\"), "/");
    EXPECT_EQ(ToLocal("\\\\srv\\share\\x"), "//srv/share/x");
    EXPECT_EQ(ToLocal("\\tmp\\x"), "/tmp/x");
    EXPECT_EQ(ToLocal("rel\\x"), "rel/x");
    EXPECT_EQ(ToLocal("C:\\x"), "C:/x");

    EXPECT_EQ(ToWindows("/home/a/b.mif"), "Z:\\home\\a\\b.mif");
    EXPECT_EQ(ToWindows("/"), "Z:\\");
    EXPECT_EQ(ToWindows("//srv/share/x"), "\\\\srv\\share\\x");
    EXPECT_EQ(ToWindows("rel/x"), "rel\\x");
}

TEST(WinNames, RefusesWhatDoesNotFit) {
    char out[8] = "junk";
    EXPECT_EQ(PlatformLocalNameToWindows("/abcde", out, 8), -1); // "Z:\abcde" needs 8 + 1
    EXPECT_STREQ(out, "");
    EXPECT_EQ(PlatformLocalNameToWindows("/abcd", out, 8), 7);
    EXPECT_STREQ(out, "Z:\\abcd");
    EXPECT_EQ(PlatformWindowsNameToLocal("abcdefgh", out, 8), -1);
    EXPECT_EQ(PlatformWindowsNameToLocal(nullptr, out, 8), -1);
    EXPECT_EQ(PlatformWindowsNameToLocal("a", nullptr, 8), -1);
    EXPECT_EQ(PlatformWindowsNameToLocal("a", out, 0), -1);
}
#endif

} // namespace
