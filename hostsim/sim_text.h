// Text between the simulated host, which keeps everything in UTF-8, and the
// client, which speaks FrameRoman (the way FrameMaker serves a client that
// is not Unicode-enabled).
#pragma once

#include <string>

// UTF-8 to FrameRoman; characters FrameRoman lacks become '?'.
std::string SimToFrameRoman(const std::string& utf8);
// FrameRoman to UTF-8; null is read as "".
std::string SimFromFrameRoman(const std::string& frameRoman);
inline std::string SimFromFrameRoman(const char* frameRoman) {
    return SimFromFrameRoman(std::string(frameRoman ? frameRoman : ""));
}
// The number of characters (code points) of UTF-8 text, and the byte offset
// of character `index` (the end when it lies beyond).
int SimCharCount(const std::string& utf8);
size_t SimCharOffset(const std::string& utf8, int index);
