// EncConvert and its wrappers against real ICU converters, including the five
// host converters that the build writes into its icu_data folder.
#include "support/io/encoding_convert.h"

#include "common/icu_data.h"
#include "support/base/char_tables.h"
#include "support/base/memory.h"
#include "support/base/host_encodings.h"

#include <gtest/gtest.h>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

struct Freer {
    void operator()(char* p) const { MemFree(p); }
};
using Block = std::unique_ptr<char, Freer>;

std::u16string AsUtf16(const char* p) {
    return p ? std::u16string(reinterpret_cast<const char16_t*>(p)) : std::u16string();
}
const char* Utf16Text(const std::u16string& s) { return reinterpret_cast<const char*>(s.c_str()); }

class EncodingConvert : public ::testing::Test {
protected:
    void SetUp() override {
        UseBuildIcuData();
        EncSelect("FrameRoman");
    }
};

// Text of each host encoding with its UTF-8 reading. The double-byte ones
// include a pair whose trail byte is a backslash (Shift-JIS 0x95 0x5C).
struct HostSample {
    unsigned index;
    std::string bytes;
    std::string utf8;
};
const std::vector<HostSample> HostSamples = {
    {EncFrameRoman, "Caf\x8E \x80rger \xA5 \xD2x\xD3", "Caf\xC3\xA9 \xC3\x84rger \xE2\x80\xA2 \xE2\x80\x9Cx\xE2\x80\x9D"},
    {EncShiftJis, "\x93\xFA\x96\x7B \x95\x5C", "\xE6\x97\xA5\xE6\x9C\xAC \xE8\xA1\xA8"},
    {EncKsc5601, "\xC7\xD1\xB1\xB9 ok", "\xED\x95\x9C\xEA\xB5\xAD ok"},
    {EncBig5, "\xA4\xA4\xA4\xE5 ok", "\xE4\xB8\xAD\xE6\x96\x87 ok"},
    {EncGb2312, "\xD6\xD0\xCE\xC4 ok", "\xE4\xB8\xAD\xE6\x96\x87 ok"},
};

TEST_F(EncodingConvert, HostConvertersRoundTripThroughUtf8AndUtf16) {
    for (const HostSample& s : HostSamples) {
        SCOPED_TRACE(EncConverterNameOf(s.index));
        Block utf8(EncToUtf8(s.bytes.c_str(), s.index));
        ASSERT_TRUE(utf8);
        EXPECT_EQ(std::string(utf8.get()), s.utf8);
        Block back(EncFromUtf8(utf8.get(), s.index));
        EXPECT_EQ(std::string(back.get()), s.bytes);

        const char* cnv = EncConverterNameOf(s.index);
        Block utf16(EncConvert(s.bytes.c_str(), cnv, "UTF-16", 0, 0));
        Block utf8Again(EncConvert(utf16.get(), "UTF-16", "UTF-8", 0, 0));
        EXPECT_EQ(std::string(utf8Again.get()), s.utf8);
        Block fromUtf16(EncConvert(utf16.get(), "UTF-16", cnv, 0, 0));
        EXPECT_EQ(std::string(fromUtf16.get()), s.bytes);
    }
}

TEST_F(EncodingConvert, FrameRomanHighHalfRoundTripsAndAgreesWithTheCasePairs) {
    std::string all;
    for (int b = 0x20; b <= 0xFF; ++b) all += (char)b;
    Block utf8(EncCurrentToUtf8(all.c_str()));
    Block back(EncUtf8ToCurrent(utf8.get()));
    EXPECT_EQ(std::string(back.get()), all);

    // Each case pair of the string tables is a case pair of the characters
    // the converter gives for the two bytes.
    for (int b = 0x20; b <= 0xFF; ++b) {
        if (CharUpperMap[b] == b) continue;
        char small[2] = {(char)b, 0}, capital[2] = {(char)CharUpperMap[b], 0};
        Block s(EncConvert(small, "adobe-fm-roman-windows", "UTF-16", 0, 0));
        Block c(EncConvert(capital, "adobe-fm-roman-windows", "UTF-16", 0, 0));
        std::u16string su = AsUtf16(s.get()), cu = AsUtf16(c.get());
        ASSERT_EQ(su.size(), 1u) << b;
        ASSERT_EQ(cu.size(), 1u) << b;
        EXPECT_EQ(u_toupper(su[0]), cu[0]) << "byte " << b;
        EXPECT_EQ(u_tolower(cu[0]), su[0]) << "byte " << b;
    }
}

TEST_F(EncodingConvert, DoubleByteConvertersNeverSplitAPairOfTheHostTable) {
    for (unsigned enc = EncShiftJis; enc <= EncGb2312; ++enc) {
        SCOPED_TRACE(EncConverterNameOf(enc));
        UErrorCode status = U_ZERO_ERROR;
        UConverter* cnv = ucnv_open(EncConverterNameOf(enc), &status);
        ASSERT_TRUE(U_SUCCESS(status));
        const EncByteTable* table = EncByteTables[enc];
        int mapped = 0;
        for (int b = 0; b < 256; ++b) {
            if (!table->lead[b]) continue;
            for (int c = 1; c < 256; ++c) {
                if (!table->trail[c]) continue;
                char pair[3] = {(char)b, (char)c, 0};
                UChar out[4];
                status = U_ZERO_ERROR;
                ucnv_reset(cnv);
                int32_t n = ucnv_toUChars(cnv, out, 4, pair, 2, &status);
                ASSERT_TRUE(U_SUCCESS(status));
                ASSERT_EQ(n, 1) << b << " " << c; // one character, mapped or substituted
                if (out[0] != 0xFFFD && out[0] != 0x1A) ++mapped;
            }
        }
        ucnv_close(cnv);
        EXPECT_GT(mapped, 5000);
    }
}

TEST_F(EncodingConvert, ControlCharactersSplitSegmentsAndPassUnconverted) {
    // Inside a segment the FrameRoman converter reads 0x08 as a tab.
    Block split(EncCurrentToUtf8("caf\x8E\x08th\x8E"));
    EXPECT_STREQ(split.get(), "caf\xC3\xA9\x08th\xC3\xA9");
    Block kept(EncConvert("caf\x8E\x08th\x8E", "adobe-fm-roman-windows", "UTF-8", 1, 0));
    EXPECT_STREQ(kept.get(), "caf\xC3\xA9\tth\xC3\xA9");

    // Into UTF-16 a control comes out as one unit of the same value.
    Block units(EncConvert("a\x09\x8E", "adobe-fm-roman-windows", "UTF-16", 0, 0));
    EXPECT_EQ(AsUtf16(units.get()), u"a\x0009\u00E9");
    Block fromUnits(EncConvert(Utf16Text(u"\u00E9\x0008x\x0015"), "UTF-16", "adobe-fm-roman-windows", 0, 0));
    EXPECT_STREQ(fromUnits.get(), "\x8E\x08x\x15");

    // A Shift-JIS pair with a backslash trail stays whole around a control.
    Block sjis(EncToUtf8("\x95\x5C\x08\x95\x5C", EncShiftJis));
    EXPECT_STREQ(sjis.get(), "\xE8\xA1\xA8\x08\xE8\xA1\xA8");
    // Only controls: nothing is converted, the controls remain.
    Block only(EncCurrentToUtf8("\x08\x09"));
    EXPECT_STREQ(only.get(), "\x08\x09");
}

TEST_F(EncodingConvert, LocaleBytesSurviveTheEscapedRoundTrip) {
    // Whatever the locale code page, each byte is either a character of it or
    // comes out as an escape that the way back decodes.
    const char* bytes = "caf\xE9 \x08 \xFF\xFEok";
    Block escaped(EncLocaleToUtf8Escaped(bytes));
    ASSERT_TRUE(escaped);
    Block back(EncUtf8ToLocaleUnescaped(escaped.get()));
    EXPECT_STREQ(back.get(), bytes);
    Block plain(EncLocaleToUtf8("plain \x08 text"));
    EXPECT_STREQ(plain.get(), "plain \x08 text");
}

TEST_F(EncodingConvert, IllFormedUtf8GivesQuestionMarks) {
    for (const char* bad : {"\xC0", "ab\xE6\x97", "\x80x", "x\xF5\x80\x80\x80"}) {
        SCOPED_TRACE(bad);
        Block utf16(EncConvert(bad, "UTF-8", "UTF-16", 0, 0));
        EXPECT_EQ(AsUtf16(utf16.get()), u"???");
        Block roman(EncUtf8ToCurrent(bad));
        EXPECT_STREQ(roman.get(), "???");
    }
}

TEST_F(EncodingConvert, EscapedInvalidBytesComeBackThroughUnescape) {
    Block escaped(EncConvert("a\x81z\xFF", "US-ASCII", "UTF-8", 0, 1));
    EXPECT_STREQ(escaped.get(), "a%X81z%XFF");
    EncUnescapeHex(escaped.get());
    EXPECT_STREQ(escaped.get(), "a\x81z\xFF");

    // Every invalid byte grows to four characters: far beyond the first
    // capacity of the intermediate text, and still all of it arrives.
    std::string bad(300, '\x90');
    Block many(EncConvert(bad.c_str(), "US-ASCII", "UTF-8", 0, 1));
    std::string expected;
    for (int i = 0; i < 300; ++i) expected += "%X90";
    EXPECT_EQ(std::string(many.get()), expected);
    // Without escapes the same bytes are substituted, not dropped.
    Block substituted(EncConvert(bad.c_str(), "US-ASCII", "UTF-8", 0, 0));
    EXPECT_EQ(std::strlen(substituted.get()), 900u); // three bytes of U+FFFD each
}

TEST_F(EncodingConvert, EmptyTextGivesTheEmptyBlockForEveryPairOfNames) {
    const char* names[] = {"UTF-8", "UTF-16", "locale", "adobe-fm-roman-windows", "adobe-fm-shift-jis",
                           "adobe-fm-ksc-5601", "adobe-fm-big5", "adobe-fm-gb2312", "JIS7",
                           "no-such-converter"};
    const char16_t emptyUnits[1] = {0};
    for (const char* from : names)
        for (const char* to : names) {
            bool fromUtf16 = std::string(from) == "UTF-16";
            Block r(EncConvert(fromUtf16 ? reinterpret_cast<const char*>(emptyUnits) : "", from, to, 0, 0));
            ASSERT_TRUE(r) << from << " -> " << to;
            EXPECT_EQ(r.get()[0], 0);
            EXPECT_EQ(r.get()[1], 0); // both bytes of the block are there and zero
        }
}

TEST_F(EncodingConvert, ConverterThatCannotOpenDropsItsSegmentsOnly) {
    Block to(EncConvert("abc", "UTF-8", "no-such-converter", 0, 0));
    ASSERT_TRUE(to);
    EXPECT_EQ(to.get()[0], 0);
    EXPECT_EQ(to.get()[1], 0);
    Block from(EncConvert("abc", "no-such-converter", "UTF-16", 0, 0));
    ASSERT_TRUE(from);
    EXPECT_EQ(AsUtf16(from.get()), u"");
    // The control between the failed segments still arrives.
    Block control(EncConvert("ab\x08" "cd", "UTF-8", "no-such-converter", 0, 0));
    EXPECT_STREQ(control.get(), "\x08");
}

TEST_F(EncodingConvert, CopiesForEqualNamesMissingNamesAndOutOfRangeIndexes) {
    EXPECT_EQ(EncConvert(nullptr, "UTF-8", "UTF-16", 0, 0), nullptr);
    EXPECT_EQ(EncCurrentToUtf8(nullptr), nullptr);
    Block same(EncConvert("a\x08\x8E", "adobe-fm-roman-windows", "adobe-fm-roman-windows", 0, 0));
    EXPECT_STREQ(same.get(), "a\x08\x8E");
    Block same16(EncConvert(Utf16Text(u"a\x0001\u4E2D"), "UTF-16", "UTF-16", 0, 0));
    EXPECT_EQ(AsUtf16(same16.get()), u"a\x0001\u4E2D");
    Block noName(EncConvert("\x8E", nullptr, "UTF-8", 0, 0));
    EXPECT_STREQ(noName.get(), "\x8E");
    Block emptyName(EncConvert("\x8E", "UTF-8", "", 0, 0));
    EXPECT_STREQ(emptyName.get(), "\x8E");
    Block badIndex(EncToUtf8("\x8E", 6));
    EXPECT_STREQ(badIndex.get(), "\x8E");
    Block namedCopy(EncConvertNamed("\x8E", "FrameRoman", nullptr));
    EXPECT_STREQ(namedCopy.get(), "\x8E");
}

TEST_F(EncodingConvert, NamedConversionsUseHostEncodingNames) {
    Block split(EncConvertNamed("\x8E\x08", "FrameRoman", "UTF-8"));
    EXPECT_STREQ(split.get(), "\xC3\xA9\x08");
    Block kept(EncConvertNamedKeep("\x8E\x08", "FrameRoman", "UTF-8"));
    EXPECT_STREQ(kept.get(), "\xC3\xA9\t");
    Block sjis(EncConvertNamed("\x95\x5C", "JISX0208.ShiftJIS", "BIG5"));
    EXPECT_STREQ(sjis.get(), "\xAA\xED"); // U+8868 in Big5
}

TEST_F(EncodingConvert, ExpandingTargetsKeepEveryCharacter) {
    // Alternating kana and ASCII: each switch of JIS7 costs an escape, so
    // the bytes exceed four per unit, within a segment...
    std::u16string mixed;
    for (int i = 0; i < 200; ++i) mixed += u"\u3042a";
    Block jis(EncConvert(Utf16Text(mixed), "UTF-16", "JIS7", 0, 0));
    // The escapes are ESC bytes, which a stateful source keeps in its text.
    Block back(EncConvert(jis.get(), "JIS7", "UTF-16", 0, 0));
    EXPECT_EQ(AsUtf16(back.get()), mixed);

    // ...and across segments, where every one-character segment carries its
    // own escapes and the output passes 4n+4 bytes.
    std::u16string split;
    for (int i = 0; i < 200; ++i) split += u"\u3042\x0001";
    Block jisSplit(EncConvert(Utf16Text(split), "UTF-16", "JIS7", 0, 0));
    ASSERT_TRUE(jisSplit);
    std::string bytes(jisSplit.get());
    EXPECT_GT(bytes.size(), 4 * split.size() + 4);
    std::string segment = "\x1B$B$\"\x1B(B\x01"; // U+3042 is 0x2422 in JIS X 0208
    std::string expected;
    for (int i = 0; i < 200; ++i) expected += segment;
    EXPECT_EQ(bytes, expected);
}

} // namespace
