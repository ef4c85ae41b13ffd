// The reference-counting base of every COM object of the library
// (ComUltraliteC) and the template that adds one COM interface to such a
// class as a sub-object (ImplementComC).
//
// Virtual slots of ComUltraliteC, in order: QueryInterface, AddRef, Release,
// FindInterface, MayDelete, destructor. A class answers an interface by
// overriding FindInterface; QueryInterface itself is never overridden.
#pragma once

#include "platform/com_types.h"

#include <cstddef>
#include <new>

class ComUltraliteC : public IUnknown {
public:
    ComUltraliteC() = default;
    ComUltraliteC(const ComUltraliteC&) = delete;
    ComUltraliteC& operator=(const ComUltraliteC&) = delete;

    // Clears *object and asks FindInterface; S_OK when it produced a pointer,
    // E_NOINTERFACE otherwise (E_POINTER for a null out pointer).
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
    // Adds one reference; returns the new count.
    ULONG STDMETHODCALLTYPE AddRef() override;
    // Drops one reference; at zero the object is destroyed (see ComUltraliteC::Release).
    ULONG STDMETHODCALLTYPE Release() override;

    // Stores the interface pointer for iid in *object after adding one
    // reference, or leaves *object untouched. The base answers IID_IUnknown
    // with the object itself.
    virtual void FindInterface(REFIID iid, void** object);
    // Asked when the count reaches zero; the object stays when it answers 0.
    virtual int MayDelete();
    virtual ~ComUltraliteC();

    // COM objects live on the runtime heap through the library's seam, so
    // allocation-failure tests reach them. Plain new is fatal on failure;
    // new (std::nothrow) returns null.
    static void* operator new(std::size_t size);
    static void* operator new(std::size_t size, const std::nothrow_t&) noexcept;
    static void operator delete(void* block) noexcept;
    static void operator delete(void* block, const std::nothrow_t&) noexcept;

protected:
    // 1 after construction. While the destructor runs it stands at 100, so
    // that references taken and dropped there cannot start a second
    // destruction.
    LONG referenceCount = 1;
};

// Adds Interface as a second sub-object (its table pointer follows the
// count). The sub-object's IUnknown methods are the object's own: one
// override serves both tables. Base may itself be an ImplementComC, which
// stacks further interfaces.
template <class Interface, class Base>
class ImplementComC : public Base, public Interface {
public:
    using Base::Base;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        return Base::QueryInterface(iid, object);
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return Base::AddRef(); }
    ULONG STDMETHODCALLTYPE Release() override { return Base::Release(); }

protected:
    // The Interface sub-object with one reference added, for FindInterface.
    void* AddRefInterface() {
        Base::AddRef();
        return static_cast<Interface*>(this);
    }
};
