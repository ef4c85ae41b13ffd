// Result blocks shared by the conversion routines: the 2-byte empty block and
// plain copies of 8-bit and UTF-16 strings. All allocate with MemFlagFatal.
#pragma once

char* EncEmptyBlock();
// Copy of an 8-bit string, with two zero bytes behind it (three for an odd
// length), so that it also reads as a terminated UTF-16 string.
char* EncCopyBytes(const char* text);
// Copy of a UTF-16 string with its zero unit.
char* EncCopyUtf16(const char* text);
// UTF-16 string of an ASCII string.
char* EncUtf16FromAscii(const char* ascii);
