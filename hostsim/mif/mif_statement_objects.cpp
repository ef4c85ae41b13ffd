// The table of statements read and the objects they became: linear probing
// over an array kept at most half full.
#include "hostsim/mif/mif_statement_objects.h"

#include <cstdint>

size_t MifStatementObjects::SlotOf(const MifNode* node) const {
    // Statements stand in arrays, so the low bits of their addresses say
    // little: a multiplicative hash spreads them.
    uint64_t h = (uint64_t)(uintptr_t)node * 0x9E3779B97F4A7C15ull;
    size_t mask = slots.size() - 1;
    size_t i = (size_t)(h >> 32) & mask;
    while (slots[i].first && slots[i].first != node) i = (i + 1) & mask;
    return i;
}

void MifStatementObjects::Grow(size_t slotCount) {
    std::vector<std::pair<const MifNode*, ObjId>> old = std::move(slots);
    slots.assign(slotCount, {nullptr, 0});
    for (const auto& entry : old)
        if (entry.first) slots[SlotOf(entry.first)] = entry;
}

void MifStatementObjects::Set(const MifNode* node, ObjId id) {
    if ((count + 1) * 2 > slots.size()) Grow(slots.empty() ? 64 : slots.size() * 2);
    auto& slot = slots[SlotOf(node)];
    if (!slot.first) ++count;
    else if (byId[slot.second] == node) byId[slot.second] = nullptr; // it no longer leads there
    slot = {node, id};
    if (byId.size() <= id) byId.resize(id + 1, nullptr);
    byId[id] = node;
}

void MifStatementObjects::Reserve(size_t entries) {
    size_t slotCount = slots.empty() ? 64 : slots.size();
    while (slotCount < entries * 2) slotCount *= 2;
    if (slotCount > slots.size()) Grow(slotCount);
}

ObjId MifStatementObjects::ObjectOf(const MifNode* node) const {
    if (slots.empty()) return 0;
    return slots[SlotOf(node)].second;
}
