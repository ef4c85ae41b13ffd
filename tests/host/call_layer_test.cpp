// The call shapes against a minimal host: what reaches the host, what the
// caller gets back, which error code each failure leaves, and that every
// block the host hands out is released (or kept, when the host says so).
#include "host/call_layer.h"
#include "host/host_interfaces.h"
#include "host/prop_vals.h"
#include "host/fake_host.h"
#include "support/base/memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

namespace {

class CallLayer : public ::testing::Test {
protected:
    fake::Host host;
    long blocksBefore = 0;

    void SetUp() override {
        blocksBefore = PlatformTaskBlocksOutstanding();
        HostErrorCode = 0;
        HostKeepsResults = 0;
        ASSERT_EQ(HostAcquireInterfaces(&host.server), 1);
    }
    void TearDown() override {
        HostReleaseInterfaces();
        MemFailAllocation(0);
        for (void* block : host.handedOut)
            if (HostKeepsResults) CoTaskMemFree(block);
        EXPECT_EQ(PlatformTaskBlocksOutstanding(), blocksBefore) << "host blocks not released";
        HostErrorCode = 0;
        HostKeepsResults = 0;
    }
};

TEST(CallLayerUnconnected, EveryShapeFailsWithMinusOneAndNoCall) {
    ASSERT_EQ(HostMainInterface(), nullptr);
    HostErrorCode = 0;
    EXPECT_EQ(HostGetIdProp(0, 0, PropActiveDocument), 0u);
    EXPECT_EQ(HostErrorCode, -1);

    HostErrorCode = 0;
    EXPECT_EQ(HostRequestNotification(HostNotifyMessage, 1), -1);
    EXPECT_EQ(HostErrorCode, -1);

    HostErrorCode = 0;
    EXPECT_EQ(HostGetStringProp(0, 0, PropHostDirectory), nullptr);
    EXPECT_EQ(HostErrorCode, -1);

    HostErrorCode = 0;
    EXPECT_EQ(HostAlert("x", HostAlertContinueNote), 0);
    EXPECT_EQ(HostErrorCode, -1);

    char* answer = reinterpret_cast<char*>(0x1);
    EXPECT_EQ(HostPromptString(&answer, "p", "d"), -1);
    EXPECT_EQ(answer, reinterpret_cast<char*>(0x1));

    PropVals props = HostGetProps(1, 2);
    EXPECT_EQ(props.count, 0u);
    EXPECT_EQ(props.entries, nullptr);

    PropVals mine = {0, nullptr};
    PropVals* returned = &mine;
    EXPECT_EQ(HostOpen("a.fm", nullptr, &returned), 0u);
    EXPECT_EQ(returned, &mine);

    TextRange range = HostGetTextRangeProp(0, 0, PropTextSelection);
    EXPECT_EQ(range.begin.objId, 0u);
    EXPECT_EQ(range.end.offset, 0);
}

TEST_F(CallLayer, ArgumentsReachTheMethodSlotInOrder) {
    host.idValue = 42;
    EXPECT_EQ(HostGetIdProp(3, 77, PropActiveDocument), 42u);
    ASSERT_EQ(host.calls.back(), std::make_pair(4, 89));
    EXPECT_EQ(host.ints, (std::vector<int32_t>{3, 77}));
    EXPECT_EQ(host.ident.number, PropActiveDocument);
    EXPECT_EQ(host.ident.name, nullptr);

    // The by-name companion names the property and leaves the number 0.
    EXPECT_EQ(HostSetIntPropNamed(1, 2, "Zoom", 9), 0);
    ASSERT_EQ(host.calls.back(), std::make_pair(4, 86));
    EXPECT_EQ(host.ints, (std::vector<int32_t>{1, 2, 9}));
    EXPECT_EQ(host.ident.number, 0);
    EXPECT_EQ(host.identName, "Zoom");

    EXPECT_EQ(HostRequestNotification(HostNotifyMessage, 1), 0);
    EXPECT_EQ(host.ints, (std::vector<int32_t>{13, 1}));

    host.intValue = 2; // the plain shape hands back the host's answer
    EXPECT_EQ(HostAlert("Please open a document first.", HostAlertContinueWarning), 2);
    EXPECT_EQ(host.name, "Please open a document first.");
    EXPECT_EQ(host.ints, (std::vector<int32_t>{3}));
    EXPECT_EQ(HostErrorCode, 0);
}

TEST_F(CallLayer, HostStatusIsPassedOnAndSurvivesLaterSuccess) {
    host.intValue = 5;
    host.status = 7;
    EXPECT_EQ(HostGetIntProp(0, 9, PropPageBackground), 0);
    EXPECT_EQ(HostErrorCode, 7);
    EXPECT_EQ(HostRequestNotification(HostNotifyMessage, 1), 7);

    host.status = 0;
    EXPECT_EQ(HostGetIntProp(0, 9, PropPageBackground), 5);
    EXPECT_EQ(HostRequestNotification(HostNotifyMessage, 1), 0);
    EXPECT_EQ(HostErrorCode, 7) << "success must not reset the code";

    host.status = 3;
    host.range = TextRange{{11, 2}, {11, 5}};
    TextRange range = HostGetTextRangeProp(0, 0, PropTextSelection);
    EXPECT_EQ(range.begin.objId, 0u);
    EXPECT_EQ(range.end.offset, 0);
    EXPECT_EQ(HostErrorCode, 3);
}

TEST_F(CallLayer, BusyHostGivesMinus88AndOtherFailuresMinus1) {
    const std::vector<std::pair<const char*, std::function<bool()>>> shapes = {
        {"value", [] { return HostGetIdProp(0, 0, 51) == 0; }},
        {"status", [] { return HostRequestNotification(HostNotifyMessage, 1) == -1; }},
        {"setter", [] { return HostSetIntProp(1, 2, 3, 4) == -1; }},
        {"plain", [] { return HostAlert("a", HostAlertContinueWarning) == 0; }},
        {"string", [] { return HostGetStringProp(0, 0, 89) == nullptr; }},
        {"list", [] { return HostGetProps(1, 2).entries == nullptr; }},
        {"prompt", [] {
             char* answer = nullptr;
             return HostPromptString(&answer, "p", "d") == -1 && answer == nullptr;
         }},
    };
    host.text = "text";
    host.status = 0;
    for (auto& [name, call] : shapes) {
        host.result = RPC_E_SERVERCALL_RETRYLATER;
        HostErrorCode = 0;
        EXPECT_TRUE(call()) << name;
        EXPECT_EQ(HostErrorCode, -88) << name;

        host.result = E_FAIL;
        HostErrorCode = 0;
        EXPECT_TRUE(call()) << name;
        EXPECT_EQ(HostErrorCode, -1) << name;
    }
}

TEST_F(CallLayer, StringShapeCopiesEmptyAndNullDistinctly) {
    host.text = "";
    char* empty = HostGetStringProp(0, 0, PropHostDirectory);
    ASSERT_NE(empty, nullptr);
    EXPECT_EQ(empty[0], '\0');
    MemFree(empty);

    host.text = nullptr;
    EXPECT_EQ(HostGetStringProp(0, 0, PropHostDirectory), nullptr);
    EXPECT_EQ(HostErrorCode, 0) << "a null string is not a failure";

    host.text = "Z:\\fm";
    char* copy = HostGetStringProp(0, 0, PropHostDirectory);
    ASSERT_NE(copy, nullptr);
    EXPECT_STREQ(copy, "Z:\\fm");
    EXPECT_NE(static_cast<void*>(copy), host.handedOut.back());
    MemFree(copy);

    // A nonzero status withholds the copy; the host's block is still released.
    host.status = 9;
    EXPECT_EQ(HostGetStringProp(0, 0, PropHostDirectory), nullptr);
    EXPECT_EQ(HostErrorCode, 9);
}

TEST_F(CallLayer, StringCopyThatCannotBeAllocatedFailsCleanly) {
    host.text = "name";
    MemFailAllocation(1);
    EXPECT_EQ(HostGetStringProp(0, 0, PropName), nullptr);
    EXPECT_EQ(HostErrorCode, HostErrorOutOfMemory);
}

TEST_F(CallLayer, KeptResultsAreNotReleasedByTheClient) {
    host.keepResultsAnswer = S_OK;
    HostDecideResultOwnership();
    ASSERT_EQ(HostKeepsResults, 1);
    EXPECT_EQ(host.ints, (std::vector<int32_t>{1}));

    host.text = "kept";
    long before = PlatformTaskBlocksOutstanding();
    char* copy = HostGetStringProp(0, 0, PropName);
    EXPECT_STREQ(copy, "kept");
    MemFree(copy);
#ifndef _WIN32 // the system's task allocator keeps no count
    EXPECT_EQ(PlatformTaskBlocksOutstanding(), before + 1);
#else
    (void)before;
#endif
}

TEST_F(CallLayer, PromptStoresTheAnswerEvenWhenDeclined) {
    host.text = "MasterPage";
    host.status = -1;
    char* answer = nullptr;
    EXPECT_EQ(HostPromptString(&answer, "Master page?", "Right"), -1);
    ASSERT_NE(answer, nullptr);
    EXPECT_STREQ(answer, "MasterPage");
    EXPECT_EQ(HostErrorCode, 0) << "a declined prompt is no host failure";
    EXPECT_EQ(host.prompt, "Master page?");
    EXPECT_EQ(host.defaultText, "Right");
    MemFree(answer);

    host.status = 0;
    host.text = nullptr;
    answer = reinterpret_cast<char*>(0x1);
    EXPECT_EQ(HostPromptString(&answer, "p", ""), 0);
    EXPECT_EQ(answer, nullptr);

    // An answer that cannot be copied is no confirmation.
    host.text = "Left";
    MemFailAllocation(1);
    EXPECT_EQ(HostPromptString(&answer, "p", ""), -1);
    EXPECT_EQ(answer, nullptr);
    EXPECT_EQ(HostErrorCode, HostErrorOutOfMemory);
}

// A host list with one entry of each telling ownership: a name-identified
// integer, a string, and a string list with a null member.
void FillHostProps(PropVals* list) {
    auto* entries = static_cast<PropVal*>(CoTaskMemAlloc(3 * sizeof(PropVal)));
    std::memset(entries, 0, 3 * sizeof(PropVal));
    entries[0].ident = {0, fake::TaskString("Custom")};
    entries[0].value.kind = TypedInteger;
    entries[0].value.value.integer = 17;
    entries[1].ident = {PropName, nullptr};
    entries[1].value.kind = TypedString;
    entries[1].value.value.string = fake::TaskString("Body");
    entries[2].ident = {PropMenuLabel, nullptr};
    entries[2].value.kind = TypedStrings;
    auto** strings = static_cast<char**>(CoTaskMemAlloc(2 * sizeof(char*)));
    strings[0] = fake::TaskString("a");
    strings[1] = nullptr;
    entries[2].value.value.list = {2, strings};
    *list = PropVals{3, entries};
}

TEST_F(CallLayer, GetPropsCopiesTheWholeListAndReleasesTheHosts) {
    host.fillList = FillHostProps;
    PropVals props = HostGetProps(5, 6);
    ASSERT_EQ(props.count, 3u);
    EXPECT_STREQ(props.entries[0].ident.name, "Custom");
    EXPECT_EQ(props.entries[0].value.value.integer, 17);
    EXPECT_STREQ(props.entries[1].value.value.string, "Body");
    auto** strings = static_cast<char**>(props.entries[2].value.value.list.items);
    EXPECT_STREQ(strings[0], "a");
    EXPECT_EQ(strings[1], nullptr);
    PropValsFree(&props);

    // A numbered entry is copied as it stands, its name pointer included.
    static char label[] = "label";
    host.fillList = [](PropVals* list) {
        FillHostProps(list);
        list->entries[1].ident.name = label;
    };
    props = HostGetProps(5, 6);
    ASSERT_EQ(props.count, 3u);
    EXPECT_EQ(props.entries[1].ident.number, PropName);
    EXPECT_EQ(props.entries[1].ident.name, label);
    PropValsFree(&props);
    EXPECT_STREQ(label, "label");

    host.status = 4;
    props = HostGetProps(5, 6);
    EXPECT_EQ(props.count, 0u);
    EXPECT_EQ(props.entries, nullptr);
    EXPECT_EQ(HostErrorCode, 4);
}

TEST_F(CallLayer, GetPropsSurvivesAnAllocationFailureAtEveryStep) {
    host.fillList = FillHostProps;
    int failures = 0;
    for (uint64_t n = 1; n < 50; ++n) {
        HostErrorCode = 0;
        MemFailAllocation(n);
        PropVals props = HostGetProps(5, 6);
        MemFailAllocation(0);
        if (props.count == 3) {
            PropValsFree(&props);
            break;
        }
        ++failures;
        EXPECT_EQ(props.entries, nullptr);
        EXPECT_EQ(HostErrorCode, HostErrorOutOfMemory);
    }
    EXPECT_EQ(failures, 5) << "array, name, string, string array, one string";
}

TEST_F(CallLayer, GetTextCopiesStringItemsAndPlainItemsAsTheyStand) {
    host.fillItems = [](TextItems* items) {
        auto* array = static_cast<TextItem*>(CoTaskMemAlloc(3 * sizeof(TextItem)));
        array[0] = {0, TextItemString, {fake::TaskString("Master")}};
        array[1] = {6, 8, {}};
        array[1].value.data = 0x1234;
        array[2] = {6, TextItemString, {fake::TaskString("Page")}};
        *items = TextItems{3, array};
    };
    TextRange range = {{40, 0}, {40, TextOffsetEnd}};
    TextItems items = HostGetText(2, &range, 1);
    EXPECT_EQ(host.ints, (std::vector<int32_t>{2, 0, TextOffsetEnd, 1}));
    ASSERT_EQ(items.count, 3u);
    EXPECT_STREQ(items.items[0].value.text, "Master");
    EXPECT_EQ(items.items[1].value.data, 0x1234u);
    EXPECT_EQ(items.items[2].offset, 6);
    EXPECT_STREQ(items.items[2].value.text, "Page");
    TextItemsFree(&items);
    EXPECT_EQ(items.items, nullptr);

    MemFailAllocation(3); // the second string
    items = HostGetText(2, &range, 1);
    EXPECT_EQ(items.count, 0u);
    EXPECT_EQ(HostErrorCode, HostErrorOutOfMemory);
}

} // namespace
