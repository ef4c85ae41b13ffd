// The constant character tables of the host character set (FrameRoman) and
// CharTableSet, the library-global array that points at them.
#pragma once

#include <cstdint>

extern const unsigned char CharIdentityMap[256];
extern const unsigned char CharUpperMap[256];
extern const unsigned char CharLowerMap[256];
extern const unsigned char CharHexDigits[256];
extern const unsigned char CharHexValues[256];
extern const uint16_t CharClassTable[256];
extern const unsigned char CharFrameToAnsi[256];
extern const unsigned char CharAnsiToFrame[256];
extern const unsigned char CharFrameToAscii[256];
extern const unsigned char CharAsciiToFrame[256];
extern const unsigned char CharFrameToIso[256];
extern const unsigned char CharIsoToFrame[256];

// Class bits of CharClassTable.
enum : uint16_t {
    CharClassControl = 0x0001,   // tab and the three line-breaking codes
    CharClassUpper = 0x0002,
    CharClassLower = 0x0004,
    CharClassLetter = 0x0008,
    CharClassDigit = 0x0010,
    CharClassHexDigit = 0x0020,
    CharClassSpace = 0x0040,
    CharClassBlank = 0x0080,     // the space 0x20 only
    CharClassWord = 0x0100,
    CharClassLineBreak = 0x0200,
    CharClassSentenceEnd = 0x0400,
    CharClassAlnumHyphen = 0x0800, // letters, digits and 0x15
    CharClassSpecial = 0x1000,   // 0x01-0x06
    CharClassWordStart = 0x2000,
    CharClassConsonant = 0x4000,
    CharClassQuote = 0x8000,
};

// Entries 0-11 point at the tables above in declaration order; entry 12 is the
// assertion hook (see memory.h), the only entry that ever changes.
enum : int { CharTableCount = 13, CharAssertHookEntry = 12 };
extern const void* CharTableSet[CharTableCount];
