// Fuzzes path parsing and resolution in every input style and host encoding:
// objects from strings against a base, base names, splitting, the token form
// both ways, classification, resolution in place, components, relative
// paths and appending. Every fixed-size buffer is handed over as a heap block
// of exactly its documented size, so that a write or read past it is caught.
//
// Input: encoding, styles, a limit byte, then the text, the base and a third
// string separated by zero bytes.
#include "fuzz_input.h"

#include "support/base/memory.h"
#include "support/base/host_encodings.h"
#include "support/io/path.h"
#include "support/io/path_scan.h"

#include <cstring>
#include <memory>
#include <string>

namespace {

// A heap buffer of exactly `size` bytes holding `text`, or null when the text
// does not fit.
std::unique_ptr<char[]> BufferOf(const std::string& text, size_t size) {
    if (text.size() >= size) return nullptr;
    std::unique_ptr<char[]> buffer(new char[size]);
    std::memcpy(buffer.get(), text.c_str(), text.size() + 1);
    return buffer;
}

// A live object as the header promises it.
void CheckObject(const PathObject* object) {
    if (!object) return;
    FUZZ_CHECK(object->magic == PathMagic);
    FUZZ_CHECK(object->path != nullptr);
    FUZZ_CHECK(std::strlen(object->path) < static_cast<size_t>(PathBufferSize));
}

// The path with '/' written as '\' (whole characters only) and a final '\'
// dropped unless it is the root's: how the token form writes it back.
std::string Canonical(const char* path) {
    std::string out;
    for (const char* p = path; *p;) {
        const int len = PathCharLen(p);
        if (len == 1 && *p == '/') out += '\\';
        else out.append(p, static_cast<size_t>(len));
        p += len;
    }
    if (out.size() > 3 && out.back() == '\\' && PathLastCharStart(out.c_str()) == (int)out.size() - 1)
        out.pop_back();
    return out;
}

// Paths whose token form must give them back: a drive and its root, then
// components without separator runs, "." or ".." (resolution removes those),
// and no lead byte of a double-byte encoding without its second byte. (The
// token form cannot carry such a lone lead byte before an escaped '<': the
// escaping backslash would pair with it on the way back.)
bool TokenRoundTripApplies(const char* path) {
    if (!PathIsLetter(path[0]) || path[1] != ':' || !PathIsSlash(path[2])) return false;
    for (const char* p = path + 2; *p;) {
        const int len = PathCharLen(p);
        if (len == 1 && EncCurrent < EncUtf8 && EncByteTables[EncCurrent]->lead[static_cast<unsigned char>(*p)])
            return false;
        if (len == 1 && PathIsSlash(*p)) {
            const char* c = p + 1;
            if (PathIsSlash(*c)) return false;
            if (c[0] == '.' && (c[1] == 0 || PathIsSlash(c[1]) || c[1] == '.')) return false;
        }
        p += len;
    }
    return true;
}

void CheckTokens(const PathObject* object, const PathObject* other) {
    if (!object || (object->flags & PathFlagNoBase)) return; // asserting is its answer there
    char* tokens = nullptr;
    int length = -1;
    const int rc = PathNativeToTokens(object, other, &tokens, &length);
    FUZZ_CHECK(rc == 0 || rc == -1);
    if (rc != 0) {
        FUZZ_CHECK(tokens == nullptr);
        return;
    }
    FUZZ_CHECK(tokens != nullptr && (int)std::strlen(tokens) == length);
    std::unique_ptr<char[]> native(new char[PathBufferSize]);
    const int back = PathTokensToNative(tokens, native.get());
    if (!other && TokenRoundTripApplies(object->path) &&
        std::strlen(object->path) + 2 < static_cast<size_t>(PathTokenSize)) {
        FUZZ_CHECK(back == 0);
        FUZZ_CHECK(Canonical(native.get()) == Canonical(object->path));
    }
    MemFree(tokens);
}

void CheckStrings(const PathObject* object) {
    if (!object) return;
    char* name = PathBaseName(object);
    if (name) FUZZ_CHECK(std::strlen(name) <= static_cast<size_t>(PathNameSize - 1));
    MemFree(name);
    for (int style = PathStyleNative; style <= PathStyleNativeAlt; ++style) {
        if (style == PathStyleTokens && (object->flags & PathFlagNoBase)) continue;
        char* text = PathToString(object, style);
        if (style == PathStyleColons) FUZZ_CHECK(text == nullptr);
        if (style == PathStyleNative || style == PathStyleNativeAlt || style == PathStyleSlashes) {
            FUZZ_CHECK(text != nullptr);
            FUZZ_CHECK(std::strlen(text) == std::strlen(object->path));
        }
        MemFree(text);
    }
    int status = 1;
    PathObject* parent = PathParentOf(object, &status);
    FUZZ_CHECK(status == 0 || status == -1);
    if (parent) FUZZ_CHECK(status == 0 && std::strlen(parent->path) < std::strlen(object->path));
    CheckObject(parent);
    PathFree(parent);
}

void CheckSplit(const std::string& text) {
    std::unique_ptr<char[]> directory(new char[PathBufferSize]);
    std::unique_ptr<char[]> name(new char[PathNameSize]);
    const int rc = PathSplit(text.c_str(), directory.get(), name.get());
    FUZZ_CHECK(rc == 0 || rc == -1);
    FUZZ_CHECK(std::strlen(directory.get()) < static_cast<size_t>(PathBufferSize));
    FUZZ_CHECK(std::strlen(name.get()) < static_cast<size_t>(PathNameSize));
    if (rc != 0) FUZZ_CHECK(name[0] == 0);
    const char* last = PathLastComponent(text.c_str());
    FUZZ_CHECK(last >= text.c_str() && last <= text.c_str() + text.size());
}

void CheckTokensToNative(const std::string& text) {
    std::unique_ptr<char[]> out(new char[PathBufferSize]);
    const int rc = PathTokensToNative(text.c_str(), out.get());
    FUZZ_CHECK(rc == 0 || rc == -1);
    if (rc == 0) FUZZ_CHECK(out[0] != 0 && std::strlen(out.get()) < static_cast<size_t>(PathBufferSize));
    else FUZZ_CHECK(out[0] == 0);
}

void CheckComponents(const std::string& text) {
    std::unique_ptr<char[]> component(new char[PathTokenSize]);
    const char* cursor = text.c_str();
    for (;;) {
        const char* before = cursor;
        const int rc = PathNextComponent(&cursor, component.get());
        if (rc == 0) break;
        FUZZ_CHECK(rc == 1 || rc == -1);
        FUZZ_CHECK(cursor > before && cursor <= text.c_str() + text.size());
        if (rc == 1) FUZZ_CHECK(std::strlen(component.get()) < static_cast<size_t>(PathTokenSize));
    }
}

// The in-place operations, each on its own buffer of the documented size.
void CheckInPlace(const std::string& text, const std::string& base, const std::string& other,
                  unsigned limitByte) {
    if (auto path = BufferOf(text, PathBufferSize)) {
        PathResolve(path.get(), base.c_str());
        FUZZ_CHECK(std::strlen(path.get()) < static_cast<size_t>(PathBufferSize));
    }
    if (auto path = BufferOf(text, PathBufferSize)) {
        PathExpandVariables(path.get());
        FUZZ_CHECK(std::strlen(path.get()) < static_cast<size_t>(PathBufferSize));
    }
    if (auto path = BufferOf(text, PathBufferSize)) {
        PathUnescapeName(path.get());
        FUZZ_CHECK(std::strlen(path.get()) <= text.size());
    }
    if (auto path = BufferOf(text, PathBufferSize)) {
        const int rc = PathRelativeTo(path.get(), other.c_str());
        FUZZ_CHECK(rc == 0 || rc == -1);
        if (rc != 0) FUZZ_CHECK(text == path.get());
        else FUZZ_CHECK(std::strlen(path.get()) < static_cast<size_t>(PathBufferSize));
    }
    // A limit from 1 up to a little past the text, so that both outcomes occur.
    const int limit = 1 + static_cast<int>((text.size() + other.size() + 2) * limitByte / 255);
    if (auto path = BufferOf(text, static_cast<size_t>(limit))) {
        const int rc = PathAppend(path.get(), other.c_str(), limit);
        FUZZ_CHECK(rc == 0 || rc == -1);
        FUZZ_CHECK(std::strlen(path.get()) < static_cast<size_t>(limit));
        if (rc != 0) FUZZ_CHECK(text == path.get());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSetUp();
    FuzzInput in = FuzzInputOf(data, size);
    FuzzSelectEncoding(FuzzByte(in));
    const unsigned styles = FuzzByte(in);
    const unsigned limitByte = FuzzByte(in);
    const std::string text = FuzzString(in);
    const std::string baseText = FuzzString(in);
    const std::string other = FuzzString(in);
    const int style = static_cast<int>(styles % 5);
    const int baseStyle = static_cast<int>((styles / 5) % 5);

    FUZZ_CHECK(PathClassify(text.c_str()) >= PathStyleNative &&
               PathClassify(text.c_str()) <= PathStyleNativeAlt);
    const int absolute = PathIsAbsolute(text.c_str());
    const int root = PathIsRoot(text.c_str());
    FUZZ_CHECK((absolute == 0 || absolute == 1) && (root == 0 || root == 1));

    PathObject* base = PathFromString(baseText.c_str(), nullptr, baseStyle);
    CheckObject(base);
    PathObject* object = PathFromString(text.c_str(), base, style);
    CheckObject(object);
    if (object) FUZZ_CHECK(object->path[0] != 0 && !(object->flags & PathFlagNoBase));
    CheckStrings(object);
    CheckTokens(object, nullptr);
    CheckTokens(object, base);

    PathObject* dir = PathResolveNewDir(text.c_str(), base);
    PathObject* file = PathResolveNewFile(text.c_str(), base);
    PathObject* styled = PathResolveNewStyled(text.c_str(), base, style);
    for (PathObject* o : {dir, file, styled}) {
        CheckObject(o);
        CheckStrings(o);
        PathFree(o);
    }

    CheckSplit(text);
    CheckTokensToNative(text);
    CheckComponents(text);
    CheckInPlace(text, baseText, other, limitByte);

    PathFree(object);
    PathFree(base);
    return 0;
}
