// StrList: a growable array of owned string copies, in insertion order. The
// list owns its items: what goes in is copied, what comes out stays the
// list's unless a function says otherwise.
#pragma once

#include <cstdint>

struct StrList {
    uint32_t capacity;  // slots available before the array must grow
    uint32_t count;     // items 0 .. count-1 are valid
    uint32_t increment; // minimum number of slots added on growth
    char** items;       // capacity + 1 slots; unused slots are null
};

// A new empty list with room for `capacity` items, growing by at least
// `increment` slots; the caller frees it with ListFree. Null when the record
// cannot be had; an item array that cannot be had is a fatal allocation
// failure (null when the fatal error is continued).
StrList* ListNew(uint32_t capacity, uint32_t increment);
// Makes room for `needed` items. 0; -1 for a null list or when the array
// cannot grow (the list is then unchanged).
int ListReserve(StrList* list, uint32_t needed);

// The editing functions store the list's own copy of `s` (a null `s` is
// refused) and return 0, or -1 for a null list, an index out of range, a
// null `s` or memory that ran out; on -1 the list is unchanged.
int ListAppend(StrList* list, const char* s);
// Appends copies of all of `other`'s items (`other` may be `list`); null or
// empty `other` appends nothing.
int ListAppendAll(StrList* list, const StrList* other);
// Inserts before item `index` (count appends).
int ListInsert(StrList* list, const char* s, uint32_t index);
// Replaces item `index` (`s` may be that item itself).
int ListReplace(StrList* list, const char* s, uint32_t index);
// Frees item `index` and closes the gap.
int ListRemoveAt(StrList* list, uint32_t index);
// Removes the first item equal to `s`; -1 when there is none.
int ListRemove(StrList* list, const char* s);

// The index of the first item equal to `s` (ListFindNoCase: without regard
// to case; ListFindEx: exactly when `exact` is nonzero), or -1 when none is
// or the list is null.
int ListFind(const StrList* list, const char* s);
int ListFindNoCase(const StrList* list, const char* s);
int ListFindEx(const StrList* list, const char* s, int exact);
// The number of items; 0 for a null list.
uint32_t ListCount(const StrList* list);
// The null-terminated item array, still the list's (valid until the list
// changes); null for a null list.
char** ListItems(const StrList* list);
// Item `index`, still the list's; null for a null list or an index out of
// range.
char* ListGet(const StrList* list, uint32_t index);
// Copies item `index` into `buffer` of `size` bytes as StrCopyN does (an
// absent item copies as ""); 0 for a null buffer or a size of 0 or less.
int ListGetCopy(const StrList* list, uint32_t index, char* buffer, int size);
// Frees every item and the array; the list stays, empty, with capacity 0.
// A null variable or list is a failed assertion.
void ListClear(StrList** listVariable);
// Frees the items, the array and the record; a null list is ignored.
void ListFree(StrList* list);
// As ListFree through the caller's variable, which is set to null; a null
// list is a failed assertion.
void ListFreeRef(StrList** listVariable);
