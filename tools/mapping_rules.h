// How a mapping document is read, as plain rules over text with no host
// call: the four table kinds and the heading test that tells them apart,
// which rows and keys count, where a row's cells for each side stand, and
// the words a cell may hold. The plug-in reads its tables by these rules,
// and so does anything that checks a mapping document without running the
// plug-in, so the two cannot drift apart. Header only: a program that does
// not link the plug-in's library can use it.
#pragma once

#include "host/host_wire.h"

#include <cstdint>
#include <cstring>

// Heading words of the four table kinds; a table is of a kind when the text of
// its heading cell begins with the word (letter case significant).
inline constexpr char MappingParagraphTag[] = "Paragraph Tag";
inline constexpr char MappingMasterPage[] = "Master Page";
inline constexpr char MappingMarkerCategory[] = "Marker Category";
inline constexpr char MappingPageType[] = "Page Type";

// The kinds in the order the page rules try them (rules 1 to 4).
inline constexpr const char* MappingTableWords[] = {MappingMasterPage, MappingMarkerCategory,
                                                    MappingParagraphTag, MappingPageType};
inline constexpr int MappingTableKinds = 4;

// The one key of the "Page Type" table that is ever looked up.
inline constexpr char MappingEmptyPageKey[] = "Empty";
// Words a candidate cell may hold besides master page names.
inline constexpr char MappingAsIs[] = "As Is";
inline constexpr char MappingNone[] = "None";
// The marker type whose markers rule 2 reads.
inline constexpr char MappingMarkerTypeName[] = "MasterPage";

// The row type of a mapping row; the heading row is of another type.
inline constexpr int32_t MappingBodyRowType = HostRowBody;

// The cells of a mapping row, counted from the key cell: a left-hand page
// takes the candidates one cell on, a right-hand page two cells on.
enum MappingCellPlace { MappingKeyCell = 0, MappingLeftCell = 1, MappingRightCell = 2 };
inline int MappingCellFor(int rightHandPage) { return rightHandPage ? MappingRightCell : MappingLeftCell; }

// Whether a heading cell's text (the first paragraph of the first cell of
// the table's first row; null counts as empty) makes the table one of the
// kind headed `word`: a byte prefix test, letter case significant.
inline int MappingHeadingIsKind(const char* heading, const char* word) {
    if (!word) return 1;
    return std::strncmp(heading ? heading : "", word, std::strlen(word)) == 0;
}

// The kind (an index into MappingTableWords) that a heading names, or -1.
inline int MappingHeadingKind(const char* heading) {
    for (int kind = 0; kind < MappingTableKinds; ++kind)
        if (MappingHeadingIsKind(heading, MappingTableWords[kind])) return kind;
    return -1;
}

// The optional fourth column of a "Paragraph Tag" or "Marker Category"
// table: how far a row that decides a page reaches. Its heading cell is told
// as a table's heading is (a prefix, letter case significant); its values are
// words like "As Is", compared exactly. An empty cell, "This Page" and any
// text that is neither word hold for the page only; "Until Changed" also
// decides the following pages that no rule decides, up to the next page that
// one does, within the document.
inline constexpr char MappingRangeHeading[] = "Range";
inline constexpr char MappingRangeThisPage[] = "This Page";
inline constexpr char MappingRangeUntilChanged[] = "Until Changed";
inline constexpr int MappingRangeCell = 3;

// Whether rows of the kind headed `word` may carry a range.
inline int MappingKindAllowsRange(const char* word) {
    return word && (std::strcmp(word, MappingParagraphTag) == 0 || std::strcmp(word, MappingMarkerCategory) == 0);
}

// What a range cell's text (null counts as empty) says.
enum MappingRange { MappingRangePage = 0, MappingRangeRun = 1, MappingRangeUnknown = 2 };
inline MappingRange MappingRangeOf(const char* text) {
    if (!text || !*text || std::strcmp(text, MappingRangeThisPage) == 0) return MappingRangePage;
    return std::strcmp(text, MappingRangeUntilChanged) == 0 ? MappingRangeRun : MappingRangeUnknown;
}

// Whether a key cell's text is empty (null counts as empty): such a key
// never joins a key list.
inline int MappingKeyIsEmpty(const char* key) { return !key || !*key; }
