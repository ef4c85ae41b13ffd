// What the simulated host's method files share: the server object's layout,
// the entry bookkeeping of every method (call counts and injected faults),
// and the helpers that hand strings and ids across the COM boundary.
#pragma once

#include "hostsim/sim_server.h"
#include "hostsim/sim_text.h"
#include "host/host_wire.h"

#include <string>
#include <string_view>

// One interface of the server: COM calls slot N of `vtable` with the address
// of this record as the first argument.
struct SimInterfaceRecord {
    void** vtable;
    SimServer* owner;
    int number; // 0: the server's own IUnknown
};

struct SimServer {
    SimInterfaceRecord records[SimInterfaceCount + 1];
    long references = 1;
    SimSession session;
    SimControl control;
    SimMemoryStore memory;
    SimStore store;
    IUnknown* client = nullptr; // the registered callback object, with our reference
    int32_t clientVersion = 0;
};

inline SimServer* SimSelf(void* self) { return static_cast<SimInterfaceRecord*>(self)->owner; }

// The start of every method: counts the call and applies injected faults.
// When `failed` is a failure code the method returns it at once; otherwise
// the method does its work and answers `Answer(own status)`.
struct SimCall {
    SimServer* server;
    HRESULT failed;
    int32_t injected;
    SimCall(void* self, int method) : server(SimSelf(self)), failed(S_OK), injected(0) {
        failed = SimEnterMethod(server->control, method, &injected);
    }
    int32_t Answer(int32_t own) const { return injected ? injected : own; }
};

// A CoTaskMemAlloc copy of a string (the client frees it).
char* SimTaskString(const std::string& text);
// The client's form of a host string, as a task block (converted straight
// into it).
char* SimTaskFrameRoman(std::string_view utf8);

// The open document or book with this id, or null.
SimDoc* SimOpen(SimServer* server, ObjId id);

// Each method file fills its slots of the main interface's table.
void SimInstallSessionMethods(void** table);
void SimInstallDocumentMethods(void** table);
void SimInstallPropertyMethods(void** table);
void SimInstallTextMethods(void** table);

template <typename F>
void* SimSlot(F* function) {
    return reinterpret_cast<void*>(function);
}

// ---- Property dispatch (sim_props.cpp)
enum SimValueType : uint8_t { SimValInt, SimValMetric, SimValId, SimValString, SimValTextLoc, SimValTextRange };

// A property value as the methods exchange it: ids and locations in the
// client's form, strings in UTF-8.
struct SimValue {
    SimValueType type = SimValInt;
    int32_t integer = 0;
    std::string text;
    TextLoc loc{};
    TextRange range{};
};

int SimGetProperty(SimServer* server, ObjId document, ObjId object, const PropIdent* prop,
                   SimValueType wanted, SimValue* out);
int SimSetProperty(SimServer* server, ObjId document, ObjId object, const PropIdent* prop,
                   const SimValue& value);
// All settable properties of a paragraph or paragraph format, as a task-block
// list; and setting such a list on one.
int SimGetAllProps(SimServer* server, ObjId document, ObjId object, PropVals* out);
int SimSetAllProps(SimServer* server, ObjId document, ObjId object, const PropVals* props);
