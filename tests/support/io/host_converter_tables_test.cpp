// The mapping tables of the five host converters that the build writes: the
// ASCII range both ways in each, and the byte pairs against the Windows code
// page's own table where ICU carries one.
#include "support/io/encoding_convert.h"

#include "common/icu_data.h"
#include "support/base/memory.h"
#include "support/base/host_encodings.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>

#include <map>
#include <memory>
#include <set>
#include <string>

namespace {

struct Closer {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, Closer>;

Converter Open(const char* name) {
    UErrorCode status = U_ZERO_ERROR;
    Converter c(ucnv_open(name, &status));
    if (U_FAILURE(status)) c.reset();
    if (c) {
        ucnv_setToUCallBack(c.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
        ucnv_setFromUCallBack(c.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    }
    return c;
}

// The one UTF-16 unit that `bytes` read as, or -1 (illegal, unmapped, more
// than one unit).
long ToUnit(UConverter* c, const std::string& bytes) {
    ucnv_reset(c);
    UChar out[4];
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = ucnv_toUChars(c, out, 4, bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    return U_FAILURE(status) || n != 1 ? -1 : out[0];
}

std::string FromUnit(UConverter* c, UChar unit) {
    ucnv_reset(c);
    char out[8];
    UErrorCode status = U_ZERO_ERROR;
    int32_t n = ucnv_fromUChars(c, out, sizeof out, &unit, 1, &status);
    return U_FAILURE(status) ? std::string("<none>") : std::string(out, static_cast<size_t>(n));
}

// FrameRoman's own codes below 0x20 (tabs, breaks, special spaces, the
// non-breaking hyphen) and the code points they take on the way back.
const std::set<int> FrameRomanOwnBytes = {0x08, 0x09, 0x0A, 0x0B, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15};
const std::set<int> FrameRomanOwnCodePoints = {0x08, 0x09, 0x0A, 0x0B, 0x0D, 0x10, 0x11, 0x12, 0x13, 0x14, 0x15};

class HostConverterTables : public ::testing::Test {
protected:
    void SetUp() override {
        UseBuildIcuData();
        EncSelect("FrameRoman"); // fills the lead and trail tables
    }
};

TEST_F(HostConverterTables, BytesBelow0x80AreAsciiBothWays) {
    for (unsigned index = EncFrameRoman; index < EncUtf8; ++index) {
        const char* name = EncConverterNameOf(index);
        SCOPED_TRACE(name);
        Converter c = Open(name);
        ASSERT_TRUE(c) << "the build did not make it";
        bool roman = index == EncFrameRoman;
        for (int b = 0; b < 0x80; ++b) {
            std::string byte(1, static_cast<char>(b));
            if (!(roman && FrameRomanOwnBytes.count(b))) {
                EXPECT_EQ(ToUnit(c.get(), byte), b) << "byte " << b;
            }
            if (!(roman && FrameRomanOwnCodePoints.count(b))) {
                EXPECT_EQ(FromUnit(c.get(), static_cast<UChar>(b)), byte) << "U+" << b;
            }
        }
    }
}

// DEL in Shift-JIS text, through the library's own conversion both ways.
TEST_F(HostConverterTables, ShiftJisTextKeepsItsDelete) {
    struct Freer {
        void operator()(char* p) const { MemFree(p); }
    };
    std::unique_ptr<char, Freer> utf8(EncToUtf8("a\x7F" "b\x93\xFA", EncShiftJis));
    ASSERT_TRUE(utf8);
    EXPECT_EQ(std::string(utf8.get()), "a\x7F" "b\xE6\x97\xA5");
    std::unique_ptr<char, Freer> back(EncFromUtf8("a\x7F" "b", EncShiftJis));
    ASSERT_TRUE(back);
    EXPECT_EQ(std::string(back.get()), "a\x7F" "b");
}

// Every byte pair of the host ranges reads as the Windows code page reads it.
// ICU's EUC-KR predates the euro and registered signs that code page 949
// added to row 2; those two pairs are the only ones the host lacks.
TEST_F(HostConverterTables, BytePairsMatchTheWindowsCodePages) {
    struct Pairing {
        unsigned index;
        const char* windows;
        std::set<int> hostLacks;
    };
    for (const Pairing& p : {Pairing{EncKsc5601, "windows-949-2000", {0xA2E6, 0xA2E7}},
                             Pairing{EncBig5, "windows-950-2000", {}},
                             Pairing{EncGb2312, "windows-936-2000", {}}}) {
        SCOPED_TRACE(EncConverterNameOf(p.index));
        Converter host = Open(EncConverterNameOf(p.index));
        Converter windows = Open(p.windows);
        ASSERT_TRUE(host);
        ASSERT_TRUE(windows);
        const EncByteTable& table = *EncByteTables[p.index];
        int mapped = 0;
        for (int lead = 0x80; lead < 0x100; ++lead) {
            if (!table.lead[lead]) continue;
            for (int trail = 1; trail < 0x100; ++trail) {
                if (!table.trail[trail]) continue;
                std::string pair{static_cast<char>(lead), static_cast<char>(trail)};
                long ours = ToUnit(host.get(), pair), theirs = ToUnit(windows.get(), pair);
                int code = lead << 8 | trail;
                if (p.hostLacks.count(code)) {
                    EXPECT_EQ(ours, -1) << std::hex << code;
                    EXPECT_NE(theirs, -1) << std::hex << code;
                    continue;
                }
                EXPECT_EQ(ours, theirs) << "pair " << std::hex << code;
                mapped += ours >= 0;
            }
        }
        EXPECT_GT(mapped, 8000);
    }
}

// ICU has no table of its own for code page 932: the pairs in which
// Microsoft's table differs from the JIS-based ones stand for it.
TEST_F(HostConverterTables, ShiftJisPairsAreCodePage932s) {
    Converter c = Open(EncConverterNameOf(EncShiftJis));
    ASSERT_TRUE(c);
    const std::map<int, long> cp932 = {
        {0x815C, 0x2015}, {0x815F, 0xFF3C}, {0x8160, 0xFF5E}, {0x8161, 0x2225}, {0x817C, 0xFF0D},
        {0x8191, 0xFFE0}, {0x8192, 0xFFE1}, {0x81CA, 0xFFE2}, {0x8740, 0x2460}, {0x8754, 0x2160},
        {0xED40, 0x7E8A}, {0xFA40, 0x2170}, {0xFA5C, 0x7E8A},
    };
    for (const auto& [code, unit] : cp932)
        EXPECT_EQ(ToUnit(c.get(), {static_cast<char>(code >> 8), static_cast<char>(code & 0xFF)}), unit)
            << std::hex << code;
}

} // namespace
