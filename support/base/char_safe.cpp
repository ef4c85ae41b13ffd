// String operations that never cut or match inside a character: a two-byte
// character of a double-byte host encoding (lead byte + trail byte, per the
// encoding's byte table) or a UTF-8 sequence (length from its first byte).
#include "support/base/char_safe.h"

#include "support/base/strings.h"
#include "support/base/host_encodings.h"

namespace {

bool IsContinuation(unsigned char b) { return b >= 0x80 && b <= 0xBF; }

// Bytes of the character that starts at s[p], never reaching past the
// terminator: a UTF-8 sequence cut short by the end of the string ends there.
int CharLenAt(const char* s, int p, unsigned enc) {
    if (enc == EncUtf8) {
        int n = StrUtf8CharLen(static_cast<unsigned char>(s[p]));
        int len = 1;
        while (len < n && s[p + len] != 0) ++len;
        return len;
    }
    return EncIsPair(s + p, enc) ? 2 : 1;
}

// Where a copy of at most k bytes of src may stop without splitting a
// character.
int SafeCut(const char* src, int k, unsigned enc) {
    if (enc == EncUtf8) return StrUtf8Boundary(src, k);
    return StrIsTrailByte(src, k, enc) ? k - 1 : k;
}

// Copies src up to the cut or its terminator, terminates, returns the bytes.
int CopyUpTo(char* dst, const char* src, int cut) {
    int n = 0;
    while (n < cut && src[n] != 0) {
        dst[n] = src[n];
        ++n;
    }
    dst[n] = 0;
    return n;
}

} // namespace

int StrUtf8CharLen(int byte) {
    const unsigned b = static_cast<unsigned>(byte) & 0xFF; // a signed char works too
    if (b >= 0xC2 && b <= 0xDF) return 2;
    if (b >= 0xE0 && b <= 0xEF) return 3;
    if (b >= 0xF0 && b <= 0xF4) return 4;
    return 1;
}

void StrUtf8Next(const char** cursor) {
    if (!cursor || !*cursor) return;
    const char* p = *cursor;
    // A sequence cut short by the terminator ends at the terminator.
    *cursor = p + (*p == 0 ? 1 : CharLenAt(p, 0, EncUtf8));
}

void StrUtf8Next(char** cursor) {
    if (!cursor) return;
    const char* p = *cursor;
    StrUtf8Next(&p);
    *cursor = const_cast<char*>(p);
}

int StrUtf8Valid(const char* s) {
    if (!s) return 0;
    const auto* p = reinterpret_cast<const unsigned char*>(s);
    while (*p) {
        if (*p < 0x80) {
            ++p;
            continue;
        }
        if (*p < 0xC2 || *p > 0xF4) return 0;
        const int n = StrUtf8CharLen(*p);
        for (int i = 1; i < n; ++i)
            if (!IsContinuation(p[i])) return 0; // the terminator is no continuation
        p += n;
    }
    return 1;
}

int StrUtf8Boundary(const char* s, int i) {
    if (i < 0) return 0;
    if (i >= StrLen(s)) return i;
    // Step back over at most four continuation bytes, never before the start.
    const int stop = i - 4 < 0 ? 0 : i - 4;
    int j = i;
    while (j > stop && IsContinuation(static_cast<unsigned char>(s[j]))) --j;
    return j;
}

int StrIsTrailByte(const char* s, int i, unsigned enc) {
    if (enc >= EncUtf8 || i <= 0 || i >= StrLen(s)) return 0;
    if (!EncByteTables[enc]->trail[static_cast<unsigned char>(s[i])]) return 0;
    int p = 0;
    while (p < i) {
        if (EncIsPair(s + p, enc)) {
            if (p + 1 == i) return 1;
            p += 2;
        } else {
            ++p;
        }
    }
    return 0;
}

int StrCopyEnc(char* dst, const char* src, int size, unsigned enc) {
    if (!dst || size <= 0) return 0; // no room even for the terminator
    if (!src) {
        dst[0] = 0;
        return 0;
    }
    return CopyUpTo(dst, src, SafeCut(src, size - 1, enc));
}

int StrAppendEnc(char* dst, const char* src, int size, unsigned enc) {
    if (!dst || !src || src[0] == 0) return 0;
    const int length = StrLen(dst);
    const int k = size - 1 - length;
    if (k <= 0) return length;
    return length + CopyUpTo(dst + length, src, SafeCut(src, k, enc));
}

int StrFindEnc(const char* s, const char* pattern, unsigned enc) {
    if (!s || !pattern || s[0] == 0) return -1;
    if (pattern[0] == 0) return 0;
    for (int p = 0; s[p] != 0; p += CharLenAt(s, p, enc)) {
        int j = 0;
        while (pattern[j] != 0 && s[p + j] == pattern[j]) ++j;
        if (pattern[j] == 0) return p;
    }
    return -1;
}

namespace {

// Last match of pattern in s at a character start; every search resumes at
// the character after the previous hit, so it stays on character starts.
char* FindLast(const char* s, const char* pattern, unsigned enc) {
    const char* last = nullptr;
    int from = 0;
    for (;;) {
        const int hit = StrFindEnc(s + from, pattern, enc);
        if (hit < 0) break;
        const int q = from + hit;
        last = s + q;
        from = q + CharLenAt(s, q, enc);
    }
    return const_cast<char*>(last);
}

} // namespace

char* StrFindLastCharEnc(const char* s, int c1, int c2, unsigned enc) {
    const char pattern[3] = {static_cast<char>(c1), static_cast<char>(c2), 0};
    if (!s || s[0] == 0 || pattern[0] == 0) return nullptr;
    return FindLast(s, pattern, enc);
}

char* StrFindLastUtf8Char(const char* s, const char* ch) {
    if (!s || s[0] == 0 || !ch || ch[0] == 0) return nullptr;
    char pattern[5] = {};
    const int n = CharLenAt(ch, 0, EncUtf8);
    for (int i = 0; i < n; ++i) pattern[i] = ch[i];
    return FindLast(s, pattern, EncUtf8);
}
