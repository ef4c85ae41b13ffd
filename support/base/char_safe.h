// String operations that never cut or match inside a character: inside a
// two-byte character of a double-byte host encoding, or a UTF-8 sequence.
// `enc` is a host encoding index (EncHostEncoding); callers pass EncCurrent.
#pragma once

// Nothing here allocates or fails; results that point into a string point
// into the caller's string, and a null string is accepted everywhere.

// The length of the UTF-8 sequence a first byte announces: 2, 3 or 4 for
// 0xC2-0xDF, 0xE0-0xEF, 0xF0-0xF4; 1 for any other byte (a signed char
// works too).
int StrUtf8CharLen(int byte);
// Moves the cursor past the character it points at; a sequence cut short by
// the terminator ends there, and a cursor on the terminator moves past it.
// A null cursor or pointer is left alone.
void StrUtf8Next(char** cursor);
void StrUtf8Next(const char** cursor);
// 1 when s is well-formed UTF-8 by its first bytes and continuation bytes
// (overlong three- and four-byte forms are not looked for); 0 otherwise and
// for null.
int StrUtf8Valid(const char* s);
// The largest index at most i where no UTF-8 sequence is split (stepping
// back over at most four continuation bytes); i itself when i is at or
// beyond the end, 0 for a negative i.
int StrUtf8Boundary(const char* s, int i);
// 1 when s[i] is the trail byte of a two-byte character of encoding `enc`
// (reading pairs from the start of s); 0 otherwise, for UTF-8 and for an i
// outside 1 .. length - 1.
int StrIsTrailByte(const char* s, int i, unsigned enc);
// Copies at most size - 1 bytes of src, cut back to a character boundary,
// and a terminator; returns the bytes copied. 0 and nothing written for a
// null dst or a size of 0 or less; a null src makes dst empty.
int StrCopyEnc(char* dst, const char* src, int size, unsigned enc);
// Appends as much of src as fits in dst's `size` bytes, cut back to a
// character boundary; returns the new length (dst's own when nothing fits;
// 0 for a null dst, or a null or empty src).
int StrAppendEnc(char* dst, const char* src, int size, unsigned enc);
// The index of the first match of pattern that starts on a character start;
// 0 for an empty pattern, -1 when there is none (also for a null or empty s
// or a null pattern).
int StrFindEnc(const char* s, const char* pattern, unsigned enc);
// The last place where the one- or two-byte character c1 c2 (c2 0 for a
// single byte) starts on a character start; null when there is none, for a
// null or empty s, or a c1 of 0.
char* StrFindLastCharEnc(const char* s, int c1, int c2, unsigned enc);
// The last place where the UTF-8 character that `ch` begins with occurs;
// null when there is none or s or ch is null or empty.
char* StrFindLastUtf8Char(const char* s, const char* ch);
