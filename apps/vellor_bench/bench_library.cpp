// Hot paths of the support library timed beside their plain counterparts in
// one run: each side is timed in five rounds of enough iterations to last a
// while; the fastest round counts and the slowest shows the noise. The
// ratio is ours over theirs in time per operation (1.0 = as fast; 2.0 = half
// the speed), and each pair first checks that both sides give the same text.
#include "bench_library.h"

#include "support/base/format.h"
#include "support/base/memory.h"
#include "support/base/string_list.h"
#include "support/io/encoding_convert.h"
#include "support/io/path.h"

#include <strings.h>
#include <unicode/putil.h>
#include <unicode/ucnv.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

volatile size_t Sink; // keeps results alive so that no side is optimised away

struct Timing {
    double minNs = 0;
    double maxNs = 0;
};

Timing Time(const std::function<void()>& operation, bool quick) {
    double roundSeconds = quick ? 0.02 : 0.1;
    long iterations = 1;
    for (;;) {
        double start = BenchNow();
        for (long i = 0; i < iterations; ++i) operation();
        double took = BenchNow() - start;
        if (took >= roundSeconds / 4 || iterations > (1L << 30)) {
            iterations = long(double(iterations) * roundSeconds / (took > 0 ? took : 1e-9)) + 1;
            break;
        }
        iterations *= 4;
    }
    Timing timing{1e300, 0};
    for (int round = 0; round < 5; ++round) {
        double start = BenchNow();
        for (long i = 0; i < iterations; ++i) operation();
        double ns = (BenchNow() - start) * 1e9 / double(iterations);
        timing.minNs = std::min(timing.minNs, ns);
        timing.maxNs = std::max(timing.maxNs, ns);
    }
    return timing;
}

void AddPair(BenchRun& run, const std::string& name, const Timing& ours, const Timing& theirs,
             double bytes, bool same) {
    BenchFigure& figure = BenchAdd(run, "library", name);
    BenchSet(figure, "ours ns", ours.minNs);
    BenchSet(figure, "ours max", ours.maxNs);
    BenchSet(figure, "theirs ns", theirs.minNs);
    BenchSet(figure, "theirs max", theirs.maxNs);
    BenchSet(figure, "ratio", ours.minNs / theirs.minNs);
    if (bytes > 0) {
        BenchSet(figure, "ours MB/s", bytes * 1e3 / ours.minNs);
        BenchSet(figure, "theirs MB/s", bytes * 1e3 / theirs.minNs);
    }
    BenchSetText(figure, "same", same ? "yes" : "NO");
}

// 4 KiB of FrameRoman text: letters, spaces, punctuation and accented
// letters; with `controlEvery`, a tab (0x08 in FrameRoman) every that many bytes.
std::string FrameRomanText(int controlEvery) {
    static const char Pattern[] = "The quick brown fox \x8a\x9f\x87 jumps over the lazy dog, \x8e\x80 again. ";
    std::string text;
    while (text.size() < 4096) text += Pattern;
    text.resize(4096);
    if (controlEvery)
        for (size_t i = size_t(controlEvery) - 1; i < text.size(); i += size_t(controlEvery)) text[i] = 0x08;
    return text;
}

void BenchEncConvert(BenchRun& run, bool quick, const char* name, int controlEvery) {
    std::string text = FrameRomanText(controlEvery);
    std::vector<char> target(text.size() * 4 + 4);
    auto icu = [&]() {
        UErrorCode status = U_ZERO_ERROR;
        int32_t n = ucnv_convert("UTF-8", "adobe-fm-roman-windows", target.data(), int32_t(target.size()),
                                 text.data(), int32_t(text.size()), &status);
        Sink = size_t(n);
    };
    auto ours = [&]() {
        char* out = EncConvert(text.c_str(), "adobe-fm-roman-windows", "UTF-8", 0, 0);
        Sink = size_t(out[0]);
        MemFree(out);
    };
    icu();
    // ICU converts FrameRoman's tab (0x08) to U+0009; EncConvert passes it through.
    for (char& c : target)
        if (c == 0x09) c = 0x08;
    char* out = EncConvert(text.c_str(), "adobe-fm-roman-windows", "UTF-8", 0, 0);
    bool same = std::strcmp(out, target.data()) == 0;
    MemFree(out);
    AddPair(run, name, Time(ours, quick), Time(icu, quick), double(text.size()), same);
}

void BenchFormat(BenchRun& run, bool quick) {
    const char* format = "%s: page %d of %5d, id %08x (%c) %-12s|%ld\n";
    char ours[256], theirs[256];
    auto a = [&]() { Sink = size_t(FmtSprintf(ours, format, "chapter1.fm", 12, 400, 0xBEEFu, 'R', "Left", 123456789L)); };
    auto b = [&]() {
        Sink = size_t(std::snprintf(theirs, sizeof theirs, format, "chapter1.fm", 12, 400, 0xBEEFu, 'R', "Left",
                                    123456789L));
    };
    a();
    b();
    AddPair(run, "FmtSprintf vs snprintf", Time(a, quick), Time(b, quick), 0, std::strcmp(ours, theirs) == 0);
}

void BenchPaths(BenchRun& run, bool quick) {
    static const char* const Native[] = {"C:\\docs\\book\\chapter1.fm", "C:\\docs\\book\\..\\shared\\.\\MasterPage.fm",
                                         "D:\\a\\b\\c\\d\\e\\f\\g\\report.fm", "C:\\x\\.\\y\\..\\z.book"};
    static const char* const Slashed[] = {"C:/docs/book/chapter1.fm", "C:/docs/book/../shared/./MasterPage.fm",
                                          "D:/a/b/c/d/e/f/g/report.fm", "C:/x/./y/../z.book"};
    std::string oursNames, theirsNames;
    auto a = [&]() {
        for (const char* name : Native) {
            PathObject* path = PathFromString(name, nullptr, PathStyleNative);
            char* base = PathBaseName(path);
            Sink = size_t(base ? base[0] : 0);
            MemFree(base);
            PathFree(path);
        }
    };
    auto b = [&]() {
        for (const char* name : Slashed) {
            std::string base = std::filesystem::path(name).lexically_normal().filename().string();
            Sink = size_t(base[0]);
        }
    };
    for (const char* name : Native) {
        PathObject* path = PathFromString(name, nullptr, PathStyleNative);
        char* base = PathBaseName(path);
        oursNames += std::string(base ? base : "") + ";";
        MemFree(base);
        PathFree(path);
    }
    for (const char* name : Slashed)
        theirsNames += std::filesystem::path(name).lexically_normal().filename().string() + ";";
    AddPair(run, "PathFromString+PathBaseName vs std::filesystem (4 names)", Time(a, quick), Time(b, quick), 0,
            oursNames == theirsNames);
}

// A key list as the pass builds it from a 100-row table; one key found in
// another case, one missing.
void BenchListFind(BenchRun& run, bool quick) {
    StrList* keys = ListNew(1, 1);
    std::vector<std::string> plain;
    for (int i = 0; i < 100; ++i) {
        char key[32];
        std::snprintf(key, sizeof key, "ParagraphTag%04d", i);
        ListAppend(keys, key);
        plain.push_back(key);
    }
    const char* const Wanted[] = {"paragraphtag0050", "BodyText"};
    auto find = [&](const char* s) {
        for (size_t i = 0; i < plain.size(); ++i)
            if (strcasecmp(plain[i].c_str(), s) == 0) return int(i);
        return -1;
    };
    for (const char* wanted : Wanted) {
        auto a = [&]() { Sink = size_t(ListFindNoCase(keys, wanted)); };
        auto b = [&]() { Sink = size_t(find(wanted)); };
        AddPair(run, std::string("ListFindNoCase vs strcasecmp loop: ") + wanted, Time(a, quick), Time(b, quick), 0,
                ListFindNoCase(keys, wanted) == find(wanted));
    }
    ListFree(keys);
}

} // namespace

void BenchLibrary(BenchRun& run, bool quick) {
    u_setDataDirectory(VELLOR_BINARY_DIR "/icu_data");
    BenchEncConvert(run, quick, "EncConvert FrameRoman->UTF-8 vs ucnv_convert (plain 4 KiB)", 0);
    BenchEncConvert(run, quick, "EncConvert FrameRoman->UTF-8 vs ucnv_convert (control every 16 B)", 16);
    BenchFormat(run, quick);
    BenchPaths(run, quick);
    BenchListFind(run, quick);
}
