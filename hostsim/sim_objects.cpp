// The simulated host's object store (SimObjects in sim_model.h): chunks of
// slots indexed by local id, objects built in their slots as they are made,
// and copies of the whole store taken only when a shared one is changed.
#include "hostsim/sim_model.h"

#include "hostsim/large_pages.h"

#include <algorithm>
#include <bit>
#include <memory>
#include <new>
#include <stdexcept>
#include <tuple>

namespace {

using Chunk = SimObjects::Chunk;

// Chunks come from slabs of large pages (large_pages.h): a document of many
// thousands of objects costs a page fault per 2 MB rather than per 4 KB.
LargePagePool* Pool() {
    static LargePagePool* pool = LargePagePoolMake(sizeof(Chunk), alignof(Chunk), 1);
    return pool;
}

Chunk* NewChunk() { return new (LargePageBlock(Pool())) Chunk; }

void FreeChunk(Chunk* chunk) noexcept {
    chunk->~Chunk();
    LargePageFree(Pool(), chunk);
}

// The slots of a chunk that hold an object, in order.
template <typename F> void ForEachPresent(const Chunk& chunk, F f) {
    for (size_t word = 0; word < std::size(chunk.present); ++word)
        for (uint64_t bits = chunk.present[word]; bits; bits &= bits - 1)
            f(word * 64 + size_t(std::countr_zero(bits)));
}

} // namespace

// Delegating first makes this a whole store at once: should a copy throw,
// the destructor frees what was copied so far.
SimObjects::Store::Store(const Store& other) : Store() {
    chunks.reserve(other.chunks.size());
    for (const Chunk* from : other.chunks) {
        chunks.push_back(NewChunk());
        Chunk* to = chunks.back();
        ForEachPresent(*from, [&](size_t i) {
            const SimObject& was = from->slots[i].entry.second;
            SimObject& copy = std::construct_at(&to->slots[i].entry, from->slots[i].entry)->second;
            // A copy of the store is a copy of its document, which keeps the
            // bytes its texts view alive: views stay views.
            copy.text.ShareFrom(was.text);
            copy.name.ShareFrom(was.name);
            to->present[i / 64] |= uint64_t(1) << (i % 64);
            ++present;
        });
    }
}

SimObjects::Store::~Store() {
    for (Chunk* chunk : chunks) {
        ForEachPresent(*chunk, [&](size_t i) { std::destroy_at(&chunk->slots[i].entry); });
        FreeChunk(chunk);
    }
}

void SimObjects::OwnSlow() {
    if (!store) store = std::make_shared<Store>();
    else if (store.use_count() > 1) store = std::make_shared<Store>(*store);
}

SimObject& SimObjects::at(ObjId id) {
    if (!Has(id)) throw std::out_of_range("SimObjects::at: no object of that id");
    Own();
    return EntryOf(id).second;
}

const SimObject& SimObjects::at(ObjId id) const {
    if (!Has(id)) throw std::out_of_range("SimObjects::at: no object of that id");
    return EntryOf(id).second;
}

SimObject& SimObjects::Make(ObjId id) {
    Own();
    std::vector<Chunk*>& chunks = store->chunks;
    size_t needed = id / ChunkSlots + 1;
    if (needed > chunks.capacity()) chunks.reserve(std::max(needed, chunks.capacity() * 2));
    // Room is reserved: only the chunk's own allocation can throw.
    while (id >= Slots()) chunks.push_back(NewChunk());
    Chunk& chunk = *store->chunks[id / ChunkSlots];
    size_t i = id % ChunkSlots;
    if (!chunk.Has(i)) {
        // Built in place: the object is never made elsewhere and moved in.
        std::construct_at(&chunk.slots[i].entry, std::piecewise_construct,
                          std::forward_as_tuple(id), std::forward_as_tuple());
        chunk.present[i / 64] |= uint64_t(1) << (i % 64);
        ++store->present;
    }
    return chunk.slots[i].entry.second;
}

size_t SimObjects::erase(ObjId id) {
    if (!Has(id)) return 0;
    Own();
    Chunk& chunk = *store->chunks[id / ChunkSlots];
    size_t i = id % ChunkSlots;
    std::destroy_at(&chunk.slots[i].entry);
    chunk.present[i / 64] &= ~(uint64_t(1) << (i % 64));
    --store->present;
    return 1;
}

size_t SimObjects::NextPresent(size_t id) const {
    size_t end = Slots();
    while (id < end) {
        const Chunk& chunk = *store->chunks[id / ChunkSlots];
        size_t i = id % ChunkSlots;
        uint64_t bits = chunk.present[i / 64] >> (i % 64);
        if (bits) return id + size_t(std::countr_zero(bits));
        id += 64 - i % 64; // on to the next word of bits
    }
    return end;
}

void SimObjects::Prefetch(ObjId first, ObjId end) const {
    end = ObjId(std::min<size_t>({end, Slots(), size_t(first) + 64}));
    for (ObjId id = first; id < end; ++id) {
        const Chunk* chunk = store->chunks[id / ChunkSlots];
        if (id == first || id % ChunkSlots == 0) __builtin_prefetch(chunk->present);
        const char* slot = reinterpret_cast<const char*>(&chunk->slots[id % ChunkSlots]);
        __builtin_prefetch(slot);
        __builtin_prefetch(slot + 64);
    }
}
