// Reading a mapping table once per pass and looking keys up in it. A table
// scan compares every row's key text exactly and takes the first equal row;
// the hash below gives the same row without reading the table again.
#include "tools/mapping_table_index.h"

#include "host/call_layer.h"
#include "support/base/char_tables.h"
#include "support/base/format.h"
#include "support/io/format_output.h"
#include "support/base/memory.h"
#include "support/base/strings.h"
#include "tools/mapping_document.h"

namespace {

uint32_t KeyHash(const char* key) {
    uint32_t hash = 2166136261u;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(key ? key : ""); *p; ++p)
        hash = (hash ^ *p) * 16777619u;
    return hash;
}

// Grows an array to `count` entries of `size` bytes. On failure the old
// block is left as it was and null comes back.
void* Resize(void* block, uint32_t count, uint32_t size) {
    if (count > 0x3FFFFFFFu / size) return nullptr;
    return MemRealloc(block, count * size, 0);
}

// Stores a grown array, or says that it could not grow (the old one stays).
template <typename T> bool Grow(T*& array, uint32_t count) {
    void* grown = Resize(array, count, sizeof(T));
    if (grown) array = static_cast<T*>(grown);
    return grown != nullptr;
}

// The same for keys ignoring case: equal ignoring case, equal hash.
uint32_t FoldedHash(const char* key) {
    uint32_t hash = 2166136261u;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(key ? key : ""); *p; ++p)
        hash = (hash ^ CharLowerMap[*p]) * 16777619u;
    return hash;
}

// The key list's items by folded hash (1 + the item's index, 0 free), so
// that a table of thousands of rows is not read once per row. Without the
// memory for it the list itself is read.
struct FoldedKeys {
    StrList* list;
    uint32_t* slots;
    uint32_t mask;
};

bool HoldsNoCase(const FoldedKeys& keys, const char* key) {
    if (!keys.slots) return ListFindNoCase(keys.list, key) >= 0;
    for (uint32_t at = FoldedHash(key) & keys.mask;; at = (at + 1) & keys.mask) {
        uint32_t taken = keys.slots[at];
        if (!taken) return false;
        if (StrEqualNoCase(ListGet(keys.list, taken - 1), key)) return true;
    }
}

// Records the list's last item.
void RememberLast(FoldedKeys& keys) {
    if (!keys.slots) return;
    uint32_t item = ListCount(keys.list) - 1;
    uint32_t at = FoldedHash(ListGet(keys.list, item)) & keys.mask;
    while (keys.slots[at]) at = (at + 1) & keys.mask;
    keys.slots[at] = item + 1;
}

bool IsBodyKey(const MappingTableIndex* index, uint32_t row) {
    return index->rowTypes[row] == MappingBodyRowType && !MappingKeyIsEmpty(index->keys[row]);
}

// Puts `row` into `slots` (`mask` + 1 of them) at `hash`, unless an earlier
// row with a key that `same` finds equal is there: it wins, as in a scan.
void PutRow(uint32_t* slots, uint32_t mask, uint32_t hash, uint32_t row, char** keys,
            int (*same)(const char*, const char*)) {
    for (uint32_t at = hash & mask;; at = (at + 1) & mask) {
        uint32_t taken = slots[at];
        if (!taken) {
            slots[at] = row + 1;
            return;
        }
        if (same(keys[taken - 1], keys[row])) return;
    }
}

bool BuildSlots(MappingTableIndex* index) {
    uint32_t slots = 8;
    while (slots < index->rowCount * 2) slots *= 2;
    index->slots = static_cast<uint32_t*>(MemCalloc(slots, sizeof(uint32_t), 0));
    if (!index->slots) return false;
    // Only explanations look keys up ignoring case: without the memory for
    // it they scan the table.
    index->foldSlots = static_cast<uint32_t*>(MemCalloc(slots, sizeof(uint32_t), 0));
    index->slotCount = slots;
    for (uint32_t row = 0; row < index->rowCount; ++row) {
        const char* key = index->keys[row];
        PutRow(index->slots, slots - 1, KeyHash(key), row, index->keys, StrEqual);
        if (index->foldSlots && IsBodyKey(index, row))
            PutRow(index->foldSlots, slots - 1, FoldedHash(key), row, index->keys, StrEqualNoCase);
    }
    return true;
}

} // namespace

// Out of memory while reading: what was read goes, and the index says that
// the table could not be had (the pass then changes nothing).
static void GiveUp(MappingTableIndex* index) {
    ObjId table = index->table;
    const char* word = index->word;
    MappingTableFree(index);
    index->word = word;
    index->incomplete = table != 0;
}

// Reads the range of the row whose key cell is `keyCell`: for the heading
// row whether the table has a "Range" column at all, for a later row of such
// a table whether it runs "Until Changed". A table without the column costs
// only the steps to its heading row's fourth cell.
static void ReadRange(MappingTableIndex* index, ObjId mapping, ObjId keyCell) {
    uint32_t at = index->rowCount;
    index->runs[at] = 0;
    if (at && !index->rangeColumn) return;
    ObjId cell = MappingCellOn(mapping, keyCell, MappingRangeCell);
    char* text = cell ? MappingCellText(mapping, cell) : nullptr;
    if (at == 0)
        index->rangeColumn = cell && MappingHeadingIsKind(text, MappingRangeHeading);
    else
        index->runs[at] = MappingRangeOf(text) == MappingRangeRun;
    MemFree(text);
}

void MappingTableRead(MappingTableIndex* index, ObjId mapping, const char* word, int readRanges) {
    *index = MappingTableIndex{};
    index->word = word;
    index->table = FindMappingTable(mapping, word);
    uint32_t capacity = 0;
    for (ObjId row = index->table ? HostGetIdProp(mapping, index->table, PropFirstRow) : 0; row;
         row = HostGetIdProp(mapping, row, PropNextRow)) {
        if (index->rowCount == capacity) {
            capacity = capacity ? capacity * 2 : 16;
            if (!Grow(index->rows, capacity) || !Grow(index->keys, capacity) ||
                !Grow(index->rowTypes, capacity) || !Grow(index->runs, capacity))
                return GiveUp(index);
        }
        index->rows[index->rowCount] = row;
        index->rowTypes[index->rowCount] = HostGetIntProp(mapping, row, PropRowType);
        ObjId keyCell = HostGetIdProp(mapping, row, PropFirstCell);
        index->keys[index->rowCount] = MappingCellText(mapping, keyCell);
        if (readRanges) ReadRange(index, mapping, keyCell);
        else index->runs[index->rowCount] = 0;
        ++index->rowCount;
    }
    index->listed = static_cast<uint8_t*>(MemCalloc(index->rowCount + 1, 1, 0));
    if (!index->listed || !BuildSlots(index)) GiveUp(index);
}

StrList* MappingTableKeyList(MappingTableIndex* index) {
    FoldedKeys keys{ListNew(1, 1), nullptr, 0};
    uint32_t slots = 8;
    while (slots < index->rowCount * 2 && slots < 0x40000000u) slots *= 2;
    if (keys.list) keys.slots = static_cast<uint32_t*>(MemCalloc(slots, sizeof(uint32_t), 0));
    keys.mask = slots - 1;
    // Which rows need the list searched once it is complete.
    for (uint32_t row = 0; row < index->rowCount; ++row) {
        const char* key = index->keys[row];
        index->listed[row] = 0;
        if (index->rowTypes[row] != MappingBodyRowType || MappingKeyIsEmpty(key) || !keys.list) continue;
        if (HoldsNoCase(keys, key)) {
            index->listed[row] = 1;
        } else if (ListAppend(keys.list, key) != 0) {
            FmtPrint(nullptr, KeyListMemoryLine);
        } else {
            RememberLast(keys);
            index->listed[row] = 1;
        }
    }
    // The heading row, rows of other types, empty keys and keys that could
    // not be appended may still equal a listed key ignoring case.
    for (uint32_t row = 0; row < index->rowCount; ++row)
        if (!index->listed[row]) index->listed[row] = keys.list && HoldsNoCase(keys, index->keys[row]);
    MemFree(keys.slots);
    return keys.list;
}

ObjId MappingTableFind(const MappingTableIndex* index, const char* key, int listedOnly, uint32_t* at) {
    if (!index->rowCount) return 0;
    uint32_t mask = index->slotCount - 1;
    for (uint32_t slot = KeyHash(key) & mask;; slot = (slot + 1) & mask) {
        uint32_t taken = index->slots[slot];
        if (!taken) return 0;
        if (!StrEqual(index->keys[taken - 1], key)) continue;
        if (listedOnly && !index->listed[taken - 1]) return 0;
        if (at) *at = taken - 1;
        return index->rows[taken - 1];
    }
}

int MappingTableFindNoCase(const MappingTableIndex* index, const char* text, uint32_t* at) {
    if (!index->rowCount || MappingKeyIsEmpty(text)) return 0;
    if (!index->foldSlots) {
        for (uint32_t row = 0; row < index->rowCount; ++row)
            if (IsBodyKey(index, row) && StrEqualNoCase(index->keys[row], text)) return *at = row, 1;
        return 0;
    }
    uint32_t mask = index->slotCount - 1;
    for (uint32_t slot = FoldedHash(text) & mask;; slot = (slot + 1) & mask) {
        uint32_t taken = index->foldSlots[slot];
        if (!taken) return 0;
        if (!StrEqualNoCase(index->keys[taken - 1], text)) continue;
        *at = taken - 1;
        return 1;
    }
}

void MappingTableFree(MappingTableIndex* index) {
    for (uint32_t row = 0; row < index->rowCount; ++row) MemFree(index->keys[row]);
    MemFree(index->rows);
    MemFree(index->keys);
    MemFree(index->rowTypes);
    MemFree(index->runs);
    MemFree(index->listed);
    MemFree(index->slots);
    MemFree(index->foldSlots);
    *index = MappingTableIndex{};
}
