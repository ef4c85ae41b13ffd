// Test controls of the simulated host: call counts, injected failures,
// refused interfaces and scripted prompt answers.
#include "hostsim/sim_control.h"

void SimFailMethod(SimControl& control, int method, HRESULT hresult, uint64_t onlyCall) {
    SimFault f;
    f.method = method;
    f.hresult = hresult;
    f.onlyCall = onlyCall;
    control.faults.push_back(f);
}

void SimFailMethodStatus(SimControl& control, int method, int32_t status, uint64_t onlyCall) {
    SimFault f;
    f.method = method;
    f.status = status;
    f.onlyCall = onlyCall;
    control.faults.push_back(f);
}

void SimClearFaults(SimControl& control) { control.faults.clear(); }

void SimRefuseInterface(SimControl& control, int number, bool refuse) {
    if (number >= 1 && number <= SimInterfaceCount) control.refused[number] = refuse;
}

void SimScriptPrompt(SimControl& control, const char* reply, bool confirm) {
    control.promptScript.push_back(SimPromptReply{reply ? reply : "", confirm});
}

uint64_t SimCallCount(const SimControl& control, int method) {
    return method >= 0 && method < SimMainMethodCount ? control.calls[method] : 0;
}

uint64_t SimTotalCalls(const SimControl& control) {
    uint64_t total = 0;
    for (uint64_t n : control.calls) total += n;
    return total;
}

void SimResetCounts(SimControl& control) {
    for (uint64_t& n : control.calls) n = 0;
}

HRESULT SimEnterMethod(SimControl& control, int method, int32_t* status) {
    *status = 0;
    if (method >= 0 && method < SimMainMethodCount) ++control.calls[method];
    HRESULT result = S_OK;
    for (SimFault& f : control.faults) {
        if (f.method != method) continue;
        ++f.seen;
        if (f.onlyCall && f.seen != f.onlyCall) continue;
        if (FAILED(f.hresult)) {
            result = f.hresult;
        } else if (f.status) {
            *status = f.status;
        }
    }
    return result;
}
