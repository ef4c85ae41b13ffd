// Writing the statement tree as MIF text: one statement per line, nested
// statements indented, strings with their escapes in the file's own
// encoding (UTF-8 from version 8 on, FrameRoman before; see mif_text.h for
// what a FrameRoman file cannot hold). Reading what it writes gives the same
// tree back.
#pragma once

#include "hostsim/mif_tree.h"

#include <string>

// The text of the file. False with a message when a string cannot be
// written in the file's encoding.
bool MifWriteText(const MifFile& file, std::string* out, std::string* error);

// Writes the file (local name) with an atomic save: a failed save leaves the
// old file whole.
bool MifWriteFile(const MifFile& file, const std::string& localPath, std::string* error);
