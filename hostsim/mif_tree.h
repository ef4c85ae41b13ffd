// The generic statement tree of a MIF file: every statement as read, with
// its token, its data (numbers, keywords, strings) and the statements nested
// in it, so that what the host does not interpret is written back unchanged.
// Strings are kept in UTF-8 whatever the file's encoding.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum MifAtomKind : unsigned char {
    MifNumber,  // `text` is the number as written ("0.50", "-3"), `unit` its unit or ""
    MifKeyword, // `text` is the keyword (Yes, FirstLeft, Tab)
    MifString,  // `text` is the string's value in UTF-8, escapes resolved
    MifFacet,   // `text` holds raw facet lines ("=FrameImage" ... "=EndInset"), kept as read
};

struct MifAtom {
    MifAtomKind kind = MifKeyword;
    std::string text;
    std::string unit;   // numbers: "\"", "in", "pt", "mm", "cm", "pc", or "" for none
    size_t position = 0; // how many nested statements come before it in its statement
};

struct MifNode {
    std::string token;
    std::vector<MifAtom> args;
    std::vector<MifNode> children;
    int line = 0; // where the statement starts, for messages (0: made by the host)
};

enum MifFileKind : unsigned char { MifDocumentFile, MifBookFile };

// Units for numbers written without one.
enum MifUnit : unsigned char { MifInch, MifPoint, MifMillimetre, MifCentimetre, MifPica };

struct MifFile {
    MifFileKind kind = MifDocumentFile;
    std::string version; // as written in the first statement ("8.00", "2015")
    bool utf8 = true;    // version 8 and later; older files are FrameRoman
    MifUnit units = MifInch; // the file's <Units ...>
    std::vector<MifNode> statements; // top level, the identifying statement first
};

// ---- Building and finding statements
MifAtom MifKeywordAtom(const std::string& keyword);
MifAtom MifStringAtom(const std::string& utf8);
MifAtom MifNumberAtom(double value, const char* unit = "");
MifNode MifStatement(const std::string& token);
MifNode MifStatement(const std::string& token, MifAtom atom);

// The first child with the token, or null.
const MifNode* MifFind(const MifNode& node, const char* token);
MifNode* MifFind(MifNode& node, const char* token);
// The first argument of the first child with the token, or null.
const MifAtom* MifFindArg(const MifNode& node, const char* token);
// The string (or keyword) value of the first child with the token, or `fallback`.
std::string MifFindText(const MifNode& node, const char* token, const std::string& fallback = "");
// Sets the first argument of the first child with the token, adding the
// child at the end when there is none.
void MifSetChildArg(MifNode& node, const char* token, MifAtom atom);

// ---- Numbers
// The number's value, false when it is not a number.
bool MifNumberValue(const MifAtom& atom, double* value);
// The value of a whole number that fits in 32 bits; false for others.
bool MifIntValue(const MifAtom& atom, int32_t* value);
// A dimension in points: the atom's own unit, or `units` for a bare number.
bool MifDimensionPoints(const MifAtom& atom, MifUnit units, double* points);
// The unit of a <Units ...> keyword (Uin, Upt, Umm, Ucm, Upica); false for others.
bool MifUnitsKeyword(const std::string& keyword, MifUnit* unit);
// The shortest decimal text of a value ("0.5", "12", "-3.25").
std::string MifFormatNumber(double value);

// ---- Comparison: same statements, same data (lines do not count).
bool MifSameNode(const MifNode& a, const MifNode& b);
bool MifSameFile(const MifFile& a, const MifFile& b);
