// Running the built vellor-host on temporary copies of the sample book, for
// the end-to-end tests: a scratch folder per test, the program's output and
// exit status, and every file's bytes to tell whether anything was written.
#pragma once

#include "common/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <poll.h>
#include <sstream>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <map>
#include <string>
#include <vector>

struct HostResult {
    int status = -1; // exit status, or -1 when the program did not exit normally
    std::string out, err;
    // The program's peak resident memory (wait4's ru_maxrss). It is at least
    // what this process had resident when it forked the program.
    long peakKiB = 0;
};

struct HostRunOptions {
    // Writing to any file fails (a file size limit of 0): how a test makes a
    // folder unwritable when it runs with privileges that ignore modes.
    bool failWrites = false;
    // The child's address space in bytes (0: no limit). Not applied in a
    // sanitizer build, whose shadow memory alone exceeds any such limit.
    size_t addressSpaceLimit = 0;
    // The folder the program runs in (empty: the test's own).
    std::string workingDirectory;
};

namespace host_program_detail {

inline void Drain(int fd, std::string* into, bool* open) {
    char buffer[4096];
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0) into->append(buffer, static_cast<size_t>(n));
    else if (n == 0 || errno != EINTR) *open = false;
}

} // namespace host_program_detail

// Runs the program with `args` (argv[1]...) and waits for it. Output goes
// through pipes, which a file size limit does not touch.
inline HostResult RunHostProgram(const std::vector<std::string>& args, const HostRunOptions& options = {}) {
    HostResult result;
    int out[2], err[2];
    if (pipe(out) != 0 || pipe(err) != 0) return result;
    pid_t child = fork();
    if (child == 0) {
        dup2(out[1], 1);
        dup2(err[1], 2);
        close(out[0]);
        close(err[0]);
        close(out[1]);
        close(err[1]);
        if (options.failWrites) {
            signal(SIGXFSZ, SIG_IGN);
            rlimit none{0, 0};
            setrlimit(RLIMIT_FSIZE, &none);
        }
#if !defined(__SANITIZE_ADDRESS__)
        if (options.addressSpaceLimit) {
            rlimit limit{options.addressSpaceLimit, options.addressSpaceLimit};
            setrlimit(RLIMIT_AS, &limit);
        }
#endif
        if (!options.workingDirectory.empty() && chdir(options.workingDirectory.c_str()) != 0) _exit(126);
        std::vector<char*> argv;
        std::string program = VELLOR_HOST_PROGRAM;
        argv.push_back(program.data());
        std::vector<std::string> copies = args;
        for (std::string& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    close(err[1]);
    bool outOpen = true, errOpen = true;
    while (outOpen || errOpen) {
        pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
        if (poll(fds, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (outOpen && (fds[0].revents & (POLLIN | POLLHUP))) host_program_detail::Drain(out[0], &result.out, &outOpen);
        if (errOpen && (fds[1].revents & (POLLIN | POLLHUP))) host_program_detail::Drain(err[0], &result.err, &errOpen);
    }
    close(out[0]);
    close(err[0]);
    int status = 0;
    rusage usage{};
    while (wait4(child, &status, 0, &usage) < 0 && errno == EINTR) {
    }
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    result.peakKiB = usage.ru_maxrss;
    return result;
}

// A fresh folder under the system's temporary folder, removed with all it
// holds at the end of the test.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "vellor-host-XXXXXX").string();
        if (mkdtemp(pattern.data())) path_ = pattern;
    }
    ~ScratchFolder() {
        std::error_code ec;
        if (path_.empty()) return;
        // A test may have taken the write permission away.
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(path_, ec);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

// The path of a checked-in sample file.
inline std::string SamplePath(const std::string& name) {
    return std::string(VELLOR_SOURCE_DIR) + "/examples/" + name;
}

// Copies the sample book (the examples folder, without the expected results) into `folder`.
inline void CopySample(const std::string& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(SamplePath("")))
        if (entry.is_regular_file())
            std::filesystem::copy_file(entry.path(), folder + "/" + entry.path().filename().string());
}

// Every file below `folder` with its bytes, by path relative to it.
inline std::map<std::string, std::string> FolderBytes(const std::string& folder) {
    std::map<std::string, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[std::filesystem::relative(entry.path(), folder).string()] = ReadBytes(entry.path().string());
    return files;
}

// The lines of a text, without their ends.
inline std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}
