// The file store: what may be read and replaced, what a guarding store
// remembers of each file, and the checks a save makes just before it
// replaces a file. The system calls are file_os_*.cpp's.
#include "hostsim/file_store.h"

#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

// A time stamp this close to the read (in seconds) cannot tell a write in
// the same tick of the file system's clock: the bytes are compared then.
constexpr int64_t StampGranularity = 2;

// Four independent lanes of eight bytes: the multiplications of one lane do
// not wait for another's, which keeps the hash near the speed of memory.
uint64_t Hash(const void* data, size_t size) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    constexpr uint64_t K = 0x9E3779B97F4A7C15ull;
    uint64_t lane[4] = {0x243F6A8885A308D3ull ^ size, 0x13198A2E03707344ull, 0xA4093822299F31D0ull,
                        0x082EFA98EC4E6C89ull};
    size_t i = 0;
    for (; i + 32 <= size; i += 32)
        for (int l = 0; l < 4; ++l) {
            uint64_t word;
            std::memcpy(&word, p + i + 8 * (size_t)l, 8);
            lane[l] = (lane[l] ^ word) * K;
            lane[l] ^= lane[l] >> 29;
        }
    uint64_t h = lane[0] ^ (lane[1] * 3) ^ (lane[2] * 5) ^ (lane[3] * 7);
    for (; i < size; ++i) h = (h ^ p[i]) * 0x100000001B3ull;
    return h ^ h >> 32;
}

uint64_t Hash(const std::string& bytes) { return Hash(bytes.data(), bytes.size()); }

std::string LastName(const std::string& path) {
    size_t cut = path.find_last_of("/\\");
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string FolderOf(const std::string& path) {
    size_t cut = path.find_last_of("/\\");
    if (cut == std::string::npos) return ".";
    return cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
}

bool SameState(const FileIdentity& a, const FileIdentity& b) {
    return a.device == b.device && a.inode == b.inode && a.size == b.size && a.mtimeSec == b.mtimeSec &&
           a.mtimeNsec == b.mtimeNsec;
}

bool Recent(const FileIdentity& id) { return id.mtimeSec >= (int64_t)std::time(nullptr) - StampGranularity; }

std::string Octal(uint32_t mode) {
    char text[16];
    std::snprintf(text, sizeof text, "%04o", (unsigned)mode);
    return text;
}

// Why the run may not replace a file (empty `what` when it may): what is
// wrong, and what the user can do about it.
struct Problem {
    std::string what, todo;
};

Problem ReplaceProblem(const FileIdentity& id, const std::string& folder) {
    if (!id.regular) return {std::string("is ") + id.kind + ", not a regular file", "name the file itself"};
    if (id.readOnly)
        return {"is read-only (mode " + Octal(id.mode) + ")", "make it writable (chmod u+w) if it is to be changed"};
    if (id.owner != FileOsUser())
        return {"belongs to another user (uid " + std::to_string(id.owner) + "): a save would make it this user's",
                "let its owner change it, or work on a copy"};
    if (id.links > 1)
        return {"has " + std::to_string(id.links) + " hard links: a save would give the new text to this name only",
                "work on a copy, or remove its other names"};
    int err = FileOsFolderWritable(folder);
    if (err) return {"is in a folder this user cannot write in (" + folder + ": " + FileOsErrorText(err) + ")",
                     "make the folder writable"};
    return {};
}

Problem MakeProblem(const std::string& folder) {
    int err = FileOsFolderWritable(folder);
    if (!err) return {};
    if (FileOsIsMissing(err)) return {"cannot be made: there is no folder " + folder, "name a folder that exists"};
    return {"cannot be made in the folder " + folder + " (" + FileOsErrorText(err) + ")", "make the folder writable"};
}

// A failure of the system while saving: the file is as it was.
std::string SaveFailure(int err) {
    std::string todo = FileOsIsFull(err)     ? ": make room on its disk"
                       : FileOsIsDenied(err) ? ": make its folder writable"
                                             : "";
    return FileOsErrorText(err) + "; it is as it was" + todo;
}

std::string HeldBy(long holder) {
    return holder > 0 ? "another run (process " + std::to_string(holder) + ")" : "another run";
}

// The signal check of every read and save: a stop asked for is honoured
// before anything more is read or written.
bool Interrupted(FileStore& store, std::string* why) {
    int signal = FileOsSignal();
    if (!signal) return false;
    if (store.onInterrupt) store.onInterrupt(store.interruptContext, signal);
    *why = std::string("the run was stopped (") + FileOsSignalName(signal) + ") before it was saved; it is as it was";
    return true;
}

void Sweep(FileStore& store, const std::string& target) {
    std::string folder = FolderOf(target);
    if (store.swept.insert(folder).second) FileOsSweepLeftovers(folder);
}

FileRecord* Find(FileStore& store, const std::string& target, const FileIdentity* id) {
    for (FileRecord& r : store.records)
        if (r.target == target) return &r;
    if (id)
        for (FileRecord& r : store.records)
            if (r.exists && r.identity.device == id->device && r.identity.inode == id->inode) return &r;
    return nullptr;
}

// The bytes of an open file, and its state as they were read: a file that
// changes while it is read is read again. False with `*err` the system's
// code, 0 for a file too large, or KeptChanging.
constexpr int KeptChanging = -1;

bool ReadStable(FileHandle file, size_t maxBytes, std::string* data, FileIdentity* id, int* err) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        FileIdentity before, after;
        if (!FileOsIdentityOf(file, &before) || !FileOsReadAll(file, maxBytes, data, err)) return false;
        if (FileOsIdentityOf(file, &after) && SameState(before, after) && after.size == data->size()) {
            *id = after;
            return true;
        }
    }
    *err = KeptChanging;
    return false;
}

// The record of the open file `file` (at `target`, as `id`), holding its
// lock: the record of the same file when there is one (the new handle is
// closed), else a new one locked `exclusive`ly or shared. FileOk, or
// FileHeld with `*why` ("<path> is in use ...").
int Keep(FileStore& store, const std::string& path, const std::string& target, const FileIdentity& id,
         bool exclusive, FileHandle* file, FileRecord** out, std::string* why) {
    FileRecord* record = Find(store, target, &id);
    bool same = record && record->exists && record->identity.device == id.device && record->identity.inode == id.inode;
    long holder = 0;
    if (same) {
        // The lock is the record's open file's: another open file of the
        // same file would conflict with it.
        FileOsClose(*file);
        *file = record->handle;
        *out = record;
        if (!exclusive || record->exclusive) return FileOk;
        if (!FileOsLock(record->handle, true, &holder)) {
            *why = path + " is in use by " + HeldBy(holder) + ": wait until that run has ended";
            return FileHeld;
        }
        record->exclusive = true;
        return FileOk;
    }
    // A new file, or a file replaced by another program since this run read it.
    bool lockExclusive = exclusive || (record && record->exclusive);
    if (!FileOsLock(*file, lockExclusive, &holder)) {
        FileOsClose(*file);
        *why = path + " is in use by " + HeldBy(holder) + ": wait until that run has ended";
        return FileHeld;
    }
    if (!record) {
        try {
            store.records.emplace_back();
        } catch (...) {
            FileOsClose(*file);
            throw;
        }
        record = &store.records.back();
    } else if (record->handle != *file) {
        FileOsClose(record->handle);
    }
    record->target = target;
    record->exclusive = lockExclusive;
    record->handle = *file;
    *out = record;
    Sweep(store, target);
    return FileOk;
}

// Opens `target` and reads it, keeping it (and its lock) in a guarding store.
int ReadTarget(FileStore& store, const std::string& path, const std::string& target, bool exclusive, size_t maxBytes,
               std::string* data, std::string* why) {
    int err = 0;
    FileHandle file = FileOsOpen(target, &err);
    if (file == FileNoHandle) {
        *why = LastName(path) + (FileOsIsMissing(err) ? ": no such file" : ": " + FileOsErrorText(err));
        return FileOsIsMissing(err) ? FileNotFound : FileFailed;
    }
    FileIdentity id;
    if (!FileOsIdentityOf(file, &id) || !id.regular) {
        FileOsClose(file);
        *why = path + " is " + (id.kind[0] ? id.kind : "not a file") + ", not a regular file: only files open as documents";
        return FileRefused;
    }
    FileRecord* record = nullptr;
    if (store.guard) {
        int status = Keep(store, path, target, id, exclusive, &file, &record, why);
        if (status != FileOk) return status;
    }
    // A file the store does not keep is closed on every way out, a read that
    // runs out of memory included.
    struct Closer {
        FileHandle file;
        ~Closer() { FileOsClose(file); }
    } closer{record ? FileNoHandle : file};
    bool read = ReadStable(file, maxBytes, data, &id, &err);
    if (!read) {
        *why = LastName(path) + ": " +
               (err == KeptChanging ? std::string("another program kept changing it while it was read")
                : err               ? FileOsErrorText(err)
                                    : std::string("file too large"));
        return FileFailed;
    }
    if (record) {
        // The bytes are hashed only when the time stamp cannot tell a later
        // write by: most files are older than that.
        record->exists = true;
        record->identity = id;
        record->recent = Recent(id);
        record->hash = record->recent ? Hash(*data) : 0;
    }
    return FileOk;
}

// Whether `target` is still the file `record` holds, just before it is
// replaced. FileOk, or FileChanged with `*why`.
int StillAsRead(const FileRecord& record, const std::string& target, std::string* why) {
    FileIdentity now;
    bool there = FileOsLook(target, &now);
    const char* lost = "; this run's changes to it are lost (make them again on its new text)";
    if (!record.exists) {
        if (!there) return FileOk;
        *why = std::string("another program made a file of that name after this run began: it keeps that program's "
                           "text") + lost;
        return FileChanged;
    }
    bool changed = !there || !SameState(now, record.identity);
    if (!changed && record.recent) {
        int err = 0;
        FileHandle file = FileOsOpen(target, &err);
        std::string bytes;
        changed = file == FileNoHandle || !FileOsReadAll(file, (size_t)-1, &bytes, &err) || Hash(bytes) != record.hash;
        FileOsClose(file);
    }
    if (!changed) return FileOk;
    *why = there ? std::string("another program changed it after this run read it: it keeps that program's text") + lost
                 : std::string("another program removed or renamed it after this run read it: nothing was saved in its "
                               "place") + lost;
    return FileChanged;
}

// The record a guarding store saves `target` against, locked for writing:
// a file it read or claimed, or a new one for a file not there. FileOk, or
// a status with `*why`.
int OwnForSave(FileStore& store, const std::string& target, const FileIdentity* now, FileRecord** out,
               std::string* why) {
    FileRecord* record = Find(store, target, now);
    if (!record && now) {
        *why = "this run did not read it, so it does not replace it; it is as it was";
        return FileRefused;
    }
    if (!record) {
        store.records.emplace_back();
        record = &store.records.back();
        record->target = target;
    }
    long holder = 0;
    if (record->exists && !record->exclusive) {
        if (!FileOsLock(record->handle, true, &holder)) {
            *why = HeldBy(holder) + " is using it; it is as it was: wait until that run has ended";
            return FileHeld;
        }
        record->exclusive = true;
    }
    *out = record;
    Sweep(store, target);
    return FileOk;
}

// Writes the temporary file, checks the file against the state it was read
// in, and moves the temporary file into its place. A save that does not
// happen removes the temporary file; FileOk, or the status with `*why`.
int Check(FileStore& store, FileRecord* record, const std::string& target, const FileIdentity* old,
          FileHandle* file, const std::string& temp, const void* data, size_t size, std::string* why) {
    int err = 0;
    int status = FileOsWriteAll(*file, data, size, &err) && FileOsFinishTemp(*file, old, &err) ? FileOk : FileFailed;
    if (status == FileOk) FileOsTestHold(target);
    if (status == FileOk && FileOsSignal()) status = FileInterrupted;
    if (status == FileOk && record) status = StillAsRead(*record, target, why);
    bool mustBeNew = record ? !record->exists : !old;
    FileHandle unused = FileNoHandle;
    // A signal that comes now removes the temporary file, and the move fails;
    // one that comes after it stops the run at the next read or save.
    if (status == FileOk && !FileOsReplace(file, temp, record ? &record->handle : &unused, target, mustBeNew, &err))
        status = FileOsSignal()                  ? FileInterrupted
                 : FileOsIsTaken(err) && record ? StillAsRead(*record, target, why)
                                                : FileFailed;
    if (status == FileOk) return FileOk;
    FileOsDropTemp(*file, temp);
    if (Interrupted(store, why)) return FileInterrupted;
    if (status == FileFailed) *why = SaveFailure(err);
    return status;
}

// The new text into a temporary file, checked against the file as read,
// moved into its place.
int Replace(FileStore& store, FileRecord* record, const std::string& target, const FileIdentity* old,
            const void* data, size_t size, std::string* why) {
    int err = 0;
    std::string temp;
    FileHandle file = FileOsMakeTemp(FolderOf(target), &temp, &err);
    if (file == FileNoHandle) {
        *why = "no new file can be made beside it (" + SaveFailure(err) + ")";
        return FileFailed;
    }
    int status = FileOk;
    try {
        status = Check(store, record, target, old, &file, temp, data, size, why);
    } catch (...) {
        FileOsDropTemp(file, temp); // out of memory: no temporary file stays
        throw;
    }
    if (status != FileOk) return status;
    if (!record) {
        FileOsClose(file);
        return FileOk;
    }
    FileOsClose(record->handle);
    record->handle = file;
    record->exists = record->exclusive = record->recent = true;
    FileOsIdentityOf(file, &record->identity);
    record->hash = Hash(data, size);
    return FileOk;
}

} // namespace

FileStore::~FileStore() { FileStoreRelease(*this); }

int FileStoreRead(FileStore& store, const std::string& path, size_t maxBytes, std::string* data, std::string* why) {
    if (Interrupted(store, why)) return FileInterrupted;
    std::string target, what;
    if (FileOsResolve(path, &target, &what) != 0) {
        *why = path + " " + what;
        return FileRefused;
    }
    return ReadTarget(store, path, target, false, maxBytes, data, why);
}

int FileStoreClaim(FileStore& store, const std::string& path, bool lock, std::string* why) {
    std::string target, what;
    if (FileOsResolve(path, &target, &what) != 0) {
        *why = path + " " + what + "; nothing was written: name the file itself";
        return FileRefused;
    }
    FileIdentity now;
    bool there = FileOsLook(target, &now);
    Problem p = there ? ReplaceProblem(now, FolderOf(target)) : MakeProblem(FolderOf(target));
    if (!p.what.empty()) {
        *why = path + " " + p.what + "; nothing was written: " + p.todo;
        return FileRefused;
    }
    if (!lock || !store.guard) return FileOk;
    if (!there) {
        if (!Find(store, target, nullptr)) {
            store.records.emplace_back();
            store.records.back().target = target;
        }
        return FileOk;
    }
    std::string bytes;
    return ReadTarget(store, path, target, true, (size_t)-1, &bytes, why);
}

int FileStoreWrite(FileStore& store, const std::string& path, const void* data, size_t size, std::string* why) {
    if (Interrupted(store, why)) return FileInterrupted;
    std::string target, what;
    if (FileOsResolve(path, &target, &what) != 0) {
        *why = "it " + what + "; nothing was written";
        return FileRefused;
    }
    FileIdentity now;
    bool there = FileOsLook(target, &now);
    Problem p = there ? ReplaceProblem(now, FolderOf(target)) : MakeProblem(FolderOf(target));
    if (!p.what.empty()) {
        *why = "it " + p.what + "; it is as it was: " + p.todo;
        return FileRefused;
    }
    if (there && FileOsHolds(target, data, size)) return FileUnchanged;
    FileRecord* record = nullptr;
    if (store.guard) {
        int status = OwnForSave(store, target, there ? &now : nullptr, &record, why);
        if (status != FileOk) return status;
    }
    // Made room for before the save, which cannot fail once it is done.
    bool seen = false;
    for (const std::string& name : store.written) seen |= name == path;
    std::string name = seen ? std::string() : path;
    store.written.reserve(store.written.size() + 1);
    int status = Replace(store, record, target, there ? &now : nullptr, data, size, why);
    if (status == FileOk && !seen) store.written.push_back(std::move(name));
    return status;
}

void FileStoreRelease(FileStore& store) {
    for (FileRecord& r : store.records) FileOsClose(r.handle);
    store.records.clear();
    store.swept.clear();
}

void FileStoreCatchSignals() {
    static bool caught = false;
    if (!caught) FileOsCatchSignals();
    caught = true;
}

int FileStoreSignal() { return FileOsSignal(); }

int FileStoreCheckpoint(FileStore& store) {
    std::string why;
    return Interrupted(store, &why) ? FileOsSignal() : 0;
}
