// Version blocks: found through a module's file name, copied for the caller,
// and walked by path. Every node of the block is checked against the bounds
// of its parent before it is read, so a damaged block answers "not found"
// instead of leading the walk outside the caller's buffer.
//
// The copy that GetFileVersionInfoA makes is the block followed by a space of
// the block's own size: VerQueryValueA writes the ANSI form of a string found
// at offset X of the block at offset X of that space (an ANSI string needs
// half the room of its UTF-16 form). The root node's type word, which carries
// nothing for a caller, is set to mark a copy that has that space.
#include "platform/win_version.h"

#ifndef _WIN32
#include "platform/win_module.h"
#include "platform/win_names.h"

#include <cctype>
#include <climits>
#include <cstring>

namespace {
constexpr WORD CopyWithAnsiSpace = 0x4153; // root type word of a copy
constexpr uint32_t HeaderSize = 6;         // wLength, wValueLength, wType

uint32_t Align4(uint32_t offset) { return (offset + 3) & ~3u; }

WORD ReadWord(const BYTE* block, uint32_t offset) {
    WORD value;
    std::memcpy(&value, block + offset, sizeof value);
    return value;
}

// The module's RT_VERSION resource number 1, or null.
const PlatformResource* VersionResource(LPCSTR fileName) {
    char local[PATH_MAX];
    int count = 0;
    if (!fileName || PlatformWindowsNameToLocal(fileName, local, sizeof local) < 0) return nullptr;
    const PlatformResource* table = PlatformResourcesOfFile(local, &count);
    for (int i = 0; table && i < count; ++i) {
        const PlatformResource& r = table[i];
        if (!r.type && r.typeId == 16 && !r.name && r.nameId == VS_VERSION_INFO && r.size >= HeaderSize &&
            ReadWord(static_cast<const BYTE*>(r.data), 0) <= r.size)
            return &r;
    }
    return nullptr;
}

struct Node {
    uint32_t begin, end;         // the node's bytes
    uint32_t key;                // its UTF-16 key
    uint32_t value, valueBytes;  // its value
    uint32_t children;           // the first child
    WORD type;
};

// Reads the node at `begin` inside [begin, limit); 0 when it does not fit.
int ReadNode(const BYTE* block, uint32_t begin, uint32_t limit, Node* node) {
    if (begin + HeaderSize > limit) return 0;
    WORD length = ReadWord(block, begin);
    if (length < HeaderSize || begin + length > limit) return 0;
    node->begin = begin;
    node->end = begin + length;
    node->type = ReadWord(block, begin + 4);
    node->key = begin + HeaderSize;
    uint32_t at = node->key;
    while (at + 2 <= node->end && ReadWord(block, at) != 0) at += 2;
    if (at + 2 > node->end) return 0; // an unterminated key
    WORD valueLength = ReadWord(block, begin + 2);
    node->valueBytes = node->type == 1 ? valueLength * 2u : valueLength;
    node->value = Align4(at + 2);
    if (node->value + node->valueBytes > node->end) {
        // Text values may be shorter than their declared count; nothing may
        // reach past the node.
        if (node->type != 1 || node->value > node->end) return 0;
        node->valueBytes = node->end - node->value;
    }
    node->children = Align4(node->value + node->valueBytes);
    return 1;
}

// The UTF-16 key at `key` against `length` ANSI bytes, without regard to case.
int KeyEquals(const BYTE* block, uint32_t key, const char* name, size_t length) {
    for (size_t i = 0; i < length; ++i) {
        WORD unit = ReadWord(block, key + 2 * static_cast<uint32_t>(i));
        if (unit == 0 || unit > 0x7F) return 0;
        if (std::tolower(unit) != std::tolower(static_cast<unsigned char>(name[i]))) return 0;
    }
    return ReadWord(block, key + 2 * static_cast<uint32_t>(length)) == 0;
}
} // namespace

DWORD GetFileVersionInfoSizeA(LPCSTR fileName, DWORD* handle) {
    if (handle) *handle = 0;
    const PlatformResource* resource = VersionResource(fileName);
    if (!resource) {
        SetLastError(ERROR_RESOURCE_TYPE_NOT_FOUND);
        return 0;
    }
    uint32_t length = ReadWord(static_cast<const BYTE*>(resource->data), 0);
    return Align4(length) + length;
}

BOOL GetFileVersionInfoA(LPCSTR fileName, DWORD, DWORD size, LPVOID data) {
    const PlatformResource* resource = VersionResource(fileName);
    if (!resource || !data) {
        SetLastError(resource ? ERROR_INVALID_PARAMETER : ERROR_RESOURCE_TYPE_NOT_FOUND);
        return FALSE;
    }
    uint32_t length = ReadWord(static_cast<const BYTE*>(resource->data), 0);
    uint32_t needed = Align4(length) + length;
    if (size < needed) {
        SetLastError(ERROR_INSUFFICIENT_BUFFER);
        return FALSE;
    }
    BYTE* out = static_cast<BYTE*>(data);
    std::memcpy(out, resource->data, length);
    std::memset(out + length, 0, needed - length);
    WORD mark = CopyWithAnsiSpace;
    std::memcpy(out + 4, &mark, sizeof mark);
    return TRUE;
}

BOOL VerQueryValueA(LPCVOID blockData, LPCSTR subBlock, LPVOID* buffer, UINT* length) {
    if (!blockData || !subBlock || !buffer || !length) return FALSE;
    const BYTE* block = static_cast<const BYTE*>(blockData);
    Node node;
    if (!ReadNode(block, 0, ReadWord(block, 0), &node)) return FALSE;
    const uint32_t rootEnd = node.end;
    const int hasAnsiSpace = node.type == CopyWithAnsiSpace;

    const char* at = subBlock;
    for (;;) {
        while (*at == '\\') ++at;
        if (!*at) break;
        const char* stop = at;
        while (*stop && *stop != '\\') ++stop;
        Node child;
        uint32_t next = node.children;
        int found = 0;
        while (next < node.end && ReadNode(block, next, node.end, &child)) {
            if (KeyEquals(block, child.key, at, static_cast<size_t>(stop - at))) {
                found = 1;
                break;
            }
            next = Align4(child.end);
        }
        if (!found) return FALSE;
        node = child;
        at = stop;
    }

    if (node.type != 1) { // binary: the fixed part, a translation table
        if (node.valueBytes == 0) return FALSE;
        *buffer = const_cast<BYTE*>(block + node.value);
        *length = node.valueBytes;
        return TRUE;
    }
    if (!hasAnsiSpace) return FALSE;
    if (node.valueBytes < 2) {
        static char empty[1] = "";
        *buffer = empty;
        *length = 1;
        return TRUE;
    }
    // Text: its ANSI form, in the space after the block.
    BYTE* ansi = const_cast<BYTE*>(block) + Align4(rootEnd) + node.value;
    uint32_t units = 0;
    while (2 * (units + 1) <= node.valueBytes) {
        WORD unit = ReadWord(block, node.value + 2 * units);
        if (unit == 0) break;
        ansi[units++] = unit < 0x100 ? static_cast<BYTE>(unit) : '?';
    }
    ansi[units] = 0; // fits: the value holds 2 bytes per unit
    *buffer = ansi;
    *length = units + 1;
    return TRUE;
}
#endif
