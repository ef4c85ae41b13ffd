// Conversions between paths and "file:" URLs: a path's separators become
// '/' and its text is percent-encoded; a URL's slashes are counted to tell a
// share name, a rooted path and a drive path apart, and its text decoded.
// Network and "dctm://" names are never converted, only copied.
//
// A path's separator is found character by character in the current host
// encoding, so the second byte of a double-byte character that equals '\' is
// kept. '/' and ':' are never second bytes, so the URL side scans bytes.
#include "support/io/url.h"

#include "support/base/memory.h"
#include "support/base/host_encodings.h"
#include "support/io/path.h"

#include <cstring>
#include <string>

namespace {

char SeparatorOf(int style) {
    if (style == PathStyleNative || style == PathStyleNativeAlt) return '\\';
    if (style == PathStyleColons) return ':';
    return '/';
}

bool NeverConverted(const char* name) { return !UrlIsLocal(name) || UrlIsDctm(name); }

// URL results are allocated fatal on exhaustion, as the escaping is.
char* CopyOf(const char* text, size_t length) {
    char* out = static_cast<char*>(MemAlloc(static_cast<uint32_t>(length + 1), MemFlagFatal));
    if (!out) return nullptr;
    std::memcpy(out, text, length);
    out[length] = '\0';
    return out;
}

char* CopyOf(const char* text) { return CopyOf(text, std::strlen(text)); }

bool ContainsSeparator(const char* path, char separator) {
    for (const char* p = path; *p; ++p) {
        if (EncIsPair(p)) ++p;
        else if (*p == separator) return true;
    }
    return false;
}

// The path with its separators turned into '/', then escaped.
char* EscapedSlashPath(const char* path, char separator) {
    std::string slashes(path);
    for (size_t i = 0; i < slashes.size(); ++i) {
        if (EncIsPair(slashes.c_str() + i)) ++i;
        else if (slashes[i] == separator) slashes[i] = '/';
    }
    return UrlEscape(slashes.c_str());
}

// Escapes are decoded, then every '/' becomes `separator`, an escaped "%2F"
// included.
char* UnescapedWithSeparator(const std::string& text, char separator) {
    char* native = UrlUnescape(text.c_str());
    if (!native) return nullptr;
    for (char* c = native; *c; ++c)
        if (*c == '/') *c = separator;
    return native;
}

char* Prefixed(const char* prefix, char* body) {
    if (!body) return nullptr;
    std::string joined = std::string(prefix) + body;
    MemFree(body);
    return CopyOf(joined.c_str(), joined.size());
}

bool IsAsciiLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

} // namespace

int UrlIsAbsoluteFor(const char* path, int style) {
    if (!path) return 0;
    switch (style) {
    case PathStyleSlashes:
        return path[0] == '/' ? 1 : 0;
    case PathStyleColons:
        return path[0] != '\0' && std::strchr(path + 1, ':') != nullptr ? 1 : 0;
    case PathStyleNative:
    case PathStyleNativeAlt:
        return PathIsAbsolute(path) ? 1 : 0;
    default:
        return 0;
    }
}

char* UrlFromPath(const char* path, int style) {
    if (!path) return nullptr;
    if (NeverConverted(path)) return CopyOf(path);
    // A share name ("\\server\share") already brings the two slashes of the
    // authority, and a rooted path ("/home", "\root") the slash that follows
    // the empty authority; anything else needs that slash put in front.
    char* slashes = EscapedSlashPath(path, SeparatorOf(style));
    bool rooted = style == PathStyleSlashes || (slashes && slashes[0] == '/');
    return Prefixed(rooted ? "file://" : "file:///", slashes);
}

char* UrlPathToSlashes(const char* path, int style) {
    if (!path) return nullptr;
    char separator = SeparatorOf(style);
    if (NeverConverted(path) || style == PathStyleSlashes || !ContainsSeparator(path, separator))
        return CopyOf(path);
    if (style != PathStyleColons) return EscapedSlashPath(path, separator);
    // A relative colon path begins with ':'; each further ':' directly after
    // it climbs one folder.
    const char* p = path;
    if (*p == ':') ++p;
    std::string ups;
    for (; *p == ':'; ++p) ups += "../";
    return Prefixed(ups.c_str(), EscapedSlashPath(p, separator));
}

char* UrlToPath(const char* url, int style) {
    if (!url) return nullptr;
    if (NeverConverted(url)) return CopyOf(url);
    if (std::strncmp(url, "file:", 5) != 0) return nullptr;
    const char* rest = url + 5;
    int slashes = 0;
    for (; *rest == '/'; ++rest) ++slashes;
    std::string path;
    if (IsAsciiLetter(rest[0]) && rest[1] == ':') {
        path = rest; // a drive: "file:///C:/x" is "C:\x"
    } else if (slashes >= 4 || slashes == 2) {
        path = std::string("\\\\") + rest; // a share: "file:////server/share"
    } else if (slashes == 3 || slashes == 1) {
        // A rooted path: "file:///home/a". A colon path has no root
        // character, its volume name comes first ("HD:docs"): a leading ':'
        // would make it a path relative to the current folder.
        path = style == PathStyleColons ? std::string(rest) : std::string("/") + rest;
    } else {
        path = rest;
    }
    char* native = UnescapedWithSeparator(path, SeparatorOf(style));
    if (native && !UrlIsAbsoluteFor(native, style)) {
        MemFree(native);
        return nullptr;
    }
    return native;
}

char* UrlFromAnyPath(const char* path, int style) {
    if (!path) return nullptr;
    bool absolute = style == PathStyleNative ? PathIsAbsolute(path) : UrlIsAbsoluteFor(path, style);
    return absolute ? UrlFromPath(path, style) : UrlPathToSlashes(path, style);
}

char* UrlFromAnyNativePath(const char* path) { return UrlFromAnyPath(path, PathStyleNative); }

char* UrlSlashesToPath(const char* text) {
    if (!text) return nullptr;
    if (NeverConverted(text) || !std::strchr(text, '/')) return CopyOf(text);
    return UnescapedWithSeparator(text, '\\');
}
