// UTF-8 counterparts of the byte-string operations: copy, append, compare,
// search, case mapping, trimming, removal and tokenizing, each stepping over
// whole characters with ICU's UTF-8 macros and deciding case and class with
// ICU's character properties.
#include "support/base/strings_utf8.h"

#include "support/base/strings.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <cstring>

namespace {

// One step through UTF-8 text: the character (or -1 for an ill-formed
// sequence) and the offsets of its first byte and of the byte after it.
struct Utf8Step {
    int32_t c;
    int start;
    int end;
};

Utf8Step Step(const char* s, int i, int length) {
    Utf8Step step{0, i, i};
    U8_NEXT(s, step.end, length, step.c);
    return step;
}

// Ill-formed sequences order after every code point, by their first byte.
int32_t OrderKey(const char* s, const Utf8Step& step, bool fold) {
    if (step.c < 0) return 0x110000 + static_cast<unsigned char>(s[step.start]);
    return fold ? u_tolower(step.c) : step.c;
}

int Compare(const char* a, const char* b, bool fold) {
    if (!a) a = "";
    if (!b) b = "";
    int alen = StrLen(a), blen = StrLen(b);
    int i = 0, j = 0;
    while (i < alen && j < blen) {
        Utf8Step sa = Step(a, i, alen), sb = Step(b, j, blen);
        int32_t ka = OrderKey(a, sa, fold), kb = OrderKey(b, sb, fold);
        if (ka != kb) return ka < kb ? -1 : 1;
        i = sa.end;
        j = sb.end;
    }
    return (i < alen) - (j < blen);
}

// Length of the match of pattern at s + i (folded or exact), or -1.
int MatchAt(const char* s, int i, int length, const char* pattern, int plen, bool fold) {
    int j = 0;
    while (j < plen) {
        if (i >= length) return -1;
        Utf8Step ss = Step(s, i, length), sp = Step(pattern, j, plen);
        if (ss.c < 0 || sp.c < 0) return -1;
        if (fold ? u_tolower(ss.c) != u_tolower(sp.c) : ss.c != sp.c) return -1;
        i = ss.end;
        j = sp.end;
    }
    return i;
}

int Find(const char* s, const char* pattern, bool fold) {
    if (!s || !pattern || !s[0]) return -1;
    int length = StrLen(s), plen = StrLen(pattern);
    if (plen == 0) return 0;
    for (int i = 0; i < length; i = Step(s, i, length).end)
        if (MatchAt(s, i, length, pattern, plen, fold) >= 0) return i;
    return -1;
}

// Appends whole characters of src behind dst[len] while they fit below
// size - 1, mapping each through `map` when one is given. Returns the length.
int AppendMapped(char* dst, int len, const char* src, int size, int32_t (*map)(int32_t)) {
    if (!src) src = "";
    int srcLen = StrLen(src);
    for (int i = 0; i < srcLen;) {
        Utf8Step step = Step(src, i, srcLen);
        char bytes[4];
        int n = 0;
        if (step.c >= 0 && map) {
            n = StrUtf8Encode(map(step.c), bytes);
        } else {
            n = step.end - step.start;
            std::memcpy(bytes, src + step.start, static_cast<size_t>(n));
        }
        if (len + n > size - 1) break;
        std::memcpy(dst + len, bytes, static_cast<size_t>(n));
        len += n;
        i = step.end;
    }
    dst[len] = 0;
    return len;
}

int32_t ToLower(int32_t c) {
    return u_tolower(c);
}
int32_t ToUpper(int32_t c) {
    return u_toupper(c);
}

bool SetHas(const char* set, int32_t c) {
    int length = StrLen(set);
    for (int i = 0; i < length;) {
        Utf8Step step = Step(set, i, length);
        if (step.c == c) return true;
        i = step.end;
    }
    return false;
}

// The library's tokenizer position: where the next StrUtf8Token(null, ...)
// call goes on, or null when the text is used up.
char* tokenPosition = nullptr;

} // namespace

int StrUtf8Copy(char* dst, const char* src, int size) {
    if (!dst || size <= 0) return 0;
    return AppendMapped(dst, 0, src, size, nullptr);
}

int StrUtf8Append(char* dst, const char* src, int size) {
    if (!dst) return 0;
    int len = StrLen(dst);
    if (len >= size - 1) return len;
    return AppendMapped(dst, len, src, size, nullptr);
}

int StrUtf8Compare(const char* a, const char* b) {
    return Compare(a, b, false);
}
int StrUtf8CompareNoCase(const char* a, const char* b) {
    return Compare(a, b, true);
}
int StrUtf8EqualNoCase(const char* a, const char* b) {
    return Compare(a, b, true) == 0;
}

int StrUtf8Find(const char* s, const char* pattern) {
    return Find(s, pattern, false);
}
int StrUtf8FindNoCase(const char* s, const char* pattern) {
    return Find(s, pattern, true);
}

int StrUtf8ToLower(char* dst, const char* src, int size) {
    if (!dst || size <= 0) return 0;
    return AppendMapped(dst, 0, src, size, ToLower);
}

int StrUtf8ToUpper(char* dst, const char* src, int size) {
    if (!dst || size <= 0) return 0;
    return AppendMapped(dst, 0, src, size, ToUpper);
}

void StrUtf8Trim(char* s) {
    if (!s) return;
    int length = StrLen(s);
    int first = 0, end = 0;
    bool seenText = false;
    for (int i = 0; i < length;) {
        Utf8Step step = Step(s, i, length);
        bool space = step.c >= 0 && u_isUWhiteSpace(step.c);
        if (!space) {
            if (!seenText) first = step.start;
            seenText = true;
            end = step.end;
        }
        i = step.end;
    }
    std::memmove(s, s + first, static_cast<size_t>(end - first));
    s[end - first] = 0;
}

int StrUtf8RemoveString(char* s, const char* sub) {
    int plen = StrLen(sub);
    if (!s || plen == 0) return 0;
    int length = StrLen(s), kept = 0, removed = 0;
    for (int i = 0; i < length;) {
        int matchEnd = MatchAt(s, i, length, sub, plen, false);
        if (matchEnd >= 0) {
            ++removed;
            i = matchEnd;
            continue;
        }
        Utf8Step step = Step(s, i, length);
        // Moving down never overtakes the reading position (kept <= i).
        std::memmove(s + kept, s + step.start, static_cast<size_t>(step.end - step.start));
        kept += step.end - step.start;
        i = step.end;
    }
    s[kept] = 0;
    return removed;
}

int StrUtf8RemoveChars(char* s, const char* set) {
    if (!s) return 0;
    int length = StrLen(s), kept = 0;
    for (int i = 0; i < length;) {
        Utf8Step step = Step(s, i, length);
        if (step.c < 0 || !SetHas(set, step.c)) {
            std::memmove(s + kept, s + step.start, static_cast<size_t>(step.end - step.start));
            kept += step.end - step.start;
        }
        i = step.end;
    }
    s[kept] = 0;
    return kept;
}

char* StrUtf8Token(char* s, const char* delimiters) {
    char* text = s ? s : tokenPosition;
    tokenPosition = nullptr;
    if (!text) return nullptr;
    int length = StrLen(text);
    int i = 0;
    // Skip the delimiters in front of the token.
    while (i < length) {
        Utf8Step step = Step(text, i, length);
        if (step.c < 0 || !SetHas(delimiters, step.c)) break;
        i = step.end;
    }
    if (i >= length) return nullptr;
    int start = i;
    while (i < length) {
        Utf8Step step = Step(text, i, length);
        if (step.c >= 0 && SetHas(delimiters, step.c)) {
            text[step.start] = 0;
            tokenPosition = text + step.end;
            break;
        }
        i = step.end;
    }
    return text + start;
}
