// The file store's system calls on POSIX systems: lstat and readlink for
// links, flock for locks (an fcntl record lock would be dropped whenever the
// process closed any descriptor of the file; flock belongs to the open file
// and dies with the process), mkstemp for temporary files, rename and an
// fsync of the folder for the replace, sigaction for the signals.
#ifndef _WIN32

#include "hostsim/file_os.h"

#include "hostsim/large_pages.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <condition_variable>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <fstream>
#include <mutex>
#include <new>
#include <pthread.h>
#include <system_error>
#include <thread>
#include <vector>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

namespace {

// The temporary file being written, for the signal handler: the name is
// complete whenever `tempLive` is set.
char tempName[PATH_MAX + 32];
volatile sig_atomic_t tempLive = 0;
volatile sig_atomic_t caught = 0;

// Temporary files are ".vellor-" and six characters of mkstemp's: short
// enough beside any name the file system takes.
const char TempPrefix[] = ".vellor-";
constexpr size_t TempPrefixSize = sizeof TempPrefix - 1;

const char* KindOf(mode_t mode) {
    if (S_ISREG(mode)) return "";
    if (S_ISDIR(mode)) return "a folder";
    if (S_ISFIFO(mode)) return "a fifo";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "a device";
    if (S_ISSOCK(mode)) return "a socket";
    if (S_ISLNK(mode)) return "a symbolic link";
    return "not a file";
}

void Fill(const struct stat& st, FileIdentity* out) {
    out->device = (uint64_t)st.st_dev;
    out->inode = (uint64_t)st.st_ino;
    out->size = (uint64_t)st.st_size;
    out->mtimeSec = (int64_t)st.st_mtim.tv_sec;
    out->mtimeNsec = (int64_t)st.st_mtim.tv_nsec;
    out->mode = (uint32_t)(st.st_mode & 07777);
    out->links = (uint32_t)st.st_nlink;
    out->owner = (uint32_t)st.st_uid;
    out->group = (uint32_t)st.st_gid;
    out->regular = S_ISREG(st.st_mode);
    out->readOnly = (st.st_mode & 0222) == 0;
    out->kind = KindOf(st.st_mode);
}

bool SystemPath(const std::string& path) {
    for (const char* root : {"/dev/", "/proc/", "/sys/"})
        if (path.compare(0, std::strlen(root), root) == 0) return true;
    return path == "/dev" || path == "/proc" || path == "/sys";
}

// The process holding a flock on the file, from the kernel's table of locks
// (Linux): "1: FLOCK  ADVISORY  WRITE 1234 08:01:5678 0 EOF". The inode
// decides; the device as printed there need not be the one stat gives
// (overlay file systems), so it only breaks a tie.
long LockHolder(const struct stat& st) {
    std::ifstream locks("/proc/locks");
    long found = 0;
    for (std::string line; std::getline(locks, line);) {
        char type[16] = "", access[16] = "";
        long pid = 0;
        unsigned major = 0, minor = 0;
        unsigned long long inode = 0;
        const char* at = std::strchr(line.c_str(), ':');
        if (!at) continue;
        ++at;
        while (*at == ' ' || *at == '-' || *at == '>') ++at;
        if (std::sscanf(at, "%15s %*s %15s %ld %x:%x:%llu", type, access, &pid, &major, &minor, &inode) != 6)
            continue;
        if (inode != (unsigned long long)st.st_ino || pid <= 0 || pid == (long)getpid()) continue;
        if (major == major(st.st_dev) && minor == minor(st.st_dev)) return pid;
        if (!found) found = pid;
    }
    return found;
}

void OnSignal(int signal) {
    int saved = errno;
    caught = signal;
    if (tempLive) ::unlink(tempName);
    errno = saved;
}

} // namespace

std::string FileOsLastName(const std::string& path) {
    size_t cut = path.find_last_of('/');
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string FileOsFolderOf(const std::string& path) {
    size_t cut = path.find_last_of('/');
    if (cut == std::string::npos) return ".";
    return cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
}

int FileOsResolve(const std::string& path, std::string* target, std::string* why) {
    std::string at = path;
    for (int hops = 0;; ++hops) {
        if (SystemPath(at)) {
            *why = "is a device or a process's file, not a document";
            return -1;
        }
        struct stat st;
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) break;
        if (hops == 40) {
            *why = "is a chain of too many symbolic links";
            return -1;
        }
        std::string link(PATH_MAX, '\0');
        ssize_t n = ::readlink(at.c_str(), link.data(), link.size());
        if (n < 0 || (size_t)n >= link.size()) break;
        link.resize((size_t)n);
        at = link[0] == '/' ? link : FileOsFolderOf(at) + "/" + link;
    }
    *target = at;
    return 0;
}

bool FileOsLook(const std::string& path, FileIdentity* out) {
    struct stat st;
    if (::lstat(path.c_str(), &st) != 0) return false;
    Fill(st, out);
    return true;
}

bool FileOsIdentityOf(FileHandle file, FileIdentity* out) {
    struct stat st;
    if (::fstat((int)file, &st) != 0) return false;
    Fill(st, out);
    return true;
}

FileHandle FileOsOpen(const std::string& path, int* err) {
    // A run keeps every file of a book open for its lock: room for books of
    // thousands of documents, not the usual 1024 descriptors.
    static bool raised = false;
    struct rlimit files;
    if (!raised && ::getrlimit(RLIMIT_NOFILE, &files) == 0 && files.rlim_cur < 65536 &&
        files.rlim_cur < files.rlim_max) {
        files.rlim_cur = std::min<rlim_t>(files.rlim_max, 65536);
        ::setrlimit(RLIMIT_NOFILE, &files);
    }
    raised = true;
    int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) *err = errno;
    return fd < 0 ? FileNoHandle : fd;
}

void FileOsClose(FileHandle file) {
    if (file != FileNoHandle) ::close((int)file);
}

FileHandle FileOsDuplicate(FileHandle file, int* err) {
    int fd = ::fcntl((int)file, F_DUPFD_CLOEXEC, 0);
    if (fd < 0) *err = errno;
    return fd < 0 ? FileNoHandle : fd;
}

int FileOsLock(FileHandle file, bool exclusive, long* holder) {
    *holder = 0;
    int fd = (int)file;
    for (;;) {
        if (::flock(fd, (exclusive ? LOCK_EX : LOCK_SH) | LOCK_NB) == 0) return 1;
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) return 1; // a file system without locks: nothing to exclude with
        struct stat st;
        if (::fstat(fd, &st) == 0) *holder = LockHolder(st);
        return 0;
    }
}

bool FileOsReadAll(FileHandle file, size_t maxBytes, std::string* data, int* err) {
    struct stat st;
    *err = 0;
    if (::fstat((int)file, &st) != 0) {
        *err = errno;
        return false;
    }
    if ((unsigned long long)st.st_size > maxBytes) return false;
    // Read straight into a string of the file's size; a file that grows
    // meanwhile is read on to its end, within `maxBytes`.
    data->clear();
    data->reserve((size_t)st.st_size + 1);
    LargePagesAdvise(data->data(), data->capacity());
    data->resize((size_t)st.st_size + 1);
    size_t have = 0;
    for (;;) {
        if (have == data->size()) {
            if (have > maxBytes) break;
            data->resize(std::min(maxBytes + 1, have * 2 + 65536));
        }
        ssize_t n = ::pread((int)file, &(*data)[have], data->size() - have, (off_t)have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *err = errno;
            return false;
        }
        if (n == 0) break;
        have += (size_t)n;
    }
    data->resize(have);
    return have <= maxBytes;
}

bool FileOsReadAt(FileHandle file, uint64_t offset, void* data, size_t size, size_t* got, int* err) {
    char* p = static_cast<char*>(data);
    *got = 0;
    while (*got < size) {
        ssize_t n = ::pread((int)file, p + *got, size - *got, (off_t)(offset + *got));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *err = errno;
            return false;
        }
        if (n == 0) break;
        *got += (size_t)n;
    }
    return true;
}

int FileOsFolderWritable(const std::string& folder) {
    struct stat st;
    if (::stat(folder.c_str(), &st) != 0) return errno;
    if (!S_ISDIR(st.st_mode)) return ENOTDIR;
    if ((st.st_mode & 0222) == 0) return EACCES;
    return ::access(folder.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

uint32_t FileOsUser() { return (uint32_t)::geteuid(); }

FileHandle FileOsMakeTemp(const std::string& folder, std::string* tempPath, int* err) {
    if (folder.size() + TempPrefixSize + 8 > PATH_MAX) {
        *err = ENAMETOOLONG;
        return FileNoHandle;
    }
    tempPath->reserve(folder.size() + TempPrefixSize + 16); // no allocation once the file is there
    for (int attempt = 0; attempt < 100; ++attempt) {
        tempLive = 0;
        std::snprintf(tempName, sizeof tempName, "%s/%sXXXXXX", folder.c_str(), TempPrefix);
        int fd = ::mkostemp(tempName, O_CLOEXEC);
        if (fd < 0) {
            *err = errno;
            return FileNoHandle;
        }
        // A cleaner that found the name before the lock was taken removes
        // it: the lock must be ours and the name still this file's.
        struct stat mine, named;
        bool ours = ::flock(fd, LOCK_EX | LOCK_NB) == 0 && ::fstat(fd, &mine) == 0 &&
                    ::lstat(tempName, &named) == 0 && mine.st_ino == named.st_ino && mine.st_dev == named.st_dev;
        if (ours) {
            tempLive = 1;
            *tempPath = tempName;
            return fd;
        }
        ::close(fd);
    }
    *err = EEXIST;
    return FileNoHandle;
}

// One write() of a chapter (800 KB) usually takes a fifth of a millisecond,
// yet now and then 30 to 100 ms. Neither the lock nor the fsync of the file
// before is the cause, nor writeback throttling (a book leaves some 40 MB
// dirty, far below the dirty limits): a plain loop writing new files, with
// no lock and no fsync, shows the same. Measured, two things stretch it.
// The write copies into page-cache pages taken from free memory; a virtual
// machine that reports its free memory to the host (virtio-balloon free
// page reporting) has had those pages taken back, and each costs a fault in
// the host at its first touch: the same 100 writes took 26-52 ms of CPU
// straight after others freed their pages and 500-640 ms after 8 seconds
// idle. And on a loaded machine the writer is preempted: the slowest write
// had 6 ms of CPU in 90 ms of wall time. Any save pays both alike; the
// bytes go in at most 1 MB a call, which keeps a stop asked for by a signal
// near.
bool FileOsWriteAll(FileHandle file, const void* data, size_t size, int* err) {
    const char* p = static_cast<const char*>(data);
    while (size) {
        if (caught) {
            *err = EINTR;
            return false;
        }
        ssize_t n = ::write((int)file, p, std::min(size, (size_t)1 << 20));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            *err = n < 0 ? errno : EIO;
            return false;
        }
        p += n;
        size -= (size_t)n;
    }
    return true;
}

bool FileOsFinishTemp(FileHandle file, const FileIdentity* old, int* err) {
    int fd = (int)file;
    mode_t mode;
    if (old) {
        mode = (mode_t)old->mode;
        // The group stays where the user may keep it; the owner is the
        // user's (a file of another owner is refused before this).
        struct stat st;
        if (::fstat(fd, &st) == 0 && st.st_gid != (gid_t)old->group) (void)!::fchown(fd, (uid_t)-1, (gid_t)old->group);
    } else {
        // A new file gets the usual permissions rather than mkstemp's 0600.
        mode_t mask = ::umask(0);
        ::umask(mask);
        mode = 0666 & ~mask;
    }
    if (::fchmod(fd, mode) != 0 || ::fsync(fd) != 0) {
        *err = errno;
        return false;
    }
    return true;
}

namespace {

// The last close of a file that has been replaced lets go of its blocks,
// and a file system that discards freed blocks waits on the disk for that
// (ext4 mounted with `discard`: a few tenths of a millisecond a file). No
// save needs to wait for it, so a thread of its own closes such handles
// while the run goes on. It takes no signals: they reach the run's threads
// as before. It is made on first use and lives as long as the process
// (handles still queued at the end close with it).
struct Closer {
    std::mutex lock;
    std::condition_variable wake;    // handles to close
    std::condition_variable settled; // none left, none being closed
    std::vector<int> handles;
    bool closing = false;
    std::thread thread;

    void Run() {
        std::unique_lock<std::mutex> hold(lock);
        for (;;) {
            wake.wait(hold, [this] { return !handles.empty(); });
            std::vector<int> now;
            now.swap(handles);
            closing = true;
            hold.unlock();
            for (int fd : now) ::close(fd);
            hold.lock();
            closing = false;
            if (handles.empty()) settled.notify_all();
        }
    }
};

Closer* closer = nullptr; // the closer, once a handle has been handed to it

// The closer, made now if need be; null when no thread can be had.
Closer* TheCloser() {
    static Closer* made = [] {
        auto* c = new (std::nothrow) Closer;
        if (!c) return c;
        sigset_t all, before;
        sigfillset(&all);
        pthread_sigmask(SIG_SETMASK, &all, &before);
        try {
            c->thread = std::thread([c] { c->Run(); });
        } catch (const std::system_error&) {
            delete c;
            c = nullptr;
        }
        pthread_sigmask(SIG_SETMASK, &before, nullptr);
        return c;
    }();
    return made;
}

void CloseReplaced(FileHandle file) {
    if (file == FileNoHandle) return;
    Closer* c = TheCloser();
    bool queued = false;
    if (c) {
        try {
            std::lock_guard<std::mutex> hold(c->lock);
            c->handles.push_back((int)file);
            queued = true;
        } catch (const std::bad_alloc&) {
        }
    }
    if (!queued) {
        ::close((int)file); // here and now, as without a thread
        return;
    }
    closer = c;
    c->wake.notify_one();
}

} // namespace

bool FileOsReplace(FileHandle*, const std::string& tempPath, FileHandle* old, const std::string& target, bool mustBeNew,
                   int* err) {
    std::string folder = FileOsFolderOf(target); // nothing can fail once the file is moved
    int done = -1;
    if (mustBeNew) {
        done = ::renameat2(AT_FDCWD, tempPath.c_str(), AT_FDCWD, target.c_str(), RENAME_NOREPLACE);
        // A file system without RENAME_NOREPLACE: a hard link fails on a
        // name that is there just the same.
        if (done != 0 && (errno == EINVAL || errno == ENOSYS) && (done = ::link(tempPath.c_str(), target.c_str())) == 0)
            ::unlink(tempPath.c_str());
    } else {
        done = ::rename(tempPath.c_str(), target.c_str());
    }
    if (done != 0) {
        *err = errno;
        return false;
    }
    tempLive = 0;
    // The rename is in the folder's data: without this a crash may undo it.
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        (void)::fsync(dir);
        ::close(dir);
    }
    CloseReplaced(*old);
    *old = FileNoHandle;
    return true;
}

void FileOsSettle() {
    if (!closer) return;
    std::unique_lock<std::mutex> hold(closer->lock);
    closer->settled.wait(hold, [] { return closer->handles.empty() && !closer->closing; });
}

void FileOsDropTemp(FileHandle temp, const std::string& tempPath) {
    tempLive = 0;
    ::unlink(tempPath.c_str());
    ::close((int)temp);
}

void FileOsSweepLeftovers(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (struct dirent* entry = ::readdir(dir)) {
        const char* name = entry->d_name;
        if (std::strncmp(name, TempPrefix, TempPrefixSize) != 0 || std::strlen(name) != TempPrefixSize + 6) continue;
        std::string path = folder + "/" + name;
        int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) continue;
        struct stat mine, named;
        // Its writer is gone when its lock can be taken; the name must still
        // be this file's when it is removed.
        if (::fstat(fd, &mine) == 0 && S_ISREG(mine.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0 &&
            ::lstat(path.c_str(), &named) == 0 && named.st_ino == mine.st_ino && named.st_dev == mine.st_dev)
            ::unlink(path.c_str());
        ::close(fd);
    }
    ::closedir(dir);
}

std::string FileOsErrorText(int err) { return std::strerror(err); }
bool FileOsIsMissing(int err) { return err == ENOENT || err == ENOTDIR; }
bool FileOsIsFull(int err) { return err == ENOSPC || err == EDQUOT; }
bool FileOsIsDenied(int err) { return err == EACCES || err == EPERM || err == EROFS; }
bool FileOsIsTaken(int err) { return err == EEXIST; }

void FileOsCatchSignals() {
    for (int signal : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction old;
        if (::sigaction(signal, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
        struct sigaction action = {};
        action.sa_handler = OnSignal;
        sigemptyset(&action.sa_mask);
        // A second signal ends the run at once; the next run removes what
        // it leaves.
        action.sa_flags = SA_RESTART | SA_RESETHAND;
        ::sigaction(signal, &action, nullptr);
    }
}

int FileOsSignal() { return caught; }

const char* FileOsSignalName(int signal) {
    switch (signal) {
    case SIGINT: return "SIGINT";
    case SIGTERM: return "SIGTERM";
    case SIGHUP: return "SIGHUP";
    }
    return "a signal";
}

void FileOsTestHold(const std::string& target) {
    static const char* folder = std::getenv("VELLOR_TEST_SAVE_HOLD");
    if (!folder || !*folder) return;
    std::string held = std::string(folder) + "/held", go = std::string(folder) + "/go";
    std::ofstream(held + ".new") << target << "\n";
    std::rename((held + ".new").c_str(), held.c_str());
    timespec pause{0, 5000000};
    while (!caught && ::access(go.c_str(), F_OK) != 0) ::nanosleep(&pause, nullptr);
    // "held" goes first: once "go" is gone, a test waiting for the next hold sees only a new "held".
    ::unlink(held.c_str());
    ::unlink(go.c_str());
}

#endif
