// The simulated host's store of real files: documents and books are MIF
// files on disk, whatever their names ("MasterPage.fm" is MIF text too). The
// host hands the store Windows-form names; the store maps them to local ones.
#pragma once

#include "hostsim/sim_store.h"

#include <string>

struct MifFileStore {
    std::string lastError; // the message of the last load or save that failed
    int loads = 0;
    int saves = 0;
};

// A store over `files` (which must outlive it).
SimStore MifFileStoreMake(MifFileStore* files);
