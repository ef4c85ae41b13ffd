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
