// `vellor-host check`: what in a mapping document would silently do nothing
// for the documents it is meant for, found from the tables and documents
// themselves, and where a run says more, from what its pass decided.
// Tables the plug-in would not recognise or would pass over, rows it would
// skip, master page names a document lacks, keys that no document meets or
// that meet only when letter case is ignored, and left-page cells for
// one-sided documents, and ranges that are unknown, stand where no range is
// read, or never carry past their page. A finding is made once for all the documents it
// concerns, so a book of forty chapters that share a fault gives one.
#pragma once

#include "hostsim/sim_model.h"

#include <set>
#include <string>
#include <vector>

// What one document offers the rows: taken once as it is read, so that a
// book's documents need not all be held while they are checked.
struct CheckedDoc {
    std::string title;             // what the findings call the document
    bool twoSided = true;
    std::set<std::string> tags;    // paragraph tags on body pages
    std::set<std::string> masters; // master page names
    std::set<std::string> markers; // texts of "MasterPage" markers
};

// The rows the plug-in's pass decided pages with, over the documents
// checked, as (table heading word, row number): those that decided a page
// themselves, and those whose "Until Changed" run carried one.
struct PassRows {
    std::set<std::pair<std::string, int>> decided, carried;
};

CheckedDoc CheckedDocOf(const std::string& title, const SimDoc& doc);

struct MappingFinding {
    int table = 0;        // the table's number (1 the document's first; 0 a table it lacks)
    std::string heading;  // its heading cell's text
    int row = 0;          // the row's number (1 the heading row); 0: the table as a whole
    std::string key;      // the row's key
    int line = 0;         // where the row's (or table's) statement begins in the file; 0: not known
    std::string text;     // what would do nothing, and why
    std::vector<std::string> documents; // the documents it concerns; none: all alike
};

// The findings in table and row order.
std::vector<MappingFinding> CheckMappingDocument(const SimDoc& mapping, const std::vector<CheckedDoc>& docs,
                                                 const PassRows& pass);

// Where a finding stands: table 2 "Master Page", row 3 "OldChapter"; "the
// mapping document" for one about a table it lacks (table 0).
std::string FindingPlace(const MappingFinding& finding);
