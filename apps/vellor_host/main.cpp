// vellor-host: runs the Vellor plug-in in the simulated FrameMaker on MIF
// documents and books from the command line.
#include "apps/vellor_host/host_files.h"
#include "apps/vellor_host/host_help.h"
#include "apps/vellor_host/host_install.h"
#include "apps/vellor_host/host_options.h"
#include "apps/vellor_host/host_output.h"
#include "apps/vellor_host/host_session.h"

#include <cstdio>
#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#else
#include <unistd.h>
#endif
#ifdef __GLIBC__
#include <malloc.h>
#endif

#ifndef VELLOR_HOST_VERSION
#define VELLOR_HOST_VERSION "0"
#endif

int main(int argc, char** argv) {
#ifdef __GLIBC__
    // A book is read, built, written and freed one chapter after another, in
    // blocks of about the same sizes each time. The memory one chapter frees
    // is kept for the next instead of going back to the system at once: a
    // page the system hands out afresh costs a page fault at its first touch
    // (and, on a virtual machine that reports free pages to its host, a fault
    // in the host as well), which was a fifth of a book's time. Blocks above
    // 4 MB, which only a huge document makes (its file's bytes, the arrays of
    // its longest flow), come and go as mappings of their own: once freed
    // they no longer count in what the run holds.
    mallopt(M_MMAP_THRESHOLD, 4 << 20);
    mallopt(M_TRIM_THRESHOLD, 128 << 20);
#endif
#ifdef _WIN32
    // Lines end in "\n" alone, as in the files the program writes, so that
    // its output is the same wherever it runs.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
#endif
    HostOptions options;
    std::string error;
    if (!ParseHostOptions(argc, argv, &options, &error)) {
        std::fprintf(stderr, "vellor-host: %s\nTry 'vellor-host --help'.\n", error.c_str());
        return HostExitUsage;
    }
    HostDefaults defaults = FindHostDefaults();
    if (options.help) {
        std::string text = options.command == HostCommandNone ? HostUsageText(HostDefaultsText(defaults))
                                                              : HostCommandHelp(options.command);
        std::fputs(text.c_str(), stdout);
        return HostExitDone;
    }
    if (options.version) {
        std::printf("vellor-host %s\n%s", VELLOR_HOST_VERSION, HostDefaultsText(defaults).c_str());
        return HostExitDone;
    }
    HostReporter reporter;
    reporter.verbosity = options.verbosity;
    reporter.terminal = ProgressInPlace(isatty(fileno(stderr)) != 0);
    HostFileStore files = HostFilesOpen();
    HostFilesStopOnSignals(files, reporter);
    int status = RunHostCommand(options, defaults, files, reporter);
    // A signal after the store's last read or save ends the run here.
    int stopped = HostFilesStopped(files, reporter);
    HostFilesClose(files);
    return stopped ? stopped : status;
}
