// In-place translation between FrameRoman's control codes (0x08 tab, 0x09
// line break, 0x10-0x15 special spaces and the non-breaking hyphen) and the
// plain ASCII controls.
#include "support/io/encoding_convert.h"

void EncFrameControlsToAscii(char* text) {
    if (!text) return;
    for (char* p = text; *p; ++p) {
        switch ((unsigned char)*p) {
        case 0x08: *p = 0x09; break;
        case 0x09: *p = 0x0A; break;
        case 0x10: case 0x11: case 0x12: case 0x13: case 0x14: *p = ' '; break;
        case 0x15: *p = '-'; break;
        default: break;
        }
    }
}

void EncAsciiControlsToFrame(char* text) {
    if (!text) return;
    for (char* p = text; *p; ++p) {
        if (*p == 0x09)
            *p = 0x08;
        else if (*p == 0x0A)
            *p = 0x09;
    }
}
