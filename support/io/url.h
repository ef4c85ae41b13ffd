// URLs and network files: thin wrappers over the host's network-file library
// (NetLib), their public forwarders, and the conversions between paths and
// "file:" URLs with percent-encoding.
//
// Wrapper convention: 0 for success, 1 for failure or for a name the
// operation does not apply to. A null name, or a name that is not a network
// file, returns 1 without calling NetLib (UrlQueryCacheForUrl alone makes no
// network-file test). Strings handed back are new blocks the caller frees
// with MemFree; on failure the out string is set to null.
//
// Path styles (the `style` arguments): 0 and 4 native (Windows) paths with
// '\', 1 token form, 2 paths with '/', 3 colon-separated paths.
#pragma once

// Error code of the last failed NetLib call: the library's code for 0..19,
// 21 for any other value.
int UrlLastError();
// The code the public forwarders report: anything above 19 becomes 20.
int UrlPublicError(int code);

// 1 for a null name or one NetLib does not claim as a network file.
int UrlIsLocal(const char* name);
// 1 when the name begins with "dctm://" (exact case).
int UrlIsDctm(const char* name);

// Status of a network file: 0 when NetLib can reach it. Mode 1 asks with the
// second-mode flag (16). `error` (may be null) receives UrlLastError.
int UrlStat(const char* name, int mode, int* error);
int UrlStatMode0(const char* name, int* error);
int UrlStatMode1(const char* name, int* error);

// Fetches a network file into the local cache; falls back to an existing
// cache entry. `local` receives the cache path (null on failure).
int UrlFetch(const char* name, char** local, int* error, int mode);
int UrlFetchMode0(const char* name, char** local, int* error);
int UrlFetchMode1(const char* name, char** local, int* error);

// Writes a network file's cache copy back.
int UrlSave(const char* name);
// A local cache name under which a new network file may be created.
int UrlGetCacheFile(const char* name, char** local);
// The canonical form of a network file's URL.
int UrlClean(const char* url, char** out);
// The existing cache entry of a URL (any non-null URL is asked about), or of
// a network file's name.
int UrlQueryCacheForUrl(const char* url, char** out);
int UrlQueryCacheForPath(const char* name, char** out);
// Joins a relative part to a network base.
int UrlMakeAbsolute(const char* base, const char* relative, char** out);
// `url` relative to `reference`; both must be network files.
int UrlMakeRelative(const char* reference, const char* url, char** out);
// Uploads `other` (a file, or a folder) to the network name; a null `other`
// is a failure.
int UrlPut(const char* name, const char* other);
int UrlUploadFolder(const char* name, const char* other);

// Public forwarders: the same operations for callers outside the library.
// Error codes they report pass through UrlPublicError.
int UrlPublicIsLocal(const char* name);
int UrlPublicIsDctm(const char* name);
int UrlPublicStat(const char* name, int mode, int* error);
int UrlPublicStatMode0(const char* name, int* error);
int UrlPublicStatMode1(const char* name, int* error);
int UrlPublicFetch(const char* name, char** local, int* error, int mode);
int UrlPublicFetchMode0(const char* name, char** local, int* error);
int UrlPublicFetchMode1(const char* name, char** local, int* error);
int UrlPublicSave(const char* name);
int UrlPublicGetCacheFile(const char* name, char** local);
int UrlPublicClean(const char* url, char** out);
int UrlPublicQueryCacheForUrl(const char* url, char** out);
int UrlPublicQueryCacheForPath(const char* name, char** out);
int UrlPublicMakeAbsolute(const char* base, const char* relative, char** out);
int UrlPublicMakeRelative(const char* reference, const char* url, char** out);
int UrlPublicPut(const char* name, const char* other);
int UrlPublicUploadFolder(const char* name, const char* other);

// Percent-encoding. Both return new strings (fatal on exhaustion); a null
// text reads as "".
// Writes bytes 0x01-0x20 and # % < > [ \ ] ^ ` { | } ~ as "%XX".
char* UrlEscape(const char* text);
// Decodes "%XX" (hexadecimal digits of either case) into its byte, unless
// that byte is 0; any other '%' is copied as it stands.
char* UrlUnescape(const char* text);

// Conversions between paths and "file:" URLs. All return new strings (fatal
// on exhaustion) or null; network and "dctm://" names come back as copies.
// A path of `style` as a "file://" URL: its separators made '/', the rest
// escaped.
char* UrlFromPath(const char* path, int style);
// The same without the "file://" prefix (a relative slash path).
char* UrlPathToSlashes(const char* path, int style);
// A "file:" URL as a path of `style`, unescaped; null for any other name and
// for a result that is not absolute for the style.
char* UrlToPath(const char* url, int style);
// An absolute path as a "file://" URL, any other as a relative slash path.
char* UrlFromAnyPath(const char* path, int style);
char* UrlFromAnyNativePath(const char* path); // style 0
// A slash path unescaped with '/' made '\'; names without '/' are copied.
char* UrlSlashesToPath(const char* text);
// 1 when `path` is absolute for its style (2: starts with '/'; 3: has a ':'
// after its first character; 0 and 4: PathIsAbsolute), else 0.
int UrlIsAbsoluteFor(const char* path, int style);
