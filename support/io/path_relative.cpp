// Making an absolute path relative to the directory of another, and
// appending a component to a path.
#include <cstring>

#include "support/base/char_tables.h"
#include "support/base/memory.h"
#include "support/io/path.h"
#include "support/io/path_scan.h"
#include "support/io/url.h"

namespace {

// An absolute local path cut into its root ("C:\", "C:", "\", "\\") and its
// components.
struct Parts {
    const char* root;
    int rootLen;
    int start[PathBufferSize / 2 + 1];
    int length[PathBufferSize / 2 + 1];
    int count;
    bool trailingSep;
};

void Cut(const char* path, Parts& parts) {
    const char* p = path;
    if (PathIsLetter(p[0]) && p[1] == ':') p += 2;
    while (PathIsSlash(*p)) ++p;
    parts.root = path;
    parts.rootLen = static_cast<int>(p - path);
    parts.count = 0;
    parts.trailingSep = false;
    while (*p) {
        const char* end = p;
        while (*end && !PathIsSlash(*end)) end += PathCharLen(end);
        parts.start[parts.count] = static_cast<int>(p - path);
        parts.length[parts.count] = static_cast<int>(end - p);
        ++parts.count;
        p = end;
        if (PathIsSlash(*p)) {
            while (PathIsSlash(*p)) ++p;
            parts.trailingSep = *p == 0;
        }
    }
}

// Two roots agree when they name the same drive and are both rooted or both
// not; the separator character does not matter.
bool SameRoot(const Parts& a, const Parts& b) {
    const bool aDrive = a.rootLen >= 2 && a.root[1] == ':';
    const bool bDrive = b.rootLen >= 2 && b.root[1] == ':';
    if (aDrive != bDrive) return false;
    if (aDrive && CharLowerMap[static_cast<unsigned char>(a.root[0])] !=
                      CharLowerMap[static_cast<unsigned char>(b.root[0])])
        return false;
    const int aSeps = a.rootLen - (aDrive ? 2 : 0);
    const int bSeps = b.rootLen - (bDrive ? 2 : 0);
    return (aSeps > 0) == (bSeps > 0) && (aSeps > 1) == (bSeps > 1);
}

// Compares two components without case. The bytes of a double-byte
// character are compared as they are: folding a trail byte would make two
// different characters equal.
bool SameComponent(const char* a, int aLen, const char* b, int bLen) {
    if (aLen != bLen) return false;
    for (int i = 0; i < aLen;) {
        const int len = PathCharLen(a + i);
        if (len == 1) {
            if (CharLowerMap[static_cast<unsigned char>(a[i])] != CharLowerMap[static_cast<unsigned char>(b[i])])
                return false;
        }
        else if (std::memcmp(a + i, b + i, static_cast<size_t>(len)) != 0) {
            return false;
        }
        i += len;
    }
    return true;
}

int RelativeNetwork(char* path, const char* other) {
    char* relative = nullptr;
    if (UrlMakeRelative(other, path, &relative) != 0 || !relative) return -1;
    const size_t len = std::strlen(relative);
    const int result = len < static_cast<size_t>(PathBufferSize) ? 0 : -1;
    if (result == 0) std::memcpy(path, relative, len + 1);
    MemFree(relative);
    return result;
}

} // namespace

int PathRelativeTo(char* path, const char* other) {
    if (!path || !other) return -1;
    const bool pathLocal = UrlIsLocal(path) != 0;
    const bool otherLocal = UrlIsLocal(other) != 0;
    if (!pathLocal && !otherLocal) return RelativeNetwork(path, other);
    if (!pathLocal || !otherLocal) return -1;
    if (UrlIsDctm(path) || UrlIsDctm(other)) return -1;
    if (!PathIsAbsolute(path) || !PathIsAbsolute(other)) return -1;

    static Parts to, from; // 32 KB together; the library runs on one thread
    Cut(path, to);
    Cut(other, from);
    if (!SameRoot(to, from)) return -1;
    // The directory of `other`: all of it when it ends in a separator.
    const int fromCount = from.trailingSep ? from.count : from.count - (from.count > 0 ? 1 : 0);

    int common = 0;
    while (common < fromCount && common < to.count &&
           SameComponent(path + to.start[common], to.length[common], other + from.start[common],
                         from.length[common]))
        ++common;

    char result[PathBufferSize];
    int n = 0;
    for (int i = common; i < fromCount; ++i) {
        if (n + 3 > PathBufferSize - 1) return -1;
        std::memcpy(result + n, "..\\", 3);
        n += 3;
    }
    for (int i = common; i < to.count; ++i) {
        const int len = to.length[i];
        if (n + len + 1 > PathBufferSize - 1) return -1;
        std::memcpy(result + n, path + to.start[i], static_cast<size_t>(len));
        n += len;
        result[n++] = '\\';
    }
    // The separator after the last component stays only if the path had one.
    if (n > 0 && !(common < to.count && to.trailingSep)) --n;
    if (n == 0) result[n++] = '.'; // the directory itself
    result[n] = 0;
    std::memcpy(path, result, static_cast<size_t>(n) + 1);
    return 0;
}

int PathAppend(char* path, const char* component, int limit) {
    if (!path || limit <= 0) return -1;
    if (!component) component = "";
    const size_t pathLen = std::strlen(path);
    const size_t componentLen = std::strlen(component);
    const bool addSep = pathLen > 0 && !PathEndsWith(path, '\\') && !PathEndsWith(path, '/');
    if (pathLen + (addSep ? 1 : 0) + componentLen + 1 > static_cast<size_t>(limit)) return -1;
    char* p = path + pathLen;
    if (addSep) *p++ = '\\';
    std::memcpy(p, component, componentLen + 1);
    return 0;
}
