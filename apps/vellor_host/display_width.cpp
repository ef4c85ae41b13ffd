// Display width by ICU's character properties.
#include "apps/vellor_host/display_width.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace {

size_t CharWidth(UChar32 c) {
    if (c < 0) return 1; // a byte that is not UTF-8 shows as one replacement character
    int8_t type = u_charType(c);
    if (type == U_NON_SPACING_MARK || type == U_ENCLOSING_MARK || type == U_FORMAT_CHAR) return 0;
    int width = u_getIntPropertyValue(c, UCHAR_EAST_ASIAN_WIDTH);
    return width == U_EA_WIDE || width == U_EA_FULLWIDTH ? 2 : 1;
}

} // namespace

size_t DisplayWidth(const std::string& utf8) {
    size_t width = 0;
    const uint8_t* s = reinterpret_cast<const uint8_t*>(utf8.data());
    int32_t length = static_cast<int32_t>(utf8.size());
    for (int32_t at = 0; at < length;) {
        if (s[at] < 0x80) { // ASCII, a column each, without asking ICU
            ++width;
            ++at;
            continue;
        }
        UChar32 c;
        U8_NEXT(s, at, length, c);
        width += CharWidth(c);
    }
    return width;
}

std::string PadToWidth(const std::string& text, size_t width) {
    size_t have = DisplayWidth(text);
    return have >= width ? text : text + std::string(width - have, ' ');
}
