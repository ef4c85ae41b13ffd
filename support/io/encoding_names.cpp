// The name mappings of the conversion layer: host encoding index, host
// encoding name and ICU converter name; encoding ids and their converters;
// public encoding names in both directions; and the loose name comparison.
#include "support/io/encoding_convert.h"

#include "support/base/char_tables.h"
#include "support/base/strings.h"
#include "support/base/host_encodings.h"

#include <cstring>

namespace {

// ICU converter of each host encoding, in the order of the host table.
const char* const ConverterNames[EncHostEncodingCount] = {
    "adobe-fm-roman-windows", "adobe-fm-shift-jis", "adobe-fm-ksc-5601",
    "adobe-fm-big5",          "adobe-fm-gb2312",    EncNameUtf8,
};

// Converter of each encoding id; the symbol tables and the end row have none.
struct IdConverter {
    int id;
    const char* converter;
};
const IdConverter IdConverters[] = {
    {0, "adobe-fm-roman-windows"}, {1, "ISO-8859-1"},     {2, "US-ASCII"},
    {3, "windows-1252"},           {4, "macintosh"},      {5, "JIS7"},
    {6, "adobe-fm-shift-jis"},     {7, "EUC-JP"},         {8, "adobe-fm-big5"},
    {9, "EUC-CN"},                 {10, "adobe-fm-gb2312"}, {11, "HZ"},
    {12, "adobe-fm-ksc-5601"},     {13, nullptr},         {14, nullptr},
    {15, nullptr},                 {16, EncNameUtf8},     {17, EncNameUtf16},
    {18, nullptr},
};

// Public names read by EncIdFromName; a name not listed means UTF-8.
struct NameId {
    const char* name;
    int id;
};
const NameId PublicNamesIn[] = {
    {"ISO-8859-1", 1}, {"ASCII", 2},     {"ANSI", 3},   {"windows-1252", 3},
    {"MacASCII", 4},   {"macintosh", 4}, {"ShiftJIS", 6}, {"Shift_JIS", 6},
    {"Big5", 8},       {"GB", 10},       {"EUC-CN", 10}, {"KSC8", 12},
    {"EUC-KR", 12},    {"UTF-8", 16},    {"UTF-16", 17},
};

// Public names written by EncIdToName, in order of preference per id; flag 1
// marks the names that other programs know best.
struct PublicName {
    int id;
    const char* name;
    int flags;
};
const PublicName PublicNamesOut[] = {
    {1, "ISO-8859-1", 0}, {2, "US-ASCII", 0},   {3, "windows-1252", 0}, {3, "ANSI", 0},
    {4, "macintosh", 0},  {4, "MacASCII", 0},   {5, "JIS7", 0},         {6, "Shift_JIS", 0},
    {7, "JIS8_EUC", 0},   {7, "EUC-JP", 1},     {8, "Big5", 0},         {9, "CNS_EUC", 0},
    {9, "EUC-TW", 1},     {9, "EUC-CNS", 0},    {10, "GB8_EUC", 0},     {10, "EUC-CN", 1},
    {10, "GB", 0},        {11, "HZ", 0},        {12, "KSC8_EUC", 0},    {12, "EUC-KR", 1},
    {16, "UTF-8", 0},     {17, "UTF-16", 0},
};

// Host encoding index of each of the six host-specific ids, by index.
const int HostIds[EncHostEncodingCount] = {
    EncIdFrameRoman, EncIdShiftJis, EncIdKsc5601, EncIdBig5, EncIdGb2312, EncIdUtf8,
};

bool IsNameChar(unsigned char c) {
    return (CharClassTable[c] & (CharClassLetter | CharClassDigit)) != 0;
}

} // namespace

const char* EncConverterNameOf(unsigned index) {
    return index < EncHostEncodingCount ? ConverterNames[index] : nullptr;
}

const char* EncHostToConverterName(const char* name) {
    if (!name) return nullptr;
    if (std::strcmp(name, EncNameUtf16) == 0) return EncNameUtf16;
    for (unsigned i = 0; i < EncHostEncodingCount; ++i)
        if (std::strcmp(name, EncHostNameOf(i)) == 0) return ConverterNames[i];
    return nullptr;
}

const char* EncConverterToHostName(const char* name) {
    if (!name) return nullptr;
    if (std::strcmp(name, EncNameUtf16) == 0) return EncNameUtf16;
    for (unsigned i = 0; i < EncHostEncodingCount; ++i)
        if (std::strcmp(name, ConverterNames[i]) == 0) return EncHostNameOf(i);
    return nullptr;
}

const char* EncIdToConverterName(int id) {
    for (const IdConverter& row : IdConverters)
        if (row.id == id) return row.converter;
    return nullptr;
}

int EncIdFromName(const char* name) {
    if (!name || !*name) return -1;
    for (const NameId& row : PublicNamesIn)
        if (StrEqualNoCase(name, row.name)) return row.id;
    return EncIdUtf8;
}

const char* EncIdToName(int id, int mask) {
    const char* first = nullptr;
    for (const PublicName& row : PublicNamesOut) {
        if (row.id != id) continue;
        if (!first) first = row.name;
        if (mask == 0 || (row.flags & mask)) return row.name;
    }
    return first ? first : "";
}

const char* EncIdToNameFirst(int id) { return EncIdToName(id, 0); }

const char* EncIdToNamePreferred(int id) { return EncIdToName(id, 1); }

int EncIdFromNameLoose(const char* name) {
    for (const PublicName& row : PublicNamesOut)
        if (EncCompareNames(name, row.name) == 0) return row.id;
    return 0;
}

int EncIdOfHost(unsigned index) {
    if (index < EncHostEncodingCount) return HostIds[index];
    return EncCurrent == EncUtf8 ? EncIdUtf8 : EncIdFrameRoman;
}

unsigned EncHostOfId(int id) {
    for (unsigned i = 0; i < EncHostEncodingCount; ++i)
        if (HostIds[i] == id) return i;
    return EncCurrent == EncUtf8 ? EncUtf8 : EncFrameRoman;
}

int EncCompareNames(const char* a, const char* b) {
    const auto* p = reinterpret_cast<const unsigned char*>(a ? a : "");
    const auto* q = reinterpret_cast<const unsigned char*>(b ? b : "");
    for (;;) {
        while (*p && !IsNameChar(*p)) ++p;
        while (*q && !IsNameChar(*q)) ++q;
        int ca = CharUpperMap[*p];
        int cb = CharUpperMap[*q];
        if (ca != cb) return ca - cb;
        if (ca == 0) return 0;
        ++p;
        ++q;
    }
}
