// The support library's hot paths beside what a caller would otherwise use.
#pragma once

#include "bench_figures.h"

// `quick` shortens each measurement.
void BenchLibrary(BenchRun& run, bool quick);
