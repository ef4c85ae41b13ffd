// Reading a mapping document's tables from the host's objects, by the
// plug-in's rules.
#include "apps/vellor_host/mapping_tables.h"

#include "tools/mapping_rules.h"

std::vector<MappingTableView> ReadMappingTables(const SimDoc& doc) {
    std::vector<MappingTableView> tables;
    bool seen[MappingTableKinds] = {};
    int number = 0;
    for (ObjId tableId : doc.tables) {
        const SimObject* table = SimLocal(doc, tableId);
        if (!table) continue;
        MappingTableView view;
        view.number = ++number;
        int rowNumber = 0;
        for (ObjId rowId : table->children) {
            const SimObject* row = SimLocal(doc, rowId);
            if (!row) continue;
            MappingRowView r;
            r.number = ++rowNumber;
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

bool HoldsPageTypeTable(const SimDoc& doc) {
    for (const MappingTableView& table : ReadMappingTables(doc))
        if (!table.rows.empty() && MappingHeadingIsKind(table.heading.c_str(), MappingPageType)) return true;
    return false;
}
