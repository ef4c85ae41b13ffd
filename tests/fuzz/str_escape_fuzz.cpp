// Fuzzes the escapes of the host's special characters: unescaping what was
// escaped gives the text back while the escaped form fits, neither result is
// ever longer than 1023 bytes, and a backslash at the very end is never read
// past.
//
// Input: the text (zero bytes end it).
#include "fuzz_input.h"

#include "support/base/memory.h"
#include "support/base/strings.h"

#include <cstring>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSetUp();
    FuzzInput in = FuzzInputOf(data, size);
    const std::string text = FuzzString(in);

    char* escaped = StrEscape(text.c_str());
    FUZZ_CHECK(escaped != nullptr && std::strlen(escaped) <= 1023);
    char* back = StrUnescape(escaped);
    FUZZ_CHECK(back != nullptr);
    // Every byte escapes to at most two, and escaping stops only once 1022
    // bytes are out: a text of up to 511 bytes always comes back whole.
    if (text.size() <= 511) FUZZ_CHECK(text == back);
    else FUZZ_CHECK(text.compare(0, std::strlen(back), back) == 0);
    MemFree(back);
    MemFree(escaped);

    // The text taken as escaped input, copied to a block of its exact size so
    // that reading past its terminator is caught.
    char* exact = static_cast<char*>(MemAlloc(static_cast<uint32_t>(text.size() + 1), 0));
    FUZZ_CHECK(exact != nullptr);
    std::memcpy(exact, text.c_str(), text.size() + 1);
    char* unescaped = StrUnescape(exact);
    FUZZ_CHECK(unescaped != nullptr && std::strlen(unescaped) <= 1023 &&
               std::strlen(unescaped) <= text.size());
    MemFree(unescaped);
    MemFree(exact);
    return 0;
}
