// Collecting figures and writing them as tables and as JSON.
#include "bench_figures.h"

#ifdef _WIN32
#define PSAPI_VERSION 2 // K32GetProcessMemoryInfo, in kernel32
#include <windows.h>
#include <psapi.h>
#else
#include <sys/resource.h>
#endif

#include <chrono>
#include <cmath>

BenchFigure& BenchAdd(BenchRun& run, const std::string& section, const std::string& name) {
    run.figures.push_back(BenchFigure{section, name, {}});
    return run.figures.back();
}

void BenchSet(BenchFigure& figure, const std::string& name, double number) {
    figure.values.push_back(BenchValue{name, number, {}});
}

void BenchSetText(BenchFigure& figure, const std::string& name, const std::string& text) {
    figure.values.push_back(BenchValue{name, 0, text});
}

const BenchValue* BenchGet(const BenchFigure& figure, const std::string& name) {
    for (const BenchValue& value : figure.values)
        if (value.name == name) return &value;
    return nullptr;
}

namespace {

std::string Show(const BenchValue& value) {
    if (!value.text.empty()) return value.text;
    char buffer[64];
    double x = value.number;
    if (x == std::floor(x) && std::fabs(x) < 1e15)
        std::snprintf(buffer, sizeof buffer, "%.0f", x);
    else if (std::fabs(x) >= 100)
        std::snprintf(buffer, sizeof buffer, "%.1f", x);
    else
        std::snprintf(buffer, sizeof buffer, "%.3f", x);
    return buffer;
}

void JsonString(std::FILE* out, const std::string& text) {
    std::fputc('"', out);
    for (unsigned char c : text) {
        if (c == '"' || c == '\\')
            std::fprintf(out, "\\%c", c);
        else if (c < 0x20)
            std::fprintf(out, "\\u%04x", c);
        else
            std::fputc(c, out);
    }
    std::fputc('"', out);
}

} // namespace

void BenchPrintTables(const BenchRun& run, std::FILE* out) {
    std::fprintf(out, "vellor-bench: %s matrix, pass driven %s\n", run.matrix.c_str(), run.mode.c_str());
    for (const std::string& note : run.notes) std::fprintf(out, "  note: %s\n", note.c_str());
    std::vector<std::string> sections;
    for (const BenchFigure& figure : run.figures) {
        bool seen = false;
        for (const std::string& s : sections) seen = seen || s == figure.section;
        if (!seen) sections.push_back(figure.section);
    }
    for (const std::string& section : sections) {
        std::vector<std::string> columns;
        size_t nameWidth = 4;
        for (const BenchFigure& figure : run.figures) {
            if (figure.section != section) continue;
            nameWidth = std::max(nameWidth, figure.name.size());
            for (const BenchValue& value : figure.values) {
                bool seen = false;
                for (const std::string& c : columns) seen = seen || c == value.name;
                if (!seen) columns.push_back(value.name);
            }
        }
        std::vector<size_t> widths;
        for (const std::string& column : columns) {
            size_t width = column.size();
            for (const BenchFigure& figure : run.figures)
                if (figure.section == section)
                    if (const BenchValue* value = BenchGet(figure, column))
                        width = std::max(width, Show(*value).size());
            widths.push_back(width);
        }
        std::fprintf(out, "\n[%s]\n%-*s", section.c_str(), int(nameWidth), "");
        for (size_t i = 0; i < columns.size(); ++i)
            std::fprintf(out, "  %*s", int(widths[i]), columns[i].c_str());
        std::fputc('\n', out);
        for (const BenchFigure& figure : run.figures) {
            if (figure.section != section) continue;
            std::fprintf(out, "%-*s", int(nameWidth), figure.name.c_str());
            for (size_t i = 0; i < columns.size(); ++i) {
                const BenchValue* value = BenchGet(figure, columns[i]);
                std::fprintf(out, "  %*s", int(widths[i]), value ? Show(*value).c_str() : "-");
            }
            std::fputc('\n', out);
        }
    }
    std::fprintf(out, "\nwhole run: %.1f s\n", run.seconds);
}

int BenchWriteJson(const BenchRun& run, const char* fileName) {
    std::FILE* out = std::fopen(fileName, "w");
    if (!out) return -1;
    std::fprintf(out, "{\n  \"mode\": ");
    JsonString(out, run.mode);
    std::fprintf(out, ",\n  \"matrix\": ");
    JsonString(out, run.matrix);
    std::fprintf(out, ",\n  \"seconds\": %.3f,\n  \"notes\": [", run.seconds);
    for (size_t i = 0; i < run.notes.size(); ++i) {
        std::fprintf(out, i ? ", " : "");
        JsonString(out, run.notes[i]);
    }
    std::fprintf(out, "],\n  \"figures\": [");
    for (size_t i = 0; i < run.figures.size(); ++i) {
        const BenchFigure& figure = run.figures[i];
        std::fprintf(out, "%s\n    {\"section\": ", i ? "," : "");
        JsonString(out, figure.section);
        std::fprintf(out, ", \"name\": ");
        JsonString(out, figure.name);
        for (const BenchValue& value : figure.values) {
            std::fprintf(out, ", ");
            JsonString(out, value.name);
            if (!value.text.empty()) {
                std::fprintf(out, ": ");
                JsonString(out, value.text);
            } else {
                std::fprintf(out, ": %.9g", value.number);
            }
        }
        std::fprintf(out, "}");
    }
    std::fprintf(out, "\n  ]\n}\n");
    return std::fclose(out) == 0 ? 0 : -1;
}

double BenchNow() {
    using Clock = std::chrono::steady_clock;
    return std::chrono::duration<double>(Clock::now().time_since_epoch()).count();
}

double BenchLoad() {
    double load = -1;
    if (std::FILE* in = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(in, "%lf", &load) != 1) load = -1;
        std::fclose(in);
    }
    return load;
}

long BenchPeakKiB() {
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) return 0;
    return static_cast<long>(counters.PeakWorkingSetSize / 1024);
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
#endif
}
