// Test helpers for the NetLib stand-in's network mode (see netlib_folder.h).
#include "common/netlib_folder.h"

#include "platform/win_names.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

std::string NetLibTestFolderMake() {
    std::error_code ec;
    fs::path base = fs::temp_directory_path(ec);
    if (ec) return "";
    std::random_device seed;
    std::mt19937 random(seed());
    for (int attempt = 0; attempt < 100; ++attempt) {
        char leaf[32];
        std::snprintf(leaf, sizeof leaf, "netlib_test_%08x", static_cast<unsigned>(random()));
        fs::path folder = base / leaf;
        if (fs::create_directory(folder, ec)) return folder.string(); // false: it was there
        if (ec) return "";
    }
    return "";
}

void NetLibTestFolderRemove(const std::string& folder) {
    std::error_code ec;
    if (!folder.empty()) fs::remove_all(folder, ec);
}

std::string NetLibTestLocalName(const char* windowsName) {
    std::vector<char> out(4096);
    if (PlatformWindowsNameToLocal(windowsName, out.data(), static_cast<int>(out.size())) < 0) return "";
    return out.data();
}

std::string NetLibTestWindowsName(const std::string& localName) {
    std::vector<char> out(4096);
    if (PlatformLocalNameToWindows(localName.c_str(), out.data(), static_cast<int>(out.size())) < 0)
        return "";
#ifdef _WIN32
    // Tests build local names with '/', which Windows takes too; the library
    // splits names only at '\\'.
    for (char& c : out)
        if (c == '/') c = '\\';
#endif
    return out.data();
}

std::filesystem::path NetLibTestPath(const std::string& localName) {
    return fs::path(std::u8string(localName.begin(), localName.end()));
}

bool NetLibTestExists(const std::string& localName) {
    std::error_code ec;
    return fs::exists(NetLibTestPath(localName), ec);
}

std::string NetLibTestRead(const std::string& localName, bool* found) {
    std::ifstream in(NetLibTestPath(localName), std::ios::binary);
    if (found) *found = static_cast<bool>(in);
    if (!in) return "";
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool NetLibTestWrite(const std::string& localName, const std::string& content) {
    std::error_code ec;
    fs::create_directories(NetLibTestPath(localName).parent_path(), ec);
    std::ofstream out(NetLibTestPath(localName), std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out);
}
