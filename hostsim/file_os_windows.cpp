// The file store's system calls on Windows. Names are in the ANSI code page,
// as FrameMaker's file names are; the calls take them widened so that no
// name is cut by the code page's limits. Locks are byte-range locks far past
// any file's end (LockFileEx), which leave the file's bytes readable and go
// with the process. Links (reparse points) are refused rather than followed.
// The read-only attribute stands for a read-only file. A temporary file is
// open without read sharing while it is written, which is how a cleaner
// tells a live run's from a dead one's. Console control events set the flag
// only: the handler runs on a thread of its own.
#ifdef _WIN32

#include "hostsim/file_os.h"

#include <windows.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

volatile LONG caught = 0;

const wchar_t TempPrefix[] = L".vellor-";
constexpr size_t TempPrefixSize = sizeof TempPrefix / sizeof TempPrefix[0] - 1;

// Seconds between 1601 and 1970, the two epochs.
constexpr int64_t EpochGap = 11644473600ll;

bool Widen(const std::string& name, std::wstring* out) {
    if (name.size() > (size_t)INT_MAX) return false;
    int n = MultiByteToWideChar(CP_ACP, 0, name.data(), (int)name.size(), nullptr, 0);
    if (n <= 0 && !name.empty()) return false;
    out->assign((size_t)n, L'\0');
    return name.empty() || MultiByteToWideChar(CP_ACP, 0, name.data(), (int)name.size(), out->data(), n) == n;
}

std::wstring Wide(const std::string& name) {
    std::wstring out;
    Widen(name, &out);
    return out;
}

void Fill(const BY_HANDLE_FILE_INFORMATION& info, FileIdentity* out) {
    out->device = info.dwVolumeSerialNumber;
    out->inode = (uint64_t)info.nFileIndexHigh << 32 | info.nFileIndexLow;
    out->size = (uint64_t)info.nFileSizeHigh << 32 | info.nFileSizeLow;
    uint64_t ticks = (uint64_t)info.ftLastWriteTime.dwHighDateTime << 32 | info.ftLastWriteTime.dwLowDateTime;
    out->mtimeSec = (int64_t)(ticks / 10000000) - EpochGap;
    out->mtimeNsec = (int64_t)(ticks % 10000000) * 100;
    out->links = info.nNumberOfLinks;
    out->readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
    out->mode = out->readOnly ? 0444 : 0666;
    bool folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    bool link = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    out->regular = !folder && !link;
    out->kind = folder ? "a folder" : link ? "a link (a reparse point)" : "";
}

// The lock's byte: far past the end of any file, so that locking it never
// keeps anyone from the file's bytes.
OVERLAPPED LockPlace() {
    OVERLAPPED place = {};
    place.Offset = 0;
    place.OffsetHigh = 0x7FFFFFFF;
    return place;
}

HANDLE Open(const std::string& path, DWORD access, DWORD share, DWORD flags, int* err) {
    std::wstring wide;
    if (!Widen(path, &wide)) {
        *err = ERROR_NO_UNICODE_TRANSLATION;
        return INVALID_HANDLE_VALUE;
    }
    HANDLE h = CreateFileW(wide.c_str(), access, share, nullptr, OPEN_EXISTING, flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) *err = (int)GetLastError();
    return h;
}

BOOL WINAPI OnConsoleEvent(DWORD event) {
    LONG signal = event == CTRL_C_EVENT ? 2 : event == CTRL_BREAK_EVENT ? 21 : 1;
    InterlockedCompareExchange(&caught, signal, 0);
    return TRUE;
}

} // namespace

std::string FileOsLastName(const std::string& path) {
    size_t cut = path.find_last_of("\\/:"); // "C:ch1.mif" names ch1.mif too
    return cut == std::string::npos ? path : path.substr(cut + 1);
}

std::string FileOsFolderOf(const std::string& path) {
    size_t cut = path.find_last_of("\\/");
    if (cut == std::string::npos) return ".";
    return cut == 0 ? path.substr(0, 1) : path.substr(0, cut);
}

int FileOsResolve(const std::string& path, std::string* target, std::string* why) {
    if (path.compare(0, 4, "\\\\.\\") == 0 || path.compare(0, 4, "\\\\?\\") == 0) {
        *why = "is a device, not a document";
        return -1;
    }
    *target = path;
    return 0;
}

bool FileOsLook(const std::string& path, FileIdentity* out) {
    int err = 0;
    HANDLE h = Open(path, FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, &err);
    if (h == INVALID_HANDLE_VALUE) return false;
    bool ok = FileOsIdentityOf((FileHandle)h, out);
    CloseHandle(h);
    return ok;
}

bool FileOsIdentityOf(FileHandle file, FileIdentity* out) {
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle((HANDLE)file, &info)) return false;
    Fill(info, out);
    return true;
}

FileHandle FileOsOpen(const std::string& path, int* err) {
    HANDLE h = Open(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    FILE_FLAG_OPEN_REPARSE_POINT, err);
    return h == INVALID_HANDLE_VALUE ? FileNoHandle : (FileHandle)h;
}

void FileOsClose(FileHandle file) {
    if (file != FileNoHandle) CloseHandle((HANDLE)file);
}

FileHandle FileOsDuplicate(FileHandle file, int* err) {
    HANDLE copy = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), (HANDLE)file, GetCurrentProcess(), &copy, 0, FALSE,
                        DUPLICATE_SAME_ACCESS))
        return (FileHandle)copy;
    *err = (int)GetLastError();
    return FileNoHandle;
}

int FileOsLock(FileHandle file, bool exclusive, long* holder) {
    *holder = 0;
    if (file == FileNoHandle) return 1;
    // A lock is not converted in place: a shared one is let go first.
    OVERLAPPED place = LockPlace();
    UnlockFileEx((HANDLE)file, 0, 1, 0, &place);
    place = LockPlace();
    DWORD flags = LOCKFILE_FAIL_IMMEDIATELY | (exclusive ? LOCKFILE_EXCLUSIVE_LOCK : 0);
    if (LockFileEx((HANDLE)file, flags, 0, 1, 0, &place)) return 1;
    DWORD err = GetLastError();
    return err == ERROR_LOCK_VIOLATION || err == ERROR_IO_PENDING ? 0 : 1;
}

bool FileOsReadAll(FileHandle file, size_t maxBytes, std::string* data, int* err) {
    *err = 0;
    LARGE_INTEGER size, zero = {};
    if (!GetFileSizeEx((HANDLE)file, &size) || !SetFilePointerEx((HANDLE)file, zero, nullptr, FILE_BEGIN)) {
        *err = (int)GetLastError();
        return false;
    }
    if ((unsigned long long)size.QuadPart > maxBytes) return false;
    data->assign((size_t)size.QuadPart, '\0');
    size_t have = 0;
    while (have < data->size()) {
        DWORD chunk = (DWORD)std::min<size_t>(data->size() - have, 1u << 30), got = 0;
        if (!ReadFile((HANDLE)file, &(*data)[have], chunk, &got, nullptr)) {
            *err = (int)GetLastError();
            return false;
        }
        if (got == 0) break;
        have += got;
    }
    data->resize(have);
    return true;
}

bool FileOsReadAt(FileHandle file, uint64_t offset, void* data, size_t size, size_t* got, int* err) {
    char* p = static_cast<char*>(data);
    *got = 0;
    while (*got < size) {
        OVERLAPPED at = {};
        uint64_t from = offset + *got;
        at.Offset = (DWORD)from;
        at.OffsetHigh = (DWORD)(from >> 32);
        DWORD chunk = (DWORD)std::min<size_t>(size - *got, 1u << 30), n = 0;
        if (!ReadFile((HANDLE)file, p + *got, chunk, &n, &at)) {
            DWORD e = GetLastError();
            if (e == ERROR_HANDLE_EOF) break;
            *err = (int)e;
            return false;
        }
        if (n == 0) break;
        *got += n;
    }
    return true;
}

int FileOsFolderWritable(const std::string& folder) {
    DWORD attributes = GetFileAttributesW(Wide(folder).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return (int)GetLastError();
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) ? 0 : ERROR_DIRECTORY;
}

uint32_t FileOsUser() { return 0; }

FileHandle FileOsMakeTemp(const std::string& folder, std::string* tempPath, int* err) {
    tempPath->reserve(folder.size() + 32);
    std::wstring wideFolder;
    if (!Widen(folder, &wideFolder)) {
        *err = ERROR_NO_UNICODE_TRANSLATION;
        return FileNoHandle;
    }
    static const char digits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    unsigned seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::wstring name = wideFolder + L"\\" + TempPrefix;
        std::string narrow = folder + "\\.vellor-";
        for (int i = 0; i < 6; ++i) {
            seed = seed * 1103515245u + 12345u;
            char c = digits[(seed >> 16) % 36];
            name += (wchar_t)c;
            narrow += c;
        }
        // No read sharing: a cleaner that can open it knows its writer is gone.
        HANDLE h = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h != INVALID_HANDLE_VALUE) {
            *tempPath = narrow;
            return (FileHandle)h;
        }
        *err = (int)GetLastError();
        if (*err != ERROR_FILE_EXISTS && *err != ERROR_ALREADY_EXISTS) return FileNoHandle;
    }
    return FileNoHandle;
}

bool FileOsWriteAll(FileHandle file, const void* data, size_t size, int* err) {
    const char* p = static_cast<const char*>(data);
    while (size) {
        if (caught) {
            *err = ERROR_OPERATION_ABORTED;
            return false;
        }
        DWORD written = 0, chunk = (DWORD)std::min<size_t>(size, 1u << 20);
        if (!WriteFile((HANDLE)file, p, chunk, &written, nullptr) || written == 0) {
            *err = written ? (int)GetLastError() : ERROR_WRITE_FAULT;
            if (!*err) *err = ERROR_WRITE_FAULT;
            return false;
        }
        p += written;
        size -= written;
    }
    return true;
}

bool FileOsFinishTemp(FileHandle file, const FileIdentity*, int* err) {
    if (FlushFileBuffers((HANDLE)file)) return true;
    *err = (int)GetLastError();
    return false;
}

bool FileOsReplace(FileHandle* temp, const std::string& tempPath, FileHandle* old, const std::string& target,
                   bool mustBeNew, int* err) {
    // Nothing may fail once the file is moved: the names are widened first.
    std::wstring wideTemp, wideTarget;
    if (!Widen(tempPath, &wideTemp) || !Widen(target, &wideTarget)) {
        *err = ERROR_NO_UNICODE_TRANSLATION;
        return false;
    }
    // Windows moves neither an open file nor over one.
    CloseHandle((HANDLE)*temp);
    *temp = FileNoHandle;
    FileOsClose(*old);
    *old = FileNoHandle;
    DWORD flags = MOVEFILE_WRITE_THROUGH | (mustBeNew ? 0 : MOVEFILE_REPLACE_EXISTING);
    bool moved = MoveFileExW(wideTemp.c_str(), wideTarget.c_str(), flags) != 0;
    if (!moved) *err = (int)GetLastError();
    // The target (the new file, or the old one still there) is held again.
    HANDLE again = CreateFileW(wideTarget.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    long holder = 0;
    if (again != INVALID_HANDLE_VALUE) FileOsLock((FileHandle)again, true, &holder);
    FileHandle held = again == INVALID_HANDLE_VALUE ? FileNoHandle : (FileHandle)again;
    if (moved) *temp = held;
    else *old = held;
    return moved;
}

void FileOsSettle() {} // handles are closed where they are let go

void FileOsDropTemp(FileHandle temp, const std::string& tempPath) {
    FileOsClose(temp);
    DeleteFileW(Wide(tempPath).c_str());
}

void FileOsSweepLeftovers(const std::string& folder) {
    std::wstring wideFolder = Wide(folder);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((wideFolder + L"\\" + TempPrefix + L"*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (wcslen(found.cFileName) != TempPrefixSize + 6) continue;
        // Opened alone, it is deleted as it is closed; a live run's cannot be opened.
        HANDLE h = CreateFileW((wideFolder + L"\\" + found.cFileName).c_str(), GENERIC_READ | DELETE, 0, nullptr,
                               OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

std::string FileOsErrorText(int err) {
    char* text = nullptr;
    DWORD n = FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, (DWORD)err, 0, reinterpret_cast<LPSTR>(&text), 0, nullptr);
    std::string out = n && text ? std::string(text, n) : "error " + std::to_string(err);
    if (text) LocalFree(text);
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r' || out.back() == ' ' || out.back() == '.'))
        out.pop_back();
    return out;
}

bool FileOsIsMissing(int err) { return err == ERROR_FILE_NOT_FOUND || err == ERROR_PATH_NOT_FOUND; }
bool FileOsIsFull(int err) { return err == ERROR_DISK_FULL || err == ERROR_HANDLE_DISK_FULL; }
bool FileOsIsDenied(int err) {
    return err == ERROR_ACCESS_DENIED || err == ERROR_WRITE_PROTECT || err == ERROR_SHARING_VIOLATION;
}
bool FileOsIsTaken(int err) { return err == ERROR_ALREADY_EXISTS || err == ERROR_FILE_EXISTS; }

void FileOsCatchSignals() { SetConsoleCtrlHandler(OnConsoleEvent, TRUE); }

int FileOsSignal() { return (int)caught; }

const char* FileOsSignalName(int signal) {
    switch (signal) {
    case 2: return "Ctrl-C";
    case 21: return "Ctrl-Break";
    case 1: return "the console's closing";
    }
    return "a signal";
}

void FileOsTestHold(const std::string& target) {
    static const char* folder = std::getenv("VELLOR_TEST_SAVE_HOLD");
    if (!folder || !*folder) return;
    std::wstring held = Wide(std::string(folder) + "\\held"), go = Wide(std::string(folder) + "\\go");
    HANDLE h = CreateFileW(held.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE) {
        DWORD written = 0;
        WriteFile(h, target.data(), (DWORD)target.size(), &written, nullptr);
        CloseHandle(h);
    }
    while (!caught && GetFileAttributesW(go.c_str()) == INVALID_FILE_ATTRIBUTES) Sleep(5);
    DeleteFileW(held.c_str());
    DeleteFileW(go.c_str());
}

#endif
