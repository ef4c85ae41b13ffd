// Open and save with their return-parameter records, the simple open and
// save built on them, and the default-options builder's check.
#include "host/call_layer.h"
#include "host/host_interfaces.h"
#include "host/prop_vals.h"
#include "host/fake_host.h"
#include "common/icu_data.h"
#include "common/raised_exception.h"
#include "platform/win_exception.h"
#include "support/base/format.h"
#include "support/io/format_output.h"
#include "support/base/memory.h"
#include "support/base/host_encodings.h"

#include <gtest/gtest.h>

#include <unicode/putil.h>
#include <unicode/ucnv.h>

#include <string>
#include <utility>
#include <vector>

namespace {

class HostDocuments : public ::testing::Test {
protected:
    fake::Host host;
    long blocksBefore = 0;
    unsigned encodingBefore = 0;

    void SetUp() override {
        blocksBefore = PlatformTaskBlocksOutstanding();
        encodingBefore = EncCurrent;
        HostErrorCode = 0;
        ASSERT_EQ(HostAcquireInterfaces(&host.server), 1);
    }
    void TearDown() override {
        HostReleaseInterfaces();
        MemFailAllocation(0);
        PropValsFree(&HostOpenReturnParams);
        PropValsFree(&HostSaveReturnParams);
        EncCurrent = encodingBefore;
        EXPECT_EQ(PlatformTaskBlocksOutstanding(), blocksBefore) << "host blocks not released";
        HostErrorCode = 0;
    }

    // The options the host saw, as {number, value} pairs of kind-1 entries.
    std::vector<std::pair<int32_t, int32_t>> SeenOptions() const {
        std::vector<std::pair<int32_t, int32_t>> seen;
        for (uint32_t i = 0; i < host.options.count; ++i) {
            const PropVal& e = host.options.entries[i];
            EXPECT_EQ(e.value.kind, 1u);
            EXPECT_EQ(e.ident.name, nullptr);
            seen.emplace_back(e.ident.number, e.value.value.integer);
        }
        return seen;
    }
};

// Return parameters as a host gives them: status bits in entry 3.
void FillReturnParams(PropVals* list) {
    auto* entries = static_cast<PropVal*>(CoTaskMemAlloc(sizeof(PropVal)));
    entries[0] = PropVal{};
    entries[0].ident.number = 3;
    entries[0].value.kind = TypedWords;
    auto* words = static_cast<uint32_t*>(CoTaskMemAlloc(2 * sizeof(uint32_t)));
    words[0] = 0x4;
    words[1] = 0x80000000u;
    entries[0].value.value.list = {2, words};
    *list = PropVals{1, entries};
}

TEST_F(HostDocuments, OpenPointsTheCallerAtTheRecordAndFreesWhatTheCallerHeld) {
    host.idValue = 31;
    host.fillList = FillReturnParams;
    PropVals mine = PropValsAlloc(2);
    PropValsSetString(&mine, 7, "old");
    PropVals* returned = &mine;

    EXPECT_EQ(HostOpen("a.fm", nullptr, &returned), 31u);
    EXPECT_EQ(returned, &HostOpenReturnParams);
    EXPECT_EQ(mine.count, 0u) << "the list the caller pointed at is released";
    EXPECT_EQ(mine.entries, nullptr);
    EXPECT_EQ(PropValsStatusBit(returned, 2), 1);
    EXPECT_EQ(PropValsStatusBit(returned, 63), 1);
    EXPECT_EQ(PropValsStatusBit(returned, 3), 0);

    // A second open replaces the record's contents.
    EXPECT_EQ(HostOpen("b.fm", nullptr, &returned), 31u);
    EXPECT_EQ(returned->count, 1u);
}

TEST_F(HostDocuments, FailedOpenStillReportsReturnParamsButAFailureCodeDoesNot) {
    host.fillList = FillReturnParams;
    host.idValue = 31;
    host.status = 21;
    PropVals* returned = nullptr;
    EXPECT_EQ(HostOpen("missing.fm", nullptr, &returned), 0u);
    EXPECT_EQ(HostErrorCode, 21);
    ASSERT_EQ(returned, &HostOpenReturnParams);
    EXPECT_EQ(returned->count, 1u);

    PropVals mine = {0, nullptr};
    returned = &mine;
    host.result = E_ACCESSDENIED;
    EXPECT_EQ(HostOpen("x.fm", nullptr, &returned), 0u);
    EXPECT_EQ(returned, &mine);
    EXPECT_EQ(HostErrorCode, -1);
}

TEST_F(HostDocuments, ReturnParamsThatCannotBeCopiedLeaveAnEmptyRecord) {
    host.fillList = FillReturnParams;
    host.idValue = 8;
    PropVals* returned = nullptr;
    MemFailAllocation(1);
    EXPECT_EQ(HostSave(8, "a.fm", nullptr, &returned), 8u) << "the save itself went through";
    EXPECT_EQ(HostErrorCode, HostErrorOutOfMemory);
    ASSERT_EQ(returned, &HostSaveReturnParams);
    EXPECT_EQ(returned->count, 0u);
    EXPECT_EQ(returned->entries, nullptr);
}

TEST_F(HostDocuments, SimpleOpenOptionsAndName) {
    host.idValue = 4;
    host.fillList = FillReturnParams;
    const char* name = "Z:\\docs\\MasterPage.fm";
    EXPECT_EQ(HostSimpleOpen(name, 0), 4u);
    EXPECT_EQ(host.namePointer, name) << "the name is passed unchanged";
    EXPECT_EQ(SeenOptions(), (std::vector<std::pair<int32_t, int32_t>>{{29, 1}}));
    EXPECT_EQ(HostOpenReturnParams.count, 0u) << "the returned contents are freed";

    EXPECT_EQ(HostSimpleOpen(name, 1), 4u);
    std::vector<std::pair<int32_t, int32_t>> expected = {
        {1, 1},  {2, 1},  {14, 4}, {15, 4}, {16, 4}, {17, 4}, {18, 4}, {19, 4}, {20, 4},
        {21, 4}, {22, 4}, {23, 4}, {28, 4}, {24, 4}, {25, 4}, {4, 1},  {44, 0}, {29, 1}};
    EXPECT_EQ(SeenOptions(), expected);

    host.calls.clear();
    MemFailAllocation(1);
    EXPECT_EQ(HostSimpleOpen(name, 0), 0u);
    EXPECT_EQ(HostErrorCode, HostErrorOutOfMemory);
    EXPECT_TRUE(host.calls.empty()) << "no options, no open";
}

TEST_F(HostDocuments, SimpleSaveUnderUtf8PassesTheCallersName) {
    EncCurrent = EncUtf8;
    host.idValue = 6;
    const char* name = "Z:\\b\\Caf\xC3\xA9.fm";
    EXPECT_EQ(HostSimpleSave(6, name, 0), 6u);
    EXPECT_EQ(host.namePointer, name);
    EXPECT_EQ(host.ints, (std::vector<int32_t>{6}));
    EXPECT_FALSE(host.optionsNull);
    EXPECT_EQ(host.options.count, 0u) << "not interactive: an empty list";

    EXPECT_EQ(HostSimpleSave(6, name, 1), 6u);
    EXPECT_EQ(SeenOptions(), (std::vector<std::pair<int32_t, int32_t>>{{4, 1}, {5, 0}, {8, 1}, {2, 1}}));

    host.calls.clear();
    MemFailAllocation(1);
    EXPECT_EQ(HostSimpleSave(6, name, 1), 0u);
    EXPECT_EQ(HostErrorCode, HostErrorOutOfMemory);
    EXPECT_TRUE(host.calls.empty());
}

TEST_F(HostDocuments, SimpleSaveConvertsAFrameRomanNameToUtf8) {
    std::string icuBefore = u_getDataDirectory();
    UseBuildIcuData();
    EncSelect("FrameRoman");
    host.idValue = 6;
    const char* name = "Z:\\b\\Caf\x8E.fm"; // FrameRoman 0x8E is e-acute
    EXPECT_EQ(HostSimpleSave(6, name, 0), 6u);
    EXPECT_NE(host.namePointer, name);
    EXPECT_EQ(host.name, "Z:\\b\\Caf\xC3\xA9.fm");
    u_setDataDirectory(icuBefore.c_str());
}

// A name that comes out of the conversion empty (the host's converters are
// missing) or is empty to begin with names no file: no save reaches the host.
TEST_F(HostDocuments, SimpleSaveWithoutAFileNameSavesNothing) {
    std::string icuBefore = u_getDataDirectory();
    std::string empty = std::string(VELLOR_BINARY_DIR) + "/no-such-icu-data";
    u_setDataDirectory(empty.c_str());
    ucnv_flushCache(); // a converter opened before must be looked for again
    EncSelect("FrameRoman");
    host.idValue = 6;
    host.calls.clear();
    EXPECT_EQ(HostSimpleSave(6, "Z:\\b\\ch1.fm", 0), 0u);
    EXPECT_EQ(HostErrorCode, HostErrorNoFileName);
    EXPECT_TRUE(host.calls.empty());
    u_setDataDirectory(icuBefore.c_str());
    ucnv_flushCache();

    EncCurrent = EncUtf8;
    HostErrorCode = 0;
    EXPECT_EQ(HostSimpleSave(6, "", 1), 0u);
    EXPECT_EQ(HostErrorCode, HostErrorNoFileName);
    EXPECT_TRUE(host.calls.empty());
}

std::string console;
int CaptureConsole(const char* text) {
    console += text;
    return 0;
}

TEST(HostOptions, ABuilderThatMissesItsCountStopsWithTheFatalError) {
    UseBuildIcuData(); // the console line is converted to UTF-8 on its way
    FmtConsoleWriter before = ConsoleHook;
    ConsoleHook = CaptureConsole;
    console.clear();
    const HostOption two[] = {{1, 1}, {2, 0}};
    EXPECT_RAISES(HostBuildOptions(two, 2, 3), FatalErrorCode);
    ConsoleHook = before;
    EXPECT_EQ(console, "Error: Default params list has an incorrect number of items.\n");

    PropVals ok = HostBuildOptions(HostDefaultOpenOptions, 17, 17);
    EXPECT_EQ(ok.count, 17u);
    EXPECT_EQ(ok.entries[12].ident.number, 28);
    EXPECT_EQ(ok.entries[16].value.value.integer, 0);
    PropValsFree(&ok);
}

} // namespace
