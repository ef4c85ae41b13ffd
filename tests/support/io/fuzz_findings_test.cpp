// Inputs the fuzz targets (tests/fuzz) found faults with, kept as plain
// tests so that the normal build guards the fixes.
#include <gtest/gtest.h>

#include <string>

#include "support/io/path.h"

namespace {

// The native path of a token text, or "<-1>" for a refusal with the output
// made empty.
std::string Native(const char* tokens) {
    char out[PathBufferSize];
    out[0] = 'x';
    const int rc = PathTokensToNative(tokens, out);
    if (rc != 0) return out[0] == 0 ? "<-1>" : "<-1 but output kept>";
    return out;
}

// A token with no text writes nothing but the separator that the end takes
// away again: that is an empty path, which is refused, not a success.
TEST(FuzzFindings, TokensThatLeaveNoPathAreRefused) {
    EXPECT_EQ(Native("<v>"), "<-1>");
    EXPECT_EQ(Native("<c>"), "<-1>");
    EXPECT_EQ(Native("<c><x>y"), "<-1>"); // an unknown token and its text are skipped
    EXPECT_EQ(PathFromString("<v>", nullptr, PathStyleTokens), nullptr);
    // A path remains in each of these.
    EXPECT_EQ(Native("<r>"), "\\");
    EXPECT_EQ(Native("<u>"), "..");
    EXPECT_EQ(Native("<c>a<c>"), "a\\");
}

} // namespace
