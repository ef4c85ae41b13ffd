// The file store's block hash. Eight independent lanes of eight bytes: the
// multiplications of one lane do not wait for another's, which keeps the
// hash near the speed of memory.
#include "hostsim/file_hash.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint64_t K = 0x9E3779B97F4A7C15ull;

// Mixes `groups` groups of 64 bytes into the lanes. The lanes are copied
// in and out: in the hash itself, stores through the bytes' pointer could
// change them, and they would be read again for every group.
void Mix(FileHash& hash, const unsigned char* group, size_t groups) {
    uint64_t lane[8];
    std::memcpy(lane, hash.lane, sizeof lane);
    for (; groups > 0; --groups, group += 64)
        for (int l = 0; l < 8; ++l) {
            uint64_t word;
            std::memcpy(&word, group + 8 * l, 8);
            lane[l] = (lane[l] ^ word) * K;
            lane[l] ^= lane[l] >> 29;
        }
    std::memcpy(hash.lane, lane, sizeof lane);
}

} // namespace

void FileHashAdd(FileHash& hash, const void* data, size_t size) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    hash.size += size;
    if (hash.pendingSize) {
        size_t take = std::min(size, sizeof hash.pending - hash.pendingSize);
        std::memcpy(hash.pending + hash.pendingSize, p, take);
        hash.pendingSize += take;
        p += take;
        size -= take;
        if (hash.pendingSize < sizeof hash.pending) return;
        Mix(hash, hash.pending, 1);
        hash.pendingSize = 0;
    }
    size_t groups = size / sizeof hash.pending;
    Mix(hash, p, groups);
    p += groups * sizeof hash.pending;
    size -= groups * sizeof hash.pending;
    std::memcpy(hash.pending, p, size);
    hash.pendingSize = size;
}

uint64_t FileHashEnd(const FileHash& hash) {
    // The length goes in last, where a hash fed in blocks knows it.
    uint64_t h = hash.lane[0] ^ hash.size;
    for (int l = 1; l < 8; ++l) h ^= hash.lane[l] * uint64_t(2 * l + 1);
    for (size_t i = 0; i < hash.pendingSize; ++i) h = (h ^ hash.pending[i]) * 0x100000001B3ull;
    return h ^ h >> 32;
}

uint64_t FileHashOf(const void* data, size_t size) {
    FileHash hash;
    FileHashAdd(hash, data, size);
    return FileHashEnd(hash);
}
