// Allocation, the fatal-error path, the assertion hook and the MemHandle family.
#include "support/base/memory.h"

#include "platform/win_exception.h"
#include "platform/win_global_memory.h"
#include "support/base/char_tables.h"

#include <cstdlib>
#include <cstring>

MemFailureHandler MemFailureHook = nullptr;

MemFailureHandler MemSetFailureHook(MemFailureHandler hook) {
    MemFailureHandler previous = MemFailureHook;
    MemFailureHook = hook;
    return previous;
}

namespace {
uint64_t allocationCount = 0;
uint64_t failAt = 0; // allocation number that fails; 0 = none

bool SeamFails() {
    ++allocationCount;
    if (failAt != 0 && allocationCount == failAt) {
        failAt = 0;
        return true;
    }
    return false;
}

// Steps 3-5 of every allocating operation: null, or the fatal path.
void* AllocationFailed(int flags) {
    if (flags & MemFlagFatal) {
        if (MemFailureHook) MemFailureHook();
        FatalError();
    }
    return nullptr;
}
} // namespace

void* MemHeapMalloc(size_t size) { return SeamFails() ? nullptr : std::malloc(size); }
void* MemHeapCalloc(size_t count, size_t size) {
    return SeamFails() ? nullptr : std::calloc(count, size);
}
void* MemHeapRealloc(void* block, size_t size) {
    return SeamFails() ? nullptr : std::realloc(block, size);
}
void MemHeapFree(void* block) { std::free(block); }

void MemFailAllocation(uint64_t n) { failAt = n ? allocationCount + n : 0; }
uint64_t MemAllocationCount() { return allocationCount; }

void* MemAlloc(uint32_t size, int flags) {
    void* block = MemHeapMalloc(size);
    return block ? block : AllocationFailed(flags);
}

void* MemCalloc(uint32_t count, uint32_t size, int flags) {
    void* block = MemHeapCalloc(count, size);
    return block ? block : AllocationFailed(flags);
}

void* MemRealloc(void* block, uint32_t size, int flags) {
    void* grown = MemHeapRealloc(block, size);
    return grown ? grown : AllocationFailed(flags);
}

int MemFree(void* block) {
    if (block) MemHeapFree(block);
    return 0;
}

int MemFreeRef(void* blockVariable) {
    if (blockVariable) MemFree(*static_cast<void**>(blockVariable));
    return 0;
}

int MemZero(void* buffer, int32_t length) {
    if (!buffer) return 1;
    if (length > 0) std::memset(buffer, 0, static_cast<size_t>(length));
    return 0;
}

int MemCopy(const void* source, void* destination, int32_t length) {
    if (!source || !destination) return 1;
    if (length > 0) std::memmove(destination, source, static_cast<size_t>(length));
    return 0;
}

int MemEqual(const void* a, const void* b, int32_t length) {
    if (!a || !b) return 0;
    return length <= 0 || std::memcmp(a, b, static_cast<size_t>(length)) == 0;
}

int MemFill(void* buffer, int value, int32_t length) {
    if (!buffer) return 1;
    if (length > 0) std::memset(buffer, value, static_cast<size_t>(length));
    return 0;
}

void* MemDup(const void* source, uint32_t size, int flags) {
    if (!source) return nullptr;
    void* copy = MemAlloc(size, flags);
    if (copy && size) std::memcpy(copy, source, size);
    return copy;
}

void FatalError() { RaiseException(FatalErrorCode, 0, 0, nullptr); }

void AssertDefaultHandler(void*) { FatalError(); }

AssertHandler AssertHook() {
    return reinterpret_cast<AssertHandler>(const_cast<void*>(CharTableSet[CharAssertHookEntry]));
}

AssertHandler SetAssertHook(AssertHandler hook) {
    AssertHandler previous = AssertHook();
    CharTableSet[CharAssertHookEntry] =
        reinterpret_cast<const void*>(hook ? hook : &AssertDefaultHandler);
    return previous;
}

void AssertFailed() {
    AssertHandler hook = AssertHook();
    if (hook != &AssertDefaultHandler) hook(reinterpret_cast<void*>(&AssertDefaultHandler));
    FatalError();
}

// ---- MemHandle: [uint32 user size][user bytes], in a movable global block.

namespace {
uint32_t HeaderSize(HGLOBAL mem) {
    auto* header = static_cast<uint32_t*>(GlobalLock(mem));
    uint32_t size = header ? *header : 0;
    GlobalUnlock(mem);
    return size;
}
} // namespace

MemHandle MemHandleAlloc(uint32_t size, int flags) {
    if (size >= MemHandleMaxSize) return AllocationFailed(flags);
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size + 4u);
    if (!mem) return AllocationFailed(flags);
    auto* header = static_cast<uint32_t*>(GlobalLock(mem));
    *header = size;
    GlobalUnlock(mem);
    return mem;
}

void* MemHandleLock(MemHandle handle) {
    if (!handle) return nullptr;
    auto* bytes = static_cast<unsigned char*>(GlobalLock(handle));
    return bytes ? bytes + 4 : nullptr;
}

int MemHandleUnlock(MemHandle handle) {
    if (!handle) return 1;
    GlobalUnlock(handle);
    return 0;
}

int MemHandleFree(MemHandle handle) {
    if (handle) GlobalFree(handle);
    return 0;
}

MemHandle MemHandleResize(MemHandle handle, uint32_t size, int flags) {
    if (!handle) return MemHandleAlloc(size, flags);
    if (size >= MemHandleMaxSize) return AllocationFailed(flags);
    HGLOBAL mem = GlobalReAlloc(handle, size + 4u, GMEM_MOVEABLE | GMEM_ZEROINIT);
    if (!mem) return AllocationFailed(flags);
    auto* header = static_cast<uint32_t*>(GlobalLock(mem));
    *header = size;
    GlobalUnlock(mem);
    return mem;
}

uint32_t MemHandleSize(MemHandle handle) { return handle ? HeaderSize(handle) : 0; }

int MemHandleCompare(MemHandle a, MemHandle b) {
    uint32_t sizeA = MemHandleSize(a), sizeB = MemHandleSize(b);
    if (sizeA != sizeB) return sizeA < sizeB ? -1 : 1;
    if (sizeA == 0) return 0;
    int result = std::memcmp(MemHandleLock(a), MemHandleLock(b), sizeA);
    MemHandleUnlock(a);
    MemHandleUnlock(b);
    return result;
}

MemHandle MemHandleCopy(MemHandle handle, int flags) {
    if (!handle) return nullptr;
    uint32_t size = MemHandleSize(handle);
    MemHandle copy = MemHandleAlloc(size, flags);
    if (!copy) return nullptr;
    std::memcpy(MemHandleLock(copy), MemHandleLock(handle), size);
    MemHandleUnlock(copy);
    MemHandleUnlock(handle);
    return copy;
}

int MemHandleZero(MemHandle handle) {
    if (!handle) return 1;
    uint32_t size = MemHandleSize(handle);
    std::memset(MemHandleLock(handle), 0, size);
    MemHandleUnlock(handle);
    return 0;
}
