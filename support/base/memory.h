// The support library's allocation layer: a thin wrapper over the runtime
// heap that lets each call choose whether a failed allocation is fatal, and
// that releases null without complaint. Every block the library hands out is
// released with MemFree.
#pragma once

#include <cstddef>
#include <cstdint>

enum : int { MemFlagFatal = 1 };

void* MemAlloc(uint32_t size, int flags);
void* MemCalloc(uint32_t count, uint32_t size, int flags);
void* MemRealloc(void* block, uint32_t size, int flags);
int MemFree(void* block);
// Frees the block the variable holds; the variable keeps its (now stale) value.
int MemFreeRef(void* blockVariable);
int MemZero(void* buffer, int32_t length);
int MemCopy(const void* source, void* destination, int32_t length);
int MemEqual(const void* a, const void* b, int32_t length);
int MemFill(void* buffer, int value, int32_t length);
void* MemDup(const void* source, uint32_t size, int flags);

// The library's fatal error: a continuable software exception with code 1.
enum : uint32_t { FatalErrorCode = 1 };
void FatalError();

// Called without arguments just before a fatal allocation failure is raised.
typedef void (*MemFailureHandler)();
extern MemFailureHandler MemFailureHook;
MemFailureHandler MemSetFailureHook(MemFailureHandler hook);

// The assertion hook is entry 12 of CharTableSet. A handler receives the
// default handler as its argument.
typedef void (*AssertHandler)(void* defaultHandler);
void AssertDefaultHandler(void* defaultHandler);
AssertHandler AssertHook();
AssertHandler SetAssertHook(AssertHandler hook);
void AssertFailed();

// Movable, zero-initialised global-memory blocks with a 4-byte size header
// in front of the user bytes. User sizes stay below MemHandleMaxSize.
typedef void* MemHandle;
enum : uint32_t { MemHandleMaxSize = 0x7FFF0000u };
MemHandle MemHandleAlloc(uint32_t size, int flags);
void* MemHandleLock(MemHandle handle);
int MemHandleUnlock(MemHandle handle);
int MemHandleFree(MemHandle handle);
MemHandle MemHandleResize(MemHandle handle, uint32_t size, int flags);
uint32_t MemHandleSize(MemHandle handle);
int MemHandleCompare(MemHandle a, MemHandle b);
MemHandle MemHandleCopy(MemHandle handle, int flags);
int MemHandleZero(MemHandle handle);

// The runtime-heap seam. Every runtime-heap allocation of the library (the
// Mem* family, and the host call layer's copies of host results) goes through
// these, so that a test can make the Nth allocation from now fail.
void* MemHeapMalloc(size_t size);
void* MemHeapCalloc(size_t count, size_t size);
void* MemHeapRealloc(void* block, size_t size);
void MemHeapFree(void* block);
// n = 1 fails the next allocation, n = 2 the one after it, ...; 0 disarms.
// Only one allocation fails; the seam disarms itself when it fires.
void MemFailAllocation(uint64_t n);
// Allocations made through the seam since the process started.
uint64_t MemAllocationCount();
