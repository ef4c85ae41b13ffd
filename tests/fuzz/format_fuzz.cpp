// Fuzzes the formatted-output engine two ways.
//
// Fixed formats with random arguments: every conversion the runtime also
// knows must come out exactly as the runtime's snprintf writes it, into a
// buffer of exactly that size; a bounded copy must be a prefix of it that
// ends on a character of the current encoding.
//
// Random formats: the format text comes from the input and the engine takes
// it apart. Formats whose conversions read floating-point arguments are
// skipped; every other conversion reads one pointer-sized slot, so each slot
// is filled with the address of a writable, terminated scratch block (good
// for "s", "C", "p", "n" and any integer conversion), and each slot that a
// '*' reads gets a small number. A specification the engine does not know
// goes to the runtime with the same slot, which it reads as its letter
// says. This relies on the x86-64 calling
// convention, under which an integer or pointer of any width is read from
// the low part of a slot.
//
// Input: mode, encoding, size byte, then the arguments (fixed formats) or
// the star values and the format (random formats).
#include "fuzz_input.h"

#include "support/base/char_safe.h"
#include "support/base/format.h"
#include "support/base/host_encodings.h"

#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#pragma clang diagnostic ignored "-Wformat-nonliteral"
#pragma clang diagnostic ignored "-Wformat-security"

static_assert(sizeof(void*) == 8 && sizeof(long) == 8, "the random-format mode needs 8-byte slots");

namespace {

struct Fixed {
    FuzzInput& in;
    unsigned sizeByte;

    unsigned Byte() { return FuzzByte(in); }
    template <typename T> T Take() {
        T value{};
        auto* bytes = reinterpret_cast<unsigned char*>(&value);
        for (size_t i = 0; i < sizeof value; ++i) bytes[i] = static_cast<unsigned char>(Byte());
        return value;
    }
    // A width or precision for '*': small, of either sign.
    int Star() { return static_cast<int>(static_cast<signed char>(Byte())) * 4; }
    // A character for "c" that is not 0 (the engine ends a piece at a 0 byte).
    int Char() {
        int c = static_cast<int>(Byte());
        return c ? c : 'x';
    }
    long double LongDouble() {
        // Only the 80 bits x87 uses; the padding must not carry input.
        long double value = 0;
        auto* bytes = reinterpret_cast<unsigned char*>(&value);
        for (size_t i = 0; i < 10; ++i) bytes[i] = static_cast<unsigned char>(Byte());
        return value;
    }
};

int SnprintfThroughEngine(char* buffer, int size, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int n = FmtSnprintfV(buffer, size, format, args);
    va_end(args);
    return n;
}

// The bytes a bounded copy may keep of `full`: a prefix of at most size-1
// bytes that leaves out no more than the start of one character. Each piece
// of output is cut on its own, so a character can only be told apart inside
// a piece; `single` says the whole output is one piece, which must then be
// cut exactly as StrCopyEnc cuts it.
void CheckBounded(const std::string& full, const char* out, int n, int size, bool single) {
    FUZZ_CHECK(n >= 0 && n <= size - 1 && static_cast<size_t>(n) <= full.size());
    FUZZ_CHECK(std::strlen(out) == static_cast<size_t>(n));
    FUZZ_CHECK(full.compare(0, static_cast<size_t>(n), out) == 0);
    if (static_cast<size_t>(n) < full.size())
        FUZZ_CHECK(n >= size - 1 - (EncCurrent == EncUtf8 ? 4 : 1));
    if (single) {
        std::unique_ptr<char[]> cut(new char[static_cast<size_t>(size)]);
        FUZZ_CHECK(StrCopyEnc(cut.get(), full.c_str(), size, EncCurrent) == n);
    }
}

template <typename... A> void CheckAs(bool single, Fixed& f, const char* format, A... args) {
    const int expected = std::snprintf(nullptr, 0, format, args...);
    FUZZ_CHECK(expected >= 0);
    std::string full(static_cast<size_t>(expected) + 1, '\0');
    std::snprintf(full.data(), full.size(), format, args...);
    full.resize(static_cast<size_t>(expected));

    std::unique_ptr<char[]> exact(new char[full.size() + 1]);
    const int n = FmtSprintf(exact.get(), format, args...);
    FUZZ_CHECK(n == expected);
    FUZZ_CHECK(std::memcmp(exact.get(), full.c_str(), full.size() + 1) == 0);

    const int size = static_cast<int>((full.size() + 2) * f.sizeByte / 255);
    std::unique_ptr<char[]> bounded(new char[static_cast<size_t>(size) + 1]);
    bounded[0] = 0;
    const int m = SnprintfThroughEngine(size > 0 ? bounded.get() : nullptr, size, format, args...);
    if (size > 0) CheckBounded(full, bounded.get(), m, size, single);
}

template <typename... A> void Check(Fixed& f, const char* format, A... args) {
    CheckAs(false, f, format, args...);
}

void RunFixed(Fixed& f, unsigned which, const std::string& text) {
    const char* s = text.c_str();
    switch (which % 24) {
    case 0: { int a = f.Take<int>(), b = f.Take<int>(); Check(f, "%d|%+05i|% -8d|", a, b, a); break; }
    case 1: { int w = f.Star(), p = f.Star(); int a = f.Take<int>(); Check(f, "[%*d][%-*.*d]", w, a, w, p, a); break; }
    case 2: { int a = f.Take<int>(); long b = f.Take<long>(); long long c = f.Take<long long>();
              Check(f, "%hhd %hd %ld %lld %hhi", a, a, b, c, a); break; }
    case 3: { intmax_t a = f.Take<intmax_t>(); size_t b = f.Take<size_t>(); ptrdiff_t c = f.Take<ptrdiff_t>();
              Check(f, "%jd %zd %td %zu %jx", a, b, c, b, a); break; }
    case 4: { unsigned a = f.Take<unsigned>(); Check(f, "%u %o %x %X %#o %#x %#X %08.3x", a, a, a, a, a, a, a, a); break; }
    case 5: { unsigned a = f.Take<unsigned>(); unsigned long b = f.Take<unsigned long>();
              unsigned long long c = f.Take<unsigned long long>();
              Check(f, "%hhu %hu %lu %llu %llo %lX", a, a, b, c, c, b); break; }
    case 6: { int p = f.Star() * 4; int a = f.Take<int>(); Check(f, "%.*d|%0*x", p, a, p, a); break; }
    case 7: { int c = f.Char(), d = f.Char(); int w = f.Star(); Check(f, "%c%-3c%*c", c, d, w, c); break; }
    case 8: CheckAs(true, f, "%s", s); break;
    case 9: { int p = f.Star(); Check(f, "%.*s|", p, s); break; }
    case 10: { int w = f.Star() * 4, p = f.Star(); Check(f, "%*.*s|%-*s", w, p, s, w, s); break; }
    case 11: Check(f, "%-20.5s|%s|%10s", s, s, s); break;
    case 12: { double d = f.Take<double>(); Check(f, "%f %e %E %g %G", d, d, d, d, d); break; }
    case 13: { int p = f.Star(); double d = f.Take<double>(); Check(f, "%.*f|%#.0f|%+.10e|%-12.4g", p, d, d, d, d); break; }
    case 14: { long double d = f.LongDouble(); Check(f, "%Lf", d); break; }
    case 15: { long double d = f.LongDouble(); int p = f.Star(); Check(f, "%Lg %.*Le %#LG", d, p, d, d); break; }
    case 16: { double d = f.Take<double>(); int w = f.Star() * 4; Check(f, "%*f|%-*e|%0*g", w, d, w, d, w, d); break; }
    case 17: { void* p = reinterpret_cast<void*>(f.Take<uintptr_t>()); Check(f, "%p|%20p|%-20p", p, p, p); break; }
    case 18: Check(f, "100%% of %s%%", s); break;
    case 19: { double d = f.Take<double>(); Check(f, "%lf %le %lg", d, d, d); break; }
    case 20: { int a = f.Take<int>(); Check(f, "%s%d%s", s, a, s); break; }
    case 21: { // a literal run around every conversion
        unsigned a = f.Take<unsigned>(); Check(f, "a%sb%uc%xd%%e", s, a, a); break; }
    case 22: { // the count conversion: what it stores is the bytes so far
        int a = f.Take<int>();
        int expected = -1, got = -1;
        std::snprintf(nullptr, 0, "%s%d%n", s, a, &expected);
        std::unique_ptr<char[]> out(new char[text.size() + 16]);
        FmtSprintf(out.get(), "%s%d%n", s, a, &got);
        FUZZ_CHECK(got == expected);
        short shortCount = -1;
        FmtSprintf(out.get(), "%s%hn", s, &shortCount);
        FUZZ_CHECK(shortCount == static_cast<short>(text.size()));
        break;
    }
    default: { int w = f.Star() * 8; Check(f, "%*s%s", w, "", s); break; }
    }
}

// Random formats. Each conversion the engine will see is found with its own
// parser first, so that the slots are known before the call.
enum : int { SlotCount = 16 };

void RunRandom(FuzzInput& in, unsigned sizeByte) {
    int starValues[SlotCount];
    for (int& v : starValues) v = static_cast<int>(static_cast<signed char>(FuzzByte(in)));
    const std::string format = FuzzString(in);

    alignas(16) static char scratch[64];
    bool isStar[SlotCount] = {};
    int slots = 0;
    for (const char* p = format.c_str(); *p;) {
        if (*p != '%') {
            ++p;
            continue;
        }
        // The parser reads each '*' as an int: hand it zeros. The '*'s up to
        // the next conversion letter bound how many it can read; those inside
        // the specification it takes are the ones the call will read.
        int bound = 0;
        for (const char* q = p + 1; *q && !std::strchr("dioxXucsfeEgGp%nC", *q); ++q) bound += *q == '*';
        if (slots + bound + 1 > SlotCount) return;
        FmtSpec spec;
        struct Zeros {
            static int Parse(const char* text, FmtSpec* spec, ...) {
                va_list args;
                va_start(args, spec);
                int n = FmtParseSpec(text, spec, &args);
                va_end(args);
                return n;
            }
        };
        const int length = Zeros::Parse(p, &spec, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0);
        FUZZ_CHECK(length >= 1 && length <= static_cast<int>(std::strlen(p)));
        const int stars = static_cast<int>(std::count(p + 1, p + length, '*'));
        if (spec.letter && std::strchr("eEfgG", spec.letter)) return;
        if (spec.width > 4096 || spec.precision > 4096) return; // output size, not safety
        // The runtime reads the width of a specification the engine did not
        // take apart; the same bound holds for it. Each '*' becomes its value
        // in decimal, so a '*' beside another or beside a digit joins them
        // into one number the zeros above do not show ("%***u" with 976,
        // 936 and 344 asks for a width of 976936344).
        if (spec.handOver) {
            int digits = 0;
            for (const char* q = spec.expanded; *q; ++q) {
                digits = (*q >= '0' && *q <= '9') ? digits + 1 : 0;
                if (digits > 4) return;
            }
            for (const char* q = p + 1; q + 1 < p + length; ++q) {
                const bool joins = (q[0] == '*' && (q[1] == '*' || (q[1] >= '0' && q[1] <= '9'))) ||
                                   (q[1] == '*' && q[0] >= '0' && q[0] <= '9');
                if (joins) return;
            }
        }
        for (int i = 0; i < stars; ++i) isStar[slots++] = true;
        if (spec.letter && spec.letter != '%') ++slots;
        p += length;
    }

    std::memset(scratch, 0, sizeof scratch);
    std::memcpy(scratch, "scratch", 7);
    intptr_t a[SlotCount];
    for (int i = 0; i < SlotCount; ++i)
        a[i] = isStar[i] ? static_cast<intptr_t>(starValues[i]) * 8 : reinterpret_cast<intptr_t>(scratch);

    const int size = static_cast<int>(sizeByte * 8);
    std::unique_ptr<char[]> out(new char[static_cast<size_t>(size) + 1]);
    out[0] = 0;
    const int n = SnprintfThroughEngine(size > 0 ? out.get() : nullptr, size, format.c_str(), a[0], a[1],
                                        a[2], a[3], a[4], a[5], a[6], a[7], a[8], a[9], a[10], a[11],
                                        a[12], a[13], a[14], a[15]);
    FUZZ_CHECK(n >= 0 && n <= (size > 0 ? size - 1 : 0));
    if (size > 0) FUZZ_CHECK(std::strlen(out.get()) == static_cast<size_t>(n));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSetUp();
    FuzzInput in = FuzzInputOf(data, size);
    const unsigned mode = FuzzByte(in);
    FuzzSelectEncoding(FuzzByte(in));
    const unsigned sizeByte = FuzzByte(in);
    if (mode & 0x80) {
        RunRandom(in, sizeByte);
        return 0;
    }
    const std::string text = FuzzString(in);
    Fixed f{in, sizeByte};
    RunFixed(f, mode, text);
    return 0;
}
