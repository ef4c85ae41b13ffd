// A small deterministic generator (xorshift32) for generated documents in
// tests and benchmarks: the same seed gives the same document on every run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

struct SimRandom {
    uint32_t state;
    uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }
    int Below(int n) { return int(Next() % uint32_t(n)); }
    bool Chance(int percent) { return Below(100) < percent; }
    template <class T> const T& Pick(const std::vector<T>& from) {
        return from[size_t(Below(int(from.size())))];
    }
};
