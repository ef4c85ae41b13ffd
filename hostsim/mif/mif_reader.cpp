// The MIF reader: a tokenizer and an explicit-stack parser of statements,
// strings, numbers with units, keywords, facets and comments.
#include "hostsim/mif/mif_reader.h"

#include "hostsim/mif/mif_text.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

struct Reader {
    const char* base; // the first byte of the file, for spans
    const char* p;
    const char* end;
    int line = 1;
    const std::string& name;
    const MifLimits& limits;
    std::string* error;
    size_t statements = 0;
    size_t treeBytes = 0;
    bool utf8 = true;
    bool keep = true;      // false: statements are checked and let go
    size_t topLevel = 0;   // statements closed at the top level
    bool identified = false; // the first statement said what the file is
    // The statements open now, outermost first: the first `depth` of
    // `open` (checking keeps the deeper ones for their buffers).
    std::vector<MifNode> open{};
    size_t depth = 0;
    // For each open statement, how many statements closed inside it: where
    // its next datum stands, whether or not the children are kept.
    std::vector<size_t> nested{};

    bool Fail(int at, const std::string& message) {
        *error = name + ":" + std::to_string(at) + ": " + message;
        return false;
    }
    uint32_t Offset(const char* at) const { return (uint32_t)(at - base); }
    // What a piece of the tree costs, counted against the memory limit.
    bool Costs(size_t bytes, size_t text) {
        treeBytes += bytes + (text > 15 ? text : 0);
        return treeBytes <= limits.maxTreeBytes;
    }
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
bool Ends(char c) { return IsSpace(c) || c == '<' || c == '>' || c == '`' || c == '#'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

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

bool IsMacro(const char* s, size_t size, std::string* which) {
    if (!size || (s[0] != 'd' && s[0] != 'i')) return false; // most words: no need to compare
    for (const char* m : {"define", "include"}) {
        size_t n = std::strlen(m);
        if (size >= n && std::memcmp(s, m, n) == 0 && (size == n || s[n] == '(')) {
            *which = m;
            return true;
        }
    }
    return false;
}

// Skips white space and comments.
void SkipSpace(Reader& r) {
    while (r.p < r.end) {
        char c = *r.p;
        if (IsLineEnd(c)) {
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

// Steps eight bytes at a time over the plain text of a string: bytes that
// are no quote, backslash or line end. Stops before the word that holds one
// (or the last few bytes), which the caller looks at byte by byte.
const char* PastPlainText(const char* p, const char* end) {
    for (uint64_t w; end - p >= 8; p += 8) {
        std::memcpy(&w, p, 8);
        if (HasByte(w, '\'') | HasByte(w, '\\') | HasByte(w, '\n') | HasByte(w, '\r')) break;
    }
    return p;
}

bool ReadString(Reader& r, MifAtom* atom) {
    int startLine = r.line;
    const char* s = ++r.p; // past the back quote
    for (;;) {
        r.p = PastPlainText(r.p, r.end);
        if (r.p >= r.end || *r.p == '\'' || IsLineEnd(*r.p)) break;
        if (*r.p == '\\' && r.p + 1 < r.end && !IsLineEnd(r.p[1])) ++r.p;
        ++r.p;
    }
    if (r.p >= r.end || *r.p != '\'') return r.Fail(startLine, "unterminated string");
    size_t size = (size_t)(r.p - s);
    ++r.p;
    if (size > r.limits.maxStringBytes) return r.Fail(startLine, "string too long");
    atom->kind = MifString;
    std::string message;
    if (!MifDecodeString(s, size, r.utf8, &atom->text, &message)) return r.Fail(startLine, message);
    return true;
}

// A facet: lines from one starting with '=' to "=EndInset", kept as written.
bool ReadFacet(Reader& r, MifAtom* atom) {
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
    atom->kind = MifFacet;
    atom->text.assign(s, (size_t)(e - s));
    return true;
}

// A number, with its unit when one follows it directly or after blanks on
// the same line ("3 pt"), or a keyword.
bool ReadWord(Reader& r, MifAtom* atom, std::string* macro, int at) {
    const char* s = r.p;
    while (r.p < r.end && !Ends(*r.p)) ++r.p;
    size_t size = (size_t)(r.p - s);
    if (IsMacro(s, size, macro)) return r.Fail(at, "macro statement '" + *macro + "' is not supported");
    size_t number = NumberLength(s, size);
    if (number && (number == size || MifIsUnit(s + number, size - number))) {
        atom->kind = MifNumber;
        atom->text.assign(s, number);
        if (number < size) {
            atom->unit.assign(s + number, size - number);
        } else {
            const char* q = r.p;
            while (q < r.end && (*q == ' ' || *q == '\t')) ++q;
            const char* u = q;
            while (q < r.end && !Ends(*q)) ++q;
            if (q > u && MifIsUnit(u, (size_t)(q - u))) {
                atom->unit.assign(u, (size_t)(q - u));
                r.p = q;
            }
        }
    } else {
        atom->kind = MifKeyword;
        atom->text.assign(s, size);
    }
    return true;
}

// The statement the reader stands in now, the innermost open one.
MifNode& Innermost(Reader& r) { return r.open[r.depth - 1]; }

// A fresh statement on the stack. Checking keeps nothing, so the statements
// of each depth are used again with their buffers, and checking a file
// costs no memory per statement.
MifNode& PushStatement(Reader& r) {
    if (r.nested.size() <= r.depth) r.nested.resize(r.depth + 1);
    r.nested[r.depth] = 0;
    if (r.depth < r.open.size()) {
        MifNode& node = r.open[r.depth++];
        node.token.clear();
        node.args.clear();
        node.children.clear();
        node.line = 0;
        node.begin = node.end = 0;
        node.same = nullptr;
        return node;
    }
    r.open.emplace_back();
    return r.open[r.depth++];
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

// A '<' and the token after it: a statement opens.
bool OpenStatement(Reader& r, MifFile* out) {
    int at = r.line;
    const char* open = r.p++;
    const char* s = r.p;
    while (r.p < r.end && !Ends(*r.p)) ++r.p;
    size_t size = (size_t)(r.p - s);
    if (!size) return r.Fail(at, "statement without a token");
    if (size > r.limits.maxTokenBytes) return r.Fail(at, "token too long");
    std::string macro;
    if (IsMacro(s, size, &macro)) return r.Fail(at, "macro statement '" + macro + "' is not supported");
    if (!r.identified && !Identify(r, out, std::string(s, size), at)) return false;
    if (r.depth >= r.limits.maxDepth) return r.Fail(at, "statements nested too deeply");
    if (++r.statements > r.limits.maxStatements) return r.Fail(at, "too many statements");
    if (!r.Costs(sizeof(MifNode), size)) return r.Fail(at, "file too large to hold in memory");
    MifNode& node = PushStatement(r);
    node.token.assign(s, size);
    node.line = at;
    node.begin = r.Offset(open);
    return true;
}

// A statement at the top level closed: the identifying statement gives the
// version, <Units> the unit of bare numbers.
bool TopLevelClosed(Reader& r, MifFile* out, const MifNode& done) {
    if (r.topLevel++ == 0) {
        const MifAtom* v = done.args.empty() ? nullptr : &done.args[0];
        if (!v || v->kind != MifNumber || !v->unit.empty() || v->position != 0)
            return r.Fail(done.line, "not a MIF file (no version)");
        out->version = v->text;
        out->utf8 = MifVersionIsUtf8(v->text);
        r.utf8 = out->utf8;
    } else if (done.token == "Units" && !done.args.empty()) {
        MifUnitsKeyword(done.args[0].text, &out->units);
    }
    return true;
}

// A '>': the innermost statement closes, into its parent or the file.
bool CloseStatement(Reader& r, MifFile* out) {
    if (!r.depth) return r.Fail(r.line, "unbalanced '>'");
    ++r.p;
    MifNode& done = Innermost(r);
    done.end = r.Offset(r.p);
    --r.depth;
    if (r.depth) ++r.nested[r.depth - 1];
    if (r.depth && r.keep) r.open[r.depth - 1].children.push_back(std::move(done));
    if (!r.depth) {
        if (!TopLevelClosed(r, out, done)) return false;
        if (r.keep) out->statements.push_back(std::move(done));
    }
    if (r.keep) r.open.pop_back();
    return true;
}

// A datum of the innermost statement: a string, a facet, a number or a
// keyword.
bool ReadDatum(Reader& r, char c) {
    int at = r.line;
    MifAtom atom;
    const char* s = r.p;
    if (c == '`') {
        if (!ReadString(r, &atom)) return false;
    } else if (c == '=' && AtLineStart(r)) {
        if (!ReadFacet(r, &atom)) return false;
    } else if (c == '=') {
        // Only a facet starts with '=', at the start of its line; a word of
        // that shape could not be written back unmistaken.
        return r.Fail(at, "'=' outside a facet");
    } else {
        std::string macro;
        if (!ReadWord(r, &atom, &macro, at)) return false;
    }
    if (!r.depth) return r.Fail(at, "data outside a statement");
    if (!r.Costs(sizeof(MifAtom), atom.text.size())) return r.Fail(at, "file too large to hold in memory");
    MifNode& holder = Innermost(r);
    atom.begin = r.Offset(s);
    atom.end = r.Offset(atom.kind == MifFacet ? s + atom.text.size() : r.p);
    atom.position = r.nested[r.depth - 1];
    holder.args.push_back(std::move(atom));
    // The version, the identifying statement's first datum, says how every
    // string after it is encoded, that statement's own included.
    if (r.topLevel == 0 && r.depth == 1 && holder.args.size() == 1 && holder.args[0].kind == MifNumber)
        r.utf8 = MifVersionIsUtf8(holder.args[0].text);
    return true;
}

bool Parse(Reader& r, MifFile* out) {
    if (r.end - r.p >= 3 && std::memcmp(r.p, "\xEF\xBB\xBF", 3) == 0) r.p += 3;
    for (;;) {
        SkipSpace(r);
        if (r.p >= r.end) break;
        char c = *r.p;
        if (!r.identified && c != '<') return r.Fail(r.line, "not a MIF file");
        bool ok = c == '<' ? OpenStatement(r, out) : c == '>' ? CloseStatement(r, out) : ReadDatum(r, c);
        if (!ok) return false;
    }
    if (r.depth)
        return r.Fail(Innermost(r).line, "unbalanced '<': <" + Innermost(r).token + "> is not closed");
    if (!r.identified) return r.Fail(r.line, "not a MIF file");
    return true;
}

std::string LastComponent(const std::string& path) {
#ifdef _WIN32
    size_t slash = path.find_last_of("\\/:");
#else
    size_t slash = path.find_last_of('/');
#endif
    return slash == std::string::npos ? path : path.substr(slash + 1);
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
    *out = MifFile{};
    // Spans are 32-bit offsets: no file the limits let through is larger.
    if (data.size() > limits.maxFileBytes || data.size() > UINT32_MAX) {
        *error = name + ": file too large";
        return false;
    }
    std::string binary = MifBinaryFileMessage(data.data(), data.size(), name);
    if (!binary.empty()) {
        *error = binary;
        return false;
    }
    auto source = std::make_shared<const std::string>(std::move(data));
    Reader r{source->data(), source->data(), source->data() + source->size(), 1, name, limits, error};
    if (Parse(r, out)) {
        out->source = std::move(source);
        return true;
    }
    *out = MifFile{};
    return false;
}

bool MifCheckFile(const std::string& localPath, MifFile* out, std::string* error, const MifLimits& limits) {
    *out = MifFile{};
    std::string data;
    if (!MifReadBytes(localPath, limits.maxFileBytes, &data, error)) return false;
    std::string name = LastComponent(localPath);
    if (data.size() > UINT32_MAX) {
        *error = name + ": file too large";
        return false;
    }
    std::string binary = MifBinaryFileMessage(data.data(), data.size(), name);
    if (!binary.empty()) {
        *error = binary;
        return false;
    }
    Reader r{data.data(), data.data(), data.data() + data.size(), 1, name, limits, error};
    r.keep = false;
    bool ok = Parse(r, out);
    if (!ok) *out = MifFile{}; // as reading leaves it: nothing of a file that does not read
    return ok;
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
    std::string shown = LastComponent(localPath);
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
    return MifParseBytes(std::move(data), LastComponent(localPath), out, error, limits);
}
