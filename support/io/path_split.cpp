// Taking paths apart: directory and final name (local names at '\' and ':',
// network names at '/'), the final name as a new string, the decoding of a
// network name's final part, and iteration over components.
#include <cstring>

#include "support/base/strings.h"
#include "support/io/path.h"
#include "support/io/path_scan.h"
#include "support/io/url.h"

namespace {

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// Copies the first `len` bytes of `from` into the directory buffer, cut to
// 4095 bytes without splitting a character.
void PutDirectory(char* directory, const char* from, int len) {
    if (!directory) return;
    if (len > PathBufferSize - 1) len = PathBufferSize - 1;
    StrCopyEnc(directory, from, len + 1, EncCurrent);
}

int PutName(char* name, const char* from, size_t len) {
    if (len > static_cast<size_t>(PathNameSize - 1)) {
        name[0] = 0; // a cut-short name would be another file's
        return -1;
    }
    std::memcpy(name, from, len);
    name[len] = 0;
    return 0;
}

int SplitNetwork(const char* path, char* directory, char* name) {
    const int len = static_cast<int>(std::strlen(path));
    int slash = -1;
    for (int i = len - 1; i >= 1; --i)
        if (path[i] == '/') {
            slash = i;
            break;
        }
    const char* rest = slash < 0 ? path : path + slash + 1;
    if (slash >= 0) PutDirectory(directory, path, slash);
    const size_t restLen = std::strlen(rest);
    if (restLen >= static_cast<size_t>(PathBufferSize)) {
        name[0] = 0;
        return -1;
    }
    char decoded[PathBufferSize];
    std::memcpy(decoded, rest, restLen + 1);
    PathUnescapeName(decoded);
    return PutName(name, decoded, std::strlen(decoded));
}

} // namespace

const char* PathLastComponent(const char* path) {
    if (!path) return path;
    const char* backslash;
    const char* colon;
    if (EncCurrent == EncUtf8) {
        backslash = StrFindLastUtf8Char(path, "\\");
        colon = StrFindLastUtf8Char(path, ":");
    }
    else {
        backslash = StrFindLastCharEnc(path, '\\', 0, EncCurrent);
        colon = StrFindLastCharEnc(path, ':', 0, EncCurrent);
    }
    const char* last = backslash > colon ? backslash : colon;
    if (!backslash) last = colon;
    if (!colon) last = backslash;
    return last ? last + 1 : path;
}

int PathSplit(const char* path, char* directory, char* name) {
    if (directory) directory[0] = 0;
    char ignored[PathNameSize];
    if (!name) name = ignored;
    name[0] = 0;
    if (!path) return 0;
    if (!UrlIsLocal(path)) return SplitNetwork(path, directory, name);

    const char* last = PathLastComponent(path);
    if (last != path) {
        int len = static_cast<int>(last - path);
        // A lone '\' and "X:\" keep their separator; any other directory
        // loses it.
        const bool keep = len == 1 ? path[0] == '\\'
                                   : len == 3 && PathIsLetter(path[0]) && path[1] == ':' && path[2] == '\\';
        PutDirectory(directory, path, keep ? len : len - 1);
    }
    return PutName(name, last, std::strlen(last));
}

void PathUnescapeName(char* name) {
    if (!name) return;
    char* w = name;
    for (const char* r = name; *r;) {
        if (r[0] == '%') {
            const int high = HexValue(r[1]);
            const int low = high < 0 ? -1 : HexValue(r[2]);
            if (low >= 0 && (high | low) != 0) {
                *w++ = static_cast<char>(high * 16 + low);
                r += 3;
                continue;
            }
        }
        *w++ = *r == '/' ? '\\' : *r;
        ++r;
    }
    *w = 0;
}

char* PathBaseName(const PathObject* object) {
    if (!object || object->magic != PathMagic || !object->path) return nullptr;
    char path[PathBufferSize];
    const size_t len = std::strlen(object->path);
    if (len >= sizeof path) return nullptr;
    std::memcpy(path, object->path, len + 1);
    if (PathEndsWith(path, '\\')) path[len - 1] = 0; // "C:\docs\" names "docs"
    char name[PathNameSize];
    if (PathSplit(path, nullptr, name) != 0) return nullptr;
    return StrDup(name);
}

int PathNextComponent(const char** cursor, char* component) {
    if (component) component[0] = 0;
    if (!cursor || !*cursor) return 0;
    const char* p = *cursor;
    while (*p == '\\') ++p;
    if (*p == 0) {
        *cursor = p;
        return 0;
    }
    const char* end = p;
    while (*end && *end != '\\') end += PathCharLen(end);
    *cursor = end;
    const size_t len = static_cast<size_t>(end - p);
    if (len > static_cast<size_t>(PathTokenSize - 1)) return -1;
    if (component) {
        std::memcpy(component, p, len);
        component[len] = 0;
    }
    return 1;
}
