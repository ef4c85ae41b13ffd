// Running vellor-host as a child for the end-to-end and hostile figures.
#include "bench_child.h"

#include "bench_figures.h"

#if !defined(_WIN32)
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#ifdef __GLIBC__
#include <malloc.h>
#endif
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The process's resident memory now, from /proc/self/statm (pages).
long ResidentKiB() {
    long pages = 0, resident = 0;
    if (std::FILE* in = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(in, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(in);
    }
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

} // namespace

ChildRun BenchRunChild(const std::string& program, const std::vector<std::string>& args) {
    ChildRun result;
    std::vector<std::string> copies = args;
    copies.insert(copies.begin(), program);
    std::vector<char*> argv;
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
#ifdef __GLIBC__
    ::malloc_trim(0); // the generated documents' memory, freed, back to the system
#endif
    result.parentKiB = ResidentKiB();
    double start = BenchNow();
    pid_t child = ::fork();
    if (child < 0) return result;
    if (child == 0) {
        int null = ::open("/dev/null", O_WRONLY);
        ::dup2(null, 1);
        ::dup2(null, 2);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    rusage usage{};
    while (::wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    result.seconds = BenchNow() - start;
    result.peakKiB = usage.ru_maxrss;
    result.cpuSeconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                        double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
#else
ChildRun BenchRunChild(const std::string&, const std::vector<std::string>&) { return ChildRun{}; }
#endif
