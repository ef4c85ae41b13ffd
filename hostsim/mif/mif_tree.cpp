// Building, finding and comparing statements of the MIF tree, and the
// numbers and units of its data.
#include "hostsim/mif/mif_tree.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

// Small records: a read tree holds millions of them.
static_assert(sizeof(MifNode) <= 44, "a statement of the tree takes 44 bytes at most");
static_assert(sizeof(MifAtom) <= 28, "a datum of the tree takes 28 bytes at most");

MifAtom MifKeywordAtom(std::string_view keyword) {
    MifAtom a;
    a.kind = MifKeyword;
    a.text = keyword;
    return a;
}

MifAtom MifStringAtom(std::string_view utf8) {
    MifAtom a;
    a.kind = MifString;
    a.text = utf8;
    return a;
}

MifAtom MifNumberAtom(double value, const char* unit) {
    MifAtom a;
    a.kind = MifNumber;
    a.text = MifFormatNumber(value);
    a.unit = unit ? unit : "";
    return a;
}

MifNode MifStatement(MifToken token) {
    MifNode n;
    n.token = token;
    return n;
}

MifNode MifStatement(MifToken token, MifAtom atom) {
    MifNode n;
    n.token = token;
    n.args.push_back(std::move(atom));
    return n;
}

MifNode MifRefTo(const MifNode& read) {
    MifNode n;
    n.token = MifToken::View(reinterpret_cast<const char*>(&MifReal(read)), 0);
    n.begin = MifStandingMark;
    return n;
}

void MifResolve(MifNode& n) {
    if (const MifNode* read = MifStandsFor(n)) {
        n = *read; // what it stands for was read, and stands for nothing itself
        return;
    }
    for (MifNode& c : n.children) MifResolve(c);
}

const MifNode* MifFind(const MifNode& node, const char* token) {
    for (const MifNode& c : node.children)
        if (c.token == token) return &c;
    return nullptr;
}

MifNode* MifFind(MifNode& node, const char* token) {
    return const_cast<MifNode*>(MifFind(static_cast<const MifNode&>(node), token));
}

const MifAtom* MifFindArg(const MifNode& node, const char* token) {
    const MifNode* c = MifFind(node, token);
    return c && !c->args.empty() ? &c->args[0] : nullptr;
}

std::string MifFindText(const MifNode& node, const char* token, const std::string& fallback) {
    const MifAtom* a = MifFindArg(node, token);
    return a && (a->kind == MifString || a->kind == MifKeyword) ? a->text.str() : fallback;
}

void MifSetChildArg(MifNode& node, const char* token, MifAtom atom) {
    MifNode* c = MifFind(node, token);
    if (!c) {
        node.children.push_back(MifStatement(token));
        c = &node.children.back();
    }
    if (c->args.empty()) {
        c->args.push_back(std::move(atom));
    } else {
        atom.position = c->args[0].position;
        atom.begin = c->args[0].begin;
        atom.end = c->args[0].end;
        c->args[0] = std::move(atom);
    }
}

bool MifNumberValue(const MifAtom& atom, double* value) {
    if (atom.kind != MifNumber) return false;
    // The text may be a view of the file: strtod needs it ended.
    char number[64];
    if (atom.text.size() >= sizeof number) return false;
    std::memcpy(number, atom.text.data(), atom.text.size());
    number[atom.text.size()] = 0;
    char* end = nullptr;
    double v = std::strtod(number, &end);
    if (end == number || *end || !std::isfinite(v)) return false;
    *value = v;
    return true;
}

bool MifIntValue(const MifAtom& atom, int32_t* value) {
    double v;
    if (!MifNumberValue(atom, &v) || v != std::floor(v) || v < -2147483648.0 || v > 2147483647.0) return false;
    *value = (int32_t)v;
    return true;
}

namespace {

double PointsPer(MifUnit unit) {
    switch (unit) {
    case MifInch: return 72.0;
    case MifPoint: return 1.0;
    case MifMillimetre: return 72.0 / 25.4;
    case MifCentimetre: return 72.0 / 2.54;
    case MifPica: return 12.0;
    case MifDidot: return 72.0 * 0.01483;
    case MifCicero: return 12.0 * 72.0 * 0.01483;
    }
    return 72.0;
}

} // namespace

bool MifDimensionPoints(const MifAtom& atom, MifUnit units, double* points) {
    double v;
    if (!MifNumberValue(atom, &v)) return false;
    MifUnit unit = units;
    atom.unit.Unit(&unit);
    *points = v * PointsPer(unit);
    return true;
}

bool MifUnitsKeyword(std::string_view keyword, MifUnit* unit) {
    static const struct {
        const char* name;
        MifUnit unit;
    } units[] = {{"Uin", MifInch}, {"Upt", MifPoint}, {"Umm", MifMillimetre},
                 {"Ucm", MifCentimetre}, {"Upica", MifPica}, {"Udd", MifDidot}, {"Ucicero", MifCicero}};
    for (const auto& u : units)
        if (keyword == u.name) {
            *unit = u.unit;
            return true;
        }
    return false;
}

std::string MifFormatNumber(double value) {
    if (!std::isfinite(value)) value = 0;
    char buf[64];
    // Enough digits for what a page measures; trailing zeros are dropped.
    std::snprintf(buf, sizeof buf, "%.6f", value);
    char* dot = std::strchr(buf, '.');
    if (dot) {
        char* end = buf + std::strlen(buf) - 1;
        while (end > dot && *end == '0') *end-- = 0;
        if (end == dot) *end = 0;
    }
    if (std::strcmp(buf, "-0") == 0) return "0";
    return buf;
}

bool MifSameNode(const MifNode& a, const MifNode& b) {
    if (a.token != b.token || a.args.size() != b.args.size() || a.children.size() != b.children.size())
        return false;
    for (size_t i = 0; i < a.args.size(); ++i) {
        const MifAtom &x = a.args[i], &y = b.args[i];
        if (x.kind != y.kind || x.text != y.text || x.unit != y.unit || x.position != y.position)
            return false;
    }
    for (size_t i = 0; i < a.children.size(); ++i)
        if (!MifSameNode(a.children[i], b.children[i])) return false;
    return true;
}

int MifLineOf(const MifFile& file, const MifNode& n) {
    if (!n.end || !file.source || n.begin >= file.source->size()) return 0;
    const char* s = file.source->data();
    int line = 1;
    for (uint32_t i = 0; i < n.begin; ++i)
        if (s[i] == '\n' || (s[i] == '\r' && s[i + 1] != '\n')) ++line;
    return line;
}

bool MifSameFile(const MifFile& a, const MifFile& b) {
    if (a.kind != b.kind || a.version != b.version || a.utf8 != b.utf8 || a.units != b.units ||
        a.statements.size() != b.statements.size())
        return false;
    for (size_t i = 0; i < a.statements.size(); ++i)
        if (!MifSameNode(a.statements[i], b.statements[i])) return false;
    return true;
}
