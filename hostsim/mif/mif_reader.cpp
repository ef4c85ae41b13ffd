// The MIF reader: a tokenizer and an explicit-stack parser of statements,
// strings, numbers with units, keywords, facets and comments. The pre-run
// check runs the same parser with nothing built: what a statement's close
// and the messages need is kept per open statement either way.
#include "hostsim/mif/mif_reader.h"

#include "hostsim/file_os.h"
#include "hostsim/mif/mif_text.h"
#include "hostsim/sim_model.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <new>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// What the reader holds of a statement while it is open: what its close,
// its data and the messages need, whether or not the statement is kept.
struct Frame {
    const char* token;
    size_t tokenSize;
    int line;
    uint32_t begin;
    size_t nested;     // statements closed inside it so far: where its next datum stands
    size_t args;       // data read in it so far
};

// The first datum of the top-level statement open now, when the close needs
// it: the identifying statement's version, the keyword of <Units ...>.
struct FirstDatum {
    bool present = false;
    MifAtomKind kind = MifKeyword;
    bool hasUnit = false;
    size_t position = 0;
    std::string text;
};

// A datum as read: its text as the tree holds it (a string's value
// decoded), its unit, and its bytes in the file.
struct Datum {
    MifAtomKind kind = MifKeyword;
    const char* text = nullptr;
    size_t textSize = 0;
    bool decoded = false; // `text` is no view of the file: the tree keeps a copy
    const char* unit = nullptr;
    size_t unitSize = 0;
    const char* begin = nullptr;
    const char* end = nullptr;
};

// A stack of the tree's statements or data, which hold no pointer into
// themselves: growing it and taking its last elements into an array of
// their own copy bytes, rather than moving and destroying each element.
template <class T> struct ByteStack {
    T* items = nullptr;
    size_t size = 0, room = 0;

    ByteStack() = default;
    ByteStack(const ByteStack&) = delete;
    ByteStack& operator=(const ByteStack&) = delete;
    ~ByteStack() {
        std::destroy_n(items, size);
        std::free(items);
    }
    void Reserve(size_t n) {
        if (n <= room) return;
        void* grown = std::realloc(static_cast<void*>(items), n * sizeof(T));
        if (!grown) throw std::bad_alloc();
        items = static_cast<T*>(grown);
        room = n;
    }
    T& Push(T&& item) {
        if (size == room) Reserve(std::max<size_t>(16, room * 2));
        return *new (items + size++) T(std::move(item));
    }
    // The last `n`, in an array of their own.
    MifVec<T> TakeLast(size_t n) {
        if (n >= HandOverItems && size - n <= n / 8 && n <= MifVec<T>::max_size()) return HandOver(n);
        MifVec<T> taken = MifVec<T>::Relocated(items + size - n, n);
        size -= n;
        return taken;
    }

private:
    // A statement of a long flow holds a hundred thousand paragraphs and
    // more, and megabytes of fresh memory for their array cost a page fault
    // each 4 KB: when they are nearly all the stack holds, the stack's own
    // memory becomes their array, and the few below them move to new memory.
    static constexpr size_t HandOverItems = size_t(1) << 16;
    MifVec<T> HandOver(size_t n) {
        size_t below = size - n;
        T* rest = static_cast<T*>(std::malloc(room * sizeof(T)));
        if (!rest) throw std::bad_alloc();
        std::memcpy(static_cast<void*>(rest), static_cast<const void*>(items), below * sizeof(T));
        std::memmove(static_cast<void*>(items), static_cast<const void*>(items + below), n * sizeof(T));
        // Room past the last one goes back; a shrink that fails keeps it.
        void* exact = std::realloc(static_cast<void*>(items), n * sizeof(T));
        MifVec<T> taken = MifVec<T>::Adopted(exact ? static_cast<T*>(exact) : items, n);
        items = rest;
        size = below;
        return taken;
    }
};

struct Reader {
    const char* base; // the first byte of the file, for spans
    const char* p;
    const char* end;
    const std::string& name;
    const MifLimits& limits;
    std::string* error;
    bool keep;             // false: statements are checked and nothing is built
    int line = 1;
    size_t statements = 0;
    size_t treeBytes = 0;   // what the tree takes
    size_t objectBytes = 0; // what the host's objects of it take
    // Costs up to this much in all are within every limit: within the
    // slack of each, and within the bound of the whole.
    size_t withinSlack = std::min(limits.maxTreeBytes, limits.costSlack);
    // How many statements and data the stacks below hold, and room for how
    // many: kept whether or not they are built, so that what their room
    // costs is counted as the tree's, before it is made.
    size_t closedSize = 0, closedRoom = 0;
    size_t dataSize = 0, dataRoom = 0;
    bool utf8 = true;
    size_t topLevel = 0;   // statements closed at the top level
    bool identified = false; // the first statement said what the file is
    std::vector<Frame> open{}; // the statements open now, outermost first
    FirstDatum first{};
    // Reading: the node of each open statement, outermost first, and on
    // stacks shared by every level the statements closed and the data read
    // in the open ones (the last `nested` and `args` of each open statement
    // are its own): each statement's arrays are made at their exact size
    // when it closes. The statements closed at the top level stay on
    // `closed` until the end.
    std::vector<MifNode> building{};
    ByteStack<MifNode> closed{};
    ByteStack<MifAtom> data{};
    std::string decoded{}; // the value of a string that holds escapes or non-ASCII bytes
    bool escapeNoted = false; // the first escape kept as it stands has its warning

    bool Fail(int at, const std::string& message) {
        *error = name + ":" + std::to_string(at) + ": " + message;
        return false;
    }
    void Warn(MifFile* out, int at, const std::string& message) {
        out->warnings.push_back(name + ":" + std::to_string(at) + ": " + message);
    }
    uint32_t Offset(const char* at) const { return (uint32_t)(at - base); }
    // What a piece of the tree and the host's objects of it cost, counted
    // against the memory limits whether or not the tree is built, so that
    // checking stops where reading would; false with the message at line
    // `at` when it is more than they allow.
    bool Costs(size_t tree, size_t objects, int at) {
        treeBytes += tree;
        objectBytes += objects;
        // Most files never leave the slack: one comparison says so.
        return treeBytes + objectBytes <= withinSlack || CostsBeyondSlack(at);
    }
    [[gnu::noinline]] bool CostsBeyondSlack(int at) {
        if (treeBytes + objectBytes > limits.maxTreeBytes)
            return Fail(at, "file too large to hold in memory; split it into smaller documents");
        size_t read = (size_t)(p - base);
        if (Within(treeBytes, read, limits.treePerByte) && Within(objectBytes, read, limits.objectsPerByte))
            return true;
        return Fail(at, "too many statements for its size: FrameMaker writes none so dense; save the "
                        "document as MIF from FrameMaker again (File > Save As, MIF)");
    }
    bool Within(size_t cost, size_t read, size_t perByte) const {
        return cost <= limits.costSlack || cost - limits.costSlack <= read * perByte;
    }
    // Room for one more on a stack holding `size` of `each` bytes: when its
    // `room` is full it doubles, as a vector does, and a file that piles up
    // millions of statements at one level is refused before that room is
    // made rather than after.
    bool RoomFor(size_t size, size_t* room, size_t each, int at) {
        if (size < *room) return true;
        size_t more = std::max<size_t>(*room, 16);
        if (!Costs(more * each, 0, at)) return false;
        *room += more;
        return true;
    }
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

// The bytes that end a word or token: white space, '<', '>', '`', '#'.
struct EndsTable {
    bool ends[256] = {};
    constexpr EndsTable() {
        for (unsigned char c : {' ', '\t', '\r', '\n', '\f', '\v', '<', '>', '`', '#'}) ends[c] = true;
    }
};
constexpr EndsTable EndsOfWords;
bool Ends(char c) { return EndsOfWords.ends[(unsigned char)c]; }

// Past the word that starts at `p`: up to the first byte that ends it.
// Sixteen bytes are looked at together for one that may: a control or a
// space, '<', '>', '`' or '#'. A control that is no white space does not end
// the word, and is stepped over byte by byte.
const char* PastWord(const char* p, const char* end) {
#if defined(__SSE2__)
    const __m128i bias = _mm_set1_epi8(char(0x80)); // compared signed, as unsigned
    const __m128i space = _mm_set1_epi8(char(0x80 + ' '));
    while (end - p >= 16) {
        __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
        __m128i above = _mm_cmpgt_epi8(_mm_add_epi8(v, bias), space);
        __m128i angle = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('<')), _mm_cmpeq_epi8(v, _mm_set1_epi8('>')));
        __m128i other = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('`')), _mm_cmpeq_epi8(v, _mm_set1_epi8('#')));
        unsigned may = (~(unsigned)_mm_movemask_epi8(above) & 0xFFFFu) |
                       (unsigned)_mm_movemask_epi8(_mm_or_si128(angle, other));
        if (!may) {
            p += 16;
            continue;
        }
        const char* q = p + std::countr_zero(may);
        if (Ends(*q)) return q;
        p = q + 1;
    }
#endif
    while (p < end && !Ends(*p)) ++p;
    return p;
}

// Steps over the line end at `p` (CR LF, LF or CR) and counts the line.
const char* PastLineEnd(Reader& r, const char* p) {
    if (*p == '\r' && p + 1 < r.end && p[1] == '\n') ++p;
    ++r.line;
    return p + 1;
}

// The length of the number at the start of a word ("0.5", "-3", "12"), 0
// when the word does not begin with one.
size_t NumberLength(const char* s, size_t size) {
    size_t i = 0;
    if (i < size && (s[i] == '-' || s[i] == '+')) ++i;
    size_t digits = 0;
    while (i < size && IsDigit(s[i])) ++i, ++digits;
    if (i < size && s[i] == '.') {
        ++i;
        while (i < size && IsDigit(s[i])) ++i, ++digits;
    }
    return digits ? i : 0;
}

// The macro a word names ("define", "include"), or null.
[[gnu::noinline]] const char* MacroNamed(const char* s, size_t size) {
    for (const char* m : {"define", "include"}) {
        size_t n = std::strlen(m);
        if (size >= n && std::memcmp(s, m, n) == 0 && (size == n || s[n] == '(')) return m;
    }
    return nullptr;
}
inline const char* Macro(const char* s, size_t size) {
    return size && (s[0] == 'd' || s[0] == 'i') ? MacroNamed(s, size) : nullptr; // most words: no need to compare
}

// Skips white space and comments.
void SkipSpace(Reader& r) {
    while (r.p < r.end) {
        char c = *r.p;
        if (c == ' ' || c == '\t') {
            ++r.p;
        } else if (IsLineEnd(c)) {
            r.p = PastLineEnd(r, r.p);
        } else if (IsSpace(c)) {
            ++r.p;
        } else if (c == '#') {
            while (r.p < r.end && !IsLineEnd(*r.p)) ++r.p;
        } else {
            break;
        }
    }
}

// Whether the reader stands at the first non-blank character of its line.
bool AtLineStart(const Reader& r) {
    for (const char* q = r.p; q > r.base;) {
        char c = *--q;
        if (IsLineEnd(c)) return true;
        if (c != ' ' && c != '\t') return false;
    }
    return true;
}

// Whether any byte of `word` is `c` (the test for a zero byte, on the
// word with `c` cleared out).
uint64_t HasByte(uint64_t word, unsigned char c) {
    uint64_t x = word ^ (0x0101010101010101ull * c);
    return (x - 0x0101010101010101ull) & ~x & 0x8080808080808080ull;
}

#if defined(__SSE2__)
// The bytes of the sixteen at `p` that are a quote, a backslash or a line
// end, one bit each, and those above ASCII in `high`.
unsigned StopBytes16(const char* p, unsigned* high) {
    __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    __m128i quoteOrEscape = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\'')),
                                         _mm_cmpeq_epi8(v, _mm_set1_epi8('\\')));
    __m128i lineEnd = _mm_or_si128(_mm_cmpeq_epi8(v, _mm_set1_epi8('\n')),
                                   _mm_cmpeq_epi8(v, _mm_set1_epi8('\r')));
    *high = (unsigned)_mm_movemask_epi8(v);
    return (unsigned)_mm_movemask_epi8(_mm_or_si128(quoteOrEscape, lineEnd));
}
#endif

// Steps over the plain text of a string: bytes that are no quote,
// backslash or line end. Stops at the first byte that is one, or before
// the eight that hold one (or the last few bytes of the file), which the
// caller looks at byte by byte. Whether any byte stepped over is above
// ASCII is added to `high` (not zero when one is).
const char* PastPlainText(const char* p, const char* end, uint64_t* high) {
#if defined(__SSE2__)
    for (unsigned above; end - p >= 16; p += 16) {
        unsigned stops = StopBytes16(p, &above);
        if (stops) {
            *high |= above & ((stops & (0u - stops)) - 1); // those before the first stop
            return p + std::countr_zero(stops);
        }
        *high |= above;
    }
#endif
    uint64_t seen = 0;
    for (uint64_t w; end - p >= 8; p += 8) {
        std::memcpy(&w, p, 8);
        if (HasByte(w, '\'') | HasByte(w, '\\') | HasByte(w, '\n') | HasByte(w, '\r')) break;
        seen |= w;
    }
    *high |= seen & 0x8080808080808080ull;
    return p;
}

// Whether the strings of a statement may go on over line ends: FrameMaker
// wraps long equations (`<MathFullForm `...'>`) over several lines. Any
// other string ends on its line, so that a lost quote is reported where it
// was lost instead of taking the statements after it for text.
bool WrapsOverLines(const Reader& r) {
    static const char token[] = "MathFullForm";
    const size_t size = sizeof token - 1;
    if (r.open.empty() || r.open.back().tokenSize != size) return false;
    return std::memcmp(r.open.back().token, token, size) == 0;
}

// How an escape MIF does not have is shown: "\n", "\ (0x01)".
std::string ShownEscape(const char* backslash, const char* end) {
    unsigned char c = backslash + 1 < end ? (unsigned char)backslash[1] : 0;
    if (IsLineEnd((char)c)) return "\\ at the end of a line";
    char shown[16];
    if (c > 0x20 && c < 0x7F)
        std::snprintf(shown, sizeof shown, "\\%c", c);
    else
        std::snprintf(shown, sizeof shown, "\\ (0x%02X)", c);
    return shown;
}

// The warning for the file's first escape kept as it stands, at `at` in the
// string whose text begins at `s` on line `line`.
void NoteKeptEscape(Reader& r, MifFile* out, const char* s, size_t at, int line) {
    if (r.escapeNoted) return;
    r.escapeNoted = true;
    for (size_t i = 0; i < at; ++i)
        if (s[i] == '\n' || (s[i] == '\r' && s[i + 1] != '\n')) ++line; // s[at] is the backslash
    r.Warn(out, line, "unknown escape " + ShownEscape(s + at, r.end) + " kept as it stands");
}

// A string: its value is its bytes when they are their own value (ASCII,
// or UTF-8 in a UTF-8 file, without escapes or line ends), else they are
// decoded (which may refuse them) into `r.decoded`, and the tree keeps a
// copy. Whether they are is found in the same pass that looks for the
// string's end; bytes above ASCII are decoded either way, to know they are
// good.
bool ReadString(Reader& r, Datum* d, MifFile* out) {
    int startLine = r.line;
    const bool overLines = WrapsOverLines(r);
    const char* s = ++r.p; // past the back quote
    uint64_t high = 0;     // a byte above ASCII was seen: not zero
    bool special = false;  // an escape or a line end was seen
    for (;;) {
        r.p = PastPlainText(r.p, r.end, &high);
        if (r.p >= r.end || *r.p == '\'') break;
        if (IsLineEnd(*r.p)) {
            if (!overLines) break;
            special = true; // the value leaves the line end out
            r.p = PastLineEnd(r, r.p);
            continue;
        }
        high |= (unsigned char)*r.p & 0x80;
        if (*r.p == '\\') {
            special = true;
            if (r.p + 1 < r.end && !IsLineEnd(r.p[1])) ++r.p;
        }
        ++r.p;
    }
    if (r.p >= r.end || *r.p != '\'') return r.Fail(startLine, "unterminated string");
    size_t size = (size_t)(r.p - s);
    ++r.p;
    if (size > r.limits.maxStringBytes) return r.Fail(startLine, "string too long");
    d->kind = MifString;
    d->end = r.p;
    d->text = s;
    d->textSize = size;
    if (!high && !special) return true;
    std::string message;
    size_t unknown = std::string::npos;
    if (!MifDecodeString(s, size, r.utf8, &r.decoded, &message, &unknown)) return r.Fail(startLine, message);
    if (unknown != std::string::npos) NoteKeptEscape(r, out, s, unknown, startLine);
    d->decoded = special || !r.utf8;
    if (d->decoded) {
        d->text = r.decoded.data();
        d->textSize = r.decoded.size();
    }
    return true;
}

// A facet: lines from one starting with '=' to "=EndInset", kept as written.
bool ReadFacet(Reader& r, Datum* d) {
    int startLine = r.line;
    const char* s = r.p;
    for (;;) {
        const char* eol = r.p;
        while (eol < r.end && !IsLineEnd(*eol)) ++eol;
        bool last = (size_t)(eol - r.p) >= 9 && std::memcmp(r.p, "=EndInset", 9) == 0;
        r.p = eol;
        if (last) break;
        if (r.p >= r.end) return r.Fail(startLine, "unterminated facet (no =EndInset)");
        r.p = PastLineEnd(r, r.p);
        while (r.p < r.end && (*r.p == ' ' || *r.p == '\t')) ++r.p;
    }
    const char* e = r.p;
    while (e > s && e[-1] == ' ') --e;
    d->kind = MifFacet;
    d->text = s;
    d->textSize = (size_t)(e - s);
    d->end = e;
    return true;
}

// A number, with its unit when one follows it directly or after blanks on
// the same line ("3 pt"), or a keyword.
bool ReadWord(Reader& r, Datum* d, int at) {
    const char* s = r.p;
    r.p = PastWord(r.p, r.end);
    size_t size = (size_t)(r.p - s);
    if (const char* macro = Macro(s, size))
        return r.Fail(at, "macro statement '" + std::string(macro) + "' is not supported");
    size_t number = NumberLength(s, size);
    d->text = s;
    if (number && (number == size || MifIsUnit(s + number, size - number))) {
        d->kind = MifNumber;
        d->textSize = number;
        if (number < size) {
            d->unit = s + number;
            d->unitSize = size - number;
        } else {
            const char* q = r.p;
            while (q < r.end && (*q == ' ' || *q == '\t')) ++q;
            const char* u = q;
            q = PastWord(q, r.end);
            if (q > u && MifIsUnit(u, (size_t)(q - u))) {
                d->unit = u;
                d->unitSize = (size_t)(q - u);
                r.p = q;
            }
        }
    } else {
        d->kind = MifKeyword;
        d->textSize = size;
    }
    d->end = r.p;
    return true;
}

// The first statement's token says what the file is.
bool Identify(Reader& r, MifFile* out, const std::string& token, int at) {
    if (token == "MIFFile")
        out->kind = MifDocumentFile;
    else if (token == "Book")
        out->kind = MifBookFile;
    else
        return r.Fail(at, "not a MIF file (it begins with <" + token + ">)");
    r.identified = true;
    return true;
}

bool IsToken(const Frame& f, const char* token) {
    return f.tokenSize == std::strlen(token) && std::memcmp(f.token, token, f.tokenSize) == 0;
}

// Reading: a statement opened; its node is filled in until it closes. Its
// token is a view of the file's bytes.
void BuildOpen(Reader& r, const Frame& f) {
    MifNode& node = r.building.emplace_back();
    node.token = MifToken::View(f.token, f.tokenSize);
    node.begin = f.begin;
}

// What reading a document or book makes of a statement beyond its tree:
// the host's objects (a page and its page frame, a frame, a paragraph, a
// table, row or cell, a marker, a paragraph format, a marker type, a flow,
// a book component), with what the read keeps of each (its statement, a
// copy of it as read). Counted wherever the statement stands: a little
// more than reading makes, never less.
size_t ObjectCost(const char* token, size_t size) {
    // An object in the host's store, and the record of the statement it was read from.
    const size_t object = sizeof(SimObject) + 32;
    auto is = [&](const char* name) { return std::memcmp(token, name, size) == 0; };
    switch (size) { // every statement is looked at: by length first
    case 3: return is("Row") || is("Tbl") ? object : is("Pgf") ? 2 * object : 0;
    case 4: return is("Para") || is("Cell") ? object : is("Page") ? 3 * object : 0;
    case 5: return is("Frame") ? object : 0;
    case 6: return is("Marker") ? 2 * object : 0;
    case 8: return is("TextRect") || is("TextFlow") ? object : 0;
    case 9: return is("MTypeName") ? object : is("BookGroup") ? 2 * object : 0;
    case 10: return is("BookFolder") ? 2 * object : 0;
    case 13: return is("BookComponent") ? 2 * object : 0;
    default: return 0;
    }
}

// A '<' and the token after it: a statement opens.
bool OpenStatement(Reader& r, MifFile* out) {
    int at = r.line;
    const char* start = r.p++;
    const char* s = r.p;
    r.p = PastWord(r.p, r.end);
    size_t size = (size_t)(r.p - s);
    if (!size) return r.Fail(at, "statement without a token");
    if (size > r.limits.maxTokenBytes) return r.Fail(at, "token too long");
    if (const char* macro = Macro(s, size))
        return r.Fail(at, "macro statement '" + std::string(macro) + "' is not supported");
    if (!r.identified && !Identify(r, out, std::string(s, size), at)) return false;
    if (r.open.size() >= r.limits.maxDepth) return r.Fail(at, "statements nested too deeply");
    if (++r.statements > r.limits.maxStatements) return r.Fail(at, "too many statements");
    if (!r.Costs(sizeof(MifNode), ObjectCost(s, size), at)) return false;
    if (r.open.empty()) r.first.present = false;
    r.open.push_back(Frame{s, size, at, r.Offset(start), 0, 0});
    if (r.keep) BuildOpen(r, r.open.back());
    return true;
}

// A statement at the top level closed: the identifying statement gives the
// version, <Units> the unit of bare numbers.
bool TopLevelClosed(Reader& r, MifFile* out, const Frame& done) {
    const FirstDatum& v = r.first;
    if (r.topLevel++ == 0) {
        if (!v.present || v.kind != MifNumber || v.hasUnit || v.position != 0)
            return r.Fail(done.line, "not a MIF file (no version)");
        out->version = v.text;
        out->utf8 = MifVersionIsUtf8(v.text);
        r.utf8 = out->utf8;
    } else if (v.present && IsToken(done, "Units")) {
        MifUnitsKeyword(v.text, &out->units);
    }
    return true;
}

// Reading: the statement that closed takes its data and the statements
// closed in it, and is itself closed in its parent (or the file).
void Build(Reader& r, const Frame& done) {
    MifAtoms args = r.data.TakeLast(done.args);
    MifNodes children = r.closed.TakeLast(done.nested);
    r.closed.Reserve(r.closedRoom);
    MifNode& node = r.closed.Push(std::move(r.building.back()));
    r.building.pop_back();
    node.end = r.Offset(r.p);
    node.args = std::move(args);
    node.children = std::move(children);
}

// A '>': the innermost statement closes, into its parent or the file.
bool CloseStatement(Reader& r, MifFile* out) {
    if (r.open.empty()) return r.Fail(r.line, "unbalanced '>'");
    ++r.p;
    // The frame is read where it stands (a copy of it costs more than the
    // rest of the close) and let go last.
    const Frame& done = r.open.back();
    r.dataSize -= done.args;
    r.closedSize -= done.nested;
    if (!r.RoomFor(r.closedSize++, &r.closedRoom, sizeof(MifNode), done.line)) return false;
    bool top = r.open.size() == 1;
    if (top && !TopLevelClosed(r, out, done)) return false;
    if (r.keep) Build(r, done);
    r.open.pop_back();
    if (!top) ++r.open.back().nested;
    return true;
}

// Keeps the first datum of a top-level statement where its close needs it:
// the identifying statement's and <Units>'s.
void KeepFirst(Reader& r, const Frame& holder, const Datum& d) {
    if (r.open.size() != 1 || holder.args != 0) return;
    if (r.topLevel != 0 && !IsToken(holder, "Units")) return;
    r.first.present = true;
    r.first.kind = d.kind;
    r.first.hasUnit = d.unitSize != 0;
    r.first.position = holder.nested;
    r.first.text.assign(d.text, d.textSize);
}

// Reading: the datum into the innermost statement's data; its text a view
// of the file unless decoding made it.
void BuildDatum(Reader& r, const Frame& holder, const Datum& d) {
    r.data.Reserve(r.dataRoom);
    MifAtom& atom = r.data.Push(MifAtom());
    atom.kind = d.kind;
    atom.text = d.decoded ? MifText(std::string_view(d.text, d.textSize)) : MifText::View(d.text, d.textSize);
    if (d.unitSize) atom.unit = MifUnitText(std::string_view(d.unit, d.unitSize));
    atom.position = (uint32_t)holder.nested;
    atom.begin = r.Offset(d.begin);
    atom.end = r.Offset(d.end);
}

// A datum of the innermost statement: a string, a facet, a number or a
// keyword.
bool ReadDatum(Reader& r, char c, MifFile* out) {
    int at = r.line;
    Datum d;
    d.begin = r.p;
    if (c == '`') {
        if (!ReadString(r, &d, out)) return false;
    } else if (c == '=' && AtLineStart(r)) {
        if (!ReadFacet(r, &d)) return false;
    } else if (c == '=') {
        // Only a facet starts with '=', at the start of its line; a word of
        // that shape could not be written back unmistaken.
        return r.Fail(at, "'=' outside a facet");
    } else {
        if (!ReadWord(r, &d, at)) return false;
    }
    if (r.open.empty()) return r.Fail(at, "data outside a statement");
    if (!r.Costs(sizeof(MifAtom) + (d.decoded ? d.textSize : 0), 0, at)) return false;
    if (!r.RoomFor(r.dataSize++, &r.dataRoom, sizeof(MifAtom), at)) return false;
    Frame& holder = r.open.back();
    KeepFirst(r, holder, d);
    if (r.keep) BuildDatum(r, holder, d);
    // The version, the identifying statement's first datum, says how every
    // string after it is encoded, that statement's own included.
    if (++holder.args == 1 && r.topLevel == 0 && r.open.size() == 1 && d.kind == MifNumber)
        r.utf8 = MifVersionIsUtf8(r.first.text);
    return true;
}

// How the first bytes of a trailer are shown in its warning: up to twenty,
// those that are not printable ASCII as \xNN.
std::string ShownBytes(const char* p, const char* end) {
    std::string shown;
    for (int n = 0; p < end && n < 20; ++p, ++n) {
        unsigned char c = (unsigned char)*p;
        char hex[8];
        std::snprintf(hex, sizeof hex, "\\x%02X", c);
        shown += c >= 0x20 && c < 0x7F ? std::string(1, (char)c) : std::string(hex);
    }
    return p < end ? shown + "..." : shown;
}

// At the top level, after the last statement: data with no statement after
// it (a stray character after "# End of MIFFile") is the file's trailer,
// kept as it stands. Anything else outside a statement (a stray '>', a
// macro, data before another statement) is an error where it stands.
bool ReadTrailer(Reader& r, MifFile* out) {
    if (!r.identified || !r.open.empty() || *r.p == '>' || std::memchr(r.p, '<', (size_t)(r.end - r.p)))
        return false;
    if (Macro(r.p, (size_t)(PastWord(r.p, r.end) - r.p))) return false;
    out->trailer = r.Offset(r.p);
    r.Warn(out, r.line, "bytes after the last statement kept as they stand: " + ShownBytes(r.p, r.end));
    r.p = r.end;
    return true;
}

bool Parse(Reader& r, MifFile* out) {
    if (r.end - r.p >= 3 && std::memcmp(r.p, "\xEF\xBB\xBF", 3) == 0) r.p += 3;
    for (;;) {
        SkipSpace(r);
        if (r.p >= r.end) break;
        char c = *r.p;
        if (!r.identified && c != '<') return r.Fail(r.line, "not a MIF file");
        if (c != '<' && ReadTrailer(r, out)) break; // what follows the last statement
        bool ok = c == '<' ? OpenStatement(r, out) : c == '>' ? CloseStatement(r, out) : ReadDatum(r, c, out);
        if (!ok) return false;
    }
    if (!r.open.empty()) {
        // Found at the file's last line; the statement left open is named
        // with the line it opened at, which may be far before.
        const Frame& f = r.open.back();
        int last = r.line - (IsLineEnd(r.end[-1]) ? 1 : 0);
        return r.Fail(last, "unexpected end of file; the <" + std::string(f.token, f.tokenSize) +
                                " statement opened at line " + std::to_string(f.line) + " is not closed");
    }
    if (!r.identified) return r.Fail(r.line, "not a MIF file");
    if (r.keep) out->statements = r.closed.TakeLast(r.closed.size);
    return true;
}

// Refuses what no parse should see: a file larger than the limit or than
// spans can say (32-bit offsets), and FrameMaker's binary files.
bool Refused(const char* data, size_t size, const std::string& name, const MifLimits& limits,
             std::string* error) {
    if (size > limits.maxFileBytes || size > UINT32_MAX) {
        *error = name + ": file too large";
        return true;
    }
    std::string binary = MifBinaryFileMessage(data, size, name);
    if (binary.empty()) return false;
    *error = binary;
    return true;
}

// Parses the bytes into `out`, building the tree (`keep`) or only checking.
bool ParseInto(const char* data, size_t size, const std::string& name, bool keep, MifFile* out,
               std::string* error, const MifLimits& limits) {
    *out = MifFile{};
    if (Refused(data, size, name, limits, error)) return false;
    Reader r{data, data, data + size, name, limits, error, keep};
    MifArenaScope arena; // the tree's vectors from chunks, freed a chunk at a time
    if (Parse(r, out)) return true;
    *out = MifFile{}; // nothing of a file that does not read
    return false;
}


} // namespace

std::string MifBinaryFileMessage(const char* data, size_t size, const std::string& name) {
    static const struct {
        const char* start;
        const char* what;
    } kinds[] = {{"<MakerFile", "document"}, {"<BookFile", "book"}};
    for (const auto& k : kinds) {
        size_t n = std::strlen(k.start);
        if (size >= n && std::memcmp(data, k.start, n) == 0)
            return name + " is a binary FrameMaker " + k.what +
                   "; save it as MIF in FrameMaker (File > Save As, MIF) and run again";
    }
    return std::string();
}

bool MifParseBytes(std::string&& data, const std::string& name, MifFile* out, std::string* error,
                   const MifLimits& limits) {
    auto source = std::make_shared<const std::string>(std::move(data));
    if (!ParseInto(source->data(), source->size(), name, true, out, error, limits)) return false;
    out->source = std::move(source);
    return true;
}

bool MifCheckBytes(const char* data, size_t size, const std::string& name, MifFile* out, std::string* error,
                   const MifLimits& limits) {
    return ParseInto(data, size, name, false, out, error, limits);
}

bool MifCheckFile(const std::string& localPath, MifFile* out, std::string* error, const MifLimits& limits) {
    *out = MifFile{};
    std::string data;
    if (!MifReadBytes(localPath, limits.maxFileBytes, &data, error)) return false;
    return MifCheckBytes(data.data(), data.size(), FileOsLastName(localPath), out, error, limits);
}

bool MifParse(const char* data, size_t size, const std::string& name, MifFile* out, std::string* error,
              const MifLimits& limits) {
    if (size > limits.maxFileBytes) {
        *out = MifFile{};
        *error = name + ": file too large";
        return false;
    }
    return MifParseBytes(std::string(data, size), name, out, error, limits);
}

bool MifReadBytes(const std::string& localPath, size_t maxBytes, std::string* data, std::string* error) {
    std::string shown = FileOsLastName(localPath);
#ifdef _WIN32
    // Binary: the bytes as they are, line ends included.
    int fd = ::open(localPath.c_str(), O_RDONLY | O_BINARY);
#else
    int fd = ::open(localPath.c_str(), O_RDONLY | O_CLOEXEC);
#endif
    if (fd < 0) {
        *error = shown + ": " + std::strerror(errno);
        return false;
    }
    // Closed on every way out, an allocation that throws included.
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        *error = shown + ": not a file";
        return false;
    }
    if ((unsigned long long)st.st_size > maxBytes) {
        *error = shown + ": file too large";
        return false;
    }
    // Read straight into a string of the file's size; a file that grows
    // meanwhile is read on to its end, within `maxBytes`.
    data->clear();
    data->resize((size_t)st.st_size + 1);
    size_t have = 0;
    for (;;) {
        if (have == data->size()) {
            if (have > maxBytes) break; // too large already: said below
            data->resize(std::min(maxBytes + 1, have * 2 + 65536));
        }
        ssize_t n = ::read(fd, &(*data)[have], data->size() - have);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *error = shown + ": " + std::strerror(errno);
            return false;
        }
        if (n == 0) break;
        have += (size_t)n;
    }
    data->resize(have);
    if (have > maxBytes) {
        *error = shown + ": file too large";
        return false;
    }
    return true;
}

bool MifReadFile(const std::string& localPath, MifFile* out, std::string* error, const MifLimits& limits) {
    *out = MifFile{};
    std::string data;
    if (!MifReadBytes(localPath, limits.maxFileBytes, &data, error)) return false;
    return MifParseBytes(std::move(data), FileOsLastName(localPath), out, error, limits);
}
