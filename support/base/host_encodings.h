// The six host encodings, their lead/trail byte tables, and the library-wide
// current encoding. Start-up (EncLibraryInit and its companions) is in
// library_startup.h.
#pragma once

enum EncHostEncoding : unsigned {
    EncFrameRoman = 0,
    EncShiftJis = 1,
    EncKsc5601 = 2,
    EncBig5 = 3,
    EncGb2312 = 4,
    EncUtf8 = 5,
    EncHostEncodingCount = 6,
};

struct EncByteTable {
    unsigned char lead[256];  // non-zero for a lead byte
    unsigned char trail[256]; // non-zero for a trail byte
    const char* name;         // host encoding name, static
};

// Index of the current host encoding; 0 (FrameRoman) until something selects
// another. EncSelect is its only writer.
extern unsigned EncCurrent;
extern EncByteTable* const EncByteTables[EncHostEncodingCount];

// Makes the host encoding named `name` (any case) current, filling the byte
// tables on the first call. Returns the index now current: an unknown or
// null name leaves the current encoding as it was.
unsigned EncSelect(const char* name);
// 1 once the byte tables are filled (by the first EncSelect), else 0.
int EncTablesReady();
// Index of the host encoding named `name` (any case); 0 (FrameRoman) for an
// unknown or null name.
unsigned EncIndexOf(const char* name);
// Name of the host encoding at `index`: a static string, never freed; null
// for an index out of range.
const char* EncHostNameOf(unsigned index);
// 1 when p[0] is a lead byte and p[1] a trail byte of encoding enc (0-4).
// The terminator is never a trail byte; before the tables are filled there
// are no pairs at all.
int EncIsPair(const char* p, unsigned enc);
inline int EncIsPair(const char* p) { return EncIsPair(p, EncCurrent); }
