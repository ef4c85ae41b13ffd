// The standalone connection: creating FrameMaker's server object through the
// COM runtime (locally, on a named machine, by the class in "FMGUID"), the
// message loop that carries the callbacks, teardown, and the message filter.
// Stand-in only: the tests register a fake server object with the stand-in's
// class registry and count its COM initialisations, which the system's COM
// runtime offers no way to do from inside one test program.
#ifndef _WIN32
#include "fake_host.h"

#include "host/client_entry.h"
#include "host/notifications.h"
#include "host/standalone.h"
#include "support/io/library_startup.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

IUnknown* hostCallback = nullptr;
HRESULT STDMETHODCALLTYPE Register(IUnknown* self, IUnknown* callback, int32_t, const PropVals*) {
    fake::Begin(self, 3);
    callback->AddRef();
    // A new registration replaces the earlier client, as FrameMaker does.
    if (hostCallback) hostCallback->Release();
    hostCallback = callback;
    return S_OK;
}

// Every interface of a COM object answers for the whole object: the main
// interface that the connection obtains is asked for the others.
HRESULT STDMETHODCALLTYPE AskTheServer(IUnknown* self, REFIID iid, void** object) {
    return fake::Of(self).server.QueryInterface(iid, object);
}

std::vector<int32_t> commands;
void RecordCommand(int32_t command) { commands.push_back(command); }
void Bail(int32_t) { HostBailOut(); }

const CLSID OtherClass = {0x11111111, 0x2222, 0x3333, {0x44, 0x44, 0x55, 0x55, 0x55, 0x55, 0x55, 0x55}};

// What a failed connection leaves behind in COM (the filter, the COM
// initialisation) stays until the callers clean up: the tests do it here, so
// that every test starts with COM not initialised.
void ForgetCom() {
    if (ClientMessageFilter) {
        CoRegisterMessageFilter(nullptr, nullptr);
        ClientMessageFilter->Release();
        ClientMessageFilter = nullptr;
    }
    ClientComInitialised = 0;
    while (PlatformComInitCount() > 0) CoUninitialize();
}

class Standalone : public ::testing::Test {
protected:
    fake::Host host;
    void SetUp() override {
        host.interfaces[HostMainInterfaceNumber].Set(3, &Register);
        host.interfaces[HostMainInterfaceNumber].Set(0, &AskTheServer);
        hostCallback = nullptr;
        commands.clear();
        ClientHandlerTable.command = RecordCommand;
        HostErrorCode = 0;
        unsetenv("FMGUID");
    }
    void TearDown() override {
        HostDisconnect();
        if (hostCallback) hostCallback->Release();
        ForgetCom();
        for (const char* machine : {static_cast<const char*>(nullptr), "press"}) {
            PlatformRevokeServer(ClientDefaultServerClass, machine);
            PlatformRevokeServer(OtherClass, machine);
        }
        PlatformComHideExport("CoCreateInstanceEx", 0);
        PlatformClearMessages();
        ClientHandlerTable = ClientDefaultHandlers;
        EncLibraryReset();
        unsetenv("FMGUID");
    }
    IFrameMakerNotifications0* Callbacks() {
        return static_cast<IFrameMakerNotifications0*>(static_cast<void*>(hostCallback));
    }
};

TEST_F(Standalone, ConnectsToTheRegisteredServerAndTakesComDownAgain) {
    int comBefore = PlatformComInitCount();
    ClientQuitRequested = 0;
    EXPECT_STREQ(HostConnectReport(nullptr, nullptr, nullptr), "Can't connect to FrameMaker server");
    EXPECT_EQ(HostErrorCode, -20);
    // The failure is only reported: COM stays as the attempt left it.
    EXPECT_EQ(PlatformComInitCount(), comBefore + 1);
    EXPECT_NE(PlatformMessageFilter(), nullptr);
    EXPECT_EQ(ClientQuitRequested, 0);
    // Without a callback object, disconnecting leaves COM alone too.
    HostDisconnect();
    EXPECT_EQ(PlatformComInitCount(), comBefore + 1);
    EXPECT_NE(PlatformMessageFilter(), nullptr);
    EXPECT_EQ(ClientQuitRequested, 1);
    ForgetCom();

    ASSERT_TRUE(PlatformRegisterServer(ClientDefaultServerClass, nullptr, &host.server));
    ASSERT_EQ(HostConnect(nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(HostIsConnected(), 1);
    EXPECT_EQ(PlatformComInitCount(), comBefore + 1);
    ASSERT_NE(PlatformMessageFilter(), nullptr);
    ASSERT_NE(hostCallback, nullptr);
    // The client registers as the program itself.
    EXPECT_EQ(host.instance, GetModuleHandleA(nullptr));
    // Connected already: nothing more happens.
    EXPECT_EQ(HostConnect(nullptr, nullptr, nullptr), 0);
    EXPECT_EQ(PlatformComInitCount(), comBefore + 1);

    int disconnects = PlatformDisconnectCount();
    HostDisconnect();
    EXPECT_EQ(HostIsConnected(), 0);
    EXPECT_EQ(PlatformDisconnectCount(), disconnects + 1);
    EXPECT_EQ(PlatformLastDisconnected(), hostCallback);
    EXPECT_EQ(PlatformMessageFilter(), nullptr);
    EXPECT_EQ(PlatformComInitCount(), comBefore);
    EXPECT_EQ(ClientQuitRequested, 1);
}

TEST_F(Standalone, TheServerClassComesFromFmguidOrTheDefault) {
    ASSERT_TRUE(PlatformRegisterServer(OtherClass, nullptr, &host.server));
    setenv("FMGUID", "{11111111-2222-3333-4444-555555555555}", 1);
    EXPECT_EQ(HostConnect(nullptr, nullptr, nullptr), 0);
    HostDisconnect();

    // A text that does not parse falls back to the default class.
    setenv("FMGUID", "{11111111-2222-3333-4444-55555555555}", 1);
    EXPECT_EQ(HostConnect(nullptr, nullptr, nullptr), -20);
    HostDisconnect();
    ASSERT_TRUE(PlatformRegisterServer(ClientDefaultServerClass, nullptr, &host.server));
    EXPECT_EQ(HostConnect(nullptr, nullptr, nullptr), 0);
}

TEST_F(Standalone, ANamedMachineIsReachedThroughCoCreateInstanceEx) {
    ASSERT_TRUE(PlatformRegisterServer(ClientDefaultServerClass, "press", &host.server));
    EXPECT_EQ(HostConnect(nullptr, "elsewhere", nullptr), -20);
    HostDisconnect();
    PlatformComHideExport("CoCreateInstanceEx", 1);
    EXPECT_EQ(HostConnect(nullptr, "PRESS", nullptr), -20);
    EXPECT_EQ(HostErrorCode, -20);
    HostDisconnect();
    PlatformComHideExport("CoCreateInstanceEx", 0);
    EXPECT_EQ(HostConnect(nullptr, "PRESS", nullptr), 0);
    EXPECT_EQ(HostIsConnected(), 1);
}

TEST_F(Standalone, TheMessageLoopCarriesCallbacksUntilTheQuitRequest) {
    ASSERT_TRUE(PlatformRegisterServer(ClientDefaultServerClass, nullptr, &host.server));
    ASSERT_EQ(HostConnect(nullptr, nullptr, nullptr), 0);
    int quit = 7;
    PlatformPostCall([](void*) { static_cast<IFrameMakerNotifications0*>(static_cast<void*>(hostCallback))->Command(4); },
                     nullptr);
    EXPECT_EQ(HostPumpMessage(&quit), 1);
    EXPECT_EQ(quit, 0);
    EXPECT_EQ(commands, (std::vector<int32_t>{4}));
    PostQuitMessage(0);
    EXPECT_EQ(HostPumpMessage(&quit), 0);
    EXPECT_EQ(quit, 1);
    EXPECT_EQ(ClientQuitRequested, 1);
    HostDisconnect();

    // HostRunClient: a handler that bails out ends the loop before the
    // messages after it are taken.
    ClientHandlerTable.command = Bail;
    auto command = [](void*) { static_cast<IFrameMakerNotifications0*>(static_cast<void*>(hostCallback))->Command(1); };
    PlatformPostCall(command, nullptr);
    PlatformPostCall(command, nullptr);
    EXPECT_EQ(HostRunClient(), 0);
    EXPECT_EQ(PlatformPendingMessages(), 1);
    EXPECT_EQ(HostIsConnected(), 0);
}

TEST_F(Standalone, RunningWithoutAServerReportsAndReturnsOne) {
    int comBefore = PlatformComInitCount();
    EXPECT_EQ(HostRunClient(), 1);
    // No callback object was made, so the disconnect leaves COM as it is.
    EXPECT_EQ(PlatformComInitCount(), comBefore + 1);
    EXPECT_NE(PlatformMessageFilter(), nullptr);
}

TEST(MessageFilter, RejectedCallsAreRetriedForTwentyMinutes) {
    auto* filter = new DefaultClientMessageFilterC();
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, SERVERCALL_RETRYLATER), 0u);
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, 200, SERVERCALL_RETRYLATER), 0u);
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, 201, SERVERCALL_RETRYLATER), 50u);
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, 1199999, SERVERCALL_RETRYLATER), 299999u);
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, 1200000, SERVERCALL_RETRYLATER), static_cast<DWORD>(-1));
    EXPECT_EQ(filter->RetryRejectedCall(nullptr, 0, SERVERCALL_REJECTED), static_cast<DWORD>(-1));
    EXPECT_EQ(filter->HandleInComingCall(0, nullptr, 0, nullptr), 0u);
    EXPECT_EQ(filter->MessagePending(nullptr, 0, 0), 2u);
    void* asFilter = nullptr;
    ASSERT_EQ(filter->QueryInterface(IID_IMessageFilter, &asFilter), S_OK);
    EXPECT_EQ(asFilter, static_cast<IMessageFilter*>(filter));
    static_cast<IMessageFilter*>(asFilter)->Release();
    filter->Release();
}

} // namespace
#endif
