// FakeStreamC: an in-memory, call-counting, failure-injecting IStream.
#include "fake_stream.h"

#include "support/base/memory.h"

#include <cstring>

HRESULT STDMETHODCALLTYPE FakeStreamC::Read(void* buffer, ULONG count, ULONG* read) {
    ++reads;
    uint64_t n = position < data.size() ? data.size() - position : 0;
    if (n > count) n = count;
    if (readPiece && n > readPiece) n = readPiece;
    if (n) std::memcpy(buffer, data.data() + position, n);
    position += n;
    *read = static_cast<ULONG>(n);
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
    *written = static_cast<ULONG>(n);
    return n == count ? S_OK : E_FAIL;
}

HRESULT STDMETHODCALLTYPE FakeStreamC::Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) {
    ++seeks;
    int64_t base = origin == STREAM_SEEK_SET ? 0 : origin == STREAM_SEEK_CUR ? static_cast<int64_t>(position)
                                                                              : static_cast<int64_t>(data.size());
    if (failSeek || origin > STREAM_SEEK_END || base + move.QuadPart < 0) return E_FAIL;
    position = static_cast<uint64_t>(base + move.QuadPart);
    if (newPosition) newPosition->QuadPart = position;
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FakeStreamC::Stat(STATSTG* status, DWORD) {
    std::memset(status, 0, sizeof *status);
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
