// The yardstick of the end-to-end figures: the durable copy, what a safe
// save of each file must do and nothing more. For each file: read it, write
// its bytes to a temporary file beside it, fsync that, rename it over the
// original, fsync the folder. The files keep their bytes, so the host can
// work on them afterwards.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Seconds for all of `files` (local names), or -1 when one could not be
// copied (that file is then as it was). `*bytes` gets their total size,
// `*cpuSeconds` the user and system time the copy took.
double BenchDurableCopy(const std::vector<std::string>& files, uint64_t* bytes, double* cpuSeconds);
