// Saves whose bytes are made as they are saved: only a file whose bytes
// differ is replaced, wherever they part from it, and a save that stops
// leaves the file whole and no temporary file; the hash of the bytes does
// not depend on how they are cut.
#include "hostsim/file_hash.h"
#include "hostsim/file_store.h"
#include "common/temp_folder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

// Several of the sink's blocks, no two alike.
std::string Text(size_t size) {
    std::string text(size, ' ');
    for (size_t i = 0; i < size; ++i) text[i] = char('a' + (i * 7 + i / 4099) % 26);
    return text;
}

// Hands `text` on in pieces of an odd size; fails after `failAfter` bytes
// when that is less than the text.
struct Maker {
    std::string text;
    size_t failAfter = std::string::npos;
};

bool Make(void* context, FileSink& sink, std::string* error) {
    const Maker& m = *static_cast<const Maker*>(context);
    for (size_t at = 0; at < m.text.size(); at += 7777) {
        if (at >= m.failAfter) {
            *error = "the maker's words";
            return false;
        }
        if (!FileSinkPut(sink, m.text.data() + at, std::min<size_t>(7777, m.text.size() - at))) return false;
    }
    return true;
}

} // namespace

TEST(FileStore, AStreamedSaveReplacesTheFileOnlyWhereItsBytesDiffer) {
    const std::string old = Text(2600000);
    std::string atStart = old, nearEnd = old;
    atStart[0] = 'X';
    nearEnd[old.size() - 10] = 'X';
    struct Case {
        const char* what;
        std::string text;
        bool there;
    } cases[] = {
        {"the same bytes", old, true},        {"a first byte changed", atStart, true},
        {"a change near the end", nearEnd, true}, {"longer", old + "tail", true},
        {"shorter", old.substr(0, old.size() - 1), true}, {"a new file", old, false},
        {"empty", "", true},
    };
    for (const Case& c : cases) {
        TestTempFolder dir("file_store_test");
        std::string path = dir.path + "/ch1.mif";
        if (c.there) WriteBytes(path, old);
        std::filesystem::file_time_type stamp{};
        if (c.there) {
            stamp = std::filesystem::file_time_type::clock::now() - std::chrono::hours(1);
            std::filesystem::last_write_time(path, stamp);
            stamp = std::filesystem::last_write_time(path); // as the file system keeps it (Windows: 100 ns)
        }
        FileStore store;
        Maker maker{c.text};
        std::string why;
        int status = FileStoreWriteWith(store, path, Make, &maker, &why);
        bool same = c.there && c.text == old;
        EXPECT_EQ(status, same ? FileUnchanged : FileOk) << c.what << ": " << why;
        EXPECT_TRUE(ReadBytes(path) == c.text) << c.what;
        if (same) {
            EXPECT_TRUE(std::filesystem::last_write_time(path) == stamp) << c.what;
        }
        EXPECT_EQ(dir.Entries(), 1) << c.what;
    }
}

TEST(FileStore, AMakerThatFailsLeavesTheFileWholeAndHasTheLastWord) {
    TestTempFolder dir("file_store_test");
    std::string path = dir.path + "/ch1.mif";
    const std::string old = Text(100);
    WriteBytes(path, old);
    // It fails once its bytes have gone to the temporary file.
    Maker late{Text(3000000), 2500000};
    late.text[0] = 'X';
    std::string why;
    FileStore plain;
    EXPECT_EQ(FileStoreWriteWith(plain, path, Make, &late, &why), FileNotMade);
    EXPECT_EQ(why, "the maker's words");
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(dir.Entries(), 1);
    // A file that may not be saved: the maker's failure is told first, as
    // when the bytes were made before the save began.
    Maker early{"text", 0}, good{"text"};
    FileStore store;
    std::string missing = dir.path + "/none/ch1.mif";
    EXPECT_EQ(FileStoreWriteWith(store, missing, Make, &early, &why), FileNotMade);
    EXPECT_EQ(why, "the maker's words");
    EXPECT_EQ(FileStoreWriteWith(store, missing, Make, &good, &why), FileRefused);
    EXPECT_EQ(why.rfind("it cannot be made: there is no folder ", 0), 0u) << why;
}

TEST(FileStore, TheHashDoesNotDependOnHowTheBytesAreCut) {
    const std::string text = Text(3000);
    uint64_t whole = FileHashOf(text.data(), text.size());
    for (size_t piece : {1, 3, 31, 63, 64, 65, 999, 1024, 1025}) {
        FileHash hash;
        for (size_t at = 0; at < text.size(); at += piece)
            FileHashAdd(hash, text.data() + at, std::min(piece, text.size() - at));
        EXPECT_EQ(FileHashEnd(hash), whole) << piece;
    }
    // The plain C++ way gives the same hashes, over blocks scrambled and not.
    for (size_t size : {0, 63, 64, 1024, 1089, 3000})
        EXPECT_EQ(FileHashOfPlain(text.data(), size), FileHashOf(text.data(), size)) << size;
    // The length counts: bytes that differ only by trailing zeros differ.
    EXPECT_NE(FileHashOf("ab\0", 3), FileHashOf("ab", 2));
    EXPECT_NE(FileHashOf(text.data(), 64), FileHashOf(text.data(), 63));
    // Order counts: two stripes of 64 bytes swapped, in a block or across
    // blocks, differ.
    for (size_t a : {0, 1024}) {
        std::string swapped = text;
        std::swap_ranges(swapped.begin() + a, swapped.begin() + a + 64, swapped.begin() + 128);
        EXPECT_NE(FileHashOf(swapped.data(), swapped.size()), whole) << a;
    }
}

// A document claimed to be read before it is saved is not hashed at its
// claim: the read records its bytes, and a same-size change put back to the
// same time stamp is still told from them. Saved without that read, it is
// refused rather than replaced unseen.
TEST(FileStore, AFileClaimedToBeReadFirstIsComparedWithTheBytesOfItsRead) {
    TestTempFolder dir("file_store_test");
    std::string path = dir.path + "/ch1.mif", why, data;
    Maker mine{"mine"};
    for (bool read : {false, true}) {
        WriteBytes(path, "text");
        FileStore store;
        store.guard = true;
        ASSERT_EQ(FileStoreClaim(store, path, true, true, &why), FileOk) << why;
        if (read) {
            ASSERT_EQ(FileStoreRead(store, path, 100, &data, &why), FileOk) << why;
            auto stamp = std::filesystem::last_write_time(path);
            WriteBytes(path, "TEXT"); // another program, within the same tick
            std::filesystem::last_write_time(path, stamp);
        }
        EXPECT_EQ(FileStoreWriteWith(store, path, Make, &mine, &why), FileChanged) << read;
        EXPECT_EQ(ReadBytes(path), read ? "TEXT" : "text");
    }
}

#ifndef _WIN32
// On Linux a backslash is part of a name: a file named with one is saved
// beside itself and named whole in messages.
TEST(FileStore, ABackslashInALinuxNameIsNoSeparator) {
    TestTempFolder dir("file_store_test");
    std::string path = dir.path + "/a\\b.mif", why, data;
    Maker text{"text"};
    FileStore store;
    EXPECT_EQ(FileStoreWriteWith(store, path, Make, &text, &why), FileOk) << why;
    EXPECT_EQ(ReadBytes(path), "text");
    EXPECT_EQ(FileStoreRead(store, dir.path + "/c\\d.mif", 100, &data, &why), FileNotFound);
    EXPECT_EQ(why, "c\\d.mif: no such file");
}

// A read whose bytes another thread reads later reads the file it opened:
// another program that replaces the file meanwhile keeps its text, and a
// save of what was read is refused as a save of a file changed.
TEST(FileStore, AReadInStepsReadsTheFileItOpened) {
    TestTempFolder dir("file_store_test");
    std::string path = dir.path + "/ch1.mif", theirs = dir.path + "/theirs", why;
    WriteBytes(path, "text");
    FileStore store;
    store.guard = true;
    FileRead read;
    ASSERT_EQ(FileStoreReadBegin(store, path, 100, &read, &why), FileOk) << why;
    WriteBytes(theirs, "TEXT");
    std::filesystem::rename(theirs, path);
    std::thread([&read] { FileStoreReadBytes(read); }).join();
    ASSERT_EQ(FileStoreReadEnd(store, read, &why), FileOk) << why;
    EXPECT_EQ(read.data, "text");
    Maker mine{"mine"};
    EXPECT_EQ(FileStoreWriteWith(store, path, Make, &mine, &why), FileChanged);
    EXPECT_EQ(ReadBytes(path), "TEXT");
}

// The handle of each file a save replaces is closed behind the run's back;
// a released store has closed them all, with those of the files it holds.
TEST(FileStore, AReleasedStoreHoldsNoFileOpen) {
    auto open = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    TestTempFolder dir("file_store_test");
    std::string path = dir.path + "/ch1.mif", why, data;
    WriteBytes(path, "text");
    auto before = open();
    {
        FileStore store;
        store.guard = true;
        ASSERT_EQ(FileStoreRead(store, path, 100, &data, &why), FileOk) << why;
        for (int i = 0; i < 40; ++i) {
            Maker text{"text " + std::to_string(i)};
            ASSERT_EQ(FileStoreWriteWith(store, path, Make, &text, &why), FileOk) << why;
        }
        EXPECT_EQ(ReadBytes(path), "text 39");
    }
    EXPECT_EQ(open(), before);
}
#endif
