// Library start-up: FrameRoman once, the ICU data directory from the host
// directory (Windows form, handed to ICU in local form), and the judgement
// of its one host call on that call alone.
#include "support/io/library_startup.h"

#include "common/icu_data.h"
#include "host/call_layer.h"
#include "host/host_startup.h"
#include "host/fake_host.h"
#include "platform/win_names.h"
#include "support/io/encoding_convert.h"
#include "support/base/host_encodings.h"
#include "support/base/memory.h"

#include <gtest/gtest.h>

#include <unicode/putil.h>

#include <string>

namespace {

// A file name in this system's form, as ICU is handed it.
std::string Local(const char* windowsName) {
    char local[2048];
    EXPECT_GE(PlatformWindowsNameToLocal(windowsName, local, sizeof local), 0) << windowsName;
    return local;
}

std::string Windows(const std::string& localName) {
    char name[2048];
    EXPECT_GE(PlatformLocalNameToWindows(localName.c_str(), name, sizeof name), 0) << localName;
    return name;
}

class LibraryStartup : public ::testing::Test {
protected:
    fake::Host host;
    std::string icuBefore;

    void SetUp() override {
        icuBefore = u_getDataDirectory();
        u_setDataDirectory("");
        HostErrorCode = 0;
        EncLibraryReset();
        ASSERT_EQ(HostAcquireInterfaces(&host.server), 1);
    }
    void TearDown() override {
        HostReleaseInterfaces();
        u_setDataDirectory(icuBefore.c_str());
        HostErrorCode = 0;
    }
};

TEST_F(LibraryStartup, SetsIcuDataUnderTheHostDirectoryOnce) {
    host.text = "Z:\\opt\\fm";
    EXPECT_EQ(EncLibraryInit(), 0);
    EXPECT_EQ(EncLibraryIsInit(), 1);
    EXPECT_TRUE(EncTablesReady());
    EXPECT_EQ(EncCurrent, 0u);
    EXPECT_EQ(u_getDataDirectory(), Local("Z:\\opt\\fm\\icu_data"));
    ASSERT_EQ(host.calls.back(), std::make_pair(4, 97));
    EXPECT_EQ(host.ident.number, PropHostDirectory);
    EXPECT_EQ(host.ints, (std::vector<int32_t>{0, 0}));

    // A later start-up leaves a set directory alone and asks nothing.
    host.text = "Z:\\elsewhere";
    host.calls.clear();
    EXPECT_EQ(EncLibraryInit(), 0);
    EXPECT_TRUE(host.calls.empty());
    EXPECT_EQ(u_getDataDirectory(), Local("Z:\\opt\\fm\\icu_data"));

    EncLibraryReset();
    EXPECT_EQ(EncLibraryIsInit(), 0);
    EXPECT_EQ(u_getDataDirectory(), Local("Z:\\opt\\fm\\icu_data"));

    // Setting it outright does not look at ICU's current directory.
    EXPECT_EQ(EncSetIcuDataDir(), 0);
    EXPECT_EQ(u_getDataDirectory(), Local("Z:\\elsewhere\\icu_data"));
}

TEST_F(LibraryStartup, NoDirectoryFromTheHostGivesOne) {
    host.text = nullptr;
    EXPECT_EQ(EncLibraryInit(), 1);
    EXPECT_EQ(EncLibraryIsInit(), 1);
    EXPECT_STREQ(u_getDataDirectory(), "");

    host.text = "";
    EXPECT_EQ(EncLibraryInit(), 1);

    host.text = "Z:\\fm";
    host.status = 5;
    EXPECT_EQ(EncLibraryInit(), 1);
    EXPECT_EQ(HostErrorCode, 5);
    EXPECT_STREQ(u_getDataDirectory(), "");

    HostReleaseInterfaces();
    HostErrorCode = 0;
    EXPECT_EQ(EncEnsureIcuDataDir(), 1);
    EXPECT_EQ(HostErrorCode, -1);
}

TEST_F(LibraryStartup, AnEarlierFailureIsNotTakenForItsOwn) {
    HostErrorCode = 7;
    host.text = "Z:\\fm";
    EXPECT_EQ(EncLibraryInit(), 0);
    EXPECT_EQ(u_getDataDirectory(), Local("Z:\\fm\\icu_data"));
    EXPECT_EQ(HostErrorCode, 7) << "the earlier code is put back";
}

TEST_F(LibraryStartup, RefusesADirectoryThatDoesNotFit) {
    // 1014 bytes + "\icu_data" = 1023: the longest that fits.
    std::string fits = "Z:\\" + std::string(1011, 'd');
    host.text = fits.c_str();
    EXPECT_EQ(EncSetIcuDataDir(), 0);
    EXPECT_EQ(u_getDataDirectory(), Local((fits + "\\icu_data").c_str()));

    u_setDataDirectory("");
    std::string tooLong = fits + "d";
    host.text = tooLong.c_str();
    EXPECT_EQ(EncLibraryInit(), 1);
    EXPECT_STREQ(u_getDataDirectory(), "");
}

// With the host directory where the build keeps the converters' parent,
// the host converters open: a FrameRoman name converts to UTF-8.
TEST_F(LibraryStartup, TheComposedDirectoryFindsTheHostConverters) {
    std::string build = BuildIcuDataDir();
    ASSERT_EQ(build.substr(build.size() - 8), "icu_data");
    std::string windows = Windows(build.substr(0, build.size() - 9));
    host.text = windows.c_str();
    ASSERT_EQ(EncLibraryInit(), 0);
    EXPECT_EQ(std::string(u_getDataDirectory()), build);
    char* utf8 = EncCurrentToUtf8("Caf\x8E");
    ASSERT_NE(utf8, nullptr);
    EXPECT_STREQ(utf8, "Caf\xC3\xA9");
    MemFree(utf8);
}

} // namespace
