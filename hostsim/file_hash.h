// The hash the file store tells one state of a file's bytes from another
// by: fed in blocks of any size as they are read or written, so that no
// file has to be held whole to be hashed. Blocks cut anywhere give the same
// hash as the bytes in one piece.
#pragma once

#include <cstddef>
#include <cstdint>

struct FileHash {
    uint64_t lane[8] = {0x243F6A8885A308D3ull, 0x13198A2E03707344ull, 0xA4093822299F31D0ull, 0x082EFA98EC4E6C89ull,
                        0x452821E638D01377ull, 0xBE5466CF34E90C6Cull, 0xC0AC29B7C97C50DDull, 0x3F84D5B5B5470917ull};
    unsigned char pending[64] = {}; // bytes of a stripe not yet complete
    size_t pendingSize = 0;
    unsigned stripe = 0;            // stripes mixed into the 1 KB block under way
    uint64_t size = 0;              // bytes fed so far
};

void FileHashAdd(FileHash& hash, const void* data, size_t size);
uint64_t FileHashEnd(const FileHash& hash);
// The hash of bytes in one piece.
uint64_t FileHashOf(const void* data, size_t size);
// The same by the plain C++ way that builds for processors without SSE2,
// whichever way FileHashOf takes: the two must agree.
uint64_t FileHashOfPlain(const void* data, size_t size);
