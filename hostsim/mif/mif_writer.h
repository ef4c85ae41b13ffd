// Writing the statement tree as MIF text. A tree read from a file is written
// from the file's bytes wherever it is unchanged, so a tree nothing changed
// gives back its file byte for byte; a statement that stands for one read
// (MifNode::same) is taken to be unchanged and written as the bytes it was
// read from without a look inside. What the session made or changed is
// written in the file's style (line ends, indent, unit spelling, end
// comments). A tree the host made is written one statement per line, nested
// statements indented. Strings are written with their escapes in the file's
// own encoding (UTF-8 from version 8 on, FrameRoman before; see mif_text.h
// for what a FrameRoman file cannot hold). Reading what it writes gives the
// same tree back.
#pragma once

#include "hostsim/file_sink.h"
#include "hostsim/mif/mif_tree.h"

#include <string>

// The text of the file. False with a message when a string cannot be
// written in the file's encoding.
bool MifWriteText(const MifFile& file, std::string* out, std::string* error);

// The text of the file handed to `put` as it is made, in blocks of about a
// MiB, never whole. False with a message when a string cannot be written in
// the file's encoding, or when `put` takes no more (`*error` untouched).
bool MifWriteStream(const MifFile& file, bool (*put)(void* context, const char* data, size_t size), void* context,
                    std::string* error);

// The maker of a save (file_store.h) of the MIF text of `file`, a MifFile.
bool MifMakeText(void* file, FileSink& sink, std::string* error);

// Writes the file (local name) with an atomic save: a failed save leaves the
// old file whole.
bool MifWriteFile(const MifFile& file, const std::string& localPath, std::string* error);
