// Writing generated documents for the runs of vellor-host.
#include "bench_files.h"

#if !defined(_WIN32)
#include "hostsim/mif/mif_document.h"
#include "platform/win_names.h"

#include <vector>

std::string BenchWindowsName(const std::string& local) {
    std::vector<char> out(local.size() * 2 + 16);
    if (PlatformLocalNameToWindows(local.c_str(), out.data(), int(out.size())) < 0) return local;
    return out.data();
}

bool BenchSaveDoc(BenchRun& run, const char* section, const SimDoc& doc, const std::string& local) {
    std::string error;
    if (MifSaveDoc(doc, local, BenchWindowsName(local), &error)) return true;
    run.notes.push_back(std::string(section) + ": could not write " + local + ": " + error);
    return false;
}
#endif
