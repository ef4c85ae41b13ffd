// Running vellor-host as a child for the end-to-end and hostile figures.
#include "bench_child.h"

#include "bench_figures.h"

#if !defined(_WIN32)
#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

ChildRun BenchRunChild(const std::string& program, const std::vector<std::string>& args) {
    ChildRun result;
    std::vector<std::string> copies = args;
    copies.insert(copies.begin(), program);
    std::vector<char*> argv;
    for (std::string& a : copies) argv.push_back(a.data());
    argv.push_back(nullptr);
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
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}
#else
ChildRun BenchRunChild(const std::string&, const std::vector<std::string>&) { return ChildRun{}; }
#endif
