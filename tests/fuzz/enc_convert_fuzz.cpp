// Fuzzes text conversion on random bytes between every pair of converter
// names the conversion tables know (the host encodings' converters, the
// converters of the encoding ids, "UTF-16" and "locale"), the id-based
// conversion with the symbol tables, the wrappers and the in-place helpers.
// Results must be terminated in the form their target names, and valid UTF-8
// must survive the trip through UTF-16 and back.
//
// Input: source name, target name, flags, source id, target id, then the
// text (for a UTF-16 source, pairs of bytes in platform order).
#include "fuzz_input.h"

#include "support/base/char_safe.h"
#include "support/base/memory.h"
#include "support/io/encoding_convert.h"
#include "support/base/host_encodings.h"

#include <unicode/ustring.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

const std::vector<const char*>& KnownNames() {
    static std::vector<const char*> names;
    if (!names.empty()) return names;
    auto add = [](const char* name) {
        if (!name) return;
        for (const char* known : names)
            if (std::strcmp(known, name) == 0) return;
        names.push_back(name);
    };
    for (unsigned i = 0; i < EncHostEncodingCount; ++i) add(EncConverterNameOf(i));
    for (int id = 0; id <= EncIdEnd; ++id) add(EncIdToConverterName(id));
    add(EncNameUtf16);
    add(EncNameLocale);
    return names;
}

bool IsUtf16(const char* name) { return std::strcmp(name, EncNameUtf16) == 0; }

// The text as a block of exactly its size: bytes up to the first zero, or
// for UTF-16 the units up to the first zero unit.
std::vector<char> SourceBlock(const std::string& bytes, bool utf16) {
    std::vector<char> block;
    if (!utf16) {
        block.assign(bytes.c_str(), bytes.c_str() + std::strlen(bytes.c_str()) + 1);
        return block;
    }
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        if (bytes[i] == 0 && bytes[i + 1] == 0) break;
        block.push_back(bytes[i]);
        block.push_back(bytes[i + 1]);
    }
    block.push_back(0);
    block.push_back(0);
    return block;
}

// The length of a result in the form of its target; reading it is the check.
size_t ResultLength(const char* result, bool utf16) {
    return utf16 ? static_cast<size_t>(u_strlen(reinterpret_cast<const UChar*>(result)))
                 : std::strlen(result);
}

bool HasControl(const std::string& s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) < 0x20) return true;
    return false;
}

// ICU's own view of valid UTF-8 (stricter than StrUtf8Valid: no surrogates,
// no overlong forms).
bool IcuValidUtf8(const std::string& s) {
    UErrorCode status = U_ZERO_ERROR;
    int32_t length = 0;
    u_strFromUTF8(nullptr, 0, &length, s.c_str(), static_cast<int32_t>(s.size()), &status);
    return status == U_BUFFER_OVERFLOW_ERROR || status == U_STRING_NOT_TERMINATED_WARNING ||
           U_SUCCESS(status);
}

void CheckUtf8RoundTrip(const std::string& text) {
    if (text.empty() || HasControl(text) || !StrUtf8Valid(text.c_str()) || !IcuValidUtf8(text)) return;
    char* units = EncConvert(text.c_str(), EncNameUtf8, EncNameUtf16, 0, 0);
    FUZZ_CHECK(units != nullptr);
    char* back = EncConvert(units, EncNameUtf16, EncNameUtf8, 0, 0);
    FUZZ_CHECK(back != nullptr && text == back);
    MemFree(back);
    MemFree(units);
}

void CheckById(const std::string& bytes, int fromId, int toId, int keep, int sourceIsUtf8) {
    std::vector<char> source = SourceBlock(bytes, fromId == EncIdUtf16);
    char* result = EncConvertById(source.data(), fromId, toId, keep, sourceIsUtf8);
    if (result) ResultLength(result, toId == EncIdUtf16);
    MemFree(result);
    if (fromId >= EncIdSymbolA && fromId <= EncIdSymbolC) {
        char* units = EncTableToUtf16(source.data(), fromId, keep, sourceIsUtf8);
        if (units) ResultLength(units, true);
        MemFree(units);
    }
}

void CheckWrappers(const std::string& bytes, unsigned index) {
    std::vector<char> source = SourceBlock(bytes, false);
    const char* text = source.data();
    for (char* result : {EncToUtf8(text, index), EncFromUtf8(text, index), EncCurrentToUtf8(text),
                         EncUtf8ToCurrent(text), EncLocaleToUtf8Escaped(text),
                         EncUtf8ToLocaleUnescaped(text)}) {
        FUZZ_CHECK(result != nullptr);
        ResultLength(result, false);
        MemFree(result);
    }
    std::vector<char> copy = source;
    EncUnescapeHex(copy.data());
    FUZZ_CHECK(std::strlen(copy.data()) <= std::strlen(text));
    copy = source;
    EncFrameControlsToAscii(copy.data());
    EncAsciiControlsToFrame(copy.data());
    FUZZ_CHECK(std::strlen(copy.data()) <= std::strlen(text));

    const int id = EncIdFromName(text);
    FUZZ_CHECK(id >= -1 && id < EncIdEnd);
    const int loose = EncIdFromNameLoose(text);
    FUZZ_CHECK(loose >= 0 && loose < EncIdEnd);
    FUZZ_CHECK((EncCompareNames(text, text) == 0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSetUp();
    const std::vector<const char*>& names = KnownNames();
    FuzzInput in = FuzzInputOf(data, size);
    const char* from = names[FuzzByte(in) % names.size()];
    const char* to = names[FuzzByte(in) % names.size()];
    const unsigned flags = FuzzByte(in);
    const int fromId = static_cast<int>(FuzzByte(in) % EncIdEnd);
    const int toId = static_cast<int>(FuzzByte(in) % EncIdEnd);
    const std::string bytes = FuzzRest(in);
    const int keep = flags & 1, escape = (flags >> 1) & 1, sourceIsUtf8 = (flags >> 2) & 1;

    std::vector<char> source = SourceBlock(bytes, IsUtf16(from));
    char* result = EncConvert(source.data(), from, to, keep, escape);
    FUZZ_CHECK(result != nullptr);
    ResultLength(result, IsUtf16(to));
    MemFree(result);

    int length = -1;
    char* segment = EncConvertSegment(source.data(), from, to, &length, escape);
    if (segment) FUZZ_CHECK(length >= 0);
    else FUZZ_CHECK(length == 0);
    MemFree(segment);

    CheckUtf8RoundTrip(std::string(source.data()));
    CheckById(bytes, fromId, toId, keep, sourceIsUtf8);
    CheckWrappers(bytes, (flags >> 3) % EncHostEncodingCount);
    return 0;
}
