// Byte strings in the current host encoding: plain byte operations,
// case-insensitive ones folded through CharLowerMap, escapes for the host's
// special characters, number parsing. A null string reads as "" everywhere
// unless a function says otherwise; a new string is a MemCalloc block.
#pragma once

#include <cstdint>

// Functions writing into `dst` never allocate; the caller gives the room
// (`size` bytes, terminator included, where a size is taken). Results that
// point into a string point into the caller's string. Nothing here fails
// but the two that allocate, which say so.

// The length in bytes; 0 for null.
int StrLen(const char* s);
// Copies src with its terminator (the areas may overlap); a null src makes
// dst empty; a null dst is ignored. dst must have room: no bound is checked.
void StrCopy(char* dst, const char* src);
// Copies at most size - 1 bytes of src and a terminator; returns the bytes
// copied (0 and nothing written for a null dst or a size of 0 or less). May
// cut inside a character: see char_safe.h for the cut that does not.
int StrCopyN(char* dst, const char* src, int size);
// A new copy (MemFree); null for a null s or when memory ran out.
char* StrDup(const char* s);
// Appends src to dst (no bound is checked); returns the new length, 0 for a
// null dst.
int StrAppend(char* dst, const char* src);
// Appends as much of src as fits in dst's `size` bytes; returns the new
// length (dst's length when nothing fits; 0 for a null dst).
int StrAppendN(char* dst, const char* src, int size);
// Appends one byte when it fits with its terminator in `size`; returns the
// new length (unchanged when it did not fit; 0 for a null dst).
int StrAppendChar(char* dst, int byte, int size);
// Ends s at `index` (which must lie within it); a null s or a negative index
// is ignored.
void StrTruncate(char* s, int index);
// Removes the first n bytes; nothing when n is 0 or less or beyond the
// length.
void StrDropFront(char* s, int n);
// Remove spaces (0x20 only) at the end and at the start.
void StrTrimRight(char* s);
void StrTrimLeft(char* s);
// 1 when equal byte for byte, else 0.
int StrEqual(const char* a, const char* b);
// 1 when s begins with prefix; a null prefix is a prefix of everything.
int StrHasPrefix(const char* s, const char* prefix);
// The first byte equal to c (1-255) within s, or null (also for a null s
// and a c outside 1-255).
char* StrFindChar(const char* s, int c);
// The index of the first occurrence of pattern, or -1 (also for a null s or
// pattern and for an empty s).
int StrFind(const char* s, const char* pattern);

// Equality and order without regard to case (folded through CharLowerMap):
// 1/0, and a negative, zero or positive difference of folded bytes.
int StrEqualNoCase(const char* a, const char* b);
int StrCompareNoCase(const char* a, const char* b);

// The host's escapes (a backslash and a letter: t tab, p paragraph end,
// s and space the special spaces, - and + the hyphens, and so on): a new
// string (MemFree) with the escapes resolved or made, of at most 1023 bytes
// (longer input is cut); null only when memory ran out. A null s gives "".
char* StrUnescape(const char* s);
char* StrEscape(const char* s);

// Numbers as atoi, atoll and atof read them (0 for null and for text that is
// no number). The Utf8 forms first read any Unicode decimal digit as its
// ASCII digit; 0 also when the copy this needs cannot be had.
int StrToInt(const char* s);
int64_t StrToInt64(const char* s);
double StrToReal(const char* s);
int StrUtf8ToInt(const char* s);
double StrUtf8ToReal(const char* s);

// Comparisons, exact and folded through CharLowerMap. N-variants look at no
// more than the first n bytes (n <= 0 compares nothing and gives equal).
// Compare results are differences of unsigned byte values: only the sign and
// zero carry meaning.
int StrEqualN(const char* a, const char* b, int n);
int StrEqualNoCaseN(const char* a, const char* b, int n);
int StrCompare(const char* a, const char* b);
int StrCompareN(const char* a, const char* b, int n);
int StrCompareNoCaseN(const char* a, const char* b, int n);
int StrHasPrefixNoCase(const char* s, const char* prefix);
int StrHasSuffix(const char* s, const char* suffix);
int StrHasSuffixNoCase(const char* s, const char* suffix);
// StrFind without regard to case; the same conventions for null and "".
int StrFindNoCase(const char* s, const char* pattern);
// Exact comparison that skips spaces (0x20 and the host's special spaces
// 0x10-0x14) and hyphens (0x2D and the host's hyphen codes 0x04, 0x06, 0x15).
int StrCompareIgnoringSpaces(const char* a, const char* b);
// Orders by folded bytes, then by exact bytes, so that strings equal without
// case still sort in one fixed order.
int StrCompareForSort(const char* a, const char* b);
// qsort comparator over an array of `const char*` built on StrCompareForSort.
int StrSortCompare(const void* a, const void* b);

// In-place edits; a null string is left alone.
void StrReverse(char* s);
// Removes every byte of s that occurs in set; returns the new length.
int StrRemoveChars(char* s, const char* set);
// The last byte of s equal to c (taken as a byte), or null; the terminator
// is never found.
char* StrFindLastChar(const char* s, int c);
// Appends the decimal form of value if all of it fits with its terminator in
// size; otherwise changes nothing. Returns the resulting length.
int StrAppendInt(char* dst, int value, int size);

// Single-byte character-set maps over the 8-bit tables (byte in, byte out;
// an argument outside 0-255 is taken as a byte).
int CharMapFrameToAnsi(int byte);
int CharMapAnsiToFrame(int byte);
int CharMapFrameToAscii(int byte);
int CharMapAsciiToFrame(int byte);
int CharMapFrameToIso(int byte);
int CharMapIsoToFrame(int byte);
// CharMapFrameToAscii for bytes below 0x81; bytes 0x81-0xFF come back as they are.
int CharMapFrameToAsciiLow(int byte);
// A byte of plain text to FrameRoman: tab to 0x08, line feed, form feed and
// carriage return to the paragraph end 0x0A, 0x20-0xFF unchanged, other
// control bytes to 0x3F.
int CharMapTextToFrame(int byte);
