// The file store: what may be read and replaced, what a guarding store
// remembers of each file, and the checks a save makes just before it
// replaces a file. The system calls are file_os_*.cpp's.
#include "hostsim/file_store.h"

#include "hostsim/file_sink.h"

#include <cstdio>
#include <cstring>
#include <ctime>
#include <utility>

namespace {

// A time stamp this close to the read (in seconds) cannot tell a write in
// the same tick of the file system's clock: the bytes are compared then.
constexpr int64_t StampGranularity = 2;

uint64_t Hash(const std::string& bytes) { return FileHashOf(bytes.data(), bytes.size()); }

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
    std::string folder = FileOsFolderOf(target);
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

// The hash of an open file's bytes, read a block at a time, and how many
// there were. False with `*err`.
bool HashFile(FileHandle file, uint64_t* hash, uint64_t* size, int* err) {
    std::vector<char> block((size_t)256 << 10);
    FileHash h;
    for (size_t got = block.size(); got == block.size();) {
        if (!FileOsReadAt(file, h.size, block.data(), block.size(), &got, err)) return false;
        FileHashAdd(h, block.data(), got);
    }
    *hash = FileHashEnd(h);
    *size = h.size;
    return true;
}

// The bytes of an open file (or, with no `data`, their hash when the time
// stamp is recent and `hash` is given, read in blocks), and its state as
// they were read: a file that changes while it is read is read again. False
// with `*err` the system's code, 0 for a file too large, or KeptChanging.
constexpr int KeptChanging = -1;

bool ReadStable(FileHandle file, size_t maxBytes, std::string* data, uint64_t* hash, FileIdentity* id, int* err) {
    for (int attempt = 0; attempt < 3; ++attempt) {
        FileIdentity before, after;
        if (!FileOsIdentityOf(file, &before)) return false;
        uint64_t size = before.size;
        if (data ? !FileOsReadAll(file, maxBytes, data, err)
                 : hash && Recent(before) && !HashFile(file, hash, &size, err))
            return false;
        if (data) size = data->size();
        if (FileOsIdentityOf(file, &after) && SameState(before, after) && after.size == size) {
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

// Opens `target` to read it, keeping it (and its lock) in a guarding store:
// `*file` is the handle to read through (the record's, when it is kept),
// `*record` the record or null. FileOk, or a status with `*why`.
int OpenTarget(FileStore& store, const std::string& path, const std::string& target, bool exclusive,
               FileHandle* file, FileRecord** record, FileIdentity* id, std::string* why) {
    int err = 0;
    *record = nullptr;
    *file = FileOsOpen(target, &err);
    if (*file == FileNoHandle) {
        *why = FileOsLastName(path) + (FileOsIsMissing(err) ? ": no such file" : ": " + FileOsErrorText(err));
        return FileOsIsMissing(err) ? FileNotFound : FileFailed;
    }
    if (!FileOsIdentityOf(*file, id) || !id->regular) {
        FileOsClose(*file);
        *why = path + " is " + (id->kind[0] ? id->kind : "not a file") + ", not a regular file: only files open as documents";
        return FileRefused;
    }
    return store.guard ? Keep(store, path, target, *id, exclusive, file, record, why) : FileOk;
}

// Why a read of `path` failed with `err` (ReadStable's).
std::string ReadFailure(const std::string& path, int err) {
    return FileOsLastName(path) + ": " +
           (err == KeptChanging ? std::string("another program kept changing it while it was read")
            : err               ? FileOsErrorText(err)
                                : std::string("file too large"));
}

// The record holds the file as read (`id`; `hash` of its bytes when its time
// stamp is recent and they were hashed).
void NoteRead(FileRecord& record, const FileIdentity& id, bool hashed, uint64_t hash) {
    // The bytes are hashed only when the time stamp cannot tell a later
    // write by: most files are older than that.
    record.exists = true;
    record.identity = id;
    record.recent = Recent(id);
    record.hashed = record.recent && hashed;
    record.hash = record.hashed ? hash : 0;
}

// Opens `target` and keeps it (and its lock, exclusive) in a guarding
// store, its bytes hashed when its time stamp is recent, unless `unhashed`.
int ClaimTarget(FileStore& store, const std::string& path, const std::string& target, std::string* why,
                bool unhashed) {
    FileHandle file = FileNoHandle;
    FileRecord* record = nullptr;
    FileIdentity id;
    int status = OpenTarget(store, path, target, true, &file, &record, &id, why);
    if (status != FileOk) return status;
    // A file the store does not keep is closed on every way out.
    struct Closer {
        FileHandle file;
        ~Closer() { FileOsClose(file); }
    } closer{record ? FileNoHandle : file};
    uint64_t hash = 0;
    int err = 0;
    if (!ReadStable(file, 0, nullptr, unhashed ? nullptr : &hash, &id, &err)) {
        *why = ReadFailure(path, err);
        return FileFailed;
    }
    if (record) NoteRead(*record, id, !unhashed, hash);
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
    if (!changed && record.recent && !record.hashed) changed = true; // claimed to be read first, never read
    if (!changed && record.recent) {
        int err = 0;
        uint64_t hash = 0, size = 0;
        FileHandle file = FileOsOpen(target, &err);
        changed = file == FileNoHandle || !HashFile(file, &hash, &size, &err) || hash != record.hash;
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

// Checks the file against the state it was read in, and moves the
// temporary file, all written, into its place. A save that does not happen
// removes the temporary file; FileOk, or the status with `*why`.
int Check(FileStore& store, FileRecord* record, const std::string& target, const FileIdentity* old, FileSink& sink,
          std::string* why) {
    int err = 0;
    int status = FileOsFinishTemp(sink.temp, old, &err) ? FileOk : FileFailed;
    if (status == FileOk) FileOsTestHold(target);
    if (status == FileOk && FileOsSignal()) status = FileInterrupted;
    if (status == FileOk && record) status = StillAsRead(*record, target, why);
    bool mustBeNew = record ? !record->exists : !old;
    FileHandle unused = FileNoHandle;
    // A signal that comes now removes the temporary file, and the move fails;
    // one that comes after it stops the run at the next read or save.
    if (status == FileOk &&
        !FileOsReplace(&sink.temp, sink.tempPath, record ? &record->handle : &unused, target, mustBeNew, &err))
        status = FileOsSignal()                  ? FileInterrupted
                 : FileOsIsTaken(err) && record ? StillAsRead(*record, target, why)
                                                : FileFailed;
    if (status == FileOk) return FileOk;
    FileSinkDrop(sink);
    if (Interrupted(store, why)) return FileInterrupted;
    if (status == FileFailed) *why = SaveFailure(err);
    return status;
}

// The temporary file, checked against the file as read, moved into its
// place; the record then holds the new file.
int Replace(FileStore& store, FileRecord* record, const std::string& target, const FileIdentity* old, FileSink& sink,
            std::string* why) {
    int status = Check(store, record, target, old, sink, why);
    if (status != FileOk) return status;
    FileHandle file = sink.temp; // the file's own now
    sink.temp = FileNoHandle;
    if (!record) {
        FileOsClose(file);
        return FileOk;
    }
    record->handle = file; // the old one was let go by the move
    record->exists = record->exclusive = record->recent = record->hashed = true;
    FileOsIdentityOf(file, &record->identity);
    record->hash = FileHashEnd(sink.hash);
    return FileOk;
}

// A save on its way: what it needs to own the file once its bytes are
// found to differ, and what it found.
struct Save {
    FileStore& store;
    const std::string& path;
    const std::string& target;
    const FileIdentity* old; // the file as looked at before the save; null: nothing was there
    std::string* why;
    FileRecord* record = nullptr;
    int status = FileOk;
    bool seen = false;       // `path` is in the store's `written` already
    std::string name;        // what goes into `written`
};

// Just before the temporary file is made: a guarding store owns the file
// for the save, and room is made for its name among those written, so
// that nothing can fail once the file is replaced.
bool OwnBeforeTemp(void* context) {
    Save& s = *static_cast<Save*>(context);
    if (s.store.guard) {
        s.status = OwnForSave(s.store, s.target, s.old, &s.record, s.why);
        if (s.status != FileOk) return false;
    }
    for (const std::string& name : s.store.written) s.seen |= name == s.path;
    s.name = s.seen ? std::string() : s.path;
    s.store.written.reserve(s.store.written.size() + 1);
    return true;
}

// Whether the maker fails on its own, its bytes going nowhere: its words,
// as when it failed before the save began, win over the save's own.
bool MakerFails(FileMaker make, void* context, std::string* why) {
    FileSink nowhere;
    nowhere.discard = true;
    std::string error;
    if (make(context, nowhere, &error)) return false;
    *why = error;
    return true;
}

// Why a save stopped while its bytes were on their way (the temporary file
// is gone): FileNotMade when the maker would have failed anyway.
int Stopped(Save& s, const FileSink& sink, FileMaker make, void* context) {
    if (!FileOsSignal() && MakerFails(make, context, s.why)) return FileNotMade;
    switch (sink.stop) {
    case SinkRefused: return s.status;
    case SinkNoTemp: *s.why = "no new file can be made beside it (" + SaveFailure(sink.err) + ")"; return FileFailed;
    case SinkOldChanged:
        if (s.record && StillAsRead(*s.record, s.target, s.why) != FileOk) return FileChanged;
        *s.why = "another program changed it while it was saved: it keeps that program's text; this run's changes "
                 "to it are lost (make them again on its new text)";
        return FileChanged;
    }
    if (Interrupted(s.store, s.why)) return FileInterrupted;
    *s.why = SaveFailure(sink.err);
    return FileFailed;
}

// The maker's bytes through the sink: compared with the file, and where
// they differ, into a temporary file that replaces it.
int Stream(Save& s, FileSink& sink, FileMaker make, void* context) {
    sink.folder = FileOsFolderOf(s.target);
    sink.beforeTemp = OwnBeforeTemp;
    sink.context = &s;
    int err = 0;
    if (s.old) sink.old = FileOsOpen(s.target, &err);
    sink.differs = sink.old == FileNoHandle;
    std::string error;
    bool made = make(context, sink, &error);
    if (!made && !sink.stop) {
        FileSinkDrop(sink);
        *s.why = error;
        return FileNotMade;
    }
    bool differs = FileSinkFinish(sink);
    if (sink.stop) {
        FileSinkDrop(sink);
        return Stopped(s, sink, make, context);
    }
    if (!differs) return FileUnchanged;
    return Replace(s.store, s.record, s.target, s.old, sink, s.why);
}

} // namespace

FileStore::~FileStore() { FileStoreRelease(*this); }

int FileStoreRead(FileStore& store, const std::string& path, size_t maxBytes, std::string* data, std::string* why) {
    FileRead read;
    int status = FileStoreReadBegin(store, path, maxBytes, &read, why);
    if (status != FileOk) return status;
    FileStoreReadBytes(read);
    status = FileStoreReadEnd(store, read, why);
    if (status == FileOk) *data = std::move(read.data);
    return status;
}

FileRead::FileRead(FileRead&& other) noexcept { *this = std::move(other); }

FileRead& FileRead::operator=(FileRead&& other) noexcept {
    if (this == &other) return *this;
    FileOsClose(file);
    path = std::move(other.path);
    target = std::move(other.target);
    maxBytes = other.maxBytes;
    record = other.record;
    file = std::exchange(other.file, FileNoHandle);
    read = other.read;
    err = other.err;
    identity = other.identity;
    hash = other.hash;
    data = std::move(other.data);
    return *this;
}

FileRead::~FileRead() { FileOsClose(file); }

int FileStoreReadBegin(FileStore& store, const std::string& path, size_t maxBytes, FileRead* read, std::string* why) {
    if (Interrupted(store, why)) return FileInterrupted;
    std::string target, what;
    if (FileOsResolve(path, &target, &what) != 0) {
        *why = path + " " + what;
        return FileRefused;
    }
    // Nothing that may run out of memory comes once a handle is open.
    read->path = path;
    read->target = std::move(target);
    read->maxBytes = maxBytes;
    FileHandle file = FileNoHandle;
    FileRecord* record = nullptr;
    FileIdentity id;
    int status = OpenTarget(store, path, read->target, false, &file, &record, &id, why);
    if (status != FileOk) return status;
    int err = 0;
    // The reader's own handle: the store may let go of its own meanwhile.
    read->file = record ? FileOsDuplicate(file, &err) : file;
    if (read->file == FileNoHandle) {
        *why = ReadFailure(path, err);
        return FileFailed;
    }
    read->record = record ? size_t(record - store.records.data()) : SIZE_MAX;
    return FileOk;
}

void FileStoreReadBytes(FileRead& read) {
    if (read.file == FileNoHandle) return;
    read.read = ReadStable(read.file, read.maxBytes, &read.data, nullptr, &read.identity, &read.err);
    if (read.read && Recent(read.identity)) read.hash = Hash(read.data);
    FileOsClose(read.file);
    read.file = FileNoHandle;
}

int FileStoreReadEnd(FileStore& store, FileRead& read, std::string* why) {
    if (!read.read) {
        *why = ReadFailure(read.path, read.err);
        return FileFailed;
    }
    if (read.record < store.records.size() && store.records[read.record].target == read.target)
        NoteRead(store.records[read.record], read.identity, true, read.hash);
    return FileOk;
}

int FileStoreClaim(FileStore& store, const std::string& path, bool lock, bool readFirst, std::string* why) {
    std::string target, what;
    if (FileOsResolve(path, &target, &what) != 0) {
        *why = path + " " + what + "; nothing was written: name the file itself";
        return FileRefused;
    }
    FileIdentity now;
    bool there = FileOsLook(target, &now);
    Problem p = there ? ReplaceProblem(now, FileOsFolderOf(target)) : MakeProblem(FileOsFolderOf(target));
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
    return ClaimTarget(store, path, target, why, readFirst);
}

int FileStoreWriteWith(FileStore& store, const std::string& path, FileMaker make, void* context, std::string* why) {
    if (Interrupted(store, why)) return FileInterrupted;
    std::string target, what;
    if (FileOsResolve(path, &target, &what) != 0) {
        *why = "it " + what + "; nothing was written";
        return MakerFails(make, context, why) ? FileNotMade : FileRefused;
    }
    FileIdentity now;
    bool there = FileOsLook(target, &now);
    Problem p = there ? ReplaceProblem(now, FileOsFolderOf(target)) : MakeProblem(FileOsFolderOf(target));
    if (!p.what.empty()) {
        *why = "it " + p.what + "; it is as it was: " + p.todo;
        return MakerFails(make, context, why) ? FileNotMade : FileRefused;
    }
    Save s{store, path, target, there ? &now : nullptr, why, nullptr, FileOk, false, {}};
    FileSink sink;
    int status = FileOk;
    try {
        status = Stream(s, sink, make, context);
    } catch (...) {
        FileSinkDrop(sink); // out of memory: no temporary file stays
        throw;
    }
    if (status == FileOk && !s.seen) store.written.push_back(std::move(s.name));
    return status;
}

int FileStoreWrite(FileStore& store, const std::string& path, const void* data, size_t size, std::string* why) {
    FileSinkBytes bytes{data, size};
    return FileStoreWriteWith(store, path, FileSinkPutBytes, &bytes, why);
}

void FileStoreRelease(FileStore& store) {
    for (FileRecord& r : store.records) FileOsClose(r.handle);
    FileOsSettle(); // and those of the files it replaced
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
