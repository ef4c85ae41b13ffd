// FrameRoman <-> UTF-8 for the simulated host. The table comes from ICU's
// "adobe-fm-roman-windows" converter, which the build makes into its ICU data
// folder; while ICU cannot open it (its data directory not yet pointed
// there), the same table is made from ICU's "macintosh" converter and
// FrameRoman's own codes below 0x20, which is how the build makes the
// converter. The host's data directory is the client's business, so this
// file never sets it.
#include "hostsim/sim_text.h"

#include <unicode/ucnv.h>
#include <unicode/utf16.h>
#include <unicode/utf8.h>

#include <cstring>
#include <map>

namespace {

const char* const FrameRomanConverter = "adobe-fm-roman-windows";
const char* const FallbackConverter = "macintosh";

// FrameRoman's codes below 0x20: tab, forced return, end of paragraph, and
// the special spaces and hyphen. `oneWay` codes are read but never written.
struct Special {
    unsigned char byte;
    UChar32 cp;
    bool oneWay;
};
const Special Specials[] = {
    {0x08, 0x0009, false}, {0x09, 0x000A, false}, {0x0A, 0x000D, false},
    {0x0B, 0x000D, true},  {0x10, 0x2007, false}, {0x11, 0x00A0, true},
    {0x12, 0x2009, false}, {0x13, 0x2002, false}, {0x14, 0x2003, false},
    {0x15, 0x2011, false},
};

struct Table {
    UChar32 toUnicode[256];
    std::map<UChar32, unsigned char> fromUnicode;
    // Read off the two above once, so that converting is an index per
    // character: the byte each code point of the Basic Multilingual Plane is
    // written as ('?' where FrameRoman has none), and the UTF-8 form of each
    // byte's code point.
    unsigned char fromBmp[0x10000];
    char utf8[256][4];
    uint8_t utf8Length[256];
};

void MakeQuickTables(Table& t) {
    for (UChar32 cp = 0; cp < 0x10000; ++cp) {
        auto it = t.fromUnicode.find(cp);
        t.fromBmp[cp] = it == t.fromUnicode.end() ? '?' : it->second;
    }
    for (int b = 0; b < 256; ++b) {
        int32_t len = 0;
        UBool error = false;
        U8_APPEND(reinterpret_cast<uint8_t*>(t.utf8[b]), len, 4, t.toUnicode[b], error);
        t.utf8Length[b] = error ? 0 : uint8_t(len);
    }
}

UChar32 ByteToCodePoint(UConverter* cnv, unsigned char byte) {
    ucnv_reset(cnv);
    char in = static_cast<char>(byte);
    UChar out[4];
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(cnv, out, 4, &in, 1, &status);
    if (U_FAILURE(status) || n < 1) return -1;
    int32_t i = 0;
    UChar32 cp;
    U16_NEXT(out, i, n, cp);
    return i == n ? cp : -1;
}

void MakeTable(Table& t) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* cnv = ucnv_open(FrameRomanConverter, &status);
    bool real = U_SUCCESS(status);
    if (!real) {
        status = U_ZERO_ERROR;
        cnv = ucnv_open(FallbackConverter, &status);
    }
    if (cnv) ucnv_setToUCallBack(cnv, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    for (int b = 0; b < 256; ++b) {
        UChar32 cp = U_SUCCESS(status) && cnv ? ByteToCodePoint(cnv, (unsigned char)b) : -1;
        t.toUnicode[b] = cp < 0 ? b : cp;
    }
    if (cnv) ucnv_close(cnv);
    if (!real)
        for (int b = 0; b < 0x20; ++b) t.toUnicode[b] = b;
    if (!real)
        for (const Special& s : Specials) t.toUnicode[s.byte] = s.cp;
    // Writing back: the first byte of each code point, except one-way codes;
    // the ASCII controls that a special code owns keep that special code.
    for (const Special& s : Specials)
        if (!s.oneWay) t.fromUnicode[s.cp] = s.byte;
    for (int b = 0; b < 256; ++b) {
        bool oneWay = false;
        for (const Special& s : Specials)
            if (s.byte == b && s.oneWay) oneWay = true;
        if (!oneWay) t.fromUnicode.emplace(t.toUnicode[b], (unsigned char)b);
    }
    MakeQuickTables(t);
}

const Table& TheTable() {
    static Table table;
    static const bool made = (MakeTable(table), true); // once, guarded as any static's start
    (void)made;
    return table;
}

// How many of eight bytes continue a character (10xxxxxx): the top bit of
// each byte whose next bit is clear, moved to the bottom of its byte and
// summed into the top byte by one multiplication (a popcount instruction is
// not there on every processor the build targets).
inline int Continuations(const char* eight) {
    uint64_t w;
    std::memcpy(&w, eight, 8);
    uint64_t bits = (w & ~(w << 1) & 0x8080808080808080ull) >> 7;
    return int((bits * 0x0101010101010101ull) >> 56);
}

} // namespace

size_t SimToFrameRomanInto(std::string_view utf8, char* out) {
    const Table& t = TheTable();
    size_t k = 0;
    int32_t i = 0, n = (int32_t)utf8.size();
    const uint8_t* s = reinterpret_cast<const uint8_t*>(utf8.data());
    while (i < n) {
        if (s[i] < 0x80) { // one byte, the code point itself
            out[k++] = static_cast<char>(t.fromBmp[s[i++]]);
            continue;
        }
        UChar32 cp;
        U8_NEXT(s, i, n, cp);
        if (cp >= 0 && cp < 0x10000) {
            out[k++] = static_cast<char>(t.fromBmp[cp]);
            continue;
        }
        auto it = cp < 0 ? t.fromUnicode.end() : t.fromUnicode.find(cp);
        out[k++] = it == t.fromUnicode.end() ? '?' : static_cast<char>(it->second);
    }
    return k;
}

void SimTextPrepare() { (void)TheTable(); }

std::string SimToFrameRoman(std::string_view utf8) {
    std::string out(utf8.size(), '\0'); // never more bytes than the UTF-8 had
    out.resize(SimToFrameRomanInto(utf8, out.data()));
    return out;
}

std::string SimFromFrameRoman(std::string_view frameRoman) {
    const Table& t = TheTable();
    std::string out;
    out.reserve(frameRoman.size());
    for (unsigned char c : frameRoman) out.append(t.utf8[c], t.utf8Length[c]);
    return out;
}

int SimCharCount(std::string_view utf8) {
    // A character is any byte but a continuation byte, counted eight at a time.
    size_t n = utf8.size(), continuations = 0, i = 0;
    for (; i + 8 <= n; i += 8) continuations += size_t(Continuations(utf8.data() + i));
    for (; i < n; ++i) continuations += ((unsigned char)utf8[i] & 0xC0) == 0x80;
    return int(n - continuations);
}

size_t SimCharOffset(std::string_view utf8, int index) {
    if (index < 0) return utf8.size();
    size_t n = utf8.size(), i = 0;
    int count = 0;
    // Eight bytes at a time while character `index` starts beyond them.
    for (; i + 8 <= n; i += 8) {
        int starts = 8 - Continuations(utf8.data() + i);
        if (count + starts > index) break;
        count += starts;
    }
    for (; i < n; ++i) {
        if (((unsigned char)utf8[i] & 0xC0) == 0x80) continue;
        if (count == index) return i;
        ++count;
    }
    return n;
}
