// File channels: a buffered byte stream over an open file (ChanRecord), its
// reading, writing, seeking and copying, and its opening and closing.
//
// Sizes, counts and positions are signed 32-bit values, as everywhere in the
// library. The channel owns one reference to its stream.
#pragma once

#include "platform/com_stream.h"

#include <cstdint>

struct PathObject;

enum : int { ChanBufferSize = 512 };

// Bits of ChanRecord::mode.
enum : uint8_t { ChanModeRead = 1, ChanModeWrite = 2 };

// Values of ChanRecord::state.
enum : uint8_t { ChanStateIdle = 0, ChanStateWriting = 1, ChanStateReading = 2 };

struct ChanRecord {
    int32_t swap;    // when set, 2- and 4-byte items are byte-reversed
    char* name;      // the path string the channel was opened on (owned)
    IStream* stream; // one reference held
    unsigned char buffer[ChanBufferSize];
    int16_t position; // next index in the buffer
    int16_t fill;     // valid bytes while reading
    uint8_t state;    // ChanStateIdle, ChanStateWriting or ChanStateReading
    uint8_t mode;     // ChanModeRead | ChanModeWrite
    int32_t atEnd;    // a read came up short; cleared by ChanSeek and ChanPeek
};

// Reading and writing. The results count whole items; a short read sets the
// at-end flag, a write that cannot be completed returns 0.
int32_t ChanRead(void* destination, int32_t size, int32_t count, ChanRecord* channel);
int32_t ChanWrite(const void* source, int32_t size, int32_t count, ChanRecord* channel);
// As ChanRead and ChanWrite for items of 1, 2 or 4 bytes, byte-reversed when
// the channel's swap flag is set. Other sizes give 0.
int32_t ChanReadItems(void* destination, int32_t size, int32_t count, ChanRecord* channel);
int32_t ChanWriteItems(const void* source, int32_t size, int32_t count, ChanRecord* channel);

// 0, or 1 when the stream took less than the buffer held; the bytes it did
// not take stay in the buffer.
int ChanFlush(ChanRecord* channel);
// origin 0 start (offset unsigned), 1 current, 2 end. 0, or -1 for another
// origin or when the pending write or the stream's seek failed.
int ChanSeek(ChanRecord* channel, int32_t offset, int origin);
// The next byte (0-255) without consuming it, or -1.
int ChanPeek(ChanRecord* channel);
// The position of the next byte read or written, or -1 when the stream
// cannot tell.
int32_t ChanTell(ChanRecord* channel);
// The size of the file, pending writes included; -1 for a null channel.
int32_t ChanSize(ChanRecord* channel);
// The at-end flag: nonzero once a read came up short. A null channel is a
// failed assertion and gives 0.
int32_t ChanAtEnd(ChanRecord* channel);
// Copies the rest of source to destination: 0, or 1 on any failure.
int ChanCopy(ChanRecord* source, ChanRecord* destination);
// Copies up to count bytes between streams in chunks of 1024 bytes. 1 when
// every chunk read was written in full, else 0. The totals go into the out
// counts when given.
int ChanStreamCopy(uint32_t count, IStream* source, uint32_t* read, IStream* destination, uint32_t* written);

// Opening and closing. Modes: "r", "r+", "w", "w+", "a". Null on failure.
ChanRecord* ChanOpen(const PathObject* path, const char* mode);
// A new file with the prefix "FMT" in the temporary directory, opened "w+".
ChanRecord* ChanOpenTemp();
// 0, or -1 for a null channel or when the final write did not complete.
int ChanClose(ChanRecord* channel);
// Closes, then deletes the file. 0, or -1 when either failed.
int ChanCloseAndDelete(ChanRecord* channel);
// The same, taking the variable that holds the channel; it is cleared.
int ChanCloseRef(ChanRecord** channelVariable);
int ChanCloseAndDeleteRef(ChanRecord** channelVariable);
