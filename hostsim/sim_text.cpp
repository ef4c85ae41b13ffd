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
};

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

Table MakeTable() {
    Table t;
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
    return t;
}

const Table& TheTable() {
    static const Table table = MakeTable();
    return table;
}

} // namespace

std::string SimToFrameRoman(const std::string& utf8) {
    const Table& t = TheTable();
    std::string out;
    int32_t i = 0, n = (int32_t)utf8.size();
    const uint8_t* s = reinterpret_cast<const uint8_t*>(utf8.data());
    while (i < n) {
        UChar32 cp;
        U8_NEXT(s, i, n, cp);
        auto it = cp < 0 ? t.fromUnicode.end() : t.fromUnicode.find(cp);
        out += it == t.fromUnicode.end() ? '?' : static_cast<char>(it->second);
    }
    return out;
}

std::string SimFromFrameRoman(const std::string& frameRoman) {
    const Table& t = TheTable();
    std::string out;
    for (unsigned char c : frameRoman) {
        char buf[4];
        int32_t len = 0;
        UBool error = false;
        U8_APPEND(reinterpret_cast<uint8_t*>(buf), len, 4, t.toUnicode[c], error);
        if (!error) out.append(buf, (size_t)len);
    }
    return out;
}

int SimCharCount(const std::string& utf8) {
    int count = 0;
    for (unsigned char c : utf8)
        if ((c & 0xC0) != 0x80) ++count;
    return count;
}

size_t SimCharOffset(const std::string& utf8, int index) {
    int count = 0;
    for (size_t i = 0; i < utf8.size(); ++i) {
        if (((unsigned char)utf8[i] & 0xC0) == 0x80) continue;
        if (count == index) return i;
        ++count;
    }
    return utf8.size();
}
