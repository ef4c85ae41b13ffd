// StrList: a growable array of owned string copies. The item array always has
// one slot more than the capacity, and every slot at or beyond count is null,
// so ListItems is a null-terminated array.
#include "support/base/string_list.h"

#include "support/base/memory.h"
#include "support/base/strings.h"

#include <cstring>

namespace {

// The item array's byte size is a 32-bit quantity; a capacity whose array
// would not fit is refused instead of wrapping around.
constexpr uint64_t MaxCapacity = UINT32_MAX / sizeof(char*) - 1;

// The list's own copy of s. A null s is refused: the list holds strings, and
// the empty string is one, but null is not.
char* CopyOf(const char* s) { return s ? StrDup(s) : nullptr; }

typedef int (*MatchFunction)(const char*, const char*);

int FindWith(const StrList* list, const char* s, MatchFunction match) {
    if (!list) return -1;
    for (uint32_t i = 0; i < list->count; ++i)
        if (match(list->items[i], s)) return static_cast<int>(i);
    return -1;
}

void FreeItems(StrList* list) {
    for (uint32_t i = 0; i < list->count; ++i) MemFree(list->items[i]);
    MemFree(list->items);
    list->items = nullptr;
    list->count = 0;
    list->capacity = 0;
}

} // namespace

StrList* ListNew(uint32_t capacity, uint32_t increment) {
    auto* list = static_cast<StrList*>(MemCalloc(1, sizeof(StrList), 0));
    if (!list) return nullptr;
    char** items = nullptr;
    if (capacity <= MaxCapacity)
        items = static_cast<char**>(MemCalloc(capacity + 1, sizeof(char*), MemFlagFatal));
    else {
        // An array too large for a 32-bit size fails as an allocation would.
        if (MemFailureHook) MemFailureHook();
        FatalError();
    }
    if (!items) {
        // Only reached when a handler resumed the fatal error.
        MemFree(list);
        return nullptr;
    }
    list->capacity = capacity;
    list->increment = increment;
    list->items = items;
    return list;
}

int ListReserve(StrList* list, uint32_t needed) {
    if (!list) return -1;
    if (list->capacity >= needed) return 0;
    uint64_t capacity = uint64_t(list->capacity) + list->increment;
    if (capacity < needed) capacity = needed;
    if (capacity > MaxCapacity) return -1;
    auto* items = static_cast<char**>(
        MemRealloc(list->items, uint32_t((capacity + 1) * sizeof(char*)), 0));
    if (!items) return -1;
    for (uint64_t i = list->count; i <= capacity; ++i) items[i] = nullptr;
    list->items = items;
    list->capacity = uint32_t(capacity);
    return 0;
}

int ListAppend(StrList* list, const char* s) {
    if (!list || ListReserve(list, list->count + 1) != 0) return -1;
    char* copy = CopyOf(s);
    if (!copy) return -1;
    list->items[list->count++] = copy;
    return 0;
}

int ListAppendAll(StrList* list, const StrList* other) {
    if (!list) return -1;
    if (!other || other->count == 0) return 0;
    // Read before anything grows: other may be list itself.
    const uint32_t first = list->count;
    const uint32_t added = other->count;
    if (uint64_t(first) + added > MaxCapacity) return -1;
    if (ListReserve(list, first + added) != 0) return -1;
    for (uint32_t i = 0; i < added; ++i) {
        char* copy = CopyOf(other->items[i]);
        if (!copy) {
            // Undo this call's copies so that the list holds what it held.
            while (list->count > first) {
                --list->count;
                MemFree(list->items[list->count]);
                list->items[list->count] = nullptr;
            }
            return -1;
        }
        list->items[list->count++] = copy;
    }
    return 0;
}

int ListInsert(StrList* list, const char* s, uint32_t index) {
    if (!list || index > list->count) return -1;
    if (ListReserve(list, list->count + 1) != 0) return -1;
    char* copy = CopyOf(s);
    if (!copy) return -1;
    std::memmove(list->items + index + 1, list->items + index,
                 (list->count - index) * sizeof(char*));
    list->items[index] = copy;
    ++list->count;
    return 0;
}

int ListReplace(StrList* list, const char* s, uint32_t index) {
    if (!list || index >= list->count) return -1;
    // Copy before freeing: s may be the item itself, and a failed copy must
    // not lose the item it was meant to replace.
    char* copy = CopyOf(s);
    if (!copy) return -1;
    MemFree(list->items[index]);
    list->items[index] = copy;
    return 0;
}

int ListRemoveAt(StrList* list, uint32_t index) {
    if (!list || index >= list->count) return -1;
    MemFree(list->items[index]);
    std::memmove(list->items + index, list->items + index + 1,
                 (list->count - index - 1) * sizeof(char*));
    --list->count;
    // Keep the array null-terminated for ListItems.
    list->items[list->count] = nullptr;
    return 0;
}

int ListRemove(StrList* list, const char* s) {
    int index = ListFind(list, s);
    return index < 0 ? -1 : ListRemoveAt(list, uint32_t(index));
}

int ListFind(const StrList* list, const char* s) { return FindWith(list, s, StrEqual); }

int ListFindNoCase(const StrList* list, const char* s) {
    return FindWith(list, s, StrEqualNoCase);
}

int ListFindEx(const StrList* list, const char* s, int exact) {
    return FindWith(list, s, exact ? StrEqual : StrEqualNoCase);
}

uint32_t ListCount(const StrList* list) { return list ? list->count : 0; }

char** ListItems(const StrList* list) { return list ? list->items : nullptr; }

char* ListGet(const StrList* list, uint32_t index) {
    return list && index < list->count ? list->items[index] : nullptr;
}

int ListGetCopy(const StrList* list, uint32_t index, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    return StrCopyN(buffer, ListGet(list, index), size);
}

void ListClear(StrList** listVariable) {
    if (!listVariable || !*listVariable) {
        AssertFailed();
        return;
    }
    FreeItems(*listVariable);
}

void ListFree(StrList* list) {
    if (!list) return;
    FreeItems(list);
    MemFree(list);
}

void ListFreeRef(StrList** listVariable) {
    if (!listVariable || !*listVariable) {
        AssertFailed();
        return;
    }
    ListFree(*listVariable);
    *listVariable = nullptr;
}
