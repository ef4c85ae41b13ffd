// One pass's copy of a mapping table's keys: every row's key cell text read
// once through the host, an exact-match lookup over them, and the table's key
// list built from the same texts. It lives only while the pass runs, so edits
// to the mapping document still apply to the next pass.
#pragma once

#include "host/host_records.h"
#include "support/base/string_list.h"

#include <cstdint>

struct MappingTableIndex {
    const char* word;   // the heading word of the kind
    ObjId table;        // 0: the document has no table of the kind
    uint32_t rowCount;  // every row, the heading row included
    ObjId* rows;        // in table order
    char** keys;        // key cell texts (null where a row has none)
    int32_t* rowTypes;  // PropRowType of each row
    uint8_t* runs;      // 1 where the row's range is "Until Changed"
    int rangeColumn;    // 1: the heading row's fourth cell is headed "Range"
    uint8_t* listed;    // 1 where the key list holds the row's key ignoring case
    uint32_t* slots;    // hash of exact keys: 1 + the first row with that key, 0 free
    uint32_t* foldSlots; // the same for body rows' keys ignoring case (empty keys left out)
    uint32_t slotCount; // a power of two
    int incomplete;     // 1: the table exists but its index could not be allocated
};

// Reads the first table of `mapping` headed `word` (FindMappingTable): its
// rows, their types and key cell texts. A missing table gives an empty index;
// a table whose index cannot be allocated gives an empty index marked
// incomplete. With `readRanges` (a kind that allows ranges), a table whose
// heading row has a "Range" fourth cell also has each row's range read;
// without such a column the read costs three host calls more than without
// `readRanges`.
void MappingTableRead(MappingTableIndex* index, ObjId mapping, const char* word, int readRanges = 0);

// The key list of the table, built as MappingKeyList builds it (body rows,
// no empty keys, no key already present ignoring case; the console line on a
// failed append), from the texts already read. Marks which rows' keys the
// list holds. The caller frees the list.
StrList* MappingTableKeyList(MappingTableIndex* index);

// The first row, heading row included, whose key equals `key` exactly (null
// counts as empty), or 0. With `listedOnly`, a row whose key the key list
// does not hold ignoring case gives 0 (MappingTableKeyList must have run).
// With `at`, a row found also gives its index in the table there.
ObjId MappingTableFind(const MappingTableIndex* index, const char* key, int listedOnly, uint32_t* at = nullptr);

// The first body row whose key is not empty and equals `text` ignoring
// case: its index in the table in `*at`; false for none.
int MappingTableFindNoCase(const MappingTableIndex* index, const char* text, uint32_t* at);

void MappingTableFree(MappingTableIndex* index);
