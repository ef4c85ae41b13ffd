// vellor-host run as a child process for the figures that need the whole
// program: its wall time, its exit status and its peak resident memory
// (wait4's ru_maxrss), its output thrown away. The kernel counts in a
// child's peak the memory its parent had resident at the fork (the copy it
// started as); the bench gives back what it freed before each fork, and
// says how much it still had, below which a child's peak says nothing.
#pragma once

#include <string>
#include <vector>

struct ChildRun {
    double seconds = -1;
    long peakKiB = 0;
    double cpuSeconds = -1; // user and system time, which another program's load stretches less than wall time
    int status = -1; // exit status, -1 when it did not exit normally
    long parentKiB = 0; // the bench's own resident memory at the fork
};

// Runs `program` with `args` (argv[1]...) and waits for it. On a platform
// without fork, a run that did not start (status -1).
ChildRun BenchRunChild(const std::string& program, const std::vector<std::string>& args);
