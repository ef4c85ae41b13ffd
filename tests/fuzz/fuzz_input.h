// What every fuzz target shares: a reader that takes selector bytes and
// zero-terminated strings off the fuzzer's input, and the one-time set-up of
// the library (byte tables, ICU data folder, the NetLib stand-in's network
// mode), plus a check that stops the run with a message.
//
// Input layout: selector bytes first, then strings separated by zero bytes,
// so that a seed can be written by hand ("\x01\x02C:\\docs\0D:\\base").
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

struct FuzzInput {
    const uint8_t* data;
    size_t size;
    size_t at;
};

inline FuzzInput FuzzInputOf(const uint8_t* data, size_t size) { return FuzzInput{data, size, 0}; }

// The next byte, or 0 once the input is used up.
inline unsigned FuzzByte(FuzzInput& in) { return in.at < in.size ? in.data[in.at++] : 0u; }

// Bytes up to the next zero byte or the end (the zero byte is consumed).
inline std::string FuzzString(FuzzInput& in) {
    std::string s;
    while (in.at < in.size && in.data[in.at] != 0) s += static_cast<char>(in.data[in.at++]);
    if (in.at < in.size) ++in.at;
    return s;
}

// Everything not yet read, zero bytes included.
inline std::string FuzzRest(FuzzInput& in) {
    std::string s(reinterpret_cast<const char*>(in.data) + in.at, in.size - in.at);
    in.at = in.size;
    return s;
}

// Fills the host byte tables, points ICU at the build's converters and
// switches the NetLib stand-in's network mode on over a folder of the
// build (nothing is fetched; the mode only makes "http://" names network
// names). Idempotent.
void FuzzSetUp();

// Selects host encoding `index` % 6 as the current one.
void FuzzSelectEncoding(unsigned index);

// A failed property: prints what and where, then aborts so that libFuzzer
// keeps the input.
[[noreturn]] void FuzzFail(const char* what, const char* file, int line);
#define FUZZ_CHECK(condition)                                                                    \
    do {                                                                                         \
        if (!(condition)) FuzzFail(#condition, __FILE__, __LINE__);                              \
    } while (0)
