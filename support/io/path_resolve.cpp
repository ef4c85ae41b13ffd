// Resolution of a path against a base directory: network names are left to
// the network library, a relative path with a network base is joined by it,
// and a local path has its variables expanded, is put after the base and is
// normalised.
#include <cstring>

#include "support/base/memory.h"
#include "support/io/path.h"
#include "support/io/path_scan.h"
#include "support/io/url.h"

namespace {

bool IsRelative(const char* path) {
    if (path[0] != 0 && path[1] == ':') return false;
    if (!UrlIsLocal(path) || UrlIsDctm(path)) return false;
    return !PathIsSlash(path[0]);
}

// Joins a relative path to a network base with '/' separators.
void JoinNetwork(char* path, const char* base) {
    const size_t baseLen = std::strlen(base);
    char* work = static_cast<char*>(MemAlloc(static_cast<uint32_t>(baseLen + 2), 0));
    if (!work) {
        path[0] = 0;
        return;
    }
    std::memcpy(work, base, baseLen);
    work[baseLen] = '/';
    work[baseLen + 1] = 0;
    for (char* p = path; *p; ++p)
        if (*p == '\\') *p = '/';

    char* joined = nullptr;
    if (UrlMakeAbsolute(work, path, &joined) == 0 && joined &&
        std::strlen(joined) < static_cast<size_t>(PathBufferSize))
        std::strcpy(path, joined);
    else
        path[0] = 0; // failed, or too long to hold: refused
    MemFree(joined);
    MemFree(work);
}

} // namespace

void PathResolve(char* path, const char* base) {
    if (!path) return;
    if (!base) base = "";
    // Network names are the network library's; "dctm://" names are never
    // resolved as paths (normalising would fold their "//").
    if (!UrlIsLocal(path) || UrlIsDctm(path)) return;

    if (IsRelative(path) && !UrlIsLocal(base)) {
        JoinNetwork(path, base);
        return;
    }

    PathExpandVariables(path);

    // Relative is judged again after expansion: "$DOCS\a.fm" with DOCS set
    // to a drive path is not put after the base.
    char working[PathBufferSize];
    const size_t pathLen = std::strlen(path);
    const size_t baseLen = std::strlen(base);
    if (IsRelative(path) && baseLen > 0) {
        const bool addSep = !PathEndsWith(base, '\\') && !PathEndsWith(base, '/');
        if (baseLen + (addSep ? 1 : 0) + pathLen >= static_cast<size_t>(PathBufferSize)) {
            path[0] = 0;
            return;
        }
        std::memcpy(working, base, baseLen);
        size_t n = baseLen;
        if (addSep) working[n++] = '\\';
        std::memcpy(working + n, path, pathLen + 1);
    }
    else {
        std::memcpy(working, path, pathLen + 1);
    }
    PathNormalize(working, path);
}
