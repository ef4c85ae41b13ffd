// Questions about path strings: absolute, root, and a guess at the style a
// string is written in.
#include <cstring>

#include "support/io/path.h"
#include "support/io/path_scan.h"
#include "support/io/url.h"

int PathIsAbsolute(const char* path) {
    if (!path) return 0;
    if (path[0] != 0 && path[1] == ':') return 1;
    if (!UrlIsLocal(path) || UrlIsDctm(path)) return 1;
    return PathIsSlash(path[0]) ? 1 : 0;
}

int PathIsRoot(const char* path) {
    if (!path) return 0;
    if (path[0] == '\\' && path[1] == 0) return 1;
    if (!PathIsLetter(path[0]) || path[1] != ':') return 0;
    return path[2] == 0 || (path[2] == '\\' && path[3] == 0) ? 1 : 0;
}

int PathClassify(const char* text) {
    if (!text || !*text) return PathStyleNative;
    if (!UrlIsLocal(text)) return PathStyleNativeAlt;
    if (text[0] == '<' && text[1] != 0 && std::strchr("rcuhv", text[1]) &&
        text[2] == '>' && text[3] != 0)
        return PathStyleTokens;
    if ((text[0] == '/' && text[1] != 0) || (text[0] == '.' && text[1] == '/') ||
        (text[0] == '.' && text[1] == '.' && text[2] == '/'))
        return PathStyleSlashes;

    int spaces = 0, slashes = 0, colons = 0, backslashes = 0, firstColon = -1, length = 0;
    for (const char* p = text; *p;) {
        const int len = PathCharLen(p);
        if (len == 1) {
            if (*p == ' ') ++spaces;
            else if (*p == '/') ++slashes;
            else if (*p == '\\') ++backslashes;
            else if (*p == ':') {
                if (firstColon < 0) firstColon = static_cast<int>(p - text);
                ++colons;
            }
        }
        p += len;
        length += len;
    }
    if (slashes == 0 && colons == 0 && backslashes == 0) return PathStyleNative;
    if (slashes > 0) return backslashes == 0 && colons == 0 && spaces == 0 ? PathStyleSlashes : PathStyleColons;
    if (colons >= 2) return PathStyleColons;
    if (colons == 1)
        return firstColon == 1 && PathIsLetter(text[0]) && length >= 3 ? PathStyleNativeAlt : PathStyleColons;
    return PathStyleNativeAlt;
}
