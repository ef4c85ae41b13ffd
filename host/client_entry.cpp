// ClientInit: acquires FrameMaker's interfaces, creates and registers
// the callback object with the client information, starts the support
// library and hands the callback object over to FrameMaker. Also GetResource's
// answer from the client's own module.
#include "host/client_entry.h"

#include "host/call_layer.h"
#include "host/client_info.h"
#include "host/host_interfaces.h"
#include "host/notifications.h"
#include "host/prop_vals.h"
#include "support/base/format.h"
#include "support/io/format_output.h"
#include "host/host_startup.h"

#include <cstring>

HINSTANCE ClientInstance = nullptr;
FrameMakerNotificationsC* ClientCallbackObject = nullptr;
IUnknown* ClientCompanion = nullptr;

namespace {
constexpr DWORD ModuleNameSize = 260;
}

int32_t ClientInit(HINSTANCE instance, IUnknown* server, IUnknown* companion, PropVals* clientInfo) {
    ClientInstance = instance;
    if (!server) return -1;
    // Interfaces 1-15; without the main one the client cannot start, and
    // 16-18 are only asked for when it is there.
    if (!HostAcquireInterfaces(server)) return -1;
    HostDecideResultOwnership();

    auto* callback = new FrameMakerNotificationsC();
    ClientCallbackObject = callback;

    PropVals localInfo{0, nullptr};
    const PropVals* info = clientInfo;
    if (!clientInfo && instance) {
        ClientInfoFromVersion(instance, &localInfo);
        info = &localInfo;
    }
    HostRegisterClient(callback->Notifications0(), ClientApiVersion, info);
    HostPassInstance(instance);
    PropValsFree(&localInfo);

    EncLibraryInit();
    ClientQuitRequested = 0;

    // A companion still held from an earlier registration is let go first.
    IUnknown* earlier = ClientCompanion;
    ClientCompanion = companion;
    if (companion) companion->AddRef();
    if (earlier) earlier->Release();

    // From here on only FrameMaker's references keep the object alive.
    callback->Release();
    ConsoleHook = HostWriteConsole;
    return 0;
}

HRESULT ClientGetResource(void* instance, int32_t type, const char* name, ClientResourceBlock* block) {
    if (!block) return E_POINTER;
    const void* data = nullptr;
    DWORD size = 0;
    char moduleName[ModuleNameSize];
    if (type != 0) {
        HMODULE module = static_cast<HMODULE>(instance);
        HRSRC found = FindResourceA(module, name, MAKEINTRESOURCEA(type));
        HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
        data = loaded ? LockResource(loaded) : nullptr;
        size = found ? SizeofResource(module, found) : 0;
    } else {
        DWORD length = GetModuleFileNameA(static_cast<HMODULE>(instance), moduleName, ModuleNameSize);
        // A name cut to fit would name another file: no answer instead.
        if (length == 0 || length >= ModuleNameSize) return E_FAIL;
        data = moduleName;
        size = length + 1;
    }
    if (!data) return E_FAIL;
    void* copy = CoTaskMemAlloc(size);
    if (!copy) return E_OUTOFMEMORY;
    std::memcpy(copy, data, size);
    block->size = static_cast<int32_t>(size);
    block->data = copy;
    return S_OK;
}
