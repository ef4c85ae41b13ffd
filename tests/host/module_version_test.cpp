// The built module's own version resource, read back from its file through
// the system's version API: the four client entries that
// FrameMaker receives, with exactly the shipped values, and none of the keys
// a plain client leaves out. Windows only: elsewhere the module holds its own
// copy of the stand-in's resource registry, out of this program's sight (the
// loaded module's description is checked through the simulated host in
// module_test.cpp).
#ifdef _WIN32
#include "host/client_info.h"
#include "host/prop_vals.h"
#include "platform/win_module.h"
#include "platform/win_version.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <utility>
#include <vector>

namespace {

const std::string ModuleFile = std::string(VELLOR_BINARY_DIR) + "\\Vellor.dll";

typedef std::vector<std::pair<int32_t, std::string>> Entries;

const Entries Shipped = {
    {2, "Quillet"},
    {3, "Standard"},
    {4, "Quillet (Frame 2020 64-bit)"},
    {5, "Maker MakerSGML"},
};

class ModuleVersion : public ::testing::Test {
protected:
    HMODULE module = nullptr;
    void SetUp() override {
        module = LoadLibraryA(ModuleFile.c_str());
        ASSERT_NE(module, nullptr) << ModuleFile;
    }
    void TearDown() override {
        if (module) FreeLibrary(module);
    }
};

TEST_F(ModuleVersion, TheFileCarriesTheFourClientEntriesAndNoOtherClientKey) {
    DWORD size = GetFileVersionInfoSizeA(ModuleFile.c_str(), nullptr);
    ASSERT_GT(size, 0u);
    // The client reads the block into a buffer of this size and gives up on
    // anything larger: a resource that outgrows it describes nothing.
    EXPECT_LE(size, (DWORD)ClientInfoVersionSize);
    std::vector<char> block(size);
    ASSERT_TRUE(GetFileVersionInfoA(ModuleFile.c_str(), 0, size, block.data()));

    Entries found;
    for (const ClientInfoKey& key : ClientInfoKeys) {
        std::string path = std::string("\\StringFileInfo\\040904b0\\") + key.key;
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block.data(), path.c_str(), &value, &length)) continue;
        ASSERT_NE(value, nullptr) << key.key;
        found.emplace_back(key.number, static_cast<const char*>(value));
    }
    EXPECT_EQ(found, Shipped);
}

TEST_F(ModuleVersion, TheClientDescribesItselfWithExactlyThoseEntries) {
    PropVals list = {};
    ClientInfoFromVersion(module, &list);
    Entries found;
    for (uint32_t i = 0; i < list.count; ++i) {
        const PropVal& entry = list.entries[i];
        EXPECT_EQ(entry.ident.name, nullptr);
        ASSERT_EQ(entry.value.kind, 3u) << entry.ident.number;
        found.emplace_back(entry.ident.number, entry.value.value.string);
    }
    PropValsFree(&list);
    EXPECT_EQ(found, Shipped);
}

} // namespace
#endif
