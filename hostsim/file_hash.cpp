// The file store's block hash. Four independent lanes of eight bytes: the
// multiplications of one lane do not wait for another's, which keeps the
// hash near the speed of memory.
#include "hostsim/file_hash.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint64_t K = 0x9E3779B97F4A7C15ull;

void Mix(FileHash& hash, const unsigned char* group) {
    for (int l = 0; l < 4; ++l) {
        uint64_t word;
        std::memcpy(&word, group + 8 * l, 8);
        hash.lane[l] = (hash.lane[l] ^ word) * K;
        hash.lane[l] ^= hash.lane[l] >> 29;
    }
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
        Mix(hash, hash.pending);
        hash.pendingSize = 0;
    }
    for (; size >= 32; p += 32, size -= 32) Mix(hash, p);
    std::memcpy(hash.pending, p, size);
    hash.pendingSize = size;
}

uint64_t FileHashEnd(const FileHash& hash) {
    // The length goes in last, where a hash fed in blocks knows it.
    uint64_t h = (hash.lane[0] ^ hash.size) ^ (hash.lane[1] * 3) ^ (hash.lane[2] * 5) ^ (hash.lane[3] * 7);
    for (size_t i = 0; i < hash.pendingSize; ++i) h = (h ^ hash.pending[i]) * 0x100000001B3ull;
    return h ^ h >> 32;
}

uint64_t FileHashOf(const void* data, size_t size) {
    FileHash hash;
    FileHashAdd(hash, data, size);
    return FileHashEnd(hash);
}
