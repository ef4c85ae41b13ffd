// The eighteen host interface pointers and their
// acquisition from the host's server object and release.
#include "host/host_interfaces.h"

#include "host/call_layer.h"
#include "host/call_shapes.h"

IUnknown* HostInterfaces[HostInterfaceCount + 1] = {};

namespace {
void AskFor(IUnknown* server, int first, int last) {
    for (int k = first; k <= last; ++k) {
        void* answer = nullptr;
        if (FAILED(server->QueryInterface(HostInterfaceIids[k], &answer))) answer = nullptr;
        // A pointer still held from an earlier start-up (one that found no
        // main interface keeps its other answers) is let go, not leaked.
        IUnknown* earlier = HostInterfaces[k];
        HostInterfaces[k] = static_cast<IUnknown*>(answer);
        if (earlier) earlier->Release();
    }
}

void ReleaseRange(int first, int last) {
    for (int k = first; k <= last; ++k) {
        IUnknown* iface = HostInterfaces[k];
        HostInterfaces[k] = nullptr;
        if (iface) iface->Release();
    }
}
} // namespace

int HostAcquireInterfaces(IUnknown* server) {
    if (!server) return 0;
    AskFor(server, 1, HostLateInterfaceFirst - 1);
    if (!HostMainInterface()) return 0;
    AskFor(server, HostLateInterfaceFirst, HostInterfaceCount);
    return 1;
}

void HostReleaseInterfaces() {
    ReleaseRange(1, HostLateInterfaceFirst - 1);
    ReleaseRange(HostLateInterfaceFirst, HostInterfaceCount);
}

void HostDecideResultOwnership() {
    IUnknown* iface = HostInterfaces[HostResultsInterfaceNumber];
    if (iface && HostCallSlot(iface, HostMethodOfSideInterface, int32_t{1}) == S_OK) HostKeepsResults = 1;
}

void HostPassInstance(void* instance) {
    if (IUnknown* iface = HostInterfaces[HostInstanceInterfaceNumber])
        HostCallSlot(iface, HostMethodOfSideInterface, instance);
}

HRESULT HostRegisterClient(IUnknown* callback, int32_t version, const PropVals* clientInfo) {
    IUnknown* iface = HostMainInterface();
    return iface ? HostCallSlot(iface, HostMethodRegister, callback, version, clientInfo) : E_POINTER;
}
