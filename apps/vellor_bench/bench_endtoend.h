// vellor-host on a book of MIF files against the durable copy of the same
// files (bench_durable.h): apply-book, list-book, a dry run and check on
// books of `chapters` and twice as many chapters, and apply, list and a dry
// run on one chapter as long as the smaller book; with the targets of time
// and memory, and the check that the written files are unchanged.
#pragma once

#include "bench_figures.h"

void BenchEndToEnd(BenchRun& run, int chapters, int pages, int textChars, const char* program);
