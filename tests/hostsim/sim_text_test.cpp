// The simulated host's text conversions on mixed text: what the client
// gets in FrameRoman, and the character counts and offsets of UTF-8, taken
// eight bytes at a time, against a character-by-character reading of the
// same text. The text mixes ASCII (controls too), characters of two, three
// and four bytes, characters FrameRoman lacks, and byte sequences that are
// not UTF-8, at every alignment.
#include "hostsim/sim_text.h"

#include <gtest/gtest.h>

#include <unicode/utf8.h>

#include <map>
#include <random>

namespace {

// What each code point is written as, learnt from reading: the lowest byte
// that reads as it, but for the codes that are read and never written.
std::map<UChar32, char> WrittenAs() {
    std::map<UChar32, char> out;
    for (int b = 0; b < 256; ++b) {
        if (b == 0x0B || b == 0x11) continue; // read-only codes
        std::string utf8 = SimFromFrameRoman(std::string(1, static_cast<char>(b)));
        int32_t i = 0, n = static_cast<int32_t>(utf8.size());
        UChar32 cp = -1;
        U8_NEXT(reinterpret_cast<const uint8_t*>(utf8.data()), i, n, cp);
        if (i == n && cp >= 0) out.emplace(cp, static_cast<char>(b));
    }
    return out;
}

// Character by character, as the client would read it.
std::string FrameRomanByCharacter(const std::string& utf8, const std::map<UChar32, char>& written) {
    std::string out;
    int32_t i = 0, n = static_cast<int32_t>(utf8.size());
    while (i < n) {
        UChar32 cp;
        U8_NEXT(reinterpret_cast<const uint8_t*>(utf8.data()), i, n, cp);
        auto it = written.find(cp);
        out += it == written.end() ? '?' : it->second;
    }
    return out;
}

bool Continues(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

int CountByByte(const std::string& s) {
    int n = 0;
    for (char c : s) n += !Continues(c);
    return n;
}

size_t OffsetByByte(const std::string& s, int index) {
    int count = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        if (Continues(s[i])) continue;
        if (count++ == index) return i;
    }
    return s.size();
}

// Pieces the text is made of: ASCII and controls, Latin and typographic
// characters FrameRoman has, characters it lacks (CJK, an emoji), and
// broken sequences (a lone continuation, a cut lead, an overlong form, an
// encoded surrogate, bytes that never start UTF-8).
const char* const Pieces[] = {
    "a", "Z", " ", "0", "\t", "\n", "\r", "\x7F", "\x01", "?",
    "\xC3\xA9", "\xC3\x9F", "\xC2\xA0", "\xE2\x80\x94", "\xE2\x80\x91", "\xE2\x80\x87",
    "\xEF\xA3\xBF",
    "\xE4\xB8\xAD", "\xF0\x9F\x98\x80", "\xD0\x96",
    "\x80", "\xBF", "\xC3", "\xE2\x80", "\xC0\xAF", "\xED\xA0\x80", "\xFF", "\xF8\x88\x80\x80\x80",
};

std::string MixedText(std::mt19937& random, size_t pieces, bool asciiOnly) {
    std::string s;
    std::uniform_int_distribution<size_t> pick(0, std::size(Pieces) - 1);
    for (size_t k = 0; k < pieces; ++k) {
        const char* piece = Pieces[pick(random)];
        s += asciiOnly && static_cast<unsigned char>(piece[0]) >= 0x80 ? "x" : piece;
    }
    return s;
}

} // namespace

TEST(SimText, ConversionsAgreeWithReadingCharacterByCharacter) {
    const std::map<UChar32, char> written = WrittenAs();
    std::mt19937 random(20261209);
    for (int round = 0; round < 3000; ++round) {
        std::string text = MixedText(random, size_t(round % 40), round % 4 == 0);
        // Every alignment of the eight-byte steps.
        for (size_t skip = 0; skip < 8 && skip <= text.size(); skip += 3) {
            std::string s = text.substr(skip);
            ASSERT_EQ(SimToFrameRoman(s), FrameRomanByCharacter(s, written)) << "round " << round;
            int count = CountByByte(s);
            ASSERT_EQ(SimCharCount(s), count) << "round " << round;
            for (int index = -1; index <= count + 1; ++index)
                ASSERT_EQ(SimCharOffset(s, index), OffsetByByte(s, index))
                    << "round " << round << " index " << index;
        }
    }
}

TEST(SimText, ConversionsOfWholeParagraphs) {
    // A paragraph of a chapter: long ASCII runs with a few other characters.
    std::string sentence = "The quick brown fox jumps over the lazy dog. ";
    std::string text = "Chapter\xE4\xB8\xAD";
    for (int i = 0; i < 20; ++i) text += sentence;
    size_t resume = text.size();
    text += "R\xC3\xA9sum\xC3\xA9";
    for (int i = 0; i < 20; ++i) text += sentence;
    text += "\xE2\x80\x94";
    const std::map<UChar32, char> written = WrittenAs();
    std::string client = SimToFrameRoman(text);
    EXPECT_EQ(client, FrameRomanByCharacter(text, written));
    EXPECT_EQ(client.substr(0, 8), "Chapter?");
    EXPECT_EQ(client.substr(resume - 2, 6), "R\x8Esum\x8E");
    EXPECT_EQ(client.back(), '\xD1'); // the em dash
    int count = SimCharCount(text);
    EXPECT_EQ(count, static_cast<int>(text.size()) - 2 - 1 - 1 - 2);
    EXPECT_EQ(count, static_cast<int>(client.size()));
    for (int index : {0, 7, 8, 9, int(resume) - 2, int(resume) - 1, int(resume), count - 1, count})
        EXPECT_EQ(SimCharOffset(text, index), OffsetByByte(text, index)) << index;
    EXPECT_EQ(SimCharOffset(text, 8), 10u); // after the three bytes of the CJK character
    // A range of the text converts to the part of the whole that it holds.
    char buffer[16];
    EXPECT_EQ(SimToFrameRomanInto(std::string_view(text).substr(0, 12), buffer), 10u);
    EXPECT_EQ(std::string(buffer, 10), client.substr(0, 10));
}

TEST(SimText, ReadingFrameRomanGivesEachByteItsCharacter) {
    std::string all;
    for (int b = 0; b < 256; ++b) all += static_cast<char>(b);
    std::string utf8 = SimFromFrameRoman(all);
    std::string joined;
    for (int b = 0; b < 256; ++b) joined += SimFromFrameRoman(std::string(1, static_cast<char>(b)));
    EXPECT_EQ(utf8, joined);
    EXPECT_EQ(SimCharCount(utf8), 256);
    EXPECT_EQ(SimFromFrameRoman(static_cast<const char*>(nullptr)), "");
}
