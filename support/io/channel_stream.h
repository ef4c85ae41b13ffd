// ChannelStreamC: IStream over a Windows file handle, the stream under every
// file channel.
#pragma once

#include "platform/com_stream.h"
#include "support/io/com_base.h"

class ChannelStreamC : public ImplementComC<IStream, ComUltraliteC> {
public:
    ChannelStreamC() = default;
    // Takes ownership of an open handle (null when none).
    explicit ChannelStreamC(HANDLE file) : file(file) {}

    void FindInterface(REFIID iid, void** object) override;
    ~ChannelStreamC() override;

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override;
    HRESULT STDMETHODCALLTYPE Write(const void* buffer, ULONG count, ULONG* written) override;
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) override;
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER newSize) override;
    HRESULT STDMETHODCALLTYPE CopyTo(IStream* destination, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                     ULARGE_INTEGER* written) override;
    HRESULT STDMETHODCALLTYPE Commit(DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Revert() override;
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD lockType) override;
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER count, DWORD lockType) override;
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* status, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE Clone(IStream** copy) override;

    // The Windows file handle; null when none is open.
    HANDLE file = nullptr;
};
