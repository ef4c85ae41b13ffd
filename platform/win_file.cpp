// The Windows file API over POSIX descriptors. A handle is a small heap
// record holding the descriptor, so that a stale or foreign handle is
// refused instead of closing somebody else's descriptor.
//
// Names arrive in Windows form, as UTF-16 (the W functions) or in the ANSI
// code page, which is 1252 here; they are turned into UTF-8 and mapped to the
// local form with PlatformWindowsNameToLocal.
#include "platform/win_file.h"

#ifndef _WIN32
#include "platform/win_module.h"
#include "platform/win_names.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <new>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr uint32_t FileHandleMagic = 0x46494C45; // "FILE"

struct FileHandle {
    uint32_t magic;
    int fd;
};

FileHandle* Lookup(HANDLE handle) {
    if (!handle || handle == INVALID_HANDLE_VALUE) return nullptr;
    auto* file = static_cast<FileHandle*>(handle);
    return file->magic == FileHandleMagic ? file : nullptr;
}

UINT errorMode = 0;

// Code page 1252, bytes 0x80-0x9F; the other bytes are their own code
// points. The five unassigned bytes map to the C1 controls, as on Windows.
const char16_t Cp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

char16_t Cp1252ToUnicode(unsigned char byte) {
    return byte >= 0x80 && byte < 0xA0 ? Cp1252High[byte - 0x80] : byte;
}

// The 1252 byte of a code point, or -1 when the code page has none.
int UnicodeToCp1252(uint32_t code) {
    if (code < 0x80 || (code >= 0xA0 && code <= 0xFF)) return static_cast<int>(code);
    for (int i = 0; i < 32; ++i)
        if (Cp1252High[i] == code) return 0x80 + i;
    return -1;
}

void AppendUtf8(std::string& out, uint32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Decodes one UTF-8 sequence at text[*i] (n bytes in all). Returns the code
// point and steps *i past it, or returns -1 and steps past one byte when the
// sequence is ill-formed (overlong, surrogate, beyond U+10FFFF, cut short).
long DecodeUtf8(const unsigned char* text, size_t n, size_t* i) {
    unsigned char lead = text[*i];
    if (lead < 0x80) return text[(*i)++];
    size_t extra = lead >= 0xC2 && lead <= 0xDF ? 1 : lead >= 0xE0 && lead <= 0xEF ? 2 : lead >= 0xF0 && lead <= 0xF4 ? 3 : 0;
    if (extra == 0 || *i + extra >= n) {
        ++*i;
        return -1;
    }
    uint32_t code = lead & (0x3F >> extra);
    for (size_t k = 1; k <= extra; ++k) {
        unsigned char next = text[*i + k];
        if ((next & 0xC0) != 0x80) {
            ++*i;
            return -1;
        }
        code = code << 6 | (next & 0x3F);
    }
    static const uint32_t least[4] = {0, 0x80, 0x800, 0x10000};
    if (code < least[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
        ++*i;
        return -1;
    }
    *i += extra + 1;
    return static_cast<long>(code);
}

// UTF-16 to UTF-8; false on an unpaired surrogate.
bool Utf16ToUtf8(const char16_t* text, std::string& out) {
    for (size_t i = 0; text[i]; ++i) {
        uint32_t code = text[i];
        if (code >= 0xD800 && code <= 0xDBFF) {
            if (text[i + 1] < 0xDC00 || text[i + 1] > 0xDFFF) return false;
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        } else if (code >= 0xDC00 && code <= 0xDFFF) {
            return false;
        }
        AppendUtf8(out, code);
    }
    return true;
}

std::string AnsiToUtf8(const char* text) {
    std::string out;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p)
        AppendUtf8(out, Cp1252ToUnicode(*p));
    return out;
}

// UTF-8 to the ANSI code page; false when a character has no 1252 byte.
bool Utf8ToAnsi(const std::string& text, std::string& out) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    for (size_t i = 0; i < text.size();) {
        long code = DecodeUtf8(bytes, text.size(), &i);
        int byte = code < 0 ? -1 : UnicodeToCp1252(static_cast<uint32_t>(code));
        if (byte <= 0) return false;
        out += static_cast<char>(byte);
    }
    return true;
}

// Whether Windows would take `name` as a file name: no control characters,
// none of < > " | ? *, and a colon only right after a drive letter. The local
// system takes most of these, so without this check a name that Windows
// refuses would open, or delete, a file here.
bool WindowsAllowsName(const std::string& name) {
    for (size_t i = 0; i < name.size(); ++i) {
        unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || std::strchr("<>\"|?*", c)) return false;
        bool driveColon = i == 1 && ((name[0] >= 'A' && name[0] <= 'Z') || (name[0] >= 'a' && name[0] <= 'z'));
        if (c == ':' && !driveColon) return false;
    }
    return true;
}

// A Windows name (UTF-8) in the local form; false when it cannot be mapped,
// and false with ERROR_INVALID_NAME when Windows forbids it.
bool ToLocal(const std::string& name, std::string& local) {
    if (name.empty()) return false;
    if (!WindowsAllowsName(name)) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    std::string out(name.size() + 8, '\0');
    int n = PlatformWindowsNameToLocal(name.c_str(), out.data(), static_cast<int>(out.size()));
    if (n <= 0) return false;
    local.assign(out.data(), static_cast<size_t>(n));
    return true;
}

bool ToWindows(const std::string& name, std::string& windows) {
    std::string out(name.size() + 8, '\0');
    int n = PlatformLocalNameToWindows(name.c_str(), out.data(), static_cast<int>(out.size()));
    if (n <= 0) return false;
    windows.assign(out.data(), static_cast<size_t>(n));
    return true;
}

} // namespace

HANDLE CreateFileW(LPCWSTR name, DWORD access, DWORD, void*, DWORD disposition, DWORD, HANDLE) {
    std::string utf8, local;
    if (!name || !Utf16ToUtf8(name, utf8) || !ToLocal(utf8, local)) return INVALID_HANDLE_VALUE;

    int flags = O_CLOEXEC;
    if ((access & GENERIC_READ) && (access & GENERIC_WRITE)) flags |= O_RDWR;
    else if (access & GENERIC_WRITE) flags |= O_WRONLY;
    else flags |= O_RDONLY;
    switch (disposition) {
    case CREATE_NEW: flags |= O_CREAT | O_EXCL; break;
    case CREATE_ALWAYS: flags |= O_CREAT | O_TRUNC; break;
    case OPEN_EXISTING: break;
    case OPEN_ALWAYS: flags |= O_CREAT; break;
    case TRUNCATE_EXISTING: flags |= O_TRUNC; break;
    default: return INVALID_HANDLE_VALUE;
    }
    if ((flags & O_TRUNC) && !(access & GENERIC_WRITE)) return INVALID_HANDLE_VALUE;

    int fd;
    do fd = open(local.c_str(), flags, 0666);
    while (fd < 0 && errno == EINTR);
    if (fd < 0) return INVALID_HANDLE_VALUE;
    // A directory is not a file to Windows.
    struct stat info;
    if (fstat(fd, &info) != 0 || S_ISDIR(info.st_mode)) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    auto* file = new (std::nothrow) FileHandle{FileHandleMagic, fd};
    if (!file) {
        close(fd);
        return INVALID_HANDLE_VALUE;
    }
    return file;
}

BOOL ReadFile(HANDLE handle, LPVOID buffer, DWORD count, DWORD* read, void*) {
    if (read) *read = 0;
    FileHandle* file = Lookup(handle);
    if (!file || (!buffer && count)) return FALSE;
    DWORD done = 0;
    while (done < count) {
        ssize_t n = ::read(file->fd, static_cast<char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            if (read) *read = done;
            return FALSE;
        }
        if (n == 0) break;
        done += static_cast<DWORD>(n);
    }
    if (read) *read = done;
    return TRUE;
}

BOOL WriteFile(HANDLE handle, LPCVOID buffer, DWORD count, DWORD* written, void*) {
    if (written) *written = 0;
    FileHandle* file = Lookup(handle);
    if (!file || (!buffer && count)) return FALSE;
    DWORD done = 0;
    while (done < count) {
        ssize_t n = ::write(file->fd, static_cast<const char*>(buffer) + done, count - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (written) *written = done;
            return FALSE;
        }
        done += static_cast<DWORD>(n);
    }
    if (written) *written = done;
    return TRUE;
}

DWORD SetFilePointer(HANDLE handle, LONG distance, LONG* distanceHigh, DWORD method) {
    FileHandle* file = Lookup(handle);
    if (!file) return INVALID_SET_FILE_POINTER;
    int whence = method == FILE_BEGIN ? SEEK_SET : method == FILE_CURRENT ? SEEK_CUR : method == FILE_END ? SEEK_END : -1;
    if (whence < 0) return INVALID_SET_FILE_POINTER;
    // Without a high part the distance is a signed 32-bit value.
    int64_t move = distanceHigh
                       ? static_cast<int64_t>(static_cast<uint64_t>(static_cast<uint32_t>(*distanceHigh)) << 32 |
                                              static_cast<uint32_t>(distance))
                       : distance;
    off_t before = lseek(file->fd, 0, SEEK_CUR);
    off_t after = lseek(file->fd, static_cast<off_t>(move), whence);
    if (before < 0 || after < 0) return INVALID_SET_FILE_POINTER;
    if (!distanceHigh && after > 0xFFFFFFFELL) {
        // The new place cannot be told in 32 bits: Windows refuses the move.
        lseek(file->fd, before, SEEK_SET);
        return INVALID_SET_FILE_POINTER;
    }
    if (distanceHigh) *distanceHigh = static_cast<LONG>(static_cast<uint64_t>(after) >> 32);
    return static_cast<DWORD>(after);
}

DWORD GetFileSize(HANDLE handle, DWORD* sizeHigh) {
    FileHandle* file = Lookup(handle);
    struct stat info;
    if (!file || fstat(file->fd, &info) != 0) return INVALID_FILE_SIZE;
    uint64_t size = static_cast<uint64_t>(info.st_size);
    if (sizeHigh) *sizeHigh = static_cast<DWORD>(size >> 32);
    return static_cast<DWORD>(size);
}

BOOL CloseHandle(HANDLE handle) {
    FileHandle* file = Lookup(handle);
    if (!file) return FALSE;
    int result = close(file->fd);
    file->magic = 0;
    delete file;
    return result == 0 || errno == EINTR ? TRUE : FALSE;
}

BOOL DeleteFileA(LPCSTR name) {
    std::string local;
    if (!name || !ToLocal(AnsiToUtf8(name), local)) return FALSE;
    struct stat info;
    if (lstat(local.c_str(), &info) != 0 || S_ISDIR(info.st_mode)) return FALSE;
    return unlink(local.c_str()) == 0 ? TRUE : FALSE;
}

DWORD GetTempPathA(DWORD bufferLength, LPSTR buffer) {
    const char* directory = std::getenv("TMPDIR");
    if (!directory || !*directory) directory = "/tmp";
    std::string windows, ansi;
    if (!ToWindows(directory, windows) || !Utf8ToAnsi(windows, ansi)) return 0;
    if (ansi.empty() || ansi.back() != '\\') ansi += '\\';
    DWORD length = static_cast<DWORD>(ansi.size());
    // Too small a buffer gets nothing; the answer is the size it needs.
    if (!buffer || bufferLength <= length) return length + 1;
    std::memcpy(buffer, ansi.c_str(), length + 1);
    return length;
}

UINT GetTempFileNameA(LPCSTR directory, LPCSTR prefix, UINT unique, LPSTR tempFileName) {
    if (!directory || !tempFileName) return 0;
    // The name must fit the caller's MAX_PATH buffer.
    size_t length = std::strlen(directory);
    if (length == 0 || length > MAX_PATH - 14) return 0;
    std::string base(directory);
    if (base.back() != '\\') base += '\\';
    if (prefix) base.append(prefix, strnlen(prefix, 3));

    char tail[16];
    if (unique != 0) {
        std::snprintf(tail, sizeof tail, "%X.tmp", unique & 0xFFFF);
        std::memcpy(tempFileName, (base + tail).c_str(), base.size() + std::strlen(tail) + 1);
        return unique & 0xFFFF;
    }
    static UINT next = 0;
    if (next == 0) next = static_cast<UINT>(std::time(nullptr) ^ getpid());
    for (int tries = 0; tries < 0xFFFF; ++tries) {
        UINT number = (next++ & 0xFFFF);
        if (number == 0) continue;
        std::snprintf(tail, sizeof tail, "%X.tmp", number);
        std::string name = base + tail;
        std::string local;
        if (!ToLocal(AnsiToUtf8(name.c_str()), local)) return 0;
        int fd = open(local.c_str(), O_CREAT | O_EXCL | O_WRONLY | O_CLOEXEC, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            return 0;
        }
        close(fd);
        std::memcpy(tempFileName, name.c_str(), name.size() + 1);
        return number;
    }
    return 0;
}

UINT SetErrorMode(UINT mode) {
    UINT previous = errorMode;
    errorMode = mode;
    return previous;
}

int MultiByteToWideChar(UINT codePage, DWORD flags, LPCSTR text, int length, LPWSTR wide, int wideLength) {
    if (!text || length == 0 || length < -1 || wideLength < 0 || (wideLength > 0 && !wide)) return 0;
    if (codePage != CP_ACP && codePage != CP_UTF8 && codePage != 1252) return 0;
    size_t n = length == -1 ? std::strlen(text) + 1 : static_cast<size_t>(length);
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);

    std::u16string out;
    if (codePage != CP_UTF8) {
        for (size_t i = 0; i < n; ++i) out += Cp1252ToUnicode(bytes[i]);
    } else {
        for (size_t i = 0; i < n;) {
            long code = DecodeUtf8(bytes, n, &i);
            if (code < 0) {
                if (flags & MB_ERR_INVALID_CHARS) return 0;
                out += u'\xFFFD';
            } else if (code >= 0x10000) {
                out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
                out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
            } else {
                out += static_cast<char16_t>(code);
            }
        }
    }
    if (out.size() > 0x7FFFFFFF) return 0;
    int units = static_cast<int>(out.size());
    if (wideLength == 0) return units;
    if (units > wideLength) return 0;
    std::memcpy(wide, out.data(), out.size() * sizeof(char16_t));
    return units;
}

#endif
