// Where the simulated host's files live. The store is pluggable: the host
// opens and saves through these function pointers, so a store of real files
// (MIF) can replace the in-memory one without touching the host. File names
// reach the store in Windows form, in UTF-8 ("Z:\docs\ch1.fm"); a store of
// real files maps them to local names itself.
#pragma once

#include "hostsim/sim_model.h"

#include <map>
#include <string>

struct SimStore {
    void* context = nullptr;
    // Reads the document or book `name` into `out` (ids local, `id` 0).
    // Returns 0, or SimStatusNotFound (or another status) when it cannot.
    int (*load)(void* context, const std::string& name, SimDoc* out) = nullptr;
    // Writes `doc` as the file `name`. Returns 0 or SimStatusSaveFailed.
    int (*save)(void* context, const std::string& name, const SimDoc& doc) = nullptr;
};

// The in-memory store: a map from full file name to the document as saved.
struct SimMemoryStore {
    std::map<std::string, SimDoc> files;
    std::map<std::string, int> saves; // how often each name was saved
    bool failSaves = false;           // every save fails (a full disk)
};

// A store over `memory` (which must outlive it).
SimStore SimMemoryStoreMake(SimMemoryStore* memory);
