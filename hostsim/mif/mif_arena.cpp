// Chunks for the vectors of MIF trees read from files, freed when the last
// vector in them is (see mif_arena.h).
#include "hostsim/mif/mif_arena.h"

#include <cstddef>
#include <cstdint>
#include <new>
#include <utility>

namespace {

// A chunk: its count of live allocations, then the allocations.
struct alignas(std::max_align_t) Chunk {
    size_t live = 0;
    bool open = true;       // still filled by the read under way
    Chunk* spare = nullptr; // kept for the next read: the next kept chunk
};

// Before every allocation: the chunk it is in, null for one from the heap.
// Its size keeps what follows it aligned as the heap's own blocks are.
struct alignas(std::max_align_t) Header {
    Chunk* chunk;
};

constexpr size_t ChunkBytes = 64 * 1024;
// Larger requests (the children of a long flow) go to the heap: a chunk
// holds many small vectors, and a large one would keep a chunk for itself.
constexpr size_t LargestInChunk = 4096;

// Chunks freed are kept for the next read, up to this many (4 MiB, about
// a large chapter's tree): memory handed back to the system would cost a
// page fault per page when the next chapter is read.
constexpr size_t SparesKept = 64;

struct ThreadArena {
    int scopes = 0;
    Chunk* current = nullptr;
    char* next = nullptr;
    char* limit = nullptr;
    Chunk* spares = nullptr;
    size_t spareCount = 0;
    bool ended = false; // the thread is ending: nothing more is kept
    ~ThreadArena() {
        ended = true;
        while (spares) ::operator delete(std::exchange(spares, spares->spare));
    }
};
thread_local ThreadArena arena;

// A chunk nothing is in any more: kept for the next read, or freed.
void Release(Chunk* chunk) {
    if (arena.ended || arena.spareCount >= SparesKept) {
        ::operator delete(chunk);
        return;
    }
    chunk->spare = arena.spares;
    arena.spares = chunk;
    ++arena.spareCount;
}

// The read no longer fills the chunk: it goes when its last allocation does.
void Close(Chunk* chunk) {
    chunk->open = false;
    if (chunk->live == 0) Release(chunk);
}

// A chunk's memory: a kept one, else from the heap (throws std::bad_alloc).
void* NewChunk() {
    if (!arena.spares) return ::operator new(ChunkBytes);
    --arena.spareCount;
    return std::exchange(arena.spares, arena.spares->spare);
}

void* FromChunk(size_t need) {
    if (!arena.current || (size_t)(arena.limit - arena.next) < need) {
        void* memory = NewChunk();
        if (arena.current) Close(arena.current);
        arena.current = new (memory) Chunk;
        arena.next = static_cast<char*>(memory) + sizeof(Chunk);
        arena.limit = static_cast<char*>(memory) + ChunkBytes;
    }
    Header* h = reinterpret_cast<Header*>(arena.next);
    arena.next += need;
    h->chunk = arena.current;
    ++arena.current->live;
    return h + 1;
}

} // namespace

MifArenaScope::MifArenaScope() { ++arena.scopes; }

MifArenaScope::~MifArenaScope() {
    if (--arena.scopes > 0 || !arena.current) return;
    Close(arena.current);
    arena.current = nullptr;
    arena.next = arena.limit = nullptr;
}

void* MifTreeAllocate(size_t bytes) {
    if (bytes > SIZE_MAX / 2) throw std::bad_alloc();
    size_t need = sizeof(Header) + ((bytes + alignof(Header) - 1) & ~(alignof(Header) - 1));
    if (arena.scopes && need <= LargestInChunk) return FromChunk(need);
    Header* h = static_cast<Header*>(::operator new(sizeof(Header) + bytes));
    h->chunk = nullptr;
    return h + 1;
}

void MifTreeFree(void* p) noexcept {
    if (!p) return;
    Header* h = static_cast<Header*>(p) - 1;
    Chunk* chunk = h->chunk;
    if (!chunk) {
        ::operator delete(h);
        return;
    }
    if (--chunk->live == 0 && !chunk->open) Release(chunk);
}
