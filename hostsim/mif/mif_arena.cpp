// Chunks for the arrays of MIF trees read from files, freed when the last
// array in them is (see mif_arena.h).
#include "hostsim/mif/mif_arena.h"

#include "hostsim/large_pages.h"

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <new>
#include <utility>

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

// Chunks are cut from slabs of large pages (large_pages.h), which keep two
// slabs no chunk is cut from for the next read (4 MiB, about a large
// chapter's tree). Where blocks come from the heap, chunks freed are kept
// for the next read instead, up to as many: memory handed back to the system
// would cost a page fault per page when the next chapter is read. Either way
// they are kept for every thread: a book's chapters may be read on one and
// freed on another.
#if defined(__linux__)
constexpr size_t SparesKept = 0;
#else
constexpr size_t SparesKept = 64;
#endif

LargePagePool* Pool() {
    static LargePagePool* pool = LargePagePoolMake(ChunkBytes, ChunkBytes, 2);
    return pool;
}

void* NewChunkMemory() { return LargePageBlock(Pool()); }
void DeleteChunkMemory(void* p) noexcept { LargePageFree(Pool(), p); }

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

size_t MifArenaBytesHeld() { return LargePageBytesHeld(Pool()); }
