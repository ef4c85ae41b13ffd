// Allocation, the fatal path with and without a resuming handler, and the
// runtime-heap seam that the reliability sweeps drive.
#include "support/base/memory.h"

#include "platform/win_exception.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

DWORD lastCode = 0;
int handlerCalls = 0;
LONG ResumeHandler(PEXCEPTION_POINTERS info) {
    ++handlerCalls;
    lastCode = info->ExceptionRecord->ExceptionCode;
    return EXCEPTION_CONTINUE_EXECUTION;
}

struct ResumingHandler {
    void* handle;
    ResumingHandler() : handle(AddVectoredExceptionHandler(1, ResumeHandler)) {
        handlerCalls = 0;
        lastCode = 0;
    }
    ~ResumingHandler() { RemoveVectoredExceptionHandler(handle); }
};

int failureHookCalls = 0;
void CountFailure() { ++failureHookCalls; }

TEST(Memory, NullToleranceOfFreeAndZero) {
    EXPECT_EQ(MemFree(nullptr), 0);
    EXPECT_EQ(MemZero(nullptr, 10), 1);
    char buffer[4] = {1, 2, 3, 4};
    EXPECT_EQ(MemZero(buffer, 4), 0);
    EXPECT_EQ(buffer[3], 0);
    EXPECT_EQ(MemCopy(nullptr, buffer, 1), 1);
    EXPECT_EQ(MemEqual(nullptr, nullptr, 0), 0);
}

TEST(Memory, FreeRefLeavesTheVariableAsItWas) {
    void* block = MemAlloc(8, 0);
    void* before = block;
    EXPECT_EQ(MemFreeRef(&block), 0);
    EXPECT_EQ(block, before);
}

TEST(Memory, FailedAllocationWithoutFatalFlagReturnsNull) {
    MemFailAllocation(1);
    EXPECT_EQ(MemAlloc(16, 0), nullptr);
    void* ok = MemAlloc(16, 0); // the seam fires once
    EXPECT_NE(ok, nullptr);
    MemFree(ok);
}

TEST(Memory, FailedReallocKeepsTheOldBlock) {
    auto* block = static_cast<char*>(MemAlloc(4, 0));
    std::memcpy(block, "abc", 4);
    MemFailAllocation(1);
    EXPECT_EQ(MemRealloc(block, 1 << 20, 0), nullptr);
    EXPECT_STREQ(block, "abc");
    MemFree(block);
}

TEST(Memory, FatalFailureRaisesCodeOneAndResumesToNull) {
    ResumingHandler handler;
    failureHookCalls = 0;
    MemFailureHandler previous = MemSetFailureHook(CountFailure);
    MemFailAllocation(1);
    EXPECT_EQ(MemCalloc(4, 4, MemFlagFatal), nullptr);
    MemSetFailureHook(previous);
    EXPECT_EQ(handlerCalls, 1);
    EXPECT_EQ(lastCode, FatalErrorCode);
    EXPECT_EQ(failureHookCalls, 1);
}

#ifndef _WIN32
TEST(Memory, FatalFailureWithoutHandlerUnwindsWithCodeOne) {
    MemFailAllocation(1);
    try {
        MemAlloc(4, MemFlagFatal);
        FAIL() << "the fatal error came back without a handler";
    } catch (const PlatformSoftwareException& e) {
        EXPECT_EQ(e.code, FatalErrorCode);
        EXPECT_EQ(e.flags, 0u);
    }
}
#endif

int customAssertCalls = 0;
void* customAssertArgument = nullptr;
void CustomAssert(void* defaultHandler) {
    ++customAssertCalls;
    customAssertArgument = defaultHandler;
}

TEST(Memory, AssertFailedCallsAnInstalledHookThenTheFatalError) {
    ResumingHandler handler;
    customAssertCalls = 0;
    AssertHandler previous = SetAssertHook(CustomAssert);
    EXPECT_EQ(previous, &AssertDefaultHandler);
    AssertFailed();
    EXPECT_EQ(customAssertCalls, 1);
    EXPECT_EQ(customAssertArgument, reinterpret_cast<void*>(&AssertDefaultHandler));
    EXPECT_EQ(handlerCalls, 1);
    EXPECT_EQ(SetAssertHook(nullptr), &CustomAssert);
    EXPECT_EQ(AssertHook(), &AssertDefaultHandler);
    AssertFailed(); // the default handler is not called; AssertFailed raises once
    EXPECT_EQ(handlerCalls, 2);
}

TEST(Memory, HandleFamilyKeepsItsSizeHeader) {
    MemHandle h = MemHandleAlloc(10, 0);
    ASSERT_NE(h, nullptr);
    EXPECT_EQ(MemHandleSize(h), 10u);
    auto* bytes = static_cast<unsigned char*>(MemHandleLock(h));
    for (int i = 0; i < 10; ++i) EXPECT_EQ(bytes[i], 0);
    std::memcpy(bytes, "0123456789", 10);
    MemHandleUnlock(h);
    h = MemHandleResize(h, 20, 0);
    EXPECT_EQ(MemHandleSize(h), 20u);
    MemHandle copy = MemHandleCopy(h, 0);
    EXPECT_EQ(MemHandleCompare(h, copy), 0);
    MemHandleZero(copy);
    EXPECT_NE(MemHandleCompare(h, copy), 0);
    EXPECT_EQ(MemHandleAlloc(MemHandleMaxSize, 0), nullptr);
    MemHandleFree(copy);
    MemHandleFree(h);
}

} // namespace
