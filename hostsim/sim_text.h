// Text between the simulated host, which keeps everything in UTF-8, and the
// client, which speaks FrameRoman (the way FrameMaker serves a client that
// is not Unicode-enabled).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// UTF-8 to FrameRoman; characters FrameRoman lacks become '?', and so does
// each byte sequence that is not UTF-8.
std::string SimToFrameRoman(std::string_view utf8);
// The same into `out`, which has room for `utf8.size()` bytes (FrameRoman
// never takes more); returns the bytes written.
size_t SimToFrameRomanInto(std::string_view utf8, char* out);
// FrameRoman to UTF-8; null is read as "".
std::string SimFromFrameRoman(std::string_view frameRoman);
inline std::string SimFromFrameRoman(const char* frameRoman) {
    return SimFromFrameRoman(std::string_view(frameRoman ? frameRoman : ""));
}
// The number of characters (code points) of UTF-8 text, and the byte offset
// of character `index` (the end when it lies beyond). What they count are
// the bytes that do not continue a character (10xxxxxx), so a byte that
// is not UTF-8 counts on its own unless it looks like a continuation.
int SimCharCount(std::string_view utf8);
size_t SimCharOffset(std::string_view utf8, int index);

// Makes the conversion table now, as the first conversion would: it opens
// an ICU converter, which pages in ICU's data (milliseconds).
void SimTextPrepare();
