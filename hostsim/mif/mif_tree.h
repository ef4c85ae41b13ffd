// The generic statement tree of a MIF file: every statement as read, with
// its token, its data (numbers, keywords, strings) and the statements nested
// in it, so that what the host does not interpret is written back unchanged.
// Strings are kept in UTF-8 whatever the file's encoding.
//
// What was read also keeps where it stands in the file: the file's bytes are
// kept once (`MifFile::source`) and every statement and datum records its
// span there, so that the writer can give back every statement the session
// did not change byte for byte, with its spacing, comments and line ends.
// A statement or datum made by the host has no span (`end` 0).
//
// A tree read from a file holds millions of statements, so its records are
// small: tokens and values are views of the file's bytes where they can be
// (mif_tree_text.h), arrays are MifVecs made at their exact size, and a
// statement's line is found from its place in the file when a message needs
// it (MifLineOf).
#pragma once

#include "hostsim/mif/mif_tree_text.h"
#include "hostsim/mif/mif_vec.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

enum MifAtomKind : unsigned char {
    MifNumber,  // `text` is the number as written ("0.50", "-3"), `unit` its unit or ""
    MifKeyword, // `text` is the keyword (Yes, FirstLeft, Tab)
    MifString,  // `text` is the string's value in UTF-8, escapes resolved
    MifFacet,   // `text` holds raw facet lines ("=FrameImage" ... "=EndInset"), kept as read
};

struct MifAtom {
    MifText text;
    uint32_t position = 0; // how many nested statements come before it in its statement
    uint32_t begin = 0, end = 0; // its bytes in the file it was read from (end 0: none)
    MifAtomKind kind = MifKeyword;
    MifUnitText unit; // numbers: "\"", "in", "pt", "mm", "cm", "pc", ..., or none
};

// The arrays of a statement: in a tree read from a file their memory sits
// in chunks that the tree frees a chunk at a time (mif_arena.h).
struct MifNode;
using MifAtoms = MifVec<MifAtom>;
using MifNodes = MifVec<MifNode>;

struct MifNode {
    MifToken token;
    MifAtoms args;
    MifNodes children;
    uint32_t begin = 0, end = 0; // from its '<' to past its '>' in the file (end 0: none)
};

enum MifFileKind : unsigned char { MifDocumentFile, MifBookFile };

struct MifFile {
    MifFileKind kind = MifDocumentFile;
    std::string version; // as written in the first statement ("8.00", "2015")
    bool utf8 = true;    // version 8 and later; older files are FrameRoman
    MifUnit units = MifInch; // the file's <Units ...>: of numbers written without one
    MifNodes statements; // top level, the identifying statement first
    // The bytes the statements were read from, shared by the copies of the
    // tree that writing back makes; null for a file the host made.
    std::shared_ptr<const std::string> source;
    // Where bytes that are no statement begin after the last statement (a
    // stray character after "# End of MIFFile"), kept to be written back as
    // they stand; 0 when there are none.
    size_t trailer = 0;
    // What reading found odd and kept as it stood, for the user
    // ("ch3.mif:41: unknown escape \n kept as it stands").
    std::vector<std::string> warnings;
};

// ---- Building and finding statements
MifAtom MifKeywordAtom(std::string_view keyword);
MifAtom MifStringAtom(std::string_view utf8);
MifAtom MifNumberAtom(double value, const char* unit = "");
MifNode MifStatement(MifToken token);
MifNode MifStatement(MifToken token, MifAtom atom);

// The first child with the token, or null.
const MifNode* MifFind(const MifNode& node, const char* token);
MifNode* MifFind(MifNode& node, const char* token);
// The first argument of the first child with the token, or null.
const MifAtom* MifFindArg(const MifNode& node, const char* token);
// The string (or keyword) value of the first child with the token, or `fallback`.
std::string MifFindText(const MifNode& node, const char* token, const std::string& fallback = "");
// Sets the first argument of the first child with the token, adding the
// child at the end when there is none. The new value takes the place of the
// old one in the file.
void MifSetChildArg(MifNode& node, const char* token, MifAtom atom);

// In a tree made for writing back only, a statement may stand for one read
// that the session did not change, so that writing back need not copy it.
// Such a statement is otherwise empty: it begins at MifStandingMark with no
// end, which no statement read or made does, and its token, empty, holds
// where the statement it stands for is (a statement has no room to spare
// for a pointer of its own: a tree read holds millions of them).
constexpr uint32_t MifStandingMark = UINT32_MAX;
// A statement that stands for `read` unchanged.
MifNode MifRefTo(const MifNode& read);
// The statement `n` stands for, or null when it stands for none.
inline const MifNode* MifStandsFor(const MifNode& n) {
    return n.begin == MifStandingMark && n.end == 0 ? reinterpret_cast<const MifNode*>(n.token.data()) : nullptr;
}
inline const MifNode& MifReal(const MifNode& n) {
    const MifNode* read = MifStandsFor(n);
    return read ? *read : n;
}
// Replaces every statement in the tree that stands for another by a copy of it.
void MifResolve(MifNode& n);

// ---- Numbers
// The number's value, false when it is not a number.
bool MifNumberValue(const MifAtom& atom, double* value);
// The value of a whole number that fits in 32 bits; false for others.
bool MifIntValue(const MifAtom& atom, int32_t* value);
// A dimension in points: the atom's own unit, or `units` for a bare number.
bool MifDimensionPoints(const MifAtom& atom, MifUnit units, double* points);
// The unit of a <Units ...> keyword (Uin, Upt, Umm, Ucm, Upica, Udd, Ucicero); false for others.
bool MifUnitsKeyword(std::string_view keyword, MifUnit* unit);
// The shortest decimal text of a value ("0.5", "12", "-3.25").
std::string MifFormatNumber(double value);

// The line where a statement read from `file` begins (counted from 1), for
// messages; 0 for a statement the host made.
int MifLineOf(const MifFile& file, const MifNode& n);

// ---- Comparison: same statements, same data (lines do not count).
bool MifSameNode(const MifNode& a, const MifNode& b);
bool MifSameFile(const MifFile& a, const MifFile& b);
