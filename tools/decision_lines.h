// What the document pass says of each body page when asked to: one console
// line per page giving the master page before and after, and what decided
// it - the table, row and key of the rule that matched, the candidates of
// the page's side and the one taken - or the default. Off until the message
// "ExplainMasterPages 1" turns it on ("ExplainMasterPages 0" turns it off);
// while it is off the pass makes exactly the host calls it makes without it.
//
// A line reads, on one line:
//   Master page: "C:\docs\ch1.fm" body page 3 (right): "Right" -> "SectionRight"
//     by Paragraph Tag table row 2 key "Heading1", right candidates "SectionRight" "As Is", entry 1
// Texts stand in double quotes, a quote inside doubled; a page without master
// page reads `none`. A page that no rule caught ends in `by default`, and when
// a text on it matched a key only in another letter case, in
//   by default; "heading1" matches Paragraph Tag table row 2 key "Heading1" only in another letter case
// A page that no rule decided but the run of an "Until Changed" row carried
// names that row followed by ` until changed from body page 2` (the page the
// run began on), then its candidates as above.
// A matched row none of whose candidates helps ends in `, no entry: default`;
// a row without a cell for the page's side has the candidates `none`.
#pragma once

#include "host/host_records.h"
#include "tools/mapping_table_index.h"

#include <cstdint>

// The message word that turns the lines on (followed by " 1") or off (" 0").
extern const char ExplainMessageWord[];
// The first words of every line.
extern const char ExplainLinePrefix[];

// 1 while passes explain their decisions.
extern int ExplainMasterPages;

// What decided one page, noted by the pass as it goes.
struct PageDecision {
    char* before;                   // the master page name read by rule 1 (owned; null or "" for none)
    const MappingTableIndex* table; // the table of the row that matched; null: the default decided
    ObjId row;
    ObjId cell;     // the candidates' cell of the page's side, 0 when the row has none
    uint32_t entry; // the candidate that decided, from 1; 0 when none did
    // The first text met on the page that matched a key of `caseTable` only
    // in another letter case.
    const MappingTableIndex* caseTable;
    char* caseText; // owned
    uint32_t caseRow; // index of the row in caseTable
    // On a page that no rule decided but an "Until Changed" row carried: the
    // body page (from 1) that the row decided and its run began on.
    uint32_t rangeFrom;
};

// Notes `text`, which found no row in `table`, when a row's key equals it
// ignoring case and no such text was noted for the page yet. No host call;
// it reads the table's keys one by one, which only an explaining pass pays.
void DecisionNoteCase(PageDecision* decision, const MappingTableIndex* table, const char* text);

// Writes the page's line to the host's console and frees what `decision`
// holds. `documentName` is the document's name as the host gives it;
// `position` counts body pages from 1.
void ExplainDecision(PageDecision* decision, const char* documentName, ObjId mapping, ObjId document, ObjId page,
                     uint32_t position, int rightHand);
