// The table of statements read and the objects they became.
#include "hostsim/mif/mif_statement_objects.h"

#include <algorithm>

void MifStatementObjects::Set(const MifNode* node, ObjId id) {
    Entry e{node->begin, node, id};
    if (!entries.empty() && !Before(entries.back(), e)) sorted = false;
    entries.push_back(e);
    if (byId.size() <= id) byId.resize(id + 1, nullptr);
    byId[id] = node;
}

void MifStatementObjects::Seal() {
    if (!sorted) std::sort(entries.begin(), entries.end(), Before);
    sorted = true;
}

ObjId MifStatementObjects::ObjectOf(const MifNode* node) const {
    if (!sorted) { // not sealed yet: the slow way
        for (const Entry& e : entries)
            if (e.node == node) return e.id;
        return 0;
    }
    auto it = std::lower_bound(entries.begin(), entries.end(), Entry{node->begin, node, 0}, Before);
    return it != entries.end() && it->node == node ? it->id : 0;
}
