// RaiseException and the vectored handler list over C++ exceptions.
#ifndef _WIN32
#include "platform/win_exception.h"

#include <algorithm>
#include <vector>

namespace {
struct VectoredHandler {
    PVECTORED_EXCEPTION_HANDLER fn;
};
// Newest-first order is kept by inserting "first" handlers at the front.
std::vector<VectoredHandler*>& Handlers() {
    static std::vector<VectoredHandler*> handlers;
    return handlers;
}
} // namespace

void RaiseException(DWORD code, DWORD flags, DWORD argCount, const ULONG_PTR* args) {
    EXCEPTION_RECORD record{};
    record.ExceptionCode = code;
    record.ExceptionFlags = flags;
    record.NumberParameters = std::min<DWORD>(argCount, EXCEPTION_MAXIMUM_PARAMETERS);
    for (DWORD i = 0; args && i < record.NumberParameters; ++i)
        record.ExceptionInformation[i] = args[i];
    EXCEPTION_POINTERS pointers{&record, nullptr};

    // A handler may remove itself while it runs: walk a copy.
    std::vector<VectoredHandler*> snapshot = Handlers();
    for (VectoredHandler* h : snapshot) {
        if (h->fn(&pointers) == EXCEPTION_CONTINUE_EXECUTION &&
            !(flags & EXCEPTION_NONCONTINUABLE))
            return;
    }
    throw PlatformSoftwareException{code, flags};
}

void* AddVectoredExceptionHandler(ULONG first, PVECTORED_EXCEPTION_HANDLER handler) {
    if (!handler) return nullptr;
    auto* h = new VectoredHandler{handler};
    auto& list = Handlers();
    if (first)
        list.insert(list.begin(), h);
    else
        list.push_back(h);
    return h;
}

ULONG RemoveVectoredExceptionHandler(void* handle) {
    auto& list = Handlers();
    auto it = std::find(list.begin(), list.end(), static_cast<VectoredHandler*>(handle));
    if (it == list.end()) return 0;
    delete *it;
    list.erase(it);
    return 1;
}
#endif
