// The general text converter: EncConvert splits the text at control
// characters, hands each run between them to ICU through EncAppendSegment and
// EncConvertSegment, and passes the control characters through unconverted.
// Converters are opened and closed for every segment.
#include "support/io/encoding_convert.h"

#include "support/base/char_safe.h"
#include "support/base/memory.h"
#include "support/base/strings.h"
#include "support/io/encoding_copy.h"
#include "support/io/host_encodings.h"

#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <climits>
#include <cstring>

namespace {

bool IsUtf16(const char* name) { return std::strcmp(name, EncNameUtf16) == 0; }
bool IsUtf8(const char* name) { return std::strcmp(name, EncNameUtf8) == 0; }
bool IsLocale(const char* name) { return std::strcmp(name, EncNameLocale) == 0; }

// Byte size of a block for `units` units of `unitBytes` bytes plus `extra`,
// or fatal when it cannot be represented.
uint32_t BlockSize(int64_t units, int unitBytes, int extra) {
    int64_t size = units * unitBytes + extra;
    if (size > INT_MAX) FatalError();
    return (uint32_t)size;
}

// Opens the converter ICU knows by `name`; a null name is ICU's default.
UConverter* OpenConverter(const char* name) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open(name, &status);
    if (U_FAILURE(status)) {
        ucnv_close(cnv);
        return nullptr;
    }
    return cnv;
}

// The 8-bit text into a new UTF-16 block; *units receives the units written.
// A capacity of 2b+1 units suffices unless escapes or supplementary
// characters expand the text, so an overflow is retried at ICU's size.
UChar* ToUnicode(UConverter* cnv, const char* text, int32_t bytes, int32_t* units) {
    int32_t capacity = (int32_t)BlockSize(bytes, 2, 1);
    for (int attempt = 0; attempt < 2; ++attempt) {
        auto* out = (UChar*)MemCalloc(BlockSize(capacity, sizeof(UChar), 0), 1, MemFlagFatal);
        if (!out) return nullptr; // a handler resumed the fatal error
        UErrorCode status = U_ZERO_ERROR;
        int32_t n = ucnv_toUChars(cnv, out, capacity, text, bytes, &status);
        // The result needs a terminator too: "not terminated" also means
        // the block was too small.
        bool tooSmall = status == U_BUFFER_OVERFLOW_ERROR || status == U_STRING_NOT_TERMINATED_WARNING;
        if (tooSmall && attempt == 0 && n < INT_MAX) {
            MemFree(out);
            ucnv_reset(cnv);
            capacity = n + 1;
            continue;
        }
        if (U_FAILURE(status) || n >= capacity) {
            MemFree(out);
            return nullptr;
        }
        *units = n;
        return out;
    }
    return nullptr;
}

// The UTF-16 text into a new block in the target encoding; *bytes receives
// the bytes written. The first capacity is 4u+4; targets that expand beyond
// it (escape sequences of stateful encodings) are retried at ICU's size.
char* FromUnicode(UConverter* cnv, const UChar* units, int32_t count, int32_t* bytes) {
    int32_t capacity = (int32_t)BlockSize(count, 4, 4);
    for (int attempt = 0; attempt < 2; ++attempt) {
        // Two spare zero bytes keep every result terminated as 8-bit and as
        // UTF-16 text.
        auto* out = (char*)MemCalloc(BlockSize(capacity, 1, 2), 1, MemFlagFatal);
        if (!out) return nullptr;
        UErrorCode status = U_ZERO_ERROR;
        int32_t n = ucnv_fromUChars(cnv, out, capacity, units, count, &status);
        if (status == U_BUFFER_OVERFLOW_ERROR && attempt == 0 && n < INT_MAX - 2) {
            MemFree(out);
            ucnv_reset(cnv);
            capacity = n;
            continue;
        }
        if (U_FAILURE(status) || n > capacity) {
            MemFree(out);
            return nullptr;
        }
        *bytes = n;
        return out;
    }
    return nullptr;
}

int Utf16Length(const char* text) { return u_strlen(reinterpret_cast<const UChar*>(text)); }

// A stateful source shifts between character sets with ESC, SO and SI bytes
// (the ISO-2022 family, JIS7 among them, and the stateful EBCDIC pages).
// Those bytes are part of its text, so cutting segments at them would lose
// the shifts and garble the rest.
bool IsStatefulSource(const char* from) {
    if (IsUtf8(from) || IsUtf16(from) || IsLocale(from) || EncConverterToHostName(from))
        return false;
    UConverter* cnv = OpenConverter(from);
    if (!cnv) return false;
    UConverterType type = ucnv_getType(cnv);
    ucnv_close(cnv);
    return type == UCNV_ISO_2022 || type == UCNV_EBCDIC_STATEFUL;
}

} // namespace

int EncOutputReserve(EncOutput* output, int more) {
    if (!output->bytes) return -1;
    int64_t needed = (int64_t)output->length + more;
    if (needed <= output->capacity) return 0;
    int64_t capacity = output->capacity > 0 ? output->capacity : 16;
    while (capacity < needed) capacity *= 2;
    if (capacity > INT_MAX) capacity = needed;
    char* grown = nullptr;
    if (capacity > INT_MAX)
        FatalError();
    else
        grown = (char*)MemRealloc(output->bytes, (uint32_t)capacity, MemFlagFatal);
    if (!grown) {
        // Only reached when a handler resumed the fatal error: the block that
        // could not grow is still ours, and a text with a hole is no result.
        MemFree(output->bytes);
        *output = EncOutput{nullptr, 0, 0};
        return -1;
    }
    output->bytes = grown;
    output->capacity = (int)capacity;
    return 0;
}

char* EncConvertSegment(const char* text, const char* from, const char* to, int* outLength,
                        int escapeInvalid) {
    *outLength = 0;
    if (!text) return nullptr;
    if (from && IsLocale(from)) from = nullptr;
    if (to && IsLocale(to)) to = nullptr;
    bool fromUtf16 = from && IsUtf16(from);
    bool toUtf16 = to && IsUtf16(to);
    if (fromUtf16 ? Utf16Length(text) == 0 : text[0] == 0) return EncEmptyBlock();
    bool same = (!from && !to) || (from && to && std::strcmp(from, to) == 0);
    if (same) {
        char* copy = fromUtf16 ? EncCopyUtf16(text) : EncCopyBytes(text);
        *outLength = fromUtf16 ? 2 * Utf16Length(copy) : StrLen(copy);
        return copy;
    }

    const UChar* source;
    int32_t sourceUnits;
    UChar* intermediate = nullptr;
    if (fromUtf16) {
        source = reinterpret_cast<const UChar*>(text);
        sourceUnits = u_strlen(source);
    } else {
        UConverter* cnv = OpenConverter(from);
        if (!cnv) return nullptr;
        if (escapeInvalid) {
            UErrorCode status = U_ZERO_ERROR;
            ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_ESCAPE, nullptr, nullptr, nullptr,
                                &status);
        }
        ucnv_setFallback(cnv, true);
        intermediate = ToUnicode(cnv, text, StrLen(text), &sourceUnits);
        ucnv_close(cnv);
        if (!intermediate) return nullptr;
        if (toUtf16) {
            *outLength = 2 * sourceUnits;
            return reinterpret_cast<char*>(intermediate);
        }
        source = intermediate;
    }

    UConverter* cnv = OpenConverter(to);
    if (!cnv) {
        MemFree(intermediate);
        return nullptr;
    }
    int32_t bytes = 0;
    char* out = FromUnicode(cnv, source, sourceUnits, &bytes);
    ucnv_close(cnv);
    MemFree(intermediate);
    if (!out) return nullptr;
    *outLength = bytes;
    return out;
}

void EncAppendSegment(char* segment, int segmentBytes, EncOutput* output, const char* from,
                      const char* to, int escapeInvalid) {
    if (segmentBytes <= 0) return;
    segment[segmentBytes] = 0;
    if (IsUtf16(from)) segment[segmentBytes + 1] = 0;
    int length = 0;
    char* result = EncConvertSegment(segment, from, to, &length, escapeInvalid);
    if (result && length > 0) {
        bool empty = IsUtf16(to) ? (result[0] == 0 && result[1] == 0) : result[0] == 0;
        if (!empty && EncOutputReserve(output, length) == 0) {
            std::memcpy(output->bytes + output->length, result, (size_t)length);
            output->length += length;
        }
    }
    MemFree(result);
}

char* EncConvert(const char* text, const char* from, const char* to, int keepControls,
                 int escapeInvalid) {
    if (!text) return nullptr;
    if (!from || !*from || !to || !*to) return EncCopyBytes(text);
    bool fromUtf16 = IsUtf16(from);
    bool toUtf16 = IsUtf16(to);
    if (fromUtf16 ? Utf16Length(text) == 0 : text[0] == 0) return EncEmptyBlock();
    if (IsUtf8(from) && !StrUtf8Valid(text))
        return toUtf16 ? EncUtf16FromAscii("???") : EncCopyBytes("???");
    if (std::strcmp(from, to) == 0) return fromUtf16 ? EncCopyUtf16(text) : EncCopyBytes(text);

    int n = fromUtf16 ? Utf16Length(text) : StrLen(text);
    uint32_t workSize = BlockSize(n, 4, 4);
    EncOutput output{(char*)MemCalloc(workSize, 1, MemFlagFatal), 0, (int)workSize};
    auto* segment = (char*)MemCalloc(workSize, 1, MemFlagFatal);
    if (!output.bytes || !segment) {
        // A handler resumed the fatal error of a work buffer.
        MemFree(output.bytes);
        MemFree(segment);
        return nullptr;
    }
    int pending = 0;
    if (IsLocale(from) || IsLocale(to) || IsStatefulSource(from)) keepControls = 1;

    auto passControl = [&](unsigned unit) {
        EncAppendSegment(segment, pending, &output, from, to, escapeInvalid);
        pending = 0;
        if (EncOutputReserve(&output, toUtf16 ? 2 : 1) != 0) return;
        if (toUtf16) {
            uint16_t u = (uint16_t)unit;
            std::memcpy(output.bytes + output.length, &u, 2);
            output.length += 2;
        } else {
            output.bytes[output.length++] = (char)unit;
        }
    };

    if (fromUtf16) {
        const auto* units = reinterpret_cast<const UChar*>(text);
        for (int i = 0; i < n; ++i) {
            if (units[i] < 0x20 && !keepControls) {
                passControl(units[i]);
                continue;
            }
            std::memcpy(segment + pending, &units[i], 2);
            pending += 2;
        }
    } else {
        // Which bytes start a two-byte character of the source encoding;
        // UTF-8 and the locale code page have none.
        unsigned hostIndex = EncUtf8;
        if (!IsUtf8(from) && !IsLocale(from)) hostIndex = EncIndexOf(EncConverterToHostName(from));
        const auto* bytes = reinterpret_cast<const unsigned char*>(text);
        for (int i = 0; i < n;) {
            if (bytes[i] < 0x20 && !keepControls) {
                passControl(bytes[i]);
                ++i;
                continue;
            }
            int length = 1;
            if (IsUtf8(from))
                length = StrUtf8CharLen(bytes[i]);
            else if (hostIndex < EncUtf8 && EncIsPair(text + i, hostIndex))
                length = 2;
            if (length > n - i) length = n - i; // never past the terminator
            std::memcpy(segment + pending, text + i, (size_t)length);
            pending += length;
            i += length;
        }
    }
    EncAppendSegment(segment, pending, &output, from, to, escapeInvalid);
    MemFree(segment);
    if (!output.bytes) return nullptr;

    bool empty = output.length == 0 ||
                 (toUtf16 ? output.length >= 2 && output.bytes[0] == 0 && output.bytes[1] == 0
                          : output.bytes[0] == 0);
    if (empty) {
        MemFree(output.bytes);
        return EncEmptyBlock();
    }
    auto* result = (char*)MemAlloc(BlockSize(output.length, 1, 2), MemFlagFatal);
    if (!result) {
        MemFree(output.bytes);
        return nullptr;
    }
    std::memcpy(result, output.bytes, (size_t)output.length);
    result[output.length] = 0;
    result[output.length + 1] = 0;
    MemFree(output.bytes);
    return result;
}
