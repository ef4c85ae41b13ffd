// The front ends of the printf family: to a channel or the host's console
// (FmtPrint, FmtPrintV, FmtPrintUtf16) and into a caller's buffer
// (FmtSprintf, FmtSnprintfV).
#include "support/base/format.h"

#include "support/base/memory.h"
#include "support/io/channel.h"
#include "support/io/encoding_convert.h"
#include "support/io/host_encodings.h"

#include <cstring>

namespace {

int FormatInto(char* buffer, int room, const char* format, va_list args) {
    FmtBufferState state = {buffer, buffer ? room : -1};
    if (!buffer) state.cursor = nullptr;
    int written = FmtFormat(FmtBufferSink, &state, format, args);
    if (state.cursor) *state.cursor = 0;
    return written;
}

} // namespace

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

int FmtSprintf(char* buffer, const char* format, ...) {
    va_list args;
    va_start(args, format);
    int result = FormatInto(buffer, 0x7FFFFFFE, format, args);
    va_end(args);
    return result;
}

int FmtSnprintfV(char* buffer, int size, const char* format, va_list args) {
    // Without room for at least the terminator nothing is written at all.
    return FormatInto(size >= 1 ? buffer : nullptr, size - 1, format, args);
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
