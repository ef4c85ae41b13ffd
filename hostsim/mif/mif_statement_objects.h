// Which statements of a MIF file read became which objects of the host.
// A document's paragraphs make thousands of entries: they are kept in one
// array in the order of the statements in the file (where each begins),
// which is the order reading meets them, so that setting one is an append
// and finding one a binary search; objects lead back to their statements
// through an array indexed by id.
#pragma once

#include "hostsim/mif/mif_tree.h"
#include "hostsim/sim_model.h"

#include <vector>

struct MifStatementObjects {
    // `node` became `id` (an id other than 0). Each statement becomes one
    // object; several may become the same one (a table and its anchor).
    void Set(const MifNode* node, ObjId id);
    // Puts the entries in order once reading is done, when reading did not
    // meet the statements in file order (a flow before the pages, say).
    void Seal();
    // The object a statement became, 0 for none.
    ObjId ObjectOf(const MifNode* node) const;
    // The statement an object was read from (the last set for it), null for
    // none.
    const MifNode* StatementOf(ObjId id) const { return id < byId.size() ? byId[id] : nullptr; }
    size_t size() const { return entries.size(); }
    // Room for `count` entries in all and for ids below `ids`.
    void Reserve(size_t count, size_t ids) {
        entries.reserve(count);
        byId.reserve(ids);
    }

private:
    struct Entry {            // 16 bytes: the pointer first
        const MifNode* node;  // statements made by the host all begin at 0: the address tells them apart
        uint32_t begin;       // where the statement begins in the file
        ObjId id;
    };
    std::vector<Entry> entries; // by (begin, node) once sealed
    bool sorted = true;         // entries are in order
    std::vector<const MifNode*> byId;

    static bool Before(const Entry& a, const Entry& b) {
        return a.begin != b.begin ? a.begin < b.begin : a.node < b.node;
    }
};
