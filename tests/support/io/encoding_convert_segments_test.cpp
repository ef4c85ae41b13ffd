// EncConvert, which keeps its converters open across the segments of one
// call (and converts single-byte text in one go), against the same text cut
// into segments by hand and converted segment by segment with EncConvertSegment,
// which opens converters of its own. Random texts mix plain and accented
// letters, every control code, bytes the source cannot map, double-byte
// pairs and pairs whose trail byte is a control.
#include "support/io/encoding_convert.h"

#include "common/icu_data.h"
#include "support/base/memory.h"
#include "support/base/host_encodings.h"
#include "hostsim/sim_random.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// The bytes of a result block: `units` of 1 or 2 bytes up to the terminator.
std::string Bytes(const char* block, bool utf16) {
    if (!block) return "<null>";
    size_t n = 0;
    if (utf16)
        while (block[n] || block[n + 1]) n += 2;
    else
        while (block[n]) ++n;
    return std::string(block, n);
}

// An 8-bit source cut at control bytes by hand: runs go through
// EncConvertSegment, controls are copied (as one unit for a UTF-16 target).
std::string BySegments(const std::string& text, const char* from, const char* to, bool keepControls,
                       bool escapeInvalid, unsigned hostIndex) {
    bool toUtf16 = std::string(to) == "UTF-16";
    std::string out, run;
    auto flush = [&]() {
        if (run.empty()) return;
        int length = 0;
        char* part = EncConvertSegment(run.c_str(), from, to, &length, escapeInvalid);
        if (part && length > 0 && (toUtf16 ? part[0] || part[1] : part[0])) out.append(part, size_t(length));
        MemFree(part);
        run.clear();
    };
    for (size_t i = 0; i < text.size();) {
        auto byte = (unsigned char)text[i];
        if (byte < 0x20 && !keepControls) {
            flush();
            out += char(byte);
            if (toUtf16) out += '\0';
            ++i;
            continue;
        }
        size_t length = hostIndex < EncUtf8 && EncIsPair(text.c_str() + i, hostIndex) ? 2 : 1;
        run.append(text, i, length);
        i += length;
    }
    flush();
    return out;
}

std::string RandomText(SimRandom& r, bool doubleByte) {
    static const std::string Pieces[] = {"Plain text ", "\x8E\x80\xA5\xD2", "\x08", "\x09", "\x01", "\x15",
                                         "\xFF", "\xD9", "  ", "z"};
    static const std::string Pairs[] = {"\x93\xFA", "\x95\x5C", "\x81\x09", "\x96\x7B"};
    std::string text;
    for (int n = 1 + int(r.Next() % 24); n > 0; --n)
        text += doubleByte && r.Next() % 3 == 0 ? Pairs[r.Next() % 4] : Pieces[r.Next() % 10];
    return text;
}

class EncodingConvertSegments : public ::testing::Test {
protected:
    void SetUp() override {
        UseBuildIcuData();
        EncSelect("FrameRoman");
    }
};

TEST_F(EncodingConvertSegments, OneCallAgreesWithSegmentBySegmentConversion) {
    struct Case {
        unsigned hostIndex;
        const char* to;
    };
    const Case Cases[] = {{EncFrameRoman, "UTF-8"}, {EncFrameRoman, "UTF-16"}, {EncFrameRoman, "windows-1252"},
                          {EncShiftJis, "UTF-8"},   {EncShiftJis, "UTF-16"}};
    SimRandom r{12345};
    for (const Case& c : Cases) {
        const char* from = EncConverterNameOf(c.hostIndex);
        bool toUtf16 = std::string(c.to) == "UTF-16";
        for (int i = 0; i < 300; ++i) {
            std::string text = RandomText(r, c.hostIndex != EncFrameRoman);
            int keep = i % 3 == 0;
            int escape = i % 2;
            SCOPED_TRACE(std::string(from) + " -> " + c.to + " keep " + std::to_string(keep) + " escape " +
                         std::to_string(escape) + " text " + text);
            char* whole = EncConvert(text.c_str(), from, c.to, keep, escape);
            std::string expected = BySegments(text, from, c.to, keep, escape, c.hostIndex);
            EXPECT_EQ(Bytes(whole, toUtf16), expected);
            MemFree(whole);
        }
    }
}

TEST_F(EncodingConvertSegments, UnicodeSourcesAgreeWithSegmentBySegmentConversion) {
    // UTF-8 with controls between multi-byte characters into FrameRoman, and
    // back out of UTF-16: characters FrameRoman lacks become substitutes.
    const std::string texts[] = {"Caf\xC3\xA9\x09na\xC3\xAFve\x0A\xE2\x80\x9Cq\xE2\x80\x9D\x01\xE4\xB8\xAD",
                                 "\x09\x09 lead and trail \x1F", "\xF0\x9F\x98\x80 and \xC3\x84"};
    for (const std::string& text : texts) {
        char* whole = EncConvert(text.c_str(), "UTF-8", "adobe-fm-roman-windows", 0, 0);
        EXPECT_EQ(Bytes(whole, false), BySegments(text, "UTF-8", "adobe-fm-roman-windows", false, false, EncUtf8))
            << text;
        char* utf16 = EncConvert(text.c_str(), "UTF-8", "UTF-16", 0, 0);
        char* back = EncConvert(utf16, "UTF-16", "UTF-8", 0, 0);
        EXPECT_EQ(Bytes(back, false), text);
        MemFree(whole);
        MemFree(utf16);
        MemFree(back);
    }
}

TEST_F(EncodingConvertSegments, SegmentThatOutgrowsItsFirstBufferArrivesWhole) {
    // Each invalid byte escapes to four units, twice the first room of the
    // intermediate text.
    std::string bad(300, '\x90');
    int length = 0;
    char* escaped = EncConvertSegment(bad.c_str(), "US-ASCII", "UTF-8", &length, 1);
    std::string expected;
    for (int i = 0; i < 300; ++i) expected += "%X90";
    EXPECT_EQ(Bytes(escaped, false), expected);
    EXPECT_EQ(length, int(expected.size()));
    MemFree(escaped);

    // Alternating kana and ASCII into JIS7: every switch costs an escape, so
    // the bytes pass the first room of four a unit and four more.
    std::u16string mixed;
    for (int i = 0; i < 200; ++i) mixed += u"\u3042a";
    char* jis = EncConvertSegment(reinterpret_cast<const char*>(mixed.c_str()), "UTF-16", "JIS7", &length, 0);
    std::string segment = "\x1B$B$\"\x1B(Ba"; // U+3042 is 0x2422 in JIS X 0208
    expected.clear();
    for (int i = 0; i < 200; ++i) expected += segment;
    EXPECT_EQ(Bytes(jis, false), expected);
    EXPECT_EQ(length, int(expected.size()));
    MemFree(jis);
}

} // namespace
