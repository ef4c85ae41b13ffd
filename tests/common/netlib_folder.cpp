// Test helpers for the NetLib stand-in's network mode (see netlib_folder.h).
#include "common/netlib_folder.h"

#include "platform/win_names.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

namespace fs = std::filesystem;

std::string NetLibTestFolderMake() {
    std::string pattern = (fs::temp_directory_path() / "netlib_test_XXXXXX").string();
    std::vector<char> buffer(pattern.begin(), pattern.end());
    buffer.push_back('\0');
    const char* made = mkdtemp(buffer.data());
    return made ? std::string(made) : std::string();
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
    return out.data();
}

std::string NetLibTestRead(const std::string& localName, bool* found) {
    std::ifstream in(localName, std::ios::binary);
    if (found) *found = static_cast<bool>(in);
    if (!in) return "";
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

bool NetLibTestWrite(const std::string& localName, const std::string& content) {
    std::error_code ec;
    fs::create_directories(fs::path(localName).parent_path(), ec);
    std::ofstream out(localName, std::ios::binary | std::ios::trunc);
    out << content;
    return static_cast<bool>(out);
}
