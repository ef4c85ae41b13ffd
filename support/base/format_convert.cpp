// FmtConvert: one conversion, by its letter, into the engine's work buffer;
// FmtConvertByRuntime: one the runtime formats from its own specification.
// Integers, strings and characters are written here: the C library defines
// every byte of them (no locale reaches d i o u x X c s without the "'"
// flag, which the parser does not accept), and the runtime's set-up for one
// call costs several times the formatting itself. Floating point, pointers,
// wide characters and fields too wide for the buffer go to the runtime, from
// a specification rebuilt from the parsed parts that keeps only the flags
// and precision the C library defines for the letter, with the length
// modifier that matches how the argument is held (intmax_t for integers),
// so the runtime never reads a value with a type other than the one passed.
#include "support/base/format.h"

#include "support/base/char_safe.h"
#include "support/base/host_encodings.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

bool IsOneOf(char c, const char* set) { return std::strchr(set, c) != nullptr; }

// Writes a non-negative int in decimal at p; returns the end.
char* WriteDecimal(char* p, int value) {
    char digits[12];
    int n = 0;
    do {
        digits[n++] = static_cast<char>('0' + value % 10);
        value /= 10;
    } while (value != 0);
    while (n > 0) *p++ = digits[--n];
    return p;
}

// Writes the runtime specification for `spec` into `out` (FmtSpecBufferSize
// bytes). Flags, at most two decimal numbers of at most ten digits, a period,
// one modifier and the letter always fit.
void BuildRuntimeSpec(const FmtSpec* spec, const FmtArg* arg, char* out) {
    char letter = spec->letter == 'C' ? 's' : spec->letter;
    char* p = out;
    *p++ = '%';
    if (spec->flagMinus) *p++ = '-';
    if (spec->flagPlus && IsOneOf(letter, "dieEfgG")) *p++ = '+';
    if (spec->flagSpace && IsOneOf(letter, "dieEfgG")) *p++ = ' ';
    if (spec->flagHash && IsOneOf(letter, "oxXeEfgG")) *p++ = '#';
    if (spec->flagZero && IsOneOf(letter, "diouxXeEfgG")) *p++ = '0';
    if (spec->width >= 0) p = WriteDecimal(p, spec->width);
    if (spec->precision >= 0 && !IsOneOf(letter, "cp")) {
        *p++ = '.';
        p = WriteDecimal(p, spec->precision);
    }
    switch (arg->kind) {
    case FmtArgSigned:
    case FmtArgUnsigned: *p++ = 'j'; break;
    case FmtArgWideChar: *p++ = 'l'; break;
    case FmtArgLongDouble: *p++ = 'L'; break;
    default: break;
    }
    *p++ = letter;
    *p = 0;
}

// Copies `length` bytes as the output, cut to `capacity`; returns `length`.
int CopyOut(char* out, int capacity, const char* bytes, int length) {
    int take = length < capacity ? length : capacity - 1;
    if (take > 0) std::memcpy(out, bytes, static_cast<size_t>(take));
    out[take] = 0;
    return length;
}

// What a field writer returns when the field does not fit the buffer; the
// runtime then formats it, and reports its full length.
const int NotWritten = -1;

// Lays out a field of `width` bytes (at least `body`) with the padding on
// the side the '-' flag asks for; returns where the body goes.
char* PadField(char* out, long long width, long long body, bool leftJustify) {
    if (width <= body) return out;
    size_t pad = static_cast<size_t>(width - body);
    if (leftJustify) {
        std::memset(out + body, ' ', pad);
        return out;
    }
    std::memset(out, ' ', pad);
    return out + pad;
}

// Writes the digits of `value` backwards, ending at `end`, in the base of
// the letter; returns where they start (at `end` for a zero). Each base has
// its own loop so that the divisions are by constants, which the compiler
// turns into multiplications and shifts.
char* WriteDigits(char* end, uintmax_t value, char letter) {
    char* p = end;
    if (letter == 'o') {
        for (; value != 0; value >>= 3) *--p = static_cast<char>('0' + (value & 7));
    } else if (letter == 'x' || letter == 'X') {
        const char* set = letter == 'X' ? "0123456789ABCDEF" : "0123456789abcdef";
        for (; value != 0; value >>= 4) *--p = set[value & 15];
    } else {
        for (; value != 0; value /= 10) *--p = static_cast<char>('0' + value % 10);
    }
    return p;
}

// d i o u x X. The digits come from the magnitude; the precision is the
// least number of digits (none for a zero with precision 0); the sign, or
// the "+" or " " flag, goes first for d and i; '#' makes octal start with a
// zero and puts "0x"/"0X" before a non-zero hexadecimal; '0' pads with
// zeros after the sign and prefix unless a precision or '-' is given.
int WriteInteger(char* out, int capacity, const FmtSpec* spec, const FmtArg* arg) {
    const char letter = spec->letter;
    const bool isSigned = letter == 'd' || letter == 'i';
    const bool isHex = letter == 'x' || letter == 'X';

    char sign = 0;
    uintmax_t magnitude = arg->u;
    if (isSigned) {
        if (arg->i < 0) {
            sign = '-';
            magnitude = 0 - static_cast<uintmax_t>(arg->i);
        } else if (spec->flagPlus) {
            sign = '+';
        } else if (spec->flagSpace) {
            sign = ' ';
        }
    }

    char digits[3 * sizeof(uintmax_t)]; // octal needs 22 for 64 bits
    char* end = digits + sizeof digits;
    char* first = WriteDigits(end, magnitude, letter);
    const long long digitCount = end - first;

    long long zeros = spec->precision < 0 ? 1 : spec->precision;
    zeros = zeros > digitCount ? zeros - digitCount : 0;
    const char* prefix = "";
    if (spec->flagHash && letter == 'o' && zeros == 0) zeros = 1;
    if (spec->flagHash && isHex && magnitude != 0) prefix = letter == 'X' ? "0X" : "0x";
    const long long prefixLength = static_cast<long long>(std::strlen(prefix));

    long long body = (sign ? 1 : 0) + prefixLength + zeros + digitCount;
    if (spec->flagZero && !spec->flagMinus && spec->precision < 0 && spec->width > body) {
        zeros += spec->width - body;
        body = spec->width;
    }
    const long long total = spec->width > body ? spec->width : body;
    if (total >= capacity) return NotWritten;

    char* p = PadField(out, spec->width, body, spec->flagMinus);
    if (sign) *p++ = sign;
    std::memcpy(p, prefix, static_cast<size_t>(prefixLength));
    p += prefixLength;
    std::memset(p, '0', static_cast<size_t>(zeros));
    p += zeros;
    std::memcpy(p, first, static_cast<size_t>(digitCount));
    out[total] = 0;
    return static_cast<int>(total);
}

// s and C: at most `precision` bytes of the text, padded with spaces to the
// width; "c": the one byte, padded likewise (a 0 byte is written as it is).
int WriteText(char* out, int capacity, const FmtSpec* spec, const char* text, size_t length) {
    const long long body = static_cast<long long>(length);
    const long long total = spec->width > body ? spec->width : body;
    if (total >= capacity) return NotWritten;
    char* p = PadField(out, spec->width, body, spec->flagMinus);
    std::memcpy(p, text, length);
    out[total] = 0;
    return static_cast<int>(total);
}

// The field of "C": the first character of a UTF-8 string, empty under any
// other encoding. A sequence cut short by the terminator stops there. The
// field buffer is zero beyond the character, wide enough that a runtime that
// reads it as a wide string (a "%lC" handed over) finds its end inside it.
void FirstCharacter(const char* s, char* field) {
    if (s && EncCurrent == EncUtf8) {
        int n = StrUtf8CharLen(static_cast<unsigned char>(s[0]));
        for (int i = 0; i < n && i < 4 && s[i] != 0; ++i) field[i] = s[i];
    }
}

int RuntimeResult(char* out, int written) {
    if (written < 0) {
        out[0] = 0;
        return -1;
    }
    return written;
}

// Lays the argument out by the engine's own rules; NotWritten leaves it to
// the runtime. `text` is the text of a string conversion.
int WriteOwn(char* out, int capacity, const FmtSpec* spec, const FmtArg* arg, const char* text) {
    switch (arg->kind) {
    case FmtArgSigned:
    case FmtArgUnsigned: return WriteInteger(out, capacity, spec, arg);
    case FmtArgChar: {
        const char byte = static_cast<char>(arg->i);
        return WriteText(out, capacity, spec, &byte, 1);
    }
    case FmtArgString: {
        size_t length = spec->precision >= 0 ? strnlen(text, static_cast<size_t>(spec->precision))
                                              : std::strlen(text);
        return WriteText(out, capacity, spec, text, length);
    }
    default: return NotWritten;
    }
}

// Lays the argument out by the runtime's snprintf, from a specification built
// for its type. The bytes written, or -1 with `out` emptied.
int WriteByRuntime(char* out, int capacity, const FmtSpec* spec, const FmtArg* arg, const char* text) {
    char runtimeSpec[FmtSpecBufferSize];
    BuildRuntimeSpec(spec, arg, runtimeSpec);
    size_t room = static_cast<size_t>(capacity);
    int written = -1;
    switch (arg->kind) {
    case FmtArgSigned: written = std::snprintf(out, room, runtimeSpec, arg->i); break;
    case FmtArgUnsigned: written = std::snprintf(out, room, runtimeSpec, arg->u); break;
    case FmtArgChar: written = std::snprintf(out, room, runtimeSpec, static_cast<int>(arg->i)); break;
    case FmtArgWideChar: written = std::snprintf(out, room, runtimeSpec, static_cast<wint_t>(arg->i)); break;
    case FmtArgDouble: written = std::snprintf(out, room, runtimeSpec, arg->d); break;
    case FmtArgLongDouble: written = std::snprintf(out, room, runtimeSpec, arg->ld); break;
    case FmtArgPointer: written = std::snprintf(out, room, runtimeSpec, arg->p); break;
    case FmtArgString: written = std::snprintf(out, room, runtimeSpec, text); break;
    default: break;
    }
    if (written < 0) {
        out[0] = 0;
        return -1;
    }
    return written;
}

} // namespace

int FmtConvertByRuntime(char* out, int capacity, const FmtSpec* spec, const FmtArg* arg, va_list* at) {
    if (!out || capacity < 1) return -1;
    out[0] = 0;
    char format[FmtSpecBufferSize];
    std::memcpy(format, spec->expanded, sizeof format);
    const size_t room = static_cast<size_t>(capacity);
    if (spec->letter == 's' || spec->letter == 'C') {
        // A null string prints as an empty one; "C" prints its field as "s".
        alignas(wchar_t) char field[16] = {0};
        const char* text = arg->s ? arg->s : "";
        if (spec->letter == 'C') {
            FirstCharacter(arg->s, field);
            text = field;
            format[std::strlen(format) - 1] = 's';
        }
        return RuntimeResult(out, std::snprintf(out, room, format, text));
    }
    va_list args;
    va_copy(args, *at);
    int written = std::vsnprintf(out, room, format, args);
    va_end(args);
    return RuntimeResult(out, written);
}

int FmtConvert(char* out, int capacity, const FmtSpec* spec, const FmtArg* arg) {
    if (!out || capacity < 1) return -1;
    out[0] = 0;
    if (!spec->valid) {
        // A malformed specification, or one the format ended inside, is
        // printed as it stands.
        return CopyOut(out, capacity, spec->text, spec->textLength);
    }
    if (spec->letter == '%') return CopyOut(out, capacity, "%", 1);
    if (spec->letter == 'n') return 0;

    // The text of a string conversion, for the runtime too when the engine
    // leaves it the layout.
    char first[5] = {0};
    const char* text = nullptr;
    if (arg->kind == FmtArgString) {
        text = arg->s ? arg->s : "";
        if (spec->letter == 'C') {
            FirstCharacter(arg->s, first);
            text = first;
        }
    }
    int written = WriteOwn(out, capacity, spec, arg, text);
    if (written != NotWritten) return written;
    return WriteByRuntime(out, capacity, spec, arg, text);
}
