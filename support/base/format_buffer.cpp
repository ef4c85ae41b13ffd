// The engine's output into a caller's buffer (FmtBufferSink), which never
// ends inside a character.
#include "support/base/format.h"

#include "support/base/char_safe.h"
#include "support/base/host_encodings.h"

namespace {

// Whether the byte at `bytes[length]` may continue a character that starts
// before it, so that a copy ending there could split it. The byte after a
// piece from the engine is its terminator or a percent sign, neither of
// which continues anything.
bool MayContinue(const char* bytes, int length, unsigned enc) {
    const unsigned char next = static_cast<unsigned char>(bytes[length]);
    if (enc == EncUtf8) return next >= 0x80 && next <= 0xBF;
    if (enc < EncUtf8) return EncByteTables[enc]->trail[next] != 0;
    return false;
}

} // namespace

int FmtBufferSink(void* state, const char* bytes, int length) {
    FmtBufferState* out = static_cast<FmtBufferState*>(state);
    if (!out || !out->cursor || out->room <= 0 || !bytes || length <= 0) return 0;
    // The usual case: the piece fits and cannot end inside a character, so it
    // is copied as it stands, up to a 0 byte within it. Otherwise it is copied
    // again, cut where no character is split.
    int copied = 0;
    if (length <= out->room) {
        while (copied < length && bytes[copied] != 0) {
            out->cursor[copied] = bytes[copied];
            ++copied;
        }
        out->cursor[copied] = 0;
    }
    if (length > out->room || (copied == length && MayContinue(bytes, length, EncCurrent)))
        copied = StrCopyEnc(out->cursor, bytes, (length < out->room ? length : out->room) + 1, EncCurrent);
    out->cursor += copied;
    out->room -= copied;
    // Once a piece has been cut at the limit nothing after it may follow, or
    // the output would lose text from its middle.
    if (copied < length) out->room = 0;
    return copied;
}
