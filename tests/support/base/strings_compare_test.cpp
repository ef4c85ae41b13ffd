// The further byte operations: bounded and folded comparisons, suffixes, the
// folded search, the space-blind comparison, the sort order, the in-place
// edits and the single-byte character maps.
#include "support/base/strings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

int Sign(int v) {
    return (v > 0) - (v < 0);
}

TEST(StringCompare, BoundedComparisonsStopAtNOrTheTerminator) {
    EXPECT_EQ(StrEqualN("abcX", "abcY", 3), 1);
    EXPECT_EQ(StrEqualN("abcX", "abcY", 4), 0);
    EXPECT_EQ(StrEqualN("ab", "ab", 10), 1);  // both end before n
    EXPECT_EQ(StrEqualN("ab", "abc", 10), 0); // one ends first
    EXPECT_EQ(StrEqualN("x", "y", 0), 1);
    EXPECT_EQ(StrEqualNoCaseN("ABCx", "abcY", 3), 1);
    EXPECT_EQ(Sign(StrCompareN("abc", "abd", 3)), -1);
    EXPECT_EQ(Sign(StrCompareN("abc", "abd", 2)), 0);
    EXPECT_EQ(Sign(StrCompareNoCaseN("\x83", "\x8E", 1)), 0);
    EXPECT_EQ(Sign(StrCompare("\xE9", "a")), 1); // unsigned bytes
    EXPECT_EQ(Sign(StrCompare("a", "A")), 1);
    EXPECT_EQ(Sign(StrCompare("ab", "abc")), -1);
}

TEST(StringCompare, PrefixesSuffixesAndFoldedSearch) {
    EXPECT_EQ(StrHasPrefixNoCase("Master Pages", "MASTER"), 1);
    EXPECT_EQ(StrHasPrefixNoCase("Mas", "MASTER"), 0);
    EXPECT_EQ(StrHasSuffix("report.mif", ".mif"), 1);
    EXPECT_EQ(StrHasSuffix("report.mif", ".MIF"), 0);
    EXPECT_EQ(StrHasSuffixNoCase("report.mif", ".MIF"), 1);
    EXPECT_EQ(StrHasSuffix("if", ".mif"), 0);
    EXPECT_EQ(StrHasSuffix("abc", ""), 1);

    EXPECT_EQ(StrFindNoCase("Right MASTER page", "master"), 6);
    EXPECT_EQ(StrFindNoCase("caf\x8E", "\x83"), 3); // E acute in either case
    EXPECT_EQ(StrFindNoCase("abc", "abcd"), -1);
    EXPECT_EQ(StrFindNoCase("", ""), -1);
    EXPECT_EQ(StrFindNoCase("a", ""), 0);
}

TEST(StringCompare, IgnoringSpacesAndHyphens) {
    EXPECT_EQ(StrCompareIgnoringSpaces("Right Page", "RightPage"), 0);
    EXPECT_EQ(StrCompareIgnoringSpaces("non-breaking", "non\x15"
                                                       "breaking"),
              0);
    EXPECT_EQ(StrCompareIgnoringSpaces(" a\x11"
                                       "b- ",
                                       "ab"),
              0);
    EXPECT_EQ(StrCompareIgnoringSpaces("---", ""), 0);
    EXPECT_EQ(Sign(StrCompareIgnoringSpaces("a b", "ab c")), -1);
    EXPECT_EQ(Sign(StrCompareIgnoringSpaces("ab", "Ab")), 1); // case still counts
}

TEST(StringCompare, SortOrderIsFoldedThenExact) {
    std::vector<const char*> items = {"beta",
                                      "Alpha",
                                      "alpha",
                                      "ALPHA",
                                      "Beta",
                                      "\x8E"
                                      "t\x8E",
                                      "ete"};
    std::qsort(items.data(), items.size(), sizeof(const char*), StrSortCompare);
    std::vector<std::string> sorted(items.begin(), items.end());
    std::vector<std::string> expected = {"ALPHA",
                                         "Alpha",
                                         "alpha",
                                         "Beta",
                                         "beta",
                                         "ete",
                                         "\x8E"
                                         "t\x8E"};
    EXPECT_EQ(sorted, expected);
    EXPECT_EQ(StrCompareForSort("same", "same"), 0);
}

TEST(StringEdit, ReverseRemoveLastAndAppendInt) {
    char s[16] = "abcd";
    StrReverse(s);
    EXPECT_STREQ(s, "dcba");
    StrReverse(nullptr);

    char r[] = "a-b c-d";
    EXPECT_EQ(StrRemoveChars(r, "- "), 4);
    EXPECT_STREQ(r, "abcd");
    char keep[] = "abc";
    EXPECT_EQ(StrRemoveChars(keep, nullptr), 3);

    const char* path = "a\\b\\c";
    EXPECT_EQ(StrFindLastChar(path, '\\'), path + 3);
    EXPECT_EQ(StrFindLastChar(path, 'x'), nullptr);
    EXPECT_EQ(StrFindLastChar(path, 0), nullptr);
    const char high[] = "\xE9x\xE9";
    EXPECT_EQ(StrFindLastChar(high, static_cast<char>(0xE9)), high + 2);

    char buf[8] = "n=";
    EXPECT_EQ(StrAppendInt(buf, -42, 8), 5);
    EXPECT_STREQ(buf, "n=-42");
    EXPECT_EQ(StrAppendInt(buf, 123, 8), 5); // 3 digits would need 9 bytes
    EXPECT_STREQ(buf, "n=-42");
    EXPECT_EQ(StrAppendInt(buf, 12, 8), 7);
    EXPECT_STREQ(buf, "n=-4212");
    char big[16] = "";
    EXPECT_EQ(StrAppendInt(big, -2147483647 - 1, 16), 11);
    EXPECT_STREQ(big, "-2147483648");
}

TEST(CharMaps, LookupsAndTheTwoVariants) {
    EXPECT_EQ(CharMapFrameToAnsi(0x83), 0xC9);
    EXPECT_EQ(CharMapAnsiToFrame(0xC9), 0x83);
    EXPECT_EQ(CharMapFrameToAscii(0x83), 'E');
    EXPECT_EQ(CharMapAsciiToFrame(0x80), 0);
    EXPECT_EQ(CharMapFrameToAnsi(static_cast<char>(0x83)), 0xC9); // a signed char works too

    EXPECT_EQ(CharMapFrameToAsciiLow(0x80), 'A');  // below 0x81: through the table
    EXPECT_EQ(CharMapFrameToAsciiLow(0x81), 0x81); // from 0x81 on: unchanged
    EXPECT_EQ(CharMapFrameToAsciiLow(0x14), 0x20);

    for (int b = 0; b < 256; ++b) {
        int expected = b >= 0x20 ? b : 0x3F;
        if (b == 0x09) expected = 0x08;
        if (b == 0x0A || b == 0x0C || b == 0x0D) expected = 0x0A;
        EXPECT_EQ(CharMapTextToFrame(b), expected) << "byte " << b;
    }
}

} // namespace
