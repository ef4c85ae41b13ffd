// Expansion of environment variables ("$NAME" up to the next separator) and
// of a leading '~' (the home directory, PathHomeDir).
#include <cstdlib>
#include <cstring>

#include "support/io/path.h"
#include "support/io/path_scan.h"

char PathHomeDir[PathBufferSize];

namespace {

struct Output {
    char text[PathBufferSize];
    int n;
    bool overflow;

    void Put(const char* bytes, size_t len) {
        if (overflow || n + len >= static_cast<size_t>(PathBufferSize)) {
            overflow = true;
            return;
        }
        std::memcpy(text + n, bytes, len);
        n += static_cast<int>(len);
    }
};

// A variable name runs to the next '\' or '/', stepping over whole
// characters.
const char* NameEnd(const char* p) {
    while (*p && !PathIsSlash(*p)) p += PathCharLen(p);
    return p;
}

} // namespace

void PathExpandVariables(char* path) {
    if (!path) return;
    Output out;
    out.n = 0;
    out.overflow = false;

    const char* p = path;
    if (p[0] == '~') {
        if (p[1] == 0 || PathIsSlash(p[1])) out.Put(PathHomeDir, std::strlen(PathHomeDir));
        ++p; // "~user\x": the '~' alone goes
    }
    while (*p && !out.overflow) {
        if (*p == '$' && !(p != path && p[1] == '.')) {
            const char* end = NameEnd(p + 1);
            const size_t nameLen = static_cast<size_t>(end - (p + 1));
            char name[PathTokenSize];
            const char* value = nullptr;
            if (nameLen > 0 && nameLen < sizeof name) {
                std::memcpy(name, p + 1, nameLen);
                name[nameLen] = 0;
                value = std::getenv(name);
            }
            if (value)
                out.Put(value, std::strlen(value));
            else
                out.Put(p, static_cast<size_t>(end - p)); // undefined: stays as written
            p = end;
            continue;
        }
        const int len = PathCharLen(p);
        out.Put(p, static_cast<size_t>(len));
        p += len;
    }
    if (out.overflow) {
        path[0] = 0; // a cut-short path would name something else
        return;
    }
    out.text[out.n] = 0;
    std::memcpy(path, out.text, static_cast<size_t>(out.n) + 1);
}
