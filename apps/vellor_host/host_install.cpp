// Finding the module and the host folder beside the program: the program's
// own path, then ../lib/vellor and ../share/vellor from its folder.
#include "apps/vellor_host/host_install.h"

#include <filesystem>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <unistd.h>
#endif

#ifndef VELLOR_HOST_DEFAULT_DIR
#define VELLOR_HOST_DEFAULT_DIR "."
#endif
#ifndef VELLOR_HOST_DEFAULT_PLUGIN
#define VELLOR_HOST_DEFAULT_PLUGIN "Vellor.so"
#endif
#ifndef VELLOR_HOST_MODULE_NAME
#define VELLOR_HOST_MODULE_NAME "Vellor.so"
#endif

namespace fs = std::filesystem;

namespace {

// The folder the running program lies in, or "" when the system does not say.
fs::path ProgramFolder() {
#ifdef _WIN32
    std::vector<char> name(4096);
    DWORD n = GetModuleFileNameA(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (n == 0 || n >= name.size()) return {};
    return fs::path(std::string(name.data(), n)).parent_path();
#else
    std::vector<char> name(4096);
    ssize_t n = readlink("/proc/self/exe", name.data(), name.size());
    if (n <= 0 || static_cast<size_t>(n) >= name.size()) return {};
    return fs::path(std::string(name.data(), static_cast<size_t>(n))).parent_path();
#endif
}

} // namespace

HostDefaults FindHostDefaults() {
    HostDefaults found{VELLOR_HOST_DEFAULT_DIR, VELLOR_HOST_DEFAULT_PLUGIN};
    fs::path folder = ProgramFolder();
    if (folder.empty()) return found;
    std::error_code ec;
    fs::path prefix = folder.parent_path();
    fs::path plugin = prefix / "lib" / "vellor" / VELLOR_HOST_MODULE_NAME;
    fs::path hostDir = prefix / "share" / "vellor";
    // Installed: both beside the program. A build folder has neither.
    if (fs::is_regular_file(plugin, ec)) found.plugin = plugin.lexically_normal().string();
    if (fs::is_directory(hostDir / "icu_data", ec)) found.hostDir = hostDir.lexically_normal().string();
    return found;
}

bool HostFolderHasConverters(const std::string& hostDir) {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(fs::path(hostDir) / "icu_data", ec), end; !ec && it != end;
         it.increment(ec))
        if (it->path().filename() == "adobe-fm-roman-windows.cnv") return true;
    return false;
}

bool SameFolder(const std::string& a, const std::string& b) {
    std::error_code ec;
    return fs::equivalent(a, b, ec) && !ec;
}

std::string HostDefaultsText(const HostDefaults& defaults) {
    return std::string("The plug-in module is looked up in ../lib/vellor/ beside the program's folder,\n"
                       "the host folder in ../share/vellor/; a program not installed uses its build's.\n") +
           "  plug-in module: " + defaults.plugin + "\n" + "  host folder:    " + defaults.hostDir + "\n";
}
