// Fuzzes percent-encoding and the conversions between paths and "file:"
// URLs in every path style and host encoding. Escaping then unescaping must
// give the text back; a drive path made a URL and read back must give the
// path back; every conversion must end without reading or writing astray.
//
// Input: encoding, style, then the text and a second text separated by a
// zero byte.
#include "fuzz_input.h"

#include "support/base/memory.h"
#include "support/io/path.h"
#include "support/io/path_scan.h" // PathIsLetter
#include "support/io/url.h"

#include <cstring>
#include <string>

namespace {

// A local drive path (X:\...) without a '/' (no encoding has it as a
// second byte): a URL made from it reads back as the same native path.
bool DrivePathWithoutSlashes(const std::string& path) {
    if (path.size() < 3 || !PathIsLetter(path[0]) || path[1] != ':' || path[2] != '\\') return false;
    if (!UrlIsLocal(path.c_str()) || UrlIsDctm(path.c_str())) return false;
    return path.find('/') == std::string::npos;
}

void CheckEscapes(const std::string& text) {
    char* escaped = UrlEscape(text.c_str());
    FUZZ_CHECK(escaped != nullptr);
    for (const char* p = escaped; *p; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        FUZZ_CHECK(c > 0x20 && (c >= 0x80 || !std::strchr("#<>[\\]^`{|}~", c)));
    }
    char* back = UrlUnescape(escaped);
    FUZZ_CHECK(back != nullptr && text == back);
    MemFree(back);
    MemFree(escaped);

    char* unescaped = UrlUnescape(text.c_str());
    FUZZ_CHECK(unescaped != nullptr && std::strlen(unescaped) <= text.size());
    MemFree(unescaped);
}

void CheckConversions(const std::string& text, int style) {
    MemFree(UrlFromPath(text.c_str(), style));
    MemFree(UrlPathToSlashes(text.c_str(), style));
    MemFree(UrlToPath(text.c_str(), style));
    MemFree(UrlFromAnyPath(text.c_str(), style));
    MemFree(UrlFromAnyNativePath(text.c_str()));
    MemFree(UrlSlashesToPath(text.c_str()));
    const int absolute = UrlIsAbsoluteFor(text.c_str(), style);
    FUZZ_CHECK(absolute == 0 || absolute == 1);

    if (DrivePathWithoutSlashes(text)) {
        char* url = UrlFromPath(text.c_str(), PathStyleNative);
        FUZZ_CHECK(url != nullptr && std::strncmp(url, "file:///", 8) == 0);
        char* path = UrlToPath(url, PathStyleNative);
        FUZZ_CHECK(path != nullptr && text == path);
        MemFree(path);
        MemFree(url);
    }
}

// The NetLib wrappers that only combine names (no fetching, no saving).
void CheckNameOperations(const std::string& text, const std::string& second) {
    char* out = nullptr;
    if (UrlClean(text.c_str(), &out) == 0) FUZZ_CHECK(out != nullptr);
    else FUZZ_CHECK(out == nullptr);
    MemFree(out);
    out = nullptr;
    if (UrlMakeAbsolute(text.c_str(), second.c_str(), &out) == 0) FUZZ_CHECK(out != nullptr);
    else FUZZ_CHECK(out == nullptr);
    MemFree(out);
    out = nullptr;
    if (UrlMakeRelative(text.c_str(), second.c_str(), &out) == 0) FUZZ_CHECK(out != nullptr);
    else FUZZ_CHECK(out == nullptr);
    MemFree(out);
    FUZZ_CHECK(UrlIsDctm(text.c_str()) == (std::strncmp(text.c_str(), "dctm://", 7) == 0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSetUp();
    FuzzInput in = FuzzInputOf(data, size);
    FuzzSelectEncoding(FuzzByte(in));
    const int style = static_cast<int>(FuzzByte(in) % 5);
    const std::string text = FuzzString(in);
    const std::string second = FuzzString(in);

    CheckEscapes(text);
    CheckConversions(text, style);
    CheckNameOperations(text, second);
    return 0;
}
