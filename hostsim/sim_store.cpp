// The in-memory document store: files are documents kept as they were saved,
// under their full Windows-form names.
#include "hostsim/sim_store.h"

namespace {

int MemoryLoad(void* context, const std::string& name, SimDoc* out) {
    auto* memory = static_cast<SimMemoryStore*>(context);
    auto it = memory->files.find(name);
    if (it == memory->files.end()) return SimStatusNotFound;
    *out = it->second;
    out->id = 0;
    out->base = 0;
    out->localLimit = 0;
    out->name = name;
    out->modified = false;
    SimInvalidateOrder(*out);
    return SimOk;
}

int MemorySave(void* context, const std::string& name, const SimDoc& doc) {
    auto* memory = static_cast<SimMemoryStore*>(context);
    if (memory->failSaves || name.empty()) return SimStatusSaveFailed;
    SimDoc& stored = memory->files[name];
    stored = doc;
    stored.id = 0;
    stored.name = name;
    stored.modified = false;
    ++memory->saves[name];
    return SimOk;
}

} // namespace

SimStore SimMemoryStoreMake(SimMemoryStore* memory) {
    return SimStore{memory, MemoryLoad, MemorySave};
}
