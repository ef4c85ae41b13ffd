// Conversion between encoding ids: the symbol-font tables as sources, every
// other id through its ICU converter by EncConvert.
#include "support/io/encoding_convert.h"

#include "support/base/memory.h"
#include "support/base/strings.h"
#include "support/io/encoding_copy.h"

#include <unicode/utf8.h>

namespace {

const uint16_t* SymbolTable(int id) {
    switch (id) {
    case EncIdSymbolA: return EncSymbolTableA;
    case EncIdSymbolB: return EncSymbolTableB;
    case EncIdSymbolC: return EncSymbolTableC;
    default: return nullptr;
    }
}

bool IsSymbolId(int id) { return SymbolTable(id) != nullptr; }

} // namespace

char* EncTableToUtf16(const char* text, int tableId, int keepControls, int sourceIsUtf8) {
    const uint16_t* table = SymbolTable(tableId);
    if (!text || !table) return nullptr;
    const auto* bytes = reinterpret_cast<const uint8_t*>(text);
    int32_t length = StrLen(text);
    // Every source character gives at most one unit.
    auto* units = (uint16_t*)MemCalloc((uint32_t)length + 1, sizeof(uint16_t), MemFlagFatal);
    if (!units) return nullptr; // a handler resumed the fatal error
    int count = 0;
    for (int32_t i = 0; i < length;) {
        UChar32 cp;
        if (sourceIsUtf8) {
            U8_NEXT(bytes, i, length, cp); // ill-formed bytes give a negative value
        } else {
            cp = bytes[i++];
        }
        if (cp < 0) continue;
        if (cp < 0x20 && !keepControls) {
            units[count++] = (uint16_t)cp;
            continue;
        }
        // Only the 256 byte values have entries; any other character is one
        // the font lacks.
        uint16_t unit = cp < 256 ? table[cp] : (uint16_t)EncNoChar;
        if (unit != EncNoChar) units[count++] = unit;
    }
    return reinterpret_cast<char*>(units);
}

char* EncConvertById(const char* text, int fromId, int toId, int keepControls, int sourceIsUtf8) {
    if (!text) return nullptr;
    if (fromId == toId) return toId == EncIdUtf16 ? EncCopyUtf16(text) : EncCopyBytes(text);
    if (IsSymbolId(toId)) return nullptr;
    if (fromId > EncIdUtf16) {
        AssertFailed();
        return nullptr;
    }
    const char* to = EncIdToConverterName(toId);
    if (IsSymbolId(fromId)) {
        char* units = EncTableToUtf16(text, fromId, keepControls, sourceIsUtf8);
        char* result = EncConvert(units, EncNameUtf16, to, keepControls, 0);
        MemFree(units);
        return result;
    }
    return EncConvert(text, EncIdToConverterName(fromId), to, keepControls, 0);
}
