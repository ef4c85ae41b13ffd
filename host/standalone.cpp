// The standalone connection: COM start-up, the server object's creation
// (locally or on a named machine), the message loop and the teardown, and the
// default message filter.
#include "host/standalone.h"

#include "host/call_layer.h"
#include "host/client_entry.h"
#include "host/host_interfaces.h"
#include "host/notifications.h"
#include "platform/win_file.h"

#include <cstdlib>

const CLSID ClientDefaultServerClass = {
    0x539DB5D0, 0xC0C6, 0x11D0, {0x98, 0x5E, 0x00, 0x60, 0x97, 0x0B, 0xEC, 0x0B}};
const char* const HostConnectFailure = "Can't connect to FrameMaker server";

int ClientComInitialised = 0;
DefaultClientMessageFilterC* ClientMessageFilter = nullptr;

namespace {
constexpr DWORD GiveUp = static_cast<DWORD>(-1);
constexpr DWORD RetryAtOnceUntil = 200;          // ms
constexpr DWORD RetryGiveUpAfter = 20 * 60 * 1000; // ms

// The class from "FMGUID", else the default one.
CLSID ServerClassFromEnvironment() {
    CLSID chosen = ClientDefaultServerClass;
    const char* text = std::getenv("FMGUID");
    WCHAR wide[ClientClassNameUnits];
    if (text && MultiByteToWideChar(CP_ACP, 0, text, -1, wide, ClientClassNameUnits) > 0) {
        CLSID parsed;
        if (SUCCEEDED(CLSIDFromString(wide, &parsed))) chosen = parsed;
    }
    return chosen;
}

// The main interface of the server object, or null.
IUnknown* CreateServer(const char* machine, const CLSID& serverClass, int32_t* error) {
    const IID& main = HostInterfaceIids[HostMainInterfaceNumber];
    if (!machine) {
        void* answer = nullptr;
        if (FAILED(CoCreateInstance(serverClass, nullptr, ClientServerContext, main, &answer))) return nullptr;
        return static_cast<IUnknown*>(answer);
    }
    WCHAR wideMachine[ClientClassNameUnits];
    if (MultiByteToWideChar(CP_ACP, 0, machine, -1, wideMachine, ClientClassNameUnits) <= 0) return nullptr;
    HMODULE ole = LoadLibraryA("ole32.dll");
    FARPROC proc = ole ? GetProcAddress(ole, "CoCreateInstanceEx") : nullptr;
    if (!proc) {
        if (ole) FreeLibrary(ole);
        *error = HostErrorNoServer;
        return nullptr;
    }
    auto createEx = reinterpret_cast<CoCreateInstanceExProc>(reinterpret_cast<void (*)()>(proc));
    COSERVERINFO where{0, wideMachine, nullptr, 0};
    MULTI_QI wanted{&main, nullptr, S_OK};
    HRESULT hr = createEx(serverClass, nullptr, ClientServerContext, &where, 1, &wanted);
    FreeLibrary(ole);
    if (FAILED(hr) || FAILED(wanted.hr)) {
        if (wanted.pItf) wanted.pItf->Release();
        return nullptr;
    }
    return wanted.pItf;
}

void TakeDownCom() {
    if (ClientMessageFilter) {
        CoRegisterMessageFilter(nullptr, nullptr);
        ClientMessageFilter->Release();
        ClientMessageFilter = nullptr;
    }
    if (ClientComInitialised) {
        ClientComInitialised = 0;
        CoUninitialize();
    }
}
} // namespace

// ---- The message filter

void DefaultClientMessageFilterC::FindInterface(REFIID iid, void** object) {
    if (IsEqualIID(iid, IID_IMessageFilter))
        *object = AddRefInterface();
    else
        ComUltraliteC::FindInterface(iid, object);
}

DWORD STDMETHODCALLTYPE DefaultClientMessageFilterC::HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) {
    return SERVERCALL_ISHANDLED;
}

DWORD STDMETHODCALLTYPE DefaultClientMessageFilterC::RetryRejectedCall(HTASK, DWORD elapsed, DWORD rejectType) {
    if (rejectType == SERVERCALL_REJECTED || elapsed >= RetryGiveUpAfter) return GiveUp;
    if (elapsed <= RetryAtOnceUntil) return 0;
    return elapsed / 4;
}

DWORD STDMETHODCALLTYPE DefaultClientMessageFilterC::MessagePending(HTASK, DWORD, DWORD) {
    return PENDINGMSG_WAITDEFPROCESS;
}

// ---- Connecting

int32_t HostConnect(PropVals* clientInfo, const char* machine, const CLSID* serverClass) {
    if (HostMainInterface()) return 0;
    if (CoInitialize(nullptr) == S_OK) {
        ClientComInitialised = 1;
        // A filter that is already there (from an earlier connection) stays.
        if (!ClientMessageFilter) {
            ClientMessageFilter = new DefaultClientMessageFilterC();
            CoRegisterMessageFilter(ClientMessageFilter, nullptr);
        }
    }
    CLSID chosen = serverClass ? *serverClass : ServerClassFromEnvironment();
    int32_t error = HostErrorNoServer;
    IUnknown* main = CreateServer(machine, chosen, &error);
    if (!main) {
        HostErrorCode = error;
        return error;
    }
    int32_t result = ClientInit(GetModuleHandleA(nullptr), main, nullptr, clientInfo);
    if (result != 0) HostErrorCode = result;
    main->Release();
    return result;
}

// The reporting, and the disconnecting after a failure, are the caller's.
const char* HostConnectReport(PropVals* clientInfo, const char* machine, const CLSID* serverClass) {
    return HostConnect(clientInfo, machine, serverClass) == 0 ? nullptr : HostConnectFailure;
}

int HostRunClient() {
    if (HostConnect(nullptr, nullptr, nullptr) != 0) {
        HostWriteConsole(HostConnectFailure);
        HostDisconnect();
        return 1;
    }
    while (!ClientQuitRequested) HostPumpMessage(nullptr);
    HostDisconnect();
    return 0;
}

int HostPumpMessage(int* quit) {
    if (quit) *quit = 0;
    MSG message;
    BOOL got = GetMessageA(&message, nullptr, 0, 0);
    if (got == 0) {
        ClientQuitRequested = 1;
        if (quit) *quit = 1;
        return 0;
    }
    if (got < 0) return 0;
    TranslateMessage(&message);
    DispatchMessageA(&message);
    return 1;
}

int HostIsConnected() { return HostMainInterface() ? 1 : 0; }

void HostDisconnectInterfaces() {
    HostReleaseInterfaces();
    ClientQuitRequested = 1;
}

void HostDisconnect() {
    HostReleaseInterfaces();
    // The COM side goes with the callback object: once FrameMaker has let it
    // go, the filter and COM are left as they are.
    if (ClientCallbackObject) {
        CoDisconnectObject(ClientCallbackObject->Notifications0(), 0);
        TakeDownCom();
    }
    ClientQuitRequested = 1;
}
