// The eighteen host interfaces: the library-wide pointers
// that the call layer reads at every call, and their acquisition from and
// release to the host's server object.
#pragma once

#include "host/host_records.h"
#include "host/host_wire.h"
#include "platform/com_types.h"

// Indexed by interface number 1-18 (index 0 is unused); null until acquired
// and again after release. The identifiers are HostInterfaceIids (host_wire.h).
extern IUnknown* HostInterfaces[HostInterfaceCount + 1];

inline IUnknown* HostMainInterface() { return HostInterfaces[HostMainInterfaceNumber]; }

// Asks the server for interfaces 1 to 15 in order, storing each answer (null
// when refused); then, only when the main interface (4) was given, for 16 to
// 18. Returns 1 when the main interface is present, else 0 (the other answers
// stay stored). An interface still held from an earlier call is released as
// its new answer is stored. A null server gives 0 and asks nothing.
int HostAcquireInterfaces(IUnknown* server);
// Releases interfaces 1-15, then 16-18, each set to null.
void HostReleaseInterfaces();
// Interface 16, method 3 with 1: sets HostKeepsResults when it answers S_OK.
void HostDecideResultOwnership();
// Interface 17, method 3 with the client's instance handle; the answer is ignored.
void HostPassInstance(void* instance);
// Main interface, method 3: registers the callback object; the answer is
// returned for whoever wants it, the client entry does not look at it.
HRESULT HostRegisterClient(IUnknown* callback, int32_t version, const PropVals* clientInfo);
