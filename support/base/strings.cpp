// The core byte-string operations: length, copy, append, trim, search, the
// case-insensitive equality and ordering folded through CharLowerMap, the
// backslash escapes of the host's special codes, and number parsing. A null
// string reads as "" throughout; a null destination makes an operation a no-op.
#include "support/base/strings.h"

#include "support/base/char_tables.h"
#include "support/base/memory.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstdlib>
#include <cstring>

int StrLen(const char* s) {
    return s ? static_cast<int>(std::strlen(s)) : 0;
}

void StrCopy(char* dst, const char* src) {
    if (!dst) return;
    if (!src) {
        dst[0] = 0;
        return;
    }
    std::memmove(dst, src, std::strlen(src) + 1);
}

int StrCopyN(char* dst, const char* src, int size) {
    // A size of 0 or less leaves no room even for the terminator.
    if (!dst || size <= 0) return 0;
    int n = 0;
    if (src)
        while (n < size - 1 && src[n])
            ++n;
    std::memmove(dst, src ? src : "", static_cast<size_t>(n));
    dst[n] = 0;
    return n;
}

char* StrDup(const char* s) {
    if (!s) return nullptr;
    int len = StrLen(s);
    char* copy = static_cast<char*>(MemCalloc(static_cast<uint32_t>(len) + 1, 1, 0));
    if (!copy) return nullptr;
    std::memcpy(copy, s, static_cast<size_t>(len));
    return copy;
}

int StrAppend(char* dst, const char* src) {
    if (!dst) return 0;
    int len = StrLen(dst);
    int add = StrLen(src);
    if (add) std::memmove(dst + len, src, static_cast<size_t>(add) + 1);
    return len + add;
}

int StrAppendN(char* dst, const char* src, int size) {
    if (!dst) return 0;
    int len = StrLen(dst);
    if (!src || !src[0] || len >= size - 1) return len;
    while (len < size - 1 && *src)
        dst[len++] = *src++;
    dst[len] = 0;
    return len;
}

int StrAppendChar(char* dst, int byte, int size) {
    if (!dst) return 0;
    int len = StrLen(dst);
    if (len >= size - 1) return len;
    dst[len] = static_cast<char>(byte);
    dst[len + 1] = 0;
    return len + 1;
}

void StrTruncate(char* s, int index) {
    if (s && index >= 0) s[index] = 0;
}

void StrDropFront(char* s, int n) {
    if (!s || n <= 0) return;
    int len = StrLen(s);
    if (n > len) return;
    std::memmove(s, s + n, static_cast<size_t>(len - n) + 1);
}

void StrTrimRight(char* s) {
    if (!s) return;
    int len = StrLen(s);
    while (len > 0 && s[len - 1] == ' ')
        s[--len] = 0;
}

void StrTrimLeft(char* s) {
    if (!s || s[0] != ' ') return;
    int skip = 0;
    while (s[skip] == ' ')
        ++skip;
    StrDropFront(s, skip);
}

int StrEqual(const char* a, const char* b) {
    return std::strcmp(a ? a : "", b ? b : "") == 0;
}

int StrHasPrefix(const char* s, const char* prefix) {
    if (!prefix) return 1;
    if (!s) s = "";
    return std::strncmp(s, prefix, std::strlen(prefix)) == 0;
}

char* StrFindChar(const char* s, int c) {
    // Bytes are compared as their values 0 to 255: an int outside them, a
    // sign-extended `char` included, is never found.
    if (!s || c <= 0 || c > 255) return nullptr;
    for (; *s; ++s)
        if (static_cast<unsigned char>(*s) == c) return const_cast<char*>(s);
    return nullptr;
}

int StrFind(const char* s, const char* pattern) {
    if (!s || !pattern || !s[0]) return -1;
    const char* hit = std::strstr(s, pattern);
    return hit ? static_cast<int>(hit - s) : -1;
}

static inline unsigned char Fold(char c) {
    return CharLowerMap[static_cast<unsigned char>(c)];
}

int StrEqualNoCase(const char* a, const char* b) {
    return StrCompareNoCase(a, b) == 0;
}

int StrCompareNoCase(const char* a, const char* b) {
    if (!a) a = "";
    if (!b) b = "";
    int i = 0;
    while (a[i] && Fold(a[i]) == Fold(b[i]))
        ++i;
    return static_cast<int>(Fold(a[i])) - static_cast<int>(Fold(b[i]));
}

// Both escape directions produce at most this many bytes (plus terminator).
enum : int { EscapeLimit = 1023 };

static int UnescapedByte(unsigned char c) {
    switch (c) {
    case ' ':
        return 0x11;
    case '#':
        return 0x10;
    case '+':
        return 0x15;
    case '-':
        return 0x04;
    case 'M':
        return 0x14;
    case 'N':
        return 0x13;
    case 'P':
    case 'p':
        return 0x0A;
    case '_':
        return 0x05;
    case 'h':
    case 'n':
    case 'r':
        return 0x09;
    case 'i':
        return 0x12;
    case 's':
        return 0x20;
    case 't':
        return 0x08;
    default:
        return c;
    }
}

char* StrUnescape(const char* s) {
    char out[EscapeLimit + 1];
    int n = 0;
    if (s) {
        for (int i = 0; s[i] && n < EscapeLimit; ++i) {
            if (s[i] != '\\') {
                out[n++] = s[i];
                continue;
            }
            // A backslash that is the last byte ends the result; the
            // terminator after it is never read past.
            if (!s[i + 1]) break;
            out[n++] = static_cast<char>(UnescapedByte(static_cast<unsigned char>(s[++i])));
        }
    }
    out[n] = 0;
    return StrDup(out);
}

static char EscapeLetter(unsigned char c) {
    switch (c) {
    case 0x11:
        return ' ';
    case 0x10:
        return '#';
    case 0x15:
        return '+';
    case 0x04:
        return '-';
    case 0x14:
        return 'M';
    case 0x13:
        return 'N';
    case 0x0A:
        return 'p';
    case 0x05:
        return '_';
    case 0x09:
        return 'r';
    case 0x12:
        return 'i';
    case 0x20:
        return 's';
    case 0x08:
        return 't';
    case 0x5C:
        return '\\';
    default:
        return 0;
    }
}

char* StrEscape(const char* s) {
    char out[EscapeLimit + 1];
    int n = 0;
    if (s) {
        // Stopping once EscapeLimit - 1 bytes are written leaves room for the
        // two bytes of one more escape.
        for (int i = 0; s[i] && n < EscapeLimit - 1; ++i) {
            char letter = EscapeLetter(static_cast<unsigned char>(s[i]));
            if (letter) {
                out[n++] = '\\';
                out[n++] = letter;
            } else {
                out[n++] = s[i];
            }
        }
    }
    out[n] = 0;
    return StrDup(out);
}

int StrToInt(const char* s) {
    return s ? std::atoi(s) : 0;
}

int64_t StrToInt64(const char* s) {
    return s ? static_cast<int64_t>(std::atoll(s)) : 0;
}

double StrToReal(const char* s) {
    return s ? std::atof(s) : 0.0;
}

// Copies UTF-8 text with every Unicode decimal digit replaced by its ASCII
// digit, into `local` when it fits and into a new block otherwise. Returns
// null only when that block cannot be had. The result is never longer than s.
static char* Utf8AsciiDigits(const char* s, char* local, int localSize) {
    int len = StrLen(s);
    char* out = local;
    if (len >= localSize) {
        out = static_cast<char*>(MemAlloc(static_cast<uint32_t>(len) + 1, 0));
        if (!out) return nullptr;
    }
    int n = 0;
    for (int i = 0; i < len;) {
        int start = i;
        UChar32 c;
        U8_NEXT(s, i, len, c);
        if (c >= 0 && u_isdigit(c)) {
            out[n++] = static_cast<char>('0' + u_charDigitValue(c));
        } else {
            while (start < i)
                out[n++] = s[start++];
        }
    }
    out[n] = 0;
    return out;
}

// Parses s with `parse` after folding its Unicode digits to ASCII; a null s,
// or a copy that cannot be had, gives 0.
template <typename Number>
static Number ParseUtf8Digits(const char* s, Number (*parse)(const char*)) {
    if (!s) return 0;
    char local[128];
    char* text = Utf8AsciiDigits(s, local, sizeof local);
    if (!text) return 0;
    Number value = parse(text);
    if (text != local) MemFree(text);
    return value;
}

int StrUtf8ToInt(const char* s) {
    return ParseUtf8Digits<int>(s, [](const char* text) { return std::atoi(text); });
}

double StrUtf8ToReal(const char* s) {
    return ParseUtf8Digits<double>(s, [](const char* text) { return std::atof(text); });
}
