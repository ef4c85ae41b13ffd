// Taking a conversion specification apart and reading its argument. Flags,
// width, precision and length modifier are parsed here, so that '*' values,
// a specification of any length and every length modifier the engine knows
// are handled without a fixed buffer, and each argument is read with va_arg
// of its real C type. A specification the engine does not know is kept, its
// '*'s expanded, for the runtime's formatter.
#include "support/base/format.h"

#include <climits>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <type_traits>

namespace {

// The letters that end a specification: "dioxXucsfeEgGp%nC".
bool InConversionSet(char c) {
    switch (c) {
    case 'd': case 'i': case 'o': case 'x': case 'X': case 'u': case 'c': case 's':
    case 'f': case 'e': case 'E': case 'g': case 'G': case 'p': case '%': case 'n': case 'C':
        return true;
    default:
        return false;
    }
}

// Reads a decimal number at text[*j]; returns -1 when it does not fit an int.
int ReadDecimal(const char* text, int* j) {
    long long value = 0;
    bool tooBig = false;
    while (text[*j] >= '0' && text[*j] <= '9') {
        value = value * 10 + (text[*j] - '0');
        if (value > INT_MAX) {
            tooBig = true;
            value = 0;
        }
        ++*j;
    }
    return tooBig ? -1 : static_cast<int>(value);
}

int ReadLength(const char* text, int* j) {
    switch (text[*j]) {
    case 'h':
        if (text[*j + 1] == 'h') {
            *j += 2;
            return FmtLengthChar;
        }
        ++*j;
        return FmtLengthShort;
    case 'l':
        if (text[*j + 1] == 'l') {
            *j += 2;
            return FmtLengthLongLong;
        }
        ++*j;
        return FmtLengthLong;
    case 'j': ++*j; return FmtLengthIntMax;
    case 'z': ++*j; return FmtLengthSize;
    case 't': ++*j; return FmtLengthPtrDiff;
    case 'L': ++*j; return FmtLengthLongDouble;
    default: return FmtLengthNone;
    }
}

// Which length modifiers make sense for which conversion letter.
bool LengthFits(char letter, int length) {
    switch (letter) {
    case 'd': case 'i': case 'o': case 'u': case 'x': case 'X': case 'n':
        return length != FmtLengthLongDouble;
    case 'c':
        return length == FmtLengthNone || length == FmtLengthLong;
    case 'e': case 'E': case 'f': case 'g': case 'G':
        return length == FmtLengthNone || length == FmtLengthLong || length == FmtLengthLongDouble;
    case '%':
        return true;
    default: // s C p: byte strings and plain pointers only
        return length == FmtLengthNone;
    }
}

// The '*' values of one specification, in the order they were read.
struct Stars {
    int values[8];
    int count;
    bool lost; // more '*'s than values
};

int ReadStar(va_list* args, Stars* stars) {
    int value = va_arg(*args, int);
    if (stars->count < static_cast<int>(sizeof stars->values / sizeof stars->values[0]))
        stars->values[stars->count++] = value;
    else
        stars->lost = true;
    return value;
}

// Writes the specification with each '*' replaced by its value into
// spec->expanded; leaves it empty when it does not fit.
void Expand(FmtSpec* spec, const Stars* stars) {
    spec->expanded[0] = 0;
    if (stars->lost) return;
    const int room = FmtSpecBufferSize - 1;
    int n = 0, star = 0;
    for (int i = 0; i < spec->textLength; ++i) {
        char piece[16];
        int length = 1;
        piece[0] = spec->text[i];
        if (spec->text[i] == '*')
            length = std::snprintf(piece, sizeof piece, "%d", stars->values[star++]);
        if (n + length > room) {
            spec->expanded[0] = 0;
            return;
        }
        std::memcpy(spec->expanded + n, piece, static_cast<size_t>(length));
        n += length;
    }
    spec->expanded[n] = 0;
}

// Whether a specification is not laid out by the engine's own rules: a
// pointer always (its layout is the runtime's own), and any specification
// the engine does not know, except a percent sign. The runtime formats them;
// a count conversion among them ("%Ln") still stores the engine's count. A
// specification that names its argument by position ("%2$d") is not handed
// over: the engine reads the arguments one by one and cannot give the
// runtime the one it names.
bool ForTheRuntime(const FmtSpec* spec) {
    if (spec->letter == 0 || spec->expanded[0] == 0) return false;
    if (std::memchr(spec->text, '$', static_cast<size_t>(spec->textLength))) return false;
    if (spec->letter == 'p') return true;
    return !spec->valid && spec->letter != '%';
}

// The argument of a signed conversion of `length`, as the caller passed it.
intmax_t ReadSigned(int length, va_list* args) {
    switch (length) {
    case FmtLengthChar: return static_cast<signed char>(va_arg(*args, int));
    case FmtLengthShort: return static_cast<short>(va_arg(*args, int));
    case FmtLengthLong: return va_arg(*args, long);
    case FmtLengthLongLong: return va_arg(*args, long long);
    case FmtLengthIntMax: return va_arg(*args, intmax_t);
    case FmtLengthSize: return va_arg(*args, std::make_signed_t<size_t>);
    case FmtLengthPtrDiff: return va_arg(*args, ptrdiff_t);
    default: return va_arg(*args, int);
    }
}

// The argument of an unsigned conversion of `length`.
uintmax_t ReadUnsigned(int length, va_list* args) {
    switch (length) {
    case FmtLengthChar: return static_cast<unsigned char>(va_arg(*args, unsigned));
    case FmtLengthShort: return static_cast<unsigned short>(va_arg(*args, unsigned));
    case FmtLengthLong: return va_arg(*args, unsigned long);
    case FmtLengthLongLong: return va_arg(*args, unsigned long long);
    case FmtLengthIntMax: return va_arg(*args, uintmax_t);
    case FmtLengthSize: return va_arg(*args, size_t);
    case FmtLengthPtrDiff: return va_arg(*args, std::make_unsigned_t<ptrdiff_t>);
    default: return va_arg(*args, unsigned);
    }
}

// Where a count conversion of `length` stores its count.
void* ReadCountPointer(int length, va_list* args) {
    switch (length) {
    case FmtLengthChar: return va_arg(*args, signed char*);
    case FmtLengthShort: return va_arg(*args, short*);
    case FmtLengthLong: return va_arg(*args, long*);
    case FmtLengthLongLong: return va_arg(*args, long long*);
    case FmtLengthIntMax: return va_arg(*args, intmax_t*);
    case FmtLengthSize: return va_arg(*args, std::make_signed_t<size_t>*);
    case FmtLengthPtrDiff: return va_arg(*args, ptrdiff_t*);
    default: return va_arg(*args, int*);
    }
}

// Reads the flags that open the specification at `text` into `spec`; the
// index of the first character after them.
int ReadFlags(const char* text, FmtSpec* spec) {
    int j = 1;
    for (;; ++j) {
        char c = text[j];
        if (c == '-') spec->flagMinus = 1;
        else if (c == '+') spec->flagPlus = 1;
        else if (c == ' ') spec->flagSpace = 1;
        else if (c == '#') spec->flagHash = 1;
        else if (c == '0') spec->flagZero = 1;
        else break;
    }
    return j;
}

// Reads the width and the precision at text[*j] into `spec`, each given in
// digits or taken from the arguments by '*', and moves *j past them. False
// when either is malformed (a number past INT_MAX, or a '*' width of INT_MIN,
// which cannot be made positive).
bool ReadWidthAndPrecision(const char* text, int* j, FmtSpec* spec, va_list* args, Stars* stars) {
    bool ok = true;
    if (text[*j] == '*') {
        ++*j;
        int value = ReadStar(args, stars);
        if (value == INT_MIN) {
            ok = false;
        } else if (value < 0) {
            spec->flagMinus = 1; // a negative '*' width left-justifies
            spec->width = -value;
        } else {
            spec->width = value;
        }
    } else if (text[*j] >= '1' && text[*j] <= '9') {
        spec->width = ReadDecimal(text, j);
        if (spec->width < 0) ok = false;
    }
    if (ok && text[*j] == '.') {
        ++*j;
        if (text[*j] == '*') {
            ++*j;
            int value = ReadStar(args, stars);
            spec->precision = value < 0 ? -1 : value; // negative: as if absent
        } else {
            spec->precision = ReadDecimal(text, j);
            if (spec->precision < 0) ok = false;
        }
    }
    return ok;
}

} // namespace

int FmtParseSpec(const char* text, FmtSpec* spec, va_list* args) {
    *spec = FmtSpec{};
    spec->width = -1;
    spec->precision = -1;
    spec->text = text;

    int end = 1;
    while (text[end] != 0 && !InConversionSet(text[end])) ++end;
    if (text[end] == 0) {
        // The format ended inside the specification: nothing is consumed and
        // the text is printed as it stands.
        spec->textLength = end;
        return end;
    }
    spec->letter = text[end];
    spec->textLength = end + 1;

    Stars stars{};
    int j = ReadFlags(text, spec);
    bool ok = ReadWidthAndPrecision(text, &j, spec, args, &stars);
    if (ok) spec->length = static_cast<char>(ReadLength(text, &j));
    ok = ok && j == end && LengthFits(spec->letter, spec->length);
    spec->valid = ok ? 1 : 0;
    if (!ok) {
        // Every '*' still takes its slot, so that the arguments after a
        // malformed specification stay where the caller put them.
        for (; j < end; ++j)
            if (text[j] == '*') (void)ReadStar(args, &stars);
    }
    Expand(spec, &stars);
    spec->handOver = ForTheRuntime(spec) ? 1 : 0;
    return spec->textLength;
}

FmtArg FmtReadArg(const FmtSpec* spec, va_list* args) {
    FmtArg arg;
    arg.kind = FmtArgNone;
    arg.u = 0;
    int length = spec->valid ? static_cast<int>(spec->length) : static_cast<int>(FmtLengthNone);
    switch (spec->letter) {
    case 'd': case 'i':
        arg.kind = FmtArgSigned;
        arg.i = ReadSigned(length, args);
        break;
    case 'o': case 'u': case 'x': case 'X':
        arg.kind = FmtArgUnsigned;
        arg.u = ReadUnsigned(length, args);
        break;
    case 'c':
        if (length == FmtLengthLong) {
            arg.kind = FmtArgWideChar;
            // wint_t is promoted to int where it is narrower (Windows).
            using Passed = std::conditional_t<(sizeof(wint_t) < sizeof(int)), int, wint_t>;
            arg.i = static_cast<intmax_t>(va_arg(*args, Passed));
        } else {
            arg.kind = FmtArgChar;
            arg.i = va_arg(*args, int);
        }
        break;
    case 'e': case 'E': case 'f': case 'g': case 'G':
        if (length == FmtLengthLongDouble) {
            arg.kind = FmtArgLongDouble;
            arg.ld = va_arg(*args, long double);
        } else {
            arg.kind = FmtArgDouble;
            arg.d = va_arg(*args, double);
        }
        break;
    case 'p':
        arg.kind = FmtArgPointer;
        arg.p = va_arg(*args, void*);
        break;
    case 's': case 'C':
        arg.kind = FmtArgString;
        arg.s = va_arg(*args, const char*);
        break;
    case 'n':
        arg.kind = FmtArgCountPointer;
        arg.p = ReadCountPointer(length, args);
        break;
    default: // "%" and a format that ended inside the specification
        break;
    }
    return arg;
}
