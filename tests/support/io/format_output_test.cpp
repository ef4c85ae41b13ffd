// Where formatted output goes: the host's console through ConsoleHook (as
// UTF-8, in whole characters), a caller's buffer (never ending inside a
// character), and channels.
#include "support/base/format.h"
#include "support/io/format_output.h"

#include "support/base/char_safe.h"
#include "support/base/memory.h"
#include "support/io/encoding_convert.h"
#include "support/base/host_encodings.h"

#include "common/fake_stream.h"
#include "common/icu_data.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct EncodingScope {
    unsigned saved = EncCurrent;
    explicit EncodingScope(unsigned enc) {
        UseBuildIcuData();
        EncSelect("FrameRoman"); // fills the byte tables
        EncCurrent = enc;
    }
    ~EncodingScope() { EncCurrent = saved; }
};

std::vector<std::string> consoleLines;
int RecordConsole(const char* utf8) {
    consoleLines.emplace_back(utf8);
    return 0;
}
struct ConsoleScope {
    ConsoleScope() { consoleLines.clear(), ConsoleHook = RecordConsole; }
    ~ConsoleScope() { ConsoleHook = nullptr; }
};
std::string Joined() {
    std::string all;
    for (const std::string& line : consoleLines) all += line;
    return all;
}
std::string Repeat(const char* unit, int times) {
    std::string s;
    while (times-- > 0) s += unit;
    return s;
}

int FormatInto(char* buffer, int size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int written = FmtSnprintfV(buffer, size, format, args);
    va_end(args);
    return written;
}

TEST(FmtConsoleTest, LongLiteralRunGoesOutInWholeCharacters) {
    EncodingScope utf8(EncUtf8);
    ConsoleScope console;
    std::string run = Repeat("\xC3\xA9", 300); // 600 bytes
    EXPECT_EQ(601, FmtPrint(nullptr, (run + "%d").c_str(), 7));
    ASSERT_GE(consoleLines.size(), 4u);
    for (size_t i = 0; i + 1 < consoleLines.size(); ++i) {
        EXPECT_LE(consoleLines[i].size(), 255u);
        EXPECT_EQ(1, StrUtf8Valid(consoleLines[i].c_str())) << "piece " << i;
    }
    // The format's last run follows the number, empty as it is.
    EXPECT_EQ("7", consoleLines[consoleLines.size() - 2]);
    EXPECT_EQ("", consoleLines.back());
    EXPECT_EQ(run + "7", Joined());

    // At the end of the format the run is terminated and goes out whole.
    consoleLines.clear();
    EXPECT_EQ(601, FmtPrint(nullptr, ("%d" + run).c_str(), 7));
    EXPECT_EQ((std::vector<std::string>{"7", run}), consoleLines);
}

TEST(FmtConsoleTest, DoubleBytePairsAreNeverSplit) {
    EncodingScope sjis(EncShiftJis);
    ConsoleScope console;
    std::string run = "a" + Repeat("\x82\xA0", 300); // a pair straddles byte 255
    FmtPrint(nullptr, (run + "%s").c_str(), "");
    ASSERT_GE(consoleLines.size(), 3u);
    char* whole = EncToUtf8(run.c_str(), EncShiftJis);
    ASSERT_NE(nullptr, whole);
    EXPECT_EQ(std::string(whole), Joined());
    MemFree(whole);
}

TEST(FmtConsoleTest, CurrentEncodingIsConvertedToUtf8) {
    EncodingScope roman(EncFrameRoman);
    ConsoleScope console;
    EXPECT_EQ(6, FmtPrint(nullptr, "caf\x8E %s", "\x8E"));
    EXPECT_EQ("caf\xC3\xA9 \xC3\xA9", Joined());

    // Empty pieces and the empty last run are sent too; the empty run before
    // a conversion is not (it is no terminated string). Without a hook
    // nothing is sent, and the counts stand.
    consoleLines.clear();
    EXPECT_EQ(1, FmtPrint(nullptr, "%s%d", "", 3));
    EXPECT_EQ((std::vector<std::string>{"", "3", ""}), consoleLines);
    consoleLines.clear();
    EXPECT_EQ(1, FmtPrint(nullptr, "%d", 5));
    EXPECT_EQ((std::vector<std::string>{"5", ""}), consoleLines);
    consoleLines.clear();
    EXPECT_EQ(0, FmtPrint(nullptr, ""));
    EXPECT_EQ(std::vector<std::string>{""}, consoleLines);
    ConsoleHook = nullptr;
    EXPECT_EQ(18, FmtPrint(nullptr, "%s\n", "Couldn't allocate"));
}

TEST(FmtBufferTest, LimitIsHonouredWithoutSplittingCharacters) {
    char buffer[16];
    EXPECT_EQ(13, FmtSprintf(buffer, "%s=%05d;%c", "width", 42, 'z'));
    EXPECT_STREQ("width=00042;z", buffer);
    EXPECT_EQ(3, FormatInto(buffer, 4, "abc%s", "def"));
    EXPECT_STREQ("abc", buffer);
    EXPECT_EQ(0, FormatInto(buffer, 1, "abc"));
    EXPECT_STREQ("", buffer);
    {
        EncodingScope utf8(EncUtf8);
        EXPECT_EQ(1, FormatInto(buffer, 3, "a\xC3\xA9"));
        EXPECT_STREQ("a", buffer);
    }
    {
        EncodingScope sjis(EncShiftJis);
        EXPECT_EQ(1, FormatInto(buffer, 3, "%s", "a\x82\xA0"));
        EXPECT_STREQ("a", buffer);
        EXPECT_EQ(1, FormatInto(buffer, 3, "a\x82\xA0%d", 5));
        EXPECT_STREQ("a", buffer);
    }
}

// Output cut at the limit is what came before the cut: once a character did
// not fit, nothing after it may follow, or the text would lose its middle and
// read as something else: a file name cut inside its last character must not
// turn into the name of another file that the extension completes.
TEST(FmtBufferTest, NothingFollowsACharacterThatDidNotFit) {
    EncodingScope utf8(EncUtf8);
    char buffer[16];
    EXPECT_EQ(1, FormatInto(buffer, 3, "a\xC3\xA9%s", "b"));
    EXPECT_STREQ("a", buffer);
    EXPECT_EQ(1, FormatInto(buffer, 3, "a%s%s", "\xC3\xA9", "b"));
    EXPECT_STREQ("a", buffer);
    // Nine bytes of room: "report" fits, the four-byte character does not,
    // and ".fm" would fit the three bytes left, naming "report.fm".
    char name[10];
    EXPECT_EQ(6, FormatInto(name, sizeof name, "report\xF0\x9F\x98\x80%s", ".fm"));
    EXPECT_STREQ("report", name);
    EXPECT_EQ(6, FormatInto(name, sizeof name, "%s%s%s", "report", "\xF0\x9F\x98\x80", ".fm"));
    EXPECT_STREQ("report", name);
}

TEST(FmtBufferTest, NoBufferOrNoRoomWritesNothing) {
    char buffer[4] = {'x', 'x', 'x', 0};
    EXPECT_EQ(0, FormatInto(buffer, 0, "abc"));
    EXPECT_STREQ("xxx", buffer);
    int stored = -1;
    EXPECT_EQ(0, FormatInto(nullptr, 10, "abc%n", &stored));
    EXPECT_EQ(0, stored);
    EXPECT_EQ(0, FmtSprintf(nullptr, "abc%d", 1));
    // The count conversion sees what reached the buffer.
    char small[4];
    EXPECT_EQ(3, FormatInto(small, sizeof small, "abcdef%n", &stored));
    EXPECT_EQ(3, stored);
}

struct WriteChannel {
    FakeStreamC* stream = new FakeStreamC();
    ChanRecord* channel = FakeChannel(stream, ChanModeWrite);
    ~WriteChannel() {
        ChanClose(channel);
        stream->Release();
    }
    std::string Flushed() {
        EXPECT_EQ(0, ChanFlush(channel));
        return stream->Text();
    }
};

TEST(FmtChannelTest, PrintWritesBytesToTheChannel) {
    EncodingScope roman(EncFrameRoman);
    ConsoleScope console;
    WriteChannel out;
    std::string thousand(1000, 'w');
    EXPECT_EQ(1005, FmtPrint(out.channel, "%s=%d;\x8E%s", "n", 5, thousand.c_str()));
    EXPECT_EQ("n=5;\x8E" + thousand, out.Flushed());
    EXPECT_TRUE(consoleLines.empty());
}

TEST(FmtChannelTest, Utf16OutputConvertsFromTheSourceEncoding) {
    EncodingScope roman(EncFrameRoman);
    WriteChannel out;
    EXPECT_EQ(6, FmtPrintUtf16(EncIdUtf16, EncIdOfHost(EncFrameRoman), out.channel, "caf\x8E %d", 1));
    const char expected[] = "c\0a\0f\0\xE9\0 \0" "1\0";
    EXPECT_EQ(std::string(expected, 12), out.Flushed());

    WriteChannel bytes;
    EXPECT_EQ(6, FmtPrintUtf16(EncIdUtf8, EncIdOfHost(EncFrameRoman), bytes.channel, "caf\x8E %d", 1));
    EXPECT_EQ("caf\x8E 1", bytes.Flushed());

    // UTF-16 without a channel goes nowhere: the console takes no UTF-16.
    ConsoleScope console;
    EXPECT_EQ(0, FmtPrintUtf16(EncIdUtf16, EncIdOfHost(EncFrameRoman), nullptr, "caf\x8E %d", 1));
    EXPECT_TRUE(consoleLines.empty());
    EXPECT_EQ(6, FmtPrintUtf16(EncIdUtf8, EncIdOfHost(EncFrameRoman), nullptr, "caf\x8E %d", 1));
    EXPECT_EQ("caf\xC3\xA9 1", Joined());
}

} // namespace
