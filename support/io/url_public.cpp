// The public forwarders of the URL wrappers: the same operations for callers
// outside the library, which see error codes above 19 folded into 20.
#include "support/io/url.h"

namespace {

// The wrappers write an error code only when NetLib failed, and never a
// negative one: this marks "not written", so the caller's variable is left
// alone as the wrapper would have left it.
enum : int { NoCode = -1 };

int Passed(int result, int code, int* error) {
    if (error && code != NoCode) *error = UrlPublicError(code);
    return result;
}

} // namespace

int UrlPublicIsLocal(const char* name) { return UrlIsLocal(name); }
int UrlPublicIsDctm(const char* name) { return UrlIsDctm(name); }

int UrlPublicStat(const char* name, int mode, int* error) {
    int code = NoCode;
    int result = UrlStat(name, mode, &code);
    return Passed(result, code, error);
}
int UrlPublicStatMode0(const char* name, int* error) { return UrlPublicStat(name, 0, error); }
int UrlPublicStatMode1(const char* name, int* error) { return UrlPublicStat(name, 1, error); }

int UrlPublicFetch(const char* name, char** local, int* error, int mode) {
    int code = NoCode;
    int result = UrlFetch(name, local, &code, mode);
    return Passed(result, code, error);
}
int UrlPublicFetchMode0(const char* name, char** local, int* error) {
    return UrlPublicFetch(name, local, error, 0);
}
int UrlPublicFetchMode1(const char* name, char** local, int* error) {
    return UrlPublicFetch(name, local, error, 1);
}

int UrlPublicSave(const char* name) { return UrlSave(name); }
int UrlPublicGetCacheFile(const char* name, char** local) { return UrlGetCacheFile(name, local); }
int UrlPublicClean(const char* url, char** out) { return UrlClean(url, out); }
int UrlPublicQueryCacheForUrl(const char* url, char** out) { return UrlQueryCacheForUrl(url, out); }
int UrlPublicQueryCacheForPath(const char* name, char** out) { return UrlQueryCacheForPath(name, out); }
int UrlPublicMakeAbsolute(const char* base, const char* relative, char** out) {
    return UrlMakeAbsolute(base, relative, out);
}
int UrlPublicMakeRelative(const char* reference, const char* url, char** out) {
    return UrlMakeRelative(reference, url, out);
}
int UrlPublicPut(const char* name, const char* other) { return UrlPut(name, other); }
int UrlPublicUploadFolder(const char* name, const char* other) { return UrlUploadFolder(name, other); }
