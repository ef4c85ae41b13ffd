// The durable copy, with plain system calls: one read of the whole file,
// one write, fsync, rename, and an fsync of the folder (the rename is the
// folder's data).
#include "bench_durable.h"

#include "bench_figures.h"

#if !defined(_WIN32)
#include <cerrno>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool ReadWhole(const std::string& path, std::string* bytes) {
    int in = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st;
    if (in < 0 || ::fstat(in, &st) != 0) {
        if (in >= 0) ::close(in);
        return false;
    }
    bytes->resize(size_t(st.st_size));
    size_t have = 0;
    while (have < bytes->size()) {
        ssize_t n = ::read(in, bytes->data() + have, bytes->size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        have += size_t(n);
    }
    ::close(in);
    return have == bytes->size();
}

bool WriteWhole(int out, const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        ssize_t n = ::write(out, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += size_t(n);
    }
    return true;
}

bool SyncFolder(const std::string& folder) {
    int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir < 0) return false;
    bool ok = ::fsync(dir) == 0;
    ::close(dir);
    return ok;
}

bool DurableCopy(const std::string& path, std::string* bytes) {
    size_t slash = path.find_last_of('/');
    std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    std::string temp = folder + "/.bench-durable-XXXXXX";
    if (!ReadWhole(path, bytes)) return false;
    int out = ::mkostemp(temp.data(), O_CLOEXEC);
    if (out < 0) return false;
    bool ok = WriteWhole(out, *bytes) && ::fchmod(out, 0644) == 0 && ::fsync(out) == 0;
    ok = ::close(out) == 0 && ok;
    if (ok && ::rename(temp.c_str(), path.c_str()) == 0) return SyncFolder(folder);
    ::unlink(temp.c_str());
    return false;
}

double CpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

} // namespace

double BenchDurableCopy(const std::vector<std::string>& files, uint64_t* bytes, double* cpuSeconds) {
    std::string buffer;
    *bytes = 0;
    double start = BenchNow(), cpu = CpuSeconds();
    for (const std::string& path : files) {
        if (!DurableCopy(path, &buffer)) return -1;
        *bytes += buffer.size();
    }
    *cpuSeconds = CpuSeconds() - cpu;
    return BenchNow() - start;
}
#else
double BenchDurableCopy(const std::vector<std::string>&, uint64_t*, double*) { return -1; }
#endif
