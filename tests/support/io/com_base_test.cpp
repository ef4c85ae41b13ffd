// The COM object base: interface answers, shared counting through
// sub-objects, and the guard that keeps destruction from starting twice.
#include "support/io/channel_stream.h"

#include <gtest/gtest.h>

namespace {

int destructions = 0;
ULONG addRefDuringDestruction = 0;

class ProbeC : public ComUltraliteC {
public:
    int mayDelete = 1;
    int MayDelete() override { return mayDelete; }
    // Takes and drops a reference while being torn down, as an object that
    // unregisters itself from a holder would.
    ~ProbeC() override {
        ++destructions;
        addRefDuringDestruction = AddRef();
        Release();
    }
};

TEST(ComBase, QueryInterfaceAnswersOfAChannelStream) {
    auto* stream = new ChannelStreamC();
    IUnknown* object = static_cast<ComUltraliteC*>(stream);
    void* out = nullptr;
    EXPECT_EQ(stream->QueryInterface(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, object);
    void* sub = nullptr;
    EXPECT_EQ(stream->QueryInterface(IID_IStream, &sub), S_OK);
    EXPECT_EQ(sub, static_cast<IStream*>(stream));
    EXPECT_NE(sub, out);
    out = reinterpret_cast<void*>(1);
    EXPECT_EQ(stream->QueryInterface(IID_ISequentialStream, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);

    // Through the sub-object, answers and count are the object's.
    auto* asStream = static_cast<IStream*>(sub);
    EXPECT_EQ(asStream->QueryInterface(IID_IUnknown, &out), S_OK);
    EXPECT_EQ(out, object);
    EXPECT_EQ(asStream->AddRef(), 5u); // creation + three answers + this one
    for (ULONG left = 4; left > 0; --left) EXPECT_EQ(asStream->Release(), left);
    EXPECT_EQ(stream->Release(), 0u);
}

TEST(ComBase, ReferencesTakenDuringDestructionDoNotDestroyAgain) {
    destructions = 0;
    auto* probe = new ProbeC();
    EXPECT_EQ(probe->AddRef(), 2u);
    EXPECT_EQ(probe->Release(), 1u);
    EXPECT_EQ(probe->Release(), 0u);
    EXPECT_EQ(destructions, 1);
    EXPECT_EQ(addRefDuringDestruction, 101u);
}

TEST(ComBase, AnObjectThatMayNotBeDeletedStaysAtZero) {
    destructions = 0;
    auto* probe = new ProbeC();
    probe->mayDelete = 0;
    EXPECT_EQ(probe->Release(), 0u);
    EXPECT_EQ(destructions, 0);
    EXPECT_EQ(probe->AddRef(), 1u); // back at zero, not at 100
    probe->mayDelete = 1;
    EXPECT_EQ(probe->Release(), 0u);
    EXPECT_EQ(destructions, 1);
}

} // namespace
