// The FrameRoman tables: the 55 case pairs and nothing else, class bits that
// agree with the case maps, and 8-bit maps that keep the host's special codes
// meaningful and round-trip every character both sets share.
#include "support/base/char_tables.h"
#include "support/base/memory.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// The accented pairs written out independently of the tables, capital first.
const std::vector<std::pair<int, int>>& CasePairs() {
    static const std::vector<std::pair<int, int>> pairs = [] {
        std::vector<std::pair<int, int>> p;
        for (int c = 'A'; c <= 'Z'; ++c)
            p.push_back({c, c + 0x20});
        const int frame[][2] = {
            {0x80, 0x8A}, {0x81, 0x8C}, {0x82, 0x8D}, {0x83, 0x8E}, {0x84, 0x96}, {0x85, 0x9A},
            {0x86, 0x9F}, {0xAE, 0xBE}, {0xAF, 0xBF}, {0xCB, 0x88}, {0xCC, 0x8B}, {0xCD, 0x9B},
            {0xCE, 0xCF}, {0xD9, 0xD8}, {0xE5, 0x89}, {0xE6, 0x90}, {0xE7, 0x87}, {0xE8, 0x91},
            {0xE9, 0x8F}, {0xEA, 0x92}, {0xEB, 0x94}, {0xEC, 0x95}, {0xED, 0x93}, {0xEE, 0x97},
            {0xEF, 0x99}, {0xF1, 0x98}, {0xF2, 0x9C}, {0xF3, 0x9E}, {0xF4, 0x9D}};
        for (auto& f : frame)
            p.push_back({f[0], f[1]});
        return p;
    }();
    return pairs;
}

TEST(CharTables, CaseMapsDifferFromIdentityInExactlyTheCasePairs) {
    ASSERT_EQ(CasePairs().size(), 55u);
    int expectedLower[256], expectedUpper[256];
    for (int b = 0; b < 256; ++b)
        expectedLower[b] = expectedUpper[b] = b;
    for (auto [cap, small] : CasePairs()) {
        expectedLower[cap] = small;
        expectedUpper[small] = cap;
    }
    int lowerChanges = 0, upperChanges = 0;
    for (int b = 0; b < 256; ++b) {
        EXPECT_EQ(CharLowerMap[b], expectedLower[b]) << "byte " << b;
        EXPECT_EQ(CharUpperMap[b], expectedUpper[b]) << "byte " << b;
        EXPECT_EQ(CharIdentityMap[b], b);
        lowerChanges += CharLowerMap[b] != b;
        upperChanges += CharUpperMap[b] != b;
    }
    EXPECT_EQ(lowerChanges, 55);
    EXPECT_EQ(upperChanges, 55);
    EXPECT_EQ(CharUpperMap[0xA7], 0xA7); // sharp s has no capital
    EXPECT_EQ(CharLowerMap[0xA7], 0xA7);
}

TEST(CharTables, LetterBitsAgreeWithTheCaseMaps) {
    for (int b = 0; b < 256; ++b) {
        uint16_t w = CharClassTable[b];
        bool upper = CharLowerMap[b] != b;
        bool lower = CharUpperMap[b] != b || b == 0xA7;
        EXPECT_EQ((w & CharClassUpper) != 0, upper) << "byte " << b;
        EXPECT_EQ((w & CharClassLower) != 0, lower) << "byte " << b;
        EXPECT_EQ((w & CharClassLetter) != 0, upper || lower) << "byte " << b;
        bool digit = b >= '0' && b <= '9';
        EXPECT_EQ((w & CharClassDigit) != 0, digit) << "byte " << b;
        EXPECT_EQ((w & CharClassAlnumHyphen) != 0, upper || lower || digit || b == 0x15);
        if (upper || lower || digit) {
            EXPECT_TRUE(w & CharClassWord) << "byte " << b;
        }
        if (b < 0x80 && std::isalpha(b)) {
            EXPECT_EQ((w & CharClassConsonant) != 0, std::strchr("AEIOUaeiou", b) == nullptr)
                << "byte " << b;
        }
    }
}

TEST(CharTables, WholeClassWordsOfRepresentativeBytes) {
    const struct {
        int byte;
        uint16_t word;
    } cases[] = {
        {0x00, CharClassWordStart},
        {0x05, CharClassWord | CharClassSpecial},
        {0x07, 0},
        {0x08, CharClassControl | CharClassSpace | CharClassWordStart},
        {0x09, CharClassControl | CharClassSpace | CharClassLineBreak | CharClassWordStart},
        {0x0C, 0},
        {0x11, CharClassSpace | CharClassWordStart},
        {0x15, CharClassAlnumHyphen},
        {0x1B, CharClassWord},
        {0x20, CharClassSpace | CharClassBlank | CharClassWordStart},
        {0x22, CharClassWordStart | CharClassQuote},
        {0x29, CharClassQuote},
        {0x2E, CharClassSentenceEnd},
        {0x5F, CharClassWord},
        {'B', CharClassUpper | CharClassLetter | CharClassHexDigit | CharClassWord |
                  CharClassAlnumHyphen | CharClassConsonant},
        {'g', CharClassLower | CharClassLetter | CharClassWord | CharClassAlnumHyphen |
                  CharClassConsonant},
        {0xA7, CharClassLower | CharClassLetter | CharClassWord | CharClassAlnumHyphen |
                   CharClassConsonant},
        {0xD2, CharClassWordStart | CharClassQuote},
        {0x7F, 0},
        {0xFF, 0},
    };
    for (auto& c : cases)
        EXPECT_EQ(CharClassTable[c.byte], c.word) << "byte " << c.byte;
}

TEST(CharTables, HexTablesAreInverse) {
    for (int v = 0; v < 16; ++v) {
        int digit = CharHexDigits[v];
        EXPECT_EQ(CharHexValues[digit], v);
        EXPECT_EQ(CharHexValues[std::tolower(digit)], v);
        EXPECT_TRUE(CharClassTable[digit] & CharClassHexDigit);
    }
    int hexBits = 0, nonZeroValues = 0;
    for (int b = 0; b < 256; ++b) {
        hexBits += (CharClassTable[b] & CharClassHexDigit) != 0;
        nonZeroValues += CharHexValues[b] != 0;
        if (b >= 16) {
            EXPECT_EQ(CharHexDigits[b], 0);
        }
    }
    EXPECT_EQ(hexBits, 22);
    EXPECT_EQ(nonZeroValues, 21); // '0' is the one digit whose value is 0
}

TEST(CharTables, TableSetPointsAtTheTablesAndTheDefaultAssertHook) {
    const void* tables[] = {CharIdentityMap,  CharUpperMap,     CharLowerMap,    CharHexDigits,
                            CharHexValues,    CharClassTable,   CharFrameToAnsi, CharAnsiToFrame,
                            CharFrameToAscii, CharAsciiToFrame, CharFrameToIso,  CharIsoToFrame};
    for (int i = 0; i < 12; ++i)
        EXPECT_EQ(CharTableSet[i], tables[i]) << "entry " << i;
    EXPECT_EQ(CharTableSet[CharAssertHookEntry],
              reinterpret_cast<const void*>(&AssertDefaultHandler));
}

TEST(CharTables, SevenBitMaps) {
    for (int b = 0; b < 256; ++b) {
        EXPECT_LT(CharFrameToAscii[b], 0x80) << "byte " << b;
        int expected = (b >= 0x20 && b <= 0x7E) ? b : 0;
        if (b == 0x09) expected = 0x08;
        if (b == 0x0A || b == 0x0C || b == 0x0D) expected = 0x0A;
        EXPECT_EQ(CharAsciiToFrame[b], expected) << "byte " << b;
        if (b >= 0x20 && b <= 0x7E) {
            EXPECT_EQ(CharFrameToAscii[b], b);
        }
    }
    EXPECT_EQ(CharFrameToAscii[0x08], 0x09);
    for (int b = 0x09; b <= 0x0B; ++b)
        EXPECT_EQ(CharFrameToAscii[b], 0x0A);
    for (int b = 0x10; b <= 0x14; ++b)
        EXPECT_EQ(CharFrameToAscii[b], 0x20);
    EXPECT_EQ(CharFrameToAscii[0x06], 0x2D);
    EXPECT_EQ(CharFrameToAscii[0x15], 0x2D);
    // Accented letters lose their accents but keep their case.
    for (auto [cap, small] : CasePairs()) {
        int a = CharFrameToAscii[cap], s = CharFrameToAscii[small];
        EXPECT_TRUE(std::isupper(a)) << "byte " << cap;
        EXPECT_EQ(std::tolower(a), s) << "byte " << cap;
    }
    EXPECT_EQ(CharFrameToAscii[0x83], 'E');
    EXPECT_EQ(CharFrameToAscii[0xD2], '"');  // left double quote
    EXPECT_EQ(CharFrameToAscii[0xD5], '\''); // right single quote
    EXPECT_EQ(CharFrameToAscii[0xD1], '-');  // em dash
    EXPECT_EQ(CharFrameToAscii[0xB0], 0x3F); // infinity has no look-alike
}

// Every FrameRoman byte that has a counterpart comes back unchanged.
void ExpectRoundTrip(const unsigned char* to, const unsigned char* from, bool lookAlikes) {
    for (int b = 0x20; b < 256; ++b) {
        int mapped = to[b];
        if (mapped == 0x3F && b != 0x3F) continue;
        if (lookAlikes && b >= 0x80 && mapped < 0x80) continue;
        EXPECT_EQ(from[mapped], b) << "byte " << b;
    }
    for (int a = 0x20; a < 256; ++a)
        if (from[a] != 0x3F || a == 0x3F) {
            EXPECT_EQ(to[from[a]], a) << "byte " << a;
        }
}

TEST(CharTables, AnsiAndIsoMapsRoundTripAndKeepSpecialCodes) {
    ExpectRoundTrip(CharFrameToAnsi, CharAnsiToFrame, false);
    ExpectRoundTrip(CharFrameToIso, CharIsoToFrame, true);
    for (const unsigned char* to : {CharFrameToAnsi, CharFrameToIso}) {
        EXPECT_EQ(to[0x00], 0x00);
        EXPECT_EQ(to[0x08], 0x09);
        EXPECT_EQ(to[0x09], 0x0A);
        EXPECT_EQ(to[0x0A], 0x0D);
        EXPECT_EQ(to[0x11], 0xA0);
        EXPECT_EQ(to[0x13], 0x20);
        EXPECT_EQ(to[0x15], 0x2D);
        EXPECT_EQ(to[0x04], 0xAD);
        EXPECT_EQ(to[0x83], 0xC9); // E acute
        EXPECT_EQ(to[0xA7], 0xDF); // sharp s
    }
    for (const unsigned char* from : {CharAnsiToFrame, CharIsoToFrame}) {
        EXPECT_EQ(from[0x09], 0x08);
        EXPECT_EQ(from[0x0D], 0x0A);
        // No other plain-text control byte turns into a host special code.
        for (int a = 1; a < 0x20; ++a)
            if (a != 0x09 && a != 0x0A && a != 0x0C && a != 0x0D) {
                EXPECT_EQ(from[a], 0x3F);
            }
    }
    EXPECT_EQ(CharFrameToAnsi[0xD2], 0x93); // left double quote
    EXPECT_EQ(CharFrameToIso[0xD2], '"');
    EXPECT_EQ(CharAnsiToFrame[0x80], 0xDB); // euro sign
    EXPECT_EQ(CharIsoToFrame[0x80], 0x3F);  // a C1 control
    for (int a = 0xA0; a < 256; ++a)
        EXPECT_EQ(CharAnsiToFrame[a], CharIsoToFrame[a]) << a;
}

} // namespace
