// The file store's block hash, near the speed of memory. Bytes go in 64 at
// a time into eight 64-bit lanes: each 8-byte word, keyed by its lane and
// its place in its 1 KB block, adds the product of its two halves to its
// lane and itself to the neighbouring lane (products of 32-bit halves are
// what processors multiply several of at once); every block ends by
// scrambling the lanes, so that no change within one block can cancel out
// another. The end folds the lanes, the length and the last bytes.
#include "hostsim/file_hash.h"

#include <algorithm>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

constexpr uint64_t KeyStep = 0x9E3779B97F4A7C15ull;
constexpr uint64_t Scramble = 0x9E3779B1ull;
constexpr uint64_t Key[8] = {0xBE4BA423396CFEB8ull, 0x1CAD21F72C81017Cull, 0xDB979083E96DD4DEull,
                             0x1F67B3B7A4A44072ull, 0x78E5C0CC4EE679CBull, 0x2172FFCC7DD05A82ull,
                             0x8E2443F7744608B8ull, 0x4C263A81E69035E0ull};
constexpr unsigned StripesPerBlock = 16;

// Mixes `stripes` stripes of 64 bytes into the lanes. The lanes are copied
// in and out: in the hash itself, stores through the bytes' pointer could
// change them, and they would be read again for every stripe.
using Mixer = void (*)(FileHash& hash, const unsigned char* p, size_t stripes);

// The plain C++ way, for processors without SSE2: the same hash.
void MixPlain(FileHash& hash, const unsigned char* p, size_t stripes) {
    uint64_t lane[8];
    std::memcpy(lane, hash.lane, sizeof lane);
    unsigned at = hash.stripe;
    for (; stripes > 0; --stripes, p += 64) {
        uint64_t offset = KeyStep * (at + 1);
        for (int l = 0; l < 8; ++l) {
            uint64_t word;
            std::memcpy(&word, p + 8 * l, 8);
            uint64_t keyed = word ^ (Key[l] + offset);
            lane[l ^ 1] += word;
            lane[l] += (keyed & 0xFFFFFFFFu) * (keyed >> 32);
        }
        if (++at == StripesPerBlock) {
            at = 0;
            for (int l = 0; l < 8; ++l) lane[l] = ((lane[l] ^ lane[l] >> 47) ^ Key[7 - l]) * Scramble;
        }
    }
    hash.stripe = at;
    std::memcpy(hash.lane, lane, sizeof lane);
}

#if defined(__SSE2__)
void Mix(FileHash& hash, const unsigned char* p, size_t stripes) {
    __m128i lane[4], key[4];
    for (int i = 0; i < 4; ++i) {
        lane[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(hash.lane + 2 * i));
        key[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(Key + 2 * i));
    }
    unsigned at = hash.stripe;
    for (; stripes > 0; --stripes, p += 64) {
        __m128i offset = _mm_set1_epi64x((long long)(KeyStep * (at + 1)));
        for (int i = 0; i < 4; ++i) {
            __m128i word = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
            __m128i keyed = _mm_xor_si128(word, _mm_add_epi64(key[i], offset));
            lane[i] = _mm_add_epi64(lane[i], _mm_shuffle_epi32(word, _MM_SHUFFLE(1, 0, 3, 2)));
            lane[i] = _mm_add_epi64(lane[i], _mm_mul_epu32(keyed, _mm_srli_epi64(keyed, 32)));
        }
        if (++at == StripesPerBlock) {
            at = 0;
            uint64_t l[8];
            for (int i = 0; i < 4; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(l + 2 * i), lane[i]);
            for (int i = 0; i < 8; ++i) l[i] = ((l[i] ^ l[i] >> 47) ^ Key[7 - i]) * Scramble;
            for (int i = 0; i < 4; ++i) lane[i] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(l + 2 * i));
        }
    }
    hash.stripe = at;
    for (int i = 0; i < 4; ++i) _mm_storeu_si128(reinterpret_cast<__m128i*>(hash.lane + 2 * i), lane[i]);
}
#else
constexpr Mixer Mix = MixPlain;
#endif

uint64_t Fold(uint64_t a, uint64_t b) {
    unsigned __int128 product = (unsigned __int128)a * b;
    return uint64_t(product) ^ uint64_t(product >> 64);
}

void Add(FileHash& hash, const void* data, size_t size, Mixer mix) {
    const unsigned char* p = static_cast<const unsigned char*>(data);
    hash.size += size;
    if (hash.pendingSize) {
        size_t take = std::min(size, sizeof hash.pending - hash.pendingSize);
        std::memcpy(hash.pending + hash.pendingSize, p, take);
        hash.pendingSize += take;
        p += take;
        size -= take;
        if (hash.pendingSize < sizeof hash.pending) return;
        mix(hash, hash.pending, 1);
        hash.pendingSize = 0;
    }
    size_t stripes = size / sizeof hash.pending;
    mix(hash, p, stripes);
    p += stripes * sizeof hash.pending;
    size -= stripes * sizeof hash.pending;
    std::memcpy(hash.pending, p, size);
    hash.pendingSize = size;
}

} // namespace

void FileHashAdd(FileHash& hash, const void* data, size_t size) { Add(hash, data, size, Mix); }

uint64_t FileHashEnd(const FileHash& hash) {
    // The length and the place in the block go in last, where a hash fed in
    // blocks knows them.
    uint64_t h = hash.size * KeyStep ^ hash.stripe;
    for (int l = 0; l < 8; l += 2) h += Fold(hash.lane[l] ^ Key[l], hash.lane[l + 1] ^ Key[l + 1]);
    for (size_t i = 0; i < hash.pendingSize; ++i) h = (h ^ hash.pending[i]) * 0x100000001B3ull;
    h ^= h >> 37;
    h *= 0x165667919E3779F9ull;
    return h ^ h >> 32;
}

uint64_t FileHashOf(const void* data, size_t size) {
    FileHash hash;
    FileHashAdd(hash, data, size);
    return FileHashEnd(hash);
}

uint64_t FileHashOfPlain(const void* data, size_t size) {
    FileHash hash;
    Add(hash, data, size, MixPlain);
    return FileHashEnd(hash);
}
