// Reading a mapping document's tables from the host's objects, by the
// plug-in's rules.
#include "apps/vellor_host/mapping_tables.h"

#include "hostsim/mif/mif_source.h"
#include "tools/mapping_rules.h"

#include <map>

namespace {

// The <Tbl> statements of a document read from MIF, by the table each became.
std::map<ObjId, const MifNode*> TableStatements(const SimDoc& doc) {
    std::map<ObjId, const MifNode*> tables;
    const MifSource* src = MifSourceOf(doc);
    if (!src) return tables;
    for (const MifNode& s : src->file.statements)
        if (MifIs(s, "Tbls"))
            for (const MifNode& tbl : s.children)
                if (ObjId id = MifIs(tbl, "Tbl") ? src->objectOf.ObjectOf(&tbl) : 0) tables[id] = &tbl;
    return tables;
}

// Lines of statements read from one file, counted forwards from the last
// asked for (as MifLineOf counts them), so that a table of many rows is not
// counted from the file's start for each.
struct LineCounter {
    const MifFile* file = nullptr;
    uint32_t at = 0; // offset counted up to
    int line = 1;    // the line at `at`

    int LineOf(const MifNode& n) {
        if (!file || !file->source || !n.end || n.begin >= file->source->size()) return 0;
        if (n.begin < at) *this = LineCounter{file};
        const char* s = file->source->data();
        for (; at < n.begin; ++at)
            if (s[at] == '\n' || (s[at] == '\r' && s[at + 1] != '\n')) ++line;
        return line;
    }
};

// The lines of a table's <Row statements, in the order its rows were read:
// heading, body and footing rows as they stand in the file.
std::vector<int> RowLines(const MifNode* tbl, LineCounter* lines) {
    std::vector<int> rows;
    if (!tbl) return rows;
    for (const MifNode& part : tbl->children)
        if (MifIs(part, "TblH") || MifIs(part, "TblBody") || MifIs(part, "TblF"))
            for (const MifNode& row : part.children)
                if (MifIs(row, "Row")) rows.push_back(lines->LineOf(row));
    return rows;
}

} // namespace

std::vector<MappingTableView> ReadMappingTables(const SimDoc& doc) {
    std::vector<MappingTableView> tables;
    bool seen[MappingTableKinds] = {};
    int number = 0;
    std::map<ObjId, const MifNode*> statements = TableStatements(doc);
    const MifSource* src = MifSourceOf(doc);
    LineCounter lines{src ? &src->file : nullptr};
    for (ObjId tableId : doc.tables) {
        const SimObject* table = SimLocal(doc, tableId);
        if (!table) continue;
        MappingTableView view;
        view.number = ++number;
        const MifNode* tbl = statements.count(tableId) ? statements[tableId] : nullptr;
        view.line = tbl ? lines.LineOf(*tbl) : 0;
        // Rows read from the file are the table's rows in that order.
        std::vector<int> rowLines = RowLines(tbl, &lines);
        if (rowLines.size() != table->children.size()) rowLines.clear();
        int rowNumber = 0;
        for (size_t i = 0; i < table->children.size(); ++i) {
            const SimObject* row = SimLocal(doc, table->children[i]);
            if (!row) continue;
            MappingRowView r;
            r.number = ++rowNumber;
            r.line = i < rowLines.size() ? rowLines[i] : 0;
            r.rowType = row->rowType;
            for (ObjId cellId : row->children) {
                const SimObject* cell = SimLocal(doc, cellId);
                std::vector<std::string> paragraphs;
                if (cell)
                    for (ObjId p : cell->children)
                        if (const SimObject* paragraph = SimLocal(doc, p)) paragraphs.push_back(paragraph->text);
                r.cells.push_back(std::move(paragraphs));
            }
            view.rows.push_back(std::move(r));
        }
        if (!view.rows.empty()) {
            view.heading = view.rows.front().Key();
            view.kind = MappingHeadingKind(view.heading.c_str());
            if (view.kind >= 0 && !seen[view.kind]) view.counts = seen[view.kind] = true;
        }
        tables.push_back(std::move(view));
    }
    return tables;
}

// Only each table's heading is read: a mapping document of many rows is not
// copied to be told from another document.
bool HoldsPageTypeTable(const SimDoc& doc) {
    auto firstOf = [&](const std::vector<ObjId>& ids) -> const SimObject* {
        for (ObjId id : ids)
            if (const SimObject* o = SimLocal(doc, id)) return o;
        return nullptr;
    };
    for (ObjId tableId : doc.tables) {
        const SimObject* table = SimLocal(doc, tableId);
        const SimObject* row = table ? firstOf(table->children) : nullptr;
        if (!row) continue;
        const SimObject* cell = row->children.empty() ? nullptr : SimLocal(doc, row->children[0]);
        const SimObject* heading = cell ? firstOf(cell->children) : nullptr;
        if (MappingHeadingIsKind(heading ? std::string(heading->text).c_str() : "", MappingPageType)) return true;
    }
    return false;
}
