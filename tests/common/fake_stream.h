// An in-memory IStream for channel tests: it counts every call and can be
// told to take reads in small pieces, to stop accepting writes after a
// number of bytes, and to fail its seeks.
#pragma once

#include "platform/com_stream.h"
#include "support/io/channel.h"
#include "support/io/com_base.h"

#include <string>
#include <vector>

class FakeStreamC : public ImplementComC<IStream, ComUltraliteC> {
public:
    void FindInterface(REFIID iid, void** object) override;
    ~FakeStreamC() override;

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* destination, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Revert() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* status, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

    LONG References() const { return referenceCount; }
    std::string Text() const { return std::string(data.begin(), data.end()); }

    std::vector<unsigned char> data;
    uint64_t position = 0;

    int reads = 0, writes = 0, seeks = 0, copies = 0;
    ULONG readPiece = 0;        // most bytes one Read hands out; 0 = no limit
    long long writeBudget = -1; // bytes still accepted; -1 = no limit
    bool failSeek = false;
    bool copyToImplemented = false; // otherwise CopyTo answers E_NOTIMPL
    bool* destroyed = nullptr;      // set when the object is destroyed
};

// A channel over `stream` (which it takes one reference of), as the open
// operation would make it, and its disposal without going through a file.
ChanRecord* FakeChannel(FakeStreamC* stream, uint8_t mode);
void FreeFakeChannel(ChanRecord* channel);
