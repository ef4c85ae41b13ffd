// UTF-8 strings: characters are never cut by a bound, case and class come
// from ICU, and the single-character conversions handle surrogates and
// values past U+10FFFF.
#include "support/base/strings_utf8.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

TEST(StringsUtf8, CopyAndAppendNeverCutACharacter) {
    char buf[16];
    std::memset(buf, 0x7E, sizeof buf);
    // "aé€": 1 + 2 + 3 bytes. Size 5 holds "aé" and not the euro sign.
    EXPECT_EQ(StrUtf8Copy(buf, "a\xC3\xA9\xE2\x82\xAC", 5), 3);
    EXPECT_STREQ(buf, "a\xC3\xA9");
    EXPECT_EQ(buf[4], 0x7E);
    EXPECT_EQ(StrUtf8Copy(buf, "a\xC3\xA9\xE2\x82\xAC", 7), 6);
    EXPECT_EQ(StrUtf8Copy(buf, "\xC3\xA9", 2), 0);
    EXPECT_STREQ(buf, "");
    EXPECT_EQ(StrUtf8Copy(buf, "x", 0), 0);

    char app[8] = "ab";
    EXPECT_EQ(StrUtf8Append(app, "\xE2\x82\xAC\xE2\x82\xAC", 8), 5);
    EXPECT_STREQ(app, "ab\xE2\x82\xAC");
    EXPECT_EQ(StrUtf8Append(app, "cd", 8), 7);
    EXPECT_EQ(StrUtf8Append(app, "e", 8), 7);
}

TEST(StringsUtf8, CompareAndSearchByCharacter) {
    EXPECT_EQ(StrUtf8CompareNoCase("\xC3\x89T\xC3\x89", "\xC3\xA9t\xC3\xA9"), 0); // ÉTÉ / été
    EXPECT_EQ(StrUtf8EqualNoCase("\xCE\xA3", "\xCF\x83"), 1);                     // Σ / σ
    EXPECT_NE(StrUtf8Compare("\xC3\x89", "\xC3\xA9"), 0);
    EXPECT_EQ(Sign(StrUtf8Compare("z", "\xC3\xA9")), -1); // code point order
    EXPECT_EQ(Sign(StrUtf8Compare("ab", "a")), 1);
    EXPECT_EQ(Sign(StrUtf8Compare("a\xFF", "a\xF4\x8F\xBF\xBF")), 1); // ill-formed sorts last

    EXPECT_EQ(StrUtf8FindNoCase("Caf\xC3\xA9 NOIR", "\xC3\x89 n"), 3);
    EXPECT_EQ(StrUtf8Find("\xC3\xA9\xC3\xA9x", "x"), 4);
    EXPECT_EQ(StrUtf8Find("", ""), -1);
    EXPECT_EQ(StrUtf8Find("a", ""), 0);
    // The trail byte of é is not the start of a character and never matches.
    EXPECT_EQ(StrUtf8Find("\xC3\xA9", "\xA9"), -1);
}

TEST(StringsUtf8, CaseMappingMayChangeTheLength) {
    char buf[16];
    EXPECT_EQ(StrUtf8ToUpper(buf,
                             "stra\xC3\x9F"
                             "e \xC3\xA9",
                             sizeof buf),
              10);
    EXPECT_STREQ(buf, "STRA\xC3\x9F"
                      "E \xC3\x89"); // ß has no single-character capital
    // U+023A (2 bytes) lowers to U+2C65 (3 bytes).
    EXPECT_EQ(StrUtf8ToLower(buf,
                             "\xC8\xBA"
                             "A",
                             sizeof buf),
              4);
    EXPECT_STREQ(buf, "\xE2\xB1\xA5"
                      "a");
    // Bounded by whole mapped characters.
    std::memset(buf, 0x7E, sizeof buf);
    EXPECT_EQ(StrUtf8ToLower(buf, "\xC8\xBA\xC8\xBA", 4), 3);
    EXPECT_STREQ(buf, "\xE2\xB1\xA5");
    EXPECT_EQ(buf[4], 0x7E);
    // Ill-formed bytes pass through unchanged.
    EXPECT_EQ(StrUtf8ToUpper(buf,
                             "a\xFF"
                             "b",
                             sizeof buf),
              3);
    EXPECT_STREQ(buf, "A\xFF"
                      "B");
}

TEST(StringsUtf8, TrimAndRemoval) {
    char t[] = "\xE2\x80\x83 a b\xC2\xA0\t";
    StrUtf8Trim(t);
    EXPECT_STREQ(t, "a b");
    char spaces[] = " \xE3\x80\x80 ";
    StrUtf8Trim(spaces);
    EXPECT_STREQ(spaces, "");

    char s[] = "x\xE2\x82\xAC"
               "y\xE2\x82\xAC\xE2\x82\xAC"
               "z";
    EXPECT_EQ(StrUtf8RemoveString(s, "\xE2\x82\xAC"), 3);
    EXPECT_STREQ(s, "xyz");
    char over[] = "aaa";
    EXPECT_EQ(StrUtf8RemoveString(over, "aa"), 1);
    EXPECT_STREQ(over, "a");
    char none[] = "abc";
    EXPECT_EQ(StrUtf8RemoveString(none, ""), 0);
    EXPECT_STREQ(none, "abc");

    char c[] = "\xC3\xA9t\xC3\xA9 \xC3\xA0 Paris";
    EXPECT_EQ(StrUtf8RemoveChars(c, "\xC3\xA9 a"), 7);
    EXPECT_STREQ(c, "t\xC3\xA0Pris");
    // A set holding é does not remove a lone trail byte of it.
    char stray[] = "\xA9x";
    EXPECT_EQ(StrUtf8RemoveChars(stray, "\xC3\xA9"), 2);
}

TEST(StringsUtf8, TokenizerKeepsItsPlaceBetweenCalls) {
    char text[] = "\xE2\x80\xA2one,,two\xE2\x80\xA2three,";
    const char* delimiters = ",\xE2\x80\xA2";
    EXPECT_STREQ(StrUtf8Token(text, delimiters), "one");
    EXPECT_STREQ(StrUtf8Token(nullptr, delimiters), "two");
    EXPECT_STREQ(StrUtf8Token(nullptr, delimiters), "three");
    EXPECT_EQ(StrUtf8Token(nullptr, delimiters), nullptr);
    EXPECT_EQ(StrUtf8Token(nullptr, delimiters), nullptr);

    char only[] = ",,";
    EXPECT_EQ(StrUtf8Token(only, ","), nullptr);
    char whole[] = "abc";
    EXPECT_STREQ(StrUtf8Token(whole, ","), "abc");
    EXPECT_EQ(StrUtf8Token(nullptr, ","), nullptr);
}

TEST(StringsUtf8, SingleCharacterConversions) {
    char u8[4];
    char16_t u16[2];
    EXPECT_EQ(StrUtf8Encode(0x20AC, u8), 3);
    EXPECT_EQ(std::string(u8, 3), "\xE2\x82\xAC");
    EXPECT_EQ(StrUtf8Encode(0x1F600, u8), 4);
    EXPECT_EQ(StrUtf8Encode(0xD800, u8), 3);
    EXPECT_EQ(std::string(u8, 3), "\xEF\xBF\xBD");

    EXPECT_EQ(StrUtf16Encode(0x1F600, u16), 2);
    EXPECT_EQ(u16[0], 0xD83D);
    EXPECT_EQ(u16[1], 0xDE00);
    for (int32_t bad : {0xD800, 0xDFFF, 0x110000, -1}) {
        EXPECT_EQ(StrUtf16Encode(bad, u16), 1) << bad;
        EXPECT_EQ(u16[0], 0xFFFD) << bad;
    }

    int used = -1;
    EXPECT_EQ(StrUtf8Decode("\xF0\x9F\x98\x80z", &used), 0x1F600);
    EXPECT_EQ(used, 4);
    EXPECT_EQ(StrUtf8Decode("\xC3", &used), -1); // truncated at the terminator
    EXPECT_EQ(used, 1);
    EXPECT_EQ(StrUtf8Decode("", &used), 0);
    EXPECT_EQ(used, 0);

    const char16_t pair[] = {0xD83D, 0xDE00};
    EXPECT_EQ(StrUtf16Decode(pair, 2, &used), 0x1F600);
    EXPECT_EQ(used, 2);
    EXPECT_EQ(StrUtf16Decode(pair, 1, &used), 0xFFFD); // lead without its trail
    EXPECT_EQ(used, 1);
    EXPECT_EQ(StrUtf16Decode(pair + 1, 1, &used), 0xFFFD);

    EXPECT_EQ(StrUtf8CharToUtf16("\xF0\x9F\x98\x80", u16, &used), 2);
    EXPECT_EQ(used, 4);
    EXPECT_EQ(u16[1], 0xDE00);
    EXPECT_EQ(StrUtf8CharToUtf16("\xED\xA0\x80", u16, &used), 1); // encoded surrogate
    EXPECT_EQ(u16[0], 0xFFFD);
    EXPECT_EQ(StrUtf16CharToUtf8(pair, 2, u8, &used), 4);
    EXPECT_EQ(std::string(u8, 4), "\xF0\x9F\x98\x80");
}

} // namespace
