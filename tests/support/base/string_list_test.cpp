// StrList: growth, ownership of the copies, lookups, and the list staying as
// it was when an allocation fails.
#include "support/base/string_list.h"

#include "platform/win_exception.h"
#include "support/base/memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

int fatalRaised = 0;
LONG ResumeFatal(PEXCEPTION_POINTERS info) {
    if (info->ExceptionRecord->ExceptionCode != FatalErrorCode) return EXCEPTION_CONTINUE_SEARCH;
    ++fatalRaised;
    return EXCEPTION_CONTINUE_EXECUTION;
}

// Resumes the library's fatal error so that a test can see it was raised.
struct ResumingFatal {
    void* handle;
    ResumingFatal() : handle(AddVectoredExceptionHandler(1, ResumeFatal)) { fatalRaised = 0; }
    ~ResumingFatal() { RemoveVectoredExceptionHandler(handle); }
};

std::vector<std::string> Contents(const StrList* list) {
    std::vector<std::string> out;
    for (uint32_t i = 0; i < ListCount(list); ++i) out.emplace_back(ListGet(list, i));
    return out;
}

StrList* ListOf(std::initializer_list<const char*> items, uint32_t spare = 0) {
    StrList* list = ListNew(uint32_t(items.size()) + spare, 1);
    for (const char* s : items) EXPECT_EQ(ListAppend(list, s), 0);
    return list;
}

using Items = std::vector<std::string>;

TEST(StrList, GrowsByTheIncrementOrToWhatIsNeededAndNullsNewSlots) {
    StrList* list = ListNew(1, 1);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->items[1], nullptr);
    const uint32_t expected[] = {1, 2, 3};
    for (uint32_t capacity : expected) {
        ASSERT_EQ(ListAppend(list, "Body"), 0);
        EXPECT_EQ(list->capacity, capacity);
    }
    EXPECT_EQ(ListCount(list), 3u);
    EXPECT_EQ(ListItems(list)[3], nullptr); // the slot after the last item

    list->increment = 4;
    EXPECT_EQ(ListReserve(list, 3), 0); // already enough
    EXPECT_EQ(ListReserve(list, 4), 0);
    EXPECT_EQ(list->capacity, 7u);
    EXPECT_EQ(ListReserve(list, 20), 0);
    EXPECT_EQ(list->capacity, 20u);
    for (uint32_t i = 3; i <= 20; ++i) EXPECT_EQ(list->items[i], nullptr);
    ListFree(list);
}

TEST(StrList, StoresOwnCopiesAndRefusesNull) {
    char source[] = "Heading";
    StrList* list = ListNew(1, 1);
    ASSERT_EQ(ListAppend(list, source), 0);
    source[0] = 'X';
    EXPECT_STREQ(ListGet(list, 0), "Heading");
    EXPECT_EQ(ListAppend(list, ""), 0);
    ASSERT_NE(ListGet(list, 1), nullptr);

    EXPECT_EQ(ListAppend(list, nullptr), -1);
    EXPECT_EQ(ListInsert(list, nullptr, 0), -1);
    EXPECT_EQ(ListReplace(list, nullptr, 0), -1);
    EXPECT_EQ(Contents(list), (Items{"Heading", ""}));

    // Indexes are unsigned: -1 is out of range.
    EXPECT_EQ(ListGet(list, 2), nullptr);
    EXPECT_EQ(ListRemoveAt(list, uint32_t(-1)), -1);
    EXPECT_EQ(ListReplace(list, "z", 2), -1);
    EXPECT_EQ(ListInsert(list, "z", 3), -1);

    EXPECT_EQ(ListAppend(nullptr, "a"), -1);
    EXPECT_EQ(ListFindNoCase(nullptr, "a"), -1);
    EXPECT_EQ(ListCount(nullptr), 0u);
    EXPECT_EQ(ListItems(nullptr), nullptr);
    ListFree(list);
}

TEST(StrList, FindsWithAndWithoutCase) {
    StrList* list = ListOf({"Body", "HEADING1", "heading1", "Heading1"});
    EXPECT_EQ(ListFindNoCase(list, "Heading1"), 1); // the first of the equal ones
    EXPECT_EQ(ListFind(list, "Heading1"), 3);
    EXPECT_EQ(ListFindEx(list, "heading1", 1), 2);
    EXPECT_EQ(ListFindEx(list, "heading1", 0), 1);
    EXPECT_EQ(ListFindNoCase(list, "Heading"), -1);
    // FrameRoman letters beyond ASCII fold too: 0x83 is capital E acute, 0x8E small.
    ASSERT_EQ(ListAppend(list, "\x83t"), 0);
    EXPECT_EQ(ListFindNoCase(list, "\x8E" "T"), 4);
    EXPECT_EQ(ListFind(list, "\x8E" "T"), -1);
    ListFree(list);
}

TEST(StrList, InsertRemoveReplaceAndAppendAllKeepOrder) {
    StrList* list = ListOf({"b", "d"});
    EXPECT_EQ(ListInsert(list, "a", 0), 0);
    EXPECT_EQ(ListInsert(list, "c", 2), 0);
    EXPECT_EQ(ListInsert(list, "e", 4), 0); // at count: an append
    EXPECT_EQ(Contents(list), (Items{"a", "b", "c", "d", "e"}));

    EXPECT_EQ(ListRemoveAt(list, 0), 0);
    EXPECT_EQ(ListRemoveAt(list, 3), 0);
    EXPECT_EQ(ListItems(list)[3], nullptr); // the vacated slot
    ASSERT_EQ(ListAppend(list, "c"), 0);
    EXPECT_EQ(ListRemove(list, "c"), 0); // the first one only
    EXPECT_EQ(ListRemove(list, "C"), -1);
    EXPECT_EQ(Contents(list), (Items{"b", "d", "c"}));

    EXPECT_EQ(ListReplace(list, "D2", 1), 0);
    ASSERT_EQ(ListReplace(list, ListGet(list, 2), 2), 0); // an item with itself
    EXPECT_EQ(Contents(list), (Items{"b", "D2", "c"}));

    EXPECT_EQ(ListAppendAll(list, nullptr), 0);
    EXPECT_EQ(ListAppendAll(list, list), 0);
    EXPECT_EQ(Contents(list), (Items{"b", "D2", "c", "b", "D2", "c"}));
    EXPECT_NE(ListGet(list, 0), ListGet(list, 3));
    EXPECT_EQ(ListItems(list)[6], nullptr);
    ListFree(list);
}

TEST(StrList, GetCopyBoundsTheBufferAndEmptiesItForBadIndexes) {
    StrList* list = ListOf({"Heading1"});
    char buffer[6];
    EXPECT_EQ(ListGetCopy(list, 0, buffer, sizeof buffer), 5);
    EXPECT_STREQ(buffer, "Headi");
    EXPECT_EQ(ListGetCopy(list, 1, buffer, sizeof buffer), 0);
    EXPECT_STREQ(buffer, "");
    buffer[0] = 'x';
    EXPECT_EQ(ListGetCopy(list, 0, buffer, 0), 0);
    EXPECT_EQ(buffer[0], 'x'); // no room, nothing written
    ListFree(list);
}

TEST(StrList, ClearAndFreeThroughTheCallersVariable) {
    StrList* list = ListOf({"a", "b", "c"});
    ListClear(&list);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->count, 0u);
    EXPECT_EQ(list->capacity, 0u);
    EXPECT_EQ(list->items, nullptr);
    EXPECT_EQ(ListAppend(list, "d"), 0); // grows again from no array
    EXPECT_EQ(Contents(list), (Items{"d"}));
    ListFreeRef(&list);
    EXPECT_EQ(list, nullptr);

    ResumingFatal resume;
    ListClear(&list);
    ListFreeRef(&list);
    EXPECT_EQ(fatalRaised, 2); // null lists are failed assertions
    ListFree(nullptr);         // except for the plain form
    EXPECT_EQ(fatalRaised, 2);
}

TEST(StrList, NewFailsSoftlyForTheRecordAndFatallyForTheArray) {
    MemFailAllocation(1);
    EXPECT_EQ(ListNew(1, 1), nullptr);

    ResumingFatal resume;
    MemFailAllocation(2);
    EXPECT_EQ(ListNew(1, 1), nullptr); // resumed: the record is released
    EXPECT_EQ(fatalRaised, 1);
    EXPECT_EQ(ListNew(UINT32_MAX, 1), nullptr); // its slot count would wrap to 0
    EXPECT_EQ(fatalRaised, 2);
}

// Leaks are caught by the sanitizer build.
TEST(StrList, FailedCopyOrGrowthLeavesTheListUnchanged) {
    StrList* list = ListOf({"a", "b"}, 1);
    MemFailAllocation(1); // the copy (a slot is spare, so no growth)
    EXPECT_EQ(ListAppend(list, "c"), -1);
    EXPECT_EQ(list->items[2], nullptr);

    ASSERT_EQ(ListAppend(list, "c"), 0);
    char** items = list->items;
    MemFailAllocation(1); // the growth
    EXPECT_EQ(ListAppend(list, "d"), -1);
    EXPECT_EQ(list->capacity, 3u);
    EXPECT_EQ(list->items, items);

    MemFailAllocation(1);
    EXPECT_EQ(ListInsert(list, "z", 0), -1);
    MemFailAllocation(1);
    EXPECT_EQ(ListReplace(list, "z", 1), -1);
    EXPECT_EQ(Contents(list), (Items{"a", "b", "c"}));

    StrList* other = ListOf({"1", "2", "3"});
    MemFailAllocation(1); // the growth
    EXPECT_EQ(ListAppendAll(list, other), -1);
    EXPECT_EQ(Contents(list), (Items{"a", "b", "c"}));
    MemFailAllocation(3); // the growth succeeds, the second copy fails
    EXPECT_EQ(ListAppendAll(list, other), -1);
    EXPECT_EQ(Contents(list), (Items{"a", "b", "c"}));
    EXPECT_EQ(ListItems(list)[3], nullptr);
    ListFree(other);
    ListFree(list);
}

} // namespace
