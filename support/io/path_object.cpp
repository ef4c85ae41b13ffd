// PathObject records: making them from strings in the accepted styles or
// for the working directory, resolving against a base object, the parent
// directory, writing them out in the output styles, and release.
#include <cstring>

#ifdef _WIN32
#include <direct.h>
#define PathGetCwd _getcwd
#else
#include <unistd.h>
#define PathGetCwd getcwd
#endif

#include "platform/win_names.h"
#include "support/base/host_error.h"
#include "support/base/memory.h"
#include "support/base/strings.h"
#include "support/io/path.h"
#include "support/io/path_scan.h"
#include "support/io/url.h"

namespace {

bool IsObject(const PathObject* object) {
    return object && object->magic == PathMagic && object->path;
}

// A base must be a live object that allows itself to be a base.
bool BaseRefused(const PathObject* base) {
    return base && (!IsObject(base) || (base->flags & PathFlagNoBase));
}

// Resolves `text` against `base` into a new object, or null. The caller
// sets the flags.
PathObject* Resolved(const char* text, const PathObject* base) {
    if (BaseRefused(base)) return nullptr;
    if (!text) text = "";
    char path[PathBufferSize];
    if (std::strlen(text) >= sizeof path) return nullptr;
    std::strcpy(path, text);
    PathResolve(path, base ? base->path : "");
    if (path[0] == 0) return nullptr;
    return PathNewFromText(path);
}

bool StartsWithDriveRoot(const char* path) {
    return PathIsLetter(path[0]) && path[1] == ':' && path[2] == '\\';
}

// The text of a styled string as a native path, in `native`; false when it
// cannot be one.
bool NativeText(const char* text, int style, char* native) {
    if (style == PathStyleTokens) {
        if (PathTokensToNative(text, native) != 0) return false;
        text = native;
    }
    // No text is no path, whatever style it was asked in.
    if (!text || !*text) return false;
    if (style == PathStyleColons) return false;
    if (style < PathStyleNative || style > PathStyleNativeAlt) {
        FatalError();
        return false;
    }
    if (text != native) {
        if (std::strlen(text) >= static_cast<size_t>(PathBufferSize)) return false;
        std::strcpy(native, text);
    }
    return true;
}

} // namespace

PathObject* PathNewEmpty() { return PathNewFromText(""); }

PathObject* PathNewFromText(const char* text) {
    if (!text) text = "";
    const size_t len = std::strlen(text);
    if (len >= static_cast<size_t>(PathBufferSize)) return nullptr;
    auto* object = static_cast<PathObject*>(MemCalloc(1, sizeof(PathObject), 0));
    if (!object) return nullptr;
    object->path = PathCopyBytes(text, static_cast<int>(len));
    if (!object->path) {
        MemFree(object);
        return nullptr;
    }
    object->magic = PathMagic;
    return object;
}

int PathFree(PathObject* object) {
    if (!object || object->magic != PathMagic) return 0;
    MemFree(object->path);
    object->magic = 0;
    object->path = nullptr;
    MemFree(object);
    return 0;
}

PathObject* PathResolveNew(const char* text, const PathObject* base) {
    PathObject* object = Resolved(text, base);
    if (object) object->flags = static_cast<uint16_t>((object->flags & ~PathFlagNoBase) | PathFlagResolved);
    return object;
}

PathObject* PathResolveNewDir(const char* text, const PathObject* base) {
    PathObject* object = Resolved(text, base);
    if (!object) return nullptr;
    if (StartsWithDriveRoot(object->path))
        object->flags = PathFlagResolved;
    else
        object->flags = static_cast<uint16_t>(PathFlagNoBase | (UrlIsLocal(object->path) ? PathFlagResolved : 0));
    return object;
}

PathObject* PathResolveNewFile(const char* text, const PathObject* base) {
    PathObject* object = Resolved(text, base);
    if (object) object->flags = UrlIsLocal(object->path) ? PathFlagNoBase | PathFlagResolved : 0;
    return object;
}

PathObject* PathResolveNewStyled(const char* text, const PathObject* base, int style) {
    char native[PathBufferSize];
    if (!NativeText(text, style, native)) return nullptr;
    return PathResolveNewFile(native, base);
}

PathObject* PathFromString(const char* text, const PathObject* base, int style) {
    char native[PathBufferSize];
    if (!NativeText(text, style, native)) return nullptr;
    return PathResolveNew(native, base);
}

PathObject* PathParentOf(const PathObject* object, int* status) {
    int ignored;
    if (!status) status = &ignored;
    *status = -1;
    if (!IsObject(object)) return nullptr;
    if (PathIsRoot(object->path)) {
        *status = 0;
        return nullptr;
    }
    char path[PathBufferSize];
    if (std::strlen(object->path) >= sizeof path) return nullptr;
    std::strcpy(path, object->path);
    if (PathEndsWith(path, '\\')) path[std::strlen(path) - 1] = 0; // "C:\docs\" is "C:\docs"

    char directory[PathBufferSize];
    char name[PathNameSize];
    PathSplit(path, directory, name); // an over-long name still leaves the directory
    if (directory[0] == 0) return nullptr;
    PathObject* parent = PathNewFromText(directory);
    if (!parent) return nullptr;
    parent->flags = static_cast<uint16_t>(object->flags & PathFlagResolved);
    *status = 0;
    return parent;
}

PathObject* PathCurrentDir(const char* directory) {
    if (directory && *directory) return PathResolveNew(directory, nullptr);

    char local[PathBufferSize];
    if (!PathGetCwd(local, sizeof local)) return nullptr;
    char name[PathBufferSize];
    int len = PlatformLocalNameToWindows(local, name, sizeof name);
    if (len < 0) return nullptr;
    if (!PathEndsWith(name, '\\')) {
        if (len + 1 >= PathBufferSize) return nullptr;
        name[len++] = '\\';
        name[len] = 0;
    }
    // Taken as it stands: a directory named "$x" is not a variable.
    PathObject* object = PathNewFromText(name);
    if (object) object->flags = PathFlagResolved;
    return object;
}

char* PathToString(const PathObject* object, int style) {
    if (!object || object->magic != PathMagic || !object->path) {
        HostErrorCode = -43;
        return nullptr;
    }
    switch (style) {
    case PathStyleNative:
    case PathStyleNativeAlt:
        return StrDup(object->path);
    case PathStyleTokens: {
        char* tokens = nullptr;
        int length = 0;
        return PathNativeToTokens(object, nullptr, &tokens, &length) == 0 ? tokens : nullptr;
    }
    case PathStyleSlashes: {
        char* copy = StrDup(object->path);
        if (!copy) return nullptr;
        for (char* p = copy; *p; p += PathCharLen(p))
            if (*p == '\\') *p = '/';
        return copy;
    }
    default:
        HostErrorCode = -43;
        return nullptr;
    }
}
