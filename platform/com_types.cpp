// IID_IUnknown and the task allocator over the C heap.
#include "platform/com_types.h"

#include <cstdlib>

#ifndef _WIN32
const IID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

namespace {
long outstanding = 0;
}

void* CoTaskMemAlloc(SIZE_T size) {
    void* block = std::malloc(size ? size : 1);
    if (block) ++outstanding;
    return block;
}

void CoTaskMemFree(void* block) {
    if (!block) return;
    --outstanding;
    std::free(block);
}

long PlatformTaskBlocksOutstanding() { return outstanding; }
#else
long PlatformTaskBlocksOutstanding() { return 0; }
#endif
