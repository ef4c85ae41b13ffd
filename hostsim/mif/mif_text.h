// The text of MIF strings: escapes, and the file's encoding (UTF-8 from
// version 8 on, FrameRoman before). This is the one place where MIF text
// meets the FrameRoman table of sim_text.h.
#pragma once

#include <string>
#include <string_view>

// Whether a version ("8.00", "2015", "7.00") is one whose text is UTF-8.
bool MifVersionIsUtf8(const std::string& version);

// Decodes the bytes between the quotes of a string (escapes still in) into
// UTF-8. Raw bytes are UTF-8 in a UTF-8 file, FrameRoman otherwise; `\xNN `
// is FrameRoman code NN in either. Line ends are no part of the value: they
// stand only in strings FrameMaker wrapped over several lines. An escape
// MIF does not have (`\n`) is kept as it stands, its backslash in the value;
// `*unknownAt` (when given) is where the first such backslash stands in
// `raw`, npos when there is none. On failure returns false with a message
// ("\\x needs two hex digits in string").
bool MifDecodeString(const char* raw, size_t size, bool utf8, std::string* out, std::string* error,
                     size_t* unknownAt = nullptr);

// Encodes a UTF-8 value as the text between the quotes, with escapes. In a
// FrameRoman file everything beyond printable ASCII is written as `\xNN `; in
// a UTF-8 file only FrameRoman's control codes are (`\x15 ` for a
// non-breaking hyphen, `\x11 ` for a hard space), the rest is written as UTF-8. Fails, naming the
// character, when a FrameRoman file cannot hold it: the host does not write
// a lossy file.
bool MifEncodeString(std::string_view utf8Value, bool utf8, std::string* out, std::string* error);

// The UTF-8 of FrameRoman code `code` (what `\xNN ` stands for).
std::string MifFrameRomanChar(unsigned char code);
// The FrameRoman code of one character, -1 when FrameRoman has none.
int MifFrameRomanCode(const std::string& utf8Char);
