// Single-byte lookups through the 8-bit character-set tables, and the map of
// plain-text control bytes to the host's codes.
#include "support/base/char_tables.h"
#include "support/base/strings.h"

namespace {
inline int Lookup(const unsigned char* table, int byte) {
    return table[static_cast<unsigned char>(byte)];
}
} // namespace

int CharMapFrameToAnsi(int byte) {
    return Lookup(CharFrameToAnsi, byte);
}
int CharMapAnsiToFrame(int byte) {
    return Lookup(CharAnsiToFrame, byte);
}
int CharMapFrameToAscii(int byte) {
    return Lookup(CharFrameToAscii, byte);
}
int CharMapAsciiToFrame(int byte) {
    return Lookup(CharAsciiToFrame, byte);
}
int CharMapFrameToIso(int byte) {
    return Lookup(CharFrameToIso, byte);
}
int CharMapIsoToFrame(int byte) {
    return Lookup(CharIsoToFrame, byte);
}

int CharMapFrameToAsciiLow(int byte) {
    unsigned char b = static_cast<unsigned char>(byte);
    return b < 0x81 ? CharFrameToAscii[b] : b;
}

int CharMapTextToFrame(int byte) {
    unsigned char b = static_cast<unsigned char>(byte);
    if (b >= 0x20) return b;
    if (b == 0x09) return 0x08;
    if (b == 0x0A || b == 0x0C || b == 0x0D) return 0x0A;
    return 0x3F;
}
