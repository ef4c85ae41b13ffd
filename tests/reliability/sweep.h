// Equipment of the reliability sweeps: failing the Nth allocation of a run
// through the memory seam, resuming the library's fatal error so that the
// failing allocation returns null, and asking the leak checker of a
// sanitizer build whether anything became unreachable.
#pragma once

#include "platform/win_exception.h"
#include "support/base/memory.h"

#include <cstdint>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

// While one exists, the library's fatal error (code 1) is counted and the
// raising code resumed, as a host handler that lets the plug-in go on would
// do: the fatal allocation then returns null. Any other code goes on to the
// next handler, so it unwinds and fails the test.
struct ResumeFatalErrors {
    static inline int raised = 0;
    void* handle = nullptr;

    static LONG Handler(PEXCEPTION_POINTERS info) {
        if (info->ExceptionRecord->ExceptionCode != FatalErrorCode) return EXCEPTION_CONTINUE_SEARCH;
        ++raised;
        return EXCEPTION_CONTINUE_EXECUTION;
    }
    ResumeFatalErrors() {
        raised = 0;
        handle = AddVectoredExceptionHandler(1, &Handler);
    }
    ~ResumeFatalErrors() { RemoveVectoredExceptionHandler(handle); }
    ResumeFatalErrors(const ResumeFatalErrors&) = delete;
    ResumeFatalErrors& operator=(const ResumeFatalErrors&) = delete;
};

// Runs `act` with the nth allocation from now failing. True when the run
// reached that allocation (false: the run is clean, the sweep is over).
// n = 0 is the clean run that comes first.
template <typename Act>
bool RunFailingAllocation(uint64_t n, Act&& act) {
    if (n == 0) {
        act();
        return false;
    }
    uint64_t before = MemAllocationCount();
    MemFailAllocation(n);
    act();
    MemFailAllocation(0);
    return MemAllocationCount() - before >= n;
}

// Calls `run(0)`, the clean run whose outcome the others are held against,
// then `run(n)` for n = 1, 2, ... until a run gets through clean; returns the
// number of allocation points swept. `run` sets up afresh, arms the seam with
// RunFailingAllocation around the act, checks the outcome and returns what
// RunFailingAllocation returned. The bound only stops a runaway scenario.
template <typename Run>
uint64_t SweepAllocations(Run&& run, uint64_t bound = 20000) {
    run(0);
    uint64_t n = 1;
    while (n <= bound && run(n)) ++n;
    return n - 1;
}

// Whether blocks became unreachable since the program started (always false
// without the sanitizer build). The checker prints what it found.
inline bool LeaksFound() {
#if defined(__SANITIZE_ADDRESS__)
    return __lsan_do_recoverable_leak_check() != 0;
#else
    return false;
#endif
}
