// "Apply Master Pages" on a book (command 3): every document of the book, in
// book order, gets the document pass and is saved under its own name; the
// documents the command opened are closed again, those open before stay.
#include "tool_scenario.h"

namespace {

using Names = std::vector<std::string>;

class Books : public ToolScenario {
protected:
    ObjId bookId = 0;

    void SetUp() override {
        ToolScenario::SetUp();
        InitializeTools(HostInitializeFirst);
    }
    // A chapter whose one page the ChapterTitle row decides: ChapterRight.
    DocBuilder Titled(const char* name) {
        DocBuilder chapter = Chapter(name);
        chapter.page().para("ChapterTitle", name);
        return chapter;
    }
    void StoreChapters(std::initializer_list<const char*> names) {
        for (const char* name : names) SimStorePut(server, Titled(name));
    }
    void Run(const BookBuilder& book) {
        bookId = SimOpenBook(server, book, true);
        Choose("ApplyMasterPagesBookTarn");
    }
    Names StatusTexts() {
        Names texts;
        for (const SimStatusLine& line : Control().statusLines) {
            EXPECT_EQ(line.book, bookId);
            texts.push_back(line.text);
        }
        return texts;
    }
    // The master pages of a saved file's body pages.
    Names SavedMasters(const char* name) {
        Names masters;
        const SimDoc* saved = SimStoredFile(server, name);
        if (saved)
            for (ObjId page : saved->bodyPages) masters.push_back(SimPageMasterName(*saved, page));
        return masters;
    }
    int Saves(const char* name) {
        auto& saves = SimServerMemory(server).saves;
        return saves.count(name) ? saves.at(name) : 0;
    }
};

TEST_F(Books, DocumentsAreProcessedDepthFirstInBookOrderSavedAndClosed) {
    SimStorePut(server, MappingDocument(HostFile("MasterPage.fm")));
    StoreChapters({"Z:\\b\\chapter1.fm", "Z:\\b\\chapter2.fm", "Z:\\b\\chapter3.fm", "Z:\\b\\chapter4.fm",
                   "Z:\\b\\hidden.fm"});
    BookBuilder book("Z:\\b\\manual.book");
    book.folder("Part One").doc("Z:\\b\\chapter1.fm").group("Group").doc("Z:\\b\\chapter2.fm").end().end()
        .folder("Empty").end()
        .component(8, "Z:\\b\\other", true).doc("Z:\\b\\hidden.fm").end()
        .doc("Z:\\b\\chapter3.fm")
        .component(4, "Z:\\b\\notes.fm")
        .group("Tail").doc("Z:\\b\\chapter4.fm");
    Run(book);

    EXPECT_EQ(StatusTexts(), (Names{"Updating Master Pages: chapter1.fm", "Updating Master Pages: chapter2.fm",
                                    "Updating Master Pages: chapter3.fm", "Updating Master Pages: chapter4.fm", ""}));
    for (const char* name : {"Z:\\b\\chapter1.fm", "Z:\\b\\chapter2.fm", "Z:\\b\\chapter3.fm", "Z:\\b\\chapter4.fm"}) {
        EXPECT_EQ(Saves(name), 1) << name;
        EXPECT_EQ(SavedMasters(name), (Names{"ChapterRight"})) << name;
        EXPECT_FALSE(IsOpen(name)) << name;
    }
    // Another type of component is passed over with what it holds.
    EXPECT_EQ(Saves("Z:\\b\\hidden.fm"), 0);
    EXPECT_EQ(Saves("Z:\\b\\notes.fm"), 0);
    // The mapping document was opened hidden for each pass and closed again.
    EXPECT_FALSE(IsOpen(HostFile("MasterPage.fm")));
    EXPECT_TRUE(Session().documents.empty());
    EXPECT_TRUE(AlertTexts().empty());
}

TEST_F(Books, AnOpenDocumentIsProcessedInPlaceSavedAndLeftOpen) {
    SimOpenBuilt(server, MappingDocument(HostFile("MasterPage.fm")), true);
    StoreChapters({"Z:\\b\\chapter2.fm"});
    DocBuilder first = Titled("Z:\\b\\chapter1.fm");
    SimStorePut(server, first); // the file as it was before the user's changes
    ObjId open = SimOpenBuilt(server, first, true);
    Doc(open)->modified = true;
    BookBuilder book("Z:\\b\\manual.book");
    book.doc("Z:\\b\\chapter1.fm").doc("Z:\\b\\chapter2.fm");
    uint64_t opens = Calls(MethodOpen);
    Run(book);

    // Only chapter2 had to be opened; the shown mapping document was used as it was.
    EXPECT_EQ(Calls(MethodOpen) - opens, 1u);
    ASSERT_NE(Doc(open), nullptr);
    EXPECT_TRUE(Doc(open)->visible);
    EXPECT_FALSE(Doc(open)->modified);
    EXPECT_EQ(Masters(open), (Names{"ChapterRight"}));
    EXPECT_EQ(SavedMasters("Z:\\b\\chapter1.fm"), (Names{"ChapterRight"}));
    EXPECT_FALSE(IsOpen("Z:\\b\\chapter2.fm"));
    EXPECT_TRUE(IsOpen(HostFile("MasterPage.fm")));
}

TEST_F(Books, AComponentWhoseFileIsMissingIsNeitherPassedNorSavedNorClosed) {
    // A shown mapping document stays open, so every close counted is a component's.
    SimOpenBuilt(server, MappingDocument(HostFile("MasterPage.fm")), true);
    StoreChapters({"Z:\\b\\chapter2.fm"});
    BookBuilder book("Z:\\b\\manual.book");
    book.doc("Z:\\b\\missing.fm").doc("Z:\\b\\chapter2.fm");
    Run(book);

    EXPECT_EQ(StatusTexts(), (Names{"Updating Master Pages: missing.fm", "Updating Master Pages: chapter2.fm", ""}));
    EXPECT_EQ(Calls(33), 1u); // the save of chapter2 alone
    EXPECT_EQ(Calls(MethodClose), 1u);
    EXPECT_EQ(Calls(MethodRedisplay), 1u); // one pass
    EXPECT_EQ(SimStoredFile(server, "Z:\\b\\missing.fm"), nullptr);
    EXPECT_EQ(Saves("Z:\\b\\chapter2.fm"), 1);
    EXPECT_TRUE(AlertTexts().empty());
}

} // namespace
