// The page map's figures: a generated book of 50 chapters of 200 pages run
// through `vellor-host map --dry-run` and through `apply-book --dry-run`
// (the same pass without the map), as child processes; the difference is
// what drawing and writing the map costs, beside the map's size.
#pragma once

#include "bench_figures.h"

// A book of `chapters` chapters of `pages` pages; `program` is the
// vellor-host to run (null: this build's).
void BenchMap(BenchRun& run, int chapters, int pages, const char* program);
