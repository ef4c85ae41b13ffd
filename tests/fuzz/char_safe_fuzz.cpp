// Fuzzes the character-safe string operations in all six host encodings
// against the characters of the text as a plain walk from its start sees
// them: copies and appends never end inside a character and never pass their
// size, searches only report matches that start a character, and the UTF-8
// helpers never step before the string or past its terminator.
//
// Input: encoding, size, c2 byte, then the text, a pattern and a prefix for
// the appends, separated by zero bytes. Each string lives in a heap block of
// exactly its size.
#include "fuzz_input.h"

#include "support/base/char_safe.h"
#include "support/base/host_encodings.h"

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace {

std::unique_ptr<char[]> Exact(const std::string& s) {
    std::unique_ptr<char[]> block(new char[s.size() + 1]);
    std::memcpy(block.get(), s.c_str(), s.size() + 1);
    return block;
}

// starts[i] is true when a character begins at byte i (and at the length).
std::vector<bool> CharStarts(const char* s, unsigned enc) {
    const size_t n = std::strlen(s);
    std::vector<bool> starts(n + 1, false);
    for (size_t p = 0; p < n;) {
        starts[p] = true;
        size_t len = 1;
        if (enc == EncUtf8) len = static_cast<size_t>(StrUtf8CharLen(static_cast<unsigned char>(s[p])));
        else if (EncByteTables[enc]->lead[static_cast<unsigned char>(s[p])] &&
                 EncByteTables[enc]->trail[static_cast<unsigned char>(s[p + 1])] && s[p + 1] != 0)
            len = 2;
        p += len;
        if (p > n) p = n;
    }
    starts[n] = true;
    return starts;
}

bool IsContinuation(unsigned char c) { return c >= 0x80 && c <= 0xBF; }

// Where a cut may stop: at a character start; for UTF-8 where the step back
// over continuation bytes ends, which is a byte that is no continuation, the
// start of the string, or the fourth byte back (all four stepped over).
bool CutAllowed(const char* s, const std::vector<bool>& starts, int cut, unsigned enc) {
    if (enc != EncUtf8) return starts[static_cast<size_t>(cut)];
    if (cut == 0 || !IsContinuation(static_cast<unsigned char>(s[cut]))) return true;
    for (int i = 1; i <= 4; ++i)
        if (!IsContinuation(static_cast<unsigned char>(s[cut + i]))) return false;
    return true;
}

void CheckUtf8Helpers(const char* s, int n) {
    const int valid = StrUtf8Valid(s);
    FUZZ_CHECK(valid == 0 || valid == 1);
    for (int i = 0; i <= n + 2; ++i) {
        const int b = StrUtf8Boundary(s, i);
        if (i >= n) FUZZ_CHECK(b == i);
        else FUZZ_CHECK(b >= 0 && b <= i && b >= i - 4);
    }
    const char* cursor = s;
    while (*cursor) {
        const char* before = cursor;
        StrUtf8Next(&cursor);
        FUZZ_CHECK(cursor > before && cursor <= s + n);
    }
}

void CheckTrailBytes(const char* s, int n, const std::vector<bool>& starts, unsigned enc) {
    for (int i = -1; i <= n + 1; ++i) {
        const int trail = StrIsTrailByte(s, i, enc);
        const bool expected = enc != EncUtf8 && i > 0 && i < n && !starts[static_cast<size_t>(i)];
        FUZZ_CHECK(trail == (expected ? 1 : 0));
    }
}

void CheckCopyAndAppend(const char* s, int n, const std::vector<bool>& starts, unsigned enc,
                        int size, const std::string& prefix) {
    std::unique_ptr<char[]> dst(new char[static_cast<size_t>(size)]);
    const int copied = StrCopyEnc(dst.get(), s, size, enc);
    FUZZ_CHECK(copied >= 0 && copied <= (size > 0 ? size - 1 : 0) && copied <= n);
    if (size > 0) {
        FUZZ_CHECK(static_cast<int>(std::strlen(dst.get())) == copied);
        FUZZ_CHECK(std::memcmp(dst.get(), s, static_cast<size_t>(copied)) == 0);
        FUZZ_CHECK(CutAllowed(s, starts, copied, enc));
        // Nothing more is left out than the start of one character.
        if (size - 1 >= n) FUZZ_CHECK(copied == n);
        else FUZZ_CHECK(copied >= size - 1 - (enc == EncUtf8 ? 4 : 1));
    }

    if (prefix.size() + 1 > static_cast<size_t>(size)) return;
    std::memcpy(dst.get(), prefix.c_str(), prefix.size() + 1);
    const int length = StrAppendEnc(dst.get(), s, size, enc);
    if (n == 0) {
        FUZZ_CHECK(length == 0 && prefix == dst.get());
        return;
    }
    const int added = length - static_cast<int>(prefix.size());
    FUZZ_CHECK(static_cast<int>(std::strlen(dst.get())) == length && length <= size - 1);
    FUZZ_CHECK(added >= 0 && std::memcmp(dst.get() + prefix.size(), s, static_cast<size_t>(added)) == 0);
    FUZZ_CHECK(CutAllowed(s, starts, added, enc));
}

// The first match at a character start, found the plain way.
int FirstMatch(const char* s, int n, const char* pattern, const std::vector<bool>& starts) {
    if (n == 0) return -1;
    const size_t m = std::strlen(pattern);
    for (int p = 0; p < n; ++p)
        if (starts[static_cast<size_t>(p)] && std::strncmp(s + p, pattern, m) == 0) return p;
    return -1;
}

// The last match at a character start, found the plain way.
const char* LastMatch(const char* s, int n, const std::string& pattern, const std::vector<bool>& starts) {
    const char* last = nullptr;
    for (int p = 0; p < n; ++p)
        if (starts[static_cast<size_t>(p)] && std::strncmp(s + p, pattern.c_str(), pattern.size()) == 0)
            last = s + p;
    return last;
}

void CheckSearches(const char* s, int n, const std::vector<bool>& starts, unsigned enc,
                   const std::string& patternText, unsigned c2) {
    auto pattern = Exact(patternText);
    FUZZ_CHECK(StrFindEnc(s, pattern.get(), enc) == FirstMatch(s, n, pattern.get(), starts));

    if (enc != EncUtf8) {
        const int c1 = patternText.empty() ? 0 : static_cast<unsigned char>(patternText[0]);
        std::string character(1, static_cast<char>(c1));
        if (c2) character += static_cast<char>(c2);
        const char* expected = c1 ? LastMatch(s, n, character, starts) : nullptr;
        FUZZ_CHECK(StrFindLastCharEnc(s, c1, static_cast<int>(c2), enc) == expected);
    }
    else {
        // The first character of the pattern, as far as the pattern has it.
        const size_t len = patternText.empty() ? 0 : static_cast<size_t>(StrUtf8CharLen(
                                                         static_cast<unsigned char>(patternText[0])));
        const std::string character = patternText.substr(0, len);
        const char* expected = character.empty() ? nullptr : LastMatch(s, n, character, starts);
        FUZZ_CHECK(StrFindLastUtf8Char(s, pattern.get()) == expected);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSetUp();
    FuzzInput in = FuzzInputOf(data, size);
    const unsigned enc = FuzzByte(in) % EncHostEncodingCount;
    const unsigned sizeByte = FuzzByte(in);
    const unsigned c2 = FuzzByte(in);
    const std::string text = FuzzString(in);
    const std::string pattern = FuzzString(in);
    const std::string prefix = FuzzString(in);

    auto s = Exact(text);
    const int n = static_cast<int>(text.size());
    const std::vector<bool> starts = CharStarts(s.get(), enc);
    // Sizes from 0 to a little past the text.
    const int copySize = static_cast<int>((static_cast<size_t>(n) + prefix.size() + 3) * sizeByte / 255);

    CheckUtf8Helpers(s.get(), n);
    CheckTrailBytes(s.get(), n, starts, enc);
    CheckCopyAndAppend(s.get(), n, starts, enc, copySize, prefix);
    CheckSearches(s.get(), n, starts, enc, pattern, c2);
    return 0;
}
