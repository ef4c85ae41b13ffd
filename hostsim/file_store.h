// The one place files are read and written. Reading opens the file a name
// leads to (links followed) and refuses what is not a regular file. Writing
// replaces a file in one step through a short temporary name beside it,
// keeps its permissions, syncs the folder, writes nothing when the bytes
// would not change, and refuses what the run may not replace: a read-only
// file, another user's file, a file with several hard links, a folder it
// cannot write in.
//
// A store that guards its files (`guard`, as vellor-host's does) also owns
// them for the run: each file read is locked (shared; exclusive once
// claimed for writing) until the store is released, so that two runs never
// work on the same file at once; it remembers each file as read, and a save
// first checks that the file is still the one read (identity, size, time
// stamp, and the bytes themselves when the time stamp is too recent to
// tell) and refuses to replace another writer's text. It replaces no file
// it has not read or claimed, and removes what runs that were killed left
// in the folders it works in.
#pragma once

#include "hostsim/file_os.h"
#include "hostsim/file_sink.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string>
#include <vector>

enum FileStatus {
    FileOk = 0,
    FileUnchanged,   // a save whose bytes the file already holds: not written
    FileNotFound,
    FileRefused,     // not a file the run may read or replace
    FileHeld,        // another run holds it
    FileChanged,     // another program changed it since it was read
    FileFailed,      // the system failed the read or the write
    FileInterrupted, // a signal asked the run to stop
    FileNotMade,     // the maker of a save's bytes failed: nothing was written
};

// A file the store has read or claimed.
struct FileRecord {
    std::string target;        // the file itself (links followed)
    bool exists = false;       // false: claimed to be made, nothing there when looked at
    FileIdentity identity;     // as read or last written
    uint64_t hash = 0;         // of the bytes as read or last written, when `recent` and `hashed`
    bool recent = false;       // the time stamp was too close to the read to tell a later write by
    bool hashed = false;       // `hash` is known (a claim of a file to be read first has none)
    bool exclusive = false;    // locked for writing
    FileHandle handle = FileNoHandle; // holds the lock
};

struct FileStore {
    bool guard = false;
    std::vector<FileRecord> records;
    std::set<std::string> swept; // folders cleared of dead runs' temporary files
    std::vector<std::string> written; // files saved, in the order of their first save (as named)
    // Called when a signal has asked the run to stop, at the store's next
    // read or save, before anything more is written (may be null: the read
    // or save then fails with FileInterrupted).
    void (*onInterrupt)(void* context, int signal) = nullptr;
    void* interruptContext = nullptr;

    FileStore() = default;
    FileStore(const FileStore&) = delete;
    FileStore& operator=(const FileStore&) = delete;
    ~FileStore();
};

// Reads the whole file `path` (local name) into `data`, refusing more than
// `maxBytes`. FileOk, or a status with `*why`: "<last name>: <what>" for a
// file that is not there or fails ("ch1.mif: no such file"), "<path> <what>"
// for one that is refused or held.
int FileStoreRead(FileStore& store, const std::string& path, size_t maxBytes, std::string* data, std::string* why);

// FileStoreRead in three steps, so that the bytes are read on another
// thread: begun on the store's (the file opened, checked and kept, as
// FileStoreRead does it), its bytes read anywhere (FileStoreReadBytes
// touches no store), and ended on the store's, which notes the file as
// read. A read begun is ended, or let go without noting anything.
struct FileRead {
    std::string path, target;          // as named, and the file itself
    size_t maxBytes = 0;
    size_t record = SIZE_MAX;          // the store's record of it, when it keeps one
    FileHandle file = FileNoHandle;    // the reader's own handle, closed once read
    // What reading found:
    bool read = false;
    int err = 0;
    FileIdentity identity;
    uint64_t hash = 0; // of `data`, when the time stamp is recent
    std::string data;

    FileRead() = default;
    FileRead(FileRead&& other) noexcept;
    FileRead& operator=(FileRead&& other) noexcept;
    ~FileRead();
};
// FileOk, or a status with `*why`, as FileStoreRead's.
int FileStoreReadBegin(FileStore& store, const std::string& path, size_t maxBytes, FileRead* read, std::string* why);
void FileStoreReadBytes(FileRead& read);
// FileOk with the file noted as read (`read.data` holds its bytes), or
// FileFailed with `*why`.
int FileStoreReadEnd(FileStore& store, FileRead& read, std::string* why);

// Claims `path` for writing before the run changes anything: FileOk when a
// save could replace it (or make it), else FileRefused or FileHeld with
// `*why`: "<path> <what>; <what to do>". With `lock` (a guarding store) it
// is locked for writing from now on. A file claimed `readFirst` is read
// through the store before any save of it (a document the run opens): its
// bytes are not hashed now, as the read records them; a save of it that
// was never read is refused as a save of a file changed.
int FileStoreClaim(FileStore& store, const std::string& path, bool lock, bool readFirst, std::string* why);

// Writes `size` bytes as the file `path`: FileOk, FileUnchanged (the file
// holds them already and keeps its time stamp), or a status with `*why`
// saying what happened and what to do, without the file's name ("another
// program changed it after it was read; ..."). A failed save leaves the
// file as it was and no temporary file behind.
int FileStoreWrite(FileStore& store, const std::string& path, const void* data, size_t size, std::string* why);

// Makes the bytes of a save, handing them to `sink` (FileSinkPut) as they
// are made. False when it cannot make them, with `*error` saying why, or
// when the sink has stopped taking them.
typedef bool (*FileMaker)(void* context, FileSink& sink, std::string* error);

// FileStoreWrite for bytes made as they are saved, never held whole: they
// are compared with the file as they come, and written to the temporary
// file from the first that differs. FileNotMade, with the maker's words in
// `*why`, when the maker fails, before or after the checks that refuse the
// file.
int FileStoreWriteWith(FileStore& store, const std::string& path, FileMaker make, void* context, std::string* why);

// Lets every file go (closes them, dropping their locks).
void FileStoreRelease(FileStore& store);

// Signals that stop a run (Ctrl-C, SIGTERM, SIGHUP): caught once per
// process; the signal that came, or 0.
void FileStoreCatchSignals();
int FileStoreSignal();
// The check every read and save makes, for a run to make between documents
// too: a stop asked for calls `onInterrupt`. The signal, or 0.
int FileStoreCheckpoint(FileStore& store);
