// Reading, writing, seeking and copying on channels over an in-memory stream
// that counts the calls it receives and can be made to fail.
#include "support/io/channel.h"

#include "common/fake_stream.h"
#include "common/raised_exception.h"
#include "support/base/memory.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

// Bytes 0, 1, 2, ... modulo 251, so no period lines up with the buffer.
std::vector<unsigned char> Pattern(size_t n) {
    std::vector<unsigned char> bytes(n);
    for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<unsigned char>(i % 251);
    return bytes;
}

struct Chan {
    FakeStreamC* stream = new FakeStreamC();
    ChanRecord* channel;
    explicit Chan(uint8_t mode, std::vector<unsigned char> data = {}) {
        stream->data = std::move(data);
        channel = FakeChannel(stream, mode);
        stream->Release();
    }
    ~Chan() { ChanClose(channel); }
};

constexpr uint8_t ReadWrite = ChanModeRead | ChanModeWrite;

TEST(ChanRead, ShortReadsGiveWholeItemsAndSetAtEnd) {
    Chan c(ChanModeRead, Pattern(10));
    unsigned char out[12] = {};
    EXPECT_EQ(ChanRead(out, 4, 3, c.channel), 2);
    EXPECT_EQ(ChanAtEnd(c.channel), 1);
    EXPECT_EQ(std::memcmp(out, Pattern(10).data(), 10), 0);
    EXPECT_EQ(ChanRead(out, 0, 5, c.channel), 5); // nothing wanted
    Chan w(ChanModeWrite, Pattern(10));
    EXPECT_EQ(ChanRead(out, 1, 4, w.channel), 0);
    EXPECT_EQ(w.stream->reads, 0);
}

TEST(ChanRead, BufferAndBypassAtTheBoundary) {
    Chan c(ChanModeRead, Pattern(2000));
    std::vector<unsigned char> out(2000);
    EXPECT_EQ(ChanRead(out.data(), 1, 100, c.channel), 100);
    EXPECT_EQ(ChanRead(out.data() + 100, 1, 412, c.channel), 412);
    EXPECT_EQ(c.stream->reads, 1); // one fill served both
    EXPECT_EQ(ChanRead(out.data() + 512, 512, 1, c.channel), 1);
    EXPECT_EQ(c.stream->reads, 2); // straight into the destination
    EXPECT_EQ(c.channel->fill, 0);
    // 10 bytes fill the buffer; 600 more take its 502, then 98 from a refill.
    EXPECT_EQ(ChanRead(out.data() + 1024, 1, 10, c.channel), 10);
    EXPECT_EQ(ChanRead(out.data() + 1034, 2, 300, c.channel), 300);
    EXPECT_EQ(std::vector<unsigned char>(out.begin(), out.begin() + 1634), Pattern(1634));
    EXPECT_EQ(ChanTell(c.channel), 1634);
    EXPECT_EQ(ChanAtEnd(c.channel), 0);
}

TEST(ChanRead, StreamsThatHandOutLittleAtATimeAreReadToTheEnd) {
    Chan c(ChanModeRead, Pattern(1300));
    c.stream->readPiece = 7;
    std::vector<unsigned char> out(1300);
    EXPECT_EQ(ChanRead(out.data(), 1, 20, c.channel), 20);
    EXPECT_EQ(ChanRead(out.data() + 20, 4, 320, c.channel), 320);
    EXPECT_EQ(ChanAtEnd(c.channel), 0);
    EXPECT_EQ(out, Pattern(1300));
}

TEST(ChanItems, SwapReversesTwoAndFourByteItems) {
    Chan c(ChanModeRead, {1, 2, 3, 4, 5, 6, 7});
    c.channel->swap = 1;
    unsigned char out[4] = {};
    EXPECT_EQ(ChanReadItems(out, 2, 1, c.channel), 1);
    EXPECT_EQ(std::memcmp(out, "\x02\x01", 2), 0);
    EXPECT_EQ(ChanReadItems(out, 4, 1, c.channel), 1);
    EXPECT_EQ(std::memcmp(out, "\x06\x05\x04\x03", 4), 0);
    EXPECT_EQ(ChanReadItems(out, 3, 1, c.channel), 0);
    EXPECT_EQ(ChanReadItems(out, 1, 1, c.channel), 1);
    EXPECT_EQ(out[0], 7);

    Chan w(ChanModeWrite);
    w.channel->swap = 1;
    std::vector<uint16_t> words(700); // more than one 1024-byte work buffer
    for (size_t i = 0; i < words.size(); ++i) words[i] = static_cast<uint16_t>(0x0100 + i);
    EXPECT_EQ(ChanWriteItems(words.data(), 2, 700, w.channel), 700);
    EXPECT_EQ(ChanFlush(w.channel), 0);
    ASSERT_EQ(w.stream->data.size(), 1400u);
    for (size_t i = 0; i < words.size(); ++i) {
        auto* native = reinterpret_cast<const unsigned char*>(&words[i]);
        ASSERT_TRUE(w.stream->data[2 * i] == native[1] && w.stream->data[2 * i + 1] == native[0]) << i;
    }
}

TEST(ChanPeekTell, PeekLeavesThePlaceAlone) {
    Chan c(ChanModeRead, Pattern(600));
    std::vector<unsigned char> skip(512);
    EXPECT_EQ(ChanRead(skip.data(), 1, 1, c.channel), 1);
    EXPECT_EQ(ChanPeek(c.channel), 1);
    EXPECT_EQ(ChanPeek(c.channel), 1);
    EXPECT_EQ(ChanTell(c.channel), 1);
    EXPECT_EQ(ChanRead(skip.data(), 1, 511, c.channel), 511);
    EXPECT_EQ(ChanPeek(c.channel), 512 % 251); // refills the buffer
    EXPECT_EQ(ChanTell(c.channel), 512);
    EXPECT_EQ(ChanSeek(c.channel, 0, STREAM_SEEK_END), 0);
    EXPECT_EQ(ChanPeek(c.channel), -1);
    EXPECT_EQ(ChanAtEnd(c.channel), 1);
    EXPECT_EQ(ChanSeek(c.channel, -1, STREAM_SEEK_CUR), 0);
    EXPECT_EQ(ChanAtEnd(c.channel), 0);
    EXPECT_EQ(ChanPeek(c.channel), 599 % 251);
}

TEST(ChanPeekTell, TellCountsBufferedBytesBothWays) {
    Chan c(ReadWrite, Pattern(100));
    unsigned char out[5];
    EXPECT_EQ(ChanRead(out, 1, 5, c.channel), 5);
    EXPECT_EQ(ChanTell(c.channel), 5); // the stream stands at 100
    EXPECT_EQ(ChanSeek(c.channel, 0, STREAM_SEEK_END), 0);
    EXPECT_EQ(ChanWrite("abc", 1, 3, c.channel), 3);
    EXPECT_EQ(c.stream->position, 100u);
    EXPECT_EQ(ChanTell(c.channel), 103);
    EXPECT_EQ(ChanSize(c.channel), 103);
}

TEST(ChanSeek, InsideTheReadBufferTheStreamIsNotTouched) {
    Chan c(ChanModeRead, Pattern(2000));
    unsigned char byte = 0;
    EXPECT_EQ(ChanRead(&byte, 1, 1, c.channel), 1);
    EXPECT_EQ(ChanSeek(c.channel, 200, STREAM_SEEK_CUR), 0);
    EXPECT_EQ(ChanRead(&byte, 1, 1, c.channel), 1);
    EXPECT_EQ(byte, 201);
    EXPECT_EQ(ChanSeek(c.channel, -150, STREAM_SEEK_CUR), 0);
    EXPECT_EQ(ChanRead(&byte, 1, 1, c.channel), 1);
    EXPECT_EQ(byte, 52);
    EXPECT_EQ(c.stream->seeks, 0);
    EXPECT_EQ(c.stream->reads, 1);

    // Outside it, the stream goes to the channel's place, not its own.
    EXPECT_EQ(ChanSeek(c.channel, 600, STREAM_SEEK_CUR), 0);
    EXPECT_EQ(ChanRead(&byte, 1, 1, c.channel), 1);
    EXPECT_EQ(byte, 653 % 251);
    EXPECT_EQ(ChanSeek(c.channel, -5, STREAM_SEEK_CUR), 0);
    EXPECT_EQ(ChanRead(&byte, 1, 1, c.channel), 1);
    EXPECT_EQ(byte, 649 % 251);
}

TEST(ChanSeek, OriginsFailuresAndMisuse) {
    Chan c(ChanModeRead, Pattern(1000));
    EXPECT_EQ(ChanSeek(c.channel, 0, 3), -1);
    EXPECT_EQ(ChanSeek(c.channel, -1, STREAM_SEEK_SET), 0); // unsigned from the start
    EXPECT_EQ(c.stream->position, 0xFFFFFFFFu);
    EXPECT_EQ(ChanSeek(c.channel, 0, STREAM_SEEK_SET), 0);

    unsigned char byte = 0;
    EXPECT_EQ(ChanRead(&byte, 1, 1, c.channel), 1);
    c.stream->failSeek = true;
    EXPECT_EQ(ChanSeek(c.channel, 700, STREAM_SEEK_CUR), -1);
    EXPECT_EQ(ChanTell(c.channel), -1);
    c.stream->failSeek = false;
    EXPECT_EQ(ChanRead(&byte, 1, 1, c.channel), 1);
    EXPECT_EQ(byte, 1); // nothing was lost

    EXPECT_RAISES(ChanSeek(nullptr, 0, STREAM_SEEK_SET), FatalErrorCode);
    EXPECT_RAISES(ChanTell(nullptr), FatalErrorCode);
    EXPECT_RAISES(ChanAtEnd(nullptr), FatalErrorCode);
}

TEST(ChanWrite, SmallWritesWaitLargeOnesGoStraightThrough) {
    Chan c(ChanModeWrite);
    std::vector<unsigned char> bytes = Pattern(1300);
    EXPECT_EQ(ChanWrite(bytes.data(), 1, 100, c.channel), 100);
    EXPECT_EQ(c.stream->writes, 0);
    EXPECT_EQ(ChanFlush(c.channel), 0);
    EXPECT_EQ(ChanWrite(bytes.data() + 100, 600, 1, c.channel), 1);
    EXPECT_EQ(c.stream->writes, 2);
    EXPECT_EQ(c.channel->position, 0);
    EXPECT_EQ(ChanWrite(bytes.data() + 700, 1, 100, c.channel), 100);
    EXPECT_EQ(ChanWrite(bytes.data() + 800, 1, 500, c.channel), 500); // tops up 412, keeps 88
    EXPECT_EQ(c.stream->writes, 3);
    EXPECT_EQ(ChanFlush(c.channel), 0);
    EXPECT_EQ(c.stream->data, bytes);
}

TEST(ChanWrite, FailedWritesAreNeverReportedAsSuccess) {
    std::vector<unsigned char> bytes = Pattern(700);
    Chan direct(ChanModeWrite);
    direct.stream->writeBudget = 100;
    EXPECT_EQ(ChanWrite(bytes.data(), 1, 600, direct.channel), 0);

    Chan f(ChanModeWrite);
    f.stream->writeBudget = 40;
    EXPECT_EQ(ChanWrite(bytes.data(), 1, 100, f.channel), 100);
    EXPECT_EQ(ChanFlush(f.channel), 1);
    f.stream->writeBudget = -1;
    EXPECT_EQ(ChanFlush(f.channel), 0); // the 60 not taken were kept
    EXPECT_EQ(f.stream->data, std::vector<unsigned char>(bytes.begin(), bytes.begin() + 100));

    Chan g(ChanModeWrite);
    g.stream->writeBudget = 300;
    EXPECT_EQ(ChanWrite(bytes.data(), 1, 400, g.channel), 400);
    EXPECT_EQ(ChanWrite(bytes.data() + 400, 1, 200, g.channel), 0); // its flush came up short
    EXPECT_EQ(ChanSeek(g.channel, 0, STREAM_SEEK_SET), -1);
}

// A failed write takes none of its bytes, so trying it again writes each of
// them once: 400 bytes wait in the buffer and the stream takes 300 (all of
// them old), 450 (50 of the new ones), or, for a write straight through,
// part of it.
TEST(ChanWrite, AFailedWriteIsAllOrNothingAndARetryWritesEachByteOnce) {
    std::vector<unsigned char> bytes = Pattern(1300);
    for (long long budget : {300LL, 450LL}) {
        SCOPED_TRACE(budget);
        Chan c(ChanModeWrite);
        EXPECT_EQ(ChanWrite(bytes.data(), 1, 400, c.channel), 400);
        c.stream->writeBudget = budget;
        EXPECT_EQ(ChanWrite(bytes.data() + 400, 1, 200, c.channel), 0);
        EXPECT_EQ(c.channel->position, budget < 400 ? 400 - budget : 0) << "only earlier bytes stay buffered";
        EXPECT_EQ(ChanTell(c.channel), 400) << "the channel stands where the failed write began";
        c.stream->writeBudget = -1;
        EXPECT_EQ(ChanWrite(bytes.data() + 400, 1, 200, c.channel), 200);
        EXPECT_EQ(ChanFlush(c.channel), 0);
        EXPECT_EQ(c.stream->data, std::vector<unsigned char>(bytes.begin(), bytes.begin() + 600));
    }

    Chan direct(ChanModeWrite);
    EXPECT_EQ(ChanWrite(bytes.data(), 1, 100, direct.channel), 100);
    direct.stream->writeBudget = 700;
    EXPECT_EQ(ChanWrite(bytes.data() + 100, 1, 1200, direct.channel), 0); // 412 topped up, 188 of 788 direct
    EXPECT_EQ(direct.channel->position, 0);
    EXPECT_EQ(ChanTell(direct.channel), 100);
    direct.stream->writeBudget = -1;
    EXPECT_EQ(ChanWrite(bytes.data() + 100, 1, 1200, direct.channel), 1200);
    EXPECT_EQ(direct.stream->data, bytes);
}

TEST(ChanWrite, AWriteAfterAReadLandsWhereTheReaderStopped) {
    const char* text = "abcdefghij";
    Chan c(ReadWrite, std::vector<unsigned char>(text, text + 10));
    char out[3];
    EXPECT_EQ(ChanRead(out, 1, 3, c.channel), 3);
    EXPECT_EQ(ChanWrite("XY", 1, 2, c.channel), 2);
    EXPECT_EQ(ChanTell(c.channel), 5);
    EXPECT_EQ(ChanRead(out, 1, 2, c.channel), 2);
    EXPECT_EQ(std::memcmp(out, "fg", 2), 0);
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
    expected[4] = '<';
    EXPECT_EQ(destination.stream->data, std::vector<unsigned char>(expected.begin() + 4, expected.end()));
    EXPECT_EQ(ChanCopy(destination.channel, source.channel), 1); // wrong directions

    source.stream->position = 0;
    Chan full(ChanModeWrite);
    full.stream->writeBudget = 1500;
    uint32_t read = 0, written = 0;
    EXPECT_EQ(ChanStreamCopy(2500, source.stream, &read, full.stream, &written), 0);
    EXPECT_EQ(read, 2048u); // stopped at the chunk that did not fit
    EXPECT_EQ(written, 1500u);
}

} // namespace
