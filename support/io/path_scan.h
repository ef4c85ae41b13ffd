// Character stepping shared by the path scanners: how many bytes the
// character at a position takes in the current host encoding, so that the
// second byte of a pair (or a UTF-8 continuation byte) is never read as a
// separator or a token.
#pragma once

#include "support/base/char_safe.h"
#include "support/base/host_encodings.h"

// Bytes of the character that starts at p (1-4), never reaching past the
// terminator; 0 at the terminator.
inline int PathCharLen(const char* p) {
    if (*p == 0) return 0;
    if (EncCurrent == EncUtf8) {
        const int n = StrUtf8CharLen(static_cast<unsigned char>(*p));
        int len = 1;
        while (len < n && p[len] != 0) ++len;
        return len;
    }
    return EncIsPair(p) ? 2 : 1;
}

inline bool PathIsSlash(char c) { return c == '\\' || c == '/'; }

inline bool PathIsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// Offset of the start of the last character of s (-1 for ""): found by a
// walk from the front, the only direction in which pairs can be told apart.
int PathLastCharStart(const char* s);

// 1 when the last character of s is the one-byte character c.
int PathEndsWith(const char* s, char c);

// A new string holding the first n bytes of s; null when memory runs out.
char* PathCopyBytes(const char* s, int n);

// Normalises a working path (at most 4095 bytes) into `out`
// (PathBufferSize bytes): separator runs, "." and "..". The result is never
// longer than the input.
void PathNormalize(const char* working, char* out);
