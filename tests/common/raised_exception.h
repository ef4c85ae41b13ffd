// Catching the software exceptions that the library raises (its fatal error,
// for misuse and for fatal allocation failures) when nobody resumes them.
// Here such an exception unwinds as PlatformSoftwareException; on Windows it
// is a structured exception that C++ cannot catch, so a vectored handler,
// armed only while the statement runs, turns it into a C++ exception.
#pragma once

#include "platform/win_exception.h"
#include "platform/win_types.h"

#include <functional>

// Runs `statement` and returns the code of the software exception that it
// raised and that no handler resumed, or 0 when it raised none.
DWORD RaisedExceptionCode(const std::function<void()>& statement);

#define EXPECT_RAISES(statement, code) \
    EXPECT_EQ(RaisedExceptionCode([&] { statement; }), static_cast<DWORD>(code))
