// Tokens, values and units of the MIF statement tree: views of a file's
// bytes, copies of their own, and the process's tokens.
#include "hostsim/mif/mif_tree_text.h"

#include "hostsim/mif/mif_arena.h"

#include <cstring>
#include <mutex>
#include <new>
#include <unordered_set>
#include <utility>

namespace {

// Every spelling of a unit that MIF allows after a number.
const struct {
    const char* name;
    MifUnit unit;
} UnitNames[] = {{"\"", MifInch},       {"in", MifInch},        {"pt", MifPoint},
                 {"point", MifPoint},     {"mm", MifMillimetre},  {"millimeter", MifMillimetre},
                 {"cm", MifCentimetre},   {"centimeter", MifCentimetre}, {"pc", MifPica},
                 {"pica", MifPica},       {"dd", MifDidot},       {"didot", MifDidot},
                 {"cc", MifCicero},       {"cicero", MifCicero}};
constexpr size_t UnitCount = sizeof UnitNames / sizeof UnitNames[0];

// The spelling's place in UnitNames, UnitCount when it is none of them.
size_t UnitIndex(std::string_view word) {
    for (size_t i = 0; i < UnitCount; ++i)
        if (word == UnitNames[i].name) return i;
    return UnitCount;
}

} // namespace

MifToken::MifToken(std::string_view token) {
    // Kept for the life of the process: the host's tokens are few, and a
    // token copied from a file is a view instead (View).
    static std::mutex lock;
    static auto* tokens = new std::unordered_set<std::string>;
    if (token.empty()) return;
    std::lock_guard<std::mutex> held(lock);
    const std::string& kept = *tokens->emplace(token).first;
    data_ = kept.data();
    size_ = uint32_t(kept.size());
}

void MifText::Copy(const char* data, size_t size) {
    if (size == 0) return;
    if (size > MaxSize) throw std::bad_alloc();
    bool inChunk = false;
    char* copy = static_cast<char*>(MifTreeAllocate(size, &inChunk));
    std::memcpy(copy, data, size);
    data_ = copy;
    bits_ = uint32_t(size) | Owned | (inChunk ? uint32_t(OwnedInChunk) : 0);
}

void MifText::Free() noexcept {
    if (bits_ & Owned) MifTreeFree(const_cast<char*>(data_), (bits_ & OwnedInChunk) != 0);
    data_ = "";
    bits_ = 0;
}

MifText::MifText(const MifText& other) {
    if (other.bits_ & Owned) Copy(other.data_, other.size());
    else data_ = other.data_, bits_ = other.bits_;
}

MifText& MifText::operator=(const MifText& other) {
    if (this != &other) *this = MifText(other);
    return *this;
}

MifText& MifText::operator=(std::string_view text) {
    MifText copy(text); // before the old value goes: `text` may be a view of it
    return *this = std::move(copy);
}

MifUnitText::MifUnitText(std::string_view unit) {
    size_t i = UnitIndex(unit);
    index_ = i < UnitCount ? uint8_t(i + 1) : 0;
}

const char* MifUnitText::data() const noexcept { return index_ ? UnitNames[index_ - 1].name : ""; }

size_t MifUnitText::size() const noexcept { return index_ ? std::strlen(UnitNames[index_ - 1].name) : 0; }

bool MifUnitText::Unit(MifUnit* unit) const noexcept {
    if (!index_) return false;
    *unit = UnitNames[index_ - 1].unit;
    return true;
}

bool MifIsUnit(const char* word, size_t size) { return UnitIndex(std::string_view(word, size)) < UnitCount; }
