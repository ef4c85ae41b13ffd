// The store over the store: caching, snapshots, dry runs and save failures.
#include "apps/vellor_host/store_tap.h"

#include <algorithm>

namespace {

// A copy as a fresh load gives it: not open, unchanged, under its name.
// The orders worked out from its objects stand: they are those a fresh
// load would work out again.
void AsLoaded(SimDoc* doc, const std::string& name) {
    doc->id = 0;
    doc->base = 0;
    doc->localLimit = 0;
    doc->name = name;
    doc->untitled = false;
    doc->modified = false;
}

// Whether a state of `name` may be asked for again: only while it is to be
// opened again, where that is known; at any time where it is not.
bool StillToOpen(const StoreTap& tap, const std::string& name) {
    auto left = tap.opensLeft.find(name);
    return left == tap.opensLeft.end() || left->second > 0;
}

void Touched(StoreTap& tap) {
    if (tap.onActivity) tap.onActivity(tap.activityContext);
}

// The inner store's warnings about `name`, just read: each once, however
// often the file is read again.
void TakeWarnings(StoreTap& tap, const std::string& name) {
    if (!tap.innerWarnings) return;
    for (std::string& warning : tap.innerWarnings(tap.inner.context))
        if (tap.warned.insert(name + '\n' + warning).second) tap.readWarnings.push_back(std::move(warning));
}

// A streamed file `name` about to be read from its file: the one to be
// opened after it is read and parsed while the host works on this one.
void ReadNextAhead(StoreTap& tap, const std::string& name) {
    if (!tap.innerReadAhead || !tap.streamed.count(name) || tap.openAt >= tap.openOrder.size()) return;
    auto at = std::find(tap.openOrder.begin() + long(tap.openAt), tap.openOrder.end(), name);
    if (at == tap.openOrder.end() || ++at == tap.openOrder.end()) return;
    tap.openAt = size_t(at - tap.openOrder.begin());
    const std::string& next = *at;
    if (!tap.streamed.count(next) || tap.cache.count(next)) return;
    tap.innerReadAhead(tap.inner.context, StoreTapFileOf(tap, next));
}

int LoadThrough(StoreTap& tap, const std::string& name, SimDoc* out) {
    if (tap.checkpoint) tap.checkpoint(tap.inner.context);
    auto left = tap.opensLeft.find(name);
    if (left != tap.opensLeft.end() && left->second > 0) --left->second;
    auto hit = tap.cache.find(name);
    if (hit != tap.cache.end()) {
        // Its last open takes the state held instead of a copy of it: a
        // long document is then never in memory twice.
        if (StillToOpen(tap, name) || hit->second.isBook) {
            *out = hit->second;
        } else {
            *out = std::move(hit->second);
            tap.cache.erase(hit);
        }
        AsLoaded(out, name);
        return SimOk;
    }
    if (!tap.inner.load) return SimStatusNotFound;
    ReadNextAhead(tap, name);
    SimDoc loaded;
    int status = tap.inner.load(tap.inner.context, StoreTapFileOf(tap, name), &loaded);
    TakeWarnings(tap, name);
    if (status != SimOk) return status;
    AsLoaded(&loaded, name);
    if (!loaded.isBook && !tap.before.count(name)) {
        tap.before[name] = SnapshotDoc(loaded, DocTitle(name));
        if (tap.onFirstRead) tap.onFirstRead(tap.firstReadContext, name, loaded);
    }
    if (tap.streamed.count(name) || (!loaded.isBook && !StillToOpen(tap, name))) {
        *out = std::move(loaded);
        return SimOk;
    }
    *out = loaded;
    tap.cache[name] = std::move(loaded);
    return SimOk;
}

int TapLoad(void* context, const std::string& name, SimDoc* out) {
    auto* tap = static_cast<StoreTap*>(context);
    Touched(*tap);
    int status = LoadThrough(*tap, name, out);
    if (status != SimOk) tap->failedLoads[name] = tap->innerError ? tap->innerError(tap->inner.context) : std::string();
    return status;
}

int TapSave(void* context, const std::string& name, const SimDoc& doc) {
    auto* tap = static_cast<StoreTap*>(context);
    Touched(*tap);
    return StoreTapSave(*tap, name, doc);
}

} // namespace

SimStore StoreTapMake(StoreTap* tap) {
    return SimStore{tap, TapLoad, TapSave};
}

int StoreTapRead(StoreTap& tap, const std::string& name, SimDoc* out, std::string* error) {
    int status = LoadThrough(tap, name, out);
    if (status != SimOk && error) {
        std::string why = tap.innerError ? tap.innerError(tap.inner.context) : std::string();
        *error = why.empty() ? DocTitle(name) + ": cannot be read" : why;
    }
    return status;
}

namespace {

// What the inner store's check of `name` found, told as a check tells it.
int Checked(StoreTap& tap, const std::string& name, int status, std::string* error) {
    TakeWarnings(tap, name);
    if (status != SimOk && error) {
        std::string why = tap.innerError ? tap.innerError(tap.inner.context) : std::string();
        *error = why.empty() ? DocTitle(name) + ": cannot be read" : why;
    }
    return status;
}

} // namespace

int StoreTapCheck(StoreTap& tap, const std::string& name, bool* isBook, std::string* error) {
    if (!tap.streamed.count(name) || !tap.innerCheck || tap.cache.count(name)) {
        SimDoc doc;
        int status = StoreTapRead(tap, name, &doc, error);
        *isBook = doc.isBook;
        return status;
    }
    return Checked(tap, name, tap.innerCheck(tap.inner.context, StoreTapFileOf(tap, name), isBook), error);
}

void StoreTapCheckBegin(StoreTap& tap, const std::string& name, StoreTapPendingCheck* check) {
    check->name = name;
    check->stepped = tap.streamed.count(name) && tap.innerCheck && tap.innerCheckRead && tap.innerCheckEnd &&
                     !tap.cache.count(name);
    if (check->stepped) tap.innerCheckRead(tap.inner.context, StoreTapFileOf(tap, name), &check->inner);
}

void StoreTapCheckParse(StoreTapPendingCheck* check) {
    if (check->stepped) MifCheckParse(&check->inner);
}

int StoreTapCheckEnd(StoreTap& tap, StoreTapPendingCheck* check, bool* isBook, std::string* error) {
    if (!check->stepped) return StoreTapCheck(tap, check->name, isBook, error);
    return Checked(tap, check->name, tap.innerCheckEnd(tap.inner.context, &check->inner, isBook), error);
}

void StoreTapReadFirstAhead(StoreTap& tap) {
    if (!tap.innerReadFirst || tap.openOrder.empty()) return;
    const std::string& first = tap.openOrder.front();
    if (tap.streamed.count(first) && !tap.cache.count(first))
        tap.innerReadFirst(tap.inner.context, StoreTapFileOf(tap, first));
}

int StoreTapSave(StoreTap& tap, const std::string& name, const SimDoc& doc) {
    if (tap.checkpoint) tap.checkpoint(tap.inner.context);
    if (tap.writable && !tap.writable->count(name)) {
        tap.failedSaves.push_back({name, "this run was not asked to write it, so it was left as it is"});
        return SimStatusSaveFailed;
    }
    int status = SimOk;
    if (!tap.dryRun) {
        status = tap.inner.save ? tap.inner.save(tap.inner.context, StoreTapFileOf(tap, name), doc) : SimStatusSaveFailed;
        if (status != SimOk) {
            std::string why = tap.innerError ? tap.innerError(tap.inner.context) : std::string();
            tap.failedSaves.push_back({name, why});
            return status;
        }
    }
    // A streamed file saved for real is read from its file when opened
    // again; what is not to be opened again is not kept.
    if (StillToOpen(tap, name) && (tap.dryRun || !tap.streamed.count(name))) {
        SimDoc& kept = tap.cache[name];
        kept = doc;
        AsLoaded(&kept, name);
    } else {
        tap.cache.erase(name); // a dry run's earlier state of it, no longer wanted
    }
    if (!doc.isBook) {
        if (!tap.after.count(name)) tap.savedOrder.push_back(name);
        tap.after[name] = SnapshotDoc(doc, DocTitle(name));
    }
    return SimOk;
}

void StoreTapRelease(StoreTap& tap, const std::string& name) {
    auto held = tap.cache.find(name);
    if (held != tap.cache.end() && !held->second.isBook) tap.cache.erase(held);
}

const std::string& StoreTapFileOf(const StoreTap& tap, const std::string& name) {
    auto file = tap.files.find(name);
    return file == tap.files.end() ? name : file->second;
}

std::string DocTitle(const std::string& windowsName) {
    size_t cut = windowsName.find_last_of("\\/:");
    return cut == std::string::npos ? windowsName : windowsName.substr(cut + 1);
}
