// The text a MIF statement tree holds: statement tokens, data values and the
// units of numbers. A tree read from a file does not copy what the file
// already says: a token, a word, a number and a string written without
// escapes are views of the file's bytes (MifFile::source), which every copy
// of the tree shares. So a statement read, or a copy of it, must not outlive
// every MifFile that holds those bytes. Only what reading decodes (a string
// with escapes) and what the host sets is a copy of its own.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// A statement's token: a view of the file's bytes for a statement read,
// else of a copy kept for the life of the process (the host writes its
// statements from a small vocabulary of tokens).
class [[gnu::packed]] MifToken {
public:
    MifToken() noexcept = default;
    MifToken(const char* token) : MifToken(std::string_view(token)) {}
    MifToken(const std::string& token) : MifToken(std::string_view(token)) {}
    explicit MifToken(std::string_view token);
    // The bytes at `data`, which outlive the token (the file's source).
    static MifToken View(const char* data, size_t size) noexcept {
        MifToken t;
        t.data_ = data;
        t.size_ = uint32_t(size);
        return t;
    }

    const char* data() const noexcept { return data_; }
    size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    std::string_view view() const noexcept { return {data_, size_}; }
    operator std::string_view() const noexcept { return view(); }
    std::string str() const { return std::string(data_, size_); }
    bool operator==(std::string_view other) const noexcept { return view() == other; }
    bool operator==(const char* other) const noexcept { return view() == other; }
    bool operator==(const std::string& other) const noexcept { return view() == other; }
    bool operator==(const MifToken& other) const noexcept { return view() == other.view(); }

private:
    const char* data_ = "";
    uint32_t size_ = 0;
};

// A datum's value: a view of the file's bytes where the file writes it as
// it is, else a copy of its own.
class [[gnu::packed]] MifText {
public:
    MifText() noexcept = default;
    MifText(const char* text) : MifText(std::string_view(text)) {}
    MifText(const std::string& text) : MifText(std::string_view(text)) {}
    explicit MifText(std::string_view text) { Copy(text.data(), text.size()); }
    // The bytes at `data`, which outlive the text (the file's source).
    static MifText View(const char* data, size_t size) noexcept {
        MifText t;
        t.data_ = data;
        t.bits_ = uint32_t(size);
        return t;
    }
    MifText(const MifText& other);
    // Moves and ends are inline: a tree's millions of data are moved once
    // as they are read and most of them own nothing.
    MifText(MifText&& other) noexcept : data_(other.data_), bits_(other.bits_) {
        other.data_ = "";
        other.bits_ = 0;
    }
    MifText& operator=(const MifText& other);
    MifText& operator=(MifText&& other) noexcept {
        if (this == &other) return *this;
        if (bits_ & Owned) Free();
        data_ = other.data_;
        bits_ = other.bits_;
        other.data_ = "";
        other.bits_ = 0;
        return *this;
    }
    MifText& operator=(std::string_view text);
    MifText& operator=(const char* text) { return *this = std::string_view(text); }
    MifText& operator=(const std::string& text) { return *this = std::string_view(text); }
    ~MifText() {
        if (bits_ & Owned) Free();
    }

    const char* data() const noexcept { return data_; }
    size_t size() const noexcept { return bits_ & SizeBits; }
    bool empty() const noexcept { return size() == 0; }
    const char* begin() const noexcept { return data_; }
    const char* end() const noexcept { return data_ + size(); }
    std::string_view view() const noexcept { return {data_, size()}; }
    operator std::string_view() const noexcept { return view(); }
    std::string str() const { return std::string(data_, size()); }
    bool operator==(std::string_view other) const noexcept { return view() == other; }
    bool operator==(const char* other) const noexcept { return view() == other; }
    bool operator==(const std::string& other) const noexcept { return view() == other; }
    bool operator==(const MifText& other) const noexcept { return view() == other.view(); }

    // The longest text: files are far smaller.
    static constexpr size_t MaxSize = 0x3FFFFFFFu;

private:
    // 12 bytes, packed: the size and two flags share a word.
    enum : uint32_t { Owned = 0x80000000u, OwnedInChunk = 0x40000000u, SizeBits = 0x3FFFFFFFu };
    const char* data_ = "";
    uint32_t bits_ = 0; // the size, with Owned and OwnedInChunk

    void Copy(const char* data, size_t size);
    void Free() noexcept;
};

// Units of dimensions, as a file's <Units ...> and a number's unit name them.
enum MifUnit : unsigned char { MifInch, MifPoint, MifMillimetre, MifCentimetre, MifPica, MifDidot, MifCicero };

// The unit of a number as written ("pt", "\"", "cicero"), or none: one of
// the spellings MIF allows (MifIsUnit), kept as its place in their list.
class MifUnitText {
public:
    MifUnitText() noexcept = default;
    MifUnitText(const char* unit) : MifUnitText(std::string_view(unit)) {}
    MifUnitText(const std::string& unit) : MifUnitText(std::string_view(unit)) {}
    // A spelling MIF does not allow is taken for none.
    explicit MifUnitText(std::string_view unit);

    const char* data() const noexcept;
    size_t size() const noexcept;
    bool empty() const noexcept { return index_ == 0; }
    std::string_view view() const noexcept { return {data(), size()}; }
    operator std::string_view() const noexcept { return view(); }
    std::string str() const { return std::string(view()); }
    bool operator==(std::string_view other) const noexcept { return view() == other; }
    bool operator==(const char* other) const noexcept { return view() == other; }
    bool operator==(const MifUnitText& other) const noexcept { return index_ == other.index_; }
    // The unit it names; false for none.
    bool Unit(MifUnit* unit) const noexcept;

private:
    uint8_t index_ = 0; // 0: none, else 1 + its place among the spellings
};

// Whether a word is a unit a number may carry ("pt", "\"", "mm", "cicero").
bool MifIsUnit(const char* word, size_t size);
