// Software exceptions seen from tests, on both systems (see raised_exception.h).
#include "common/raised_exception.h"

#ifdef _WIN32
namespace {

struct Raised {
    DWORD code;
};

bool armed = false;

// Only the library's own codes are small; C++ throws (0x20474343), debug
// output and hardware faults pass on to the handlers after this one.
LONG WINAPI ThrowRaised(EXCEPTION_POINTERS* info) {
    DWORD code = info->ExceptionRecord->ExceptionCode;
    if (!armed || code >= 0x10000) return EXCEPTION_CONTINUE_SEARCH;
    armed = false;
    throw Raised{code};
}

} // namespace

DWORD RaisedExceptionCode(const std::function<void()>& statement) {
    void* handler = AddVectoredExceptionHandler(1, ThrowRaised);
    DWORD code = 0;
    armed = true;
    try {
        statement();
    } catch (const Raised& raised) {
        code = raised.code;
    }
    armed = false;
    RemoveVectoredExceptionHandler(handler);
    return code;
}
#else
DWORD RaisedExceptionCode(const std::function<void()>& statement) {
    try {
        statement();
    } catch (const PlatformSoftwareException& raised) {
        return raised.code;
    }
    return 0;
}
#endif
