// The platform-neutral token form of a path ("<v>C:<c>docs<c>a.fm") and its
// conversion to and from native paths.
#include <cstring>

#include "support/base/memory.h"
#include "support/base/strings.h"
#include "support/io/path.h"
#include "support/io/path_scan.h"
#include "support/io/url.h"

namespace {

struct Native {
    char* out;
    int n;
    bool failed;

    void Put(const char* bytes, int len) {
        if (failed || n + len > PathBufferSize - 1) {
            failed = true;
            return;
        }
        std::memcpy(out + n, bytes, static_cast<size_t>(len));
        n += len;
    }
};

bool IsTokenAt(const char* p) { return p[0] == '<' && PathIsLetter(p[1]) && p[2] == '>'; }

// Reads a token's text from p up to the next '<' or the end, undoing the
// '\' escapes. False when it is longer than 1023 bytes.
bool ReadText(const char** cursor, char* text, int* length) {
    const char* p = *cursor;
    int n = 0;
    while (*p && *p != '<') {
        int len = PathCharLen(p);
        if (len == 1 && *p == '\\' && p[1] != 0) {
            ++p; // the next character stands for itself
            len = PathCharLen(p);
        }
        if (n + len > PathTokenSize - 1) return false;
        std::memcpy(text + n, p, static_cast<size_t>(len));
        n += len;
        p += len;
    }
    text[n] = 0;
    *length = n;
    *cursor = p;
    return true;
}

int Refuse(char* out) {
    out[0] = 0;
    return -1;
}

// Counts (dst null) or writes the token form of a local native path.
struct Tokens {
    char* dst;
    int n;

    void Put(const char* bytes, int len) {
        if (dst) std::memcpy(dst + n, bytes, static_cast<size_t>(len));
        n += len;
    }
};

void WriteTokens(const char* path, Tokens& t) {
    const char* p = path;
    if (PathIsLetter(p[0]) && p[1] == ':') {
        t.Put("<v>", 3);
        t.Put(p, 2);
        p += 2;
        // "X:\" alone keeps its root; "X:\dir" needs none, "<v>" gives it.
        if (PathIsSlash(*p)) {
            const char* q = p;
            while (PathIsSlash(*q)) ++q;
            if (*q == 0) t.Put("<r>", 3);
        }
    }
    else if (PathIsSlash(p[0])) {
        t.Put("<r>", 3);
    }
    while (*p) {
        while (PathIsSlash(*p)) ++p;
        if (*p == 0) break;
        const char* end = p;
        while (*end && !PathIsSlash(*end)) end += PathCharLen(end);
        const int len = static_cast<int>(end - p);
        if (len == 2 && p[0] == '.' && p[1] == '.') {
            t.Put("<u>", 3);
        }
        else if (!(len == 1 && p[0] == '.')) {
            t.Put("<c>", 3);
            for (const char* c = p; c < end;) {
                const int charLen = PathCharLen(c);
                if (charLen == 1 && (*c == '<' || *c == '\\')) t.Put("\\", 1);
                t.Put(c, charLen);
                c += charLen;
            }
        }
        p = end;
    }
}

// One conversion of tokens to the native form.
struct NativeWalk {
    Native native;
    char last;     // letter of the last token that meant something
    bool rootLast; // the last separator written is a root
};

// Writes a token's text followed by a separator, when it has text.
void PutPart(Native& native, const char* text, int length) {
    if (length == 0) return;
    native.Put(text, length);
    native.Put("\\", 1);
}

// Writes one token of kind `letter` with its text. 1 when written, 0 for an
// unknown token (its text is skipped), -1 when the token cannot stand where
// it is.
int PutToken(NativeWalk& w, char letter, const char* text, int length) {
    Native& native = w.native;
    switch (letter) {
    case 'v':
        if (native.n != 0) return -1;
        native.Put(text, length);
        native.Put("\\", 1);
        w.rootLast = false;
        return 1;
    case 'r':
        // After a drive, the drive already brought its root.
        if (w.last != 'v') {
            if (native.n != 0) return -1;
            native.Put("\\", 1);
        }
        w.rootLast = length == 0;
        PutPart(native, text, length);
        return 1;
    case 'h':
        if (native.n != 0) return -1;
        native.Put("\\", 1);
        native.Put(text, length);
        native.Put("\\", 1);
        w.rootLast = false;
        return 1;
    case 'c':
        native.Put(text, length);
        native.Put("\\", 1);
        w.rootLast = false;
        return 1;
    case 'u':
        if (w.last == 'r' || w.last == 'h') return -1;
        native.Put("..\\", 3);
        PutPart(native, text, length);
        w.rootLast = false;
        return 1;
    default:
        return 0;
    }
}

} // namespace

int PathTokensToNative(const char* text, char* out) {
    if (!out) return -1;
    out[0] = 0;
    if (!text) text = "";
    if (!UrlIsLocal(text)) {
        if (std::strlen(text) > static_cast<size_t>(PathBufferSize - 1)) return -1;
        std::strcpy(out, text);
        return 0;
    }

    NativeWalk walk{{out, 0, false}, 0, false};
    Native& native = walk.native;
    const char* p = text;
    char tokenText[PathTokenSize];
    while (IsTokenAt(p)) {
        const char letter = p[1];
        p += 3;
        int textLen = 0;
        if (!ReadText(&p, tokenText, &textLen)) return Refuse(out);
        int put = PutToken(walk, letter, tokenText, textLen);
        if (put < 0) return Refuse(out);
        if (put == 0) continue;
        if (native.failed) return Refuse(out);
        walk.last = letter;
    }
    if (native.n == 0) return Refuse(out);
    // The separator the last token added goes, unless it is the root itself:
    // "<r>" is "\", the form the writer gives the root, and "<v>C:<r>" is
    // "C:\", the root of C:, not "C:", the working directory on that drive.
    if (!walk.rootLast) --native.n;
    // A lone "<v>" or "<c>" with no text leaves nothing once that separator
    // goes: an empty path is a refusal, not a success.
    if (native.n == 0) return Refuse(out);
    out[native.n] = 0;
    return 0;
}

int PathNativeToTokens(const PathObject* object, const PathObject* other, char** out, int* length) {
    if (!object || object->magic != PathMagic || !object->path) return 1;
    if ((object->flags & PathFlagNoBase) || !out || !length) {
        AssertFailed();
        return -1;
    }
    *out = nullptr;
    *length = 0;

    char path[PathBufferSize];
    if (std::strlen(object->path) >= sizeof path) return -1;
    std::strcpy(path, object->path);
    if (other && other->magic == PathMagic && other->path) PathRelativeTo(path, other->path);

    if (!UrlIsLocal(path)) {
        *out = StrDup(path);
        if (!*out) return -1;
        *length = static_cast<int>(std::strlen(path));
        return 0;
    }
    Tokens count{nullptr, 0};
    WriteTokens(path, count);
    char* tokens = static_cast<char*>(MemAlloc(static_cast<uint32_t>(count.n) + 1, 0));
    if (!tokens) return -1;
    Tokens write{tokens, 0};
    WriteTokens(path, write);
    tokens[write.n] = 0;
    *out = tokens;
    *length = write.n;
    return 0;
}
