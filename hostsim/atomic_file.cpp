// Atomic saves over POSIX: mkstemp in the target's folder, write, fsync,
// rename over the target.
#include "hostsim/atomic_file.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

bool AtomicWriteFile(const std::string& localPath, const void* data, size_t size, std::string* error) {
    size_t slash = localPath.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : localPath.substr(0, slash ? slash : 1);
    std::string base = slash == std::string::npos ? localPath : localPath.substr(slash + 1);
    auto fail = [&](const char* what, int err) {
        *error = (base.empty() ? localPath : base) + ": " + what + (err ? std::string(": ") + std::strerror(err) : "");
        return false;
    };
    if (base.empty()) return fail("no file name", 0);

    struct stat old;
    bool replacing = ::stat(localPath.c_str(), &old) == 0;
    if (replacing && S_ISDIR(old.st_mode)) return fail("is a folder", 0);

    // A hidden name beside the target, so the rename stays on one file system.
    std::string temp = folder + "/." + base + ".XXXXXX";
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return fail("cannot write in its folder", errno);

    const char* p = static_cast<const char*>(data);
    size_t left = size;
    int err = 0;
    while (left) {
        ssize_t n = ::write(fd, p, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            err = n < 0 ? errno : EIO;
            break;
        }
        p += n;
        left -= (size_t)n;
    }
    if (!err && replacing && ::fchmod(fd, old.st_mode & 07777) != 0) err = errno;
    if (!err && !replacing) {
        // A new file gets the usual permissions rather than mkstemp's 0600.
        mode_t mask = ::umask(0);
        ::umask(mask);
        if (::fchmod(fd, 0666 & ~mask) != 0) err = errno;
    }
    if (!err && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && !err) err = errno;
    if (!err && ::rename(temp.c_str(), localPath.c_str()) != 0) err = errno;
    if (err) {
        ::unlink(temp.c_str());
        return fail("cannot save", err);
    }
    return true;
}
