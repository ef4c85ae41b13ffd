// The MIF reader: a tokenizer and an explicit-stack parser of statements,
// strings, numbers with units, keywords, facets and comments.
#include "hostsim/mif_reader.h"

#include "hostsim/mif_text.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

struct Reader {
    const char* p;
    const char* end;
    int line = 1;
    const std::string& name;
    const MifLimits& limits;
    std::string* error;
    size_t statements = 0;
    bool utf8 = true;

    bool Fail(int at, const std::string& message) {
        *error = name + ":" + std::to_string(at) + ": " + message;
        return false;
    }
};

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
bool Ends(char c) { return IsSpace(c) || c == '<' || c == '>' || c == '`' || c == '#'; }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

const char* const Units[] = {"\"", "in", "pt", "mm", "cm", "pc"};

bool IsUnit(const std::string& s) {
    for (const char* u : Units)
        if (s == u) return true;
    return false;
}

// Splits a lexeme into a number and its unit when it is one ("0.5\"", "-3",
// "12pt"); false for a keyword.
bool SplitNumber(const std::string& lexeme, std::string* number, std::string* unit) {
    size_t i = 0;
    if (i < lexeme.size() && (lexeme[i] == '-' || lexeme[i] == '+')) ++i;
    size_t digits = 0;
    while (i < lexeme.size() && IsDigit(lexeme[i])) ++i, ++digits;
    if (i < lexeme.size() && lexeme[i] == '.') {
        ++i;
        while (i < lexeme.size() && IsDigit(lexeme[i])) ++i, ++digits;
    }
    if (!digits) return false;
    std::string rest = lexeme.substr(i);
    if (!rest.empty() && !IsUnit(rest)) return false;
    *number = lexeme.substr(0, i);
    *unit = rest;
    return true;
}

bool IsMacro(const std::string& lexeme, std::string* which) {
    for (const char* m : {"define", "include"}) {
        size_t n = std::strlen(m);
        if (lexeme.compare(0, n, m) == 0 && (lexeme.size() == n || lexeme[n] == '(')) {
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
        if (c == '\n') {
            ++r.line;
            ++r.p;
        } else if (IsSpace(c)) {
            ++r.p;
        } else if (c == '#') {
            while (r.p < r.end && *r.p != '\n') ++r.p;
        } else {
            break;
        }
    }
}

// Whether the reader stands at the first non-blank character of its line.
bool AtLineStart(const Reader& r, const char* begin) {
    for (const char* q = r.p; q > begin;) {
        char c = *--q;
        if (c == '\n') return true;
        if (c != ' ' && c != '\t' && c != '\r') return false;
    }
    return true;
}

bool ReadString(Reader& r, MifAtom* atom) {
    int startLine = r.line;
    const char* s = ++r.p; // past the back quote
    while (r.p < r.end && *r.p != '\'' && *r.p != '\n') {
        if (*r.p == '\\' && r.p + 1 < r.end && r.p[1] != '\n') ++r.p;
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
        while (eol < r.end && *eol != '\n') ++eol;
        bool last = (size_t)(eol - r.p) >= 9 && std::memcmp(r.p, "=EndInset", 9) == 0;
        r.p = eol;
        if (last) break;
        if (r.p >= r.end) return r.Fail(startLine, "unterminated facet (no =EndInset)");
        ++r.p;
        ++r.line;
        while (r.p < r.end && (*r.p == ' ' || *r.p == '\t')) ++r.p;
    }
    const char* e = r.p;
    while (e > s && (e[-1] == '\r' || e[-1] == ' ')) --e;
    atom->kind = MifFacet;
    atom->text.assign(s, (size_t)(e - s));
    return true;
}

// A number, with its unit when one follows it directly or after blanks on
// the same line ("3 pt"), or a keyword.
bool ReadWord(Reader& r, MifAtom* atom, std::string* lexeme) {
    const char* s = r.p;
    while (r.p < r.end && !Ends(*r.p)) ++r.p;
    lexeme->assign(s, (size_t)(r.p - s));
    if (lexeme->size() > r.limits.maxTokenBytes) return r.Fail(r.line, "word too long");
    std::string number, unit;
    if (SplitNumber(*lexeme, &number, &unit)) {
        if (unit.empty()) {
            const char* q = r.p;
            while (q < r.end && (*q == ' ' || *q == '\t')) ++q;
            const char* u = q;
            while (q < r.end && !Ends(*q)) ++q;
            std::string next(u, (size_t)(q - u));
            if (q > u && IsUnit(next)) {
                unit = next;
                r.p = q;
            }
        }
        atom->kind = MifNumber;
        atom->text = number;
        atom->unit = unit;
    } else {
        atom->kind = MifKeyword;
        atom->text = *lexeme;
    }
    return true;
}

bool Parse(Reader& r, MifFile* out) {
    const char* begin = r.p;
    if (r.end - r.p >= 3 && std::memcmp(r.p, "\xEF\xBB\xBF", 3) == 0) r.p += 3;
    std::vector<MifNode> stack;
    bool identified = false;
    for (;;) {
        SkipSpace(r);
        if (r.p >= r.end) break;
        char c = *r.p;
        if (!identified && c != '<') return r.Fail(r.line, "not a MIF file");
        if (c == '<') {
            int at = r.line;
            ++r.p;
            const char* s = r.p;
            while (r.p < r.end && !Ends(*r.p)) ++r.p;
            std::string token(s, (size_t)(r.p - s));
            if (token.empty()) return r.Fail(at, "statement without a token");
            if (token.size() > r.limits.maxTokenBytes) return r.Fail(at, "token too long");
            std::string macro;
            if (IsMacro(token, &macro))
                return r.Fail(at, "macro statement '" + macro + "' is not supported");
            if (!identified) {
                if (token == "MIFFile")
                    out->kind = MifDocumentFile;
                else if (token == "Book")
                    out->kind = MifBookFile;
                else
                    return r.Fail(at, "not a MIF file (it begins with <" + token + ">)");
                identified = true;
            }
            if (stack.size() >= r.limits.maxDepth) return r.Fail(at, "statements nested too deeply");
            if (++r.statements > r.limits.maxStatements) return r.Fail(at, "too many statements");
            MifNode node;
            node.token = std::move(token);
            node.line = at;
            stack.push_back(std::move(node));
        } else if (c == '>') {
            if (stack.empty()) return r.Fail(r.line, "unbalanced '>'");
            ++r.p;
            MifNode done = std::move(stack.back());
            stack.pop_back();
            if (!stack.empty()) {
                stack.back().children.push_back(std::move(done));
                continue;
            }
            if (out->statements.empty()) { // the identifying statement: its version
                const MifAtom* v = done.args.empty() ? nullptr : &done.args[0];
                if (!v || v->kind != MifNumber || !v->unit.empty())
                    return r.Fail(done.line, "not a MIF file (no version)");
                out->version = v->text;
                out->utf8 = MifVersionIsUtf8(v->text);
                r.utf8 = out->utf8;
            } else if (done.token == "Units" && !done.args.empty()) {
                MifUnitsKeyword(done.args[0].text, &out->units);
            }
            out->statements.push_back(std::move(done));
        } else {
            int at = r.line;
            MifAtom atom;
            std::string lexeme;
            if (c == '`') {
                if (!ReadString(r, &atom)) return false;
            } else if (c == '=' && AtLineStart(r, begin)) {
                if (!ReadFacet(r, &atom)) return false;
            } else if (c == '=') {
                // Only a facet starts with '=', at the start of its line; a
                // word of that shape could not be written back unmistaken.
                return r.Fail(at, "'=' outside a facet");
            } else {
                if (!ReadWord(r, &atom, &lexeme)) return false;
                std::string macro;
                if (IsMacro(lexeme, &macro))
                    return r.Fail(at, "macro statement '" + macro + "' is not supported");
            }
            if (stack.empty()) return r.Fail(at, "data outside a statement");
            atom.position = stack.back().children.size();
            stack.back().args.push_back(std::move(atom));
        }
    }
    if (!stack.empty())
        return r.Fail(stack.back().line, "unbalanced '<': <" + stack.back().token + "> is not closed");
    if (!identified) return r.Fail(r.line, "not a MIF file");
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

bool MifParse(const char* data, size_t size, const std::string& name, MifFile* out, std::string* error,
              const MifLimits& limits) {
    *out = MifFile{};
    if (size > limits.maxFileBytes) {
        *error = name + ": file too large";
        return false;
    }
    Reader r{data, data + size, 1, name, limits, error};
    if (Parse(r, out)) return true;
    *out = MifFile{};
    return false;
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
    data->clear();
    char buf[65536];
    for (;;) {
        ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            *error = shown + ": " + std::strerror(errno);
            return false;
        }
        if (n == 0) break;
        if (data->size() + (size_t)n > maxBytes) {
            *error = shown + ": file too large";
            return false;
        }
        data->append(buf, (size_t)n);
    }
    return true;
}

bool MifReadFile(const std::string& localPath, MifFile* out, std::string* error, const MifLimits& limits) {
    *out = MifFile{};
    std::string data;
    if (!MifReadBytes(localPath, limits.maxFileBytes, &data, error)) return false;
    return MifParse(data.data(), data.size(), LastComponent(localPath), out, error, limits);
}
