// Allocation-failure sweeps of the simulated host's MIF files: reading a
// document and a book through the file store, and saving a changed document.
// The MIF code allocates through the C++ heap, so this program replaces the
// global operator new with one that fails the Nth allocation while armed.
// Unarmed (the default, and always outside the call under test) it only
// allocates, so the other sweeps of this program and the test framework are
// untouched. Every run must end clean or as the store's ordinary failure
// ("ch1.mif: out of memory"), leak nothing, keep no file open, and a failed
// save must leave the old file as it was and no temporary file behind.
#include "sweep.h"

#include "common/netlib_folder.h"
#include "hostsim/mif/mif_store.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#ifdef _WIN32
#include <io.h>
#include <malloc.h>
#endif
#include <filesystem>
#include <new>
#include <string>
#include <vector>

namespace {

// 0: unarmed. Otherwise the allocation that throws, counted from arming.
thread_local uint64_t failAt = 0;
thread_local uint64_t allocations = 0;

void* Allocate(std::size_t size, std::size_t align) {
    if (failAt && ++allocations == failAt) throw std::bad_alloc();
    if (size == 0) size = 1;
    void* p = nullptr;
    if (align <= alignof(std::max_align_t)) p = std::malloc(size);
#ifdef _WIN32
    else p = _aligned_malloc(size, align); // Windows has no posix_memalign; see AlignedFree
#else
    else if (::posix_memalign(&p, align, size) != 0) p = nullptr;
#endif
    if (!p) throw std::bad_alloc();
    return p;
}

// Frees a block of an over-aligned form: from malloc here, from
// _aligned_malloc on Windows.
void AlignedFree(void* p, std::size_t align) noexcept {
#ifdef _WIN32
    if (align > alignof(std::max_align_t)) return _aligned_free(p);
#else
    (void)align;
#endif
    std::free(p);
}

void* AllocateOrNull(std::size_t size, std::size_t align) noexcept {
    try {
        return Allocate(size, align);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

} // namespace

// All blocks come from malloc and go back to free, so a sanitizer build
// sees matching pairs whichever form allocated them; that is why the
// non-throwing forms are replaced too (they fail as null).
void* operator new(std::size_t size) { return Allocate(size, 0); }
void* operator new[](std::size_t size) { return Allocate(size, 0); }
void* operator new(std::size_t size, std::align_val_t align) { return Allocate(size, (std::size_t)align); }
void* operator new[](std::size_t size, std::align_val_t align) { return Allocate(size, (std::size_t)align); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size, 0); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return AllocateOrNull(size, 0); }
void* operator new(std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
    return AllocateOrNull(size, (std::size_t)align);
}
void* operator new[](std::size_t size, std::align_val_t align, const std::nothrow_t&) noexcept {
    return AllocateOrNull(size, (std::size_t)align);
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t align) noexcept { AlignedFree(p, (std::size_t)align); }
void operator delete[](void* p, std::align_val_t align) noexcept { AlignedFree(p, (std::size_t)align); }
void operator delete(void* p, std::size_t, std::align_val_t align) noexcept { AlignedFree(p, (std::size_t)align); }
void operator delete[](void* p, std::size_t, std::align_val_t align) noexcept { AlignedFree(p, (std::size_t)align); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t align, const std::nothrow_t&) noexcept { AlignedFree(p, (std::size_t)align); }
void operator delete[](void* p, std::align_val_t align, const std::nothrow_t&) noexcept { AlignedFree(p, (std::size_t)align); }

namespace {

namespace fs = std::filesystem;
using Texts = std::vector<std::string>;

// What a sweep without allocation points means.
const char NotInForce[] = " (this program's operator new never failed an allocation: valgrind replaces it "
                          "unless given --soname-synonyms=somalloc=nouserintercepts, as make valgrind does)";

// Runs `act` with the nth operator new from now throwing; true when the run
// got that far. n = 0 is the clean run.
template <typename Act>
bool RunFailingNew(uint64_t n, Act&& act) {
    allocations = 0;
    failAt = n;
    act();
    failAt = 0;
    return n && allocations >= n;
}

size_t OpenFiles() {
#ifdef _WIN32
    // The C runtime's open descriptors: the reader opens its files through
    // them. (Wine's GetProcessHandleCount always answers 0, so the process's
    // handle count would see nothing there.)
    size_t n = 0;
    for (int fd = 0; fd < 2048; ++fd) // 2048: the most the runtime hands out
        if (_get_osfhandle(fd) != -1) ++n;
    return n;
#else
    size_t n = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator("/proc/self/fd")) ++n;
    return n;
#endif
}

std::string Example(const char* name) { return NetLibTestWindowsName(std::string(VELLOR_SOURCE_DIR) + "/examples/" + name); }

// What a reading shows of a document or book: its pages' master pages and
// its text, or its components in book order.
Texts Summary(const SimDoc& doc) {
    Texts seen;
    for (ObjId page : doc.bodyPages) seen.push_back(SimPageMasterName(doc, page));
    for (const std::string& text : SimFlowTexts(doc)) seen.push_back(text);
    for (ObjId component : SimBookOrder(doc)) seen.push_back(SimLocal(doc, component)->name);
    return seen;
}

struct Read {
    const char* scenario;
    const char* file;
};

TEST(MifAllocationSweep, ReadingEndsReadOrOutOfMemory) {
    for (const Read& row : {Read{"MIF document read", "ch1.mif"}, Read{"MIF book read", "Manual.book"}}) {
        Texts clean;
        int failed = 0;
        std::string name = Example(row.file);
        auto run = [&](uint64_t n) {
            size_t files = OpenFiles();
            MifFileStore mif;
            SimStore store = MifFileStoreMake(&mif);
            SimDoc doc;
            int status = -1;
            bool fired = RunFailingNew(n, [&] { status = store.load(store.context, name, &doc); });
            if (n == 0) {
                EXPECT_EQ(status, SimOk) << mif.lastError;
                clean = Summary(doc);
                EXPECT_GT(clean.size(), 3u) << row.file;
            } else if (status == SimOk) {
                EXPECT_EQ(Summary(doc), clean) << row.file << ", allocation " << n;
            } else {
                ++failed;
                EXPECT_EQ(status, SimStatusBadArgument) << row.file << ", allocation " << n;
                EXPECT_EQ(mif.lastError, std::string(row.file) + ": out of memory") << "allocation " << n;
                EXPECT_TRUE(Summary(doc).empty()) << row.file << ", allocation " << n;
            }
            EXPECT_EQ(OpenFiles(), files) << row.file << ", allocation " << n;
            return fired;
        };
        uint64_t points = SweepAllocations(run);
        std::printf("[ sweep ] %-20s %4llu allocation points\n", row.scenario, (unsigned long long)points);
        EXPECT_GT(points, 10u) << row.file << NotInForce;
        EXPECT_GT(failed, 0) << row.file;
        EXPECT_FALSE(LeaksFound()) << row.file;
    }
}

TEST(MifAllocationSweep, AFailedSaveLeavesTheOldFileWhole) {
    std::string folder = NetLibTestFolderMake();
    ASSERT_FALSE(folder.empty());
    std::string target = folder + "/ch1.mif", original = NetLibTestRead(VELLOR_SOURCE_DIR "/examples/ch1.mif");
    std::string windowsTarget = NetLibTestWindowsName(target);

    MifFileStore mif;
    SimStore store = MifFileStoreMake(&mif);
    SimDoc doc;
    ASSERT_EQ(store.load(store.context, Example("ch1.mif"), &doc), SimOk) << mif.lastError;
    ASSERT_GE(doc.bodyPages.size(), 2u);
    ObjId other = SimPageMasterName(doc, doc.bodyPages[0]) == "Right" ? doc.leftMaster : doc.rightMaster;
    ASSERT_EQ(SimApplyMasterPage(doc, doc.bodyPages[0], other), 0);

    std::string saved;
    int failed = 0;
    auto run = [&](uint64_t n) {
        EXPECT_TRUE(NetLibTestWrite(target, original));
        size_t files = OpenFiles();
        int status = -1;
        bool fired = RunFailingNew(n, [&] { status = store.save(store.context, windowsTarget, doc); });
        std::string now = NetLibTestRead(target);
        if (n == 0) {
            EXPECT_EQ(status, SimOk) << mif.lastError;
            EXPECT_NE(now, original);
            saved = now;
        } else if (status == SimOk) {
            EXPECT_EQ(now, saved) << "allocation " << n;
        } else {
            ++failed;
            EXPECT_EQ(status, SimStatusSaveFailed) << "allocation " << n;
            EXPECT_EQ(mif.lastError, "ch1.mif: out of memory") << "allocation " << n;
            EXPECT_EQ(now, original) << "allocation " << n;
        }
        size_t entries = 0;
        for ([[maybe_unused]] const auto& entry : fs::directory_iterator(folder)) ++entries;
        EXPECT_EQ(entries, 1u) << "a temporary file is left, allocation " << n;
        EXPECT_EQ(OpenFiles(), files) << "allocation " << n;
        return fired;
    };
    uint64_t points = SweepAllocations(run);
    std::printf("[ sweep ] %-20s %4llu allocation points\n", "MIF document save", (unsigned long long)points);
    EXPECT_GT(points, 10u) << NotInForce;
    EXPECT_GT(failed, 0);
    NetLibTestFolderRemove(folder);
    doc = SimDoc{};
    EXPECT_FALSE(LeaksFound());
}

} // namespace
