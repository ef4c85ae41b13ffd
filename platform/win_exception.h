// Software exceptions: RaiseException and vectored handlers.
//
// On Windows these are the system's. Here RaiseException first offers the
// exception to the vectored handlers, newest first, as Windows does; a handler
// that answers EXCEPTION_CONTINUE_EXECUTION resumes the raising code, which
// then returns from RaiseException. When no handler resumes it the exception
// unwinds as a C++ exception of type PlatformSoftwareException, which stands
// for the host's frame-based handler around its call into the plug-in.
#pragma once

#include "platform/win_types.h"

#ifndef _WIN32
#define EXCEPTION_CONTINUE_EXECUTION (-1)
#define EXCEPTION_CONTINUE_SEARCH 0
#define EXCEPTION_NONCONTINUABLE 0x1
#define EXCEPTION_MAXIMUM_PARAMETERS 15

struct EXCEPTION_RECORD {
    DWORD ExceptionCode;
    DWORD ExceptionFlags;
    EXCEPTION_RECORD* ExceptionRecord;
    void* ExceptionAddress;
    DWORD NumberParameters;
    ULONG_PTR ExceptionInformation[EXCEPTION_MAXIMUM_PARAMETERS];
};
typedef EXCEPTION_RECORD* PEXCEPTION_RECORD;

struct EXCEPTION_POINTERS {
    PEXCEPTION_RECORD ExceptionRecord;
    void* ContextRecord;
};
typedef EXCEPTION_POINTERS* PEXCEPTION_POINTERS;

typedef LONG (*PVECTORED_EXCEPTION_HANDLER)(PEXCEPTION_POINTERS info);

void RaiseException(DWORD code, DWORD flags, DWORD argCount, const ULONG_PTR* args);
void* AddVectoredExceptionHandler(ULONG first, PVECTORED_EXCEPTION_HANDLER handler);
ULONG RemoveVectoredExceptionHandler(void* handle);

// What unwinds out of RaiseException when no handler resumed it.
struct PlatformSoftwareException {
    DWORD code;
    DWORD flags;
};
#endif
