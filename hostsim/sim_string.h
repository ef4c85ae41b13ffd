// The string an object of the simulated host keeps (a paragraph's text, an
// object's name): 16 bytes that either own their characters or view bytes
// that outlive the object (a paragraph's text where it stands in the file a
// document was read from, which the document keeps alive).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

struct SimString {
    SimString() = default;
    // Owned copies.
    SimString(std::string_view s) { Assign(s); }
    SimString(const std::string& s) : SimString(std::string_view(s)) {}
    SimString(const char* s) : SimString(std::string_view(s)) {}
    // A copy owns its characters: it may be kept where the bytes a view
    // stands on are gone.
    SimString(const SimString& other) : SimString(std::string_view(other)) {}
    SimString(SimString&& other) noexcept : ptr(other.ptr), count(other.count), room(other.room) {
        other.ptr = nullptr;
        other.count = other.room = 0;
    }
    ~SimString() { Free(); }

    SimString& operator=(const SimString& other) { return *this = std::string_view(other); }
    SimString& operator=(SimString&& other) noexcept;
    SimString& operator=(std::string_view s) {
        Assign(s);
        return *this;
    }
    SimString& operator=(const std::string& s) { return *this = std::string_view(s); }
    SimString& operator=(const char* s) { return *this = std::string_view(s); }

    // A view of `s`, whose bytes must outlive it and every view made of it;
    // changing it makes it an owned copy.
    static SimString View(std::string_view s);
    // Becomes a view of what `other` views, or else a copy of it: for copies
    // of a document, which keep alive the bytes its views stand on.
    void ShareFrom(const SimString& other);
    bool IsView() const { return ptr && !room; }

    operator std::string_view() const { return {ptr, count}; }
    operator std::string() const { return std::string(ptr, count); }
    std::string_view view() const { return *this; }
    std::string str() const { return *this; }
    const char* data() const { return ptr; }
    size_t size() const { return count; }
    bool empty() const { return count == 0; }
    std::string_view substr(size_t at, size_t n = std::string_view::npos) const {
        return view().substr(at, n);
    }
    SimString& operator+=(std::string_view s);

    // A view compared with the bytes it stands on (a paragraph's text now and
    // as read) is equal without reading them.
    friend bool operator==(const SimString& a, const SimString& b) { return Same(a.view(), b.view()); }
    friend bool operator==(const SimString& a, std::string_view b) { return Same(a.view(), b); }
    friend bool operator==(const SimString& a, const std::string& b) { return a.view() == b; }
    friend bool operator==(const SimString& a, const char* b) { return a.view() == b; }
    friend auto operator<=>(const SimString& a, std::string_view b) { return a.view() <=> b; }

private:
    static bool Same(std::string_view a, std::string_view b) {
        return a.size() == b.size() && (a.data() == b.data() || a == b);
    }

    const char* ptr = nullptr; // null when empty
    uint32_t count = 0;
    uint32_t room = 0; // bytes of the owned buffer (a null after them); 0: a view or empty

    void Assign(std::string_view s);
    void Free() {
        if (room) delete[] ptr;
    }
};

std::string operator+(const SimString& a, std::string_view b);
std::string operator+(std::string_view a, const SimString& b);
