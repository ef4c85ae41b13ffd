// Memory for the arrays of MIF statement trees. A file read fills chunks of
// memory from the front instead of asking the heap once per array, and its
// tree is freed a chunk at a time: a chunk goes back when the last array in
// it is freed, so an array moved out of a tree keeps its memory and nothing
// can point into freed memory. Outside a read (trees the host writes, copies
// of read trees) arrays take their memory from the heap.
//
// An array in a chunk carries no header: chunks are aligned to their size,
// so the chunk of any address in it is found by masking, and the array
// itself remembers whether its memory came from a chunk (MifVec).
//
// The chunk a read fills belongs to the thread that reads. The count of a
// chunk is not locked: the arrays of one tree are freed by one thread at a
// time, and a tree read on one thread is used or freed on another only once
// its read has ended (a book's next document is read on a thread of its
// own, mif_parse_ahead.h). Chunks freed are kept for the reads of every
// thread.
#pragma once

#include <cstddef>

// While one lives, the tree arrays this thread makes take their memory from
// chunks; the chunk in use is closed when the last one ends.
struct MifArenaScope {
    MifArenaScope();
    ~MifArenaScope();
    MifArenaScope(const MifArenaScope&) = delete;
    MifArenaScope& operator=(const MifArenaScope&) = delete;
};

// `bytes` for a tree array, aligned for any of its elements: from a chunk
// within a scope (small requests; `*inChunk` says so), else from the heap
// (std::malloc, so that memory the reader got from it may become an array).
// Throws std::bad_alloc when there is no memory.
void* MifTreeAllocate(size_t bytes, bool* inChunk);
// Frees what MifTreeAllocate gave, with what it said of `inChunk`.
void MifTreeFree(void* p, bool inChunk) noexcept;

// The memory the chunks take from the system now: those in use, and those
// kept for the next read.
size_t MifArenaBytesHeld();
