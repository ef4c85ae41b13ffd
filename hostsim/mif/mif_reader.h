// Reading MIF text into the statement tree. The first statement says what
// the file is (`<MIFFile version>` a document, `<Book version>` a book);
// anything else is not MIF and is refused. Errors read "file:LINE: message"
// ("chapter3.mif:41: unterminated string"). The reader keeps no recursion
// and bounded sizes, so hostile input gives an error and nothing worse.
//
// Everything FrameMaker writes reads: CR LF, LF and CR line ends, comments
// anywhere, words and strings of any length (XMP hex lines of <DocFileInfo>,
// equations, which FrameMaker 10 wraps over several lines), data facets of
// imported graphics (from a line beginning '=' to "=EndInset", nothing
// inside parsed), numbers with units written with or without a space. What
// FrameMaker reads though MIF has no place for it (an escape MIF does not
// have, bytes after the last statement) is kept as it stands, with a
// warning (`MifFile::warnings`). FrameMaker's binary documents and books
// are refused with a message that says what to do. The file's bytes are
// kept in the tree (`MifFile::source`) for writing back.
#pragma once

#include "hostsim/mif/mif_tree.h"

#include <cstddef>
#include <string>

// Far above anything FrameMaker writes; they bound what hostile input costs.
//
// Memory is counted as reading goes: the tree's statements and data, and
// the host's objects that reading a document or book makes of statements
// (pages, paragraphs, table cells...), each at what it takes. For each byte
// of the file read so far the tree may take `treePerByte` bytes and the
// objects `objectsPerByte`, beyond the first `costSlack` of each: files
// FrameMaker wrote take a fifth of that, files written by hand as tersely
// as the sample book two thirds, while a file of tiny statements is refused
// a few megabytes in, before it costs more. `maxTreeBytes` bounds the whole.
struct MifLimits {
    size_t maxDepth = 1000;              // statements nested in statements
    size_t maxFileBytes = 256u << 20;    // the whole file
    size_t maxStatements = 16000000;     // in the whole file
    size_t maxStringBytes = 256u << 20;  // one string as written
    size_t maxTokenBytes = 4096;         // one statement name
    size_t maxTreeBytes = size_t(3) << 30; // memory the tree and the objects take
    size_t treePerByte = 10;             // of that, for each byte of the file read so far:
    size_t objectsPerByte = 16;          // ... the tree's and the objects',
    size_t costSlack = size_t(8) << 20;  // ... beyond this much of each
};

// Parses `size` bytes; `name` is what messages call the file. On failure
// `out` is left empty and `error` holds the message.
bool MifParse(const char* data, size_t size, const std::string& name, MifFile* out, std::string* error,
              const MifLimits& limits = MifLimits());
// The same over bytes the tree then keeps without a copy.
bool MifParseBytes(std::string&& data, const std::string& name, MifFile* out, std::string* error,
                   const MifLimits& limits = MifLimits());

// The message for a file that begins as FrameMaker's binary documents
// (`<MakerFile`) or books (`<BookFile`) do, "" for any other; `name` is what
// it calls the file.
std::string MifBinaryFileMessage(const char* data, size_t size, const std::string& name);

// Reads and parses a file (local name); messages name it by its last
// component.
bool MifReadFile(const std::string& localPath, MifFile* out, std::string* error,
                 const MifLimits& limits = MifLimits());

// Parses bytes as MifParse does, with the same verdict and message, but
// builds no statements: `out` says only what the file is (kind, version,
// encoding, units). Strings are decoded only where decoding could refuse
// them, and the tree's cost is counted as reading counts it, so the limits
// stop both at the same place. Costs nothing per statement.
bool MifCheckBytes(const char* data, size_t size, const std::string& name, MifFile* out, std::string* error,
                   const MifLimits& limits = MifLimits());
// The same over a file, as MifReadFile reads it: costs the file's bytes.
bool MifCheckFile(const std::string& localPath, MifFile* out, std::string* error,
                  const MifLimits& limits = MifLimits());

// Reads a whole file into `data`, refusing one larger than `maxBytes`. False
// (with a message) when it cannot.
bool MifReadBytes(const std::string& localPath, size_t maxBytes, std::string* data, std::string* error);
