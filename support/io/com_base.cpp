// ComUltraliteC: reference counting, interface look-up and destruction.
#include "support/io/com_base.h"

#include "support/base/memory.h"

namespace {
// What the count is set to while an object is being destroyed.
constexpr LONG DestroyingCount = 100;
}

HRESULT STDMETHODCALLTYPE ComUltraliteC::QueryInterface(REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    FindInterface(iid, object);
    return *object ? S_OK : E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE ComUltraliteC::AddRef() {
    return static_cast<ULONG>(++referenceCount);
}

ULONG STDMETHODCALLTYPE ComUltraliteC::Release() {
    LONG count = --referenceCount;
    if (count != 0) return static_cast<ULONG>(count);
    referenceCount = DestroyingCount;
    if (MayDelete()) {
        delete this;
        return 0;
    }
    referenceCount = 0;
    return 0;
}

void ComUltraliteC::FindInterface(REFIID iid, void** object) {
    if (IsEqualIID(iid, IID_IUnknown)) {
        AddRef();
        *object = static_cast<IUnknown*>(this);
    }
}

int ComUltraliteC::MayDelete() { return 1; }

ComUltraliteC::~ComUltraliteC() = default;

void* ComUltraliteC::operator new(std::size_t size) {
    void* block = MemAlloc(static_cast<uint32_t>(size), MemFlagFatal);
    // A handler that resumes the fatal error leaves us without memory, and
    // the language allows no null here.
    if (!block) throw std::bad_alloc();
    return block;
}

void* ComUltraliteC::operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return MemAlloc(static_cast<uint32_t>(size), 0);
}

void ComUltraliteC::operator delete(void* block) noexcept { MemFree(block); }

void ComUltraliteC::operator delete(void* block, const std::nothrow_t&) noexcept { MemFree(block); }
