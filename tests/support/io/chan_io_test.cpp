// Reading, writing, seeking and copying on channels over an in-memory stream
// that counts the calls it receives and can be made to fail.
#include "support/io/channel.h"

#include "common/fake_stream.h"
#include "platform/win_exception.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

// Bytes 0, 1, 2, ... (mod 251, so that no period matches the buffer's).
std::vector<unsigned char> Pattern(size_t n) {
    std::vector<unsigned char> bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<unsigned char>(i % 251);
    return bytes;
}

struct Chan {
    FakeStreamC* stream = new FakeStreamC();
    ChanRecord* channel = nullptr;
    explicit Chan(uint8_t mode, std::vector<unsigned char> data = {}) {
        stream->data = std::move(data);
        channel = FakeChannel(stream, mode);
    }
    ~Chan() {
        FreeFakeChannel(channel);
        stream->Release();
    }
};

constexpr uint8_t ReadWrite = ChanModeRead | ChanModeWrite;

TEST(ChanRead, ShortReadReturnsWholeItemsAndSetsAtEnd) {
    Chan c(ChanModeRead, Pattern(10));
    unsigned char out[12] = {};
    EXPECT_EQ(ChanRead(out, 4, 3, c.channel), 2);
    EXPECT_EQ(ChanAtEnd(c.channel), 1);
    EXPECT_EQ(std::memcmp(out, Pattern(10).data(), 10), 0);
    EXPECT_EQ(ChanRead(out, 4, 0, c.channel), 0);
    EXPECT_EQ(ChanRead(out, 0, 5, c.channel), 5); // nothing wanted, all of it read
}

TEST(ChanRead, RefusesWithoutReadModeOrChannel) {
    Chan c(ChanModeWrite, Pattern(10));
    unsigned char out[4];
    EXPECT_EQ(ChanRead(out, 1, 4, c.channel), 0);
    EXPECT_EQ(ChanRead(out, 1, 4, nullptr), 0);
    EXPECT_EQ(ChanRead(out, -1, 4, c.channel), 0);
    EXPECT_EQ(c.stream->reads, 0);
}

TEST(ChanRead, SmallReadsShareOneBufferFill) {
    Chan c(ChanModeRead, Pattern(1500));
    std::vector<unsigned char> out(1500);
    EXPECT_EQ(ChanRead(out.data(), 1, 100, c.channel), 100);
    EXPECT_EQ(c.stream->reads, 1);
    EXPECT_EQ(ChanRead(out.data() + 100, 1, 412, c.channel), 412); // the rest of the first 512
    EXPECT_EQ(c.stream->reads, 1);
    EXPECT_EQ(ChanRead(out.data() + 512, 1, 1, c.channel), 1);
    EXPECT_EQ(c.stream->reads, 2);
    EXPECT_EQ(std::memcmp(out.data(), Pattern(513).data(), 513), 0);
    EXPECT_EQ(ChanAtEnd(c.channel), 0);
}

TEST(ChanRead, LargeRequestsBypassTheBuffer) {
    Chan c(ChanModeRead, Pattern(2000));
    std::vector<unsigned char> out(2000);
    EXPECT_EQ(ChanRead(out.data(), 512, 1, c.channel), 1);
    EXPECT_EQ(c.stream->reads, 1);
    EXPECT_EQ(c.channel->fill, 0);
    // 10 bytes fill the buffer; 600 more take its 502 and then 98 from a refill.
    EXPECT_EQ(ChanRead(out.data() + 512, 1, 10, c.channel), 10);
    EXPECT_EQ(ChanRead(out.data() + 522, 2, 300, c.channel), 300);
    EXPECT_EQ(std::memcmp(out.data(), Pattern(1122).data(), 1122), 0);
    EXPECT_EQ(ChanTell(c.channel), 1122);
}

TEST(ChanRead, StreamsThatHandOutLittleAtATimeAreReadToTheEnd) {
    Chan c(ChanModeRead, Pattern(1300));
    c.stream->readPiece = 7;
    std::vector<unsigned char> out(1300);
    EXPECT_EQ(ChanRead(out.data(), 1, 20, c.channel), 20);
    EXPECT_EQ(ChanRead(out.data() + 20, 1, 1000, c.channel), 1000);
    EXPECT_EQ(ChanRead(out.data() + 1020, 4, 70, c.channel), 70);
    EXPECT_EQ(ChanAtEnd(c.channel), 0);
    EXPECT_EQ(out, Pattern(1300));
}

TEST(ChanItems, SwapReversesTwoAndFourByteItemsOnly) {
    const unsigned char bytes[] = {1, 2, 3, 4, 5, 6, 7, 8};
    Chan c(ChanModeRead, std::vector<unsigned char>(bytes, bytes + 8));
    c.channel->swap = 1;
    unsigned char out[8] = {};
    EXPECT_EQ(ChanReadItems(out, 2, 1, c.channel), 1);
    EXPECT_EQ(out[0], 2);
    EXPECT_EQ(out[1], 1);
    EXPECT_EQ(ChanReadItems(out, 4, 1, c.channel), 1);
    EXPECT_EQ(std::memcmp(out, "\x06\x05\x04\x03", 4), 0);
    EXPECT_EQ(ChanReadItems(out, 1, 2, c.channel), 2);
    EXPECT_EQ(out[0], 7);
    EXPECT_EQ(ChanReadItems(out, 3, 1, c.channel), 0);

    Chan w(ChanModeWrite);
    w.channel->swap = 1;
    // 700 two-byte items: more than one 1024-byte work buffer.
    std::vector<uint16_t> words(700);
    for (size_t i = 0; i < words.size(); ++i) words[i] = static_cast<uint16_t>(0x0100 + i);
    EXPECT_EQ(ChanWriteItems(words.data(), 2, 700, w.channel), 700);
    EXPECT_EQ(ChanFlush(w.channel), 0);
    ASSERT_EQ(w.stream->data.size(), 1400u);
    for (size_t i = 0; i < words.size(); ++i) {
        uint16_t big = static_cast<uint16_t>(w.stream->data[2 * i] << 8 | w.stream->data[2 * i + 1]);
        ASSERT_EQ(big, static_cast<uint16_t>(words[i] >> 8 | words[i] << 8)) << i;
    }
    EXPECT_EQ(words[1], 0x0101); // the caller's items stay as they were
}

TEST(ChanPeekTell, PeekDoesNotMoveTheChannel) {
    Chan c(ChanModeRead, Pattern(600));
    unsigned char byte = 0;
    EXPECT_EQ(ChanRead(&byte, 1, 1, c.channel), 1);
    EXPECT_EQ(ChanTell(c.channel), 1);
    EXPECT_EQ(ChanPeek(c.channel), 1);
    EXPECT_EQ(ChanPeek(c.channel), 1);
    EXPECT_EQ(ChanTell(c.channel), 1);
    EXPECT_EQ(ChanRead(&byte, 1, 1, c.channel), 1);
    EXPECT_EQ(byte, 1);

    // At the buffer's end the peek refills it and still leaves the place alone.
    std::vector<unsigned char> skip(510);
    EXPECT_EQ(ChanRead(skip.data(), 1, 510, c.channel), 510);
    EXPECT_EQ(ChanPeek(c.channel), 512 % 251);
    EXPECT_EQ(ChanTell(c.channel), 512);
}

TEST(ChanPeekTell, PeekAtTheEndAndAfterASeek) {
    Chan c(ChanModeRead, Pattern(3));
    unsigned char out[3];
    EXPECT_EQ(ChanRead(out, 1, 3, c.channel), 3);
    EXPECT_EQ(ChanPeek(c.channel), -1);
    EXPECT_EQ(ChanAtEnd(c.channel), 1);
    EXPECT_EQ(ChanSeek(c.channel, 1, STREAM_SEEK_SET), 0);
    EXPECT_EQ(ChanAtEnd(c.channel), 0);
    EXPECT_EQ(ChanPeek(c.channel), 1);

    Chan w(ChanModeWrite, Pattern(3));
    EXPECT_EQ(ChanPeek(w.channel), -1);
    EXPECT_EQ(ChanPeek(nullptr), -1);
}

TEST(ChanPeekTell, TellCountsBufferedBytesBothWays) {
    Chan c(ReadWrite, Pattern(100));
    unsigned char out[5];
    EXPECT_EQ(ChanRead(out, 1, 5, c.channel), 5);
    EXPECT_EQ(c.stream->position, 100u); // the stream ran ahead
    EXPECT_EQ(ChanTell(c.channel), 5);
    EXPECT_EQ(ChanSeek(c.channel, 0, STREAM_SEEK_END), 0);
    EXPECT_EQ(ChanWrite("abc", 1, 3, c.channel), 3);
    EXPECT_EQ(c.stream->position, 100u); // still buffered
    EXPECT_EQ(ChanTell(c.channel), 103);
    EXPECT_EQ(ChanSize(c.channel), 103); // the size flushes first
}

TEST(ChanSeek, InsideTheReadBufferTheStreamIsNotTouched) {
    Chan c(ChanModeRead, Pattern(1000));
    unsigned char byte = 0;
    EXPECT_EQ(ChanRead(&byte, 1, 1, c.channel), 1);
    int seeks = c.stream->seeks, reads = c.stream->reads;
    EXPECT_EQ(ChanSeek(c.channel, 200, STREAM_SEEK_CUR), 0);
    EXPECT_EQ(ChanRead(&byte, 1, 1, c.channel), 1);
    EXPECT_EQ(byte, 201);
    EXPECT_EQ(ChanSeek(c.channel, -150, STREAM_SEEK_CUR), 0);
    EXPECT_EQ(ChanRead(&byte, 1, 1, c.channel), 1);
    EXPECT_EQ(byte, 52);
    EXPECT_EQ(c.stream->seeks, seeks);
    EXPECT_EQ(c.stream->reads, reads);
}

TEST(ChanSeek, OutsideTheBufferTheStreamMovesToTheChannelsPlace) {
    Chan c(ChanModeRead, Pattern(2000));
    unsigned char byte = 0;
    std::vector<unsigned char> out(10);
    EXPECT_EQ(ChanRead(out.data(), 1, 10, c.channel), 10);
    EXPECT_EQ(ChanSeek(c.channel, 600, STREAM_SEEK_CUR), 0); // past the 512 buffered
    EXPECT_EQ(ChanTell(c.channel), 610);
    EXPECT_EQ(ChanRead(&byte, 1, 1, c.channel), 1);
    EXPECT_EQ(byte, 610 % 251);
    EXPECT_EQ(ChanSeek(c.channel, -11, STREAM_SEEK_CUR), 0); // before the buffer
    EXPECT_EQ(ChanRead(&byte, 1, 1, c.channel), 1);
    EXPECT_EQ(byte, 600 % 251);
    EXPECT_EQ(ChanSeek(c.channel, -1, STREAM_SEEK_END), 0);
    EXPECT_EQ(ChanTell(c.channel), 1999);
}

TEST(ChanSeek, OriginsAndOffsets) {
    Chan c(ChanModeRead, Pattern(20));
    EXPECT_EQ(ChanSeek(c.channel, 0, 3), -1);
    EXPECT_EQ(ChanSeek(c.channel, 0, -1), -1);
    EXPECT_EQ(c.stream->seeks, 0);
    // From the start the offset counts as unsigned 32-bit.
    EXPECT_EQ(ChanSeek(c.channel, -1, STREAM_SEEK_SET), 0);
    EXPECT_EQ(c.stream->position, 0xFFFFFFFFu);
    EXPECT_THROW(ChanSeek(nullptr, 0, STREAM_SEEK_SET), PlatformSoftwareException);
    EXPECT_THROW(ChanTell(nullptr), PlatformSoftwareException);
    EXPECT_THROW(ChanAtEnd(nullptr), PlatformSoftwareException);
}

TEST(ChanSeek, AFailedStreamSeekIsReportedAndLosesNothing) {
    Chan c(ChanModeRead, Pattern(1000));
    unsigned char byte = 0;
    EXPECT_EQ(ChanRead(&byte, 1, 1, c.channel), 1);
    c.stream->failSeek = true;
    EXPECT_EQ(ChanSeek(c.channel, 700, STREAM_SEEK_CUR), -1);
    EXPECT_EQ(ChanSeek(c.channel, 5, STREAM_SEEK_SET), -1);
    c.stream->failSeek = false;
    EXPECT_EQ(ChanRead(&byte, 1, 1, c.channel), 1);
    EXPECT_EQ(byte, 1); // still where the channel stood
}

TEST(ChanWrite, SmallWritesWaitInTheBufferLargeOnesGoStraightThrough) {
    Chan c(ChanModeWrite);
    std::vector<unsigned char> bytes = Pattern(1300);
    EXPECT_EQ(ChanWrite(bytes.data(), 1, 100, c.channel), 100);
    EXPECT_EQ(c.stream->writes, 0);
    EXPECT_EQ(ChanFlush(c.channel), 0);
    EXPECT_EQ(c.stream->writes, 1);

    EXPECT_EQ(ChanWrite(bytes.data() + 100, 600, 1, c.channel), 1); // empty buffer: one direct write
    EXPECT_EQ(c.stream->writes, 2);
    EXPECT_EQ(c.channel->position, 0);

    EXPECT_EQ(ChanWrite(bytes.data() + 700, 1, 100, c.channel), 100);
    EXPECT_EQ(ChanWrite(bytes.data() + 800, 1, 500, c.channel), 500); // tops up 412, keeps 88
    EXPECT_EQ(c.stream->writes, 3);
    EXPECT_EQ(c.channel->position, 88);
    EXPECT_EQ(ChanFlush(c.channel), 0);
    EXPECT_EQ(c.stream->data, bytes);
}

TEST(ChanWrite, FailedWritesAreNeverReportedAsSuccess) {
    Chan c(ChanModeWrite);
    std::vector<unsigned char> bytes = Pattern(700);
    c.stream->writeBudget = 100;
    EXPECT_EQ(ChanWrite(bytes.data(), 1, 600, c.channel), 0); // direct write came up short

    Chan f(ChanModeWrite);
    f.stream->writeBudget = 40;
    EXPECT_EQ(ChanWrite(bytes.data(), 1, 100, f.channel), 100);
    EXPECT_EQ(ChanFlush(f.channel), 1);
    EXPECT_EQ(f.channel->position, 60); // the 60 not taken are kept
    f.stream->writeBudget = -1;
    EXPECT_EQ(ChanFlush(f.channel), 0);
    EXPECT_EQ(f.stream->data, std::vector<unsigned char>(bytes.begin(), bytes.begin() + 100));

    Chan g(ChanModeWrite);
    g.stream->writeBudget = 300;
    EXPECT_EQ(ChanWrite(bytes.data(), 1, 400, g.channel), 400);
    EXPECT_EQ(ChanWrite(bytes.data() + 400, 1, 200, g.channel), 0); // its flush came up short
    EXPECT_EQ(ChanSeek(g.channel, 0, STREAM_SEEK_SET), -1);         // the pending write still fails

    Chan r(ChanModeRead);
    EXPECT_EQ(ChanWrite(bytes.data(), 1, 1, r.channel), 0);
    EXPECT_EQ(ChanWrite(bytes.data(), 1, 1, nullptr), 0);
}

TEST(ChanWrite, SwitchingBetweenReadingAndWritingKeepsThePlace) {
    const char* text = "abcdefghij";
    Chan c(ReadWrite, std::vector<unsigned char>(text, text + 10));
    char out[8] = {};
    EXPECT_EQ(ChanRead(out, 1, 3, c.channel), 3);
    EXPECT_EQ(ChanWrite("XY", 1, 2, c.channel), 2);
    EXPECT_EQ(ChanTell(c.channel), 5);
    EXPECT_EQ(ChanRead(out, 1, 2, c.channel), 2); // flushes, then reads on
    EXPECT_EQ(std::string(out, 2), "fg");
    EXPECT_EQ(c.stream->Text(), "abcXYfghij");
}

TEST(ChanCopy, CopiesTheRestIncludingReadAhead) {
    Chan source(ChanModeRead, Pattern(3000));
    Chan destination(ChanModeWrite);
    unsigned char head[5];
    EXPECT_EQ(ChanRead(head, 1, 5, source.channel), 5);
    EXPECT_EQ(ChanWrite("<", 1, 1, destination.channel), 1);
    EXPECT_EQ(ChanCopy(source.channel, destination.channel), 0);
    EXPECT_EQ(source.stream->copies, 1); // asked first, then copied by hand
    std::vector<unsigned char> expected = Pattern(3000);
    expected.erase(expected.begin(), expected.begin() + 5);
    expected.insert(expected.begin(), '<');
    EXPECT_EQ(destination.stream->data, expected);

    Chan s2(ChanModeRead, Pattern(2000));
    s2.stream->copyToImplemented = true;
    Chan d2(ChanModeWrite);
    EXPECT_EQ(ChanCopy(s2.channel, d2.channel), 0);
    EXPECT_EQ(d2.stream->data, Pattern(2000));
}

TEST(ChanCopy, RefusalsAndFailures) {
    Chan source(ChanModeRead, Pattern(3000));
    Chan readOnly(ChanModeRead);
    EXPECT_EQ(ChanCopy(source.channel, readOnly.channel), 1);
    EXPECT_EQ(ChanCopy(readOnly.channel, source.channel), 1);
    EXPECT_THROW(ChanCopy(nullptr, source.channel), PlatformSoftwareException);

    Chan full(ChanModeWrite);
    full.stream->writeBudget = 1500;
    EXPECT_EQ(ChanCopy(source.channel, full.channel), 1);

    FakeStreamC* from = source.stream;
    from->position = 0;
    Chan to(ChanModeWrite);
    to.stream->writeBudget = 1500;
    uint32_t read = 0, written = 0;
    EXPECT_EQ(ChanStreamCopy(2500, from, &read, to.stream, &written), 0);
    EXPECT_EQ(read, 2048u); // stops at the chunk that did not fit
    EXPECT_EQ(written, 1500u);

    from->position = 0;
    Chan limited(ChanModeWrite);
    from->reads = 0;
    EXPECT_EQ(ChanStreamCopy(2500, from, &read, limited.stream, &written), 1);
    EXPECT_EQ(read, 2500u);
    EXPECT_EQ(written, 2500u);
    EXPECT_EQ(from->reads, 3); // 1024, 1024, 452
}

} // namespace
