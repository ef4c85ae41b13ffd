// The support library's allocation layer: a thin wrapper over the runtime
// heap that lets each call choose whether a failed allocation is fatal, and
// that releases null without complaint. Every block the library hands out is
// released with MemFree.
//
// `flags` of the allocating functions: 0, and a failure returns null; or
// MemFlagFatal, and a failure calls MemFailureHook and then FatalError (a
// continuable exception: when it is continued, the function returns null).
// Blocks are the caller's; the byte operations return 0 for done and 1 for a
// null pointer, and do nothing for a length of 0 or less.
#pragma once

#include <cstddef>
#include <cstdint>

enum : int { MemFlagFatal = 1 };

// A new block of `size` bytes (uninitialised), or null as `flags` say.
void* MemAlloc(uint32_t size, int flags);
// A new zeroed block of count * size bytes, or null as `flags` say.
void* MemCalloc(uint32_t count, uint32_t size, int flags);
// The block grown or shrunk to `size` bytes (perhaps moved; the contents are
// kept up to the smaller size); a null block is a new one. On failure null as
// `flags` say, and the old block stays valid and still the caller's.
void* MemRealloc(void* block, uint32_t size, int flags);
// Releases a block of the library; null is ignored. Always 0.
int MemFree(void* block);
// Frees the block the variable holds; the variable keeps its (now stale) value.
// A null variable is ignored. Always 0.
int MemFreeRef(void* blockVariable);
// Sets `length` bytes to 0.
int MemZero(void* buffer, int32_t length);
// Copies `length` bytes; the areas may overlap (note the order: source first).
int MemCopy(const void* source, void* destination, int32_t length);
// 1 when the first `length` bytes are equal (always for a length of 0 or
// less), 0 when they differ or a pointer is null.
int MemEqual(const void* a, const void* b, int32_t length);
// Sets `length` bytes to `value` (taken as a byte).
int MemFill(void* buffer, int value, int32_t length);
// A new block holding a copy of `size` bytes of `source`; null for a null
// source, or as `flags` say when the allocation fails.
void* MemDup(const void* source, uint32_t size, int flags);

// The library's fatal error: raises a continuable software exception with
// code 1; returns only when a handler continues it.
enum : uint32_t { FatalErrorCode = 1 };
void FatalError();

// Called without arguments just before a fatal allocation failure is raised.
// Null (the default) calls nothing.
typedef void (*MemFailureHandler)();
extern MemFailureHandler MemFailureHook;
// Installs `hook` (null: none) and returns the one it replaces.
MemFailureHandler MemSetFailureHook(MemFailureHandler hook);

// The assertion hook is entry 12 of CharTableSet. A handler receives the
// default handler as its argument.
typedef void (*AssertHandler)(void* defaultHandler);
// The default: FatalError.
void AssertDefaultHandler(void* defaultHandler);
// The installed handler (AssertDefaultHandler when none was installed).
AssertHandler AssertHook();
// Installs `hook` (null: the default) and returns the one it replaces.
AssertHandler SetAssertHook(AssertHandler hook);
// A failed assertion: calls an installed handler, then FatalError.
void AssertFailed();

// Movable, zero-initialised global-memory blocks with a 4-byte size header
// in front of the user bytes. User sizes stay below MemHandleMaxSize.
// Handles are the caller's (MemHandleFree); `flags` as above. A null handle
// is accepted everywhere and means an empty block.
typedef void* MemHandle;
enum : uint32_t { MemHandleMaxSize = 0x7FFF0000u };
// A new zeroed block of `size` user bytes; null as `flags` say when the size
// is MemHandleMaxSize or more or the memory ran out.
MemHandle MemHandleAlloc(uint32_t size, int flags);
// The user bytes, valid until the matching MemHandleUnlock; null for a null
// handle.
void* MemHandleLock(MemHandle handle);
// 0; 1 for a null handle.
int MemHandleUnlock(MemHandle handle);
// Releases the block; null is ignored. Always 0.
int MemHandleFree(MemHandle handle);
// The block resized to `size` user bytes (new bytes zeroed; the handle may
// change); a null handle is MemHandleAlloc. On failure null as `flags` say,
// and the old handle stays valid and the caller's.
MemHandle MemHandleResize(MemHandle handle, uint32_t size, int flags);
// The user size; 0 for a null handle.
uint32_t MemHandleSize(MemHandle handle);
// Orders by size, then by bytes: negative, 0 or positive.
int MemHandleCompare(MemHandle a, MemHandle b);
// A new block with the same user bytes; null for a null handle, or as
// `flags` say when the allocation fails.
MemHandle MemHandleCopy(MemHandle handle, int flags);
// Sets the user bytes to 0.
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
