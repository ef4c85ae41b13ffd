// Mapping of file names between the library's Windows form and the local
// form of this system (see win_names.h). POSIX root is drive Z:.
#include "platform/win_names.h"

namespace {

int Refuse(char* out, int size) {
    if (out && size > 0) out[0] = 0;
    return -1;
}

// Appends `c` at out[*n] when a terminator still fits after it.
int Put(char* out, int size, int* n, char c) {
    if (*n + 1 >= size) return 0;
    out[(*n)++] = c;
    return 1;
}

} // namespace

#ifdef _WIN32

static int CopyAsIs(const char* name, char* out, int size) {
    if (!name || !out || size <= 0) return Refuse(out, size);
    int n = 0;
    for (const char* p = name; *p; ++p)
        if (!Put(out, size, &n, *p)) return Refuse(out, size);
    out[n] = 0;
    return n;
}

int PlatformWindowsNameToLocal(const char* name, char* out, int size) {
    return CopyAsIs(name, out, size);
}

int PlatformLocalNameToWindows(const char* name, char* out, int size) {
    return CopyAsIs(name, out, size);
}

#else

namespace {

int IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Copies `name` from `from`, turning `sepFrom` into `sepTo`, after `n` bytes
// already written.
int CopySwapped(const char* from, char sepFrom, char sepTo, char* out, int size, int n) {
    for (const char* p = from; *p; ++p)
        if (!Put(out, size, &n, *p == sepFrom ? sepTo : *p)) return Refuse(out, size);
    out[n] = 0;
    return n;
}

} // namespace

int PlatformWindowsNameToLocal(const char* name, char* out, int size) {
    if (!name || !out || size <= 0) return Refuse(out, size);
    int n = 0;
    const char* rest = name;
    if ((name[0] == 'Z' || name[0] == 'z') && name[1] == ':') {
        // "Z:" alone and "Z:\..." both name the POSIX root.
        if (!Put(out, size, &n, '/')) return Refuse(out, size);
        rest = name + 2;
        while (*rest == '\\' || *rest == '/') ++rest;
    }
    else if (IsLetter(name[0]) && name[1] == ':') {
        rest = name; // another drive: no local counterpart, keep it visible
    }
    return CopySwapped(rest, '\\', '/', out, size, n);
}

int PlatformLocalNameToWindows(const char* name, char* out, int size) {
    if (!name || !out || size <= 0) return Refuse(out, size);
    int n = 0;
    const char* rest = name;
    if (name[0] == '/' && name[1] == '/' && name[2] != '/') {
        // "//server/share" is a share name; keep its two separators.
        if (!Put(out, size, &n, '\\') || !Put(out, size, &n, '\\')) return Refuse(out, size);
        rest = name + 2;
    }
    else if (name[0] == '/') {
        if (!Put(out, size, &n, 'Z') || !Put(out, size, &n, ':') || !Put(out, size, &n, '\\'))
            return Refuse(out, size);
        rest = name;
        while (*rest == '/') ++rest;
    }
    return CopySwapped(rest, '/', '\\', out, size, n);
}

#endif
