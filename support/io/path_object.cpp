// PathObject records: making them from strings in the accepted styles,
// resolving against a base object, the parent directory, and release.
#include <cstring>

#include "support/base/memory.h"
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
