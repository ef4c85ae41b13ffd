// The version API: a module's version block read through the module's file
// name (GetFileVersionInfoSizeA, GetFileVersionInfoA) and queried by path
// (VerQueryValueA). On Windows these are the system's; here the block is the
// RT_VERSION resource that the module registered (platform/win_module.h), in
// the Windows VS_VERSIONINFO layout.
#pragma once

#include "platform/win_types.h"

#ifndef _WIN32
struct VS_FIXEDFILEINFO {
    DWORD dwSignature; // 0xFEEF04BD
    DWORD dwStrucVersion;
    DWORD dwFileVersionMS;
    DWORD dwFileVersionLS;
    DWORD dwProductVersionMS;
    DWORD dwProductVersionLS;
    DWORD dwFileFlagsMask;
    DWORD dwFileFlags;
    DWORD dwFileOS;
    DWORD dwFileType;
    DWORD dwFileSubtype;
    DWORD dwFileDateMS;
    DWORD dwFileDateLS;
};
#define VS_FFI_SIGNATURE 0xFEEF04BDu

// Room that GetFileVersionInfoA needs for the file's version block, with the
// space in which VerQueryValueA hands out strings in the ANSI code page; 0
// when the file has none. `handle` is set to 0.
DWORD GetFileVersionInfoSizeA(LPCSTR fileName, DWORD* handle);
// Copies the file's version block into `data`. Fails (FALSE) when the file has
// no version block or `size` is less than GetFileVersionInfoSizeA's answer.
BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD handle, DWORD size, LPVOID data);
// "\" gives the VS_FIXEDFILEINFO, "\VarFileInfo\Translation" the language and
// code-page pairs, "\StringFileInfo\<lang><cp>\<key>" a string (length in
// characters with its terminator). Keys compare without regard to case.
BOOL VerQueryValueA(LPCVOID block, LPCSTR subBlock, LPVOID* buffer, UINT* length);
#endif
