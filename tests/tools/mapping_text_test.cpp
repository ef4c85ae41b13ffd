// Reading and joining text for the mapping document, and what the open of
// "MasterPage.fm" hands the host, checked against a minimal host that records
// each call.
#include "tools/mapping_document.h"

#include "host/call_layer.h"
#include "host/fake_host.h"
#include "host/host_interfaces.h"
#include "support/base/memory.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace {

TEST(AppendToString, GrowsFromNothingAndKeepsTheStringWhenMemoryRunsOut) {
    char* text = nullptr;
    ASSERT_EQ(AppendToString(&text, "Z:\\FrameMaker"), 0);
    ASSERT_EQ(AppendToString(&text, nullptr), 0);
    ASSERT_EQ(AppendToString(&text, "\\"), 0);
    ASSERT_EQ(AppendToString(&text, "MasterPage.fm"), 0);
    EXPECT_STREQ(text, "Z:\\FrameMaker\\MasterPage.fm");

    char* before = text;
    MemFailAllocation(1);
    EXPECT_EQ(AppendToString(&text, " and more"), -1);
    MemFailAllocation(0);
    EXPECT_EQ(text, before);
    EXPECT_STREQ(text, "Z:\\FrameMaker\\MasterPage.fm");
    MemFree(text);
}

class MappingText : public ::testing::Test {
protected:
    fake::Host host;
    void SetUp() override {
        HostKeepsResults = 0;
        ASSERT_EQ(HostAcquireInterfaces(&host.server), 1);
    }
    void TearDown() override {
        HostReleaseInterfaces();
        MemFailAllocation(0);
        HostErrorCode = 0;
    }
    // The host answers GetText with these items: strings as kind 1, any other
    // kind as a plain item between them.
    void Items(std::vector<std::pair<int32_t, const char*>> items) {
        host.fillItems = [items](TextItems* out) {
            auto* array = static_cast<TextItem*>(CoTaskMemAlloc(items.size() * sizeof(TextItem) + 1));
            for (size_t i = 0; i < items.size(); ++i) {
                array[i] = {int32_t(i), items[i].first, {}};
                if (items[i].first == TextItemString)
                    array[i].value.text = fake::TaskString(items[i].second);
                else
                    array[i].value.data = 0x77;
            }
            *out = TextItems{uint32_t(items.size()), array};
        };
    }
};

TEST_F(MappingText, ParagraphTextJoinsTheStringItemsOfTheWholeParagraph) {
    // A marker (kind 8) between two runs of text is no part of the key.
    Items({{TextItemString, "Chapter"}, {8, nullptr}, {TextItemString, "Right"}});
    char* text = GetParagraphText(5, 40);
    EXPECT_STREQ(text, "ChapterRight");
    MemFree(text);
    // The paragraph from its start to the end of the object, strings only,
    // asked of the document given.
    EXPECT_EQ(host.ints, (std::vector<int32_t>{5, 0, TextOffsetEnd, TextItemString}));

    Items({{8, nullptr}});
    EXPECT_EQ(GetParagraphText(5, 41), nullptr);
    Items({});
    EXPECT_EQ(GetParagraphText(5, 42), nullptr);
}

TEST_F(MappingText, ParagraphTextIsNoneRatherThanAPartWhenMemoryRunsOut) {
    Items({{TextItemString, "Heading"}, {TextItemString, "1"}});
    uint64_t before = MemAllocationCount();
    char* whole = GetParagraphText(5, 40);
    uint64_t allocations = MemAllocationCount() - before;
    EXPECT_STREQ(whole, "Heading1");
    MemFree(whole);
    // The last allocation is the growth of the joined text by the second piece.
    MemFailAllocation(allocations);
    EXPECT_EQ(GetParagraphText(5, 40), nullptr);
}

TEST_F(MappingText, OpenJoinsTheHostDirectoryAndPassesTheNineOptionsInOrder) {
    host.text = "C:\\Program Files\\FrameMaker";
    host.idValue = 31;
    for (int show : {0, 1}) {
        EXPECT_EQ(OpenMappingDocument(show), 31u);
        EXPECT_EQ(host.name, "C:\\Program Files\\FrameMaker\\MasterPage.fm");
        ASSERT_EQ(host.options.count, 9u);
        std::vector<std::pair<int32_t, int32_t>> options;
        for (uint32_t i = 0; i < host.options.count; ++i) {
            EXPECT_EQ(host.options.entries[i].value.kind, 1u);
            EXPECT_EQ(host.options.entries[i].ident.name, nullptr);
            options.emplace_back(host.options.entries[i].ident.number,
                                 host.options.entries[i].value.value.integer);
        }
        std::vector<std::pair<int32_t, int32_t>> expected = {
            {5, show}, {2, 1}, {3, 1}, {17, 7}, {23, 1}, {28, 1}, {22, 1}, {25, 1}, {19, 1}};
        EXPECT_EQ(options, expected);
    }
    host.idValue = 0;
    EXPECT_EQ(OpenMappingDocument(1), 0u);
}

} // namespace
