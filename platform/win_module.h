// Modules and their resources: module handles and file names, resource
// look-up, and loading a library and finding its functions. On Windows these
// are the system's; here a module handle is the dynamic loader's handle of a
// loaded object (dlopen), and a module's resources are a table that the
// module registers when it is loaded (the build turns the resource script
// into such a table, see data/resource.cmake).
#pragma once

#include "platform/win_types.h"

#ifndef _WIN32
typedef void* HMODULE;
typedef void* HINSTANCE;
typedef void* HRSRC;
typedef HANDLE HGLOBAL;
typedef intptr_t (*FARPROC)();

// A numeric resource name or type travels in the pointer itself, as on Windows.
#define MAKEINTRESOURCEA(i) (reinterpret_cast<LPSTR>(static_cast<ULONG_PTR>(static_cast<WORD>(i))))
#define IS_INTRESOURCE(p) ((reinterpret_cast<ULONG_PTR>(p) >> 16) == 0)
#define RT_VERSION MAKEINTRESOURCEA(16)
#define VS_VERSION_INFO 1

#define ERROR_SUCCESS 0u
#define ERROR_FILE_NOT_FOUND 2u
#define ERROR_INVALID_HANDLE 6u
#define ERROR_INVALID_PARAMETER 87u
#define ERROR_INSUFFICIENT_BUFFER 122u
#define ERROR_INVALID_NAME 123u
#define ERROR_MOD_NOT_FOUND 126u
#define ERROR_PROC_NOT_FOUND 127u
#define ERROR_RESOURCE_DATA_NOT_FOUND 1812u
#define ERROR_RESOURCE_TYPE_NOT_FOUND 1813u
#define ERROR_RESOURCE_NAME_NOT_FOUND 1814u

DWORD GetLastError();
void SetLastError(DWORD error);

// The full file name of the module (null: the program itself), in Windows
// form. Returns its length; when it does not fit, the name is cut to size - 1
// bytes and terminated, size is returned and the error is
// ERROR_INSUFFICIENT_BUFFER. 0 for an unknown handle.
DWORD GetModuleFileNameA(HMODULE module, LPSTR name, DWORD size);
// A loaded module by file name (Windows form or a bare name), or the program
// itself for null; no reference is added. Null when it is not loaded.
HMODULE GetModuleHandleA(LPCSTR name);

// Names and types are strings (compared without regard to case; "#16" is the
// number 16) or numbers made with MAKEINTRESOURCEA.
HRSRC FindResourceA(HMODULE module, LPCSTR name, LPCSTR type);
HGLOBAL LoadResource(HMODULE module, HRSRC resource);
LPVOID LockResource(HGLOBAL data);
DWORD SizeofResource(HMODULE module, HRSRC resource);

// Loads a library by file name (Windows form) and adds a reference; the
// platform's own system modules (such as "ole32.dll") are found by name.
HMODULE LoadLibraryA(LPCSTR name);
FARPROC GetProcAddress(HMODULE module, LPCSTR name);
BOOL FreeLibrary(HMODULE module);

// ---- How a module carries its resources on this system.
// One resource of a module's table. A type or name given as a number has a
// null string.
struct PlatformResource {
    WORD typeId;
    const char* type;
    WORD nameId;
    const char* name;
    WORD language;
    const void* data;
    DWORD size;
};

// Registers the resource table of the loaded object that contains `anchor`
// (any address inside the module, e.g. the table itself). Called from the
// module's own static initialisation; returns 1, or 0 when the address lies
// in no loaded object. The table must stay for the life of the module.
int PlatformRegisterResources(const void* anchor, const PlatformResource* table, int count);
// Removes a table when its module is unloaded (from the module's static
// destruction), so that a later object at the same place does not inherit it.
void PlatformUnregisterResources(const PlatformResource* table);
// The resource table registered for the module file `localName` (a local
// file name), or null; `count` receives its length. Used by the version API,
// which finds a module's version block through its file name.
const PlatformResource* PlatformResourcesOfFile(const char* localName, int* count);
#endif
