// What tests and benchmarks see of the simulated host besides its model:
// call counts per method, injected failures, refused interfaces, scripted
// prompt answers, and the record of alerts, prompts, console lines and
// status-line changes. Plain data; the server checks it on every call.
#pragma once

#include "host/host_records.h"
#include "host/host_wire.h"
#include "platform/com_types.h"

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

// The sizes of the counters, from the wire contract.
enum : int {
    SimMainMethodCount = HostMainMethodCount, // slots 0-164 of the main interface
    SimInterfaceCount = HostInterfaceCount,
};

// A failure to inject into method `method` of the main interface: the call
// returns `hresult` when that is a failure code, else it runs normally and
// then answers with `status` (when nonzero) instead of its own. `onlyCall`
// 0 fails every call; N fails only the Nth call counted from when the fault
// was added.
struct SimFault {
    int method = 0;
    HRESULT hresult = S_OK;
    int32_t status = 0;
    uint64_t onlyCall = 0;
    uint64_t seen = 0;
};

struct SimPromptReply {
    std::string reply; // UTF-8
    bool confirm = true;
};

struct SimAlert {
    std::string text; // UTF-8
    int32_t type = 0;
};

struct SimStatusLine {
    ObjId book = 0;
    std::string text; // UTF-8
};

// The arguments of one NewCustomDoc call, in the call's order.
struct SimNewDocCall {
    Metric width = 0, height = 0;
    int32_t columns = 0;
    Metric gap = 0, top = 0, bottom = 0, inside = 0, outside = 0;
    int32_t sidedness = 0, visible = 0;
};

struct SimControl {
    uint64_t calls[SimMainMethodCount] = {};
    std::vector<SimFault> faults;
    bool refused[SimInterfaceCount + 1] = {};
    uint64_t queries[SimInterfaceCount + 1] = {}; // QueryInterface answers asked for, by number

    // Interface 16, method 3: S_OK tells the client that it keeps the host's
    // result blocks (and must not release them).
    HRESULT keepsResultsAnswer = E_NOTIMPL;
    void* clientInstance = nullptr; // what interface 17's method 3 received
    // The client information of the latest registration: {number, text} of
    // each string entry, in order; clientInfoGiven is false for a null list.
    std::vector<std::pair<int32_t, std::string>> clientInfo;
    bool clientInfoGiven = false;

    std::deque<SimPromptReply> promptScript;
    std::vector<std::string> prompts; // prompt texts shown, UTF-8
    std::vector<SimAlert> alerts;
    std::vector<std::string> console;
    std::vector<SimStatusLine> statusLines;
    std::vector<SimNewDocCall> newDocs; // every NewCustomDoc call the host answered
    int redisplays = 0;
};

// Every call of `method` (or only the Nth, counted from now) fails with the
// HRESULT, e.g. RPC_E_SERVERCALL_RETRYLATER.
void SimFailMethod(SimControl& control, int method, HRESULT hresult, uint64_t onlyCall = 0);
// Every call of `method` (or only the Nth) answers with this nonzero status.
void SimFailMethodStatus(SimControl& control, int method, int32_t status, uint64_t onlyCall = 0);
void SimClearFaults(SimControl& control);
// QueryInterface refuses interface `number` (1-18).
void SimRefuseInterface(SimControl& control, int number, bool refuse = true);
// The next prompt is answered with `reply` and confirmed (or cancelled).
void SimScriptPrompt(SimControl& control, const char* reply, bool confirm = true);
uint64_t SimCallCount(const SimControl& control, int method);
uint64_t SimTotalCalls(const SimControl& control);
void SimResetCounts(SimControl& control);

// Used by the server: counts the call and tells what to do. Returns the
// HRESULT to fail with (then the method does nothing), else S_OK with
// `*status` the status to answer with (0: answer normally).
HRESULT SimEnterMethod(SimControl& control, int method, int32_t* status);
