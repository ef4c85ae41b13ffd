// UTF-8 strings: counterparts of the byte operations that treat a character
// (a code point and its 1-4 bytes) as the unit, with case and class decided
// by ICU, and single-character conversions between code points, UTF-8 and
// UTF-16. A null string reads as "". An ill-formed byte sequence is kept as
// it is and compares after every character; it never matches a character.
#pragma once

#include <cstdint>

// Copies or appends whole characters while they fit below size - 1 bytes,
// then terminates; a character that does not fit is left out, never cut.
// Return the bytes copied and the new length; a null dst gives 0.
int StrUtf8Copy(char* dst, const char* src, int size);
int StrUtf8Append(char* dst, const char* src, int size);

// Code point order (the byte order of well-formed UTF-8), and the same order
// after u_tolower of each character. Only the sign carries meaning.
int StrUtf8Compare(const char* a, const char* b);
int StrUtf8CompareNoCase(const char* a, const char* b);
int StrUtf8EqualNoCase(const char* a, const char* b);

// Byte offset of the first match that starts on a character; StrFind's
// conventions for null and "" (-1 in an empty s, 0 for an empty pattern).
int StrUtf8Find(const char* s, const char* pattern);
int StrUtf8FindNoCase(const char* s, const char* pattern);

// Writes src with every character mapped by u_tolower / u_toupper into dst
// (which must not overlap src), whole characters only, within size. The
// mapped text may be longer or shorter than src. Returns its length.
int StrUtf8ToLower(char* dst, const char* src, int size);
int StrUtf8ToUpper(char* dst, const char* src, int size);
// Removes Unicode white space (u_isUWhiteSpace) from both ends, in place.
void StrUtf8Trim(char* s);

// Removes every occurrence of sub (left to right, not overlapping, on
// character starts); returns how many were removed.
int StrUtf8RemoveString(char* s, const char* sub);
// Removes every character of s that occurs in set; returns the new length.
int StrUtf8RemoveChars(char* s, const char* set);

// Splits s at any character of delimiters, like strtok: the first call passes
// the text, later calls pass null and go on from the position kept in a
// library global. Writes terminators into the text; returns the next token
// or null when none is left. Not for use from two threads at once.
char* StrUtf8Token(char* s, const char* delimiters);

// One character. Surrogate code points and values outside 0-0x10FFFF are
// written as U+FFFD. Return the bytes or units written.
int StrUtf8Encode(int32_t c, char out[4]);
int StrUtf16Encode(int32_t c, char16_t out[2]);
// Reads one character: the code point, and in *used the bytes or units it
// took (0 at the end of the text). An ill-formed UTF-8 sequence gives -1;
// an unpaired surrogate gives U+FFFD.
int32_t StrUtf8Decode(const char* s, int* used);
int32_t StrUtf16Decode(const char16_t* s, int length, int* used);
// Converts the first character of s; an ill-formed one becomes U+FFFD.
int StrUtf8CharToUtf16(const char* s, char16_t out[2], int* used);
int StrUtf16CharToUtf8(const char16_t* s, int length, char out[4], int* used);
