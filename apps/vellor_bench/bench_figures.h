// The figures a benchmark run collects, and their two outputs: a table on
// standard output and the same figures as JSON. A figure is a named row in a
// section with named values; values keep the order they were added in.
#pragma once

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

struct BenchValue {
    std::string name;
    double number = 0;   // used when text is empty
    std::string text;
};

struct BenchFigure {
    std::string section; // "pass", "book", "library"
    std::string name;    // the row's label
    std::vector<BenchValue> values;
};

struct BenchRun {
    std::string mode;     // how the pass was driven
    std::string matrix;   // "quick" or "full"
    double seconds = 0;   // wall time of the whole run
    std::vector<std::string> notes;
    std::vector<BenchFigure> figures;
};

BenchFigure& BenchAdd(BenchRun& run, const std::string& section, const std::string& name);
void BenchSet(BenchFigure& figure, const std::string& name, double number);
void BenchSetText(BenchFigure& figure, const std::string& name, const std::string& text);
// The value of that name, or nullptr.
const BenchValue* BenchGet(const BenchFigure& figure, const std::string& name);

// One table per section: a column per value name, in first-seen order.
void BenchPrintTables(const BenchRun& run, std::FILE* out);
// 0 when written.
int BenchWriteJson(const BenchRun& run, const char* fileName);

// Monotonic wall clock in seconds.
double BenchNow();
// The system's load average over the last minute (`uptime`'s first figure), -1 when unknown.
double BenchLoad();
// Peak resident set of this process so far, in KiB (getrusage).
long BenchPeakKiB();
