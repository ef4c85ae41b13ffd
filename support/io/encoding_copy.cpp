// Result blocks shared by the conversion routines: the empty block, which
// reads as "" both as 8-bit and as UTF-16 text, and plain copies.
#include "support/io/encoding_copy.h"

#include "support/base/memory.h"
#include "support/base/strings.h"

#include <unicode/ustring.h>

#include <cstring>

char* EncEmptyBlock() { return (char*)MemCalloc(2, 1, MemFlagFatal); }

char* EncCopyBytes(const char* text) {
    int n = StrLen(text);
    // A copy stands in for a UTF-16 result where a converter name is missing,
    // and callers then read it by 16-bit units: an odd length gets a third
    // zero byte so that the last unit read is a whole zero unit in the block.
    auto* copy = (char*)MemCalloc((uint32_t)n + 2 + (uint32_t)(n & 1), 1, MemFlagFatal);
    // Null only when a handler resumed the fatal error.
    if (copy && n) std::memcpy(copy, text, (size_t)n);
    return copy;
}

char* EncCopyUtf16(const char* text) {
    int32_t units = u_strlen(reinterpret_cast<const UChar*>(text));
    auto* copy = (char*)MemCalloc((uint32_t)units + 1, sizeof(UChar), MemFlagFatal);
    if (copy) std::memcpy(copy, text, (size_t)units * sizeof(UChar));
    return copy;
}

char* EncUtf16FromAscii(const char* ascii) {
    int n = StrLen(ascii);
    auto* units = (UChar*)MemCalloc((uint32_t)n + 1, sizeof(UChar), MemFlagFatal);
    for (int i = 0; units && i < n; ++i) units[i] = (UChar)(unsigned char)ascii[i];
    return reinterpret_cast<char*>(units);
}
