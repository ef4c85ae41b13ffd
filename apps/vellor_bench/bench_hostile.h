// The hostile figures: vellor-host on files of the shapes and sizes that
// once cost it gigabytes (tiny statements by the ten million, a single
// string of 200 MB, a mapping document of 100,000 rows), each a child
// process whose time and peak resident memory are set against the target of
// three times the largest input plus 50 MB.
#pragma once

#include "bench_figures.h"

// `program` is the vellor-host to run (null: this build's).
void BenchHostile(BenchRun& run, const char* program);
