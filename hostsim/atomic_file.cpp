// Atomic saves: a temporary file in the target's folder, written, flushed to
// the disk, then moved over the target in one step. On Windows the names are
// in the ANSI code page, as FrameMaker's file names are; the file calls take
// them widened so that no name is cut by the code page's limits.
#include "hostsim/atomic_file.h"

#ifdef _WIN32

#include <windows.h>

#include <climits>

namespace {

// The system's text for `err` without its closing line break.
std::string ErrorText(DWORD err) {
    char* text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, err, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string out = n && text ? std::string(text, n) : "error " + std::to_string(err);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    return out;
}

bool Widen(const std::string& name, std::wstring* out) {
    if (name.size() > (size_t)INT_MAX) return false;
    int n = MultiByteToWideChar(CP_ACP, 0, name.data(), (int)name.size(), nullptr, 0);
    if (n <= 0 && !name.empty()) return false;
    out->assign((size_t)n, L'\0');
    return name.empty() || MultiByteToWideChar(CP_ACP, 0, name.data(), (int)name.size(), out->data(), n) == n;
}

} // namespace

bool AtomicWriteFile(const std::string& localPath, const void* data, size_t size, std::string* error) {
    size_t slash = localPath.find_last_of("\\/");
    std::string base = slash == std::string::npos ? localPath : localPath.substr(slash + 1);
    std::string folder = slash == std::string::npos ? std::string() : localPath.substr(0, slash + 1);
    auto fail = [&](const char* what, DWORD err) {
        *error = (base.empty() ? localPath : base) + ": " + what + (err ? ": " + ErrorText(err) : "");
        return false;
    };
    if (base.empty()) return fail("no file name", 0);

    std::wstring target;
    if (!Widen(localPath, &target)) return fail("cannot save", ERROR_NO_UNICODE_TRANSLATION);
    DWORD attributes = GetFileAttributesW(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
        return fail("is a folder", 0);

    // A name beside the target, so the move stays on one volume; CREATE_NEW
    // makes it ours alone. Not marked hidden: the move keeps the attributes.
    std::wstring temp;
    HANDLE file = INVALID_HANDLE_VALUE;
    DWORD err = 0;
    for (unsigned attempt = 0; attempt < 100 && file == INVALID_HANDLE_VALUE; ++attempt) {
        std::string name = folder + "~" + base + "." + std::to_string(GetCurrentProcessId()) + "." +
                           std::to_string(GetTickCount() + attempt) + ".tmp";
        if (!Widen(name, &temp)) return fail("cannot save", ERROR_NO_UNICODE_TRANSLATION);
        file = CreateFileW(temp.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
        err = file == INVALID_HANDLE_VALUE ? GetLastError() : 0;
        if (err != ERROR_FILE_EXISTS && err != ERROR_ALREADY_EXISTS) break;
    }
    if (file == INVALID_HANDLE_VALUE) return fail("cannot write in its folder", err);

    const char* p = static_cast<const char*>(data);
    size_t left = size;
    while (left && !err) {
        DWORD chunk = left > 0x40000000u ? 0x40000000u : (DWORD)left;
        DWORD written = 0;
        if (!WriteFile(file, p, chunk, &written, nullptr)) err = GetLastError();
        else if (written == 0) err = ERROR_WRITE_FAULT;
        p += written;
        left -= written;
    }
    if (!err && !FlushFileBuffers(file)) err = GetLastError();
    if (!CloseHandle(file) && !err) err = GetLastError();
    if (!err && !MoveFileExW(temp.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        err = GetLastError();
    if (err) {
        DeleteFileW(temp.c_str());
        return fail("cannot save", err);
    }
    return true;
}

#else

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

#endif
