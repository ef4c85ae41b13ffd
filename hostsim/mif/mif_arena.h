// Memory for the vectors of MIF statement trees. A file read fills chunks of
// memory from the front instead of asking the heap once per vector, and its
// tree is freed a chunk at a time: a chunk goes back when the last vector
// in it is freed, so a vector moved out of a tree keeps its memory and
// nothing can point into freed memory. Outside a read (trees the host
// writes, copies of read trees) vectors take their memory from the heap.
//
// The chunks and their counts belong to the thread that read them and are
// not locked: a tree read on one thread may be freed on another only when
// the first no longer reads or frees trees (it has ended, or waits).
#pragma once

#include <cstddef>
#include <new>

// While one lives, the tree vectors this thread makes take their memory from
// chunks; the chunk in use is closed when the last one ends.
struct MifArenaScope {
    MifArenaScope();
    ~MifArenaScope();
    MifArenaScope(const MifArenaScope&) = delete;
    MifArenaScope& operator=(const MifArenaScope&) = delete;
};

// `bytes` for a tree vector: from a chunk within a scope (small requests),
// else from the heap. Throws std::bad_alloc when there is no memory.
void* MifTreeAllocate(size_t bytes);
// Frees what MifTreeAllocate gave, wherever it came from.
void MifTreeFree(void* p) noexcept;

// The allocator of the statement tree's vectors. It has no state, so every
// vector can take over another's memory when it is moved.
template <class T> struct MifAllocator {
    using value_type = T;
    MifAllocator() noexcept = default;
    template <class U> MifAllocator(const MifAllocator<U>&) noexcept {}
    T* allocate(size_t n) {
        if (n > size_t(-1) / 2 / sizeof(T)) throw std::bad_array_new_length();
        return static_cast<T*>(MifTreeAllocate(n * sizeof(T)));
    }
    void deallocate(T* p, size_t) noexcept { MifTreeFree(p); }
    template <class U> bool operator==(const MifAllocator<U>&) const noexcept { return true; }
};
