// StrList: a growable array of owned string copies, in insertion order.
#pragma once

#include <cstdint>

struct StrList {
    uint32_t capacity;  // slots available before the array must grow
    uint32_t count;     // items 0 .. count-1 are valid
    uint32_t increment; // minimum number of slots added on growth
    char** items;       // capacity + 1 slots; unused slots are null
};

StrList* ListNew(uint32_t capacity, uint32_t increment);
int ListReserve(StrList* list, uint32_t needed);
int ListAppend(StrList* list, const char* s);
int ListAppendAll(StrList* list, const StrList* other);
int ListInsert(StrList* list, const char* s, uint32_t index);
int ListReplace(StrList* list, const char* s, uint32_t index);
int ListRemoveAt(StrList* list, uint32_t index);
int ListRemove(StrList* list, const char* s);
int ListFind(const StrList* list, const char* s);
int ListFindNoCase(const StrList* list, const char* s);
int ListFindEx(const StrList* list, const char* s, int exact);
uint32_t ListCount(const StrList* list);
char** ListItems(const StrList* list);
char* ListGet(const StrList* list, uint32_t index);
int ListGetCopy(const StrList* list, uint32_t index, char* buffer, int size);
// Frees every item and the array; the list stays, empty, with capacity 0.
void ListClear(StrList** listVariable);
// Frees the items, the array and the record; a null list is ignored.
void ListFree(StrList* list);
// As ListFree through the caller's variable; a null list is a failed assertion.
void ListFreeRef(StrList** listVariable);
