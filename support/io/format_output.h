// Formatted output to a channel or the host's console: the printf front ends
// FmtPrint, FmtPrintV and FmtPrintUtf16 over the engine of
// support/base/format.h, and the output functions they use. Console text
// always leaves as UTF-8 and in whole characters.
#pragma once

#include "support/base/format.h"

#include <cstdarg>

struct ChanRecord;

// The host's console writer, taking one UTF-8 string. Null until the client
// entry installs the host's console operation; FmtConsoleWrite then writes
// nothing.
typedef int (*FmtConsoleWriter)(const char* utf8);
extern FmtConsoleWriter ConsoleHook;

enum : int {
    FmtConsoleChunkSize = 256, // console pieces of a long literal run
    FmtUtf16BufferSize = 1024, // FmtPrintUtf16 formats at most 1023 bytes
};

// An FmtSink. Context null: the console; otherwise the ChanRecord to write
// to (the write's result is returned).
int FmtOutputSink(void* channel, const char* bytes, int length);

// Writes a string in the current encoding to the host's console as UTF-8;
// nothing for a null string, without ConsoleHook, or when the conversion
// fails.
void FmtConsoleWrite(const char* s);

// To a channel, or with a null channel to the host's console.
int FmtPrint(ChanRecord* channel, const char* format, ...);
int FmtPrintV(ChanRecord* channel, const char* format, va_list args);

// With encoding id 17 (UTF-16): formats at most 1023 bytes, converts them
// from encoding id `sourceId` to UTF-16 and writes the units to the channel
// as 2-byte items, returning that write's result (0 without a channel: the
// console takes no UTF-16; 0 when the conversion fails). Any other encoding
// id is FmtPrint.
int FmtPrintUtf16(int encodingId, int sourceId, ChanRecord* channel, const char* format, ...);
