// A simulated FrameMaker session with the tools attached, for one
// measurement: through the loaded Vellor module when this build has the
// module loader, else through the tools' entry points directly.
#pragma once

#include "hostsim/sim_server.h"

#include <cstdint>
#include <string>

struct BenchHost {
    SimServer* server = nullptr;
    void* module = nullptr; // the loaded module's record, when loaded
};

// How commands reach the tools in this build, for the output.
const char* BenchHostMode();
// 0 when the session is up and the tools are initialised.
int BenchHostStart(BenchHost& host);
// Runs command `number` as FrameMaker would deliver it.
void BenchHostCommand(BenchHost& host, int32_t number);
void BenchHostStop(BenchHost& host);

SimControl& BenchControl(BenchHost& host);

// Host calls of the main interface since the last reset, by method.
struct BenchCalls {
    uint64_t byMethod[SimMainMethodCount] = {};
    uint64_t total = 0;
};
BenchCalls BenchTakeCalls(BenchHost& host);
// A short name for a method of the main interface ("m<n>" when unnamed).
std::string BenchMethodName(int method);
