// The record a document keeps of the MIF file it was read from: the tree,
// which statement became which object, and each object as it was read, so
// that writing back can tell what the session changed.
#pragma once

#include "hostsim/mif/mif_tree.h"
#include "hostsim/sim_model.h"

#include <map>
#include <string>
#include <set>
#include <utility>
#include <vector>

struct MifSource {
    MifFile file;
    std::map<const MifNode*, ObjId> objectOf; // Pgf, Page, TextFlow, Para, Marker, ATbl,
                                              // Tbl, book component statements
    SimObjects asRead;                        // those objects as they were read
    // paragraph -> its anchors as read; only paragraphs that have some (most
    // have none), see MifAnchorsRead
    std::map<ObjId, std::vector<std::pair<ObjId, int32_t>>> anchorsRead;
    std::map<ObjId, int32_t> textRectId;      // text frame -> its <ID n>
    std::map<ObjId, int32_t> tableId;         // table -> its <TblID n>
    std::set<ObjId> impliedMarkerTypes;       // named by markers, not in the catalog
    std::map<std::string, std::string> variableText; // variable name -> the text it shows
    bool twoSided = true;
    bool firstPageRight = true;
};

// The tag that marks a document's storeData as a MifSource.
extern const char MifSourceKind;

inline const MifSource* MifSourceOf(const SimDoc& doc) {
    return doc.storeKind == &MifSourceKind ? static_cast<const MifSource*>(doc.storeData.get()) : nullptr;
}

// The anchors a paragraph had as read (none for a paragraph not in
// `anchorsRead`).
const std::vector<std::pair<ObjId, int32_t>>& MifAnchorsRead(const MifSource& src, ObjId para);

// Text and control characters of paragraphs (shared by reading and writing).
// The character a <Char ...> keyword stands for (UTF-8): every special
// character MIF names is one; "" for a keyword MIF does not have.
std::string MifCharText(const std::string& keyword);
// The text an item of a <ParaLine> adds to its paragraph's text: a
// <String>'s value, a <Char>'s character, the text a <Variable> shows (from
// `variables`, its name's text); "" for anchors and for what takes no
// character position (font and condition changes, TextRectID, the ends of
// cross-references and text insets, whose text stands in <String>s).
std::string MifItemText(const MifNode& item, const std::map<std::string, std::string>& variables);
// Whether an item of a <ParaLine> anchors something (a marker, table, frame
// or footnote): it takes one position in the paragraph and shows no text.
bool MifIsAnchor(const MifNode& item);
// The positions an item takes in its paragraph: its text's characters, or
// one for an anchor.
int32_t MifItemPositions(const MifNode& item, const std::map<std::string, std::string>& variables);
// What a <VariableFormats> catalog says its variables show: the text of
// each definition without its building blocks (<$curpagenum>) and character
// formats (<Emphasis>), which the host does not evaluate.
std::map<std::string, std::string> MifVariableTexts(const MifNode& catalog);
// The <Char ...> keyword a character is written as, or null when it goes
// into a <String>.
const char* MifCharKeyword(const std::string& utf8Char);

// Metrics (16.16 points) and MIF dimensions.
Metric MifPointsToMetric(double points);
MifAtom MifMetricAtom(Metric value);

// Marker types every document has, which no catalog lists.
bool MifStandardMarkerType(const std::string& name);
std::string MifMarkerTypeOfNumber(int number);

// ---- Writing
struct MifWriteContext {
    const SimDoc& doc;
    const MifSource* src;              // null for a document the host made
    std::map<ObjId, int32_t> rectIds;  // text frame -> <ID n>
    std::map<ObjId, int32_t> tableIds; // table -> <TblID n>
    int32_t nextId = 1;                // for frames and tables that have none yet
};

// The statement of a paragraph: the one it was read from (`read`), as it was
// when the session did not change it, else with its tag, indent, text and
// anchors brought up to date; a new statement when `read` is null. In a
// flow, `rectInEffect` is the <ID> of the text frame the paragraphs before
// stand in, and a new paragraph names its own frame when that differs.
MifNode MifWritePara(MifWriteContext& ctx, ObjId para, const MifNode* read, int32_t* rectInEffect);
// A <Marker> statement for a marker the session made.
MifNode MifNewMarker(const SimDoc& doc, ObjId marker);

// Documents and books from and to their trees (mif_doc_read.cpp,
// mif_doc_write.cpp, mif_book.cpp); `name` is the book's full name.
bool MifReadDocument(MifFile file, SimDoc* out, std::string* error);
bool MifWriteDocument(const SimDoc& doc, MifFile* out, std::string* error);
// As MifWriteDocument, for writing straight back: statements the session did
// not change stand for those read (MifNode::same), so the tree is only good
// while `doc` lives and unchanged.
bool MifPatchDocument(const SimDoc& doc, MifFile* out, std::string* error);
bool MifReadBook(MifFile file, const std::string& name, SimDoc* out);
bool MifWriteBook(const SimDoc& book, const std::string& name, MifFile* out);
