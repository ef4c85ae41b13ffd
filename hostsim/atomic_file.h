// Saving a file in one step, outside any run: the file store's save
// (file_store.h) without the run's locks and records. The bytes go to a
// temporary file in the target's folder, which then replaces the target in
// one rename. A save that fails on the way leaves the old file whole and no
// temporary file behind.
#pragma once

#include <cstddef>
#include <string>

// Writes `size` bytes as the file `localPath` (nothing when it holds them
// already). A file it replaces keeps its permission bits. False with a
// message ("ch1.mif: No space left on device; it is as it was ...") when the
// save did not happen.
bool AtomicWriteFile(const std::string& localPath, const void* data, size_t size, std::string* error);
