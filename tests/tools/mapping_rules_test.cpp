// The rules a mapping document is read by, shared by the plug-in and the
// host program's check: which heading makes a table of a kind, and which
// keys count.
#include "tools/mapping_rules.h"

#include <gtest/gtest.h>

namespace {

TEST(MappingRules, AHeadingNamesTheKindWhoseWordItBeginsWith) {
    EXPECT_EQ(MappingHeadingKind("Page Types"), 3);          // a prefix is enough
    EXPECT_EQ(MappingHeadingKind("Master Page names"), 0);
    EXPECT_EQ(MappingHeadingKind("Marker Category"), 1);
    EXPECT_EQ(MappingHeadingKind("Paragraph Tag"), 2);
    EXPECT_EQ(MappingHeadingKind("page type"), -1);          // letter case counts
    EXPECT_EQ(MappingHeadingKind(" Page Type"), -1);         // it must begin the text
    EXPECT_EQ(MappingHeadingKind("Page Typ"), -1);
    EXPECT_EQ(MappingHeadingKind(nullptr), -1);
    EXPECT_EQ(MappingHeadingKind(""), -1);
    EXPECT_TRUE(MappingHeadingIsKind("Page Type", MappingPageType));
    EXPECT_FALSE(MappingHeadingIsKind("Page Type", MappingMasterPage));
}

TEST(MappingRules, EmptyKeysAndCellPlaces) {
    EXPECT_TRUE(MappingKeyIsEmpty(nullptr));
    EXPECT_TRUE(MappingKeyIsEmpty(""));
    EXPECT_FALSE(MappingKeyIsEmpty(" "));
    EXPECT_EQ(MappingCellFor(1), MappingRightCell);
    EXPECT_EQ(MappingCellFor(0), MappingLeftCell);
    EXPECT_EQ(MappingRightCell - MappingKeyCell, 2);
}

} // namespace
