// vellor-host's store over the store: a book's documents are read from the
// files each time they are opened and not held once read or saved, so that a
// book is in memory one document at a time; everything else is read once.
#ifdef VELLOR_HOST_PROGRAM
#include "apps/vellor_host/store_tap.h"
#include "hostsim/doc_builder.h"

#include <gtest/gtest.h>

namespace {

struct CountingStore {
    SimMemoryStore memory;
    SimStore inner;
    int loads = 0;
};

int CountedLoad(void* context, const std::string& name, SimDoc* out) {
    auto* store = static_cast<CountingStore*>(context);
    ++store->loads;
    SimStore memory = SimMemoryStoreMake(&store->memory);
    return memory.load(memory.context, name, out);
}

// The check a file store gives: whether the file is there, and a book.
int CountedCheck(void* context, const std::string& name, bool* isBook) {
    auto* store = static_cast<CountingStore*>(context);
    auto it = store->memory.files.find(name);
    if (it == store->memory.files.end()) return SimStatusNotFound;
    *isBook = it->second.isBook;
    return SimOk;
}

int PassSave(void* context, const std::string& name, const SimDoc& doc) {
    SimStore memory = SimMemoryStoreMake(&static_cast<CountingStore*>(context)->memory);
    return memory.save(memory.context, name, doc);
}

const char kChapter[] = "Z:\\book\\ch1.mif";

struct StoreTapTest : ::testing::Test {
    CountingStore files;
    StoreTap tap;
    void SetUp() override {
        DocBuilder chapter(kChapter);
        chapter.masterPages({"Left", "Right"}).page().para("Body", "first page");
        files.memory.files[kChapter] = chapter.doc;
        tap.inner = SimStore{&files, CountedLoad, PassSave};
    }
};

TEST_F(StoreTapTest, AnOrdinaryFileIsReadOnceAndServedFromMemory) {
    SimDoc a, b;
    ASSERT_EQ(StoreTapRead(tap, kChapter, &a, nullptr), SimOk);
    ASSERT_EQ(StoreTapRead(tap, kChapter, &b, nullptr), SimOk);
    EXPECT_EQ(files.loads, 1);
    EXPECT_EQ(tap.cache.size(), 1u);
}

TEST_F(StoreTapTest, ABookDocumentIsReadEachTimeAndNeverHeld) {
    tap.streamed.insert(kChapter);
    SimDoc doc;
    ASSERT_EQ(StoreTapRead(tap, kChapter, &doc, nullptr), SimOk);
    ASSERT_EQ(StoreTapRead(tap, kChapter, &doc, nullptr), SimOk);
    EXPECT_EQ(files.loads, 2);
    EXPECT_TRUE(tap.cache.empty());
    // Its first state is kept for the change table all the same.
    EXPECT_EQ(tap.before.count(kChapter), 1u);

    doc.objects[doc.bodyPages.at(0)].background = HostBackgroundNone; // no master page
    ASSERT_EQ(StoreTapSave(tap, kChapter, doc), SimOk);
    EXPECT_TRUE(tap.cache.empty());
    EXPECT_EQ(tap.after.count(kChapter), 1u);
    // Opened again, it is what was saved.
    SimDoc again;
    ASSERT_EQ(StoreTapRead(tap, kChapter, &again, nullptr), SimOk);
    EXPECT_EQ(files.loads, 3);
    EXPECT_EQ(SimLocal(again, again.bodyPages.at(0))->background, HostBackgroundNone);
}

TEST_F(StoreTapTest, ADryRunKeepsWhatItWouldHaveSavedOfABookDocument) {
    tap.streamed.insert(kChapter);
    tap.dryRun = true;
    SimDoc doc;
    ASSERT_EQ(StoreTapRead(tap, kChapter, &doc, nullptr), SimOk);
    doc.objects[doc.bodyPages.at(0)].background = HostBackgroundNone;
    ASSERT_EQ(StoreTapSave(tap, kChapter, doc), SimOk);
    EXPECT_EQ(files.memory.saves.count(kChapter), 0u); // nothing written
    SimDoc again;
    ASSERT_EQ(StoreTapRead(tap, kChapter, &again, nullptr), SimOk);
    EXPECT_EQ(SimLocal(again, again.bodyPages.at(0))->background, HostBackgroundNone);
    EXPECT_EQ(files.loads, 1);
}

TEST_F(StoreTapTest, ADryRunKeepsWhatItWouldHaveSavedOnlyWhileItIsToBeOpenedAgain) {
    tap.dryRun = true;
    tap.opensLeft[kChapter] = 2; // named twice
    SimDoc doc;
    ASSERT_EQ(StoreTapRead(tap, kChapter, &doc, nullptr), SimOk);
    StoreTapRelease(tap, kChapter); // open: the open document holds it
    doc.objects[doc.bodyPages.at(0)].background = HostBackgroundNone;
    ASSERT_EQ(StoreTapSave(tap, kChapter, doc), SimOk);
    SimDoc again;
    ASSERT_EQ(StoreTapRead(tap, kChapter, &again, nullptr), SimOk);
    EXPECT_EQ(SimLocal(again, again.bodyPages.at(0))->background, HostBackgroundNone);
    EXPECT_EQ(files.loads, 1);
    // Its last opening saved, only its record is wanted.
    ASSERT_EQ(StoreTapSave(tap, kChapter, again), SimOk);
    EXPECT_TRUE(tap.cache.empty());
    EXPECT_EQ(tap.after.count(kChapter), 1u);
    // Where it is not known whether a file is opened again, its state stays.
    tap.opensLeft.clear();
    ASSERT_EQ(StoreTapSave(tap, kChapter, again), SimOk);
    EXPECT_EQ(tap.cache.count(kChapter), 1u);
}

TEST_F(StoreTapTest, ADocumentIsHeldOnlyWhileItIsToBeOpenedAgain) {
    SimDoc doc;
    ASSERT_EQ(StoreTapRead(tap, kChapter, &doc, nullptr), SimOk); // read ahead: held
    tap.opensLeft[kChapter] = 2;                                 // then named twice
    ASSERT_EQ(StoreTapRead(tap, kChapter, &doc, nullptr), SimOk);
    EXPECT_EQ(tap.cache.count(kChapter), 1u);
    doc.objects[doc.bodyPages.at(0)].background = HostBackgroundNone;
    ASSERT_EQ(StoreTapSave(tap, kChapter, doc), SimOk);
    // Its last open takes what is held, the state saved, and nothing stays.
    SimDoc again;
    ASSERT_EQ(StoreTapRead(tap, kChapter, &again, nullptr), SimOk);
    EXPECT_EQ(SimLocal(again, again.bodyPages.at(0))->background, HostBackgroundNone);
    EXPECT_TRUE(tap.cache.empty());
    ASSERT_EQ(StoreTapSave(tap, kChapter, again), SimOk);
    EXPECT_TRUE(tap.cache.empty());
    EXPECT_EQ(files.loads, 1);
}

TEST_F(StoreTapTest, ABookDocumentIsCheckedWithoutBeingLoaded) {
    tap.streamed.insert(kChapter);
    tap.innerCheck = CountedCheck;
    bool isBook = true;
    std::string why;
    EXPECT_EQ(StoreTapCheck(tap, kChapter, &isBook, &why), SimOk);
    EXPECT_FALSE(isBook);
    EXPECT_EQ(files.loads, 0);
    EXPECT_TRUE(tap.cache.empty());
    // One that cannot be read says so by its name.
    tap.streamed.insert("Z:\\book\\gone.mif");
    EXPECT_NE(StoreTapCheck(tap, "Z:\\book\\gone.mif", &isBook, &why), SimOk);
    EXPECT_EQ(why, "gone.mif: cannot be read");
    // Any other file is read in full and kept, as before.
    tap.streamed.clear();
    EXPECT_EQ(StoreTapCheck(tap, kChapter, &isBook, &why), SimOk);
    EXPECT_EQ(files.loads, 1);
    EXPECT_EQ(tap.cache.size(), 1u);
}

TEST_F(StoreTapTest, ASaveOfAFileTheRunMayNotWriteIsRefusedAndNamed) {
    SimDoc doc;
    ASSERT_EQ(StoreTapRead(tap, kChapter, &doc, nullptr), SimOk);
    tap.writable = std::set<std::string>{kChapter};
    const char other[] = "Z:\\book\\??.mif";
    EXPECT_EQ(StoreTapSave(tap, other, doc), SimStatusSaveFailed);
    EXPECT_FALSE(files.memory.files.count(other));
    ASSERT_EQ(tap.failedSaves.size(), 1u);
    EXPECT_EQ(tap.failedSaves[0].name, other);
    EXPECT_EQ(StoreTapSave(tap, kChapter, doc), SimOk);
}

} // namespace
#endif
