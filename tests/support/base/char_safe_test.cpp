// Character-safe copies, appends and searches: no cut or match inside a
// double-byte pair or a UTF-8 sequence, in every host encoding.
#include "support/base/char_safe.h"

#include "support/base/host_encodings.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// The operations take the encoding as an argument; they only need the byte
// tables to be filled, which the first EncSelect does.
class CharSafe : public ::testing::Test {
protected:
    void SetUp() override { EncSelect("FrameRoman"); }
};

TEST_F(CharSafe, Utf8LengthsAndStepping) {
    const int bytes[] = {0x7F, 0x80, 0xC1, 0xC2, 0xDF, 0xE0, 0xEF, 0xF0, 0xF4, 0xF5};
    const int lengths[] = {1, 1, 1, 2, 2, 3, 3, 4, 4, 1};
    for (int i = 0; i < 10; ++i) EXPECT_EQ(StrUtf8CharLen(bytes[i]), lengths[i]) << bytes[i];
    EXPECT_EQ(StrUtf8CharLen(static_cast<char>(0xC3)), 2); // a plain char holding a lead

    const char* s = "a\xC3\xA9\xF0\x9F\x98\x80";
    const char* p = s;
    StrUtf8Next(&p);
    StrUtf8Next(&p);
    EXPECT_EQ(p - s, 3);
    StrUtf8Next(&p);
    EXPECT_EQ(p - s, 7);
    char truncated[] = "\xE2\x82"; // a sequence cut short stops at the terminator
    char* q = truncated;
    StrUtf8Next(&q);
    EXPECT_EQ(q, truncated + 2);
}

TEST_F(CharSafe, Utf8Validity) {
    EXPECT_EQ(StrUtf8Valid(nullptr), 0);
    EXPECT_EQ(StrUtf8Valid(""), 1);
    EXPECT_EQ(StrUtf8Valid("plain"), 1);
    EXPECT_EQ(StrUtf8Valid("\xE2\x82\xAC"), 1);
    EXPECT_EQ(StrUtf8Valid("a\xC3\xA9z\xF0\x9F\x98\x80"), 1);
    EXPECT_EQ(StrUtf8Valid("\xC0\x80"), 0);
    EXPECT_EQ(StrUtf8Valid("\x80"), 0);
    EXPECT_EQ(StrUtf8Valid("\xE2\x82"), 0);          // ends inside the sequence
    EXPECT_EQ(StrUtf8Valid("\xE2\x82x"), 0);         // a non-continuation inside it
    EXPECT_EQ(StrUtf8Valid("\xC3\xA9\xA9"), 0);      // one continuation too many
    EXPECT_EQ(StrUtf8Valid("\xF5\x80\x80\x80"), 0);
}

TEST_F(CharSafe, Utf8BoundaryStepsBackToTheSequenceStartButNeverBeforeTheString) {
    const char* s = "ab\xE2\x82\xAC";
    EXPECT_EQ(StrUtf8Boundary(s, 2), 2);
    EXPECT_EQ(StrUtf8Boundary(s, 3), 2);
    EXPECT_EQ(StrUtf8Boundary(s, 4), 2);
    EXPECT_EQ(StrUtf8Boundary(s, 5), 5); // the length
    EXPECT_EQ(StrUtf8Boundary(s, 9), 9); // beyond it

    // Continuation bytes at the very start: no index before 0 is examined.
    const char* stray = "\x80\x81\x82x";
    EXPECT_EQ(StrUtf8Boundary(stray, 0), 0);
    EXPECT_EQ(StrUtf8Boundary(stray, 1), 0);
    EXPECT_EQ(StrUtf8Boundary(stray, 2), 0);
    EXPECT_EQ(StrUtf8Boundary("\xC3\xA9", 1), 0);
    EXPECT_EQ(StrUtf8Boundary(stray, -1), 0);

    // At most four bytes are looked at.
    EXPECT_EQ(StrUtf8Boundary("a\x80\x80\x80\x80\x80\x80", 6), 2);
}

TEST_F(CharSafe, Utf8CopyAndAppendStopBeforeACutSequence) {
    char buffer[8];
    EXPECT_EQ(StrCopyEnc(buffer, "a\xC3\xA9", 3, EncUtf8), 1);
    EXPECT_STREQ(buffer, "a");
    EXPECT_EQ(StrCopyEnc(buffer, "a\xC3\xA9", 4, EncUtf8), 3);
    EXPECT_STREQ(buffer, "a\xC3\xA9");
    EXPECT_EQ(StrCopyEnc(buffer, "\xE2\x82\xAC", 3, EncUtf8), 0);
    EXPECT_STREQ(buffer, "");

    std::strcpy(buffer, "ab");
    EXPECT_EQ(StrAppendEnc(buffer, "c\xE2\x82\xAC", 6, EncUtf8), 3);
    EXPECT_STREQ(buffer, "abc");
    std::strcpy(buffer, "ab");
    EXPECT_EQ(StrAppendEnc(buffer, "c\xE2\x82\xAC", 7, EncUtf8), 6);
    EXPECT_STREQ(buffer, "abc\xE2\x82\xAC");
}

TEST_F(CharSafe, CopyAndAppendArgumentEdges) {
    char buffer[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
    EXPECT_EQ(StrCopyEnc(nullptr, "abc", 4, EncFrameRoman), 0);
    EXPECT_EQ(StrCopyEnc(buffer, "abc", 0, EncFrameRoman), 0);
    EXPECT_EQ(buffer[0], 'x'); // no room for even the terminator
    EXPECT_EQ(StrCopyEnc(buffer, "abc", 1, EncFrameRoman), 0);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(StrCopyEnc(buffer, nullptr, 4, EncFrameRoman), 0);
    EXPECT_STREQ(buffer, "");

    std::strcpy(buffer, "abcd");
    EXPECT_EQ(StrAppendEnc(buffer, nullptr, 6, EncFrameRoman), 0);
    EXPECT_EQ(StrAppendEnc(buffer, "", 6, EncFrameRoman), 0);
    EXPECT_EQ(StrAppendEnc(buffer, "xyz", 6, EncFrameRoman), 5);
    EXPECT_EQ(StrAppendEnc(buffer, "y", 6, EncFrameRoman), 5); // full
    EXPECT_EQ(StrAppendEnc(buffer, "y", 3, EncFrameRoman), 5); // already past the size
    EXPECT_STREQ(buffer, "abcdx");
}

// Pairs of each double-byte encoding, their bytes at the edges of the ranges.
const struct {
    unsigned enc;
    const char* pair;
} pairs[] = {
    {EncShiftJis, "\x81\x40"}, {EncShiftJis, "\x9F\x7E"}, {EncShiftJis, "\xE0\x80"},
    {EncShiftJis, "\xFC\xFC"}, {EncKsc5601, "\xA1\xA1"},  {EncKsc5601, "\xFE\xFE"},
    {EncBig5, "\xA1\x40"},     {EncBig5, "\xFE\x7E"},     {EncBig5, "\xC0\xA1"},
    {EncGb2312, "\x81\x40"},   {EncGb2312, "\xFE\x7F"},   {EncGb2312, "\xB0\xFE"},
};

TEST_F(CharSafe, DoubleByteCopyNeverSplitsAPairAtTheLimit) {
    for (const auto& c : pairs) {
        SCOPED_TRACE(testing::Message() << "encoding " << c.enc << " pair " << std::hex
                                        << (unsigned char)c.pair[0] << ' '
                                        << (unsigned char)c.pair[1]);
        const std::string src = std::string("a") + c.pair + "b";
        char buffer[8];
        EXPECT_EQ(StrCopyEnc(buffer, src.c_str(), 3, c.enc), 1); // only the second byte is cut
        EXPECT_STREQ(buffer, "a");
        EXPECT_EQ(StrCopyEnc(buffer, src.c_str(), 4, c.enc), 3);
        EXPECT_EQ(std::string(buffer), src.substr(0, 3));
        EXPECT_EQ(StrCopyEnc(buffer, src.c_str(), 5, c.enc), 4);
        EXPECT_EQ(std::string(buffer), src);

        std::strcpy(buffer, "xa");
        EXPECT_EQ(StrAppendEnc(buffer, c.pair, 4, c.enc), 2);
        EXPECT_STREQ(buffer, "xa");
        EXPECT_EQ(StrAppendEnc(buffer, c.pair, 5, c.enc), 4);

        // The same bytes in FrameRoman are two characters and may be split.
        EXPECT_EQ(StrCopyEnc(buffer, src.c_str(), 3, EncFrameRoman), 2);
    }
}

TEST_F(CharSafe, TrailFlagAloneDoesNotMakeATrailByte) {
    // 0x95 is both a lead and a trail byte in Shift-JIS: four of them are two
    // pairs, so index 2 starts a character even though 0x95 may be a trail.
    const char* s = "\x95\x95\x95\x95";
    EXPECT_EQ(StrIsTrailByte(s, 1, EncShiftJis), 1);
    EXPECT_EQ(StrIsTrailByte(s, 2, EncShiftJis), 0);
    EXPECT_EQ(StrIsTrailByte(s, 3, EncShiftJis), 1);
    char buffer[8];
    EXPECT_EQ(StrCopyEnc(buffer, s, 3, EncShiftJis), 2);
    EXPECT_EQ(StrCopyEnc(buffer, s, 4, EncShiftJis), 2);

    // 0xB0 0x41 is a pair in BIG5 only; in KSC5601 0x41 is no trail byte, so
    // there 0xB0 is a character of its own.
    EXPECT_EQ(StrCopyEnc(buffer, "a\xB0" "A", 3, EncBig5), 1);
    EXPECT_EQ(StrCopyEnc(buffer, "a\xB0" "A", 3, EncKsc5601), 2);
    // Neither index 0 nor the terminator is ever a trail byte.
    EXPECT_EQ(StrIsTrailByte(s, 0, EncShiftJis), 0);
    EXPECT_EQ(StrIsTrailByte(s, 4, EncShiftJis), 0);
    EXPECT_EQ(StrIsTrailByte("\xC3\xA9", 1, EncUtf8), 0);
}

TEST_F(CharSafe, FindMatchesOnlyAtCharacterStarts) {
    // 0x95 0x5C is one Shift-JIS character: its 0x5C is no backslash.
    EXPECT_EQ(StrFindEnc("\x95\\", "\\", EncShiftJis), -1);
    EXPECT_EQ(StrFindEnc("\x95\\", "\\", EncFrameRoman), 1);
    EXPECT_EQ(StrFindEnc("\x95\\\\", "\\", EncShiftJis), 2);
    EXPECT_EQ(StrFindEnc("a\x95\\" "b\\c", "\\c", EncShiftJis), 4);

    // GB2312 takes 0x7F as a trail byte, Shift-JIS does not.
    EXPECT_EQ(StrFindEnc("\x81\x7F\x7F", "\x7F", EncGb2312), 2);
    EXPECT_EQ(StrFindEnc("\x81\x7F\x7F", "\x7F", EncShiftJis), 1);

    // KSC5601: the bytes agree at index 1, but that is the middle of a pair.
    EXPECT_EQ(StrFindEnc("\xB0\xA1\xA1", "\xA1\xA1", EncKsc5601), -1);
    EXPECT_EQ(StrFindEnc("\xB0\xA1\xA1", "\xA1\xA1", EncFrameRoman), 1);

    // UTF-8: a continuation byte is never the start of a match, but a match
    // may end inside a character.
    EXPECT_EQ(StrFindEnc("\xC3\xA9", "\xA9", EncUtf8), -1);
    EXPECT_EQ(StrFindEnc("x\xC3\xA9", "x\xC3", EncUtf8), 0);
    EXPECT_EQ(StrFindEnc("\xE2\x82", "x", EncUtf8), -1); // truncated sequence at the end

    EXPECT_EQ(StrFindEnc("abc", "", EncFrameRoman), 0);
    EXPECT_EQ(StrFindEnc("", "", EncFrameRoman), -1);
    EXPECT_EQ(StrFindEnc("ab", "abc", EncFrameRoman), -1);
}

TEST_F(CharSafe, FindLastCharSkipsTrailBytes) {
    const char* path = "a\\b\x95\\c";
    EXPECT_EQ(StrFindLastCharEnc(path, '\\', 0, EncShiftJis), path + 1);
    EXPECT_EQ(StrFindLastCharEnc(path, '\\', 0, EncFrameRoman), path + 4);

    const char* twice = "\x95\\x\x95\\";
    EXPECT_EQ(StrFindLastCharEnc(twice, 0x95, '\\', EncShiftJis), twice + 3);
    // A pair, then a lone 0x95: the bytes 0x95 0x95 at index 1 are not a character.
    const char* three = "\x95\x95\x95";
    EXPECT_EQ(StrFindLastCharEnc(three, 0x95, 0x95, EncShiftJis), three);

    EXPECT_EQ(StrFindLastCharEnc(path, 'z', 0, EncShiftJis), nullptr);
    EXPECT_EQ(StrFindLastCharEnc(path, 0, 0, EncShiftJis), nullptr);
}

TEST_F(CharSafe, FindLastUtf8CharUsesTheFirstCharacterOfItsArgument) {
    const char* s = "\xC3\xA9t\xC3\xA9\xC3\xA9x";
    EXPECT_EQ(StrFindLastUtf8Char(s, "\xC3\xA9"), s + 5);
    EXPECT_EQ(StrFindLastUtf8Char(s, "\xC3\xA9zzz"), s + 5);
    EXPECT_EQ(StrFindLastUtf8Char(s, "t"), s + 2);
    EXPECT_EQ(StrFindLastUtf8Char(s, "\xA9"), nullptr); // only inside characters
    // An argument cut short inside its first character is used as far as it goes.
    const char* two = "\xC3\xA9\xC3\xA9";
    EXPECT_EQ(StrFindLastUtf8Char(two, "\xC3"), two + 2);
    EXPECT_EQ(StrFindLastUtf8Char(s, ""), nullptr);
    EXPECT_EQ(StrFindLastUtf8Char("", "t"), nullptr);
}

} // namespace
