// File paths: the PathObject record, resolution of relative names against a
// base directory, normalisation of "." and "..", environment variables, the
// platform-neutral token form, splitting into directory and name, and the
// string forms a path can be given or asked for in.
//
// Paths are native (Windows-style) strings in the current host encoding
// (EncCurrent). Every scan for separators and tokens steps over whole
// characters, so the second byte of a double-byte character that equals '\',
// '/', ':' or '<' is never taken for one. Network names (those NetLib claims,
// see url.h) are left to the network library.
//
// Buffers: a path buffer is PathBufferSize bytes (a path holds at most 4095
// bytes); a final component taken out of a path holds at most 1022 bytes
// (PathNameSize); one token's text or one component from PathNextComponent
// at most 1023 bytes (PathTokenSize). Input that does not fit is refused,
// never cut short into a different name.
#pragma once

#include <cstdint>

enum : uint32_t { PathMagic = 0x70617468u }; // 'p' 'a' 't' 'h'

enum : uint16_t {
    PathFlagNoBase = 0x01,   // cannot serve as a base path
    PathFlagResolved = 0x10, // resolved to a native path
};

enum : int {
    PathBufferSize = 4096,
    PathNameSize = 1023,
    PathTokenSize = 1024,
};

// The string forms the conversions accept.
enum PathStyle : int {
    PathStyleNative = 0,
    PathStyleTokens = 1,  // "<v>C:<c>dir<c>file"
    PathStyleSlashes = 2, // native path written with '/' on output
    PathStyleColons = 3,  // refused here; understood by the URL conversions
    PathStyleNativeAlt = 4,
};

// A zero-filled heap block; `path` is owned and never null in a live object.
struct PathObject {
    uint32_t magic;
    uint16_t flags;
    char* path;
};

// Replaces a leading '~'. The library never sets it, so it is empty.
extern char PathHomeDir[PathBufferSize];

// ---- Objects ---------------------------------------------------------------

// New object from `text` in the given style, resolved against `base` (may be
// null). Null or empty text, a style-3 text, a token-form error, a base with
// PathFlagNoBase, or a resolution to "" give null. A style above 4 (or below
// 0) is misuse and raises FatalError.
PathObject* PathFromString(const char* text, const PathObject* base, int style);
// Resolves a native text against `base`: the result has PathFlagNoBase clear
// and PathFlagResolved set. Null when the result is empty or `base` refuses.
PathObject* PathResolveNew(const char* text, const PathObject* base);
// The three base-taking variants; each refuses a base with PathFlagNoBase.
// Dir: the result can serve as a base (PathFlagNoBase clear, PathFlagResolved
// set) only when it begins with a drive letter, ':' and '\'; otherwise it
// gets PathFlagNoBase.
PathObject* PathResolveNewDir(const char* text, const PathObject* base);
// File: a local result gets PathFlagNoBase | PathFlagResolved; a network
// result neither.
PathObject* PathResolveNewFile(const char* text, const PathObject* base);
// Styled: as File, for a text in any style PathFromString accepts.
PathObject* PathResolveNewStyled(const char* text, const PathObject* base, int style);

// An empty object, or one holding a copy of `text` as it stands (null for a
// text longer than 4095 bytes). Null when memory runs out.
PathObject* PathNewEmpty();
PathObject* PathNewFromText(const char* text);
// Releases the string and the block. Null objects are ignored. Returns 0.
int PathFree(PathObject* object);

// The directory part as an object. Null without error (status 0) for a root;
// null with status -1 when no object could be made (also for a name with no
// directory part). `status` may be null.
PathObject* PathParentOf(const PathObject* object, int* status);
// An object for a directory; for null or "" the working directory in Windows
// form, followed by '\'.
PathObject* PathCurrentDir(const char* directory);

// ---- Strings out -----------------------------------------------------------

// The final component as a new string (a trailing '\' is looked through:
// "C:\docs\" gives "docs"). Null for a null object, a name longer than 1022
// bytes, or no memory.
char* PathBaseName(const PathObject* object);
// Styles 0 and 4: a copy; 1: the token form; 2: '\' written as '/'. A null
// object or any other style sets HostErrorCode to -43 and gives null.
char* PathToString(const PathObject* object, int style);

// ---- Buffers ---------------------------------------------------------------

// Splits into directory (PathBufferSize bytes, may be null) and final name
// (PathNameSize bytes). Local names split at the last '\' or ':' ('/' does
// not count); network names at the last '/', the name unescaped. Returns 0,
// or -1 with the name made "" when it is longer than 1022 bytes.
int PathSplit(const char* path, char* directory, char* name);
// The part of a local path after its last '\' or ':'.
const char* PathLastComponent(const char* path);
// Resolves `path` (a PathBufferSize buffer) in place against the base
// directory string (may be null or ""). Failures leave `path` empty.
void PathResolve(char* path, const char* base);
// Expands "$NAME" and a leading '~' in place (PathBufferSize buffer). An
// expansion that would not fit leaves `path` empty.
void PathExpandVariables(char* path);
// Decodes "%XX" (unless it makes 0) and turns '/' into '\', in place.
void PathUnescapeName(char* name);
// Token form to native, into a PathBufferSize buffer: 0, or -1 (out made "")
// for a misplaced token, a token text over 1023 bytes, a result over 4095
// bytes or an empty result.
int PathTokensToNative(const char* text, char* out);
// Native to token form, made relative to `other` first when it is given.
// 0 with a new string and its length; 1 for an object without the magic;
// -1 when memory runs out. A base-refusing object or a null out-parameter is
// misuse (AssertFailed).
int PathNativeToTokens(const PathObject* object, const PathObject* other, char** out,
                       int* length);
// Rewrites the absolute `path` (PathBufferSize buffer) relative to the
// directory of the absolute `other`, components compared without case.
// 0 on success; -1 (path untouched) when either is not absolute, they lie
// on different drives or roots, or the result does not fit.
int PathRelativeTo(char* path, const char* other);
// Appends '\' (unless `path` is empty or ends in '\' or '/') and `component`
// within `limit` bytes. 0, or -1 with `path` untouched when it does not fit.
int PathAppend(char* path, const char* component, int limit);

// ---- Questions -------------------------------------------------------------

// 1 when `path` is absolute: it has a drive ("X:"), is a network or
// document-management name, or starts with a separator; 0 otherwise and for
// null.
int PathIsAbsolute(const char* path);
// 1 when `path` is a root: "\", "X:" or "X:\"; 0 otherwise and for null.
int PathIsRoot(const char* path);
// Iterates over the '\'-separated components of a string, skipping runs of
// '\'. Start with *cursor at the string. Returns 1 with the component in
// `component` (PathTokenSize bytes) and *cursor moved past it, 0 at the end,
// or -1 for a component over 1023 bytes (skipped, `component` made "").
int PathNextComponent(const char** cursor, char* component);
// Guesses the PathStyle of a string.
int PathClassify(const char* text);
