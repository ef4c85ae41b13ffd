// The named conversions built on EncConvert: current encoding, host index,
// locale code page and host encoding names to and from UTF-8, and the
// decoding of "%X" escapes that the escaped locale conversion produces.
#include "support/io/encoding_convert.h"

#include "support/base/char_tables.h"
#include "support/io/encoding_copy.h"
#include "support/base/host_encodings.h"

char* EncCurrentToUtf8(const char* text) {
    return EncConvert(text, EncConverterNameOf(EncCurrent), EncNameUtf8, 0, 0);
}

char* EncUtf8ToCurrent(const char* text) {
    return EncConvert(text, EncNameUtf8, EncConverterNameOf(EncCurrent), 0, 0);
}

char* EncToUtf8(const char* text, unsigned index) {
    return EncConvert(text, EncConverterNameOf(index), EncNameUtf8, 0, 0);
}

char* EncFromUtf8(const char* text, unsigned index) {
    return EncConvert(text, EncNameUtf8, EncConverterNameOf(index), 0, 0);
}

char* EncLocaleToUtf8(const char* text) { return EncConvert(text, EncNameLocale, EncNameUtf8, 1, 0); }

char* EncUtf8ToLocale(const char* text) { return EncConvert(text, EncNameUtf8, EncNameLocale, 1, 0); }

char* EncLocaleToUtf8Escaped(const char* text) {
    return EncConvert(text, EncNameLocale, EncNameUtf8, 1, 1);
}

char* EncUtf8ToLocaleUnescaped(const char* text) {
    char* result = EncConvert(text, EncNameUtf8, EncNameLocale, 1, 0);
    if (result) EncUnescapeHex(result);
    return result;
}

namespace {

char* ConvertNamed(const char* text, const char* fromHost, const char* toHost, int keepControls) {
    if (!text) return nullptr;
    if (!fromHost || !*fromHost || !toHost || !*toHost) return EncCopyBytes(text);
    return EncConvert(text, EncHostToConverterName(fromHost), EncHostToConverterName(toHost),
                      keepControls, 0);
}

bool IsHex(char c) { return (CharClassTable[(unsigned char)c] & CharClassHexDigit) != 0; }

} // namespace

char* EncConvertNamed(const char* text, const char* fromHost, const char* toHost) {
    return ConvertNamed(text, fromHost, toHost, 0);
}

char* EncConvertNamedKeep(const char* text, const char* fromHost, const char* toHost) {
    return ConvertNamed(text, fromHost, toHost, 1);
}

void EncUnescapeHex(char* text) {
    if (!text) return;
    char* out = text;
    for (const char* in = text; *in;) {
        // Each test reads the next byte only after the previous one proved
        // non-zero, so a string ending in "%X" is never read past its end.
        if (in[0] == '%' && (in[1] == 'X' || in[1] == 'x') && IsHex(in[2]) && IsHex(in[3])) {
            int value = CharHexValues[(unsigned char)in[2]] * 16 + CharHexValues[(unsigned char)in[3]];
            // A zero byte would cut the string: such an escape stays as it is.
            if (value != 0) {
                *out++ = (char)value;
                in += 4;
                continue;
            }
        }
        *out++ = *in++;
    }
    *out = 0;
}
