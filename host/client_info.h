// The client's description for FrameMaker, read from the string block
// "040904b0" of the module's version resource.
#pragma once

#include "host/host_records.h"
#include "platform/win_module.h"

#include <cstdint>

enum : int {
    ClientInfoKeyCount = 10,
    ClientInfoQuerySize = 512,
    ClientInfoVersionSize = 4096,
};

// Property number and version-resource key of each entry, in list order.
struct ClientInfoKey {
    int32_t number;
    const char* key;
};
extern const ClientInfoKey ClientInfoKeys[ClientInfoKeyCount];

// Fills `list` (empty) with a string entry for each key the module's version
// resource has. Every failure is silent and leaves entries out.
void ClientInfoFromVersion(HINSTANCE instance, PropVals* list);
