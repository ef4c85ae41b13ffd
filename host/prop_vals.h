// Property-value lists and typed values: building, deep copying, changing,
// testing and freeing them. Copies are made with an allocation function that
// the caller chooses (the library heap for results, so that lists the host
// returned can be copied the same way); release walks take the matching
// release function (MemFree for library copies, CoTaskMemFree for host blocks).
//
// Payloads by value kind (what copy and free respect):
//   1, 2, 4       32-bit value                    9, 10, other  plain bytes
//   3             string
//   5, 13, 15     list of 32-bit words             7, 12  list of 64-bit words
//   14            list of bytes                    6      list of strings
//   8             list of 24-byte {plain 8, string, plain 8}
//   18            list of 32-byte {string, string list, plain 8}
//   21            list of 48-byte {string, string list, string list, plain 8}
//   17            list of 72-byte {string, plain 16, string list, string list,
//                                  string, string}
//   22            list of 24-byte {plain 8, string list}
//   19            pointer to one 24-byte plain record
//   20            pointer to a 16-byte record {count, array of TypedVal}
#pragma once

#include "host/host_records.h"
#include "host/host_wire.h"

#include <cstdint>

// Allocation and release functions for the copy and release walks. Whatever
// allocates copies must hand out blocks that MemFree releases: a copy that
// fails half-way is taken apart with MemFree.
typedef void* (*PropAllocFn)(uint32_t size);
typedef void (*PropReleaseFn)(void* block);

// The library heap, non-fatal: a failed copy is reported, not raised.
void* PropAllocLibrary(uint32_t size);
void PropReleaseLibrary(void* block);

// A list of count zero-filled entries; {0, null} for 0 or when memory runs out.
PropVals PropValsAlloc(uint32_t count);
// Frees every entry's owned name and value and the array; leaves {0, null}.
// The record itself is the caller's. Null is accepted.
void PropValsFree(PropVals* list);
// As PropValsFree, with the given release function (host lists).
void PropValsRelease(PropVals* list, PropReleaseFn release);
// Deep copy of source into destination. Returns 0, or -1 when an allocation
// failed; destination is then {0, null} and owns nothing.
int PropValsCopy(PropVals* destination, const PropVals* source, PropAllocFn alloc);

// Replaces the value of the first entry with that number by a copy of value,
// or appends a new entry. Returns 0, or -1 when memory ran out; the list is
// then as it was. The list must not be null.
int PropValsSet(PropVals* list, int32_t number, const TypedVal* value);
// PropValsSet with a kind-3 value.
int PropValsSetString(PropVals* list, int32_t number, const char* text);
// Bit `bit` of the return status held by entry 3 (else entry 1) as a list of
// 32-bit words: 0 or 1. HostErrorCode -5 when there is no such entry (or it is
// not a word list), -4 when the bit lies beyond its words; both return 0.
int PropValsStatusBit(const PropVals* list, int32_t bit);

// Deep copy by the kinds above. Returns 0, or -1 when an allocation failed;
// destination then keeps its kind and owns nothing (counts 0, pointers null).
int TypedValCopy(TypedVal* destination, const TypedVal* source, PropAllocFn alloc);
// Frees what the value owns, innermost first; leaves counts 0, pointers null.
void TypedValFree(TypedVal* value);
void TypedValRelease(TypedVal* value, PropReleaseFn release);
