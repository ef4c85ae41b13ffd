// Single-character conversions between code points, UTF-8 and UTF-16.
#include "support/base/strings_utf8.h"

#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <cstring>

namespace {
const int32_t Replacement = 0xFFFD;

int32_t Encodable(int32_t c) {
    return (c < 0 || c > 0x10FFFF || U_IS_SURROGATE(c)) ? Replacement : c;
}
} // namespace

int StrUtf8Encode(int32_t c, char out[4]) {
    int n = 0;
    U8_APPEND_UNSAFE(out, n, Encodable(c));
    return n;
}

int StrUtf16Encode(int32_t c, char16_t out[2]) {
    int n = 0;
    U16_APPEND_UNSAFE(out, n, Encodable(c));
    return n;
}

int32_t StrUtf8Decode(const char* s, int* used) {
    int i = 0;
    int32_t c = 0;
    if (s && s[0]) {
        int length = static_cast<int>(strnlen(s, 4));
        U8_NEXT(s, i, length, c);
    }
    if (used) *used = i;
    return c;
}

int32_t StrUtf16Decode(const char16_t* s, int length, int* used) {
    int i = 0;
    int32_t c = 0;
    if (s && length > 0) {
        U16_NEXT(s, i, length, c);
        if (U_IS_SURROGATE(c)) c = Replacement;
    }
    if (used) *used = i;
    return c;
}

int StrUtf8CharToUtf16(const char* s, char16_t out[2], int* used) {
    int32_t c = StrUtf8Decode(s, used);
    return StrUtf16Encode(c < 0 ? Replacement : c, out);
}

int StrUtf16CharToUtf8(const char16_t* s, int length, char out[4], int* used) {
    return StrUtf8Encode(StrUtf16Decode(s, length, used), out);
}
