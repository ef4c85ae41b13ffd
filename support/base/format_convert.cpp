// FmtConvert: one conversion, by its letter, into the engine's work buffer.
// The runtime formats it from a specification rebuilt from the parsed parts,
// keeping only the flags and precision that the C library defines for the
// letter, and with the length modifier that matches how the argument is
// held (intmax_t for integers), so the runtime never reads a value with a
// type other than the one passed.
#include "support/base/format.h"

#include "support/base/char_safe.h"
#include "support/io/host_encodings.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

namespace {

bool IsOneOf(char c, const char* set) { return std::strchr(set, c) != nullptr; }

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
    if (spec->width >= 0) p += std::snprintf(p, 12, "%d", spec->width);
    if (spec->precision >= 0 && !IsOneOf(letter, "cp")) p += std::snprintf(p, 13, ".%d", spec->precision);
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

} // namespace

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
    case FmtArgString: {
        const char* text = arg->s ? arg->s : "";
        char first[5] = {0};
        if (spec->letter == 'C') {
            // The first character of a UTF-8 string; empty under any other
            // encoding. A sequence cut short by the terminator stops there.
            if (arg->s && EncCurrent == EncUtf8) {
                int n = StrUtf8CharLen(static_cast<unsigned char>(arg->s[0]));
                for (int i = 0; i < n && i < 4 && arg->s[i] != 0; ++i) first[i] = arg->s[i];
            }
            text = first;
        }
        written = std::snprintf(out, room, runtimeSpec, text);
        break;
    }
    default: break;
    }
    if (written < 0) {
        out[0] = 0;
        return -1;
    }
    return written;
}
