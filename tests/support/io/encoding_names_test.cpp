// The name mappings, the id-based conversion through the symbol tables, the
// "%X" decoding and the FrameRoman control-code helpers.
#include "support/io/encoding_convert.h"

#include "common/icu_data.h"
#include "platform/win_exception.h"
#include "support/base/memory.h"
#include "support/base/host_encodings.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

struct Freer {
    void operator()(char* p) const { MemFree(p); }
};
using Block = std::unique_ptr<char, Freer>;

std::u16string AsUtf16(const char* p) { return std::u16string(reinterpret_cast<const char16_t*>(p)); }

TEST(EncodingNames, PublicNamesToIdsAndBack) {
    EXPECT_EQ(EncIdFromName("EUC-KR"), 12);
    EXPECT_EQ(EncIdFromName("euc-kr"), 12);
    EXPECT_EQ(EncIdFromName("ANSI"), 3);
    EXPECT_EQ(EncIdFromName("GB"), 10);
    EXPECT_EQ(EncIdFromName("UTF-16"), 17);
    EXPECT_EQ(EncIdFromName("Klingon"), 16);
    EXPECT_EQ(EncIdFromName(""), -1);
    EXPECT_EQ(EncIdFromName(nullptr), -1);

    EXPECT_STREQ(EncIdToName(10, 1), "EUC-CN");
    EXPECT_STREQ(EncIdToName(10, 0), "GB8_EUC");
    EXPECT_STREQ(EncIdToName(9, 1), "EUC-TW");
    EXPECT_STREQ(EncIdToName(3, 1), "windows-1252"); // no flagged row: the first
    EXPECT_STREQ(EncIdToName(13, 0), "");
    EXPECT_STREQ(EncIdToName(-1, 1), "");
    EXPECT_STREQ(EncIdToNamePreferred(12), "EUC-KR");
    EXPECT_STREQ(EncIdToNameFirst(12), "KSC8_EUC");

    // Every public name a program writes reads back as its own id.
    for (int id = 0; id < EncIdEnd; ++id)
        for (int mask : {0, 1}) {
            const char* name = EncIdToName(id, mask);
            if (*name) {
                EXPECT_EQ(EncIdFromNameLoose(name), id) << name;
            }
        }
}

TEST(EncodingNames, LooseComparisonSeesOnlyLettersAndDigits) {
    EXPECT_EQ(EncCompareNames("UTF-8", "utf8"), 0);
    EXPECT_EQ(EncCompareNames("Shift_JIS", "shift jis"), 0);
    EXPECT_EQ(EncCompareNames("--", ""), 0);
    EXPECT_LT(EncCompareNames("EUC-CN", "EUC-KR"), 0);
    EXPECT_GT(EncCompareNames("UTF-16", "UTF-1"), 0);
    EXPECT_EQ(EncIdFromNameLoose("euc kr"), 12);
    EXPECT_EQ(EncIdFromNameLoose("Shift-JIS"), 6);
    EXPECT_EQ(EncIdFromNameLoose("EBCDIC"), 0);
    EXPECT_EQ(EncIdFromNameLoose(nullptr), 0);
}

TEST(EncodingNames, HostNamesConverterNamesAndIds) {
    for (unsigned i = 0; i < EncHostEncodingCount; ++i) {
        const char* cnv = EncConverterNameOf(i);
        ASSERT_NE(cnv, nullptr);
        EXPECT_STREQ(EncHostToConverterName(EncHostNameOf(i)), cnv);
        EXPECT_STREQ(EncConverterToHostName(cnv), EncHostNameOf(i));
        EXPECT_STREQ(EncIdToConverterName(EncIdOfHost(i)), cnv);
        EXPECT_EQ(EncHostOfId(EncIdOfHost(i)), i);
    }
    EXPECT_EQ(EncConverterNameOf(6), nullptr);
    EXPECT_STREQ(EncHostToConverterName("UTF-16"), "UTF-16");
    EXPECT_STREQ(EncConverterToHostName("UTF-16"), "UTF-16");
    EXPECT_EQ(EncHostToConverterName("frameroman"), nullptr); // exact comparison
    EXPECT_EQ(EncConverterToHostName("macintosh"), nullptr);
    EXPECT_STREQ(EncIdToConverterName(EncIdJis7), "JIS7");
    for (int id : {-1, 13, 14, 15, 18, 19}) EXPECT_EQ(EncIdToConverterName(id), nullptr) << id;

    // Ids and indexes outside the host table follow the current encoding.
    EncSelect("FrameRoman");
    EXPECT_EQ(EncIdOfHost(9), 0);
    EXPECT_EQ(EncHostOfId(EncIdJis7), 0u);
    EncSelect("UTF-8");
    EXPECT_EQ(EncIdOfHost(9), 16);
    EXPECT_EQ(EncHostOfId(EncIdJis7), 5u);
    EncSelect("FrameRoman");
}

TEST(EncodingNames, UnescapeHexDecodesOnlyCompleteNonZeroEscapes) {
    char text[] = "%X41%x4a%X4%%XZZ%X00%X0a|%Y41%X";
    EncUnescapeHex(text);
    EXPECT_STREQ(text, "AJ%X4%%XZZ%X00\n|%Y41%X");
    char high[] = "%XFF%Xe9";
    EncUnescapeHex(high);
    EXPECT_STREQ(high, "\xFF\xE9");
    EncUnescapeHex(nullptr);
}

TEST(EncodingNames, FrameControlsToAsciiAndBack) {
    char text[] = "a\x08" "b\x09" "c\x10\x11\x12\x13\x14\x15\x0A" "d";
    EncFrameControlsToAscii(text);
    EXPECT_STREQ(text, "a\tb\nc     -\x0A" "d");
    char plain[] = "a\tb\nc";
    EncAsciiControlsToFrame(plain);
    EXPECT_STREQ(plain, "a\x08" "b\x09" "c");
}

class EncodingById : public ::testing::Test {
protected:
    void SetUp() override { UseBuildIcuData(); }
};

TEST_F(EncodingById, SymbolTablesShareTheControlEntries) {
    const uint16_t* tables[] = {EncSymbolTableA, EncSymbolTableB, EncSymbolTableC};
    for (const uint16_t* t : tables) {
        EXPECT_EQ(t[0x08], 0x0009);
        EXPECT_EQ(t[0x09], 0x000A);
        EXPECT_EQ(t[0x0A], 0x000D);
        EXPECT_EQ(t[0x0B], 0x000D);
        EXPECT_EQ(t[0x11], 0x00A0);
        EXPECT_EQ(t[0x15], 0x2011);
        EXPECT_EQ(t[0x00], EncNoChar);
    }
    EXPECT_EQ(EncSymbolTableA[0x41], 0x0391);
    EXPECT_EQ(EncSymbolTableB[0x21], 0x2701);
    for (int b = 0x20; b <= 0xFE; ++b) EXPECT_EQ(EncSymbolTableC[b], 0xF000 + b);
}

TEST_F(EncodingById, SymbolSourcesConvertThroughTheirTables) {
    Block greek(EncConvertById("AB\x08g\x80", EncIdSymbolA, EncIdUtf8, 0, 0));
    EXPECT_STREQ(greek.get(), "\xCE\x91\xCE\x92\x08\xCE\xB3"); // 0x80 has no character
    Block tab(EncConvertById("A\x08" "B", EncIdSymbolA, EncIdUtf8, 1, 0));
    EXPECT_STREQ(tab.get(), "\xCE\x91\t\xCE\x92");
    Block dingbat(EncConvertById("!", EncIdSymbolB, EncIdUtf16, 0, 0));
    EXPECT_EQ(AsUtf16(dingbat.get()), u"\u2701");
    // Read by UTF-8 characters, U+00E9 is the byte 0xE9 of the font.
    Block utf8(EncConvertById("A\xC3\xA9\xE4\xB8\xAD", EncIdSymbolA, EncIdUtf16, 0, 1));
    EXPECT_EQ(AsUtf16(utf8.get()), u"\u0391\u23A1");
    Block none(EncConvertById("\x80\x81", EncIdSymbolA, EncIdUtf8, 0, 0));
    ASSERT_TRUE(none);
    EXPECT_EQ(none.get()[0], 0);
}

TEST_F(EncodingById, OtherIdsGoThroughTheirConverters) {
    Block utf16(EncConvertById("caf\x8E", EncIdFrameRoman, EncIdUtf16, 0, 0));
    EXPECT_EQ(AsUtf16(utf16.get()), u"caf\u00E9");
    Block latin1(EncConvertById(utf16.get(), EncIdUtf16, EncIdIso8859_1, 0, 0));
    EXPECT_STREQ(latin1.get(), "caf\xE9");
    Block same(EncConvertById(utf16.get(), EncIdUtf16, EncIdUtf16, 0, 0));
    EXPECT_EQ(AsUtf16(same.get()), u"caf\u00E9");
    EXPECT_EQ(EncConvertById("A", EncIdUtf8, EncIdSymbolA, 0, 0), nullptr);
    EXPECT_EQ(EncConvertById(nullptr, EncIdUtf8, EncIdUtf16, 0, 0), nullptr);
}

TEST_F(EncodingById, ACopyForAMissingConverterStillEndsAsUtf16) {
    // An id without a converter gives a plain byte copy even when UTF-16 is
    // asked for; read by 16-bit units, an odd-length copy must still end in
    // a whole zero unit inside its block.
    Block odd(EncConvertById("abc", -1, EncIdUtf16, 0, 0));
    ASSERT_NE(odd, nullptr);
    EXPECT_EQ(AsUtf16(odd.get()).size(), 2u);
    Block even(EncConvertById("ab", -1, EncIdUtf16, 0, 0));
    ASSERT_NE(even, nullptr);
    EXPECT_EQ(AsUtf16(even.get()).size(), 1u);
}

int assertCalls = 0;
LONG ResumeFatal(PEXCEPTION_POINTERS) {
    ++assertCalls;
    return EXCEPTION_CONTINUE_EXECUTION;
}

TEST_F(EncodingById, SourceIdBeyondTheTableAsserts) {
    void* handler = AddVectoredExceptionHandler(1, ResumeFatal);
    assertCalls = 0;
    EXPECT_EQ(EncConvertById("A", 18, EncIdUtf8, 0, 0), nullptr);
    EXPECT_EQ(assertCalls, 1);
    RemoveVectoredExceptionHandler(handler);
}

} // namespace
