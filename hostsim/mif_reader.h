// Reading MIF text into the statement tree. The first statement says what
// the file is (`<MIFFile version>` a document, `<Book version>` a book);
// anything else is not MIF and is refused. Errors read "file:LINE: message"
// ("chapter3.mif:41: unterminated string"). The reader keeps no recursion
// and bounded sizes, so hostile input gives an error and nothing worse.
#pragma once

#include "hostsim/mif_tree.h"

#include <cstddef>
#include <string>

struct MifLimits {
    size_t maxDepth = 1000;            // statements nested in statements
    size_t maxFileBytes = 256u << 20;  // the whole file
    size_t maxStatements = 4000000;    // in the whole file
    size_t maxStringBytes = 1u << 20;  // one string as written
    size_t maxTokenBytes = 255;        // one token, keyword or number
};

// Parses `size` bytes; `name` is what messages call the file. On failure
// `out` is left empty and `error` holds the message.
bool MifParse(const char* data, size_t size, const std::string& name, MifFile* out, std::string* error,
              const MifLimits& limits = MifLimits());

// Reads and parses a file (local name); messages name it by its last
// component.
bool MifReadFile(const std::string& localPath, MifFile* out, std::string* error,
                 const MifLimits& limits = MifLimits());

// Reads a whole file into `data`, refusing one larger than `maxBytes`. False
// (with a message) when it cannot.
bool MifReadBytes(const std::string& localPath, size_t maxBytes, std::string* data, std::string* error);
