// Getting the document of a book component on the simulated host: an open
// document is used when its name is exactly the component's, otherwise the
// file is opened hidden; a file that cannot be opened gives no document. And
// the last element of a file name, which titles report sections and progress.
#include "tools/book_walk.h"
#include "tools/report.h"

#include "host/call_layer.h"
#include "host/host_interfaces.h"
#include "hostsim/sim_server.h"
#include "support/base/memory.h"

#include <gtest/gtest.h>

namespace {

class BookDocuments : public ::testing::Test {
protected:
    SimServer* server = nullptr;
    ObjId book = 0;
    std::vector<ObjId> components; // client ids in book order

    void SetUp() override {
        server = SimServerCreate();
        ASSERT_EQ(HostAcquireInterfaces(SimServerUnknown(server)), 1);
        BookBuilder builder("Z:\\b\\manual.book");
        builder.doc("Z:\\b\\chapter1.fm").doc("Z:\\b\\chapter2.fm").doc("Z:\\b\\missing.fm");
        book = SimOpenBook(server, builder, true);
        const SimDoc& opened = *SimDocById(server, book);
        for (ObjId local : opened.components) components.push_back(SimToClient(opened, local));
        for (const char* name : {"Z:\\b\\chapter1.fm", "Z:\\b\\chapter2.fm"}) {
            DocBuilder chapter(name);
            chapter.page();
            SimStorePut(server, chapter);
        }
    }
    void TearDown() override {
        HostReleaseInterfaces();
        SimServerRelease(server);
        HostErrorCode = 0;
    }
};

TEST_F(BookDocuments, AnOpenDocumentCountsOnlyUnderItsExactName) {
    DocBuilder upper("Z:\\b\\CHAPTER1.fm");
    upper.page();
    SimOpenBuilt(server, upper, true);
    DocBuilder second("Z:\\b\\chapter2.fm");
    second.page();
    ObjId open = SimOpenBuilt(server, second, true);

    BookDocument one = GetComponentDocument(book, components[0]);
    EXPECT_STREQ(one.fileName, "Z:\\b\\chapter1.fm");
    EXPECT_EQ(one.wasOpen, 0);
    ASSERT_NE(one.document, 0u);
    EXPECT_EQ(SimDocById(server, one.document)->name, "Z:\\b\\chapter1.fm");
    EXPECT_FALSE(SimDocById(server, one.document)->visible);

    BookDocument two = GetComponentDocument(book, components[1]);
    EXPECT_EQ(two.document, open);
    EXPECT_EQ(two.wasOpen, 1);

    BookDocument missing = GetComponentDocument(book, components[2]);
    EXPECT_EQ(missing.document, 0u);
    EXPECT_EQ(missing.wasOpen, 0);
    EXPECT_STREQ(missing.fileName, "Z:\\b\\missing.fm");
    for (BookDocument* entry : {&one, &two, &missing}) MemFree(entry->fileName);
}

TEST(FileLastName, TakesTheNameAfterTheLastSeparator) {
    for (auto [name, last] : {std::pair{"Z:\\b\\manual.book", "manual.book"}, {"chapter1.fm", "chapter1.fm"},
                              {"C:\\docs\\", "docs"}, {"C:ch.fm", "ch.fm"}}) {
        char* got = FileLastName(name);
        EXPECT_STREQ(got, last) << name;
        MemFree(got);
    }
    EXPECT_EQ(FileLastName(nullptr), nullptr);
    EXPECT_EQ(FileLastName(""), nullptr);
}

} // namespace
