// The COM object base: interface answers, reference counting, and the
// guard that keeps destruction from starting twice.
#include "support/io/channel_stream.h"
#include "support/io/com_base.h"

#include "support/base/memory.h"

#include <gtest/gtest.h>

namespace {

// What a probe saw while it was being destroyed.
int destructions = 0;
ULONG addRefDuringDestruction = 0;
ULONG releaseDuringDestruction = 0;

class ProbeC : public ComUltraliteC {
public:
    int mayDelete = 1;
    int MayDelete() override { return mayDelete; }
    // Hands itself out and takes it back while being torn down, as an
    // object that unregisters itself from someone holding it would.
    ~ProbeC() override {
        ++destructions;
        addRefDuringDestruction = AddRef();
        releaseDuringDestruction = Release();
    }
};

TEST(ComBase, QueryInterfaceOnAChannelStream) {
    auto* stream = new ChannelStreamC();
    void* out = reinterpret_cast<void*>(1);

    EXPECT_EQ(stream->QueryInterface(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, static_cast<IUnknown*>(static_cast<ComUltraliteC*>(stream)));
    void* sub = nullptr;
    EXPECT_EQ(stream->QueryInterface(IID_IStream, &sub), S_OK);
    EXPECT_EQ(sub, static_cast<IStream*>(stream));
    EXPECT_NE(sub, out); // the stream is a sub-object of its own

    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(stream->QueryInterface(IID_ISequentialStream, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    GUID other = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
    EXPECT_EQ(stream->QueryInterface(other, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    EXPECT_EQ(stream->QueryInterface(IID_IUnknown, nullptr), E_POINTER);

    // Asked through the sub-object, the answers and the count are the object's.
    auto* asStream = static_cast<IStream*>(sub);
    void* again = nullptr;
    EXPECT_EQ(asStream->QueryInterface(IID_IUnknown, &again), S_OK);
    EXPECT_EQ(again, static_cast<IUnknown*>(static_cast<ComUltraliteC*>(stream)));
    // 1 at creation, +1 for each of the three successful answers.
    EXPECT_EQ(asStream->AddRef(), 5u);
    EXPECT_EQ(stream->Release(), 4u);
    EXPECT_EQ(asStream->Release(), 3u);
    EXPECT_EQ(stream->Release(), 2u);
    EXPECT_EQ(asStream->Release(), 1u);
    EXPECT_EQ(stream->Release(), 0u);
}

TEST(ComBase, LastReleaseDestroysOnceEvenWhenTheDestructorTakesReferences) {
    destructions = 0;
    auto* probe = new ProbeC();
    EXPECT_EQ(probe->AddRef(), 2u);
    EXPECT_EQ(probe->Release(), 1u);
    EXPECT_EQ(destructions, 0);
    EXPECT_EQ(probe->Release(), 0u);
    EXPECT_EQ(destructions, 1);
    EXPECT_EQ(addRefDuringDestruction, 101u);
    EXPECT_EQ(releaseDuringDestruction, 100u);
}

TEST(ComBase, AnObjectThatMayNotBeDeletedStaysAtZero) {
    destructions = 0;
    auto* probe = new ProbeC();
    probe->mayDelete = 0;
    EXPECT_EQ(probe->Release(), 0u);
    EXPECT_EQ(destructions, 0);
    EXPECT_EQ(probe->AddRef(), 1u); // the count went back to zero, not 100
    probe->mayDelete = 1;
    EXPECT_EQ(probe->Release(), 0u);
    EXPECT_EQ(destructions, 1);
}

TEST(ComBase, NothrowCreationReportsExhaustion) {
    MemFailAllocation(1);
    auto* stream = new (std::nothrow) ChannelStreamC();
    EXPECT_EQ(stream, nullptr);
    stream = new (std::nothrow) ChannelStreamC();
    ASSERT_NE(stream, nullptr);
    stream->Release();
}

TEST(ComBase, StreamWithoutAFileFailsQuietly) {
    auto* stream = new ChannelStreamC();
    char buffer[4];
    ULONG done = 9;
    EXPECT_EQ(stream->Read(buffer, 4, &done), S_FALSE);
    EXPECT_EQ(done, 0u);
    EXPECT_EQ(stream->Write(buffer, 4, &done), E_FAIL);
    LARGE_INTEGER move;
    move.QuadPart = 0;
    EXPECT_EQ(stream->Seek(move, STREAM_SEEK_CUR, nullptr), E_FAIL);
    STATSTG status;
    EXPECT_EQ(stream->Stat(&status, STATFLAG_DEFAULT), S_OK);
    EXPECT_EQ(status.type, static_cast<DWORD>(STGTY_STREAM));
    EXPECT_EQ(status.cbSize.QuadPart, 0u);
    EXPECT_EQ(status.pwcsName, nullptr);
    ULARGE_INTEGER size;
    size.QuadPart = 0;
    EXPECT_EQ(stream->SetSize(size), E_NOTIMPL);
    EXPECT_EQ(stream->Commit(0), E_NOTIMPL);
    IStream* copy = nullptr;
    EXPECT_EQ(stream->Clone(&copy), E_NOTIMPL);
    stream->Release();
}

} // namespace
