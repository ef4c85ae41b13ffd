// The version resource that the build makes from data/vellor.rc (this test
// program carries the same table as the module) read through the version
// API: the fixed part, the translation table, strings by path, and the
// refusals of a short buffer and of a damaged block.
#include "platform/win_module.h"
#include "platform/win_version.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

class VersionResource : public ::testing::Test {
protected:
    char file[1024] = {};
    std::vector<char> block;
    void SetUp() override {
        ASSERT_GT(GetModuleFileNameA(nullptr, file, sizeof file), 0u);
        DWORD handle = 7;
        DWORD size = GetFileVersionInfoSizeA(file, &handle);
        EXPECT_EQ(handle, 0u);
        ASSERT_GT(size, 0u);
        block.resize(size);
        ASSERT_TRUE(GetFileVersionInfoA(file, 0, size, block.data()));
    }
    std::string Text(const char* path) {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueA(block.data(), path, &value, &length)) return "<none>";
        EXPECT_EQ(length, std::strlen(static_cast<char*>(value)) + 1) << path;
        return static_cast<char*>(value);
    }
};

TEST_F(VersionResource, HoldsTheFixedPartAndTheTranslationTable) {
    void* value = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(block.data(), "\\", &value, &length));
    ASSERT_EQ(length, sizeof(VS_FIXEDFILEINFO));
    VS_FIXEDFILEINFO fixed;
    std::memcpy(&fixed, value, sizeof fixed);
    EXPECT_EQ(fixed.dwSignature, VS_FFI_SIGNATURE);
    EXPECT_EQ(fixed.dwFileVersionMS, 0x00020001u);
    EXPECT_EQ(fixed.dwFileVersionLS, 0u);
    EXPECT_EQ(fixed.dwProductVersionMS, 0x00020001u);
    EXPECT_EQ(fixed.dwFileOS, 0x10004u);
    EXPECT_EQ(fixed.dwFileType, 1u);

    ASSERT_TRUE(VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", &value, &length));
    ASSERT_EQ(length, 4u);
    uint16_t pair[2];
    std::memcpy(pair, value, 4);
    EXPECT_EQ(pair[0], 0x0409);
    EXPECT_EQ(pair[1], 0x04B0);
}

TEST_F(VersionResource, StringsAreFoundByPathInTheUsEnglishBlockOnly) {
    EXPECT_EQ(Text("\\StringFileInfo\\040904b0\\ClientName"), "Quillet");
    EXPECT_EQ(Text("\\StringFileInfo\\040904B0\\clientproducts"), "Maker MakerSGML");
    EXPECT_EQ(Text("\\StringFileInfo\\040904b0\\FileDescription"), "Quillet (Frame 2020 64-bit)");
    EXPECT_EQ(Text("\\StringFileInfo\\040904b0\\OriginalFilename"), "Vellor.dll");
    EXPECT_EQ(Text("\\StringFileInfo\\040904b0\\ProductVersion"), "Version 2.1");
    EXPECT_EQ(Text("\\StringFileInfo\\040904b0\\ClientVendor"), "<none>");
    EXPECT_EQ(Text("\\StringFileInfo\\040704b0\\ClientName"), "<none>");
    // A key is matched whole, not by its beginning.
    EXPECT_EQ(Text("\\StringFileInfo\\040904b0\\Client"), "<none>");
}

TEST_F(VersionResource, AShortBufferOrADamagedBlockIsRefused) {
    EXPECT_EQ(GetFileVersionInfoSizeA("Z:\\no\\such\\file.dll", nullptr), 0u);
#ifndef _WIN32
    // The stand-in's own refusals; the system's version API copies a cut
    // block and walks a damaged one in its own way.
    std::vector<char> small(block.size() - 1);
    EXPECT_FALSE(GetFileVersionInfoA(file, 0, static_cast<DWORD>(small.size()), small.data()));
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);

    // A child that claims to reach past its parent ends the walk.
    uint16_t rootLength;
    std::memcpy(&rootLength, block.data(), 2);
    uint16_t tooLong = static_cast<uint16_t>(rootLength + 100);
    // The first child (StringFileInfo) starts after the header, key and the
    // 52-byte fixed part: 6 + 32 + 2 (padding) + 52 = 92.
    std::memcpy(block.data() + 92, &tooLong, 2);
    EXPECT_EQ(Text("\\StringFileInfo\\040904b0\\ClientName"), "<none>");
#endif
}

} // namespace
