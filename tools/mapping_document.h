// The mapping document: the open FrameMaker document whose tables map
// paragraph tags, master page names, marker texts and the empty page to the
// master pages a body page gets. Finding it among the open documents or
// opening "MasterPage.fm" from the host directory, bringing it on screen
// (command 2), finding its tables, reading cell text, and building the key
// lists the document pass uses as a quick pre-check.
#pragma once

#include "host/host_records.h"
#include "support/base/string_list.h"
#include "tools/mapping_rules.h"

// The alert shown when no mapping document can be had (a warning).
extern const char MappingMissingAlert[];
// The console line of a key that could not join its key list.
extern const char KeyListMemoryLine[];

// Appends text to *string, growing it by reallocation; a null *string starts
// out empty. 0 on success; -1 when memory ran out, *string then unchanged.
int AppendToString(char** string, const char* text);

// The text of a paragraph of `document`: all its text items of kind 1 joined
// into one new string (MemFree), or null when it has none or memory ran out.
char* GetParagraphText(ObjId document, ObjId paragraph);

// The first table of `document` whose heading cell text begins with `word`,
// or 0. Tables without rows are passed over.
ObjId FindMappingTable(ObjId document, const char* word);

// The first open document holding a "Page Type" table, or 0.
ObjId FindMappingDocument();

// Opens "MasterPage.fm" from the host directory, shown (1) or hidden (0).
// The new document's id, or 0.
ObjId OpenMappingDocument(int show);

// Command 2: brings the mapping document on screen, opening it when it is
// not open; alerts when it cannot be had.
void EditMappingDocument();

// The mapping document for a pass: found among the open documents, else
// opened hidden and searched for again. 0 when it cannot be had (a file
// opened for the attempt stays open).
ObjId LocateMappingDocument();

// The text of the key cell (first cell) of a row of a mapping table.
char* MappingRowKey(ObjId mapping, ObjId row);
// The text of a cell of a mapping table (its first paragraph's), or null.
char* MappingCellText(ObjId mapping, ObjId cell);
// The cell `place` cells on from `cell` (MappingCellPlace), or 0.
ObjId MappingCellOn(ObjId mapping, ObjId cell, int place);

// The keys of the body rows of `table` without empty keys and without keys
// already present ignoring case, in table order. A table of 0 gives an empty
// list. Null only when the list record itself could not be allocated. The
// caller frees it (ListFree).
StrList* MappingKeyList(ObjId mapping, ObjId table);
