// Targets and output digests. The digest is FNV-1a over each file's bytes
// and its length: it changes with any byte a writer changes.
#include "bench_targets.h"

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <iterator>

void BenchTarget(BenchRun& run, const std::string& name, double value, double limit, const std::string& unit) {
    BenchFigure& f = BenchAdd(run, "targets", name);
    BenchSet(f, "value", value);
    BenchSet(f, "limit", limit);
    BenchSetText(f, "unit", unit);
    BenchSetText(f, "result", value < 0 ? "NOT measured" : value <= limit ? "met" : "NOT met");
}

void BenchRatioTarget(BenchRun& run, const std::string& name, double seconds, double base, double limit) {
    BenchTarget(run, name, seconds > 0 && base > 0 ? seconds / base : -1, limit, "x");
    BenchFigure& f = run.figures.back();
    BenchSet(f, "seconds", seconds);
    BenchSet(f, "against seconds", base);
}

uint64_t BenchDigestFiles(const std::vector<std::string>& files) {
    uint64_t h = 0xcbf29ce484222325ull;
    auto mix = [&h](unsigned char c) { h = (h ^ c) * 0x100000001b3ull; };
    for (const std::string& path : files) {
        std::ifstream in(path, std::ios::binary);
        if (!in) return 0;
        uint64_t size = 0;
        for (std::istreambuf_iterator<char> it(in), end; it != end; ++it, ++size) mix((unsigned char)*it);
        for (int i = 0; i < 8; ++i) mix((unsigned char)(size >> (8 * i)));
    }
    return h;
}

void BenchOutputCheck(BenchRun& run, const std::string& name, uint64_t got, uint64_t recorded) {
    char text[32];
    std::snprintf(text, sizeof text, "%016" PRIx64, got);
    BenchFigure& f = BenchAdd(run, "output", name);
    BenchSetText(f, "digest", text);
    std::snprintf(text, sizeof text, "%016" PRIx64, recorded);
    BenchSetText(f, "recorded", recorded ? text : "none for this shape");
    BenchSetText(f, "result", !recorded ? "not checked" : got == recorded ? "unchanged" : "CHANGED");
}
