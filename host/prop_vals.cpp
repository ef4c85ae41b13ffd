// Property-value lists and typed values: deep copy and release by value kind,
// list building and the return-status bit.
//
// Every list-carrying kind is described by the size of its elements and the
// offsets of the strings and string lists inside one element; a string list
// is itself a list of 8-byte elements holding one string each. One copy walk
// and one release walk then serve all kinds.
#include "host/prop_vals.h"

#include "host/call_layer.h"
#include "support/base/host_error.h"
#include "support/base/memory.h"

#include <cstring>

namespace {

struct ElementShape {
    uint32_t size;
    uint8_t stringCount;
    uint8_t strings[3];
    uint8_t listCount;
    uint8_t lists[2]; // each a string list {count, pointer}
};

constexpr ElementShape StringElement = {8, 1, {0}, 0, {}};

// The element shape of a list kind, or null for kinds that carry no list.
const ElementShape* ListShapeOf(uint32_t kind) {
    static constexpr ElementShape words = {4, 0, {}, 0, {}};
    static constexpr ElementShape longs = {8, 0, {}, 0, {}};
    static constexpr ElementShape bytes = {1, 0, {}, 0, {}};
    static constexpr ElementShape kind8 = {24, 1, {8}, 0, {}};
    static constexpr ElementShape kind18 = {32, 1, {0}, 1, {8}};
    static constexpr ElementShape kind21 = {48, 1, {0}, 2, {8, 24}};
    static constexpr ElementShape kind17 = {72, 3, {0, 56, 64}, 2, {24, 40}};
    static constexpr ElementShape kind22 = {24, 0, {}, 1, {8}};
    switch (kind) {
    case 5: case 13: case 15: return &words;
    case 7: case 12: return &longs;
    case 14: return &bytes;
    case 6: return &StringElement;
    case 8: return &kind8;
    case 18: return &kind18;
    case 21: return &kind21;
    case 17: return &kind17;
    case 22: return &kind22;
    default: return nullptr;
    }
}

constexpr uint32_t PlainRecordSize = 24; // kind 19

char** StringAt(void* element, uint8_t offset) {
    return reinterpret_cast<char**>(static_cast<unsigned char*>(element) + offset);
}
TypedList* ListAt(void* element, uint8_t offset) {
    return reinterpret_cast<TypedList*>(static_cast<unsigned char*>(element) + offset);
}

// Copies a string with its terminator; null stays null. Returns 0 or -1.
int CopyString(char** destination, const char* source, PropAllocFn alloc) {
    *destination = nullptr;
    if (!source) return 0;
    size_t length = std::strlen(source) + 1;
    if (length > UINT32_MAX) return -1;
    auto* copy = static_cast<char*>(alloc(static_cast<uint32_t>(length)));
    if (!copy) return -1;
    std::memcpy(copy, source, length);
    *destination = copy;
    return 0;
}

// Allocates count * size bytes and copies them; null for an empty list.
int CopyArray(void** destination, const void* source, uint32_t count, uint32_t size,
              PropAllocFn alloc) {
    *destination = nullptr;
    if (!source || count == 0) return 0;
    uint64_t bytes = static_cast<uint64_t>(count) * size;
    if (bytes > UINT32_MAX) return -1;
    void* copy = alloc(static_cast<uint32_t>(bytes));
    if (!copy) return -1;
    std::memcpy(copy, source, bytes);
    *destination = copy;
    return 0;
}

void ReleaseList(TypedList* list, const ElementShape& shape, PropReleaseFn release);

// Releases what one element owns (its strings and string lists).
void ReleaseElement(void* element, const ElementShape& shape, PropReleaseFn release) {
    for (uint8_t i = 0; i < shape.stringCount; ++i) {
        char** text = StringAt(element, shape.strings[i]);
        release(*text);
        *text = nullptr;
    }
    for (uint8_t i = 0; i < shape.listCount; ++i)
        ReleaseList(ListAt(element, shape.lists[i]), StringElement, release);
}

void ReleaseList(TypedList* list, const ElementShape& shape, PropReleaseFn release) {
    auto* bytes = static_cast<unsigned char*>(list->items);
    if (bytes && (shape.stringCount || shape.listCount)) {
        for (uint32_t i = 0; i < list->count; ++i)
            ReleaseElement(bytes + static_cast<size_t>(i) * shape.size, shape, release);
    }
    release(list->items);
    list->items = nullptr;
    list->count = 0;
}

// Copies a list with the array as it stands, then replaces every owned
// pointer of every element by its own copy. On failure the pointers not yet
// replaced are cleared first, so that the release walk frees only copies.
int CopyList(TypedList* destination, const TypedList* source, const ElementShape& shape,
             PropAllocFn alloc) {
    uint32_t count = source->items ? source->count : 0;
    destination->count = 0;
    if (CopyArray(&destination->items, source->items, count, shape.size, alloc) != 0) return -1;
    destination->count = destination->items ? count : 0;
    if (!shape.stringCount && !shape.listCount) return 0;

    auto* bytes = static_cast<unsigned char*>(destination->items);
    uint32_t done = 0;
    int failed = 0;
    for (; done < destination->count && !failed; ++done) {
        void* element = bytes + static_cast<size_t>(done) * shape.size;
        // Detach the element from the source's blocks before copying into it.
        const char* strings[3] = {};
        TypedList lists[2] = {};
        for (uint8_t i = 0; i < shape.stringCount; ++i) {
            strings[i] = *StringAt(element, shape.strings[i]);
            *StringAt(element, shape.strings[i]) = nullptr;
        }
        for (uint8_t i = 0; i < shape.listCount; ++i) {
            lists[i] = *ListAt(element, shape.lists[i]);
            *ListAt(element, shape.lists[i]) = TypedList{};
        }
        for (uint8_t i = 0; i < shape.stringCount && !failed; ++i)
            failed = CopyString(StringAt(element, shape.strings[i]), strings[i], alloc);
        for (uint8_t i = 0; i < shape.listCount && !failed; ++i)
            failed = CopyList(ListAt(element, shape.lists[i]), &lists[i], StringElement, alloc);
    }
    if (!failed) return 0;
    // Elements after the failing one still point at the source's blocks.
    for (uint32_t i = done; i < destination->count; ++i) {
        void* element = bytes + static_cast<size_t>(i) * shape.size;
        for (uint8_t k = 0; k < shape.stringCount; ++k) *StringAt(element, shape.strings[k]) = nullptr;
        for (uint8_t k = 0; k < shape.listCount; ++k) *ListAt(element, shape.lists[k]) = TypedList{};
    }
    return -1;
}

int CopyValList(TypedList* destination, const TypedList* source, PropAllocFn alloc);
void ReleaseValList(TypedList* list, PropReleaseFn release);

} // namespace

void* PropAllocLibrary(uint32_t size) { return MemAlloc(size, 0); }
void PropReleaseLibrary(void* block) { MemFree(block); }

void TypedValRelease(TypedVal* value, PropReleaseFn release) {
    if (!value) return;
    TypedPayload& payload = value->value;
    if (value->kind == TypedString) {
        release(payload.string);
        payload.string = nullptr;
    } else if (const ElementShape* shape = ListShapeOf(value->kind)) {
        ReleaseList(&payload.list, *shape, release);
    } else if (value->kind == TypedRecord) {
        release(payload.record);
        payload.record = nullptr;
    } else if (value->kind == TypedValList) {
        if (payload.record) {
            ReleaseValList(static_cast<TypedList*>(payload.record), release);
            release(payload.record);
            payload.record = nullptr;
        }
    }
}

void TypedValFree(TypedVal* value) { TypedValRelease(value, PropReleaseLibrary); }

int TypedValCopy(TypedVal* destination, const TypedVal* source, PropAllocFn alloc) {
    std::memmove(destination, source, sizeof(TypedVal));
    TypedPayload& out = destination->value;
    const TypedPayload& in = source->value;
    int failed = 0;
    if (source->kind == TypedString) {
        failed = CopyString(&out.string, in.string, alloc);
    } else if (const ElementShape* shape = ListShapeOf(source->kind)) {
        TypedList from = in.list;
        failed = CopyList(&out.list, &from, *shape, alloc);
    } else if (source->kind == TypedRecord) {
        failed = CopyArray(&out.record, in.record, 1, PlainRecordSize, alloc);
    } else if (source->kind == TypedValList) {
        const auto* from = static_cast<const TypedList*>(in.record);
        out.record = nullptr;
        if (from) {
            auto* holder = static_cast<TypedList*>(alloc(sizeof(TypedList)));
            if (!holder) {
                failed = -1;
            } else {
                *holder = TypedList{};
                out.record = holder;
                failed = CopyValList(holder, from, alloc);
            }
        }
    }
    if (failed) {
        TypedValFree(destination);
        return -1;
    }
    return 0;
}

namespace {

int CopyValList(TypedList* destination, const TypedList* source, PropAllocFn alloc) {
    uint32_t count = source->items ? source->count : 0;
    *destination = TypedList{};
    if (count == 0) return 0;
    uint64_t bytes = static_cast<uint64_t>(count) * sizeof(TypedVal);
    if (bytes > UINT32_MAX) return -1;
    auto* values = static_cast<TypedVal*>(alloc(static_cast<uint32_t>(bytes)));
    if (!values) return -1;
    std::memset(values, 0, bytes);
    destination->items = values;
    const auto* from = static_cast<const TypedVal*>(source->items);
    for (uint32_t i = 0; i < count; ++i) {
        if (TypedValCopy(&values[i], &from[i], alloc) != 0) {
            destination->count = i; // the failed one owns nothing
            ReleaseValList(destination, PropReleaseLibrary);
            return -1;
        }
        destination->count = i + 1;
    }
    return 0;
}

void ReleaseValList(TypedList* list, PropReleaseFn release) {
    auto* values = static_cast<TypedVal*>(list->items);
    if (values) {
        for (uint32_t i = 0; i < list->count; ++i) TypedValRelease(&values[i], release);
    }
    release(list->items);
    list->items = nullptr;
    list->count = 0;
}

// Deep copy of one entry into zeroed storage. The identifier is copied as it
// stands; only an entry identified by name (number 0) owns its name, so only
// that name is duplicated. A numbered entry's name pointer is carried along
// untouched, owned by no list.
int CopyEntry(PropVal* destination, const PropVal* source, PropAllocFn alloc) {
    destination->ident = source->ident;
    if (source->ident.number == 0) {
        destination->ident.name = nullptr;
        if (CopyString(&destination->ident.name, source->ident.name, alloc) != 0) return -1;
    }
    if (TypedValCopy(&destination->value, &source->value, alloc) != 0) {
        if (source->ident.number == 0) PropReleaseLibrary(destination->ident.name);
        destination->ident.name = nullptr;
        return -1;
    }
    return 0;
}

} // namespace

PropVals PropValsAlloc(uint32_t count) {
    if (count == 0 || count > UINT32_MAX / sizeof(PropVal)) return PropVals{0, nullptr};
    auto* entries = static_cast<PropVal*>(MemCalloc(count, sizeof(PropVal), 0));
    if (!entries) return PropVals{0, nullptr};
    return PropVals{count, entries};
}

void PropValsRelease(PropVals* list, PropReleaseFn release) {
    if (!list) return;
    if (list->entries) {
        for (uint32_t i = 0; i < list->count; ++i) {
            PropVal& entry = list->entries[i];
            if (entry.ident.number == 0) {
                release(entry.ident.name);
                entry.ident.name = nullptr;
            }
            TypedValRelease(&entry.value, release);
        }
    }
    release(list->entries);
    list->entries = nullptr;
    list->count = 0;
}

void PropValsFree(PropVals* list) { PropValsRelease(list, PropReleaseLibrary); }

int PropValsCopy(PropVals* destination, const PropVals* source, PropAllocFn alloc) {
    *destination = PropVals{0, nullptr};
    uint32_t count = source->entries ? source->count : 0;
    if (count == 0) return 0;
    uint64_t bytes = static_cast<uint64_t>(count) * sizeof(PropVal);
    if (bytes > UINT32_MAX) return -1;
    auto* entries = static_cast<PropVal*>(alloc(static_cast<uint32_t>(bytes)));
    if (!entries) return -1;
    std::memset(entries, 0, bytes);
    destination->entries = entries;
    for (uint32_t i = 0; i < count; ++i) {
        if (CopyEntry(&entries[i], &source->entries[i], alloc) != 0) {
            destination->count = i;
            PropValsFree(destination);
            return -1;
        }
        destination->count = i + 1;
    }
    return 0;
}

int PropValsSet(PropVals* list, int32_t number, const TypedVal* value) {
    TypedVal copy;
    if (TypedValCopy(&copy, value, PropAllocLibrary) != 0) return -1;

    uint32_t count = list->entries ? list->count : 0;
    for (uint32_t i = 0; i < count; ++i) {
        PropVal& entry = list->entries[i];
        if (entry.ident.number != number) continue;
        if (entry.ident.number == 0) MemFree(entry.ident.name);
        entry.ident.name = nullptr;
        TypedValFree(&entry.value);
        entry.ident.number = number;
        entry.value = copy;
        return 0;
    }

    // The list keeps no capacity of its own: the array is resized on every
    // append, to the next power of two from 8 that exceeds the count.
    uint64_t capacity = 8;
    while (capacity <= count) capacity *= 2;
    if (capacity * sizeof(PropVal) > UINT32_MAX) {
        TypedValFree(&copy);
        return -1;
    }
    auto* grown = static_cast<PropVal*>(
        MemRealloc(list->entries, static_cast<uint32_t>(capacity * sizeof(PropVal)), 0));
    if (!grown) {
        TypedValFree(&copy);
        return -1;
    }
    list->entries = grown;
    grown[count].ident = PropIdent{number, nullptr};
    grown[count].value = copy;
    list->count = count + 1;
    return 0;
}

int PropValsSetString(PropVals* list, int32_t number, const char* text) {
    TypedVal value{};
    value.kind = TypedString;
    value.value.string = const_cast<char*>(text);
    return PropValsSet(list, number, &value);
}

int PropValsStatusBit(const PropVals* list, int32_t bit) {
    if (!list || !list->entries) {
        HostErrorCode = HostErrorNoStatusEntry;
        return 0;
    }
    const PropVal* status = nullptr;
    const int32_t statusNumbers[] = {3, 1};
    for (int32_t wanted : statusNumbers) {
        for (uint32_t i = 0; i < list->count && !status; ++i)
            if (list->entries[i].ident.number == wanted) status = &list->entries[i];
        if (status) break;
    }
    // The status is read as a list of 32-bit words. Lists of 32-bit and of
    // 64-bit numbers hold at least count words; any other value (an integer,
    // a string, a byte list) has no such array, and reading one would run
    // through whatever its payload holds.
    uint32_t kind = status ? status->value.kind : 0;
    if (!status || (kind != 5 && kind != 13 && kind != 15 && kind != 7 && kind != 12)) {
        HostErrorCode = HostErrorNoStatusEntry;
        return 0;
    }
    const TypedList& words = status->value.value.list;
    uint64_t bits = words.items ? static_cast<uint64_t>(words.count) * 32 : 0;
    if (bit < 0 || static_cast<uint64_t>(bit) >= bits) {
        HostErrorCode = HostErrorStatusBitRange;
        return 0;
    }
    uint32_t word = static_cast<const uint32_t*>(words.items)[bit / 32];
    return static_cast<int>((word >> (bit % 32)) & 1u);
}
