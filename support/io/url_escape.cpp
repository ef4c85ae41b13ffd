// Percent-encoding of URL text. Escaping writes the bytes a URL may not carry
// as "%XX"; unescaping decodes only well-formed escapes, so a '%' near the
// end of the text or before non-hexadecimal characters is copied as it
// stands, and an escape that would make a 0 byte never cuts the string.
#include "support/io/url.h"

#include "support/base/memory.h"

#include <cstring>

namespace {

bool NeedsEscape(unsigned char c) {
    return c <= 0x20 || (c < 0x80 && std::strchr("#%<>[\\]^`{|}~", c) != nullptr);
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

} // namespace

char* UrlEscape(const char* text) {
    if (!text) text = "";
    size_t length = 0;
    for (const char* p = text; *p; ++p) length += NeedsEscape(static_cast<unsigned char>(*p)) ? 3 : 1;
    char* out = static_cast<char*>(MemAlloc(static_cast<uint32_t>(length + 1), MemFlagFatal));
    if (!out) return nullptr;
    static const char digits[] = "0123456789ABCDEF";
    char* w = out;
    for (const char* p = text; *p; ++p) {
        auto c = static_cast<unsigned char>(*p);
        if (NeedsEscape(c)) {
            *w++ = '%';
            *w++ = digits[c >> 4];
            *w++ = digits[c & 15];
        } else {
            *w++ = static_cast<char>(c);
        }
    }
    *w = '\0';
    return out;
}

// Decodes "%XX" when X are hexadecimal digits (checked one by one, so the
// terminator is never stepped over) and the byte is not 0.
char* UrlUnescape(const char* text) {
    if (!text) text = "";
    size_t length = std::strlen(text);
    char* out = static_cast<char*>(MemAlloc(static_cast<uint32_t>(length + 1), MemFlagFatal));
    if (!out) return nullptr;
    char* w = out;
    for (const char* p = text; *p; ++p) {
        if (*p == '%') {
            int high = HexValue(p[1]);
            int low = high >= 0 ? HexValue(p[2]) : -1;
            if (low >= 0 && (high | low) != 0) {
                *w++ = static_cast<char>(high * 16 + low);
                p += 2;
                continue;
            }
        }
        *w++ = *p;
    }
    *w = '\0';
    return out;
}
