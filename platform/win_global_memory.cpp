// Global memory over the C heap. Only movable handles are modelled: the record
// stays put and its bytes move on resize, which is what callers may rely on.
#ifndef _WIN32
#include "platform/win_global_memory.h"

#include <cstdlib>
#include <cstring>

namespace {
struct GlobalBlock {
    unsigned char* bytes;
    SIZE_T size;
    unsigned locks;
};
} // namespace

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes) {
    auto* block = static_cast<GlobalBlock*>(std::calloc(1, sizeof(GlobalBlock)));
    if (!block) return nullptr;
    // Zero-sized blocks still get storage so that a lock yields a pointer.
    block->bytes = static_cast<unsigned char*>(
        (flags & GMEM_ZEROINIT) ? std::calloc(1, bytes ? bytes : 1) : std::malloc(bytes ? bytes : 1));
    if (!block->bytes) {
        std::free(block);
        return nullptr;
    }
    block->size = bytes;
    return block;
}

HGLOBAL GlobalReAlloc(HGLOBAL mem, SIZE_T bytes, UINT flags) {
    auto* block = static_cast<GlobalBlock*>(mem);
    if (!block) return nullptr;
    auto* grown = static_cast<unsigned char*>(std::realloc(block->bytes, bytes ? bytes : 1));
    if (!grown) return nullptr;
    if ((flags & GMEM_ZEROINIT) && bytes > block->size)
        std::memset(grown + block->size, 0, bytes - block->size);
    block->bytes = grown;
    block->size = bytes;
    return block;
}

HGLOBAL GlobalFree(HGLOBAL mem) {
    auto* block = static_cast<GlobalBlock*>(mem);
    if (block) {
        std::free(block->bytes);
        std::free(block);
    }
    return nullptr;
}

LPVOID GlobalLock(HGLOBAL mem) {
    auto* block = static_cast<GlobalBlock*>(mem);
    if (!block) return nullptr;
    ++block->locks;
    return block->bytes;
}

BOOL GlobalUnlock(HGLOBAL mem) {
    auto* block = static_cast<GlobalBlock*>(mem);
    if (!block || block->locks == 0) return FALSE;
    return --block->locks != 0;
}
#endif
