// The six host encodings: their names, their lead/trail byte tables (filled on
// the first EncSelect) and the library-wide current encoding.
#include "support/base/host_encodings.h"

#include "support/base/strings.h"

unsigned EncCurrent = EncFrameRoman;

namespace {

EncByteTable frameRomanTable;
EncByteTable shiftJisTable;
EncByteTable ksc5601Table;
EncByteTable big5Table;
EncByteTable gb2312Table;
EncByteTable utf8Table;

// Zero until the tables are filled; until then nothing is a pair and every
// encoding behaves as a single-byte one.
int tablesReady = 0;

const char* const hostNames[EncHostEncodingCount] = {
    "FrameRoman", "JISX0208.ShiftJIS", "KSC5601-1992", "BIG5", "GB2312-80.EUC", "UTF-8",
};

void Mark(unsigned char* flags, int first, int last) {
    for (int b = first; b <= last; ++b) flags[b] = 1;
}

void FillTables() {
    for (unsigned i = 0; i < EncHostEncodingCount; ++i) EncByteTables[i]->name = hostNames[i];

    // FrameRoman and UTF-8 have no pairs: FrameRoman is single-byte, and UTF-8
    // sequences are measured from their first byte instead.

    Mark(shiftJisTable.lead, 0x81, 0x9F);
    Mark(shiftJisTable.lead, 0xE0, 0xFC);
    Mark(shiftJisTable.trail, 0x40, 0x7E);
    Mark(shiftJisTable.trail, 0x80, 0xFC);

    Mark(ksc5601Table.lead, 0xA1, 0xFE);
    Mark(ksc5601Table.trail, 0xA1, 0xFE);

    Mark(big5Table.lead, 0xA1, 0xFE);
    Mark(big5Table.trail, 0x40, 0x7E);
    Mark(big5Table.trail, 0xA1, 0xFE);

    Mark(gb2312Table.lead, 0x81, 0xFE);
    Mark(gb2312Table.trail, 0x40, 0xFE); // 0x7F is a trail byte here
}

} // namespace

EncByteTable* const EncByteTables[EncHostEncodingCount] = {
    &frameRomanTable, &shiftJisTable, &ksc5601Table, &big5Table, &gb2312Table, &utf8Table,
};

unsigned EncSelect(const char* name) {
    if (!tablesReady) {
        FillTables();
        tablesReady = 1;
    }
    for (unsigned i = 0; i < EncHostEncodingCount; ++i)
        if (StrEqualNoCase(hostNames[i], name)) EncCurrent = i;
    return EncCurrent;
}

int EncTablesReady() { return tablesReady; }

unsigned EncIndexOf(const char* name) {
    for (unsigned i = 0; i < EncHostEncodingCount; ++i)
        if (StrEqualNoCase(hostNames[i], name)) return i;
    return EncFrameRoman;
}

const char* EncHostNameOf(unsigned index) {
    return index < EncHostEncodingCount ? hostNames[index] : nullptr;
}

int EncIsPair(const char* p, unsigned enc) {
    if (!p || enc >= EncUtf8) return 0;
    const EncByteTable* table = EncByteTables[enc];
    const auto lead = static_cast<unsigned char>(p[0]);
    if (!table->lead[lead]) return 0; // also stops at the terminator
    const auto trail = static_cast<unsigned char>(p[1]);
    return trail != 0 && table->trail[trail] ? 1 : 0;
}
