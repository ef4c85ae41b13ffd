// The target ids that "SetDocId" and "SetBookId" messages set, read without a
// host: messages that request no command make no host call.
#include "tools/tool_entry.h"

#include <gtest/gtest.h>

namespace {

class ToolMessages : public ::testing::Test {
protected:
    void SetUp() override { TargetDocId = TargetBookId = 0; }
    void TearDown() override { TargetDocId = TargetBookId = 0; }
    void Message(const char* text, int32_t notification = 13) {
        HandleToolMessage(notification, 0, text, 0);
    }
};

TEST_F(ToolMessages, TheNumberAfterTheFirstSpaceIsTheTarget) {
    Message("SetDocId 42");
    EXPECT_EQ(TargetDocId, 42u);
    EXPECT_EQ(TargetBookId, 0u);
    Message("SetBookId   17  ");
    EXPECT_EQ(TargetBookId, 17u);
    EXPECT_EQ(TargetDocId, 42u);
    // Only the start of the text is tested, and the number is read from the
    // first space on.
    Message("SetDocIdx 7");
    EXPECT_EQ(TargetDocId, 7u);
    Message("SetDocId 12abc 99");
    EXPECT_EQ(TargetDocId, 12u);
}

TEST_F(ToolMessages, TextWithoutASpaceChangesNothingAndNoNumberMeansTheActiveOne) {
    Message("SetDocId 42");
    Message("SetDocId");
    EXPECT_EQ(TargetDocId, 42u);
    Message("SetDocId42");
    EXPECT_EQ(TargetDocId, 42u);
    Message("SetDocId    ");
    EXPECT_EQ(TargetDocId, 0u);
}

TEST_F(ToolMessages, OnlyNotification13AndTheExactWordsCount) {
    Message("SetDocId 42", 12);
    Message("setdocid 42");
    Message(" SetDocId 42");
    Message(nullptr);
    EXPECT_EQ(TargetDocId, 0u);
    Message("SetBookId 5", 75);
    EXPECT_EQ(TargetBookId, 0u);
}

} // namespace
