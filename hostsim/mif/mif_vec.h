// The arrays of MIF statement trees: the data and the nested statements of
// each statement. A tree holds millions of them, most with one or two
// elements, so the array is small: a pointer and one 32-bit word for its
// size and two flags, 12 bytes packed without padding, so that a statement of
// the tree, which holds two, takes 44 bytes rather than 64. Its memory
// comes from the tree's chunks while a file is read (mif_arena.h).
// It offers the part of std::vector's interface that the tree's users need;
// iterators are pointers. The reader makes each array at its exact size
// once the statement that holds it is complete (its capacity is its size);
// arrays the host builds grow as vectors do, by powers of two, so that
// their capacity follows from their size and need not be kept.
#pragma once

#include "hostsim/mif/mif_arena.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>

template <class T> class [[gnu::packed]] MifVec {
public:
    using value_type = T;
    using size_type = size_t;
    using difference_type = ptrdiff_t;
    using reference = T&;
    using const_reference = const T&;
    using pointer = T*;
    using const_pointer = const T*;
    using iterator = T*;
    using const_iterator = const T*;

    MifVec() noexcept = default;
    MifVec(std::initializer_list<T> items) { Construct(items.begin(), items.end()); }
    template <class It, class = typename std::iterator_traits<It>::iterator_category>
    MifVec(It first, It last) {
        Construct(first, last);
    }
    MifVec(const MifVec& other) { Construct(other.begin(), other.end()); }
    MifVec(MifVec&& other) noexcept : data_(other.data_), bits_(other.bits_) {
        other.data_ = nullptr;
        other.bits_ = 0;
    }
    MifVec& operator=(const MifVec& other) {
        if (this != &other) MifVec(other).swap(*this);
        return *this;
    }
    MifVec& operator=(MifVec&& other) noexcept {
        MifVec(std::move(other)).swap(*this);
        return *this;
    }
    ~MifVec() {
        if (data_) Free(); // most statements have no nested ones
    }
    void swap(MifVec& other) noexcept {
        T* data = data_;
        uint32_t bits = bits_;
        data_ = other.data_, bits_ = other.bits_;
        other.data_ = data, other.bits_ = bits;
    }

    iterator begin() noexcept { return data_; }
    iterator end() noexcept { return data_ + size(); }
    const_iterator begin() const noexcept { return data_; }
    const_iterator end() const noexcept { return data_ + size(); }
    size_t size() const noexcept { return bits_ & SizeBits; }
    static constexpr size_t max_size() noexcept { return SizeBits; }
    bool empty() const noexcept { return size() == 0; }
    size_t capacity() const noexcept {
        if (!data_) return 0;
        return (bits_ & Exact) ? size() : std::max<size_t>(2, std::bit_ceil(size()));
    }
    T* data() noexcept { return data_; }
    const T* data() const noexcept { return data_; }
    T& operator[](size_t i) { return data_[i]; }
    const T& operator[](size_t i) const { return data_[i]; }
    T& at(size_t i) { return i < size() ? data_[i] : OutOfRange(); }
    const T& at(size_t i) const { return i < size() ? data_[i] : OutOfRange(); }
    T& front() { return data_[0]; }
    const T& front() const { return data_[0]; }
    T& back() { return data_[size() - 1]; }
    const T& back() const { return data_[size() - 1]; }

    // An array of exactly the `n` elements at `from`, taken over as bytes:
    // the caller forgets them there without destroying them. Only for
    // elements that hold no pointer into themselves (the tree's), which
    // may move in memory as plain bytes.
    static MifVec Relocated(T* from, size_t n) {
        MifVec taken;
        if (!n) return taken;
        bool chunk = false;
        T* fresh = Allocate(n, &chunk);
        std::memcpy(static_cast<void*>(fresh), static_cast<const void*>(from), n * sizeof(T));
        taken.data_ = fresh;
        taken.bits_ = uint32_t(n) | (chunk ? InChunk : 0) | Exact;
        return taken;
    }

    // An array of exactly the `n` elements at `heap`, memory that
    // MifTreeAllocate's heap would have given (std::malloc) and that holds
    // exactly them: the array owns it from now on. `n` is at most max_size().
    static MifVec Adopted(T* heap, size_t n) noexcept {
        MifVec taken;
        taken.data_ = heap;
        taken.bits_ = uint32_t(n) | Exact;
        return taken;
    }

    void reserve(size_t n) {
        if (n > capacity()) MoveTo(Grown(n), false);
    }
    template <class... Args> T& emplace_back(Args&&... args) {
        size_t at = size();
        if (at < capacity()) {
            T* made = new (data_ + at) T(std::forward<Args>(args)...);
            ++bits_;
            return *made;
        }
        // Made in the new memory before the old elements move: `args` may
        // refer to one of them.
        size_t n = Grown(at + 1);
        bool chunk = false;
        T* fresh = Allocate(n, &chunk);
        try {
            new (fresh + at) T(std::forward<Args>(args)...);
        } catch (...) {
            MifTreeFree(fresh, chunk);
            throw;
        }
        Adopt(fresh, chunk, false);
        ++bits_;
        return data_[at];
    }
    void push_back(const T& item) { emplace_back(item); }
    void push_back(T&& item) { emplace_back(std::move(item)); }
    void pop_back() {
        --bits_;
        std::destroy_at(data_ + size());
    }
    void clear() noexcept {
        std::destroy(begin(), end());
        SetSize(0);
    }
    iterator insert(const_iterator at, T item) {
        size_t i = size_t(at - data_);
        emplace_back(std::move(item));
        std::rotate(begin() + i, end() - 1, end());
        return begin() + i;
    }
    template <class It, class = typename std::iterator_traits<It>::iterator_category>
    iterator insert(const_iterator at, It first, It last) {
        size_t i = size_t(at - data_), before = size();
        Append(first, last);
        std::rotate(begin() + i, begin() + before, end());
        return begin() + i;
    }
    iterator erase(const_iterator at) { return erase(at, at + 1); }
    iterator erase(const_iterator first, const_iterator last) {
        T* f = data_ + (first - data_);
        T* l = data_ + (last - data_);
        T* kept = std::move(l, end(), f);
        std::destroy(kept, end());
        SetSize(size_t(kept - data_));
        return f;
    }
    template <class It> void assign(It first, It last) {
        clear();
        Append(first, last);
    }

private:
    static constexpr uint32_t InChunk = 0x80000000u; // the memory is a chunk's
    static constexpr uint32_t Exact = 0x40000000u;   // the capacity is the size
    static constexpr uint32_t SizeBits = 0x3FFFFFFFu;

    T* data_ = nullptr;
    uint32_t bits_ = 0; // the size, with InChunk and Exact

    [[noreturn]] static T& OutOfRange() { throw std::out_of_range("MifVec::at"); }
    void SetSize(size_t n) noexcept { bits_ = (bits_ & ~SizeBits) | uint32_t(n); }
    // The room an array that grows takes for `n` elements.
    static size_t Grown(size_t n) { return std::max<size_t>(2, std::bit_ceil(n)); }
    static T* Allocate(size_t n, bool* chunk) {
        if (n > SizeBits) throw std::length_error("MifVec: too many elements");
        return static_cast<T*>(MifTreeAllocate(n * sizeof(T), chunk));
    }
    // Takes `fresh` as the memory, the elements moved into it.
    void Adopt(T* fresh, bool chunk, bool exact) noexcept {
        static_assert(std::is_nothrow_move_constructible_v<T>);
        size_t n = size();
        std::uninitialized_move(begin(), end(), fresh);
        std::destroy(begin(), end());
        Release();
        data_ = fresh;
        bits_ = uint32_t(n) | (chunk ? InChunk : 0) | (exact ? Exact : 0);
    }
    void MoveTo(size_t n, bool exact) {
        bool chunk = false;
        T* fresh = Allocate(n, &chunk);
        Adopt(fresh, chunk, exact);
    }
    // Append for a constructor, at the exact size: a vector whose
    // construction throws is never destroyed, so what it took is given back here.
    template <class It> void Construct(It first, It last) {
        try {
            Append(first, last, true);
        } catch (...) {
            Free();
            throw;
        }
    }
    template <class It> void Append(It first, It last, bool exact = false) {
        if constexpr (std::is_base_of_v<std::forward_iterator_tag,
                                        typename std::iterator_traits<It>::iterator_category>) {
            size_t n = size_t(std::distance(first, last)), want = size() + n;
            if (want > capacity()) MoveTo(exact ? want : Grown(want), exact);
            std::uninitialized_copy(first, last, end()); // moves, from move iterators
            SetSize(want);
        } else {
            for (; first != last; ++first) emplace_back(*first);
        }
    }
    void Release() noexcept {
        MifTreeFree(data_, (bits_ & InChunk) != 0);
        data_ = nullptr;
        bits_ &= SizeBits;
    }
    void Free() noexcept {
        std::destroy(begin(), end());
        SetSize(0);
        Release();
    }
};
