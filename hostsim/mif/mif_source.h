// The record a document keeps of the MIF file it was read from: the tree,
// which statement became which object, and each object as it was read, so
// that writing back can tell what the session changed.
#pragma once

#include "hostsim/mif/mif_statement_objects.h"
#include "hostsim/mif/mif_tree.h"
#include "hostsim/sim_model.h"

#include <cstring>
#include <map>
#include <string>
#include <string_view>
#include <set>
#include <utility>
#include <vector>

// Variables of a document by name, and the text each shows.
using MifVariables = std::map<std::string, std::string, std::less<>>;

struct MifSource {
    MifFile file;
    MifStatementObjects objectOf; // Pgf, Page, TextFlow, Para, Marker, ATbl, Tbl,
                                  // CellContent (its cell), MTypeName, book
                                  // component statements
    // Pages, paragraph formats, markers and book components as they were
    // read. Paragraphs, thousands of them, are not copied object by object:
    // each one's tag, text and indent as read stand by id (see MifParaRead);
    // their anchors below. The tag and, for most paragraphs, the text are
    // where they stand in the file's bytes (`file.source`); strings that are
    // not views of the file (escapes resolved, FrameRoman files) are where
    // they stand in the tree, found through `parasViews`; only texts made of
    // several items are built, one after the other in `parasText`. The tree
    // and the bytes never change once read.
    std::map<ObjId, SimObject> asRead;
    std::string parasText;
    std::vector<const char*> parasViews;
    // One for every local id up to the last paragraph's, so kept small:
    // places rather than views.
    enum ParaPlace : unsigned char { InSource, InViews, InText };
    struct ParaRead {
        uint32_t tagAt = 0, tagSize = 0, textAt = 0, textSize = 0;
        Metric indent = 0;
        bool read = false;
        ParaPlace tagIn = InSource, textIn = InSource;
    };
    std::vector<ParaRead> parasRead;
    // paragraph -> its anchors as read; only paragraphs that have some (most
    // have none), see MifAnchorsRead
    struct Anchors {
        std::vector<std::pair<ObjId, int32_t>> objects; // markers and tables, with their positions
        std::vector<int32_t> others;                    // positions of anchors that are no object
    };
    std::map<ObjId, Anchors> anchorsRead;
    // Text frames with their <ID n>, tables with their <TblID n>: in the
    // order of their ids, which is the order they were read in.
    std::vector<std::pair<ObjId, int32_t>> textRectId, tableId;
    std::set<ObjId> impliedMarkerTypes;       // named by markers, not in the catalog
    MifVariables variableText; // variable name -> the text it shows
    bool twoSided = true;
    bool firstPageRight = true;
};

// Whether a statement's token is `token`: lengths first, so that most
// statements are told apart without comparing bytes (the tree is walked
// statement by statement at each read and save).
template <size_t N> bool MifIs(const MifNode& n, const char (&token)[N]) {
    return n.token.size() == N - 1 && std::memcmp(n.token.data(), token, N - 1) == 0;
}
// The first statement nested in `n` with the token, or null (MifFind).
template <size_t N> const MifNode* MifChild(const MifNode& n, const char (&token)[N]) {
    for (const MifNode& c : n.children)
        if (MifIs(c, token)) return &c;
    return nullptr;
}

// The tag that marks a document's storeData as a MifSource.
extern const char MifSourceKind;

inline const MifSource* MifSourceOf(const SimDoc& doc) {
    return doc.storeKind == &MifSourceKind ? static_cast<const MifSource*>(doc.storeData.get()) : nullptr;
}

// The anchors a paragraph had as read (none for a paragraph not in
// `anchorsRead`).
const std::vector<std::pair<ObjId, int32_t>>& MifAnchorsRead(const MifSource& src, ObjId para);
const std::vector<int32_t>& MifOtherAnchorsRead(const MifSource& src, ObjId para);

// A paragraph as it was read, for writing back: its statement, tag, text
// and indent. False for a paragraph the session made.
struct MifParaAsRead {
    const MifNode* node = nullptr;
    std::string_view tag, text; // good while the source is
    Metric indent = 0;
};
bool MifParaRead(const MifSource& src, ObjId para, MifParaAsRead* out);
// Notes paragraph `para` (`p`) as read; its statement is in `objectOf`.
// `tag` and `text` (when not null) are where its tag and its text stand in
// the tree or in `variableText`: kept there, not copied. A null `text` is a
// text built of several items: it is copied.
void MifNoteParaRead(MifSource& src, ObjId para, const SimObject& p, std::string_view tag,
                     const std::string_view* text);
// The string or keyword a statement gives (its first value): "" for none,
// or for a null statement.
std::string_view MifStatementText(const MifNode* statement);

// Text and control characters of paragraphs (shared by reading and writing).
// The character a <Char ...> keyword stands for (UTF-8): every special
// character MIF names is one; "" for a keyword MIF does not have.
std::string MifCharText(std::string_view keyword);
// The text an item of a <ParaLine> adds to its paragraph's text: a
// <String>'s value, a <Char>'s character, the text a <Variable> shows (from
// `variables`, its name's text); "" for anchors and for what takes no
// character position (font and condition changes, TextRectID, the ends of
// cross-references and text insets, whose text stands in <String>s).
std::string MifItemText(const MifNode& item, const MifVariables& variables);
// The same without a copy: the text where it stands (in the item or in
// `variables`), or in `scratch`.
std::string_view MifItemTextRef(const MifNode& item, const MifVariables& variables, std::string& scratch);
// Whether an item of a <ParaLine> anchors something (a marker, table, frame
// or footnote): it takes one position in the paragraph and shows no text.
bool MifIsAnchor(const MifNode& item);
// The positions an item takes in its paragraph: its text's characters, or
// one for an anchor.
int32_t MifItemPositions(const MifNode& item, const MifVariables& variables);
// What a <VariableFormats> catalog says its variables show: the text of
// each definition without its building blocks (<$curpagenum>) and character
// formats (<Emphasis>), which the host does not evaluate.
MifVariables MifVariableTexts(const MifNode& catalog);
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
    std::map<ObjId, int32_t> rectIds;  // text frame -> <ID n> given by this save
    std::map<ObjId, int32_t> tableIds; // table -> <TblID n> given by this save
    // The next number for frames and tables that have none yet; 0 until
    // one is needed (a save that adds none need not read the whole tree
    // for the highest number in it).
    int32_t nextId = 0;
};

// Numbers of frames and tables (mif_write_ids.cpp). A number for what had
// none: one above every <ID n> and <TblID n> of the file read, and of those
// given before it.
int32_t MifNewId(MifWriteContext& ctx);
// The <ID n> of a text frame, as read or as given by this save; false when
// it has none yet.
bool MifFrameNumber(const MifWriteContext& ctx, ObjId frame, int32_t* number);
// The same, giving a frame that has none a new one.
int32_t MifRectNumber(MifWriteContext& ctx, ObjId frame);
// The <TblID n> of a table, as read or as given by this save, else a new one.
int32_t MifTableNumber(MifWriteContext& ctx, ObjId table);

// Where the paragraphs written so far in a flow stand: the <ID> of the text
// frame the last TextRectID among them names (-1: none yet). Paragraphs
// written as read are only noted, and looked into when a new paragraph
// needs to know: most saves add none.
struct MifRectTrail {
    int32_t rect = -1;
    std::vector<const MifNode*> unseen; // written as read since `rect` was last brought up to date
};

// The statement of a paragraph: the one it was read from (`read`), as it was
// when the session did not change it, else with its tag, indent, text and
// anchors brought up to date; a new statement when `read` is null. In a
// flow, `trail` says which text frame the paragraphs before stand in, and a
// new paragraph names its own frame when that differs.
MifNode MifWritePara(MifWriteContext& ctx, ObjId para, const MifNode* read, MifRectTrail* trail);
// Whether the session left a paragraph read from the file (`was`) as it
// was read: MifWritePara then gives its statement as read.
bool MifParaAsItWasRead(const MifWriteContext& ctx, ObjId para, const MifParaAsRead& was);
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
