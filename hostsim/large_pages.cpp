// Pools of blocks cut from slabs of large pages (see large_pages.h).
#include "hostsim/large_pages.h"

#include <bit>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <new>
#include <thread>
#include <vector>

#if defined(__linux__)
#include <sys/mman.h>

namespace {

constexpr size_t SlabBytes = size_t(2) << 20;
constexpr size_t MostBlocks = 128; // in a slab: blocks are at least 16 KiB

struct Slab {
    uint64_t inUse[MostBlocks / 64] = {}; // a bit for each block handed out
    size_t count = 0;                      // how many are
};

// A slab of its size and aligned to it, the rest of the mapping given back.
uintptr_t MapSlab() {
    void* p = ::mmap(nullptr, 2 * SlabBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (p == MAP_FAILED) throw std::bad_alloc();
    uintptr_t at = reinterpret_cast<uintptr_t>(p), slab = (at + SlabBytes - 1) & ~uintptr_t(SlabBytes - 1);
    if (slab > at) ::munmap(p, slab - at);
    if (slab + SlabBytes < at + 2 * SlabBytes)
        ::munmap(reinterpret_cast<void*>(slab + SlabBytes), at + SlabBytes - slab);
    LargePagesAdvise(reinterpret_cast<void*>(slab), SlabBytes);
    return slab;
}

// Slabs made ahead. The first touch of a fresh large page costs the kernel
// the clearing of 2 MiB, about 3 ms on a virtual machine, and a large file
// read takes dozens of slabs one after another. Once a process has taken a
// few slabs from the system, a thread of its own maps the next ones and
// touches them while the reading thread goes on, so that their clearing
// happens on another processor; it keeps `SlabsAhead` ready (2 MiB), shared
// by every pool. A process that reads only small files never starts it.
constexpr size_t SlabsAhead = 1;
constexpr size_t SlabsBeforeAhead = 4; // taken from the system before making ahead starts

struct SlabMaker {
    std::mutex lock;
    std::condition_variable wake;
    std::vector<uintptr_t> ready; // mapped and touched, room made for SlabsAhead
    size_t taken = 0;             // slabs taken from the system so far
    bool running = false;
    bool failed = false;          // the system refused a slab: make none ahead any more
};

SlabMaker& Maker() {
    static SlabMaker* maker = new SlabMaker; // never freed: its thread outlives main
    return *maker;
}

void MakeAhead() {
    SlabMaker& m = Maker();
    std::unique_lock<std::mutex> held(m.lock);
    for (;;) {
        m.wake.wait(held, [&m] { return m.ready.size() < SlabsAhead && !m.failed; });
        held.unlock();
        uintptr_t slab = 0;
        try {
            slab = MapSlab();
            // A write to each small page: a large page, when the kernel has
            // one, is cleared and mapped at the first.
            for (size_t at = 0; at < SlabBytes; at += 4096)
                reinterpret_cast<volatile char*>(slab)[at] = 0;
        } catch (const std::bad_alloc&) {
        }
        held.lock();
        if (slab) m.ready.push_back(slab); // room was made for it
        else m.failed = true;
    }
}

// A fresh slab for a pool: one made ahead when there is one.
uintptr_t NewSlab() {
    SlabMaker& m = Maker();
    {
        std::lock_guard<std::mutex> held(m.lock);
        if (++m.taken > SlabsBeforeAhead && !m.running && !m.failed) {
            try {
                m.ready.reserve(SlabsAhead);
                std::thread(MakeAhead).detach();
                m.running = true;
            } catch (const std::exception&) {
                m.failed = true; // no thread to be had: slabs are made as they are asked for
            }
        }
        if (!m.ready.empty()) {
            uintptr_t slab = m.ready.back();
            m.ready.pop_back();
            m.wake.notify_one();
            return slab;
        }
        if (m.running) m.wake.notify_one();
    }
    return MapSlab();
}

} // namespace

void LargePagesAdvise(void* p, size_t size) {
    uintptr_t from = (reinterpret_cast<uintptr_t>(p) + SlabBytes - 1) & ~uintptr_t(SlabBytes - 1);
    uintptr_t to = (reinterpret_cast<uintptr_t>(p) + size) & ~uintptr_t(SlabBytes - 1);
    if (to > from) (void)::madvise(reinterpret_cast<void*>(from), to - from, MADV_HUGEPAGE);
}

struct LargePagePool {
    size_t blockBytes, blocks, slabsKept;
    std::mutex lock;
    std::map<uintptr_t, Slab> held; // every slab held, by where it starts
    size_t empty = 0;               // slabs held with no block in use
};

LargePagePool* LargePagePoolMake(size_t blockBytes, size_t, size_t slabsKept) {
    return new LargePagePool{blockBytes, SlabBytes / blockBytes, slabsKept, {}, {}, 0};
}

void LargePagePoolFree(LargePagePool* pool) {
    for (const auto& slab : pool->held) ::munmap(reinterpret_cast<void*>(slab.first), SlabBytes);
    delete pool;
}

void* LargePageBlock(LargePagePool* pool) {
    std::lock_guard<std::mutex> held(pool->lock);
    auto slab = pool->held.begin();
    while (slab != pool->held.end() && slab->second.count == pool->blocks) ++slab;
    if (slab == pool->held.end()) {
        uintptr_t made = NewSlab();
        try {
            slab = pool->held.emplace(made, Slab{}).first;
        } catch (...) {
            ::munmap(reinterpret_cast<void*>(made), SlabBytes);
            throw;
        }
    } else if (slab->second.count == 0) {
        --pool->empty;
    }
    Slab& s = slab->second;
    size_t word = s.inUse[0] == ~uint64_t(0) ? 1 : 0;
    size_t i = word * 64 + size_t(std::countr_one(s.inUse[word]));
    s.inUse[word] |= uint64_t(1) << (i % 64);
    ++s.count;
    return reinterpret_cast<void*>(slab->first + i * pool->blockBytes);
}

void LargePageFree(LargePagePool* pool, void* block) noexcept {
    if (!block) return;
    std::lock_guard<std::mutex> held(pool->lock);
    uintptr_t at = reinterpret_cast<uintptr_t>(block);
    auto slab = pool->held.find(at & ~uintptr_t(SlabBytes - 1));
    size_t i = (at - slab->first) / pool->blockBytes;
    slab->second.inUse[i / 64] &= ~(uint64_t(1) << (i % 64));
    if (--slab->second.count) return;
    if (pool->empty < pool->slabsKept) {
        ++pool->empty;
        return;
    }
    ::munmap(reinterpret_cast<void*>(slab->first), SlabBytes);
    pool->held.erase(slab);
}

size_t LargePageBytesHeld(LargePagePool* pool) {
    std::lock_guard<std::mutex> held(pool->lock);
    return pool->held.size() * SlabBytes;
}

#else

void LargePagesAdvise(void*, size_t) {}

// Memory handed back to the system would cost a page fault per page when
// the next document is read: blocks freed are kept for the next ones.
struct LargePagePool {
    size_t blockBytes, align, kept;
    std::mutex lock;
    std::vector<void*> spare; // freed and kept, room made for `kept` of them
    size_t blocks = 0;        // taken from the heap and not given back
};

LargePagePool* LargePagePoolMake(size_t blockBytes, size_t align, size_t slabsKept) {
    auto* pool = new LargePagePool{blockBytes, align, slabsKept * (size_t(2) << 20) / blockBytes, {}, {}, 0};
    pool->spare.reserve(pool->kept);
    return pool;
}

void LargePagePoolFree(LargePagePool* pool) {
    for (void* block : pool->spare) ::operator delete(block, std::align_val_t(pool->align));
    delete pool;
}

void* LargePageBlock(LargePagePool* pool) {
    std::lock_guard<std::mutex> held(pool->lock);
    if (!pool->spare.empty()) {
        void* block = pool->spare.back();
        pool->spare.pop_back();
        return block;
    }
    void* block = ::operator new(pool->blockBytes, std::align_val_t(pool->align));
    ++pool->blocks;
    return block;
}

void LargePageFree(LargePagePool* pool, void* block) noexcept {
    if (!block) return;
    std::lock_guard<std::mutex> held(pool->lock);
    if (pool->spare.size() < pool->kept) {
        pool->spare.push_back(block); // room was made for it
        return;
    }
    ::operator delete(block, std::align_val_t(pool->align));
    --pool->blocks;
}

size_t LargePageBytesHeld(LargePagePool* pool) {
    std::lock_guard<std::mutex> held(pool->lock);
    return pool->blocks * pool->blockBytes;
}

#endif
