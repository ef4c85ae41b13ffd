// The MIF writer. A statement read from a file is written piece by piece
// from the file's bytes: its token, then each datum and nested statement
// with the spacing, comments and line ends that stood between them. Only
// what the session made or changed is written anew, in the style of the
// file around it. So a tree nothing changed gives back its file byte for
// byte, and a change touches only the lines it must.
//
// Statements are written depth first; the depth is bound by the reader's
// nesting limit, or by the host's own few levels.
#include "hostsim/mif/mif_writer.h"

#include "hostsim/atomic_file.h"
#include "hostsim/mif/mif_text.h"

#include <algorithm>
#include <cstring>

namespace {

// How the file writes what the host adds to it.
struct Style {
    std::string eol = "\n";
    std::string indentUnit = " ";  // one level of nesting
    bool unitSpace = false;        // "12.0 pt" rather than "12.0pt" (inches stay 12.0")
    bool endComments = false;      // "> # end of Pgf" after a statement of several lines
};

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\f' || c == '\v'; }
bool IsLineEnd(char c) { return c == '\n' || c == '\r'; }

bool FindUnitSpace(const std::string& src, const MifNode& n, bool* found) {
    for (const MifAtom& a : n.args) {
        if (a.kind != MifNumber || a.unit.empty() || a.unit == "\"" || !a.end || a.end > src.size() ||
            src.compare(a.begin, a.text.size(), a.text) != 0) // one the session set tells nothing
            continue;
        size_t after = a.begin + a.text.size();
        *found = true;
        return after < a.end && IsBlank(src[after]);
    }
    for (const MifNode& c : n.children) {
        bool space = FindUnitSpace(src, MifReal(c), found);
        if (*found) return space;
    }
    return false;
}

Style StyleOf(const MifFile& file) {
    Style s;
    if (!file.source) return s;
    const std::string& src = *file.source;
    size_t eol = src.find_first_of("\r\n");
    if (eol != std::string::npos)
        s.eol = src[eol] == '\n' ? "\n" : eol + 1 < src.size() && src[eol + 1] == '\n' ? "\r\n" : "\r";
    // The indent of the first nested statement that begins a line: one level.
    for (size_t i = eol; i != std::string::npos && i < src.size(); i = src.find_first_of("\r\n", i)) {
        while (i < src.size() && IsLineEnd(src[i])) ++i;
        size_t j = i;
        while (j < src.size() && IsBlank(src[j])) ++j;
        if (j > i && j < src.size() && src[j] == '<') {
            s.indentUnit = src.substr(i, j - i);
            break;
        }
        if (i >= src.size()) break;
    }
    s.endComments = src.find("> # end of ") != std::string::npos;
    bool found = false;
    for (const MifNode& n : file.statements) {
        bool space = FindUnitSpace(src, MifReal(n), &found);
        if (found) {
            s.unitSpace = space;
            break;
        }
    }
    return s;
}

// The text of a save goes on in blocks of this size as it is made.
constexpr size_t SpillBlock = (size_t)1 << 20;

struct Writer {
    const std::string* src; // the file's bytes, or null
    bool utf8;
    const MifFile& file;
    Style style;
    bool styled = false;
    std::string* out; // the text made and not yet handed on
    std::string* error;
    // Where the text goes in blocks as it is made (null: `out` is all of it).
    bool (*put)(void* context, const char* data, size_t size) = nullptr;
    void* putContext = nullptr;
    bool putAtLineStart = true; // what was handed on ends a line (or is nothing)

    const Style& GetStyle() {
        if (!styled) {
            style = StyleOf(file);
            styled = true;
        }
        return style;
    }
    void Indent(size_t depth) {
        const std::string& unit = GetStyle().indentUnit;
        for (size_t i = 0; i < depth; ++i) *out += unit;
    }
    void Eol() { *out += GetStyle().eol; }
    bool AtLineStart() const { return out->empty() ? putAtLineStart : IsLineEnd(out->back()); }
    // Hands the text made so far on once it fills a block; `all`: whatever
    // there is. False when it is not taken.
    bool Spill(bool all = false) {
        if (!put || out->empty() || (!all && out->size() < SpillBlock)) return true;
        putAtLineStart = IsLineEnd(out->back());
        bool taken = put(putContext, out->data(), out->size());
        out->clear();
        return taken;
    }
    // Bytes of the file as they stand; a long run of them goes straight on.
    bool Copy(size_t begin, size_t size) {
        if (!put || size < SpillBlock) {
            out->append(*src, begin, size);
            return Spill();
        }
        if (!Spill(true)) return false;
        putAtLineStart = IsLineEnd((*src)[begin + size - 1]);
        return put(putContext, src->data() + begin, size);
    }
};

bool SpanOk(const Writer& w, uint32_t begin, uint32_t end) { return w.src && end && begin < end && end <= w.src->size(); }
bool NodeSpanned(const Writer& w, const MifNode& n) {
    return SpanOk(w, n.begin, n.end) && (*w.src)[n.begin] == '<' && (*w.src)[n.end - 1] == '>' &&
           n.end - n.begin >= n.token.size() + 2;
}

// Whether a datum still says what its bytes in the file say.
bool AtomAsRead(const Writer& w, const MifAtom& a) {
    if (!SpanOk(w, a.begin, a.end)) return false;
    const char* s = w.src->data() + a.begin;
    size_t n = a.end - a.begin;
    switch (a.kind) {
    case MifKeyword: return s[0] != '`' && s[0] != '=' && n == a.text.size() && std::memcmp(s, a.text.data(), n) == 0;
    case MifNumber: {
        if (n < a.text.size() || std::memcmp(s, a.text.data(), a.text.size()) != 0) return false;
        size_t i = a.text.size();
        if (!a.unit.empty())
            while (i < n && IsBlank(s[i])) ++i;
        return n - i == a.unit.size() && std::memcmp(s + i, a.unit.data(), a.unit.size()) == 0;
    }
    case MifString: {
        if (n < 2 || s[0] != '`' || s[n - 1] != '\'') return false;
        const char* raw = s + 1;
        size_t size = n - 2;
        // Plain text reads as itself: no need to decode it. Escapes and the
        // line ends of a wrapped string are no part of the value.
        bool plain = std::memchr(raw, '\\', size) == nullptr && std::memchr(raw, '\n', size) == nullptr &&
                     std::memchr(raw, '\r', size) == nullptr;
        for (size_t i = 0; plain && !w.utf8 && i < size; ++i) plain = (unsigned char)raw[i] < 0x80;
        if (plain) return size == a.text.size() && std::memcmp(raw, a.text.data(), size) == 0;
        std::string value, message;
        return MifDecodeString(raw, size, w.utf8, &value, &message) && value == a.text;
    }
    case MifFacet: return n == a.text.size() && std::memcmp(s, a.text.data(), n) == 0;
    }
    return false;
}

bool WriteNew(Writer& w, const MifNode& n, size_t depth, bool lines);
bool WriteNode(Writer& w, const MifNode& n, size_t depth, bool same = false);
// A statement read from the file from its bytes, one the host made in the
// file's style, on lines of its own or not. `same`: `n` is a statement read
// that the tree says stands unchanged (MifNode::same).
bool WriteAny(Writer& w, const MifNode& n, size_t depth, bool lines, bool same) {
    return lines || NodeSpanned(w, n) ? WriteNode(w, n, depth, same) : WriteNew(w, n, depth, false);
}

bool WriteAtomValue(Writer& w, const MifAtom& a) {
    switch (a.kind) {
    case MifNumber: {
        // A value set in place of one read is spelled as that one was.
        bool space = w.GetStyle().unitSpace;
        if (SpanOk(w, a.begin, a.end)) {
            const char* s = w.src->data() + a.begin;
            const char* e = w.src->data() + a.end;
            const char* blank = std::find_if(s, e, IsBlank);
            const char* letter = std::find_if(s, e, [](char c) { return (c >= 'a' && c <= 'z') || c == '"'; });
            if (letter != e) space = blank < letter;
        }
        *w.out += a.text;
        if (!a.unit.empty() && a.unit != "\"" && space) *w.out += ' ';
        *w.out += a.unit;
        return true;
    }
    case MifKeyword:
        *w.out += a.text;
        return true;
    case MifString: {
        std::string encoded;
        if (!MifEncodeString(a.text, w.utf8, &encoded, w.error)) return false;
        *w.out += '`';
        *w.out += encoded;
        *w.out += '\'';
        return true;
    }
    case MifFacet:
        // Facet lines must begin their lines, and what follows them too.
        if (!w.AtLineStart()) w.Eol();
        *w.out += a.text;
        w.Eol();
        return true;
    }
    return true;
}

bool WriteAtom(Writer& w, const MifAtom& a) {
    if (AtomAsRead(w, a)) {
        w.out->append(*w.src, a.begin, a.end - a.begin);
        return true;
    }
    return WriteAtomValue(w, a);
}

// One datum or nested statement of a statement, in file order.
struct Item {
    const MifAtom* atom = nullptr;
    const MifNode* node = nullptr; // the statement read when the tree's stands for one
    bool same = false;             // the tree's statement stands for `node` unchanged
    uint32_t Begin() const { return atom ? atom->begin : node->begin; }
    uint32_t End() const { return atom ? atom->end : node->end; }
};

std::vector<Item> ItemsOf(const MifNode& n) {
    std::vector<Item> items;
    items.reserve(n.args.size() + n.children.size());
    size_t a = 0;
    for (size_t c = 0; c <= n.children.size(); ++c) {
        for (; a < n.args.size() && (n.args[a].position <= c || c == n.children.size()); ++a)
            items.push_back(Item{&n.args[a], nullptr, false});
        if (c < n.children.size())
            items.push_back(Item{nullptr, &MifReal(n.children[c]), MifStandsFor(n.children[c]) != nullptr});
    }
    return items;
}

bool ItemSpanned(const Writer& w, const Item& it) {
    return it.atom ? SpanOk(w, it.atom->begin, it.atom->end) : NodeSpanned(w, *it.node);
}

// Whether an item read from the file can be written from where it stood:
// after what was written before it and inside what holds it.
bool Placeable(const Writer& w, const Item& it, uint32_t cursor, uint32_t close) {
    return ItemSpanned(w, it) && it.Begin() >= cursor && it.End() <= close;
}

// The length of the white space and comments at the start of `s`.
size_t PureLength(const char* s, size_t n) {
    size_t i = 0;
    while (i < n) {
        if (IsBlank(s[i]) || IsLineEnd(s[i])) {
            ++i;
        } else if (s[i] == '#') {
            while (i < n && !IsLineEnd(s[i])) ++i;
        } else {
            break;
        }
    }
    return i;
}

// What stands between two items of the file that are written next to each
// other: the bytes between them when only white space and comments stood
// there; when statements were taken out, the line ends up to them and the
// indent of what follows.
std::string Between(const Writer& w, uint32_t from, uint32_t to) {
    const char* s = w.src->data() + from;
    size_t n = to - from;
    size_t pure = PureLength(s, n);
    if (pure == n) return std::string(s, n);
    size_t lastEol = pure;
    while (lastEol > 0 && !IsLineEnd(s[lastEol - 1])) --lastEol;
    if (!lastEol) return pure ? std::string(s, pure) : std::string(1, ' ');
    size_t indent = n;
    while (indent > 0 && IsBlank(s[indent - 1])) --indent;
    return std::string(s, lastEol) + std::string(s + indent, n - indent);
}

bool WriteItem(Writer& w, const Item& it, size_t depth) {
    if (it.atom) return WriteAtom(w, *it.atom);
    return WriteNode(w, *it.node, depth, it.same);
}

// The indent of the statements nested in `n`: that of the first one that
// begins its line in the file, else one level more than `depth`.
std::string ChildIndent(Writer& w, const std::vector<Item>& items, size_t depth) {
    for (const Item& it : items) {
        if (!ItemSpanned(w, it) || !it.node) continue;
        size_t i = it.Begin();
        while (i > 0 && IsBlank((*w.src)[i - 1])) --i;
        if (i == 0 || IsLineEnd((*w.src)[i - 1])) return w.src->substr(i, it.Begin() - i);
    }
    std::string indent;
    for (size_t i = 0; i < depth + 1; ++i) indent += w.GetStyle().indentUnit;
    return indent;
}

// Items in file order from `from`, up to the byte `close` where what holds
// them ends (its '>' or the end of the file). `depth` is that of the items.
bool WriteItems(Writer& w, const std::vector<Item>& items, uint32_t from, uint32_t close, size_t depth,
                bool topLevel) {
    uint32_t cursor = from;
    std::string childIndent;
    bool haveIndent = false;
    size_t i = 0;
    while (i < items.size()) {
        if (Placeable(w, items[i], cursor, close)) {
            *w.out += Between(w, cursor, items[i].Begin());
            if (!WriteItem(w, items[i], depth) || !w.Spill()) return false;
            cursor = items[i].End();
            ++i;
            continue;
        }
        // Items the session added (or moved): they go where the gap before
        // the next item read opens a line, each on a line of its own, or
        // inline when the file has these items on one line.
        size_t j = i;
        while (j < items.size() && !Placeable(w, items[j], cursor, close)) ++j;
        uint32_t next = j < items.size() ? items[j].Begin() : close;
        std::string gap = Between(w, cursor, next);
        size_t eol = gap.find_first_of("\r\n");
        if (eol != std::string::npos || topLevel) {
            size_t cut = eol == std::string::npos ? 0 : eol + (gap[eol] == '\r' && eol + 1 < gap.size() && gap[eol + 1] == '\n' ? 2 : 1);
            if (eol == std::string::npos && !w.AtLineStart()) w.Eol();
            *w.out += gap.substr(0, cut);
            if (!haveIndent) {
                childIndent = topLevel ? std::string() : ChildIndent(w, items, depth - 1);
                haveIndent = true;
            }
            for (; i < j; ++i) {
                *w.out += childIndent;
                if (!WriteItem(w, items[i], depth)) return false;
                if (items[i].node && !NodeSpanned(w, *items[i].node) && !items[i].node->children.empty() &&
                    w.GetStyle().endComments)
                    *w.out += " # end of " + items[i].node->token.str();
                if (!w.AtLineStart()) w.Eol();
                if (!w.Spill()) return false;
            }
            *w.out += gap.substr(cut);
        } else {
            for (; i < j; ++i) {
                *w.out += ' ';
                if (items[i].node ? !WriteAny(w, *items[i].node, depth, false, items[i].same)
                                  : !WriteAtom(w, *items[i].atom))
                    return false;
            }
            *w.out += gap;
        }
        cursor = next;
    }
    *w.out += Between(w, cursor, close);
    return true;
}

// Whether `atom`, a unit word standing on its own, would be read as the
// unit of the number written just before it if the two shared a line.
bool TakenForUnit(const MifAtom* previous, const MifAtom& atom) {
    return previous && previous->kind == MifNumber && previous->unit.empty() && atom.kind == MifKeyword &&
           MifIsUnit(atom.text.data(), atom.text.size());
}

// One datum of a statement the host made, after a space, or at the start of
// a line of its own where a space would join it to the number before it.
bool WriteNewAtom(Writer& w, const MifAtom* previous, const MifAtom& atom, size_t depth) {
    if (TakenForUnit(previous, atom)) {
        w.Eol();
        w.Indent(depth + 1);
    } else {
        *w.out += ' ';
    }
    return WriteAtom(w, atom);
}

// A statement the host made: on lines of its own in the file's style
// (`lines`), or on one line among others that stand on one line.
bool WriteNew(Writer& w, const MifNode& n, size_t depth, bool lines) {
    *w.out += '<';
    *w.out += n.token;
    size_t a = 0;
    for (; a < n.args.size() && n.args[a].position == 0; ++a)
        if (!WriteNewAtom(w, a ? &n.args[a - 1] : nullptr, n.args[a], depth)) return false;
    for (size_t c = 0; c < n.children.size(); ++c) {
        if (lines) {
            w.Eol();
            w.Indent(depth + 1);
        } else {
            *w.out += ' ';
        }
        const MifNode& child = MifReal(n.children[c]);
        if (!WriteAny(w, child, depth + 1, lines, MifStandsFor(n.children[c]) != nullptr)) return false;
        if (lines && !NodeSpanned(w, child) && !child.children.empty() && w.GetStyle().endComments)
            *w.out += " # end of " + child.token.str();
        // Data written after nested statements keeps its place among them.
        for (size_t first = a; a < n.args.size() && n.args[a].position == c + 1; ++a) {
            if (lines) {
                w.Eol();
                w.Indent(depth + 1);
                if (!WriteAtom(w, n.args[a])) return false;
            } else if (!WriteNewAtom(w, a > first ? &n.args[a - 1] : nullptr, n.args[a], depth)) {
                return false;
            }
        }
    }
    // Positions beyond the children: at the end, after the last datum or
    // statement written.
    for (size_t first = a; a < n.args.size(); ++a) {
        bool afterDatum = a > 0 && (a > first || n.children.empty());
        if (!WriteNewAtom(w, afterDatum ? &n.args[a - 1] : nullptr, n.args[a], depth)) return false;
    }
    if (!n.children.empty() && lines) {
        w.Eol();
        w.Indent(depth);
    }
    *w.out += '>';
    return true;
}

// Whether a statement read from the file writes back as its own bytes: every
// datum and nested statement still as read, in file order, with nothing but
// white space and comments between them. Piece by piece would then give the
// same bytes, only at the cost of building them; this walk builds nothing.
// A statement the tree says stands unchanged for one read (`same`) needs no
// walk: the reader made it from those bytes and nothing has changed it.
bool AsRead(const Writer& w, const MifNode& n, bool same) {
    if (!NodeSpanned(w, n)) return false;
    if (same) return true;
    const char* s = w.src->data();
    if (std::memcmp(s + n.begin + 1, n.token.data(), n.token.size()) != 0) return false; // renamed
    uint32_t cursor = n.begin + 1 + (uint32_t)n.token.size(), close = n.end - 1;
    auto next = [&](uint32_t begin, uint32_t end) {
        if (begin < cursor || end > close || PureLength(s + cursor, begin - cursor) != begin - cursor) return false;
        cursor = end;
        return true;
    };
    size_t a = 0;
    for (size_t c = 0; c <= n.children.size(); ++c) {
        for (; a < n.args.size() && (n.args[a].position <= c || c == n.children.size()); ++a) {
            const MifAtom& atom = n.args[a];
            if (!AtomAsRead(w, atom) || !next(atom.begin, atom.end)) return false;
        }
        if (c < n.children.size()) {
            const MifNode& child = MifReal(n.children[c]);
            if (!AsRead(w, child, MifStandsFor(n.children[c]) != nullptr) || !next(child.begin, child.end)) return false;
        }
    }
    return PureLength(s + cursor, close - cursor) == close - cursor;
}

bool WriteNode(Writer& w, const MifNode& n, size_t depth, bool same) {
    if (AsRead(w, n, same)) return w.Copy(n.begin, n.end - n.begin);
    if (!NodeSpanned(w, n)) return WriteNew(w, n, depth, true);
    *w.out += '<';
    *w.out += n.token;
    return WriteItems(w, ItemsOf(n), n.begin + 1 + (uint32_t)n.token.size(), n.end - 1, depth + 1, false) &&
           (*w.out += '>', true);
}

} // namespace

namespace {

bool WriteAll(Writer& w) {
    const MifFile& file = w.file;
    if (!w.src) {
        for (const MifNode& n : file.statements) {
            if (!WriteNew(w, MifReal(n), 0, true)) return false;
            *w.out += '\n';
            if (!w.Spill()) return false;
        }
        return w.Spill(true);
    }
    std::vector<Item> items;
    items.reserve(file.statements.size());
    for (const MifNode& n : file.statements) items.push_back(Item{nullptr, &MifReal(n), MifStandsFor(n) != nullptr});
    uint32_t from = w.src->compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0; // a byte order mark stays
    w.out->append(*w.src, 0, from);
    // Bytes after the last statement that are no statement stay as they stand.
    size_t close = file.trailer && file.trailer < w.src->size() ? file.trailer : w.src->size();
    if (!WriteItems(w, items, from, (uint32_t)close, 0, true)) return false;
    return w.Copy(close, w.src->size() - close) && w.Spill(true);
}

bool PutToSink(void* sink, const char* data, size_t size) {
    return FileSinkPut(*static_cast<FileSink*>(sink), data, size);
}

} // namespace

bool MifWriteText(const MifFile& file, std::string* out, std::string* error) {
    out->clear();
    Writer w{file.source.get(), file.utf8, file, Style(), false, out, error};
    if (w.src) out->reserve(w.src->size() + w.src->size() / 16);
    return WriteAll(w);
}

bool MifWriteStream(const MifFile& file, bool (*put)(void* context, const char* data, size_t size), void* context,
                    std::string* error) {
    std::string block;
    block.reserve(SpillBlock + (64 << 10));
    Writer w{file.source.get(), file.utf8, file, Style(), false, &block, error, put, context};
    return WriteAll(w);
}

bool MifMakeText(void* file, FileSink& sink, std::string* error) {
    return MifWriteStream(*static_cast<const MifFile*>(file), PutToSink, &sink, error);
}

bool MifWriteFile(const MifFile& file, const std::string& localPath, std::string* error) {
    return AtomicWriteWith(localPath, MifMakeText, const_cast<MifFile*>(&file), error);
}
