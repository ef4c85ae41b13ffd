// The MIF writer. Statements are written depth first; the depth is bound by
// the reader's nesting limit, or by the host's own few levels.
#include "hostsim/mif_writer.h"

#include "hostsim/atomic_file.h"
#include "hostsim/mif_text.h"

namespace {

bool WriteAtom(const MifAtom& a, bool utf8, std::string* out, std::string* error) {
    switch (a.kind) {
    case MifNumber:
        *out += a.text;
        *out += a.unit;
        return true;
    case MifKeyword:
        *out += a.text;
        return true;
    case MifString: {
        std::string encoded;
        if (!MifEncodeString(a.text, utf8, &encoded, error)) return false;
        *out += '`';
        *out += encoded;
        *out += '\'';
        return true;
    }
    case MifFacet:
        // Facet lines must begin their lines.
        *out += '\n';
        *out += a.text;
        *out += '\n';
        return true;
    }
    return true;
}

void Indent(std::string* out, size_t depth) { out->append(depth, ' '); }

bool WriteNode(const MifNode& n, size_t depth, bool utf8, std::string* out, std::string* error) {
    Indent(out, depth);
    *out += '<';
    *out += n.token;
    size_t a = 0;
    for (; a < n.args.size() && n.args[a].position == 0; ++a) {
        *out += ' ';
        if (!WriteAtom(n.args[a], utf8, out, error)) return false;
    }
    for (size_t c = 0; c < n.children.size(); ++c) {
        *out += '\n';
        if (!WriteNode(n.children[c], depth + 1, utf8, out, error)) return false;
        // Data written after nested statements keeps its place among them.
        for (; a < n.args.size() && n.args[a].position == c + 1; ++a) {
            *out += '\n';
            Indent(out, depth + 1);
            if (!WriteAtom(n.args[a], utf8, out, error)) return false;
        }
    }
    for (; a < n.args.size(); ++a) { // positions beyond the children: at the end
        *out += ' ';
        if (!WriteAtom(n.args[a], utf8, out, error)) return false;
    }
    if (!n.children.empty()) {
        *out += '\n';
        Indent(out, depth);
    }
    *out += '>';
    return true;
}

} // namespace

bool MifWriteText(const MifFile& file, std::string* out, std::string* error) {
    out->clear();
    for (const MifNode& n : file.statements) {
        if (!WriteNode(n, 0, file.utf8, out, error)) return false;
        *out += '\n';
    }
    return true;
}

bool MifWriteFile(const MifFile& file, const std::string& localPath, std::string* error) {
    std::string text;
    if (!MifWriteText(file, &text, error)) {
        size_t slash = localPath.find_last_of('/');
        *error = (slash == std::string::npos ? localPath : localPath.substr(slash + 1)) + ": " + *error;
        return false;
    }
    return AtomicWriteFile(localPath, text.data(), text.size(), error);
}
