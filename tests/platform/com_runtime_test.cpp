// The COM runtime stand-in and the module calls: class-name parsing, object
// creation through the class registry, the message filter's lifetime, module
// file names and resource look-up by number and by name.
#include "platform/com_runtime.h"
#include "platform/win_module.h"

// The stand-ins exist only off Windows, where their class registry, message
// queue and resource tables play the system's part.
#ifndef _WIN32

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

std::u16string Wide(const char* text) {
    std::u16string out;
    for (; *text; ++text) out += static_cast<char16_t>(*text);
    return out;
}

TEST(ClsidFromString, ParsesTheBracedFormOnly) {
    CLSID clsid;
    ASSERT_EQ(CLSIDFromString(Wide("{539db5d0-C0C6-11D0-985E-0060970BEC0B}").c_str(), &clsid), S_OK);
    const CLSID expected = {0x539DB5D0, 0xC0C6, 0x11D0, {0x98, 0x5E, 0x00, 0x60, 0x97, 0x0B, 0xEC, 0x0B}};
    EXPECT_TRUE(IsEqualGUID(clsid, expected));
    for (const char* bad : {"", "{539DB5D0-C0C6-11D0-985E-0060970BEC0B", "539DB5D0-C0C6-11D0-985E-0060970BEC0B",
                            "{539DB5D0-C0C6-11D0-985E-0060970BEC0B}x", "{539DB5D0-C0C6-11D0-985E-0060970BEC0G}",
                            "{539DB5D0+C0C6-11D0-985E-0060970BEC0B}"}) {
        CLSID untouched = expected;
        EXPECT_EQ(CLSIDFromString(Wide(bad).c_str(), &untouched), CO_E_CLASSSTRING) << bad;
        EXPECT_TRUE(IsEqualGUID(untouched, expected)) << bad;
    }
}

struct Counted final : IUnknown {
    ULONG references = 1;
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        *object = nullptr;
        if (!IsEqualIID(iid, IID_IUnknown)) return E_NOINTERFACE;
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
};

const CLSID SomeClass = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};

TEST(ClassRegistry, CreatesRegisteredServersLocallyAndByMachine) {
    Counted server;
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(SomeClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, &object),
              CO_E_NOTINITIALIZED);
    ASSERT_EQ(CoInitialize(nullptr), S_OK);
    EXPECT_EQ(CoInitialize(nullptr), S_FALSE);
    CoUninitialize();
    EXPECT_EQ(CoCreateInstance(SomeClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, &object),
              REGDB_E_CLASSNOTREG);
    ASSERT_TRUE(PlatformRegisterServer(SomeClass, nullptr, &server));
    ASSERT_TRUE(PlatformRegisterServer(SomeClass, "Press", &server));
    EXPECT_EQ(server.references, 3u);
    ASSERT_EQ(CoCreateInstance(SomeClass, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, &object), S_OK);
    EXPECT_EQ(object, &server);
    server.Release();

    // CoCreateInstanceEx as a client finds it: by name in "ole32.dll".
    HMODULE ole = LoadLibraryA("OLE32.DLL");
    ASSERT_NE(ole, nullptr);
    auto createEx = reinterpret_cast<CoCreateInstanceExProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(ole, "CoCreateInstanceEx")));
    ASSERT_NE(createEx, nullptr);
    std::u16string machine = Wide("press");
    COSERVERINFO where{0, machine.data(), nullptr, 0};
    MULTI_QI wanted[2] = {{&IID_IUnknown, nullptr, S_OK}, {&IID_IMessageFilter, nullptr, S_OK}};
    EXPECT_EQ(createEx(SomeClass, nullptr, 0x15, &where, 2, wanted), CO_S_NOTALLINTERFACES);
    EXPECT_EQ(wanted[0].pItf, &server);
    EXPECT_EQ(wanted[1].hr, E_NOINTERFACE);
    server.Release();
    std::u16string other = Wide("elsewhere");
    where.pwszName = other.data();
    EXPECT_TRUE(FAILED(createEx(SomeClass, nullptr, 0x15, &where, 1, wanted)));
    EXPECT_EQ(wanted[0].pItf, nullptr);

    PlatformComHideExport("CoCreateInstanceEx", 1);
    EXPECT_EQ(GetProcAddress(ole, "CoCreateInstanceEx"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_PROC_NOT_FOUND);
    PlatformComHideExport("CoCreateInstanceEx", 0);
    EXPECT_TRUE(FreeLibrary(ole));

    EXPECT_TRUE(PlatformRevokeServer(SomeClass, nullptr));
    EXPECT_TRUE(PlatformRevokeServer(SomeClass, "PRESS"));
    EXPECT_FALSE(PlatformRevokeServer(SomeClass, nullptr));
    EXPECT_EQ(server.references, 1u);
    CoUninitialize();
}

TEST(MessageFilterRegistration, HoldsOneReferenceUntilReplaced) {
    struct Filter final : IMessageFilter {
        ULONG references = 1;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOINTERFACE; }
        ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
        ULONG STDMETHODCALLTYPE Release() override { return --references; }
        DWORD STDMETHODCALLTYPE HandleInComingCall(DWORD, HTASK, DWORD, LPINTERFACEINFO) override { return 0; }
        DWORD STDMETHODCALLTYPE RetryRejectedCall(HTASK, DWORD, DWORD) override { return 0; }
        DWORD STDMETHODCALLTYPE MessagePending(HTASK, DWORD, DWORD) override { return 0; }
    } first, second;
    CoRegisterMessageFilter(&first, nullptr);
    EXPECT_EQ(first.references, 2u);
    IMessageFilter* previous = nullptr;
    CoRegisterMessageFilter(&second, &previous);
    EXPECT_EQ(previous, &first); // the caller's reference now
    EXPECT_EQ(first.references, 2u);
    previous->Release();
    CoRegisterMessageFilter(nullptr, nullptr);
    EXPECT_EQ(second.references, 1u);
    EXPECT_EQ(PlatformMessageFilter(), nullptr);
}

TEST(ModuleFileName, IsInWindowsFormAndCutToTheBuffer) {
    char full[1024];
    DWORD length = GetModuleFileNameA(nullptr, full, sizeof full);
    ASSERT_GT(length, 3u);
    EXPECT_EQ(std::string(full, 3), "Z:\\");
    EXPECT_EQ(std::string(full).substr(length - 14), "\\test_platform");

    char small[8];
    std::memset(small, 'x', sizeof small);
    EXPECT_EQ(GetModuleFileNameA(nullptr, small, sizeof small), 8u);
    EXPECT_EQ(GetLastError(), ERROR_INSUFFICIENT_BUFFER);
    EXPECT_EQ(std::string(small), std::string(full, 7));

    // A pointer that is no loaded module is refused, not followed.
    int notAModule = 0;
    EXPECT_EQ(GetModuleFileNameA(&notAModule, full, sizeof full), 0u);
    EXPECT_EQ(GetLastError(), ERROR_INVALID_HANDLE);
    EXPECT_EQ(GetModuleHandleA("Z:\\no\\such\\module.so"), nullptr);
}

const char IconBytes[] = "icon";
const char DataBytes[] = "data!";
const PlatformResource TestResources[] = {
    {3, nullptr, 7, nullptr, 0x409, IconBytes, 4},
    {0, "CUSTOM", 0, "Greeting", 0x409, DataBytes, 5},
};

TEST(Resources, AreFoundByNumberOrByNameWithoutRegardToCase) {
    ASSERT_EQ(PlatformRegisterResources(TestResources, TestResources, 2), 1);
    HMODULE self = GetModuleHandleA(nullptr);
    HRSRC icon = FindResourceA(self, MAKEINTRESOURCEA(7), MAKEINTRESOURCEA(3));
    ASSERT_NE(icon, nullptr);
    EXPECT_EQ(FindResourceA(self, "#7", "#3"), icon);
    EXPECT_EQ(SizeofResource(self, icon), 4u);
    EXPECT_EQ(LockResource(LoadResource(self, icon)), static_cast<const void*>(IconBytes));

    HRSRC greeting = FindResourceA(nullptr, "greeting", "custom");
    ASSERT_NE(greeting, nullptr);
    EXPECT_EQ(SizeofResource(self, greeting), 5u);

    EXPECT_EQ(FindResourceA(self, "#8", "#3"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_NAME_NOT_FOUND);
    EXPECT_EQ(FindResourceA(self, "#7", "#4"), nullptr);
    EXPECT_EQ(GetLastError(), ERROR_RESOURCE_TYPE_NOT_FOUND);
    // A number is not a name, nor "#x" a number.
    EXPECT_EQ(FindResourceA(self, "7", "#3"), nullptr);
    EXPECT_EQ(FindResourceA(self, "#x", "#3"), nullptr);
    PlatformUnregisterResources(TestResources);
    EXPECT_EQ(FindResourceA(self, "#7", "#3"), nullptr);
}

TEST(MessageQueue, RunsPostedCallsInOrderAndEndsWithQuit) {
    PlatformClearMessages();
    static std::string order;
    order.clear();
    PlatformPostCall([](void* c) { order += static_cast<const char*>(c); }, const_cast<char*>("a"));
    PlatformPostCall([](void* c) { order += static_cast<const char*>(c); }, const_cast<char*>("b"));
    PostQuitMessage(3);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        EXPECT_FALSE(TranslateMessage(&message));
        DispatchMessageA(&message);
    }
    EXPECT_EQ(message.message, WM_QUIT);
    EXPECT_EQ(message.wParam, 3u);
    EXPECT_EQ(order, "ab");
    // Nobody else can post: an empty queue answers as a quit would.
    EXPECT_EQ(GetMessageA(&message, nullptr, 0, 0), 0);
}

} // namespace
#endif
