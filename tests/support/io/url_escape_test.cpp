// Percent-encoding: which bytes are escaped, decoding of either case, and the
// texts an unescaper must not trip over ('%' at the end, non-hexadecimal
// digits, an escape that would make a 0 byte).
#include "support/io/url.h"

#include "common/raised_exception.h"
#include "support/base/memory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>

namespace {

std::string Take(char* s) {
    std::string out = s ? s : "(null)";
    MemFree(s);
    return out;
}

std::string Escaped(const char* text) { return Take(UrlEscape(text)); }

// Unescapes a copy held in a block of exactly its own size, so that a read
// past the terminator is a read past the block.
std::string Unescaped(const char* text) {
    size_t size = std::strlen(text) + 1;
    std::unique_ptr<char[]> exact(new char[size]);
    std::memcpy(exact.get(), text, size);
    return Take(UrlUnescape(exact.get()));
}

TEST(UrlEscape, EscapesControlsSpaceAndTheUnsafeCharacters) {
    EXPECT_EQ("a%20b%23", Escaped("a b#"));
    EXPECT_EQ("%23%25%3C%3E%5B%5C%5D%5E%60%7B%7C%7D%7E", Escaped("#%<>[\\]^`{|}~"));
    EXPECT_EQ("%01%09%0A%1F%20", Escaped("\x01\t\n\x1F "));
    // What a URL may carry stays, and so does every byte from 0x80 up.
    EXPECT_EQ("C:/docs/a.fm?x=1&y=2;@!$'()*+,-._", Escaped("C:/docs/a.fm?x=1&y=2;@!$'()*+,-._"));
    EXPECT_EQ("\x7F\x80\x95\xFF", Escaped("\x7F\x80\x95\xFF"));
    EXPECT_EQ("", Escaped(""));
    EXPECT_EQ("", Escaped(nullptr));
}

TEST(UrlUnescape, DecodesHexadecimalEscapesOfEitherCase) {
    EXPECT_EQ("a b#", Unescaped("a%20b%23"));
    EXPECT_EQ("\\\\/", Unescaped("%5c%5C%2f"));
    EXPECT_EQ("\xE9t\xE9", Unescaped("%E9t%e9"));
    EXPECT_EQ("%A", Unescaped("%%41"));
    EXPECT_EQ("plain", Unescaped("plain"));
    EXPECT_EQ("", Unescaped(""));
    EXPECT_EQ("", Take(UrlUnescape(nullptr)));
}

TEST(UrlUnescape, CopiesMalformedEscapesAsTheyStand) {
    // At the end of the text: nothing is read past the terminator.
    EXPECT_EQ("100%", Unescaped("100%"));
    EXPECT_EQ("abc%4", Unescaped("abc%4"));
    EXPECT_EQ("%", Unescaped("%"));
    // Non-hexadecimal digits.
    EXPECT_EQ("%zz and %4z and %z4 and %-1", Unescaped("%zz and %4z and %z4 and %-1"));
    // An escape of 0 would cut the string short.
    EXPECT_EQ("a%00b", Unescaped("a%00b"));
    EXPECT_EQ("a%00b", Take(UrlUnescape(Escaped("a%00b").c_str())));
}

TEST(UrlUnescape, UndoesEscapeForEveryByte) {
    std::string all;
    for (int c = 1; c < 256; ++c) all += static_cast<char>(c);
    std::string escaped = Escaped(all.c_str());
    EXPECT_EQ(std::string::npos, escaped.find_first_of(" #<>\\^`{|}~\x01\x1F"));
    EXPECT_EQ(all, Unescaped(escaped.c_str()));
}

TEST(UrlEscape, ExhaustedMemoryTakesTheFatalPath) {
    MemFailAllocation(1);
    EXPECT_RAISES(UrlEscape("a b"), FatalErrorCode);
    MemFailAllocation(1);
    EXPECT_RAISES(UrlUnescape("a%20b"), FatalErrorCode);
    MemFailAllocation(0);
}

} // namespace
