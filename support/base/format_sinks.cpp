// The engine's output functions: to a channel or the host's console
// (FmtOutputSink, FmtConsoleWrite, ConsoleHook), and into a caller's buffer
// (FmtBufferSink). Console text always leaves as UTF-8 and in whole
// characters; buffer output never ends inside a character.
#include "support/base/format.h"

#include "support/base/char_safe.h"
#include "support/base/memory.h"
#include "support/io/channel.h"
#include "support/io/encoding_convert.h"
#include "support/io/host_encodings.h"

FmtConsoleWriter ConsoleHook = nullptr;

void FmtConsoleWrite(const char* s) {
    if (!s) return;
    if (EncCurrent == EncUtf8) {
        if (ConsoleHook) ConsoleHook(s);
        return;
    }
    char* utf8 = EncToUtf8(s, EncCurrent);
    if (utf8 && ConsoleHook) ConsoleHook(utf8);
    MemFree(utf8);
}

int FmtOutputSink(void* channel, const char* bytes, int length) {
    if (channel) return ChanWriteItems(bytes, 1, length, static_cast<ChanRecord*>(channel));
    if (!bytes || length < 0) return 0;

    // Bytes before the first 0, looking no further than length + 1: a run
    // whose terminator lies within reach is the format's last run or a
    // formatted piece, and goes to the console as it stands, even when it
    // is empty.
    int m = 0;
    while (m <= length && bytes[m] != 0) ++m;
    if (m <= length) {
        FmtConsoleWrite(bytes);
        return m;
    }

    // A literal run inside the format: it is not terminated, so it goes out
    // in terminated pieces cut at character boundaries.
    char piece[FmtConsoleChunkSize];
    int left = length;
    while (left > 0) {
        int take = left < FmtConsoleChunkSize - 1 ? left : FmtConsoleChunkSize - 1;
        int copied = StrCopyEnc(piece, bytes, take + 1, EncCurrent);
        if (copied <= 0) break;
        FmtConsoleWrite(piece);
        bytes += copied;
        left -= copied;
    }
    return length;
}

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
