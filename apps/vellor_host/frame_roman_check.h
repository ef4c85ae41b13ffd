// Whether UTF-8 text can pass through the plug-in, whose text encoding is
// FrameRoman.
#pragma once

#include <string>

// The characters of `text` that FrameRoman cannot carry, each once
// ("日 (U+65E5)", or "byte 0xFF" for one that is not UTF-8), or "".
std::string CharactersFrameRomanLacks(const std::string& text);
