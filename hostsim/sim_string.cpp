// The simulated host's object strings (sim_string.h): owned buffers, views,
// and appending, which turns a view into an owned copy.
#include "hostsim/sim_string.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

namespace {

uint32_t CheckedSize(size_t n) {
    if (n >= UINT32_MAX) throw std::length_error("SimString: too long");
    return uint32_t(n);
}

} // namespace

SimString& SimString::operator=(SimString&& other) noexcept {
    if (this != &other) {
        Free();
        ptr = other.ptr;
        count = other.count;
        room = other.room;
        other.ptr = nullptr;
        other.count = other.room = 0;
    }
    return *this;
}

// `s` may stand in this string's own buffer: the old buffer goes only once
// it is copied.
void SimString::Assign(std::string_view s) {
    if (s.empty()) {
        Free();
        ptr = nullptr;
        count = room = 0;
        return;
    }
    uint32_t n = CheckedSize(s.size());
    if (room >= n) { // reused in place (memmove: `s` may be a part of it)
        std::memmove(const_cast<char*>(ptr), s.data(), n);
        const_cast<char*>(ptr)[n] = '\0';
        count = n;
        return;
    }
    char* buffer = new char[size_t(n) + 1];
    std::memcpy(buffer, s.data(), n);
    buffer[n] = '\0';
    Free();
    ptr = buffer;
    count = room = n;
}

SimString SimString::View(std::string_view s) {
    SimString v;
    if (s.empty()) return v;
    v.ptr = s.data();
    v.count = CheckedSize(s.size());
    return v;
}

void SimString::ShareFrom(const SimString& other) {
    if (!other.IsView()) {
        *this = std::string_view(other);
        return;
    }
    Free();
    ptr = other.ptr;
    count = other.count;
    room = 0;
}

SimString& SimString::operator+=(std::string_view s) {
    if (s.empty()) return *this;
    uint32_t n = CheckedSize(size_t(count) + s.size());
    if (room >= n) {
        std::memmove(const_cast<char*>(ptr) + count, s.data(), s.size());
        const_cast<char*>(ptr)[n] = '\0';
        count = n;
        return *this;
    }
    // Room grows by half again, as texts are built item by item.
    size_t grown = std::max<size_t>(n, size_t(room) + room / 2);
    uint32_t newRoom = CheckedSize(grown);
    char* buffer = new char[size_t(newRoom) + 1];
    if (count) std::memcpy(buffer, ptr, count);
    std::memcpy(buffer + count, s.data(), s.size());
    buffer[n] = '\0';
    Free();
    ptr = buffer;
    count = n;
    room = newRoom;
    return *this;
}

std::string operator+(const SimString& a, std::string_view b) {
    std::string out;
    out.reserve(a.size() + b.size());
    out.append(a.view()).append(b);
    return out;
}

std::string operator+(std::string_view a, const SimString& b) {
    std::string out;
    out.reserve(a.size() + b.size());
    out.append(a).append(b.view());
    return out;
}
