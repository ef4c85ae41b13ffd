// Scratch folders for tests (see temp_folder.h).
#include "common/temp_folder.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <random>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

TestTempFolder::TestTempFolder(const char* prefix) {
    fs::path base = fs::temp_directory_path();
    std::random_device random;
    // A name nobody holds yet: create_directory answers false for one that exists.
    for (int attempt = 0; attempt < 100; ++attempt) {
        fs::path candidate = base / (std::string(prefix) + "_" + std::to_string(random()));
        std::error_code ec;
        if (fs::create_directory(candidate, ec)) {
            path = candidate.string();
            return;
        }
    }
    throw std::runtime_error("no scratch folder under " + base.string());
}

TestTempFolder::~TestTempFolder() {
    std::error_code ec;
    fs::remove_all(path, ec);
}

int TestTempFolder::Entries() const {
    int n = 0;
    for (auto it = fs::directory_iterator(path); it != fs::directory_iterator(); ++it) ++n;
    return n;
}

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}
