// The end-to-end book on disk: generated chapters of 200 pages, books of
// the first N of them, the mapping document in a host folder, and one long
// chapter of as many pages as a book of chapters. The host works on a copy
// in a work folder, made afresh (and synced, so that no writeback of the
// copy falls into what is measured) before each run that changes files.
#pragma once

#include "bench_figures.h"

#include <cstdint>
#include <string>
#include <vector>

struct BenchBookFiles {
    std::string folder;  // the generated files
    std::string work;    // the copy the host works on
    std::string hostDir; // the host folder, with MasterPage.fm
    int pages = 200;     // of each chapter
    uint64_t largest = 0; // bytes of the largest chapter
};

// Writes `chapters` chapters, a book for each of `sizes`, the mapping
// document, and (`longPages` > 0) "long.mif" of that many pages. False with
// a note when a file could not be written.
bool BenchWriteBookFiles(BenchRun& run, BenchBookFiles& files, int chapters, int textChars,
                         const std::vector<int>& sizes, int longPages);

// The work folder's chapters of the book of `n` (local names), and its book.
std::vector<std::string> BenchWorkChapters(const BenchBookFiles& files, int n);
std::string BenchWorkBook(const BenchBookFiles& files, int n);
std::string BenchWorkLong(const BenchBookFiles& files);

// The work folder made afresh with the book of `n` chapters (its book
// naming the copies), or with the long chapter when `n` is 0; synced. False
// with a note when it could not be made.
bool BenchFreshWork(BenchRun& run, const BenchBookFiles& files, int n);
