// Host encodings: the state before any selection, selection by name, the
// byte tables' ranges, and the pair rule.
#include "support/base/host_encodings.h"

#include "support/base/char_safe.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// The current encoding is process-wide: every test that selects one puts
// FrameRoman back.
class HostEncodings : public ::testing::Test {
protected:
    void SetUp() override { EncSelect("FrameRoman"); }
    void TearDown() override { EncSelect("FrameRoman"); }
};

// Runs in a freshly started copy of the test program, where nothing has
// selected an encoding yet. Returns the number of the first failed check.
int CheckStateBeforeAnySelection() {
    if (EncTablesReady() != 0) return 1;
    if (EncCurrent != EncFrameRoman) return 2;
    for (unsigned enc = 0; enc < EncHostEncodingCount; ++enc) {
        if (EncIsPair("\x95\\", enc) || EncIsPair("\xB0\xA1", enc)) return 3;
        if (StrIsTrailByte("\x95\\", 1, enc)) return 4;
        if (StrFindEnc("\x95\\", "\\", enc) != 1) return 5;
    }
    if (EncSelect("FrameRoman") != EncFrameRoman || !EncTablesReady()) return 6;
    if (!EncIsPair("\x95\\", EncShiftJis)) return 7; // the tables are filled now
    if (EncIsPair("\x95\\")) return 8;               // but FrameRoman is current
    return 0;
}

TEST(HostEncodingsStart, NoPairsBeforeTheFirstSelection) {
    // "threadsafe" runs the check in a newly executed process, not a fork of
    // this one, whose tables may already be filled by earlier tests.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(std::exit(CheckStateBeforeAnySelection()), ::testing::ExitedWithCode(0), "");
}

TEST_F(HostEncodings, SelectionIsByHostNameWithoutCase) {
    EXPECT_EQ(EncSelect("jisx0208.shiftjis"), unsigned(EncShiftJis));
    EXPECT_EQ(EncCurrent, unsigned(EncShiftJis));
    EXPECT_EQ(EncSelect("no such encoding"), unsigned(EncShiftJis)); // unchanged
    EXPECT_EQ(EncSelect(nullptr), unsigned(EncShiftJis));
    EXPECT_EQ(EncSelect("adobe-fm-big5"), unsigned(EncShiftJis)); // converter names are not host names
    EXPECT_EQ(EncSelect("UTF-8"), unsigned(EncUtf8));
    EXPECT_EQ(EncSelect("framerOMAN"), unsigned(EncFrameRoman));
    EXPECT_EQ(EncTablesReady(), 1);
}

TEST_F(HostEncodings, NamesAndIndexesMapBothWays) {
    const char* names[] = {"FrameRoman", "JISX0208.ShiftJIS", "KSC5601-1992",
                           "BIG5",       "GB2312-80.EUC",     "UTF-8"};
    for (unsigned i = 0; i < EncHostEncodingCount; ++i) {
        EXPECT_STREQ(EncHostNameOf(i), names[i]);
        EXPECT_EQ(EncIndexOf(names[i]), i);
        EXPECT_STREQ(EncByteTables[i]->name, names[i]);
    }
    EXPECT_EQ(EncIndexOf("gb2312-80.euc"), unsigned(EncGb2312));
    EXPECT_EQ(EncIndexOf("Latin-1"), unsigned(EncFrameRoman));
    EXPECT_EQ(EncIndexOf(nullptr), unsigned(EncFrameRoman));
    EXPECT_EQ(EncHostNameOf(EncHostEncodingCount), nullptr);
    EXPECT_EQ(EncCurrent, unsigned(EncFrameRoman)); // looking up selects nothing
}

// Byte pairs just outside each encoding's lead and trail ranges (the pairs
// just inside are exercised by the character-safe copy tests).
TEST_F(HostEncodings, NoPairsOutsideTheRanges) {
    const struct {
        unsigned enc;
        const char* bytes;
    } cases[] = {
        {EncShiftJis, "\x80\x40"}, {EncShiftJis, "\xA0\x40"}, {EncShiftJis, "\xDF\x40"},
        {EncShiftJis, "\xFD\x40"}, {EncShiftJis, "\x81\x3F"}, {EncShiftJis, "\x81\x7F"},
        {EncShiftJis, "\x81\xFD"}, {EncKsc5601, "\xA0\xA1"},  {EncKsc5601, "\xFF\xA1"},
        {EncKsc5601, "\xA1\xA0"},  {EncKsc5601, "\xA1\xFF"},  {EncKsc5601, "\xA1\x40"},
        {EncBig5, "\xA0\x40"},     {EncBig5, "\xFF\x7E"},     {EncBig5, "\xA1\x3F"},
        {EncBig5, "\xA1\x7F"},     {EncBig5, "\xA1\xA0"},     {EncBig5, "\xA1\xFF"},
        {EncGb2312, "\x80\x40"},   {EncGb2312, "\xFF\x40"},   {EncGb2312, "\x81\x3F"},
        {EncGb2312, "\x81\xFF"},   {EncFrameRoman, "\x95\\"}, {EncUtf8, "\xC3\xA9"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EncIsPair(c.bytes, c.enc), 0)
            << "encoding " << c.enc << " bytes " << std::hex
            << unsigned((unsigned char)c.bytes[0]) << ' ' << unsigned((unsigned char)c.bytes[1]);
    EXPECT_EQ(EncIsPair("\x81\x7F", EncGb2312), 1); // 0x7F is a trail byte in GB2312 only
}

TEST_F(HostEncodings, TheTerminatorIsNeverATrailByte) {
    for (unsigned enc = 0; enc < EncHostEncodingCount; ++enc) {
        EXPECT_EQ(EncIsPair("\x95", enc), 0);
        EXPECT_EQ(EncIsPair("", enc), 0);
    }
    EXPECT_EQ(EncIsPair(nullptr, EncShiftJis), 0);
    EXPECT_EQ(EncIsPair("\x95\\", EncHostEncodingCount), 0); // not an encoding
}

TEST_F(HostEncodings, ShortFormFollowsTheCurrentEncoding) {
    EXPECT_EQ(EncIsPair("\x95\\"), 0);
    EncSelect("JISX0208.ShiftJIS");
    EXPECT_EQ(EncIsPair("\x95\\"), 1);
    EncSelect("GB2312-80.EUC");
    EXPECT_EQ(EncIsPair("\x81\x7F"), 1);
    EXPECT_EQ(EncIsPair("\x95\\"), 1);
    EncSelect("KSC5601-1992");
    EXPECT_EQ(EncIsPair("\x95\\"), 0);
}

} // namespace
