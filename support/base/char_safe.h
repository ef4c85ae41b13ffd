// String operations that never cut or match inside a character: inside a
// two-byte character of a double-byte host encoding, or a UTF-8 sequence.
// `enc` is a host encoding index (EncHostEncoding); callers pass EncCurrent.
#pragma once

int StrUtf8CharLen(int byte);
void StrUtf8Next(char** cursor);
void StrUtf8Next(const char** cursor);
int StrUtf8Valid(const char* s);
int StrUtf8Boundary(const char* s, int i);
int StrIsTrailByte(const char* s, int i, unsigned enc);
int StrCopyEnc(char* dst, const char* src, int size, unsigned enc);
int StrAppendEnc(char* dst, const char* src, int size, unsigned enc);
int StrFindEnc(const char* s, const char* pattern, unsigned enc);
char* StrFindLastCharEnc(const char* s, int c1, int c2, unsigned enc);
char* StrFindLastUtf8Char(const char* s, const char* ch);
