// Chunks for the arrays of MIF trees read from files, freed when the last
// array in them is (see mif_arena.h).
#include "hostsim/mif/mif_arena.h"

#include "hostsim/large_pages.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

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
    bool open = true; // still filled by the read under way
};

// Chunks come from a pool of large pages (large_pages.h), which keeps memory
// for two slabs of them (4 MiB, about a large chapter's tree) for the next
// read, of every thread: a book's chapters may be read on one and freed on
// another.
LargePagePool* Pool() {
    static LargePagePool* pool = LargePagePoolMake(ChunkBytes, ChunkBytes, 2);
    return pool;
}

struct ThreadArena {
    int scopes = 0;
    Chunk* current = nullptr;
    char* next = nullptr;
    char* limit = nullptr;
};
thread_local ThreadArena arena;

// A chunk nothing is in any more.
void Release(Chunk* chunk) {
    chunk->~Chunk();
    LargePageFree(Pool(), chunk);
}

// The read no longer fills the chunk: it goes when its last array does.
void Close(Chunk* chunk) {
    chunk->open = false;
    if (chunk->live == 0) Release(chunk);
}

void* FromChunk(size_t need) {
    if (!arena.current || (size_t)(arena.limit - arena.next) < need) {
        void* memory = LargePageBlock(Pool());
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
    if (*inChunk) return FromChunk(need);
    void* p = std::malloc(bytes ? bytes : 1);
    if (!p) throw std::bad_alloc();
    return p;
}

void MifTreeFree(void* p, bool inChunk) noexcept {
    if (!p) return;
    if (!inChunk) {
        std::free(p);
        return;
    }
    Chunk* chunk = reinterpret_cast<Chunk*>(reinterpret_cast<uintptr_t>(p) & ~uintptr_t(ChunkBytes - 1));
    if (--chunk->live == 0 && !chunk->open) Release(chunk);
}

size_t MifArenaBytesHeld() { return LargePageBytesHeld(Pool()); }
