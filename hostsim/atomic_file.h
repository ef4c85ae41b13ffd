// Saving a file in one step, outside any run: the file store's save
// (file_store.h) without the run's locks and records. The bytes go to a
// temporary file in the target's folder, which then replaces the target in
// one rename. A save that fails on the way leaves the old file whole and no
// temporary file behind.
#pragma once

#include "hostsim/file_store.h"

#include <cstddef>
#include <string>

// Writes `size` bytes as the file `localPath` (nothing when it holds them
// already). A file it replaces keeps its permission bits. False with a
// message ("ch1.mif: No space left on device; it is as it was ...") when the
// save did not happen.
bool AtomicWriteFile(const std::string& localPath, const void* data, size_t size, std::string* error);

// The same for bytes made as they are saved (file_store.h), never held
// whole: the maker's failure too leaves the file as it was.
bool AtomicWriteWith(const std::string& localPath, FileMaker make, void* context, std::string* error);
