// Byte-string comparisons beyond the core ones: bounded, prefix and suffix
// tests in exact and folded forms, a folded search, a comparison that ignores
// spaces and hyphens, and the sort order used for string arrays.
#include "support/base/char_tables.h"
#include "support/base/strings.h"

#include <cstring>

namespace {

inline unsigned char Exact(char c) {
    return static_cast<unsigned char>(c);
}
inline unsigned char Fold(char c) {
    return CharLowerMap[static_cast<unsigned char>(c)];
}

// Walks while the mapped bytes agree, a has not ended and fewer than n bytes
// were seen; returns the difference where it stopped.
template <unsigned char (*Map)(char)> int CompareBounded(const char* a, const char* b, int n) {
    if (!a) a = "";
    if (!b) b = "";
    for (int i = 0; i < n; ++i) {
        int d = static_cast<int>(Map(a[i])) - static_cast<int>(Map(b[i]));
        if (d != 0 || !a[i]) return d;
    }
    return 0;
}

template <unsigned char (*Map)(char)> int HasSuffix(const char* s, const char* suffix) {
    int len = StrLen(s), tail = StrLen(suffix);
    if (tail > len) return 0;
    return CompareBounded<Map>(s + len - tail, suffix, tail) == 0;
}

bool IsSpaceOrHyphen(unsigned char c) {
    return c == 0x20 || c == 0x2D || (c >= 0x10 && c <= 0x15) || c == 0x04 || c == 0x06;
}

} // namespace

int StrEqualN(const char* a, const char* b, int n) {
    return CompareBounded<Exact>(a, b, n) == 0;
}

int StrEqualNoCaseN(const char* a, const char* b, int n) {
    return CompareBounded<Fold>(a, b, n) == 0;
}

int StrCompare(const char* a, const char* b) {
    if (!a) a = "";
    if (!b) b = "";
    int i = 0;
    while (a[i] && a[i] == b[i])
        ++i;
    return static_cast<int>(Exact(a[i])) - static_cast<int>(Exact(b[i]));
}

int StrCompareN(const char* a, const char* b, int n) {
    return CompareBounded<Exact>(a, b, n);
}

int StrCompareNoCaseN(const char* a, const char* b, int n) {
    return CompareBounded<Fold>(a, b, n);
}

int StrHasPrefixNoCase(const char* s, const char* prefix) {
    return StrEqualNoCaseN(s, prefix, StrLen(prefix));
}

int StrHasSuffix(const char* s, const char* suffix) {
    return HasSuffix<Exact>(s, suffix);
}

int StrHasSuffixNoCase(const char* s, const char* suffix) {
    return HasSuffix<Fold>(s, suffix);
}

int StrFindNoCase(const char* s, const char* pattern) {
    if (!s || !pattern || !s[0]) return -1;
    int len = StrLen(s), plen = StrLen(pattern);
    for (int i = 0; i + plen <= len; ++i)
        if (CompareBounded<Fold>(s + i, pattern, plen) == 0) return i;
    return -1;
}

int StrCompareIgnoringSpaces(const char* a, const char* b) {
    if (!a) a = "";
    if (!b) b = "";
    for (;;) {
        while (IsSpaceOrHyphen(Exact(*a)))
            ++a;
        while (IsSpaceOrHyphen(Exact(*b)))
            ++b;
        if (!*a || *a != *b) return static_cast<int>(Exact(*a)) - static_cast<int>(Exact(*b));
        ++a;
        ++b;
    }
}

int StrCompareForSort(const char* a, const char* b) {
    int folded = StrCompareNoCase(a, b);
    return folded != 0 ? folded : StrCompare(a, b);
}

int StrSortCompare(const void* a, const void* b) {
    return StrCompareForSort(*static_cast<const char* const*>(a),
                             *static_cast<const char* const*>(b));
}
