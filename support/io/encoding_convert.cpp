// The general text converter: EncConvert splits the text at control
// characters, hands each run between them to ICU, and passes the control
// characters through unconverted. One call keeps one converter per side open
// for all its segments, reset between them, and closes them before it
// returns; EncConvertSegment and EncAppendSegment convert a single segment
// with converters of their own.
#include "support/io/encoding_convert.h"

#include "support/base/char_safe.h"
#include "support/base/memory.h"
#include "support/base/strings.h"
#include "support/io/encoding_copy.h"
#include "support/base/host_encodings.h"

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

// Runs one ICU conversion (`convert` sets the status it is given) and, when
// ICU finds the destination too small, runs it once more after `grow` has
// made room for the count ICU asked for; `grow` returns false when it cannot,
// and the first result stands. A conversion to UTF-16 also needs room for a
// terminator: "not terminated" means too small there. Returns the count of
// the last run; *status receives its status.
template <class Convert, class Grow>
int32_t ConvertRetryingOnce(bool toUnicode, UErrorCode* status, Convert convert, Grow grow) {
    *status = U_ZERO_ERROR;
    int32_t n = convert(status);
    bool tooSmall = *status == U_BUFFER_OVERFLOW_ERROR ||
                    (toUnicode && *status == U_STRING_NOT_TERMINATED_WARNING);
    if (!tooSmall || !grow(n)) return n;
    *status = U_ZERO_ERROR;
    return convert(status);
}

// The 8-bit text into a new UTF-16 block; *units receives the units written.
// A capacity of 2b+1 units suffices unless escapes or supplementary
// characters expand the text, so an overflow is retried at ICU's size.
UChar* ToUnicode(UConverter* cnv, const char* text, int32_t bytes, int32_t* units) {
    UChar* out = nullptr;
    int32_t capacity = 0;
    auto allocate = [&](int32_t size) {
        MemFree(out);
        capacity = size;
        out = (UChar*)MemCalloc(BlockSize(capacity, sizeof(UChar), 0), 1, MemFlagFatal);
        return out != nullptr; // null: a handler resumed the fatal error
    };
    if (!allocate((int32_t)BlockSize(bytes, 2, 1))) return nullptr;
    UErrorCode status;
    int32_t n = ConvertRetryingOnce(
        true, &status, [&](UErrorCode* st) { return ucnv_toUChars(cnv, out, capacity, text, bytes, st); },
        [&](int32_t needed) {
            if (needed >= INT_MAX) return false;
            ucnv_reset(cnv);
            return allocate(needed + 1);
        });
    if (!out || U_FAILURE(status) || n >= capacity) {
        MemFree(out);
        return nullptr;
    }
    *units = n;
    return out;
}

// The UTF-16 text into a new block in the target encoding; *bytes receives
// the bytes written. The first capacity is 4u+4; targets that expand beyond
// it (escape sequences of stateful encodings) are retried at ICU's size.
char* FromUnicode(UConverter* cnv, const UChar* units, int32_t count, int32_t* bytes) {
    char* out = nullptr;
    int32_t capacity = 0;
    auto allocate = [&](int32_t size) {
        MemFree(out);
        capacity = size;
        // Two spare zero bytes keep every result terminated as 8-bit and as
        // UTF-16 text.
        out = (char*)MemCalloc(BlockSize(capacity, 1, 2), 1, MemFlagFatal);
        return out != nullptr;
    };
    if (!allocate((int32_t)BlockSize(count, 4, 4))) return nullptr;
    UErrorCode status;
    int32_t n = ConvertRetryingOnce(
        false, &status, [&](UErrorCode* st) { return ucnv_fromUChars(cnv, out, capacity, units, count, st); },
        [&](int32_t needed) {
            if (needed >= INT_MAX - 2) return false;
            ucnv_reset(cnv);
            return allocate(needed);
        });
    if (!out || U_FAILURE(status) || n > capacity) {
        MemFree(out);
        return nullptr;
    }
    *bytes = n;
    return out;
}

// Opens the converter that reads the source: invalid bytes become "%X" and
// two hex digits when `escapeInvalid` is set, and ICU's fallback mappings are
// taken.
UConverter* OpenSourceConverter(const char* name, int escapeInvalid) {
    UConverter* cnv = OpenConverter(name);
    if (cnv && escapeInvalid) {
        UErrorCode status = U_ZERO_ERROR;
        ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_ESCAPE, nullptr, nullptr, nullptr, &status);
    }
    if (cnv) ucnv_setFallback(cnv, true);
    return cnv;
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

// The converters of one EncConvert call: each side is opened at the first
// segment that needs it and reset between segments; a side that cannot be
// opened drops every segment, as a converter opened per segment would.
struct CallConverters {
    const char* from; // null: the locale's converter
    const char* to;
    bool fromUtf16;
    bool toUtf16;
    int escapeInvalid;
    UConverter* fromCnv;
    UConverter* toCnv;
    bool fromTried;
    bool toTried;
    UChar* units; // the UTF-16 intermediate, reused by every segment
    int32_t unitCapacity;
};

void CallConvertersInit(CallConverters* c, const char* from, const char* to, int escapeInvalid) {
    c->from = IsLocale(from) ? nullptr : from;
    c->to = IsLocale(to) ? nullptr : to;
    c->fromUtf16 = IsUtf16(from);
    c->toUtf16 = IsUtf16(to);
    c->escapeInvalid = escapeInvalid;
}

void CallConvertersClose(CallConverters* c) {
    ucnv_close(c->fromCnv);
    ucnv_close(c->toCnv);
    MemFree(c->units);
    *c = CallConverters{};
}

UConverter* FromSide(CallConverters* c) {
    if (!c->fromTried) {
        c->fromTried = true;
        c->fromCnv = OpenSourceConverter(c->from, c->escapeInvalid);
    } else if (c->fromCnv) {
        ucnv_resetToUnicode(c->fromCnv);
    }
    return c->fromCnv;
}

UConverter* ToSide(CallConverters* c) {
    if (!c->toTried) {
        c->toTried = true;
        c->toCnv = OpenConverter(c->to);
    } else if (c->toCnv) {
        ucnv_resetFromUnicode(c->toCnv);
    }
    return c->toCnv;
}

// Makes room for `units` units in the intermediate. -1 only when a handler
// resumed the fatal error of the growth: the old block is still ours.
int ReserveUnits(CallConverters* c, int32_t units) {
    if (units <= c->unitCapacity) return 0;
    auto* grown = (UChar*)MemRealloc(c->units, BlockSize(units, sizeof(UChar), 0), MemFlagFatal);
    if (!grown) return -1;
    c->units = grown;
    c->unitCapacity = units;
    return 0;
}

// Converts one run of `bytes` 8-bit source bytes into the intermediate;
// the count of units, or -1 when the run fails to convert. 2b+1 units suffice
// unless escapes or supplementary characters expand the text; an overflow is
// retried once at ICU's size.
int32_t RunToUnits(CallConverters* c, const char* run, int bytes) {
    UConverter* cnv = FromSide(c);
    if (!cnv) return -1;
    if (ReserveUnits(c, (int32_t)BlockSize(bytes, 2, 1)) != 0) return -1;
    UErrorCode status;
    int32_t count = ConvertRetryingOnce(
        true, &status,
        [&](UErrorCode* st) { return ucnv_toUChars(cnv, c->units, c->unitCapacity, run, bytes, st); },
        [&](int32_t needed) {
            if (needed >= INT_MAX || ReserveUnits(c, needed + 1) != 0) return false;
            ucnv_resetToUnicode(cnv);
            return true;
        });
    if (U_FAILURE(status) || count >= c->unitCapacity) return -1;
    return count;
}

// Appends `count` units converted to the target encoding to `output`. 4u+4
// bytes first; targets that expand beyond it (escape sequences of stateful
// encodings) are retried once at ICU's size. A result that fails, or begins
// with a zero byte, adds nothing.
void AppendUnits(CallConverters* c, const UChar* source, int32_t count, EncOutput* output) {
    UConverter* cnv = ToSide(c);
    if (!cnv) return;
    int32_t capacity = (int32_t)BlockSize(count, 4, 4);
    if (EncOutputReserve(output, capacity) != 0) return;
    UErrorCode status;
    int32_t written = ConvertRetryingOnce(
        false, &status,
        [&](UErrorCode* st) {
            return ucnv_fromUChars(cnv, output->bytes + output->length, capacity, source, count, st);
        },
        [&](int32_t needed) {
            capacity = needed;
            if (EncOutputReserve(output, capacity) != 0) return false;
            ucnv_resetFromUnicode(cnv);
            return true;
        });
    if (U_FAILURE(status) || written > capacity || written == 0 || output->bytes[output->length] == 0) return;
    output->length += written;
}

// Converts one run of `bytes` source bytes (an even number for a UTF-16
// source) and appends the result to `output`. A run that fails to convert,
// or whose result begins with a zero unit, adds nothing.
void AppendRun(CallConverters* c, const char* run, int bytes, EncOutput* output) {
    if (bytes <= 0) return;
    if (c->fromUtf16) {
        AppendUnits(c, reinterpret_cast<const UChar*>(run), bytes / 2, output);
        return;
    }
    int32_t count = RunToUnits(c, run, bytes);
    if (count < 0) return;
    if (!c->toUtf16) {
        AppendUnits(c, c->units, count, output);
        return;
    }
    if (count == 0 || c->units[0] == 0) return;
    if (EncOutputReserve(output, 2 * count) != 0) return;
    std::memcpy(output->bytes + output->length, c->units, size_t(count) * 2);
    output->length += 2 * count;
}

// A single-byte source converts byte by byte, and UTF-8 and UTF-16 write
// each character on its own, so for them converting the whole text at once,
// with each control byte put back as its own unit, gives exactly what
// converting the runs between the controls one by one gives. Returns 1 when
// `output` holds the result; 0 leaves it untouched for the run-by-run way
// (other converters, or a character the shortcut cannot vouch for: one that
// converts to U+0000 or a surrogate).
int ConvertSingleByteAtOnce(CallConverters* c, const char* text, int n, int keepControls, EncOutput* output) {
    if (c->fromUtf16 || !(c->toUtf16 || (c->to && IsUtf8(c->to)))) return 0;
    UConverter* cnv = FromSide(c);
    if (!cnv || ucnv_getType(cnv) != UCNV_SBCS) return 0;
    int32_t capacity = (int32_t)BlockSize(n, 1, 1);
    if (ReserveUnits(c, capacity) != 0) return 0;
    UErrorCode status = U_ZERO_ERROR;
    int32_t kept = ucnv_toUChars(cnv, c->units, capacity, text, n, &status);
    ucnv_resetToUnicode(cnv);
    // One unit per byte, or an escape made more: then bytes and units no
    // longer line up, and the runs are converted one by one.
    if (U_FAILURE(status) || kept != n) return 0;
    const auto* source = reinterpret_cast<const unsigned char*>(text);
    for (int32_t i = 0; i < kept; ++i) {
        if (source[i] < 0x20 && !keepControls) {
            c->units[i] = source[i]; // a control goes through unconverted
            continue;
        }
        if (c->units[i] == 0 || U16_IS_SURROGATE(c->units[i])) return 0;
    }
    if (c->toUtf16) {
        if (EncOutputReserve(output, 2 * kept) != 0) return 1; // output lost: the caller gives up
        std::memcpy(output->bytes, c->units, size_t(kept) * 2);
        output->length = 2 * kept;
        return 1;
    }
    UConverter* utf8 = ToSide(c);
    if (!utf8) return 0;
    int32_t bytes = (int32_t)BlockSize(kept, 3, 1); // a BMP character takes at most 3 bytes
    if (EncOutputReserve(output, bytes) != 0) return 1; // output lost: the caller gives up
    status = U_ZERO_ERROR;
    int32_t written = ucnv_fromUChars(utf8, output->bytes, bytes, c->units, kept, &status);
    ucnv_resetFromUnicode(utf8);
    if (U_FAILURE(status) || written > bytes) return 0;
    output->length = written;
    return 1;
}

// Appends a control character unconverted: one unit for a UTF-16 target, one
// byte for any other.
void PassControl(EncOutput* output, bool toUtf16, unsigned unit) {
    if (EncOutputReserve(output, toUtf16 ? 2 : 1) != 0) return;
    if (toUtf16) {
        uint16_t u = (uint16_t)unit;
        std::memcpy(output->bytes + output->length, &u, 2);
        output->length += 2;
    } else {
        output->bytes[output->length++] = (char)unit;
    }
}

// The `n` units of a UTF-16 source, run by run between the controls (each run
// is converted where it stands).
void ConvertUtf16Runs(CallConverters* c, const char* text, int n, int keepControls, EncOutput* output) {
    const auto* units = reinterpret_cast<const UChar*>(text);
    int runStart = 0;
    for (int i = 0; i < n; ++i) {
        if (units[i] < 0x20 && !keepControls) {
            AppendRun(c, text + 2 * runStart, 2 * (i - runStart), output);
            PassControl(output, c->toUtf16, units[i]);
            runStart = i + 1;
        }
    }
    AppendRun(c, text + 2 * runStart, 2 * (n - runStart), output);
}

// The `n` bytes of an 8-bit source `from`, run by run between the controls.
void ConvertByteRuns(CallConverters* c, const char* text, int n, const char* from, int keepControls,
                     EncOutput* output) {
    // Which bytes start a two-byte character of the source encoding;
    // UTF-8 and the locale code page have none.
    bool fromUtf8 = IsUtf8(from);
    unsigned hostIndex = EncUtf8;
    if (!fromUtf8 && !IsLocale(from)) hostIndex = EncIndexOf(EncConverterToHostName(from));
    const unsigned char* leads = hostIndex < EncUtf8 ? EncByteTables[hostIndex]->lead : nullptr;
    const auto* bytes = reinterpret_cast<const unsigned char*>(text);
    int runStart = 0;
    for (int i = 0; i < n;) {
        if (bytes[i] < 0x20 && !keepControls) {
            AppendRun(c, text + runStart, i - runStart, output);
            PassControl(output, c->toUtf16, bytes[i]);
            runStart = ++i;
            continue;
        }
        // A character's bytes stay together, even a trail byte below 0x20.
        int length = 1;
        if (fromUtf8)
            length = StrUtf8CharLen(bytes[i]);
        else if (leads && leads[bytes[i]] && EncIsPair(text + i, hostIndex))
            length = 2;
        i += length < n - i ? length : n - i; // never past the terminator
    }
    AppendRun(c, text + runStart, n - runStart, output);
}

// The converted text as the caller's block: trimmed to its length with two
// zero bytes behind, the empty block when nothing (or a text starting with a
// zero) was converted, null when the output was lost.
char* FinishOutput(EncOutput* output, bool toUtf16) {
    if (!output->bytes) return nullptr; // a growth failed and a handler resumed its fatal error
    bool empty = output->length == 0 ||
                 (toUtf16 ? output->length >= 2 && output->bytes[0] == 0 && output->bytes[1] == 0
                          : output->bytes[0] == 0);
    if (empty) {
        MemFree(output->bytes);
        return EncEmptyBlock();
    }
    auto* result = (char*)MemRealloc(output->bytes, BlockSize(output->length, 1, 2), MemFlagFatal);
    if (!result) {
        MemFree(output->bytes);
        return nullptr;
    }
    result[output->length] = 0;
    result[output->length + 1] = 0;
    return result;
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
        UConverter* cnv = OpenSourceConverter(from, escapeInvalid);
        if (!cnv) return nullptr;
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
    EncOutput output{(char*)MemAlloc(workSize, MemFlagFatal), 0, (int)workSize};
    if (!output.bytes) return nullptr; // a handler resumed the fatal error of the work buffer
    if (IsLocale(from) || IsLocale(to) || IsStatefulSource(from)) keepControls = 1;
    CallConverters converters{};
    CallConvertersInit(&converters, from, to, escapeInvalid);
    if (ConvertSingleByteAtOnce(&converters, text, n, keepControls, &output)) {
        // done in one go
    } else if (fromUtf16) {
        ConvertUtf16Runs(&converters, text, n, keepControls, &output);
    } else {
        ConvertByteRuns(&converters, text, n, from, keepControls, &output);
    }
    CallConvertersClose(&converters);
    return FinishOutput(&output, toUtf16);
}
