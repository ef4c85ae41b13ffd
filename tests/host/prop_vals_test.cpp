// Property-value lists and typed values: deep copies that share nothing with
// their source, frees that release exactly what the list owns, list growth,
// the status bit, and clean failure when memory runs out part-way.
#include "host/prop_vals.h"

#include "host/call_layer.h"
#include "support/base/memory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

char* Dup(const char* text) {
    size_t n = std::strlen(text) + 1;
    auto* copy = static_cast<char*>(MemAlloc(static_cast<uint32_t>(n), MemFlagFatal));
    std::memcpy(copy, text, n);
    return copy;
}

TypedVal IntegerValue(int32_t v) {
    TypedVal value{};
    value.kind = TypedInteger;
    value.value.integer = v;
    return value;
}

// A source built from string literals: copies must not point into it.
struct StringList {
    uint32_t count;
    char** items;
};

TEST(PropVals, AllocAndFree) {
    PropVals none = PropValsAlloc(0);
    EXPECT_EQ(none.count, 0u);
    EXPECT_EQ(none.entries, nullptr);

    PropVals three = PropValsAlloc(3);
    ASSERT_EQ(three.count, 3u);
    EXPECT_EQ(three.entries[2].value.kind, 0u);
    EXPECT_EQ(three.entries[2].ident.name, nullptr);

    // Entry 2 is identified by name and owns it; entry 1 carries a name
    // pointer that is not its own (number set) and must survive the free.
    char* notOwned = Dup("kept");
    three.entries[0].ident.number = 5;
    three.entries[0].ident.name = notOwned;
    three.entries[1].ident = {0, Dup("owned")};
    three.entries[2].ident.number = 6;
    three.entries[2].value.kind = TypedString;
    three.entries[2].value.value.string = Dup("value");
    PropValsFree(&three);
    EXPECT_EQ(three.count, 0u);
    EXPECT_EQ(three.entries, nullptr);
    EXPECT_STREQ(notOwned, "kept");
    MemFree(notOwned);

    PropValsFree(nullptr);

    MemFailAllocation(1);
    PropVals failed = PropValsAlloc(4);
    EXPECT_EQ(failed.count, 0u);
    EXPECT_EQ(failed.entries, nullptr);
}

TEST(PropVals, SetReplacesInPlaceOrAppends) {
    PropVals list = PropValsAlloc(8);
    for (uint32_t i = 0; i < 8; ++i) {
        list.entries[i].ident.number = static_cast<int32_t>(i + 1);
        list.entries[i].value = IntegerValue(static_cast<int32_t>(i * 10));
    }
    TypedVal v = IntegerValue(99);
    EXPECT_EQ(PropValsSet(&list, 4, &v), 0);
    EXPECT_EQ(list.count, 8u);
    EXPECT_EQ(list.entries[3].value.value.integer, 99);

    EXPECT_EQ(PropValsSet(&list, 40, &v), 0);
    ASSERT_EQ(list.count, 9u);
    EXPECT_EQ(list.entries[8].ident.number, 40);
    EXPECT_EQ(list.entries[8].ident.name, nullptr);
    EXPECT_EQ(list.entries[7].value.value.integer, 70);

    // A string value is copied, and replacing it frees the old copy.
    char text[] = "first";
    EXPECT_EQ(PropValsSetString(&list, 40, text), 0);
    EXPECT_NE(list.entries[8].value.value.string, text);
    text[0] = 'X';
    EXPECT_STREQ(list.entries[8].value.value.string, "first");
    EXPECT_EQ(PropValsSetString(&list, 40, "second"), 0);
    EXPECT_STREQ(list.entries[8].value.value.string, "second");
    EXPECT_EQ(list.count, 9u);
    PropValsFree(&list);

    PropVals empty = {0, nullptr};
    for (int32_t n = 1; n <= 20; ++n) ASSERT_EQ(PropValsSetString(&empty, n, "v"), 0);
    EXPECT_EQ(empty.count, 20u);
    EXPECT_STREQ(empty.entries[19].value.value.string, "v");
    PropValsFree(&empty);
}

TEST(PropVals, SetThatRunsOutOfMemoryLeavesTheListAsItWas) {
    PropVals list = {0, nullptr};
    ASSERT_EQ(PropValsSetString(&list, 1, "one"), 0);
    PropVal* before = list.entries;

    MemFailAllocation(1); // the copy of the value
    EXPECT_EQ(PropValsSetString(&list, 2, "two"), -1);
    MemFailAllocation(2); // the growth of the array
    EXPECT_EQ(PropValsSetString(&list, 2, "two"), -1);
    MemFailAllocation(1); // replacing in place
    EXPECT_EQ(PropValsSetString(&list, 1, "uno"), -1);
    MemFailAllocation(0);

    EXPECT_EQ(list.count, 1u);
    EXPECT_EQ(list.entries, before);
    EXPECT_STREQ(list.entries[0].value.value.string, "one");
    PropValsFree(&list);
}

// A status entry 3 whose value carries no list of numbers is refused: read
// as a list, an integer's value would be taken for a count of words and the
// bytes after it for their address. Entry 1 does not stand in for it, since
// entry 3 is the status whenever there is one.
TEST(PropVals, AStatusEntryThatIsNoListOfNumbersIsRefusedNotRead) {
    uint32_t words[1] = {0x1};
    PropVals list = PropValsAlloc(2);
    list.entries[0].ident.number = 1;
    list.entries[0].value.kind = TypedWords;
    list.entries[0].value.value.list = {1, words};
    list.entries[1].ident.number = 3;
    list.entries[1].value = IntegerValue(1000);
    list.entries[1].value.value.list.items = reinterpret_cast<void*>(uintptr_t{8}); // no address
    for (uint32_t kind : {1u, 3u, 6u, 14u}) {
        list.entries[1].value.kind = kind;
        HostErrorCode = 0;
        EXPECT_EQ(PropValsStatusBit(&list, 0), 0) << kind;
        EXPECT_EQ(PropValsStatusBit(&list, 999), 0) << kind;
        EXPECT_EQ(HostErrorCode, -5) << kind;
    }
    list.entries[1].value.kind = 0;
    list.entries[0].value.kind = 0; // the arrays are the test's own
    PropValsFree(&list);
    HostErrorCode = 0;
}

TEST(PropVals, StatusBitReadsOnlyWordLists) {
    uint32_t words[2] = {0x1, 0x80000000u};
    PropVals list = PropValsAlloc(2);
    list.entries[0].ident.number = 1;
    list.entries[0].value.kind = TypedWords;
    uint32_t other[1] = {0x2};
    list.entries[0].value.value.list = {1, other};
    list.entries[1].ident.number = 3;
    list.entries[1].value.kind = 13;
    list.entries[1].value.value.list = {2, words};

    HostErrorCode = 0;
    EXPECT_EQ(PropValsStatusBit(&list, 0), 1) << "entry 3 comes before entry 1";
    EXPECT_EQ(PropValsStatusBit(&list, 1), 0);
    EXPECT_EQ(PropValsStatusBit(&list, 63), 1);
    EXPECT_EQ(HostErrorCode, 0);
    EXPECT_EQ(PropValsStatusBit(&list, 64), 0);
    EXPECT_EQ(HostErrorCode, -4);

    // Lists of 64-bit numbers are read as words too, as many as the count.
    for (uint32_t kind : {7u, 12u}) {
        uint64_t wide[2] = {0x100000001ull, 0};
        list.entries[1].value.kind = kind;
        list.entries[1].value.value.list = {2, wide};
        HostErrorCode = 0;
        EXPECT_EQ(PropValsStatusBit(&list, 0), 1) << kind;
        EXPECT_EQ(PropValsStatusBit(&list, 32), 1) << kind;
        EXPECT_EQ(PropValsStatusBit(&list, 33), 0) << kind;
        EXPECT_EQ(PropValsStatusBit(&list, 63), 0) << kind;
        EXPECT_EQ(HostErrorCode, 0) << kind;
        EXPECT_EQ(PropValsStatusBit(&list, 64), 0) << kind;
        EXPECT_EQ(HostErrorCode, -4) << kind;
    }
    list.entries[1].value.kind = 13;
    list.entries[1].value.value.list = {2, words};

    list.entries[1].ident.number = 9;
    EXPECT_EQ(PropValsStatusBit(&list, 1), 1) << "entry 1 when there is no entry 3";

    // An integer in the status entry is not a list of words.
    list.entries[0].value = IntegerValue(0x7fffffff);
    HostErrorCode = 0;
    EXPECT_EQ(PropValsStatusBit(&list, 0), 0);
    EXPECT_EQ(HostErrorCode, -5);

    list.entries[0].ident.number = 2;
    HostErrorCode = 0;
    EXPECT_EQ(PropValsStatusBit(&list, 0), 0);
    EXPECT_EQ(HostErrorCode, -5);
    HostErrorCode = 0;
    EXPECT_EQ(PropValsStatusBit(nullptr, 0), 0);
    EXPECT_EQ(HostErrorCode, -5);

    list.entries[1].value.kind = 0; // the arrays are the test's own
    list.entries[0].value.kind = 0;
    PropValsFree(&list);
    HostErrorCode = 0;
}

// Layout of a kind-17 element.
struct Kind17 {
    char* name;
    unsigned char plain[16];
    StringList first;
    StringList second;
    char* a;
    char* b;
};
static_assert(sizeof(Kind17) == 72);

// A kind-20 value holding a string, a string list with a null member, and
// a list of kind-17 records: every ownership rule at once.
struct NestedSource {
    char* strings[3] = {const_cast<char*>("x"), nullptr, const_cast<char*>("z")};
    char* inner[1] = {const_cast<char*>("in")};
    Kind17 record{};
    TypedVal values[3]{};
    TypedList holder{};
    TypedVal value{};

    NestedSource() {
        values[0].kind = TypedString;
        values[0].value.string = const_cast<char*>("s");
        values[1].kind = TypedStrings;
        values[1].value.list = {3, strings};
        record.name = const_cast<char*>("rec");
        std::memset(record.plain, 0xAB, sizeof record.plain);
        record.first = {1, inner};
        record.second = {0, nullptr};
        record.a = nullptr;
        record.b = const_cast<char*>("b");
        values[2].kind = 17;
        values[2].value.list = {1, &record};
        holder = {3, values};
        value.kind = TypedValList;
        value.value.record = &holder;
    }
};

TEST(TypedVal, DeepCopyOfNestedKindsSharesNothing) {
    NestedSource source;
    TypedVal copy;
    ASSERT_EQ(TypedValCopy(&copy, &source.value, PropAllocLibrary), 0);
    auto* holder = static_cast<TypedList*>(copy.value.record);
    ASSERT_NE(holder, &source.holder);
    ASSERT_EQ(holder->count, 3u);
    auto* values = static_cast<TypedVal*>(holder->items);
    EXPECT_NE(values[0].value.string, source.values[0].value.string);
    EXPECT_STREQ(values[0].value.string, "s");

    auto** strings = static_cast<char**>(values[1].value.list.items);
    EXPECT_NE(strings, source.strings);
    EXPECT_STREQ(strings[0], "x");
    EXPECT_EQ(strings[1], nullptr);
    EXPECT_STREQ(strings[2], "z");
    EXPECT_NE(strings[2], source.strings[2]);

    auto* record = static_cast<Kind17*>(values[2].value.list.items);
    EXPECT_STREQ(record->name, "rec");
    EXPECT_NE(record->name, source.record.name);
    EXPECT_EQ(record->plain[15], 0xAB);
    EXPECT_STREQ(record->first.items[0], "in");
    EXPECT_NE(record->first.items, source.inner);
    EXPECT_EQ(record->a, nullptr);
    EXPECT_STREQ(record->b, "b");

    TypedValFree(&copy);
    EXPECT_EQ(copy.value.record, nullptr);
}

TEST(TypedVal, PlainKindsAndTheSingleRecordKind) {
    TypedVal plain{};
    plain.kind = 10;
    std::memset(plain.value.raw, 0x5A, 16);
    TypedVal copy;
    ASSERT_EQ(TypedValCopy(&copy, &plain, PropAllocLibrary), 0);
    EXPECT_EQ(std::memcmp(&copy, &plain, sizeof plain), 0);
    TypedValFree(&copy); // owns nothing: must not free 0x5A5A...

    unsigned char bytes[24];
    for (int i = 0; i < 24; ++i) bytes[i] = static_cast<unsigned char>(i);
    TypedVal single{};
    single.kind = TypedRecord;
    single.value.record = bytes;
    ASSERT_EQ(TypedValCopy(&copy, &single, PropAllocLibrary), 0);
    EXPECT_NE(copy.value.record, static_cast<void*>(bytes));
    EXPECT_EQ(std::memcmp(copy.value.record, bytes, 24), 0);
    TypedValFree(&copy);
    EXPECT_EQ(copy.value.record, nullptr);

    single.value.record = nullptr;
    ASSERT_EQ(TypedValCopy(&copy, &single, PropAllocLibrary), 0);
    EXPECT_EQ(copy.value.record, nullptr);
}

// Every allocation of a nested copy fails in turn: each failure must leave a
// value that owns nothing (the sanitizer build catches leaks and double
// frees), until the copy succeeds.
TEST(TypedVal, CopyFailsCleanlyAtEveryAllocation) {
    NestedSource source;
    int failures = 0;
    for (uint64_t n = 1; n < 100; ++n) {
        TypedVal copy;
        MemFailAllocation(n);
        int result = TypedValCopy(&copy, &source.value, PropAllocLibrary);
        MemFailAllocation(0);
        if (result == 0) {
            TypedValFree(&copy);
            break;
        }
        ++failures;
        EXPECT_EQ(result, -1);
        EXPECT_EQ(copy.kind, TypedValList);
        EXPECT_EQ(copy.value.record, nullptr);
    }
    // holder, values, "s", strings array, "x", "z", records, "rec",
    // first array, "in", "b"
    EXPECT_EQ(failures, 11);
    EXPECT_STREQ(source.strings[2], "z");
}

} // namespace
