// The document pass figures and the book figures.
#pragma once

#include "bench_figures.h"

#include <vector>

struct PassMatrix {
    std::vector<int> pages;
    std::vector<int> rows;
    std::vector<int> markerTenths; // markers as tenths of the page count: 0, 1, 10
    double budget = 0;             // seconds; a size whose half took over a quarter of it is skipped
};

void BenchPass(BenchRun& run, const PassMatrix& matrix);
void BenchBook(BenchRun& run, int chapters, int pagesPerChapter);
