// The module's entry: F_ApiClientInit, which FrameMaker calls after loading
// the module. It is the client frame's ClientInit (host/client_entry.h); the
// tools' handlers are attached to the frame as the module loads.
#pragma once

#include "host/client_entry.h"

#ifdef _WIN32
#define VELLOR_EXPORT extern "C" __declspec(dllexport)
#else
#define VELLOR_EXPORT extern "C" __attribute__((visibility("default")))
#endif

// Registers the client with FrameMaker's server object. 0 when registered;
// -1 when `server` is null or lacks the main interface. Client information
// passed in is used as it stands (and left to the caller); with none and an
// instance handle, it is read from the module's version resource.
VELLOR_EXPORT int32_t F_ApiClientInit(HINSTANCE instance, IUnknown* server, IUnknown* companion,
                                      PropVals* clientInfo);
