// The NetLib stand-in's state, shared between the stand-in itself
// (netlib.cpp, part of the module) and its test controls
// (netlib_controls.cpp, linked only into the tests so that the module does
// not carry them).
#pragma once

#include "platform/netlib.h"

#include <filesystem>

struct NetLibStandInState {
    bool enabled = false; // network mode: "http://" and "https://" names are network files
    std::filesystem::path folder; // holds the "remote" and "cache" trees
    NetLibErr lastError = NetLibErrNone;
    NetLibErr failNext[NetLibOpCount] = {};
    int calls[NetLibOpCount] = {};
    uint32_t lastFlags = 0;
    int liveStrings = 0;
};

extern NetLibStandInState NetLibStandIn;

// The file of `url` in the "remote" or "cache" tree; empty for a name the
// stand-in does not map.
std::filesystem::path NetLibStandInLocalFile(const char* tree, const char* url);
