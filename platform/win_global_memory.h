// Movable global-memory blocks (GlobalAlloc and its family). On Windows these
// are the system's; here a handle is a small record that owns the bytes.
#pragma once

#include "platform/win_types.h"

#ifndef _WIN32
typedef HANDLE HGLOBAL;

#define GMEM_FIXED 0x0000
#define GMEM_MOVEABLE 0x0002
#define GMEM_ZEROINIT 0x0040
#define GHND (GMEM_MOVEABLE | GMEM_ZEROINIT)

HGLOBAL GlobalAlloc(UINT flags, SIZE_T bytes);
HGLOBAL GlobalReAlloc(HGLOBAL mem, SIZE_T bytes, UINT flags);
HGLOBAL GlobalFree(HGLOBAL mem); // null on success, as on Windows
LPVOID GlobalLock(HGLOBAL mem);
BOOL GlobalUnlock(HGLOBAL mem); // nonzero while the block stays locked
#endif
