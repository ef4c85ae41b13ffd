// The wrappers over NetLib: the network-file test, status, fetch with its
// fall-back to the cache, save, cache look-ups and URL joins, and the error
// codes they report. Every string NetLib hands back is copied into a library
// block and released to NetLib at once; the network-file test is made on
// every call, nothing is remembered.
#include "support/io/url.h"

#include "platform/netlib.h"
#include "support/base/memory.h"

#include <cstring>

namespace {

// Turns NetLib's answer into the wrapper's (called after the NetLib call has
// filled `netString`, never in the same expression): on success a library copy of its
// string (allocated as every URL result is, fatal on exhaustion), on failure
// a null out string. NetLib's string is released either way.
int TakeString(NetLibRet ret, char* netString, char** out) {
    char* copy = nullptr;
    if (ret == 0 && netString)
        copy = static_cast<char*>(
            MemDup(netString, static_cast<uint32_t>(std::strlen(netString) + 1), MemFlagFatal));
    NetLibFree(netString);
    *out = copy;
    return copy ? 0 : 1;
}

void SetError(int* error) {
    if (error) *error = UrlLastError();
}

uint32_t FlagsOfMode(int mode) { return mode == 1 ? static_cast<uint32_t>(NetLibFlagWrite) : 0u; }

bool IsNetworkFile(const char* name) { return !UrlIsLocal(name); }

} // namespace

int UrlLastError() {
    NetLibErr error = NetLibGetLastError();
    return (error >= 0 && error <= 19) ? error : 21;
}

int UrlPublicError(int code) { return code > 19 ? 20 : code; }

int UrlIsLocal(const char* name) {
    if (!name) return 1;
    return NetLibIsNetFile(name) != 0 ? 1 : 0;
}

int UrlIsDctm(const char* name) { return name && std::strncmp(name, "dctm://", 7) == 0 ? 1 : 0; }

int UrlStat(const char* name, int mode, int* error) {
    if (!IsNetworkFile(name)) return 1;
    if (NetLibStat(name, FlagsOfMode(mode)) == 0) return 0;
    SetError(error);
    return 1;
}

int UrlStatMode0(const char* name, int* error) { return UrlStat(name, 0, error); }
int UrlStatMode1(const char* name, int* error) { return UrlStat(name, 1, error); }

int UrlFetch(const char* name, char** local, int* error, int mode) {
    if (!local) return 1;
    *local = nullptr;
    if (!IsNetworkFile(name)) return 1;
    char* path = nullptr;
    NetLibRet ret = NetLibOpen(name, FlagsOfMode(mode), &path);
    if (ret != 0) {
        // The network copy cannot be had: an earlier fetch may still be in
        // the cache.
        NetLibFree(path);
        path = nullptr;
        ret = NetLibQueryCacheForPath(name, &path);
    }
    if (TakeString(ret, path, local) == 0) return 0;
    SetError(error);
    return 1;
}

int UrlFetchMode0(const char* name, char** local, int* error) { return UrlFetch(name, local, error, 0); }
int UrlFetchMode1(const char* name, char** local, int* error) { return UrlFetch(name, local, error, 1); }

int UrlSave(const char* name) {
    if (!IsNetworkFile(name)) return 1;
    return NetLibSave(name, 0) == 0 ? 0 : 1;
}

int UrlGetCacheFile(const char* name, char** local) {
    if (!local) return 1;
    *local = nullptr;
    if (!IsNetworkFile(name)) return 1;
    char* path = nullptr;
    NetLibRet ret = NetLibGetCacheFile(name, &path);
    return TakeString(ret, path, local);
}

int UrlClean(const char* url, char** out) {
    if (!out) return 1;
    *out = nullptr;
    if (!IsNetworkFile(url)) return 1;
    char* clean = nullptr;
    NetLibRet ret = NetLibCleanURL(url, &clean);
    return TakeString(ret, clean, out);
}

int UrlQueryCacheForUrl(const char* url, char** out) {
    if (!out) return 1;
    *out = nullptr;
    if (!url) return 1;
    char* path = nullptr;
    NetLibRet ret = NetLibQueryCacheForURL(url, &path);
    return TakeString(ret, path, out);
}

int UrlQueryCacheForPath(const char* name, char** out) {
    if (!out) return 1;
    *out = nullptr;
    if (!IsNetworkFile(name)) return 1;
    char* path = nullptr;
    NetLibRet ret = NetLibQueryCacheForPath(name, &path);
    return TakeString(ret, path, out);
}

int UrlMakeAbsolute(const char* base, const char* relative, char** out) {
    if (!out) return 1;
    *out = nullptr;
    if (!relative || !IsNetworkFile(base)) return 1;
    char* joined = nullptr;
    NetLibRet ret = NetLibGetAbsoluteURL(base, relative, &joined);
    return TakeString(ret, joined, out);
}

int UrlMakeRelative(const char* reference, const char* url, char** out) {
    if (!out) return 1;
    *out = nullptr;
    if (!IsNetworkFile(reference) || !IsNetworkFile(url)) return 1;
    char* relative = nullptr;
    NetLibRet ret = NetLibGetRelativeURL(reference, url, &relative);
    return TakeString(ret, relative, out);
}

int UrlPut(const char* name, const char* other) {
    if (!other || !IsNetworkFile(name)) return 1;
    return NetLibPut(name, other) == 0 ? 0 : 1;
}

int UrlUploadFolder(const char* name, const char* other) {
    if (!other || !IsNetworkFile(name)) return 1;
    return NetLibUploadFolder(name, other) == 0 ? 0 : 1;
}
