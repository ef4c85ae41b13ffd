// Buffered reading, writing, seeking and copying on an open channel.
//
// The 512-byte buffer holds read-ahead data while the channel reads and
// unwritten data while it writes. Requests of a buffer's size or more go
// straight to the stream.
#include "support/io/channel.h"

#include "support/base/memory.h"

#include <cstring>

namespace {

// Largest single request handed to a stream: ULONG counts, with room to spare.
constexpr uint64_t StreamChunk = 0x40000000u;
// Stream-to-stream copies and swapped writes move this much at a time.
constexpr uint32_t CopyChunk = 1024;

// Reads until `want` bytes have arrived or a read brings nothing.
uint64_t StreamReadFully(IStream* stream, unsigned char* destination, uint64_t want) {
    uint64_t got = 0;
    while (got < want) {
        uint64_t ask = want - got < StreamChunk ? want - got : StreamChunk;
        ULONG done = 0;
        HRESULT hr = stream->Read(destination + got, static_cast<ULONG>(ask), &done);
        if (FAILED(hr) || done == 0) break;
        got += done > ask ? ask : done;
    }
    return got;
}

// Writes until all `count` bytes are taken or a write takes nothing.
uint64_t StreamWriteFully(IStream* stream, const unsigned char* source, uint64_t count) {
    uint64_t put = 0;
    while (put < count) {
        uint64_t ask = count - put < StreamChunk ? count - put : StreamChunk;
        ULONG done = 0;
        HRESULT hr = stream->Write(source + put, static_cast<ULONG>(ask), &done);
        if (done > ask) done = static_cast<ULONG>(ask);
        put += done;
        if (FAILED(hr) || done == 0) break;
    }
    return put;
}

HRESULT StreamSeek(IStream* stream, int64_t move, int origin, uint64_t* position) {
    LARGE_INTEGER distance;
    distance.QuadPart = move;
    ULARGE_INTEGER where;
    where.QuadPart = 0;
    HRESULT hr = stream->Seek(distance, static_cast<DWORD>(origin), &where);
    if (position) *position = where.QuadPart;
    return hr;
}

// Ends reading: the stream stands `fill - position` bytes ahead of the
// channel's place, so step it back before the buffer is dropped; a write
// that follows a read then lands where the reader stopped. 0, or 1 when the
// stream could not step back (the buffer is kept).
int DropReadBuffer(ChanRecord* channel) {
    int64_t ahead = channel->fill - channel->position;
    if (ahead > 0 && FAILED(StreamSeek(channel->stream, -ahead, STREAM_SEEK_CUR, nullptr))) return 1;
    channel->position = 0;
    channel->fill = 0;
    channel->state = ChanStateIdle;
    return 0;
}

// The end of a failed write: the stream steps back over the `landed` bytes
// of the write that reached it, so that a retry writes them over themselves
// instead of after themselves. Always 0, the failed write's result.
int32_t UnwriteFailed(ChanRecord* channel, uint64_t landed) {
    if (landed > 0) StreamSeek(channel->stream, -static_cast<int64_t>(landed), STREAM_SEEK_CUR, nullptr);
    return 0;
}

void ReverseItems(unsigned char* data, int32_t size, uint64_t count) {
    for (uint64_t i = 0; i < count; ++i, data += size) {
        for (int32_t a = 0, b = size - 1; a < b; ++a, --b) {
            unsigned char t = data[a];
            data[a] = data[b];
            data[b] = t;
        }
    }
}

} // namespace

int32_t ChanRead(void* destination, int32_t size, int32_t count, ChanRecord* channel) {
    if (!channel || !(channel->mode & ChanModeRead) || size < 0 || count < 0) return 0;
    if (!destination && size > 0 && count > 0) return 0;
    // Unwritten data cannot share the buffer with read-ahead: it must reach
    // the stream first, or the read is refused.
    if (channel->state == ChanStateWriting && ChanFlush(channel)) return 0;
    channel->state = ChanStateReading;

    auto* out = static_cast<unsigned char*>(destination);
    uint64_t want = static_cast<uint64_t>(size) * static_cast<uint64_t>(count);
    uint64_t got = 0;
    while (got < want) {
        if (channel->position < channel->fill) {
            uint64_t ready = static_cast<uint64_t>(channel->fill - channel->position);
            uint64_t take = want - got < ready ? want - got : ready;
            std::memcpy(out + got, channel->buffer + channel->position, take);
            channel->position = static_cast<int16_t>(channel->position + take);
            got += take;
            continue;
        }
        channel->position = 0;
        channel->fill = 0;
        uint64_t rest = want - got;
        if (rest >= ChanBufferSize) {
            got += StreamReadFully(channel->stream, out + got, rest);
            break;
        }
        ULONG done = 0;
        HRESULT hr = channel->stream->Read(channel->buffer, ChanBufferSize, &done);
        if (FAILED(hr) || done == 0) break;
        channel->fill = static_cast<int16_t>(done > ULONG{ChanBufferSize} ? ULONG{ChanBufferSize} : done);
    }
    if (got < want) {
        channel->atEnd = 1;
        return static_cast<int32_t>(got / static_cast<uint64_t>(size));
    }
    return count;
}

int ChanFlush(ChanRecord* channel) {
    if (!channel || channel->state != ChanStateWriting || channel->position <= 0) return 0;
    uint64_t pending = static_cast<uint64_t>(channel->position);
    uint64_t put = StreamWriteFully(channel->stream, channel->buffer, pending);
    if (put < pending) {
        // Keep what the stream did not take, so that a later flush can retry
        // and nothing is silently lost.
        std::memmove(channel->buffer, channel->buffer + put, pending - put);
        channel->position = static_cast<int16_t>(pending - put);
        return 1;
    }
    channel->position = 0;
    return 0;
}

int32_t ChanWrite(const void* source, int32_t size, int32_t count, ChanRecord* channel) {
    if (!channel || !(channel->mode & ChanModeWrite) || size < 0 || count < 0) return 0;
    if (!source && size > 0 && count > 0) return 0;
    if (channel->state == ChanStateReading && DropReadBuffer(channel)) return 0;
    channel->state = ChanStateWriting;

    auto* in = static_cast<const unsigned char*>(source);
    uint64_t rest = static_cast<uint64_t>(size) * static_cast<uint64_t>(count);
    uint64_t space = static_cast<uint64_t>(ChanBufferSize - channel->position);
    if (rest < space) {
        std::memcpy(channel->buffer + channel->position, in, rest);
        channel->position = static_cast<int16_t>(channel->position + rest);
        return count;
    }
    // A write that fails takes none of its bytes: a caller that tries again
    // must not find some of them written, or held for writing, already.
    uint64_t landed = 0; // bytes of this call that reached the stream
    // Top up a partly filled buffer and flush it; an empty one is bypassed.
    if (channel->position > 0) {
        uint64_t held = static_cast<uint64_t>(channel->position);
        std::memcpy(channel->buffer + channel->position, in, space);
        uint64_t put = StreamWriteFully(channel->stream, channel->buffer, ChanBufferSize);
        if (put < ChanBufferSize) {
            // Earlier bytes the stream did not take stay for a later flush.
            uint64_t kept = put < held ? held - put : 0;
            std::memmove(channel->buffer, channel->buffer + put, kept);
            channel->position = static_cast<int16_t>(kept);
            return UnwriteFailed(channel, put > held ? put - held : 0);
        }
        channel->position = 0;
        in += space;
        rest -= space;
        landed = space;
    }
    if (rest < ChanBufferSize) {
        std::memcpy(channel->buffer, in, rest);
        channel->position = static_cast<int16_t>(rest);
        return count;
    }
    uint64_t put = StreamWriteFully(channel->stream, in, rest);
    if (put < rest) return UnwriteFailed(channel, landed + put);
    return count;
}

int32_t ChanReadItems(void* destination, int32_t size, int32_t count, ChanRecord* channel) {
    if (size != 1 && size != 2 && size != 4) return 0;
    int32_t read = ChanRead(destination, size, count, channel);
    if (read > 0 && size > 1 && channel->swap)
        ReverseItems(static_cast<unsigned char*>(destination), size, static_cast<uint64_t>(read));
    return read;
}

int32_t ChanWriteItems(const void* source, int32_t size, int32_t count, ChanRecord* channel) {
    if (size != 1 && size != 2 && size != 4) return 0;
    if (!channel || size == 1 || !channel->swap) return ChanWrite(source, size, count, channel);
    if (!(channel->mode & ChanModeWrite) || count < 0 || (!source && count > 0)) return 0;

    unsigned char work[CopyChunk];
    const int32_t perChunk = static_cast<int32_t>(CopyChunk) / size;
    auto* in = static_cast<const unsigned char*>(source);
    for (int32_t done = 0; done < count;) {
        int32_t items = count - done < perChunk ? count - done : perChunk;
        std::memcpy(work, in + static_cast<size_t>(done) * static_cast<size_t>(size),
                    static_cast<size_t>(items) * static_cast<size_t>(size));
        ReverseItems(work, size, static_cast<uint64_t>(items));
        if (ChanWrite(work, size, items, channel) != items) return 0;
        done += items;
    }
    return count;
}

int ChanSeek(ChanRecord* channel, int32_t offset, int origin) {
    if (!channel) {
        AssertFailed();
        return -1;
    }
    if (origin != STREAM_SEEK_SET && origin != STREAM_SEEK_CUR && origin != STREAM_SEEK_END) return -1;
    channel->atEnd = 0;
    if (channel->state == ChanStateWriting && ChanFlush(channel)) return -1;

    int64_t move = origin == STREAM_SEEK_SET ? static_cast<int64_t>(static_cast<uint32_t>(offset)) : offset;
    if (origin == STREAM_SEEK_CUR && channel->state == ChanStateReading) {
        int64_t target = static_cast<int64_t>(channel->position) + offset;
        if (target >= 0 && target < channel->fill) {
            channel->position = static_cast<int16_t>(target);
            return 0;
        }
        // The stream stands fill - position bytes past the channel's place.
        move += channel->position - channel->fill;
    }
    // A failed seek leaves the stream where it was, so the buffer stays too.
    if (FAILED(StreamSeek(channel->stream, move, origin, nullptr))) return -1;
    channel->position = 0;
    channel->fill = 0;
    channel->state = ChanStateIdle;
    return 0;
}

int ChanPeek(ChanRecord* channel) {
    if (!channel) return -1;
    if (channel->state == ChanStateReading && channel->position < channel->fill)
        return channel->buffer[channel->position];
    if (!(channel->mode & ChanModeRead)) return -1;
    if (channel->state == ChanStateWriting && ChanFlush(channel)) return -1;

    unsigned char byte = 0;
    if (ChanRead(&byte, 1, 1, channel) != 1) {
        channel->atEnd = 1;
        return -1;
    }
    if (channel->position > 0) {
        --channel->position;
    } else {
        if (FAILED(StreamSeek(channel->stream, -1, STREAM_SEEK_CUR, nullptr))) return -1;
        channel->position = 0;
        channel->fill = 0;
    }
    channel->atEnd = 0;
    return byte;
}

int32_t ChanTell(ChanRecord* channel) {
    if (!channel) {
        AssertFailed();
        return -1;
    }
    uint64_t where = 0;
    if (FAILED(StreamSeek(channel->stream, 0, STREAM_SEEK_CUR, &where))) return -1;
    int64_t position = static_cast<int64_t>(where);
    if (channel->state == ChanStateWriting) position += channel->position;
    else if (channel->state == ChanStateReading) position += channel->position - channel->fill;
    return static_cast<int32_t>(position);
}

int32_t ChanSize(ChanRecord* channel) {
    if (!channel) return -1;
    if (channel->state == ChanStateWriting) ChanFlush(channel);
    STATSTG status;
    std::memset(&status, 0, sizeof status);
    // No name is asked for: a stream that filled one would leave it to us.
    channel->stream->Stat(&status, STATFLAG_NONAME);
    return static_cast<int32_t>(status.cbSize.QuadPart);
}

int32_t ChanAtEnd(ChanRecord* channel) {
    if (!channel) {
        AssertFailed();
        return 0;
    }
    return channel->atEnd;
}

int ChanStreamCopy(uint32_t count, IStream* source, uint32_t* read, IStream* destination, uint32_t* written) {
    uint32_t totalRead = 0;
    uint32_t totalWritten = 0;
    int complete = 1;
    unsigned char chunk[CopyChunk];
    while (source && destination && totalRead < count) {
        ULONG ask = count - totalRead < CopyChunk ? count - totalRead : CopyChunk;
        ULONG got = 0;
        HRESULT hr = source->Read(chunk, ask, &got);
        if (got > ask) got = ask;
        if (FAILED(hr) || got == 0) break;
        totalRead += got;
        uint64_t put = StreamWriteFully(destination, chunk, got);
        totalWritten += static_cast<uint32_t>(put);
        if (put < got) {
            complete = 0;
            break;
        }
    }
    if (!source || !destination) complete = 0;
    if (read) *read = totalRead;
    if (written) *written = totalWritten;
    return complete;
}

int ChanCopy(ChanRecord* source, ChanRecord* destination) {
    if (!source || !destination) {
        AssertFailed();
        return 1;
    }
    if (!(source->mode & ChanModeRead) || !(destination->mode & ChanModeWrite)) return 1;

    // The source's unwritten data belongs before what is copied; its
    // read-ahead is the first of what is copied.
    if (source->state == ChanStateWriting && ChanFlush(source)) return 1;
    if (source->state == ChanStateReading) {
        int32_t unread = source->fill - source->position;
        if (unread > 0 && ChanWrite(source->buffer + source->position, 1, unread, destination) != unread) return 1;
        source->position = 0;
        source->fill = 0;
        source->state = ChanStateIdle;
    }
    if (ChanFlush(destination)) return 1;

    ULARGE_INTEGER all;
    all.QuadPart = ~static_cast<uint64_t>(0);
    HRESULT hr = source->stream->CopyTo(destination->stream, all, nullptr, nullptr);
    if (hr == E_NOTIMPL)
        return ChanStreamCopy(0xFFFFFFFFu, source->stream, nullptr, destination->stream, nullptr) ? 0 : 1;
    return SUCCEEDED(hr) ? 0 : 1;
}
