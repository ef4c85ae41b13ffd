// How many terminal columns a UTF-8 text takes: East Asian wide and
// fullwidth characters two, combining marks and other zero-width characters
// none, everything else one. Tables align their columns by it, so that a
// master page named in Japanese does not push the next column out of line.
#pragma once

#include <string>

size_t DisplayWidth(const std::string& utf8);

// `text` followed by spaces up to `width` columns.
std::string PadToWidth(const std::string& text, size_t width);
