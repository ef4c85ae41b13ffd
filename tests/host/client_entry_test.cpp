// The client entry over a minimal host: what F_ApiClientInit asks for and
// registers, the callback object's dispatch, its shutdown, and GetResource.
#include "fake_host.h"

#include "host/client_entry.h"
#include "tools/module_entry.h"
#include "host/client_info.h"
#include "host/notifications.h"
#include "host/standalone.h"
#include "support/base/format.h"
#include "support/io/format_output.h"
#include "support/base/memory.h"
#include "host/host_startup.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

// What the host's registration method received.
struct Registration {
    IUnknown* callback = nullptr;
    int32_t version = 0;
    const PropVals* info = nullptr;
    std::vector<std::pair<int32_t, std::string>> entries;
};
Registration registered;

HRESULT STDMETHODCALLTYPE Register(IUnknown* self, IUnknown* callback, int32_t version, const PropVals* info) {
    fake::Begin(self, 3);
    if (callback) callback->AddRef(); // FrameMaker's own reference
    registered.callback = callback;
    registered.version = version;
    registered.info = info;
    registered.entries.clear();
    for (uint32_t i = 0; info && i < info->count; ++i)
        registered.entries.emplace_back(info->entries[i].ident.number, info->entries[i].value.value.string);
    return S_OK;
}

// A companion that counts its references.
struct Companion final : IUnknown {
    ULONG references = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
};

using Entries = std::vector<std::pair<int32_t, std::string>>;
const Entries ShippedInfo = {
    {2, "Quillet"}, {3, "Standard"}, {4, "Quillet (Frame 2020 64-bit)"}, {5, "Maker MakerSGML"}};

class ClientEntry : public ::testing::Test {
protected:
    fake::Host host;
    void SetUp() override {
        host.interfaces[HostMainInterfaceNumber].Set(3, &Register);
        registered = Registration{};
        HostErrorCode = 0;
        HostKeepsResults = 0;
        ClientQuitRequested = 1;
        ConsoleHook = nullptr;
    }
    void TearDown() override {
        LetGo();
        HostReleaseInterfaces();
        HostKeepsResults = 0;
        ConsoleHook = nullptr;
        ClientHandlerTable = ClientDefaultHandlers;
        EncLibraryReset();
    }
    // FrameMaker releases its reference to the callback object.
    void LetGo() {
        if (registered.callback) registered.callback->Release();
        registered.callback = nullptr;
    }
    IFrameMakerNotifications0* Callbacks() {
        return static_cast<IFrameMakerNotifications0*>(static_cast<void*>(registered.callback));
    }
};

TEST_F(ClientEntry, NoServerOrNoMainInterfaceRefusesTheClient) {
    int marker = 0;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(&marker); // any value the client just keeps
    EXPECT_EQ(F_ApiClientInit(instance, nullptr, nullptr, nullptr), -1);
    EXPECT_EQ(ClientInstance, instance);
    EXPECT_EQ(ClientCallbackObject, nullptr);

    host.refuse[HostMainInterfaceNumber] = true;
    EXPECT_EQ(F_ApiClientInit(nullptr, &host.server, nullptr, nullptr), -1);
    std::vector<int> first15;
    for (int k = 1; k <= 15; ++k) first15.push_back(k);
    EXPECT_EQ(host.asked, first15);
    EXPECT_EQ(ClientCallbackObject, nullptr);
    EXPECT_EQ(registered.callback, nullptr);
    EXPECT_EQ(ClientQuitRequested, 1);
    // The other answers stay stored.
    EXPECT_NE(HostInterfaces[1], nullptr);
}

TEST_F(ClientEntry, RegistersTheCallbackObjectAndHandsItOverToTheHost) {
    host.keepResultsAnswer = S_OK;
    Companion companion;
    int marker = 0;
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(&marker);
    ASSERT_EQ(F_ApiClientInit(instance, &host.server, &companion, nullptr), 0);
    EXPECT_EQ(host.asked.size(), 18u);
    EXPECT_EQ(registered.version, 0x16000000);
    ASSERT_NE(registered.callback, nullptr);
    EXPECT_EQ(HostKeepsResults, 1);
    EXPECT_EQ(host.instance, static_cast<void*>(instance));
    EXPECT_EQ(ClientQuitRequested, 0);
    EXPECT_EQ(companion.references, 2u);
    EXPECT_EQ(ConsoleHook, &HostWriteConsole);
    EXPECT_EQ(EncLibraryIsInit(), 1);
    // The callback object answers its three interfaces and IUnknown.
    for (const IID* iid : {&IID_IFrameMakerNotifications0, &IID_IFrameMakerNotifications1,
                           &IID_IFrameMakerCMSNotifications0, &IID_IUnknown}) {
        void* object = nullptr;
        ASSERT_EQ(registered.callback->QueryInterface(*iid, &object), S_OK);
        static_cast<IUnknown*>(object)->Release();
    }

    // Only the host's reference holds the object: letting it go is the
    // client's shutdown.
    LetGo();
    EXPECT_EQ(ClientCallbackObject, nullptr);
    EXPECT_EQ(ClientQuitRequested, 1);
    EXPECT_EQ(companion.references, 1u);
    for (int k = 1; k <= HostInterfaceCount; ++k) EXPECT_EQ(HostInterfaces[k], nullptr) << k;
    EXPECT_EQ(HostGetIdProp(0, 0, 51), 0u);
    EXPECT_EQ(HostErrorCode, -1);
}

TEST_F(ClientEntry, ClientInformationIsPassedOrReadFromTheVersionResource) {
    // Passed in: used as it stands and left to the caller.
    PropVals passed = PropValsAlloc(0);
    ASSERT_EQ(PropValsSetString(&passed, 2, "Other"), 0);
    ASSERT_EQ(F_ApiClientInit(GetModuleHandleA(nullptr), &host.server, nullptr, &passed), 0);
    EXPECT_EQ(registered.info, &passed);
    EXPECT_EQ(registered.entries, (Entries{{2, "Other"}}));
    ASSERT_EQ(passed.count, 1u);
    EXPECT_STREQ(passed.entries[0].value.value.string, "Other");
    PropValsFree(&passed);
    LetGo();

    // None passed: this program carries the module's version resource.
    ASSERT_EQ(F_ApiClientInit(GetModuleHandleA(nullptr), &host.server, nullptr, nullptr), 0);
    EXPECT_EQ(registered.entries, ShippedInfo);
    LetGo();

    // None passed and no instance: no client information at all.
    ASSERT_EQ(F_ApiClientInit(nullptr, &host.server, nullptr, nullptr), 0);
    EXPECT_EQ(registered.info, nullptr);
}

TEST(ClientInfo, OnlyTheKeysOfTheUsEnglishUnicodeBlockAreRead) {
    PropVals list{0, nullptr};
    ClientInfoFromVersion(GetModuleHandleA(nullptr), &list);
    Entries seen;
    for (uint32_t i = 0; i < list.count; ++i) {
        EXPECT_EQ(list.entries[i].value.kind, 3u);
        seen.emplace_back(list.entries[i].ident.number, list.entries[i].value.value.string);
    }
    EXPECT_EQ(seen, ShippedInfo);
    PropValsFree(&list);

#ifdef _WIN32
    // A system module describes itself for Windows, not for FrameMaker: of
    // the client's keys it has at most a FileDescription.
    ClientInfoFromVersion(LoadLibraryA("ole32.dll"), &list);
    for (uint32_t i = 0; i < list.count; ++i) EXPECT_EQ(list.entries[i].ident.number, 4);
    PropValsFree(&list);
#else
    // A module without a version resource (the platform's COM module here)
    // leaves the list empty.
    ClientInfoFromVersion(LoadLibraryA("ole32.dll"), &list);
    EXPECT_EQ(list.count, 0u);
#endif
}

// ---- Dispatch

struct Seen {
    std::vector<std::string> calls;
    const char* text = nullptr;
    std::vector<std::string> fields;
    std::vector<std::string> overflow;
    int nullSlots = 0;
};
Seen seen;

void RecordNotify(int32_t code, ObjId document, const char* text, int32_t number) {
    seen.calls.push_back("notify " + std::to_string(code) + " " + std::to_string(document) + " " +
                         std::to_string(number));
    seen.text = text;
    if (code != 75) return;
    auto* record = reinterpret_cast<const NotifyFields*>(text);
    seen.fields.clear();
    seen.nullSlots = 0;
    for (char* f : record->fields) {
        if (f)
            seen.fields.push_back(f);
        else
            ++seen.nullSlots;
    }
    seen.overflow.assign(record->overflow.entries, record->overflow.entries + record->overflow.count);
}
void RecordInitialize(int32_t code) { seen.calls.push_back("initialize " + std::to_string(code)); }
void RecordCommand(int32_t command) { seen.calls.push_back("command " + std::to_string(command)); }
void ReplyWithData(int32_t, void*, int32_t value, void*, CmsReply* reply) {
    static char text[] = "answer";
    static int32_t numbers[] = {7, 8, 9};
    reply->value = value;
    reply->text = value ? text : nullptr;
    reply->count = value ? 3 : 0;
    reply->numbers = value ? numbers : nullptr;
}

class Dispatch : public ClientEntry {
protected:
    void SetUp() override {
        ClientEntry::SetUp();
        seen = Seen{};
        ClientHandlerTable.notify = RecordNotify;
        ClientHandlerTable.initialize = RecordInitialize;
        ClientHandlerTable.command = RecordCommand;
        ClientHandlerTable.cmsCommand = ReplyWithData;
        ASSERT_EQ(F_ApiClientInit(nullptr, &host.server, nullptr, nullptr), 0);
    }
};

TEST_F(Dispatch, CallbacksReachTheirHandlersWithTheirArguments) {
    EXPECT_EQ(Callbacks()->Initialize(HostInitializeFirst), S_OK);
    EXPECT_EQ(Callbacks()->Command(1000), S_OK);
    const char* text = "ApplyMasterPagesDoc";
    EXPECT_EQ(Callbacks()->Notify(HostNotifyMessage, 42, text, 5), S_OK);
    EXPECT_EQ(seen.text, text); // the pointer itself
    EXPECT_EQ(seen.calls, (std::vector<std::string>{"initialize 1", "command 1000", "notify 13 42 5"}));
    // The frame's own defaults answer the rest.
    EXPECT_EQ(Callbacks()->Message("x", 1, 2), S_OK);
    EXPECT_EQ(Callbacks()->DialogEvent(1, 2, 3), S_OK);
    EncLibraryInit();
    EXPECT_EQ(Callbacks()->Quit(), S_OK);
    EXPECT_EQ(EncLibraryIsInit(), 0);
}

TEST_F(Dispatch, NotificationSeventyFiveHandsOverTheSplitFields) {
    Callbacks()->Notify(HostNotifySplitMessage, 0, "a\x1e" "b\x1e\x1e", 0);
    EXPECT_EQ(seen.fields, (std::vector<std::string>{"a", "b", "", ""}));
    EXPECT_EQ(seen.nullSlots, 2);
    EXPECT_TRUE(seen.overflow.empty());

    Callbacks()->Notify(HostNotifySplitMessage, 0, "", 0);
    EXPECT_EQ(seen.fields, (std::vector<std::string>{""}));

    std::string text;
    std::vector<std::string> expected;
    for (int i = 0; i < 40; ++i) {
        if (i) text += '\x1e';
        text += "f" + std::to_string(i);
        if (i >= 6) expected.push_back("f" + std::to_string(i));
    }
    Callbacks()->Notify(75, 0, text.c_str(), 0);
    EXPECT_EQ(seen.fields.size(), 6u);
    EXPECT_EQ(seen.fields[5], "f5");
    EXPECT_EQ(seen.overflow, expected);
}

TEST_F(Dispatch, TheCmsReplyReachesTheCallerAsCopies) {
    auto* cms = static_cast<IFrameMakerCMSNotifications0*>(static_cast<void*>(nullptr));
    void* object = nullptr;
    ASSERT_EQ(registered.callback->QueryInterface(IID_IFrameMakerCMSNotifications0, &object), S_OK);
    cms = static_cast<IFrameMakerCMSNotifications0*>(object);

    CmsReply reply;
    std::memset(&reply, 0xAB, sizeof reply);
    EXPECT_EQ(cms->CMSCommand(1, nullptr, 5, nullptr, &reply), S_OK);
    EXPECT_EQ(reply.value, 5);
    ASSERT_NE(reply.text, nullptr);
    EXPECT_STREQ(reply.text, "answer");
    ASSERT_EQ(reply.count, 3);
    ASSERT_NE(reply.numbers, nullptr);
    EXPECT_EQ(std::vector<int32_t>(reply.numbers, reply.numbers + 3), (std::vector<int32_t>{7, 8, 9}));
    MemFree(reply.text);
    MemFree(reply.numbers);

    // An empty reply: no text, but still a block for the integers.
    cms->CMSCommand(1, nullptr, 0, nullptr, &reply);
    EXPECT_EQ(reply.text, nullptr);
    EXPECT_EQ(reply.count, 0);
    EXPECT_NE(reply.numbers, nullptr);
    MemFree(reply.numbers);
    cms->Release();
}

TEST_F(Dispatch, GetResourceAnswersFromTheClientModule) {
    ClientInstance = GetModuleHandleA(nullptr);
    char path[400];
    DWORD length = GetModuleFileNameA(nullptr, path, sizeof path);
    ASSERT_GT(length, 0u);

    ClientResourceBlock block{0, nullptr};
    ASSERT_EQ(Callbacks()->GetResource(0, nullptr, &block), S_OK);
    ASSERT_EQ(block.size, static_cast<int32_t>(length) + 1);
    EXPECT_EQ(std::memcmp(block.data, path, length + 1), 0);
    CoTaskMemFree(block.data);

    // The version resource by number and type; a missing one fails.
    ASSERT_EQ(Callbacks()->GetResource(16, "#1", &block), S_OK);
    EXPECT_GT(block.size, 92);
    uint16_t rootLength;
    std::memcpy(&rootLength, block.data, 2);
    EXPECT_EQ(rootLength, block.size);
    CoTaskMemFree(block.data);
    EXPECT_EQ(Callbacks()->GetResource(16, "#2", &block), E_FAIL);
    EXPECT_EQ(Callbacks()->GetResource(6, "#1", &block), E_FAIL);
}

} // namespace
