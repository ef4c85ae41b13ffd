// Integer, character and string fields, which the engine lays out itself,
// checked byte for byte against the runtime's snprintf over every
// combination of flags, widths and precisions, including fields wider than
// the work buffer.
#include "support/base/format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <string>
#include <vector>

namespace {

const char* const Flags[] = {"", "-", "+", " ", "#", "0", "-0", "+0", "#0", "- ", "+ #0", "-+ #0"};
const char* const Widths[] = {"", "1", "5", "23", "300"};
const char* const Precisions[] = {"", ".", ".0", ".1", ".4", ".30", ".290"};

// Every specification of the letter with the given length modifier.
std::vector<std::string> Specifications(const char* length, char letter) {
    std::vector<std::string> specs;
    for (const char* flags : Flags)
        for (const char* width : Widths)
            for (const char* precision : Precisions)
                specs.push_back(std::string("<%") + flags + width + precision + length + letter + ">");
    return specs;
}

// MinGW's runtime departs from C in two corners, where the engine keeps to C
// (and so writes the same on every system): it honours the space flag on
// "%u", and prints nothing for "%#.o" of zero, which C makes "0".
template <typename T> bool RuntimeDepartsFromC(const std::string& format, T value) {
#ifdef _WIN32
    size_t end = format.find_first_not_of("-+ #0", 2);
    std::string flags = format.substr(2, end - 2);
    char letter = format[format.size() - 2];
    size_t dot = format.find('.');
    bool zeroPrecision = dot != std::string::npos && format.find_first_of("123456789", dot) == std::string::npos;
    if (letter == 'u' && flags.find(' ') != std::string::npos) return true;
    if (letter == 'o' && flags.find('#') != std::string::npos && zeroPrecision && value == 0) return true;
#else
    (void)format;
    (void)value;
#endif
    return false;
}

template <typename T> void ExpectSameAsRuntime(const std::string& format, T value) {
    if (RuntimeDepartsFromC(format, value)) return;
    char expected[1024], ours[1024];
    int expectedLength = std::snprintf(expected, sizeof expected, format.c_str(), value);
    int ourLength = FmtSprintf(ours, format.c_str(), value);
    EXPECT_EQ(expectedLength, ourLength) << format;
    EXPECT_STREQ(expected, ours) << format;
}

TEST(FmtFieldsTest, IntegersMatchTheRuntime) {
    const int ints[] = {0, 1, -1, 7, 8, 9, 10, 255, -4096, 123456789, INT_MAX, INT_MIN};
    const long long longs[] = {0, -1, 1LL << 40, LLONG_MAX, LLONG_MIN};
    for (char letter : std::string("diouxX")) {
        for (const std::string& spec : Specifications("", letter))
            for (int value : ints) ExpectSameAsRuntime(spec, value);
        for (const std::string& spec : Specifications("ll", letter))
            for (long long value : longs) ExpectSameAsRuntime(spec, value);
        for (const std::string& spec : Specifications("hh", letter)) ExpectSameAsRuntime(spec, 0x1FF);
    }
}

TEST(FmtFieldsTest, CharactersAndStringsMatchTheRuntime) {
    for (const std::string& spec : Specifications("", 'c'))
        for (int value : {int('a'), 0xE9, 0x141}) ExpectSameAsRuntime(spec, value);
    const std::string longText(400, 'w');
    for (const std::string& spec : Specifications("", 's'))
        for (const char* text : {"", "x", "chapter1.fm", longText.c_str()}) ExpectSameAsRuntime(spec, text);
}

} // namespace
