// Result blocks shared by the conversion routines: the 2-byte empty block and
// plain copies of 8-bit and UTF-16 strings. Each result is a new block the
// caller frees with MemFree. All allocate with MemFlagFatal: running out of
// memory is fatal, and null comes back only when a handler resumed the fatal
// error.
#pragma once

// Two zero bytes: the empty string as 8-bit and as UTF-16 text.
char* EncEmptyBlock();
// Copy of an 8-bit string, with two zero bytes behind it (three for an odd
// length), so that it also reads as a terminated UTF-16 string.
char* EncCopyBytes(const char* text);
// Copy of a UTF-16 string with its zero unit.
char* EncCopyUtf16(const char* text);
// UTF-16 string of an ASCII string.
char* EncUtf16FromAscii(const char* ascii);
