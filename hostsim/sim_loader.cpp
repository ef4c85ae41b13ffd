// The simulated host's plug-in loader: module, export, registration,
// initialisation, and the way back.
#include "hostsim/sim_loader.h"

namespace {
typedef int32_t (*ClientEntry)(HINSTANCE instance, IUnknown* server, IUnknown* companion, void* clientInfo);
}

int SimLoadModule(SimServer* server, const char* fileName, SimModule* module) {
    *module = SimModule{};
    HMODULE handle = LoadLibraryA(fileName);
    if (!handle) return SimLoadNoModule;
    FARPROC proc = GetProcAddress(handle, "F_ApiClientInit");
    if (!proc) {
        FreeLibrary(handle);
        return SimLoadNoEntry;
    }
    auto entry = reinterpret_cast<ClientEntry>(reinterpret_cast<void (*)()>(proc));
    // FrameMaker passes its own client information only for clients it
    // describes itself; a plug-in describes itself from its version resource.
    module->entryResult = entry(handle, SimServerUnknown(server), nullptr, nullptr);
    if (module->entryResult != 0) {
        FreeLibrary(handle);
        return SimLoadRefused;
    }
    module->handle = handle;
    SimClientInitialize(server, HostInitializeFirst);
    module->initializations = 1;
    return SimLoadRegistered;
}

HRESULT SimReinitializeModule(SimServer* server, SimModule* module, int32_t code) {
    if (!module->handle) return E_UNEXPECTED;
    ++module->initializations;
    return SimClientInitialize(server, code);
}

void SimUnloadModule(SimServer* server, SimModule* module) {
    if (!module->handle) return;
    SimClientQuit(server);
    SimClientRelease(server);
    FreeLibrary(module->handle);
    module->handle = nullptr;
}
