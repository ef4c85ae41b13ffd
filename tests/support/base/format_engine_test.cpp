// The formatting engine: how it calls its sink, '*' values, strings, the
// count conversion, "C", argument reading by length modifier, and output
// that is wider than the work buffer or comes from odd specifications.
#include "support/base/format.h"

#include "support/base/memory.h"
#include "support/base/host_encodings.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

struct EncodingScope {
    unsigned saved = EncCurrent;
    explicit EncodingScope(unsigned enc) { EncCurrent = enc; }
    ~EncodingScope() { EncCurrent = saved; }
};

std::string Format(const char* format, ...) {
    std::vector<char> buffer(100000, '#');
    va_list args;
    va_start(args, format);
    int written = FmtSnprintfV(buffer.data(), static_cast<int>(buffer.size()), format, args);
    va_end(args);
    std::string text(buffer.data());
    EXPECT_EQ(static_cast<int>(text.size()), written) << format;
    return text;
}

struct Recorder {
    std::vector<std::string> pieces;
    int weight = 1; // what each byte adds to the engine's count
};

int RecordingSink(void* context, const char* bytes, int length) {
    Recorder* r = static_cast<Recorder*>(context);
    r->pieces.emplace_back(bytes, static_cast<size_t>(length));
    return length * r->weight;
}

int Record(Recorder* r, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int count = FmtFormat(RecordingSink, r, format, args);
    va_end(args);
    return count;
}

TEST(FmtFormatTest, SinkSeesEveryRunIncludingEmptyOnes) {
    Recorder plain;
    EXPECT_EQ(11, Record(&plain, "no percents"));
    EXPECT_EQ(std::vector<std::string>{"no percents"}, plain.pieces);

    Recorder leading;
    EXPECT_EQ(3, Record(&leading, "%d|%s", 7, "x"));
    EXPECT_EQ((std::vector<std::string>{"", "7", "|", "x", ""}), leading.pieces);

    Recorder none;
    EXPECT_EQ(0, Record(&none, nullptr));
    EXPECT_EQ(std::vector<std::string>{""}, none.pieces);

    // The count, also the one "n" stores, is what the sinks answered.
    Recorder doubled;
    doubled.weight = 2;
    int stored = -1;
    EXPECT_EQ(10, Record(&doubled, "ab%n%dcd", &stored, 5));
    EXPECT_EQ(4, stored);
}

TEST(FmtFormatTest, StarWidthsAndPrecisions) {
    EXPECT_EQ("   42", Format("%*d", 5, 42));
    EXPECT_EQ("42   |42   |00042", Format("%*d|%-*d|%0*d", -5, 42, -5, 42, 5, 42));
    // A negative precision counts as none.
    EXPECT_EQ("    ab|abcdef", Format("%*.*s|%.*s", 6, 2, "abcdef", -1, "abcdef"));
    // The arguments after the stars are still read in order.
    EXPECT_EQ("  7 x 2.5", Format("%*d %s %.*f", 3, 7, "x", 1, 2.5));
}

TEST(FmtFormatTest, StringsAndPercent) {
    EXPECT_EQ("abc       |", Format("%-10.3s|", "abcdefghijklmnopqrst"));
    EXPECT_EQ("          |", Format("%-10.3s|", static_cast<const char*>(nullptr)));
    EXPECT_EQ("[][  ]", Format("[%s][%2s]", static_cast<const char*>(nullptr), static_cast<const char*>(nullptr)));
    EXPECT_EQ("", Format("%.s", "abc"));
    EXPECT_EQ("100%", Format("100%%"));
    EXPECT_EQ("%7%", Format("%%%d%%", 7)); // "%%" takes no argument
}

TEST(FmtFormatTest, CountStoresIntoTheSizeItsModifierNames) {
    int plain = -1;
    EXPECT_EQ("abcdef", Format("abc%ndef", &plain));
    EXPECT_EQ(3, plain);

    short shorts[2] = {-1, 0x7777};
    Format("%70000s%hn", "", &shorts[0]);
    EXPECT_EQ(static_cast<short>(70000 & 0xFFFF), shorts[0]);
    EXPECT_EQ(0x7777, shorts[1]);

    signed char bytes[3] = {0x55, 0x55, 0x55};
    Format("%300d%hhn", 1, &bytes[1]);
    EXPECT_EQ(0x55, bytes[0] & bytes[2]);
    EXPECT_EQ(static_cast<signed char>(300 & 0xFF), bytes[1]);

    long wide = -1;
    long long wider = -1;
    Format("xy%ln%lln", &wide, &wider);
    EXPECT_TRUE(wide == 2 && wider == 2);
}

TEST(FmtFormatTest, FirstCharacterConversion) {
    const char* etat = "\xC3\xA9tat";
    {
        EncodingScope utf8(EncUtf8);
        EXPECT_EQ("\xC3\xA9", Format("%C", etat));
        EXPECT_EQ("[ \xC3\xA9][\xC3\xA9  ]", Format("[%3C][%-4C]", etat, etat));
        EXPECT_EQ("\xF0\x9F\x98\x80", Format("%C", "\xF0\x9F\x98\x80z"));
        EXPECT_EQ("[]", Format("[%C]", static_cast<const char*>(nullptr)));
        // A sequence cut short by the terminator is not read past its end.
        char* cut = static_cast<char*>(MemAlloc(3, MemFlagFatal));
        std::memcpy(cut, "\xE2\x82", 3);
        EXPECT_EQ("\xE2\x82", Format("%C", cut));
        MemFree(cut);
    }
    {
        EncodingScope roman(EncFrameRoman);
        EXPECT_EQ("[][   ]", Format("[%C][%3C]", etat, etat));
    }
}

TEST(FmtFormatTest, ArgumentsAreReadWithTheirRealTypes) {
    EXPECT_EQ(std::to_string(LONG_MAX) + " 1", Format("%ld %d", LONG_MAX, 1));
    EXPECT_EQ(std::to_string(LLONG_MIN) + " 2", Format("%lld %d", LLONG_MIN, 2));
    EXPECT_EQ("4464 1 -1", Format("%hd %hhu %hhd", 70000, 257, 255));
    // long is 64 bits here and 32 on Windows: "l" reads all of it either way.
    EXPECT_EQ(std::to_string(SIZE_MAX) + " " + std::string(2 * sizeof(long), 'f'),
              Format("%zu %lx", SIZE_MAX, ULONG_MAX));
    EXPECT_EQ("1.500000 7", Format("%Lf %d", 1.5L, 7));
    EXPECT_EQ("2.5e+00 A B", Format("%.1e %c %lc", 2.5, 'A', static_cast<wint_t>('B')));
    EXPECT_EQ("  -3|+3|0x1f|017|1F", Format("%4i|%+d|%#x|%#o|%X", -3, 3, 31u, 15u, 31u));
    char expected[64];
    int marker = 0;
    std::snprintf(expected, sizeof expected, "%p 6", static_cast<void*>(&marker));
    EXPECT_EQ(expected, Format("%p %d", static_cast<void*>(&marker), 6));
}

TEST(FmtFormatTest, OutputWiderThanTheWorkBufferIsComplete) {
    EXPECT_EQ(std::string(298, ' ') + "42|", Format("%300d|", 42));
    EXPECT_EQ("1." + std::string(300, '0'), Format("%.300f", 1.0));
    // A width that a flag hides from a naive reader is still honoured.
    EXPECT_EQ(std::string(299, ' ') + "x", Format("%#300s", "x"));
    EXPECT_EQ(std::string(299, ' ') + "x", Format("% +300s", "x"));
    // Long strings take a heap buffer that later conversions reuse or grow.
    std::string thousand(1000, 'q'), longer(1600, 'r');
    char* buffer = static_cast<char*>(MemAlloc(4000, MemFlagFatal));
    EXPECT_EQ(1000 + 1600 + 9, FmtSprintf(buffer, "<%s>%s<%5s>", thousand.c_str(), longer.c_str(), "s"));
    EXPECT_EQ("<" + thousand + ">" + longer + "<    s>", std::string(buffer));
    MemFree(buffer);
}

TEST(FmtFormatTest, FailedGrowthEndsTheCallWithTheCountSoFar) {
    std::string thousand(1000, 'q');
    Recorder r;
    MemFailAllocation(1);
    int count = Record(&r, "ab%dcd%s tail", 12, thousand.c_str());
    MemFailAllocation(0);
    EXPECT_EQ(6, count);
    EXPECT_EQ((std::vector<std::string>{"ab", "12", "cd"}), r.pieces);
}

// What the runtime's own formatter makes of one specification and its
// argument; empty when it reports a failure.
// (The specification is a std::string so that the compiler does not check
// it against the arguments: these are the odd ones on purpose.)
template <typename... Args>
std::string Runtime(const std::string& specification, Args... args) {
    char out[1024];
    int written = std::snprintf(out, sizeof out, specification.c_str(), args...);
    return written < 0 ? std::string() : std::string(out);
}

TEST(FmtFormatTest, SpecificationsTheEngineDoesNotKnowGoToTheRuntime) {
    // Each takes one argument slot, so the conversion after it gets its own.
    const char* i64 = "%I64d";
    EXPECT_EQ(Runtime(i64, -5LL) + "|7", Format("%I64d|%d", -5LL, 7));
    EXPECT_NE(std::string::npos, Format(i64, -5LL).find("-5"));
    const char* narrow = "[%hs]";
    EXPECT_EQ(Runtime(narrow, "abc") + "|7", Format("[%hs]|%d", "abc", 7));
    EXPECT_EQ(Runtime(narrow, ""), Format(narrow, nullptr)); // null is empty
    // Each '*' is replaced by its value: "%**d" with 1 and 2 is "%12d".
    EXPECT_EQ(Runtime("%12d", 42) + "|9", Format("%**d|%d", 1, 2, 42, 9));
    EXPECT_EQ(Runtime("%kd", 1) + " 2", Format("%kd %d", 1, 2));
#ifdef __GLIBC__
    // A width beyond an int is the runtime's to refuse; glibc formats nothing.
    EXPECT_EQ(Runtime("%99999999999d", 1) + " 4", Format("%99999999999d %d", 1, 4));
    EXPECT_EQ(" 4", Format("%99999999999d %d", 1, 4));
#endif
    // A pointer keeps its flags and precision, and its width from a '*'.
    int marker = 0;
    void* pointer = &marker;
    const char* pointers = "%+p|%.20p|%-20p|%d";
    EXPECT_EQ(Runtime(pointers, pointer, pointer, pointer, 3), Format(pointers, pointer, pointer, pointer, 3));
    EXPECT_EQ(Format("%24p|%d", pointer, 3), Format("%*p|%d", 24, pointer, 3));
    EXPECT_EQ(24u, Format("%*p", 24, pointer).size());
    // A count with a modifier the engine does not know stores an int.
    int stored = -1;
    EXPECT_EQ("abc|4", Format("abc%Ln|%d", &stored, 4));
    EXPECT_EQ(3, stored);
    // A specification that names its argument by position stays as written.
    EXPECT_EQ("%2$d|2", Format("%2$d|%d", 1, 2));
}

TEST(FmtFormatTest, OddSpecificationsArePrintedAsTheyStand) {
    // The format ends inside a specification.
    EXPECT_EQ("50%", Format("50%"));
    EXPECT_EQ("50%-5", Format("50%-5"));
    // Specifications of any length are taken apart, not copied.
    std::string zeros = "%" + std::string(80, '0') + "5d|%." + std::string(80, '0') + "3d";
    EXPECT_EQ("00042|007", Format(zeros.c_str(), 42, 7));
    std::string junk = "%" + std::string(400, 'k') + "d";
    EXPECT_EQ(junk + "|9", Format((junk + "|%d").c_str(), 1, 9));
}

} // namespace
