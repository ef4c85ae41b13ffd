// ChannelStreamC: the IStream operations over a Windows file handle.
#include "support/io/channel_stream.h"

#include "platform/win_file.h"
#include "support/io/channel.h"

#include <cstring>

void ChannelStreamC::FindInterface(REFIID iid, void** object) {
    if (IsEqualIID(iid, IID_IStream)) {
        *object = AddRefInterface();
        return;
    }
    ImplementComC::FindInterface(iid, object);
}

ChannelStreamC::~ChannelStreamC() {
    if (file) CloseHandle(file);
    file = nullptr;
}

HRESULT STDMETHODCALLTYPE ChannelStreamC::Read(void* buffer, ULONG count, ULONG* read) {
    DWORD done = 0;
    if (!ReadFile(file, buffer, count, &done, nullptr)) done = 0;
    if (read) *read = done;
    return done == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE ChannelStreamC::Write(const void* buffer, ULONG count, ULONG* written) {
    DWORD done = 0;
    if (!WriteFile(file, buffer, count, &done, nullptr)) done = 0;
    if (written) *written = done;
    return done == count ? S_OK : E_FAIL;
}

// Success is S_OK with the new position in the out value: a position past
// 2 GiB handed back as the result would read as a failure code.
HRESULT STDMETHODCALLTYPE ChannelStreamC::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
    LONG low = static_cast<LONG>(static_cast<uint32_t>(move.QuadPart));
    DWORD position = SetFilePointer(file, low, nullptr, origin);
    if (position == INVALID_SET_FILE_POINTER) {
        if (newPosition) newPosition->QuadPart = 0;
        return E_FAIL;
    }
    if (newPosition) newPosition->QuadPart = position;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ChannelStreamC::SetSize(ULARGE_INTEGER) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE ChannelStreamC::CopyTo(IStream* destination, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                                 ULARGE_INTEGER* written) {
    if (!destination) return E_POINTER;
    uint32_t totalRead = 0;
    uint32_t totalWritten = 0;
    int complete = ChanStreamCopy(static_cast<uint32_t>(count.QuadPart), this, &totalRead, destination, &totalWritten);
    if (read) read->QuadPart = totalRead;
    if (written) written->QuadPart = totalWritten;
    return complete ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE ChannelStreamC::Commit(DWORD) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE ChannelStreamC::Revert() { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE ChannelStreamC::LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }
HRESULT STDMETHODCALLTYPE ChannelStreamC::UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) { return E_NOTIMPL; }

HRESULT STDMETHODCALLTYPE ChannelStreamC::Stat(STATSTG* status, DWORD) {
    if (!status) return E_POINTER;
    std::memset(status, 0, sizeof *status);
    status->type = STGTY_STREAM;
    DWORD size = file ? GetFileSize(file, nullptr) : INVALID_FILE_SIZE;
    status->cbSize.QuadPart = size == INVALID_FILE_SIZE ? 0 : size;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE ChannelStreamC::Clone(IStream**) { return E_NOTIMPL; }
