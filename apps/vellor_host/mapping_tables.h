// A mapping document's tables as the plug-in reads them, taken from the
// simulated host's objects instead of through host calls: each table's
// heading, kind and rows, every cell's paragraph texts. The kind of a table,
// the rows that count and the words of a cell follow tools/mapping_rules.h,
// the rules the plug-in itself reads its tables by. Tables and rows read
// from a MIF file also say the line their statement begins at.
#pragma once

#include "hostsim/sim_model.h"

#include <string>
#include <vector>

struct MappingRowView {
    int number = 0;        // 1 for the table's first row (its heading row)
    int32_t rowType = 0;
    int line = 0;          // of its <Row statement in the file (0: not known)
    std::vector<std::vector<std::string>> cells; // each cell's paragraph texts
    // The key: the first paragraph of the first cell ("" when there is none).
    std::string Key() const { return !cells.empty() && !cells[0].empty() ? cells[0][0] : ""; }
};

struct MappingTableView {
    int number = 0;        // 1 for the document's first table, in the document's table order
    std::string heading;   // the heading cell's text
    int kind = -1;         // index into MappingTableWords, -1 for none
    bool counts = false;   // the first table of its kind: the one the plug-in reads
    int line = 0;          // of its <Tbl statement in the file (0: not known)
    std::vector<MappingRowView> rows;
};

// Every table of the document in the document's table order. Tables without
// rows have no heading and no kind.
std::vector<MappingTableView> ReadMappingTables(const SimDoc& doc);

// Whether the document would be taken as the mapping document: it holds a
// table headed "Page Type" (with at least its heading row).
bool HoldsPageTypeTable(const SimDoc& doc);
