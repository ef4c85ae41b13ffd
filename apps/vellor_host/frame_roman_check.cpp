// Whether text can pass through the plug-in, whose text encoding is
// FrameRoman: what it lacks, named for the user.
#include "apps/vellor_host/frame_roman_check.h"

#include "hostsim/sim_text.h"

#include <cstdint>
#include <cstdio>
#include <set>

// The characters of UTF-8 text that FrameRoman, the plug-in's text
// encoding, cannot carry, each once ("日 (U+65E5)"), or "".
std::string CharactersFrameRomanLacks(const std::string& text) {
    std::string lacking;
    std::set<std::string> seen;
    for (size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        bool whole = length && i + length <= text.size();
        for (size_t k = 1; whole && k < length; ++k) whole = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        std::string c = text.substr(i, whole ? length : 1);
        i += c.size();
        std::string shown;
        if (!whole) {
            char byte[16];
            std::snprintf(byte, sizeof byte, "byte 0x%02X", lead);
            shown = byte;
        } else if (SimFromFrameRoman(SimToFrameRoman(c)) != c) {
            uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
            for (size_t k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(c[k]) & 0x3F);
            char number[16];
            std::snprintf(number, sizeof number, " (U+%04X)", code);
            shown = c + number;
        }
        if (shown.empty() || !seen.insert(shown).second) continue;
        lacking += (lacking.empty() ? "" : ", ") + shown;
    }
    return lacking;
}
