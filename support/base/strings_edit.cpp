// In-place byte-string edits beyond the core ones: reversal, removal of a set
// of bytes, the last occurrence of a byte, and appending a decimal number.
#include "support/base/strings.h"

#include <cstdio>
#include <cstring>

void StrReverse(char* s) {
    if (!s) return;
    for (int i = 0, j = StrLen(s) - 1; i < j; ++i, --j) {
        char t = s[i];
        s[i] = s[j];
        s[j] = t;
    }
}

int StrRemoveChars(char* s, const char* set) {
    if (!s) return 0;
    int kept = 0;
    for (int i = 0; s[i]; ++i)
        if (!StrFindChar(set, static_cast<unsigned char>(s[i]))) s[kept++] = s[i];
    s[kept] = 0;
    return kept;
}

char* StrFindLastChar(const char* s, int c) {
    unsigned char want = static_cast<unsigned char>(c);
    if (!s || want == 0) return nullptr;
    const char* last = nullptr;
    for (; *s; ++s)
        if (static_cast<unsigned char>(*s) == want) last = s;
    return const_cast<char*>(last);
}

int StrAppendInt(char* dst, int value, int size) {
    if (!dst) return 0;
    int len = StrLen(dst);
    char digits[16];
    int n = std::snprintf(digits, sizeof digits, "%d", value);
    // A number cut short would read as a different number: all or nothing.
    if (len + n > size - 1) return len;
    std::memcpy(dst + len, digits, static_cast<size_t>(n) + 1);
    return len + n;
}
