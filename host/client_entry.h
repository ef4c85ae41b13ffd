// The client's start: ClientInit, what the module's entry F_ApiClientInit
// (tools/module_entry.h) does once FrameMaker has loaded it, the frame state
// it sets up, and GetResource's answer from the module's own file.
#pragma once

#include "host/host_records.h"
#include "platform/com_types.h"
#include "platform/win_module.h"

#include <cstdint>

class FrameMakerNotificationsC;

// The API version the client registers with.
enum : int32_t { ClientApiVersion = 0x16000000 };

// The module's instance handle as passed to F_ApiClientInit.
extern HINSTANCE ClientInstance;
// The callback object registered with FrameMaker; null when there is none.
extern FrameMakerNotificationsC* ClientCallbackObject;
// ClientInit's third argument, held with one reference while loaded.
extern IUnknown* ClientCompanion;

// Registers the client with FrameMaker's server object. 0 when registered;
// -1 when `server` is null or lacks the main interface. Client information
// passed in is used as it stands (and left to the caller); with none and an
// instance handle, it is read from the module's version resource.
int32_t ClientInit(HINSTANCE instance, IUnknown* server, IUnknown* companion, PropVals* clientInfo);
