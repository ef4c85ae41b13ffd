// ICU-collated comparisons of UTF-8 strings. The strings reach ICU as UTF-16
// through the id-based converter; a collator that cannot be opened makes the
// comparison fall back to plain byte order, so callers always get an order.
#include "support/io/string_collate.h"

#include "support/base/memory.h"
#include "support/io/encoding_convert.h"

#include <unicode/ucol.h>
#include <unicode/utf8.h>

#include <cstring>

namespace {

// Kept for the first-character comparison; null until first used.
UCollator* firstCharCollator = nullptr;

UCollator* OpenCollator(UCollationStrength strength) {
    UErrorCode status = U_ZERO_ERROR;
    UCollator* collator = ucol_open("", &status);
    if (U_FAILURE(status)) {
        ucol_close(collator);
        return nullptr;
    }
    ucol_setStrength(collator, strength);
    // Composed and decomposed accents compare equal.
    ucol_setAttribute(collator, UCOL_NORMALIZATION_MODE, UCOL_ON, &status);
    return collator;
}

int Sign(int v) { return (v > 0) - (v < 0); }

int ByteOrder(const char* a, const char* b) { return Sign(std::strcmp(a, b)); }

int CollateWith(UCollator* collator, const char* a, const char* b) {
    if (!a) a = "";
    if (!b) b = "";
    if (!collator) return ByteOrder(a, b);
    auto* ua = reinterpret_cast<UChar*>(EncConvertById(a, EncIdUtf8, EncIdUtf16, 1, 0));
    auto* ub = reinterpret_cast<UChar*>(EncConvertById(b, EncIdUtf8, EncIdUtf16, 1, 0));
    int result = (int)ucol_strcoll(collator, ua, -1, ub, -1);
    MemFree(ua);
    MemFree(ub);
    return result;
}

int CollateFresh(const char* a, const char* b, UCollationStrength strength) {
    UCollator* collator = OpenCollator(strength);
    int result = CollateWith(collator, a, b);
    ucol_close(collator);
    return result;
}

// The first UTF-8 character of s as a string of its own ("" for "").
void FirstChar(const char* s, char out[5]) {
    const auto* bytes = reinterpret_cast<const uint8_t*>(s ? s : "");
    int32_t length = (int32_t)std::strlen(reinterpret_cast<const char*>(bytes));
    int32_t end = 0;
    if (length > 0) {
        UChar32 cp;
        U8_NEXT(bytes, end, length, cp);
        (void)cp;
    }
    std::memcpy(out, bytes, (size_t)end);
    out[end] = 0;
}

} // namespace

int StrUtf8Collate(const char* a, const char* b) { return CollateFresh(a, b, UCOL_TERTIARY); }

int StrUtf8CollateNoCase(const char* a, const char* b) { return CollateFresh(a, b, UCOL_SECONDARY); }

int StrUtf8CollateFirstChar(const char* a, const char* b) {
    if (!firstCharCollator) firstCharCollator = OpenCollator(UCOL_PRIMARY);
    char fa[5], fb[5];
    FirstChar(a, fa);
    FirstChar(b, fb);
    return CollateWith(firstCharCollator, fa, fb);
}

void StrCollateShutdown() {
    ucol_close(firstCharCollator);
    firstCharCollator = nullptr;
}
