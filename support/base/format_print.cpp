// The front ends of the printf family into a caller's buffer (FmtSprintf,
// FmtSnprintfV).
#include "support/base/format.h"

namespace {

int FormatInto(char* buffer, int room, const char* format, va_list args) {
    FmtBufferState state = {buffer, buffer ? room : -1};
    if (!buffer) state.cursor = nullptr;
    int written = FmtFormat(FmtBufferSink, &state, format, args);
    if (state.cursor) *state.cursor = 0;
    return written;
}

} // namespace

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
