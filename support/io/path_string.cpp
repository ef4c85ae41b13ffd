// A PathObject as a string in one of the output styles.
#include <cstring>

#include "support/base/host_error.h"
#include "support/base/strings.h"
#include "support/io/path.h"
#include "support/io/path_scan.h"

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
