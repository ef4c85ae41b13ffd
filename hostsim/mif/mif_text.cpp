// MIF string escapes and the file encodings, over the host's FrameRoman table.
#include "hostsim/mif/mif_text.h"

#include "hostsim/sim_text.h"

#include <unicode/utf8.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// How many bytes from the start of `raw` are ASCII, eight at a time: most
// text of a file is, and needs no decoding.
size_t AsciiPrefix(const char* raw, size_t size) {
    size_t i = 0;
    for (uint64_t word; i + 8 <= size; i += 8) {
        std::memcpy(&word, raw + i, 8);
        if (word & 0x8080808080808080ull) break;
    }
    while (i < size && (unsigned char)raw[i] < 0x80) ++i;
    return i;
}

// Appends raw bytes of the file: ASCII as it is, the rest in the file's
// encoding.
bool AppendRaw(const char* raw, size_t size, bool utf8, std::string* out, std::string* error) {
    if (!size) return true;
    if (utf8) {
        const uint8_t* s = reinterpret_cast<const uint8_t*>(raw);
        int32_t i = (int32_t)AsciiPrefix(raw, size), n = (int32_t)size;
        while (i < n) {
            UChar32 c;
            U8_NEXT(s, i, n, c);
            if (c < 0) {
                *error = "invalid UTF-8 in string";
                return false;
            }
        }
        out->append(raw, size);
        return true;
    }
    for (size_t i = 0; i < size; ++i) {
        size_t ascii = AsciiPrefix(raw + i, size - i);
        out->append(raw + i, ascii);
        i += ascii;
        if (i < size) *out += MifFrameRomanChar((unsigned char)raw[i]);
    }
    return true;
}

} // namespace

bool MifVersionIsUtf8(const std::string& version) {
    char* end = nullptr;
    double v = std::strtod(version.c_str(), &end);
    return end != version.c_str() && v >= 8.0;
}

std::string MifFrameRomanChar(unsigned char code) {
    return SimFromFrameRoman(std::string(1, (char)code));
}

int MifFrameRomanCode(const std::string& utf8Char) {
    std::string fr = SimToFrameRoman(utf8Char);
    // The table writes '?' for what it lacks: a character is FrameRoman's
    // only when it comes back unchanged.
    if (fr.size() != 1 || SimFromFrameRoman(fr) != utf8Char) return -1;
    return (unsigned char)fr[0];
}

namespace {

// The next byte from `i` on that decoding does not copy as it is: a
// backslash or a line end; `size` when none is left.
size_t NextSpecial(const char* raw, size_t i, size_t size) {
    for (; i < size; ++i)
        if (raw[i] == '\\' || raw[i] == '\n' || raw[i] == '\r') return i;
    return size;
}

// The escape whose letter is `e` (the byte after a backslash) into `out`;
// `i` is past the letter and moves past what the escape takes after it.
// 1 when it is one, 0 for a letter MIF has no escape for, -1 for a
// malformed `\x`.
int DecodeEscape(char e, const char* raw, size_t size, size_t* i, std::string* out) {
    switch (e) {
    case 't': *out += '\t'; return 1;
    case '>': *out += '>'; return 1;
    case 'q': *out += '\''; return 1;
    case 'Q': *out += '`'; return 1;
    case '\\': *out += '\\'; return 1;
    case 'x': {
        int hi = *i < size ? HexDigit(raw[*i]) : -1;
        int lo = *i + 1 < size ? HexDigit(raw[*i + 1]) : -1;
        if (hi < 0 || lo < 0) return -1;
        *i += 2;
        if (*i < size && raw[*i] == ' ') ++*i; // the space that ends the escape
        *out += MifFrameRomanChar((unsigned char)(hi * 16 + lo));
        return 1;
    }
    default: return 0;
    }
}

} // namespace

bool MifDecodeString(const char* raw, size_t size, bool utf8, std::string* out, std::string* error,
                     size_t* unknownAt) {
    out->clear();
    if (unknownAt) *unknownAt = std::string::npos;
    size_t runStart = 0;
    for (size_t i = NextSpecial(raw, 0, size); i < size; i = NextSpecial(raw, i, size)) {
        if (!AppendRaw(raw + runStart, i - runStart, utf8, out, error)) return false;
        if (raw[i] != '\\') { // a line end of a wrapped string
            i += raw[i] == '\r' && i + 1 < size && raw[i + 1] == '\n' ? 2 : 1;
            runStart = i;
            continue;
        }
        if (i + 1 >= size) {
            *error = "backslash at the end of a string";
            return false;
        }
        size_t at = i;
        i += 2;
        int known = DecodeEscape(raw[at + 1], raw, size, &i, out);
        if (known < 0) {
            *error = "\\x needs two hex digits in string";
            return false;
        }
        if (!known) {
            // Kept as it stands: the backslash, then what follows it as
            // text of its own (a line end, or the lead byte of a character).
            *out += '\\';
            i = at + 1;
            if (unknownAt && *unknownAt == std::string::npos) *unknownAt = at;
        }
        runStart = i;
    }
    return AppendRaw(raw + runStart, size - runStart, utf8, out, error);
}

bool MifEncodeString(std::string_view value, bool utf8, std::string* out, std::string* error) {
    out->clear();
    const uint8_t* s = reinterpret_cast<const uint8_t*>(value.data());
    int32_t i = 0, n = (int32_t)value.size();
    while (i < n) {
        int32_t start = i;
        UChar32 c;
        U8_NEXT(s, i, n, c);
        if (c < 0) {
            *error = "invalid UTF-8 in a string to write";
            return false;
        }
        switch (c) {
        case '`': *out += "\\Q"; continue;
        case '\'': *out += "\\q"; continue;
        case '>': *out += "\\>"; continue;
        case '\\': *out += "\\\\"; continue;
        case '\t': *out += "\\t"; continue;
        default: break;
        }
        if (c >= 0x20 && c < 0x7F) {
            *out += (char)c;
            continue;
        }
        if (c == 0x00A0) { // FrameMaker writes its hard space as this escape in every version
            *out += "\\x11 ";
            continue;
        }
        std::string ch(value.substr((size_t)start, (size_t)(i - start)));
        int code = MifFrameRomanCode(ch);
        if (code >= 0 && (code < 0x20 || code == 0x7F || !utf8)) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "\\x%02x ", code);
            *out += buf;
        } else if (utf8) {
            *out += ch;
        } else {
            char buf[80];
            std::snprintf(buf, sizeof buf, "character U+%04X cannot be written in a FrameRoman MIF file",
                          (unsigned)c);
            *error = buf;
            return false;
        }
    }
    return true;
}
