// The operating system's side of the file store (file_store.h): following
// links, telling files apart, locks that die with the process, temporary
// files that a signal or the next run can clean up, and the one-step
// replace. One implementation per system (file_os_posix.cpp,
// file_os_windows.cpp); the store above decides what to do with them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// An open file: a descriptor, or a Windows handle. Open files of the store
// hold its locks, so they stay open as long as the run owns the file.
typedef intptr_t FileHandle;
constexpr FileHandle FileNoHandle = -1;

// What tells one state of a file from another, and what decides whether
// the run may replace it.
struct FileIdentity {
    uint64_t device = 0, inode = 0; // Windows: the volume's serial number, the file index
    uint64_t size = 0;
    int64_t mtimeSec = 0, mtimeNsec = 0;
    uint32_t mode = 0;         // permission bits (POSIX)
    uint32_t links = 1;        // names the file has
    uint32_t owner = 0, group = 0;
    bool regular = false;
    bool readOnly = false;     // no write permission bit, or Windows' read-only attribute
    const char* kind = "";     // what a file that is not regular is: "a folder", "a fifo", ...
};

// The last name of the local path `path` ("ch1.mif" of "/docs/ch1.mif"),
// and the folder it names it in ("." when it names none). Only the system's
// separators count: on Linux a backslash is part of a name.
std::string FileOsLastName(const std::string& path);
std::string FileOsFolderOf(const std::string& path);

// The file `path` ends at after following symbolic links (it may not
// exist). 0, or -1 with `*why` when the chain leads into the system's
// devices or processes (/dev/stdin is a link into /proc), loops, or is a
// kind of link this system refuses.
int FileOsResolve(const std::string& path, std::string* target, std::string* why);

// What is at `path` now, a link at its end not followed. False when nothing is.
bool FileOsLook(const std::string& path, FileIdentity* out);
bool FileOsIdentityOf(FileHandle file, FileIdentity* out);

// Opens `path` to read, without waiting (a fifo does not block) and without
// following a link at its end. FileNoHandle with `*err` (the system's code).
FileHandle FileOsOpen(const std::string& path, int* err);
void FileOsClose(FileHandle file);
// A second handle to the same open file (its lock is the first's), for
// another thread to read through and close. FileNoHandle with `*err`.
FileHandle FileOsDuplicate(FileHandle file, int* err);

// A lock that the system drops when the process ends: shared for reading,
// exclusive for writing. Never waits. 1 when taken; 0 when another process
// holds it, with `*holder` its process id (0 when the system does not say).
int FileOsLock(FileHandle file, bool exclusive, long* holder);

// The whole file from its first byte, refusing more than `maxBytes`
// (`*err` 0 then: too large). False with `*err` otherwise.
bool FileOsReadAll(FileHandle file, size_t maxBytes, std::string* data, int* err);

// Up to `size` bytes from `offset` into `data`, fewer only where the file
// ends (`*got`). False with `*err`.
bool FileOsReadAt(FileHandle file, uint64_t offset, void* data, size_t size, size_t* got, int* err);

// Whether the user may make new files in `folder` (which must exist and be
// writable: a folder with no write permission bit counts as closed even
// for a privileged user). 0, or an errno-style code.
int FileOsFolderWritable(const std::string& folder);
// The user's id: a file of another owner cannot be replaced without
// changing its owner.
uint32_t FileOsUser();

// A new temporary file in `folder` with a short fixed-pattern name, locked
// as long as it is open, and known to the signal handler, which removes it.
// FileNoHandle with `*err`.
FileHandle FileOsMakeTemp(const std::string& folder, std::string* tempPath, int* err);
// Writes all of `data`; stops early (EINTR) when a signal asks the run to stop.
bool FileOsWriteAll(FileHandle file, const void* data, size_t size, int* err);
// Gives the temporary file the permissions of the file it replaces (`old`,
// null for a new file), and flushes it to the disk.
bool FileOsFinishTemp(FileHandle file, const FileIdentity* old, int* err);
// Moves the temporary file into `target`'s place in one step (`mustBeNew`:
// only if nothing is there; FileOsIsTaken otherwise), then syncs the folder.
// `*temp` stays open and locked: it is now `target`'s handle (Windows,
// which cannot move an open file, opens it again). `*old`, the target's own
// open handle, is let go (FileNoHandle after): closed first on Windows (an
// open file cannot be replaced), and on other systems closed after the move
// by a thread of its own, since the last close of a replaced file may wait
// on the disk. When the move fails, `*old` is the target's handle still.
bool FileOsReplace(FileHandle* temp, const std::string& tempPath, FileHandle* old, const std::string& target,
                   bool mustBeNew, int* err);
// Waits until every handle let go by FileOsReplace is closed.
void FileOsSettle();
// Removes a temporary file that is not going to replace anything, and closes it.
void FileOsDropTemp(FileHandle temp, const std::string& tempPath);

// Removes from `folder` the temporary files of runs that are gone: those
// whose lock can be taken. A live run's are left alone.
void FileOsSweepLeftovers(const std::string& folder);

// The system's words for `err` ("No space left on device").
std::string FileOsErrorText(int err);
// `err` codes the store tells apart.
bool FileOsIsMissing(int err);
bool FileOsIsFull(int err);
bool FileOsIsDenied(int err);
bool FileOsIsTaken(int err); // the name is there already (a replace that must be new)

// Ctrl-C, SIGTERM and SIGHUP (Windows: the console's Ctrl-C, Ctrl-Break and
// close) set a flag and remove the temporary file being written; the run
// checks the flag. A signal that was ignored when the program started stays
// ignored.
void FileOsCatchSignals();
// The signal that asked the run to stop, or 0.
int FileOsSignal();
// "SIGINT", "SIGTERM", ...
const char* FileOsSignalName(int signal);

// Test equipment, off unless VELLOR_TEST_SAVE_HOLD names a folder: each save
// writes "held" there (holding `target`) once its temporary file is
// written, and waits until "go" appears (or a signal stops the run), so that
// a test can change the file, start another run or send a signal at a known
// point. The flag files are removed before the save goes on.
void FileOsTestHold(const std::string& target);
