// Formatted output to a channel or the host's console: the output functions
// (FmtOutputSink, FmtConsoleWrite, ConsoleHook) and the front ends over them
// (FmtPrint, FmtPrintV, FmtPrintUtf16).
#include "support/io/format_output.h"

#include "support/base/char_safe.h"
#include "support/base/host_encodings.h"
#include "support/base/memory.h"
#include "support/io/channel.h"
#include "support/io/encoding_convert.h"

#include <cstring>

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

int FmtPrintV(ChanRecord* channel, const char* format, va_list args) {
    return FmtFormat(FmtOutputSink, channel, format, args);
}

int FmtPrint(ChanRecord* channel, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int result = FmtPrintV(channel, format, args);
    va_end(args);
    return result;
}

int FmtPrintUtf16(int encodingId, int sourceId, ChanRecord* channel, const char* format, ...) {
    va_list args;
    va_start(args, format);
    if (encodingId != EncIdUtf16) {
        int result = FmtPrintV(channel, format, args);
        va_end(args);
        return result;
    }
    char text[FmtUtf16BufferSize + 1] = {0};
    FmtSnprintfV(text, FmtUtf16BufferSize, format, args);
    va_end(args);

    char* units = EncConvertById(text, sourceId, EncIdUtf16, 0, EncCurrent == EncUtf8);
    if (!units) return 0;
    int count = 0;
    for (;; ++count) {
        uint16_t unit;
        std::memcpy(&unit, units + 2 * count, sizeof unit);
        if (unit == 0) break;
    }
    int result = ChanWriteItems(units, 2, count, channel);
    MemFree(units);
    return result;
}
