// Chunks for the arrays of MIF trees read from files, freed when the last
// array in them is (see mif_arena.h).
#include "hostsim/mif/mif_arena.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <new>
#include <utility>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace {

constexpr size_t ChunkBytes = 64 * 1024;
// Larger requests (the paragraphs of a long flow) go to the heap: a chunk
// holds many small arrays, and a large one would keep a chunk for itself.
constexpr size_t LargestInChunk = 4096;
// Arrays in a chunk start at multiples of this: enough for every element
// kind of the tree (pointers, 32-bit numbers).
constexpr size_t Grain = alignof(void*);

// At the start of each chunk: its count of live arrays, then the arrays.
struct alignas(std::max_align_t) Chunk {
    size_t live = 0;
    bool open = true;       // still filled by the read under way
    Chunk* spare = nullptr; // kept for the next read: the next kept chunk
};

#if defined(__linux__)
// Chunks are cut from slabs of one large page each: a tree of tens of
// megabytes then costs a page fault per 2 MB rather than one per 4 KB, and
// no memory goes to aligning each chunk. A chunk freed is cut again from
// its slab; a slab none of whose chunks is in use is kept for the next read
// (up to SlabsKept of them: 4 MiB, about a large chapter's tree), else given
// back to the system.
constexpr size_t SlabBytes = size_t(2) << 20;
constexpr size_t SlabsKept = 2;
static_assert(SlabBytes / ChunkBytes == 32, "a slab's chunks are the bits of a 32-bit word");
constexpr size_t SparesKept = 0; // the slabs keep them

struct Slabs {
    std::mutex lock;
    std::map<uintptr_t, uint32_t> held; // every slab held, with its chunks in use (a bit each)
    size_t empty = 0;                   // slabs held with none in use
};
Slabs& slabs = *new Slabs; // never destroyed, as `spares` below

uintptr_t NewSlab() {
    void* p = ::mmap(nullptr, 2 * SlabBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    // Aligned to its size, the rest of the mapping given back.
    uintptr_t at = reinterpret_cast<uintptr_t>(p), slab = (at + SlabBytes - 1) & ~uintptr_t(SlabBytes - 1);
    if (slab > at) ::munmap(p, slab - at);
    if (slab + SlabBytes < at + 2 * SlabBytes)
        ::munmap(reinterpret_cast<void*>(slab + SlabBytes), at + SlabBytes - slab);
    (void)::madvise(reinterpret_cast<void*>(slab), SlabBytes, MADV_HUGEPAGE);
    return slab;
}

void* NewChunkMemory() {
    std::lock_guard<std::mutex> held(slabs.lock);
    auto slab = std::find_if(slabs.held.begin(), slabs.held.end(), [](const auto& s) { return s.second != ~0u; });
    if (slab == slabs.held.end()) {
        uintptr_t made = NewSlab();
        try {
            slab = slabs.held.emplace(made, 0).first;
        } catch (...) {
            ::munmap(reinterpret_cast<void*>(made), SlabBytes);
            throw;
        }
    } else if (slab->second == 0) {
        --slabs.empty;
    }
    int free = std::countr_one(slab->second);
    slab->second |= uint32_t(1) << free;
    return reinterpret_cast<void*>(slab->first + size_t(free) * ChunkBytes);
}

void DeleteChunkMemory(void* p) noexcept {
    std::lock_guard<std::mutex> held(slabs.lock);
    uintptr_t at = reinterpret_cast<uintptr_t>(p);
    auto slab = slabs.held.find(at & ~uintptr_t(SlabBytes - 1));
    slab->second &= ~(uint32_t(1) << ((at - slab->first) / ChunkBytes));
    if (slab->second) return;
    if (slabs.empty < SlabsKept) {
        ++slabs.empty;
        return;
    }
    ::munmap(reinterpret_cast<void*>(slab->first), SlabBytes);
    slabs.held.erase(slab);
}

size_t BytesHeld() {
    std::lock_guard<std::mutex> held(slabs.lock);
    return slabs.held.size() * SlabBytes;
}
#else
// Chunks freed are kept for the next read, up to this many (4 MiB, about
// a large chapter's tree): memory handed back to the system would cost a
// page fault per page when the next chapter is read. They are kept for
// every thread: a book's chapters may be read on one and freed on another.
constexpr size_t SparesKept = 64;

std::atomic<size_t> chunksHeld{0};

void* NewChunkMemory() {
    void* p = ::operator new(ChunkBytes, std::align_val_t(ChunkBytes));
    ++chunksHeld;
    return p;
}
void DeleteChunkMemory(void* p) noexcept {
    ::operator delete(p, std::align_val_t(ChunkBytes));
    --chunksHeld;
}

size_t BytesHeld() { return chunksHeld * ChunkBytes; }
#endif

struct Spares {
    std::mutex lock;
    Chunk* first = nullptr;
    size_t count = 0;
};
// Never destroyed: trees may still be freed as the program ends. What it
// keeps stays reachable, so it is no leak.
Spares& spares = *new Spares;

struct ThreadArena {
    int scopes = 0;
    Chunk* current = nullptr;
    char* next = nullptr;
    char* limit = nullptr;
};
thread_local ThreadArena arena;

// A chunk nothing is in any more: kept for the next read, or freed.
void Release(Chunk* chunk) {
    {
        std::lock_guard<std::mutex> held(spares.lock);
        if (spares.count < SparesKept) {
            chunk->spare = spares.first;
            spares.first = chunk;
            ++spares.count;
            return;
        }
    }
    chunk->~Chunk();
    DeleteChunkMemory(chunk);
}

// The read no longer fills the chunk: it goes when its last array does.
void Close(Chunk* chunk) {
    chunk->open = false;
    if (chunk->live == 0) Release(chunk);
}

// A chunk's memory: a kept one, else from the heap (throws std::bad_alloc).
void* NewChunk() {
    {
        std::lock_guard<std::mutex> held(spares.lock);
        if (spares.first) {
            --spares.count;
            return std::exchange(spares.first, spares.first->spare);
        }
    }
    return NewChunkMemory();
}

void* FromChunk(size_t need) {
    if (!arena.current || (size_t)(arena.limit - arena.next) < need) {
        void* memory = NewChunk();
        if (arena.current) Close(arena.current);
        arena.current = new (memory) Chunk;
        arena.next = static_cast<char*>(memory) + sizeof(Chunk);
        arena.limit = static_cast<char*>(memory) + ChunkBytes;
    }
    void* p = arena.next;
    arena.next += need;
    ++arena.current->live;
    return p;
}

} // namespace

MifArenaScope::MifArenaScope() { ++arena.scopes; }

MifArenaScope::~MifArenaScope() {
    if (--arena.scopes > 0 || !arena.current) return;
    Close(arena.current);
    arena.current = nullptr;
    arena.next = arena.limit = nullptr;
}

void* MifTreeAllocate(size_t bytes, bool* inChunk) {
    if (bytes > SIZE_MAX / 2) throw std::bad_alloc();
    size_t need = (bytes + Grain - 1) & ~(Grain - 1);
    *inChunk = arena.scopes && need && need <= LargestInChunk;
    return *inChunk ? FromChunk(need) : ::operator new(bytes);
}

void MifTreeFree(void* p, bool inChunk) noexcept {
    if (!p) return;
    if (!inChunk) {
        ::operator delete(p);
        return;
    }
    Chunk* chunk = reinterpret_cast<Chunk*>(reinterpret_cast<uintptr_t>(p) & ~uintptr_t(ChunkBytes - 1));
    if (--chunk->live == 0 && !chunk->open) Release(chunk);
}

size_t MifArenaBytesHeld() { return BytesHeld(); }
