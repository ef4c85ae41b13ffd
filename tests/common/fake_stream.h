// An in-memory IStream for channel tests: it counts reads, writes, seeks and
// copies, and can hand out reads in small pieces, stop taking writes after a
// number of bytes, and fail its seeks.
#pragma once

#include "support/io/channel.h"
#include "support/io/com_base.h"

#include <string>
#include <vector>

class FakeStreamC : public ImplementComC<IStream, ComUltraliteC> {
public:
    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override {
        ++copies;
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* status, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }
    ~FakeStreamC() override {
        if (destroyed) *destroyed = true;
    }

    std::string Text() const { return std::string(data.begin(), data.end()); }

    std::vector<unsigned char> data;
    uint64_t position = 0;
    int reads = 0, writes = 0, seeks = 0, copies = 0;
    ULONG readPiece = 0;        // most bytes one Read hands out; 0 = no limit
    long long writeBudget = -1; // bytes still taken; -1 = no limit
    bool failSeek = false;
    bool* destroyed = nullptr;
};

// A channel over `stream`, which it takes a reference of, as opening makes
// one; ChanClose disposes of it.
ChanRecord* FakeChannel(FakeStreamC* stream, uint8_t mode);
