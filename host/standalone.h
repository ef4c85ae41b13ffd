// The standalone way in: a client that runs as a process of its own connects
// to a running FrameMaker through COM, receives FrameMaker's callbacks through
// its message loop, and disconnects; with the message filter that decides how
// long a call to a busy FrameMaker is retried. The tools, being loaded by
// FrameMaker, do not use it; HostDisconnectInterfaces is also the shutdown's
// release of the host interfaces.
#pragma once

#include "host/host_records.h"
#include "platform/com_runtime.h"
#include "support/io/com_base.h"

#include <cstdint>

// The class FrameMaker's server object is created from when neither the
// caller nor the environment variable "FMGUID" names one.
extern const CLSID ClientDefaultServerClass;
enum : DWORD {
    ClientServerContext = 0x15, // in-process, local and remote server
    ClientClassNameUnits = 512,
};
enum : int32_t { HostErrorNoServer = -20 };
extern const char* const HostConnectFailure; // "Can't connect to FrameMaker server"

// Retries a call that FrameMaker rejected as busy: at once while 200 ms have
// passed, after a quarter of the elapsed time until 20 minutes, then gives up.
class DefaultClientMessageFilterC : public ImplementComC<IMessageFilter, ComUltraliteC> {
public:
    void FindInterface(REFIID iid, void** object) override;
    DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD callType, HTASK caller, DWORD tickCount,
                                               LPINTERFACEINFO info) override;
    DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK callee, DWORD elapsed, DWORD rejectType) override;
    DWORD STDMETHODCALLTYPE MessagePending(HTASK callee, DWORD tickCount, DWORD pendingType) override;
};

// Standalone state: COM initialised by this frame, and the filter it installed.
extern int ClientComInitialised;
extern DefaultClientMessageFilterC* ClientMessageFilter;

// Connects to FrameMaker (on `machine` when named) and registers the client
// with `clientInfo`. 0, ClientInit's nonzero result, or -20 when no
// server object could be created (also left in HostErrorCode).
int32_t HostConnect(PropVals* clientInfo, const char* machine, const CLSID* serverClass);
// HostConnect as a message: HostConnectFailure when it failed, null when
// connected. Reporting and disconnecting after a failure are the caller's.
const char* HostConnectReport(PropVals* clientInfo, const char* machine, const CLSID* serverClass);
// Connects, runs the message loop until the quit request, disconnects.
// 0, or 1 when the connection failed (reported on the console).
int HostRunClient();
// One step of the message loop. *quit (when given) is set to 0, and to 1 when
// the quit message ended the loop (ClientQuitRequested is then set).
// Returns 1 when a message was dispatched, 0 otherwise.
int HostPumpMessage(int* quit);
int HostIsConnected();
// Releases the host interfaces; while a callback object exists, also
// disconnects it and takes down what HostConnect set up in COM (the filter,
// the COM initialisation); sets ClientQuitRequested.
void HostDisconnect();
// The part of HostDisconnect that the callback object's destructor uses:
// releases the interfaces and sets ClientQuitRequested, nothing in COM.
void HostDisconnectInterfaces();
