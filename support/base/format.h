// The library's printf family: one engine, FmtFormat, that walks a format
// string and hands literal runs and formatted pieces to an output function
// (FmtSink), plus the front ends into a caller's buffer (FmtSprintf,
// FmtSnprintfV). Output to a channel or the host's console (FmtPrint) is in
// support/io/format_output.h.
//
// The conversions are exactly "dioxXucsfeEgGp%nC". The engine parses each
// specification itself: it expands '*' widths and precisions, implements the
// count conversion "n", sizes its work buffer so that no conversion is cut,
// prints a null string as an empty one, and offers "C", the first character
// of a UTF-8 string. Integers, characters and strings are laid out by the
// engine exactly as the C library defines them; floating point, pointers,
// wide characters and every specification the engine does not know (such as
// "%I64d" or "%hs") are formatted by the runtime's snprintf, one conversion
// at a time. Every argument the engine reads is read with its real C type.
#pragma once

#include <cstdarg>
#include <cstdint>

// An output function: receives `length` bytes starting at `bytes` and returns
// what it adds to the engine's count. For a literal run those bytes are
// followed by more of the format string (the run ends at a percent sign or at
// the terminator); for a formatted piece they are followed by a terminator.
typedef int (*FmtSink)(void* context, const char* bytes, int length);

enum : int {
    FmtWorkBufferSize = 256,   // the stack work buffer of one FmtFormat call
    FmtSpecBufferSize = 64,    // room for one rebuilt runtime specification
};

// ---- The engine ------------------------------------------------------------

// Walks `format` (null reads as ""), calling `sink` for every literal run
// (even an empty one) and every formatted piece; returns the sum of the sink
// results. A failed growth of the work buffer ends the call early with the
// count so far.
int FmtFormat(FmtSink sink, void* context, const char* format, va_list args);

// How a conversion's argument is read and passed on to the runtime.
enum FmtArgKind : char {
    FmtArgNone = 0,     // "%" and refused specifications take no argument
    FmtArgSigned,       // d i, held as intmax_t after the modifier's narrowing
    FmtArgUnsigned,     // o u x X, held as uintmax_t likewise
    FmtArgChar,         // c: an int
    FmtArgWideChar,     // lc: a wint_t
    FmtArgDouble,       // e E f g G
    FmtArgLongDouble,   // the same with "L"
    FmtArgPointer,      // p
    FmtArgString,       // s C
    FmtArgCountPointer, // n: where to store the count
};

// Length modifiers the engine understands.
enum FmtLength : char {
    FmtLengthNone = 0,
    FmtLengthChar,     // hh
    FmtLengthShort,    // h
    FmtLengthLong,     // l
    FmtLengthLongLong, // ll
    FmtLengthIntMax,   // j
    FmtLengthSize,     // z
    FmtLengthPtrDiff,  // t
    FmtLengthLongDouble, // L
};

// A conversion specification taken apart. `width` and `precision` are -1
// when absent; a negative '*' width has become the '-' flag.
struct FmtSpec {
    char letter;      // the conversion letter, 0 when the format ended first
    char length;      // FmtLength
    char valid;       // 1 when the specification is well formed for its letter
    char flagMinus, flagPlus, flagSpace, flagHash, flagZero;
    char handOver;    // 1 when the runtime formats it from `expanded` (a count
                      // conversion among these stores the count as an int)
    int width;
    int precision;
    const char* text; // the specification in the format, from its '%'
    int textLength;
    // The specification with each '*' replaced by its value in decimal, for
    // the runtime; empty when it does not fit.
    char expanded[FmtSpecBufferSize];
};

struct FmtArg {
    FmtArgKind kind;
    union {
        intmax_t i;
        uintmax_t u;
        double d;
        long double ld;
        const void* p;
        const char* s;
    };
};

// Parses the specification that starts at the '%' at `text`: finds its end
// (the first byte of the conversion set, or the terminator) and takes it
// apart, reading each '*' from `args` as an int. Returns the bytes the
// specification occupies in the format.
int FmtParseSpec(const char* text, FmtSpec* spec, va_list* args);

// Reads the conversion's argument from `args` with the C type that its letter
// and length modifier name. A malformed specification still takes its slot,
// read with the letter's plain type, so that later conversions stay aligned.
FmtArg FmtReadArg(const FmtSpec* spec, va_list* args);

// Formats a conversion that the engine does not lay out itself (a length
// modifier or flag it does not know, a pointer) with the runtime's formatter,
// from the expanded specification and the argument at `at`, which is left
// where it was. Returns what FmtConvert returns.
int FmtConvertByRuntime(char* out, int capacity, const FmtSpec* spec, const FmtArg* arg, va_list* at);

// Formats one conversion into `out` (room for `capacity` bytes including the
// terminator), by its letter. Returns the length of the complete output
// without terminator (the output is cut when that is not less than
// `capacity`), or -1 when the runtime cannot format it.
int FmtConvert(char* out, int capacity, const FmtSpec* spec, const FmtArg* arg);

// ---- Output functions ----------------------------------------------------

// The state of an output into a caller's buffer: where the next byte goes and
// how many bytes may still be written (a terminator always fits after them).
// `room` -1 means there is no buffer.
struct FmtBufferState {
    char* cursor;
    int room;
};
// The FmtSink of a buffer (context: an FmtBufferState): copies as much of
// the piece as fits in `room`, up to a zero byte within it and never
// splitting a character of the current encoding, terminates, and advances
// the state. Returns the bytes copied; 0 with no buffer or nothing to copy.
int FmtBufferSink(void* state, const char* bytes, int length);

// ---- Front ends -------------------------------------------------------------

// Into a buffer with room for 0x7FFFFFFE bytes plus a terminator; returns the
// bytes written.
int FmtSprintf(char* buffer, const char* format, ...);

// Into a buffer of `size` bytes (at most size-1 bytes and a terminator);
// never splits a character of the current encoding at the limit, and output
// that reached the limit stops there. Returns the bytes written.
int FmtSnprintfV(char* buffer, int size, const char* format, va_list args);

