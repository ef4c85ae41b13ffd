// The COM runtime and the message loop that a standalone client uses:
// CoInitialize/CoUninitialize, the thread's message filter, CoDisconnectObject,
// CLSIDFromString, object creation through a class registry (CoCreateInstance,
// and CoCreateInstanceEx for a named machine, which the platform's "ole32.dll"
// exports by name), and a thread message queue (GetMessageA, TranslateMessage,
// DispatchMessageA). On Windows these are the system's; here everything runs
// in one process, so a server object is registered in the class registry by
// whoever plays the server (the simulated host) and created from there.
#pragma once

#include "platform/com_types.h"
#include "platform/win_module.h"

#ifndef _WIN32
typedef WCHAR OLECHAR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;
typedef void* HTASK;
typedef void* HWND;
typedef UINT_PTR WPARAM;
typedef LONG_PTR LPARAM;
typedef LONG_PTR LRESULT;

enum : DWORD {
    CLSCTX_INPROC_SERVER = 0x1,
    CLSCTX_INPROC_HANDLER = 0x2,
    CLSCTX_LOCAL_SERVER = 0x4,
    CLSCTX_REMOTE_SERVER = 0x10,
};

// Answers of IMessageFilter.
enum : DWORD {
    SERVERCALL_ISHANDLED = 0,
    SERVERCALL_REJECTED = 1,
    SERVERCALL_RETRYLATER = 2,
    PENDINGMSG_CANCELCALL = 0,
    PENDINGMSG_WAITNOPROCESS = 1,
    PENDINGMSG_WAITDEFPROCESS = 2,
};

constexpr HRESULT CO_E_CLASSSTRING = static_cast<HRESULT>(0x800401F3u);
constexpr HRESULT CLASS_E_NOAGGREGATION = static_cast<HRESULT>(0x80040110u);
constexpr HRESULT CO_S_NOTALLINTERFACES = static_cast<HRESULT>(0x00080012u);
constexpr HRESULT RPC_S_SERVER_UNAVAILABLE_HR = static_cast<HRESULT>(0x800706BAu);

struct INTERFACEINFO {
    IUnknown* pUnk;
    IID iid;
    WORD wMethod;
};
typedef INTERFACEINFO* LPINTERFACEINFO;

struct IMessageFilter : public IUnknown {
    virtual DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD callType, HTASK caller, DWORD tickCount,
                                                       LPINTERFACEINFO info) = 0;
    virtual DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK callee, DWORD tickCount, DWORD rejectType) = 0;
    virtual DWORD STDMETHODCALLTYPE MessagePending(HTASK callee, DWORD tickCount, DWORD pendingType) = 0;

protected:
    ~IMessageFilter() = default;
};
extern const IID IID_IMessageFilter;

struct COSERVERINFO {
    DWORD dwReserved1;
    LPWSTR pwszName;
    void* pAuthInfo;
    DWORD dwReserved2;
};

struct MULTI_QI {
    const IID* pIID;
    IUnknown* pItf;
    HRESULT hr;
};

// S_OK for the first initialisation, S_FALSE for a nested one.
HRESULT CoInitialize(LPVOID reserved);
void CoUninitialize();
// Installs `filter` (a reference is taken; null revokes) and hands the
// previous one to `previous` (the caller's reference), or releases it.
HRESULT CoRegisterMessageFilter(IMessageFilter* filter, IMessageFilter** previous);
HRESULT CoDisconnectObject(IUnknown* object, DWORD reserved);
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}"; CO_E_CLASSSTRING otherwise.
HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid);
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object);
HRESULT CoCreateInstanceEx(REFCLSID clsid, IUnknown* outer, DWORD context, COSERVERINFO* server,
                           DWORD count, MULTI_QI* results);

struct POINT {
    LONG x;
    LONG y;
};
struct MSG {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    DWORD time;
    POINT pt;
};
#define WM_QUIT 0x0012u
#define WM_APP 0x8000u

// The next message of the thread's queue: 0 for WM_QUIT, -1 for a null
// record. Nothing but this thread can post here, so where Windows would wait
// forever on an empty queue, the stand-in answers as if WM_QUIT had come.
BOOL GetMessageA(MSG* message, HWND window, UINT first, UINT last);
// Nothing on this system produces key messages: FALSE.
BOOL TranslateMessage(const MSG* message);
// Runs the message: a call posted with PlatformPostCall is made here.
LRESULT DispatchMessageA(const MSG* message);
void PostQuitMessage(int exitCode);
#endif

// CoCreateInstanceEx as found by name in "ole32.dll" (on either system).
typedef HRESULT (STDMETHODCALLTYPE* CoCreateInstanceExProc)(REFCLSID, IUnknown*, DWORD, COSERVERINFO*, DWORD,
                                                            MULTI_QI*);

// ---- The stand-in's side: what the platform's "ole32.dll" exports, and the
// controls that a server and tests use.
FARPROC PlatformComExport(const char* name);
// Makes the platform's "ole32.dll" lack an export (as an old system lacks
// CoCreateInstanceEx), or have it again.
void PlatformComHideExport(const char* name, int hidden);
// Registers a server object for `clsid`, on the local machine (null machine)
// or on a named one for CoCreateInstanceEx; a reference is taken. Returns 1,
// or 0 when the registry is full.
int PlatformRegisterServer(REFCLSID clsid, const char* machine, IUnknown* server);
// Removes the entry and releases its reference; 1 when there was one.
int PlatformRevokeServer(REFCLSID clsid, const char* machine);
// The thread's current message filter (no reference added), or null.
IMessageFilter* PlatformMessageFilter();
// How often CoInitialize has been called without its CoUninitialize.
int PlatformComInitCount();
// The last object passed to CoDisconnectObject, and how many calls there were.
IUnknown* PlatformLastDisconnected();
int PlatformDisconnectCount();
// Posts a message whose dispatch calls proc(context), the way a window
// procedure runs for a posted message.
typedef void (*PlatformMessageProc)(void* context);
void PlatformPostCall(PlatformMessageProc proc, void* context);
// Messages waiting, and a way to drop them between tests.
int PlatformPendingMessages();
void PlatformClearMessages();
