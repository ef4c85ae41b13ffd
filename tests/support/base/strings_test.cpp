// The core byte-string operations: null tolerance, buffer bounds, the no-case
// ordering, the escapes and their 1023-byte limits, and number parsing.
#include "support/base/strings.h"

#include "support/base/memory.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

namespace {

// A buffer with guard bytes behind its declared size, to catch writes past it.
struct Guarded {
    char bytes[64];
    explicit Guarded(const char* text) {
        std::memset(bytes, 0x7E, sizeof bytes);
        std::strcpy(bytes, text);
    }
    bool IntactFrom(int index) const {
        for (int i = index; i < static_cast<int>(sizeof bytes); ++i)
            if (bytes[i] != 0x7E) return false;
        return true;
    }
};

TEST(Strings, NullReadsAsEmpty) {
    EXPECT_EQ(StrLen(nullptr), 0);
    EXPECT_EQ(StrLen(""), 0);
    EXPECT_EQ(StrEqual(nullptr, ""), 1);
    EXPECT_EQ(StrEqual("a", nullptr), 0);
    EXPECT_EQ(StrHasPrefix("abc", ""), 1);
    EXPECT_EQ(StrHasPrefix("abc", nullptr), 1);
    EXPECT_EQ(StrHasPrefix(nullptr, "a"), 0);
    EXPECT_EQ(StrHasPrefix("ab", "abc"), 0);
    EXPECT_EQ(StrEqualNoCase(nullptr, ""), 1);
    EXPECT_EQ(StrToInt(nullptr), 0);
    EXPECT_EQ(StrToReal(nullptr), 0.0);
    EXPECT_EQ(StrAppend(nullptr, "x"), 0);
    EXPECT_EQ(StrCopyN(nullptr, "x", 4), 0);
    StrCopy(nullptr, "x");
    StrTruncate(nullptr, 0);
    char buffer[8] = "abc";
    StrCopy(buffer, nullptr);
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(StrDup(nullptr), nullptr); // a null string has no copy
}

TEST(Strings, BoundedCopyAndAppendStayInsideSize) {
    Guarded g("");
    EXPECT_EQ(StrCopyN(g.bytes, "abcdef", 4), 3);
    EXPECT_STREQ(g.bytes, "abc");
    EXPECT_TRUE(g.IntactFrom(4));

    Guarded one("zz");
    EXPECT_EQ(StrCopyN(one.bytes, "abc", 1), 0);
    EXPECT_EQ(one.bytes[0], 0);
    EXPECT_EQ(one.bytes[1], 'z');

    Guarded none("zz");
    EXPECT_EQ(StrCopyN(none.bytes, "abc", 0), 0);
    EXPECT_STREQ(none.bytes, "zz");

    Guarded a("ab");
    EXPECT_EQ(StrAppendN(a.bytes, "cdef", 5), 4);
    EXPECT_STREQ(a.bytes, "abcd");
    EXPECT_TRUE(a.IntactFrom(5));
    EXPECT_EQ(StrAppendN(a.bytes, "x", 5), 4); // already full
    EXPECT_EQ(StrAppendN(a.bytes, "", 99), 4);

    Guarded c("abc");
    EXPECT_EQ(StrAppendChar(c.bytes, 'x', 4), 3); // full: unchanged
    EXPECT_STREQ(c.bytes, "abc");
    EXPECT_EQ(StrAppendChar(c.bytes, 'x', 5), 4);
    EXPECT_STREQ(c.bytes, "abcx");
    EXPECT_TRUE(c.IntactFrom(5));

    char buf[16] = "ab";
    EXPECT_EQ(StrAppend(buf, "cd"), 4);
    EXPECT_EQ(StrAppend(buf, nullptr), 4);
    EXPECT_STREQ(buf, "abcd");
}

TEST(Strings, DropFrontAndTrim) {
    char s[16] = "ab";
    StrDropFront(s, 3);
    EXPECT_STREQ(s, "ab");
    StrDropFront(s, 2);
    EXPECT_STREQ(s, "");

    char t[16] = "x\t  ";
    StrTrimRight(t);
    EXPECT_STREQ(t, "x\t");
    char spaces[] = "  ";
    StrTrimRight(spaces);
    EXPECT_STREQ(spaces, "");

    char l[16] = "   a b ";
    StrTrimLeft(l);
    EXPECT_STREQ(l, "a b ");
    char tab[16] = "\t a";
    StrTrimLeft(tab);
    EXPECT_STREQ(tab, "\t a");
}

TEST(Strings, Searching) {
    const char* message = "SetDocId 42";
    EXPECT_EQ(StrFind(message, " "), 8);
    EXPECT_EQ(StrFind("", ""), -1);
    EXPECT_EQ(StrFind("a", ""), 0);
    EXPECT_EQ(StrFind(nullptr, "a"), -1);
    EXPECT_EQ(StrFind("abcabc", "ca"), 2);
    EXPECT_EQ(StrFind("abc", "abcd"), -1);

    const char high[] = "a\xE9"
                        "b";
    EXPECT_EQ(StrFindChar(high, 0xE9), high + 1);
    // Only the values 0 to 255 name a byte: a sign-extended char, or an int
    // whose low byte happens to be 'a', finds nothing.
    EXPECT_EQ(StrFindChar(high, static_cast<signed char>(0xE9)), nullptr);
    EXPECT_EQ(StrFindChar("abc", 0x161), nullptr);
    EXPECT_EQ(StrFindChar("abc", 0x61), "abc");
    EXPECT_EQ(StrFindChar(high, 0), nullptr);
    EXPECT_EQ(StrFindChar(high, 'z'), nullptr);
    EXPECT_EQ(StrFindChar(nullptr, 'a'), nullptr);
}

int Sign(int v) {
    return (v > 0) - (v < 0);
}

TEST(Strings, CompareNoCaseOrdersByFoldedBytes) {
    EXPECT_EQ(StrCompareNoCase("Master Pages", "master pages"), 0);
    EXPECT_EQ(StrCompareNoCase("\x83", "\x8E"), 0); // E acute, both cases
    EXPECT_EQ(StrEqualNoCase("\xCE"
                             "uvre",
                             "\xCF"
                             "UVRE"),
              1);
    EXPECT_NE(StrCompareNoCase("\xA7", "S"), 0); // sharp s matches only itself
    EXPECT_NE(StrCompareNoCase("\xA7", "s"), 0);
    EXPECT_EQ(StrCompareNoCase("\xA7", "\xA7"), 0);

    EXPECT_EQ(Sign(StrCompareNoCase("abc", "ABD")), -1);
    EXPECT_EQ(Sign(StrCompareNoCase("ABD", "abc")), 1);
    EXPECT_EQ(Sign(StrCompareNoCase("ab", "ABC")), -1);
    EXPECT_EQ(Sign(StrCompareNoCase("abc", "AB")), 1);
    EXPECT_EQ(Sign(StrCompareNoCase("", nullptr)), 0);
    // Bytes compare as unsigned values: a high byte sorts after ASCII.
    EXPECT_EQ(Sign(StrCompareNoCase("\xE9", "z")), 1);
    EXPECT_EQ(StrCompareNoCase("a", "b"), 'a' - 'b');
}

TEST(Strings, NumbersAfterDroppingTheCommandWord) {
    char text[] = "SetDocId   42  ";
    StrDropFront(text, StrFind(text, " "));
    EXPECT_EQ(StrToInt(text), 42);
    EXPECT_EQ(StrToInt("-17x"), -17);
    EXPECT_EQ(StrToInt("x17"), 0);
    EXPECT_EQ(StrToInt64("  9000000000"), 9000000000LL);
    EXPECT_DOUBLE_EQ(StrToReal(" 2.5e1pt"), 25.0);
}

TEST(Strings, Utf8NumbersTakeAnyDecimalDigits) {
    EXPECT_EQ(StrUtf8ToInt("\xD9\xA4\xD9\xA2"), 42);           // Arabic-Indic 4 2
    EXPECT_EQ(StrUtf8ToInt("-\xE0\xA5\xA7\xE0\xA5\xA6"), -10); // Devanagari 1 0
    EXPECT_EQ(StrUtf8ToInt("\xEF\xBC\x97"
                           "5"),
              75); // fullwidth 7
    EXPECT_DOUBLE_EQ(StrUtf8ToReal("\xD9\xA1.5"), 1.5);
    EXPECT_EQ(StrUtf8ToInt("\xC2\xB2"), 0); // superscript two is no decimal digit
    EXPECT_EQ(StrUtf8ToInt("\xFF"
                           "3"),
              0); // a stray byte stops the number
    EXPECT_EQ(StrUtf8ToInt(nullptr), 0);
    // Longer than any local buffer: the digits at the front still count.
    std::string longText = "\xD9\xA7" + std::string(300, ' ');
    EXPECT_EQ(StrUtf8ToInt(longText.c_str()), 7);
}

std::string Unescaped(const char* s) {
    char* r = StrUnescape(s);
    std::string out = r ? r : "<null>";
    MemFree(r);
    return out;
}

std::string Escaped(const char* s) {
    char* r = StrEscape(s);
    std::string out = r ? r : "<null>";
    MemFree(r);
    return out;
}

TEST(Strings, EscapesOfTheSpecialCodes) {
    EXPECT_EQ(Unescaped("\\N"), "\x13");
    EXPECT_EQ(Unescaped("\\\\"), "\\");
    EXPECT_EQ(Unescaped("a\\tb\\P\\p\\h\\n\\r\\q"), "a\x08"
                                                    "b\x0A\x0A\x09\x09\x09q");
    EXPECT_EQ(Unescaped("ab\\"), "ab"); // a trailing backslash ends the text
    EXPECT_EQ(Unescaped(nullptr), "");

    // Every code that has an escape survives a round trip, and the escaped
    // text carries no plain space.
    std::string codes = "\x11\x10\x15\x04\x14\x13\x0A\x05\x09\x12 \x08\\x";
    std::string escaped = Escaped(codes.c_str());
    EXPECT_EQ(escaped, "\\ \\#\\+\\-\\M\\N\\p\\_\\r\\i\\s\\t\\\\x");
    EXPECT_EQ(Unescaped(escaped.c_str()), codes);
}

TEST(Strings, EscapesStopAt1023Bytes) {
    std::string plain(2000, 'a');
    EXPECT_EQ(Unescaped(plain.c_str()).size(), 1023u);
    EXPECT_EQ(Escaped(plain.c_str()).size(), 1022u);

    // 1021 plain bytes, then an escape: 1023 bytes, nothing cut in half.
    std::string mixed = std::string(1021, 'a') + "  ";
    std::string e = Escaped(mixed.c_str());
    EXPECT_EQ(e.size(), 1023u);
    EXPECT_EQ(e.substr(1021), "\\s");
    // 1022 plain bytes leave no room for the escape that follows.
    mixed = std::string(1022, 'a') + " ";
    EXPECT_EQ(Escaped(mixed.c_str()).size(), 1022u);

    std::string allSpaces(1000, ' ');
    EXPECT_EQ(Escaped(allSpaces.c_str()).size(), 1022u);

    std::string escapes;
    for (int i = 0; i < 600; ++i)
        escapes += "\\t";
    EXPECT_EQ(Unescaped(escapes.c_str()), std::string(600, '\x08'));
    escapes = std::string(1022, 'a') + "\\t\\t";
    EXPECT_EQ(Unescaped(escapes.c_str()), std::string(1022, 'a') + "\x08");
}

TEST(Strings, AllocatingOperationsReturnNullWhenMemoryRunsOut) {
    MemFailAllocation(1);
    EXPECT_EQ(StrDup("abc"), nullptr);
    MemFailAllocation(1);
    EXPECT_EQ(StrEscape("a b"), nullptr);
    MemFailAllocation(1);
    EXPECT_EQ(StrUnescape("a\\sb"), nullptr);
}

} // namespace
