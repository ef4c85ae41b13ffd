// The table of statements read and the objects they became.
#include "hostsim/mif/mif_statement_objects.h"

#include <algorithm>

void MifStatementObjects::Set(const MifNode* node, ObjId id) {
    Entry e{node, node->begin, id};
    if (!entries.empty() && !Before(entries.back(), e)) sorted = false;
    entries.push_back(e);
    if (byId.size() <= id) {
        // Ids come nearly one after the other: an eighth more room at a
        // time, not twice as much, leaves little of it unused.
        if (byId.capacity() <= id) byId.reserve(id + 1 + id / 8);
        byId.resize(id + 1, nullptr);
    }
    byId[id] = node;
}

void MifStatementObjects::Seal() {
    if (!sorted) std::sort(entries.begin(), entries.end(), Before);
    sorted = true;
    // The anchors of a long flow's paragraphs come after room was made for
    // its paragraphs, and may have doubled it: what is left unused goes.
    if (entries.capacity() - entries.size() > entries.size() / 8) entries.shrink_to_fit();
}

ObjId MifStatementObjects::ObjectOf(const MifNode* node) const {
    if (!sorted) { // not sealed yet: the slow way
        for (const Entry& e : entries)
            if (e.node == node) return e.id;
        return 0;
    }
    auto it = std::lower_bound(entries.begin(), entries.end(), Entry{node, node->begin, 0}, Before);
    return it != entries.end() && it->node == node ? it->id : 0;
}
