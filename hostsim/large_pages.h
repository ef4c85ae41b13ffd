// Blocks of one size for the host's large structures (the chunks of a MIF
// tree, the chunks of a document's objects), cut from slabs of one large
// page each on Linux: a structure of tens of megabytes then costs a page
// fault per 2 MB slab rather than one per 4 KB page, and no memory goes to
// aligning each block. A block freed is cut again from its slab; a slab none
// of whose blocks is in use is kept for the next ones (up to a number the
// pool says), else given back to the system. Once a process has taken a
// few slabs from the system, the next ones are made ahead on a thread of
// their own, so that the kernel clears their pages on another processor.
// Elsewhere each block comes from the heap, and blocks freed are kept for the next ones, as many as the slabs
// kept would hold.
//
// A pool may be used from several threads at once.
#pragma once

#include <cstddef>

struct LargePagePool;

// A pool of blocks of `blockBytes` (16 KiB to 2 MiB), each aligned to
// `align` (a power of two that divides `blockBytes`), keeping up to
// `slabsKept` slabs that no block is cut from. The host's pools are never
// freed: blocks may be freed as the program ends.
LargePagePool* LargePagePoolMake(size_t blockBytes, size_t align, size_t slabsKept);
// Frees a pool none of whose blocks is in use, and the slabs it keeps.
void LargePagePoolFree(LargePagePool* pool);
// A block; throws std::bad_alloc when there is no memory.
void* LargePageBlock(LargePagePool* pool);
// Gives back a block the pool gave.
void LargePageFree(LargePagePool* pool, void* block) noexcept;
// The memory the pool takes from the system now: blocks in use, and what
// it keeps.
size_t LargePageBytesHeld(LargePagePool* pool);

// Asks that memory of `size` bytes at `p`, not touched yet, be given in
// large pages where whole ones fit in it (a file's buffer of tens of
// megabytes then costs a page fault per 2 MB); the memory taken is no more
// than before. Nothing where the system has no large pages to ask for.
void LargePagesAdvise(void* p, size_t size);
