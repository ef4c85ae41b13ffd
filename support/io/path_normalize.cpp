// Normalisation of a composed path, character by character: runs of
// separators become one, written with the separator that occurs first; "."
// components go; ".." takes the component before it away.
#include <cstring>

#include "support/io/path.h"
#include "support/io/path_scan.h"

namespace {

// What was written at an offset of the output: a separator ('\' or '/', or
// the two backslashes of a share name), a ':' or the first byte of a
// component. A component never starts with one of those bytes, so the kind
// of each element can be read back from the output itself.
enum Kind { KindSep, KindColon, KindComp };

struct Writer {
    char* out;
    int n;
    char sep;
    int starts[PathBufferSize]; // offset of each element written, in order
    int depth;

    Kind KindAt(int element) const {
        const char c = out[starts[element]];
        if (c == ':') return KindColon;
        return PathIsSlash(c) ? KindSep : KindComp;
    }

    void Push(const char* bytes, int len) {
        starts[depth++] = n;
        std::memcpy(out + n, bytes, static_cast<size_t>(len));
        n += len;
    }

    void TruncateTo(int element, int offset) {
        depth = element;
        n = offset;
    }

    bool AnySeparatorWritten() const {
        for (int e = 0; e < depth; ++e)
            if (KindAt(e) != KindComp) return true;
        return false;
    }
};

// Applies a ".." component. Returns true when the separators after it are to
// be skipped as well (the output went back to nothing from a relative name,
// so "a\..\b" stays relative).
bool GoUp(Writer& w) {
    if (!w.AnySeparatorWritten()) return false; // "..\a": dropped
    const int top = w.depth - 1;
    if (w.KindAt(top) == KindColon) return false; // "C:..": nothing to go up to
    // top is a separator.
    if (top >= 1 && w.KindAt(top - 1) == KindColon) {
        w.TruncateTo(top, w.starts[top]); // "C:\.." gives "C:"
        return false;
    }
    if (top >= 1 && w.KindAt(top - 1) == KindComp) {
        const int comp = top - 1;
        if (comp == 0) {
            w.TruncateTo(0, 0);
            return true;
        }
        const int front = comp - 1;
        if (w.KindAt(front) == KindColon)
            w.TruncateTo(front + 1, w.starts[front] + 1); // the ':' stays
        else
            w.TruncateTo(front, w.starts[front]);
        return false;
    }
    w.TruncateTo(0, 0); // no earlier component: everything goes
    return false;
}

} // namespace

void PathNormalize(const char* working, char* out) {
    Writer w;
    w.out = out;
    w.n = 0;
    w.depth = 0;
    w.sep = '\\';
    for (const char* p = working; *p; p += PathCharLen(p))
        if (PathIsSlash(*p)) {
            w.sep = *p;
            break;
        }

    const char* p = working;
    if (p[0] == '\\' && p[1] == '\\') {
        w.Push("\\\\", 2); // a share name keeps both backslashes
        while (PathIsSlash(*p)) ++p;
    }
    while (*p) {
        if (PathIsSlash(*p)) {
            while (PathIsSlash(*p)) ++p;
            w.Push(&w.sep, 1);
            continue;
        }
        if (*p == ':') {
            w.Push(":", 1);
            ++p;
            continue;
        }
        const char* start = p;
        while (*p && !PathIsSlash(*p) && *p != ':') p += PathCharLen(p);
        const int len = static_cast<int>(p - start);
        if (len == 1 && start[0] == '.') {
            while (PathIsSlash(*p)) ++p;
            continue;
        }
        if (len == 2 && start[0] == '.' && start[1] == '.') {
            if (GoUp(w))
                while (PathIsSlash(*p)) ++p;
            continue;
        }
        w.Push(start, len);
    }
    out[w.n] = 0;
}
