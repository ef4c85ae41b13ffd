// Build-time program that writes the ICU mapping tables (.ucm) of the five
// host converters, taking the mappings from ICU's own converters:
//
//   adobe-fm-roman-windows  Mac OS Roman for 0x20-0xFF, FrameRoman's special
//                           codes below 0x20
//   adobe-fm-shift-jis      Windows Shift-JIS (code page 932): ICU's
//                           "windows-932", which is IBM's 943 table, with
//                           bytes 0x00-0x7F as plain ASCII
//   adobe-fm-ksc-5601       EUC-KR
//   adobe-fm-big5           Big5 (code page 950)
//   adobe-fm-gb2312         GBK (code page 936), the superset of GB2312 whose
//                           byte pairs fill the host table's ranges
//
// In all five, bytes 0x00-0x7F are ASCII both ways (FrameRoman keeps its
// special codes below 0x20). The lead and trail ranges are those of the
// library's host encoding table, so that the converters take exactly the byte
// pairs that the string scanners keep together. Usage: host_converter_ucm <output folder>. It also writes
// "icu_package.txt" holding U_ICUDATA_NAME, the folder below ICU's data
// directory where ICU looks for .cnv files.
#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>
#include <unicode/utf16.h>
#include <unicode/utypes.h>

#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

struct ByteRange {
    int first, last;
};

struct HostConverter {
    const char* name;     // the name ICU opens it by
    const char* icuName;  // ICU's converter that supplies the mappings
    std::vector<ByteRange> lead;
    std::vector<ByteRange> trail;
};

const HostConverter Converters[] = {
    {"adobe-fm-roman-windows", "macintosh", {}, {}},
    {"adobe-fm-shift-jis", "windows-932", {{0x81, 0x9F}, {0xE0, 0xFC}}, {{0x40, 0x7E}, {0x80, 0xFC}}},
    {"adobe-fm-ksc-5601", "EUC-KR", {{0xA1, 0xFE}}, {{0xA1, 0xFE}}},
    {"adobe-fm-big5", "Big5", {{0xA1, 0xFE}}, {{0x40, 0x7E}, {0xA1, 0xFE}}},
    {"adobe-fm-gb2312", "GBK", {{0x81, 0xFE}}, {{0x40, 0xFE}}},
};

// FrameRoman's codes below 0x20 for tabs, breaks, special spaces and the
// non-breaking hyphen. Codes with `toUnicodeOnly` set have a better source
// on the way back (0xCA is the round-trip no-break space).
struct SpecialCode {
    int byte;
    UChar32 cp;
    bool toUnicodeOnly;
};
const SpecialCode FrameRomanSpecials[] = {
    {0x08, 0x0009, false}, {0x09, 0x000A, false}, {0x0A, 0x000D, false},
    {0x0B, 0x000D, true},  {0x10, 0x2007, false}, {0x11, 0x00A0, true},
    {0x12, 0x2009, false}, {0x13, 0x2002, false}, {0x14, 0x2003, false},
    {0x15, 0x2011, false},
};

struct Mapping {
    std::string bytes;
    UChar32 cp;
    bool roundTrip;
};

bool InRanges(const std::vector<ByteRange>& ranges, int b) {
    for (const ByteRange& r : ranges)
        if (b >= r.first && b <= r.last) return true;
    return false;
}

// The single code point that ICU reads from `bytes`, or -1 when the bytes
// are illegal, unassigned or not exactly one character.
UChar32 ToCodePoint(UConverter* cnv, const std::string& bytes) {
    ucnv_reset(cnv);
    UChar units[8];
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(cnv, units, 8, bytes.data(), (int32_t)bytes.size(), &status);
    if (U_FAILURE(status) || n <= 0) return -1;
    int32_t i = 0;
    UChar32 cp;
    U16_NEXT(units, i, n, cp);
    if (i != n || U_IS_SURROGATE(cp)) return -1;
    return cp;
}

// The bytes ICU writes for `cp` without fallbacks, or "" when it has none.
std::string FromCodePoint(UConverter* cnv, UChar32 cp) {
    ucnv_reset(cnv);
    UChar units[2];
    int32_t n = 0;
    U16_APPEND_UNSAFE(units, n, cp);
    char out[16];
    UErrorCode status = U_ZERO_ERROR;
    int32_t len = ucnv_fromUChars(cnv, out, sizeof out, units, n, &status);
    if (U_FAILURE(status) || len <= 0) return std::string();
    return std::string(out, (size_t)len);
}

// Byte ranges of a state line, "lo-hi" or "lo-hi:1" (next state 1 = lead).
std::string StateRanges(const bool member[256], int from, int to, const char* suffix) {
    std::string line;
    char buf[32];
    for (int b = from; b <= to;) {
        if (!member[b]) {
            ++b;
            continue;
        }
        int e = b;
        while (e + 1 <= to && member[e + 1]) ++e;
        if (!line.empty()) line += ", ";
        if (e == b)
            snprintf(buf, sizeof buf, "%02x%s", b, suffix);
        else
            snprintf(buf, sizeof buf, "%02x-%02x%s", b, e, suffix);
        line += buf;
        b = e + 1;
    }
    return line;
}

std::string HexBytes(const std::string& bytes) {
    std::string s;
    char buf[8];
    for (unsigned char c : bytes) {
        snprintf(buf, sizeof buf, "\\x%02X", c);
        s += buf;
    }
    return s;
}

bool WriteConverter(const HostConverter& conv, const std::string& folder) {
    UErrorCode status = U_ZERO_ERROR;
    UConverter* toU = ucnv_open(conv.icuName, &status);
    UConverter* fromU = ucnv_open(conv.icuName, &status);
    if (U_FAILURE(status)) {
        fprintf(stderr, "host_converter_ucm: ICU has no converter %s\n", conv.icuName);
        return false;
    }
    ucnv_setToUCallBack(toU, UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setFromUCallBack(fromU, UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    ucnv_setFallback(toU, true);

    bool isDouble = !conv.lead.empty();
    bool lead[256] = {}, single[256] = {}, trail[256] = {};
    for (int b = 0; b < 256; ++b) {
        lead[b] = InRanges(conv.lead, b);
        single[b] = !lead[b];
        trail[b] = InRanges(conv.trail, b);
    }

    std::vector<Mapping> maps;
    std::map<UChar32, std::string> roundTripOf;
    auto add = [&](const std::string& bytes, UChar32 cp) {
        maps.push_back({bytes, cp, false});
    };
    bool isRoman = !isDouble;
    for (int b = 0; b < 256; ++b) {
        if (!single[b]) continue;
        if (isRoman && b < 0x20) continue; // the special codes below
        std::string bytes(1, (char)b);
        // Bytes 0x00-0x7F are ASCII both ways in every host encoding, whatever
        // ICU's source table does with them: ICU's "windows-932" is IBM's 943,
        // which swaps 0x1A, 0x1C and 0x7F around as IBM's PC code pages do, and
        // control codes carry tabs and breaks through the host's text.
        if (b < 0x80) {
            maps.push_back({bytes, (UChar32)b, true});
            roundTripOf[b] = bytes;
            continue;
        }
        UChar32 cp = ToCodePoint(toU, bytes);
        if (cp >= 0) add(bytes, cp);
    }
    if (isDouble) {
        for (int b = 0; b < 256; ++b) {
            if (!lead[b]) continue;
            for (int c = 0; c < 256; ++c) {
                if (!trail[c]) continue;
                std::string bytes{(char)b, (char)c};
                UChar32 cp = ToCodePoint(toU, bytes);
                if (cp >= 0) add(bytes, cp);
            }
        }
    }
    // Round trip where ICU's own converter writes the same bytes back; a code
    // point that ICU writes outside our ranges keeps its first mapping.
    for (Mapping& m : maps)
        if (!m.roundTrip && !roundTripOf.count(m.cp) && FromCodePoint(fromU, m.cp) == m.bytes) {
            m.roundTrip = true;
            roundTripOf[m.cp] = m.bytes;
        }
    for (Mapping& m : maps)
        if (!roundTripOf.count(m.cp)) {
            m.roundTrip = true;
            roundTripOf[m.cp] = m.bytes;
        }
    if (isRoman) {
        bool special[0x20] = {};
        for (const SpecialCode& s : FrameRomanSpecials) {
            special[s.byte] = true;
            maps.push_back({std::string(1, (char)s.byte), s.cp, !s.toUnicodeOnly});
        }
        // The other low codes are the ASCII controls; where a special code
        // owns that code point on the way back from Unicode, one way only.
        for (int b = 0; b < 0x20; ++b) {
            if (special[b]) continue;
            bool taken = false;
            for (const SpecialCode& s : FrameRomanSpecials)
                if (s.cp == b && !s.toUnicodeOnly) taken = true;
            maps.push_back({std::string(1, (char)b), (UChar32)b, !taken});
        }
    }

    char sub[8];
    int8_t subLen = sizeof sub;
    ucnv_getSubstChars(fromU, sub, &subLen, &status);
    ucnv_close(toU);
    ucnv_close(fromU);
    if (U_FAILURE(status)) return false;

    std::string path = folder + "/" + conv.name + ".ucm";
    FILE* f = fopen(path.c_str(), "w");
    if (!f) {
        fprintf(stderr, "host_converter_ucm: cannot write %s\n", path.c_str());
        return false;
    }
    fprintf(f, "# Host converter %s, generated at build time from ICU's %s.\n", conv.name,
            conv.icuName);
    fprintf(f, "<code_set_name>  \"%s\"\n", conv.name);
    fprintf(f, "<mb_cur_max>     %d\n", isDouble ? 2 : 1);
    fprintf(f, "<mb_cur_min>     1\n");
    fprintf(f, "<uconv_class>    \"%s\"\n", isDouble ? "MBCS" : "SBCS");
    fprintf(f, "<subchar>        %s\n", HexBytes(std::string(sub, (size_t)subLen)).c_str());
    if (isDouble) {
        std::string state0 = StateRanges(single, 0, 255, "");
        std::string leads = StateRanges(lead, 0, 255, ":1");
        fprintf(f, "<icu:state>      %s, %s\n", state0.c_str(), leads.c_str());
        fprintf(f, "<icu:state>      %s\n", StateRanges(trail, 0, 255, "").c_str());
    }
    fprintf(f, "CHARMAP\n");
    for (const Mapping& m : maps) {
        if (m.cp > 0xFFFF)
            fprintf(f, "<U%05X> %s |%d\n", (unsigned)m.cp, HexBytes(m.bytes).c_str(), m.roundTrip ? 0 : 3);
        else
            fprintf(f, "<U%04X> %s |%d\n", (unsigned)m.cp, HexBytes(m.bytes).c_str(), m.roundTrip ? 0 : 3);
    }
    fprintf(f, "END CHARMAP\n");
    return fclose(f) == 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: host_converter_ucm <output folder>\n");
        return 2;
    }
    std::string folder = argv[1];
    for (const HostConverter& conv : Converters)
        if (!WriteConverter(conv, folder)) return 1;
    std::string packagePath = folder + "/icu_package.txt";
    FILE* f = fopen(packagePath.c_str(), "w");
    if (!f) return 1;
    fprintf(f, "%s", U_ICUDATA_NAME);
    return fclose(f) == 0 ? 0 : 1;
}
