// The targets a run checks, each printed as a figure of the "targets"
// section with its value, its limit and "met" or "NOT met", and the check
// that the host's output is still what it was: a digest of the files a
// command wrote against the digest recorded from an earlier build.
#pragma once

#include "bench_figures.h"

#include <cstdint>
#include <string>
#include <vector>

// The target `name`: met when `value` <= `limit` (both in `unit`); a
// value below zero (not measured) is "NOT measured".
void BenchTarget(BenchRun& run, const std::string& name, double value, double limit, const std::string& unit);

// A target of time: `seconds` against `base` seconds, met when their ratio
// is at most `limit`; both times are shown beside it.
void BenchRatioTarget(BenchRun& run, const std::string& name, double seconds, double base, double limit);

// A digest of the bytes of `files` in their order (0 when one cannot be read).
uint64_t BenchDigestFiles(const std::vector<std::string>& files);

// The check of the digest `got` against `recorded` (0: nothing recorded for
// this shape of input, then only printed).
void BenchOutputCheck(BenchRun& run, const std::string& name, uint64_t got, uint64_t recorded);
