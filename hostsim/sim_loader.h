// Loading a client module into the simulated host the way FrameMaker loads a
// plug-in: open the module, find its export F_ApiClientInit, call it with the
// server object, then Initialize the client it registered; at the end Quit,
// release the callback object and close the module.
//
//   SimModule module;
//   SimLoadModule(server, "Z:\\build\\Vellor.so", &module);  // 0 when registered
//   SimClientChooseCommand(server, "ApplyMasterPagesTarn");
//   SimUnloadModule(server, &module);
#pragma once

#include "hostsim/sim_server.h"
#include "platform/win_module.h"

#include <cstdint>

struct SimModule {
    HMODULE handle = nullptr;
    int32_t entryResult = 0;     // what F_ApiClientInit answered
    int initializations = 0;     // Initialize calls made by the loader
};

enum : int {
    SimLoadRegistered = 0,
    SimLoadNoModule = 1,  // the file could not be loaded
    SimLoadNoEntry = 2,   // it has no F_ApiClientInit
    SimLoadRefused = 3,   // F_ApiClientInit answered nonzero (module closed again)
};

// Loads the module `fileName` (Windows form) and registers its client with
// `server`, then calls Initialize with 1 (the first initialisation in this
// session). Returns one of the values above.
int SimLoadModule(SimServer* server, const char* fileName, SimModule* module);
// A later initialisation of the same client (Initialize with a code other
// than 1).
HRESULT SimReinitializeModule(SimServer* server, SimModule* module, int32_t code);
// Quit, then FrameMaker's last Release of the callback object, then the
// module is closed.
void SimUnloadModule(SimServer* server, SimModule* module);
