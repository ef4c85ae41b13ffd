// Which statements of a MIF file read became which objects of the host.
// A document's paragraphs make thousands of entries, each looked up again
// at every save: the statements are found through a hash table of their
// addresses held in one array (no allocation per entry), and the objects
// through an array indexed by id.
#pragma once

#include "hostsim/mif/mif_tree.h"
#include "hostsim/sim_model.h"

#include <utility>
#include <vector>

struct MifStatementObjects {
    // `node` became `id` (an id other than 0); a statement set again takes
    // the new id.
    void Set(const MifNode* node, ObjId id);
    // The object a statement became, 0 for none.
    ObjId ObjectOf(const MifNode* node) const;
    // The statement an object was read from (the last set for it), null for
    // none.
    const MifNode* StatementOf(ObjId id) const {
        return id < byId.size() ? byId[id] : nullptr;
    }
    size_t size() const { return count; }
    // Room for `entries` in all without growing again.
    void Reserve(size_t entries);

private:
    std::vector<std::pair<const MifNode*, ObjId>> slots; // open addressing; a power of two long
    std::vector<const MifNode*> byId;
    size_t count = 0;

    size_t SlotOf(const MifNode* node) const; // where `node` is, or the empty slot it would take
    void Grow(size_t slotCount);
};
