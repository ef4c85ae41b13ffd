// Collated comparisons of UTF-8 strings by ICU's root order.
#include "support/io/string_collate.h"

#include "common/icu_data.h"

#include <gtest/gtest.h>

namespace {

class StringCollate : public ::testing::Test {
protected:
    void SetUp() override { UseBuildIcuData(); }
};

TEST_F(StringCollate, OrdersByAlphabetNotByBytes) {
    EXPECT_LT(StrUtf8Collate("apple", "Banana"), 0);   // bytes would put "B" first
    EXPECT_LT(StrUtf8Collate("\xC3\xA9t\xC3\xA9", "ezra"), 0); // "été" with the e's
    EXPECT_GT(StrUtf8Collate("b", "a"), 0);
    EXPECT_EQ(StrUtf8Collate("same", "same"), 0);
    EXPECT_EQ(StrUtf8Collate(nullptr, ""), 0);
    EXPECT_LT(StrUtf8Collate(nullptr, "a"), 0);
}

TEST_F(StringCollate, StrengthDecidesWhetherCaseAndAccentsCount) {
    EXPECT_NE(StrUtf8Collate("a", "A"), 0);
    EXPECT_EQ(StrUtf8CollateNoCase("a", "A"), 0);
    EXPECT_NE(StrUtf8CollateNoCase("e", "\xC3\xA9"), 0);
    // A decomposed accent equals the composed one.
    EXPECT_EQ(StrUtf8Collate("e\xCC\x81", "\xC3\xA9"), 0);
}

TEST_F(StringCollate, FirstCharacterGroupsByInitialLetter) {
    EXPECT_EQ(StrUtf8CollateFirstChar("\xC3\x89mile", "eagle"), 0);
    EXPECT_LT(StrUtf8CollateFirstChar("alpha", "Beta"), 0);
    EXPECT_GT(StrUtf8CollateFirstChar("x", ""), 0);
    StrCollateShutdown();
    EXPECT_EQ(StrUtf8CollateFirstChar("Zebra", "zoo"), 0); // reopens after shutdown
    StrCollateShutdown();
}

} // namespace
