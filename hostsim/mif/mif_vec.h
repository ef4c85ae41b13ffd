// The arrays of MIF statement trees: the data and the nested statements of
// each statement. A tree holds millions of them, most with one or two
// elements, so the array is small (a pointer and two 32-bit counts) and its
// memory comes from the tree's chunks while a file is read (mif_arena.h).
// It offers the part of std::vector's interface that the tree's users need;
// iterators are pointers. The reader makes each array at its exact size
// once the statement that holds it is complete; arrays the host builds grow
// as vectors do.
#pragma once

#include "hostsim/mif/mif_arena.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>

template <class T> class MifVec {
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
    MifVec(MifVec&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
          cap_(std::exchange(other.cap_, 0)) {}
    MifVec& operator=(const MifVec& other) {
        if (this != &other) MifVec(other).swap(*this);
        return *this;
    }
    MifVec& operator=(MifVec&& other) noexcept {
        MifVec(std::move(other)).swap(*this);
        return *this;
    }
    ~MifVec() { Free(); }
    void swap(MifVec& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        std::swap(cap_, other.cap_);
    }

    iterator begin() noexcept { return data_; }
    iterator end() noexcept { return data_ + size_; }
    const_iterator begin() const noexcept { return data_; }
    const_iterator end() const noexcept { return data_ + size_; }
    size_t size() const noexcept { return size_; }
    bool empty() const noexcept { return size_ == 0; }
    size_t capacity() const noexcept { return cap_ & ~InChunk; }
    T* data() noexcept { return data_; }
    const T* data() const noexcept { return data_; }
    T& operator[](size_t i) { return data_[i]; }
    const T& operator[](size_t i) const { return data_[i]; }
    T& at(size_t i) { return i < size_ ? data_[i] : OutOfRange(); }
    const T& at(size_t i) const { return i < size_ ? data_[i] : OutOfRange(); }
    T& front() { return data_[0]; }
    const T& front() const { return data_[0]; }
    T& back() { return data_[size_ - 1]; }
    const T& back() const { return data_[size_ - 1]; }

    void reserve(size_t n) {
        if (n > capacity()) MoveTo(n);
    }
    template <class... Args> T& emplace_back(Args&&... args) {
        if (size_ < capacity()) return *new (data_ + size_++) T(std::forward<Args>(args)...);
        // Made in the new memory before the old elements move: `args` may
        // refer to one of them.
        size_t n = size_ ? 2 * size_t(size_) : 2;
        bool chunk = false;
        T* fresh = Allocate(n, &chunk);
        try {
            new (fresh + size_) T(std::forward<Args>(args)...);
        } catch (...) {
            MifTreeFree(fresh, chunk);
            throw;
        }
        Adopt(fresh, n, chunk);
        return data_[size_++];
    }
    void push_back(const T& item) { emplace_back(item); }
    void push_back(T&& item) { emplace_back(std::move(item)); }
    void pop_back() { std::destroy_at(data_ + --size_); }
    void clear() noexcept {
        std::destroy(begin(), end());
        size_ = 0;
    }
    iterator insert(const_iterator at, T item) {
        size_t i = size_t(at - data_);
        emplace_back(std::move(item));
        std::rotate(begin() + i, end() - 1, end());
        return begin() + i;
    }
    template <class It, class = typename std::iterator_traits<It>::iterator_category>
    iterator insert(const_iterator at, It first, It last) {
        size_t i = size_t(at - data_), before = size_;
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
        size_ = uint32_t(kept - data_);
        return f;
    }
    template <class It> void assign(It first, It last) {
        clear();
        Append(first, last);
    }

private:
    static constexpr uint32_t InChunk = 0x80000000u; // in cap_: the memory is a chunk's

    T* data_ = nullptr;
    uint32_t size_ = 0;
    uint32_t cap_ = 0; // with InChunk

    [[noreturn]] static T& OutOfRange() { throw std::out_of_range("MifVec::at"); }
    static T* Allocate(size_t n, bool* chunk) {
        if (n >= InChunk) throw std::length_error("MifVec: too many elements");
        return static_cast<T*>(MifTreeAllocate(n * sizeof(T), chunk));
    }
    // Takes `fresh` (room for `n`) as the memory, the elements moved into it.
    void Adopt(T* fresh, size_t n, bool chunk) noexcept {
        static_assert(std::is_nothrow_move_constructible_v<T>);
        std::uninitialized_move(begin(), end(), fresh);
        std::destroy(begin(), end());
        Release();
        data_ = fresh;
        cap_ = uint32_t(n) | (chunk ? InChunk : 0);
    }
    void MoveTo(size_t n) {
        bool chunk = false;
        T* fresh = Allocate(n, &chunk);
        Adopt(fresh, n, chunk);
    }
    // Append for a constructor: a vector whose construction throws is never
    // destroyed, so what it took is given back here.
    template <class It> void Construct(It first, It last) {
        try {
            Append(first, last);
        } catch (...) {
            Free();
            throw;
        }
    }
    template <class It> void Append(It first, It last) {
        if constexpr (std::is_base_of_v<std::forward_iterator_tag,
                                        typename std::iterator_traits<It>::iterator_category>) {
            size_t n = size_t(std::distance(first, last));
            if (size_ + n > capacity()) MoveTo(size_ + n);
            std::uninitialized_copy(first, last, end()); // moves, from move iterators
            size_ += uint32_t(n);
        } else {
            for (; first != last; ++first) emplace_back(*first);
        }
    }
    void Release() noexcept {
        MifTreeFree(data_, (cap_ & InChunk) != 0);
        data_ = nullptr;
        cap_ = 0;
    }
    void Free() noexcept {
        std::destroy(begin(), end());
        size_ = 0;
        Release();
    }
};
