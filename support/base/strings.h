// Byte strings in the current host encoding: plain byte operations,
// case-insensitive ones folded through CharLowerMap, escapes for the host's
// special characters, number parsing. A null string reads as "" everywhere
// unless a function says otherwise; a new string is a MemCalloc block.
#pragma once

#include <cstdint>

int StrLen(const char* s);
void StrCopy(char* dst, const char* src);
int StrCopyN(char* dst, const char* src, int size);
char* StrDup(const char* s);
int StrAppend(char* dst, const char* src);
int StrAppendN(char* dst, const char* src, int size);
int StrAppendChar(char* dst, int byte, int size);
void StrTruncate(char* s, int index);
void StrDropFront(char* s, int n);
void StrTrimRight(char* s);
void StrTrimLeft(char* s);
int StrEqual(const char* a, const char* b);
int StrHasPrefix(const char* s, const char* prefix);
char* StrFindChar(const char* s, int c);
int StrFind(const char* s, const char* pattern);

int StrEqualNoCase(const char* a, const char* b);
int StrCompareNoCase(const char* a, const char* b);

char* StrUnescape(const char* s);
char* StrEscape(const char* s);

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
// The last byte of s equal to c (taken as a byte); the terminator is never found.
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
