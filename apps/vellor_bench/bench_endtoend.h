// The end-to-end figures: a generated book written as MIF files and run
// through vellor-host (apply-book, list-book) as a child process, each run
// set against copying the same files in the same run, with the child's peak
// resident memory, for a book and one twice its size.
#pragma once

#include "bench_figures.h"

// `chapters` and twice as many, each chapter of `pages` pages whose body
// paragraphs hold `textChars` characters of text (0: the word "text");
// `program` is the vellor-host to run (null: this build's).
void BenchEndToEnd(BenchRun& run, int chapters, int pages, int textChars, const char* program);
