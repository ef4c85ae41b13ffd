// FakeStreamC: an in-memory, call-counting, failure-injecting IStream.
#include "fake_stream.h"

#include "support/base/memory.h"

#include <cstring>

void FakeStreamC::FindInterface(REFIID iid, void** object) {
    if (IsEqualIID(iid, IID_IStream)) {
        *object = AddRefInterface();
        return;
    }
    ImplementComC::FindInterface(iid, object);
}

FakeStreamC::~FakeStreamC() {
    if (destroyed) *destroyed = true;
}

HRESULT STDMETHODCALLTYPE FakeStreamC::Read(void* buffer, ULONG count, ULONG* read) {
    ++reads;
    uint64_t left = position < data.size() ? data.size() - position : 0;
    uint64_t n = count < left ? count : left;
    if (readPiece && n > readPiece) n = readPiece;
    if (n) std::memcpy(buffer, data.data() + position, n);
    position += n;
    if (read) *read = static_cast<ULONG>(n);
    return n == count ? S_OK : S_FALSE;
}

HRESULT STDMETHODCALLTYPE FakeStreamC::Write(const void* buffer, ULONG count, ULONG* written) {
    ++writes;
    uint64_t n = count;
    if (writeBudget >= 0 && n > static_cast<uint64_t>(writeBudget)) n = static_cast<uint64_t>(writeBudget);
    if (writeBudget >= 0) writeBudget -= static_cast<long long>(n);
    if (position + n > data.size()) data.resize(position + n);
    if (n) std::memcpy(data.data() + position, buffer, n);
    position += n;
    if (written) *written = static_cast<ULONG>(n);
    return n == count ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE FakeStreamC::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
    ++seeks;
    if (failSeek) return E_FAIL;
    int64_t base = origin == STREAM_SEEK_SET ? 0 : origin == STREAM_SEEK_CUR ? static_cast<int64_t>(position)
                                                                              : static_cast<int64_t>(data.size());
    int64_t target = base + move.QuadPart;
    if (origin > STREAM_SEEK_END || target < 0) return E_INVALIDARG;
    position = static_cast<uint64_t>(target);
    if (newPosition) newPosition->QuadPart = position;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeStreamC::CopyTo(IStream* destination, ULARGE_INTEGER count, ULARGE_INTEGER* read,
                                              ULARGE_INTEGER* written) {
    ++copies;
    if (!copyToImplemented) return E_NOTIMPL;
    uint32_t r = 0, w = 0;
    uint32_t n = count.QuadPart > 0xFFFFFFFFu ? 0xFFFFFFFFu : static_cast<uint32_t>(count.QuadPart);
    int ok = ChanStreamCopy(n, this, &r, destination, &w);
    if (read) read->QuadPart = r;
    if (written) written->QuadPart = w;
    return ok ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE FakeStreamC::Stat(STATSTG* status, DWORD) {
    std::memset(status, 0, sizeof *status);
    status->type = STGTY_STREAM;
    status->cbSize.QuadPart = data.size();
    return S_OK;
}

ChanRecord* FakeChannel(FakeStreamC* stream, uint8_t mode) {
    auto* channel = static_cast<ChanRecord*>(MemCalloc(1, sizeof(ChanRecord), MemFlagFatal));
    channel->name = static_cast<char*>(MemDup("fake", 5, MemFlagFatal));
    stream->AddRef();
    channel->stream = stream;
    channel->mode = mode;
    return channel;
}

void FreeFakeChannel(ChanRecord* channel) {
    channel->stream->Release();
    MemFree(channel->name);
    MemFree(channel);
}
