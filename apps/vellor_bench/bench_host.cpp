// Starting and stopping the simulated session, and delivering commands.
#include "bench_host.h"

#include "host/call_layer.h"
#include "host/host_interfaces.h"
#include "support/io/library_startup.h"
#include "tools/tool_entry.h"

#include <unicode/putil.h>

#ifdef VELLOR_MODULE_FILE
#include "hostsim/sim_loader.h"
#include "platform/win_names.h"

// The module as FrameMaker loads it: F_ApiClientInit with the server, then
// commands through the registered callback object.
const char* BenchHostMode() { return "through the loaded Vellor module and the simulated host"; }

int BenchHostStart(BenchHost& host) {
    u_setDataDirectory(VELLOR_BINARY_DIR "/icu_data");
    host.server = SimServerCreate();
    char name[1024];
    if (PlatformLocalNameToWindows(VELLOR_MODULE_FILE, name, sizeof name) < 0) return -1;
    auto* module = new SimModule;
    host.module = module;
    return SimLoadModule(host.server, name, module) == SimLoadRegistered ? 0 : -1;
}

void BenchHostCommand(BenchHost& host, int32_t number) { SimClientCommand(host.server, number); }

void BenchHostStop(BenchHost& host) {
    auto* module = static_cast<SimModule*>(host.module);
    SimUnloadModule(host.server, module);
    delete module;
    host.module = nullptr;
    SimServerRelease(host.server);
    host.server = nullptr;
}
#else
const char* BenchHostMode() { return "through the tools' entry points (no module loader in this build)"; }

int BenchHostStart(BenchHost& host) {
    u_setDataDirectory(VELLOR_BINARY_DIR "/icu_data");
    host.server = SimServerCreate();
    if (HostAcquireInterfaces(SimServerUnknown(host.server)) != 1) return -1;
    TargetDocId = TargetBookId = 0;
    InitializeTools(1);
    return 0;
}

void BenchHostCommand(BenchHost&, int32_t number) { RunToolCommand(number); }

void BenchHostStop(BenchHost& host) {
    HostReleaseInterfaces();
    SimServerRelease(host.server);
    EncLibraryReset();
    host.server = nullptr;
}
#endif

SimControl& BenchControl(BenchHost& host) { return SimServerControl(host.server); }

BenchCalls BenchTakeCalls(BenchHost& host) {
    BenchCalls calls;
    SimControl& control = BenchControl(host);
    for (int m = 0; m < SimMainMethodCount; ++m) {
        calls.byMethod[m] = SimCallCount(control, m);
        calls.total += calls.byMethod[m];
    }
    SimResetCounts(control);
    return calls;
}

std::string BenchMethodName(int method) {
    switch (method) {
    case 20: return "Alert";
    case 32: return "Open";
    case 33: return "Save";
    case 34: return "NewCustomDoc";
    case 35: return "Close";
    case 53: return "ApplyMaster";
    case 66: return "Redisplay";
    case 68: return "GetNamedObj";
    case 70: return "NewNamedObj";
    case 71: return "NewAnchored";
    case 73: return "AddText";
    case 85: return "GetInt";
    case 86: return "SetInt";
    case 89: return "GetId";
    case 90: return "SetId";
    case 93: return "GetTextLoc";
    case 95: return "GetTextRange";
    case 96: return "SetTextRange";
    case 97: return "GetString";
    case 98: return "SetString";
    case 110: return "GetText";
    default: return "m" + std::to_string(method);
    }
}
