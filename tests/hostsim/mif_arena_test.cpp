// The memory of read trees: statements taken out of a tree, copies of it and
// trees the host builds stay good however long they outlive the tree read
// (while the file's bytes, which their texts are views of, are kept), and
// the reads after it.
#include "hostsim/mif/mif_arena.h"
#include "hostsim/mif/mif_reader.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// A file of many statements with data, so that its tree takes many chunks.
std::string Chapter(const std::string& word, int paragraphs) {
    std::string text = "<MIFFile 2015>\n<TextFlow\n";
    for (int i = 0; i < paragraphs; ++i)
        text += " <Para <PgfTag `" + word + "'> <ParaLine <String `" + word + " " + std::to_string(i) + "'>>>\n";
    return text + ">\n";
}

MifFile Read(const std::string& text) {
    MifFile f;
    std::string error;
    EXPECT_TRUE(MifParse(text.data(), text.size(), "c.mif", &f, &error)) << error;
    return f;
}

// What a paragraph of Chapter says: its tag and its text.
std::string Said(const MifNode& para) {
    return para.children.at(0).args.at(0).text.str() + "|" + para.children.at(1).children.at(0).args.at(0).text.str();
}

} // namespace

// Statements moved out of a tree, and copies of it, keep their data when the
// tree is gone and other files are read into the memory it had.
TEST(MifArena, StatementsOutliveTheTreeTheyWereReadIn) {
    std::shared_ptr<const std::string> bytes; // what the texts read are views of
    MifNode moved, copied;
    MifNodes someParagraphs;
    {
        MifFile first = Read(Chapter("first", 3000));
        bytes = first.source;
        MifNodes& flow = first.statements.at(1).children;
        moved = std::move(flow.at(10));
        copied = flow.at(20);
        someParagraphs.assign(flow.begin() + 100, flow.begin() + 105);
        someParagraphs.push_back(std::move(flow.at(2999)));
    }
    for (int i = 0; i < 3; ++i) {
        MifFile other = Read(Chapter("other", 3000));
        EXPECT_EQ(Said(other.statements.at(1).children.at(5)), "other|other 5");
        EXPECT_EQ(Said(moved), "first|first 10");
        EXPECT_EQ(Said(copied), "first|first 20");
        EXPECT_EQ(Said(someParagraphs.at(0)), "first|first 100");
        EXPECT_EQ(Said(someParagraphs.at(5)), "first|first 2999");
    }
    // Changing what was read changes nothing else.
    moved.children.at(1).children.push_back(MifStatement("Char", MifKeywordAtom("Tab")));
    moved.children.at(0).args.at(0).text = "changed";
    EXPECT_EQ(Said(moved), "changed|first 10");
    EXPECT_EQ(moved.children.at(1).children.size(), 2u);
}

// Trees read in turn, each kept while the next is read (as a book's chapters
// are), and statements the host builds in between, do not share memory.
TEST(MifArena, TreesReadInTurnKeepTheirOwnData) {
    std::vector<MifFile> files;
    std::vector<MifNode> built;
    for (int i = 0; i < 6; ++i) {
        files.push_back(Read(Chapter("c" + std::to_string(i), 500 + 300 * i)));
        MifNode para = MifStatement("Para");
        para.children.push_back(MifStatement("PgfTag", MifStringAtom("built" + std::to_string(i))));
        para.children.push_back(MifStatement("ParaLine"));
        para.children.back().children.push_back(MifStatement("String", MifStringAtom("text")));
        built.push_back(std::move(para));
        if (i % 2) files.erase(files.begin()); // one tree gone, the next read into its memory
    }
    for (const MifFile& f : files) {
        const MifNodes& flow = f.statements.at(1).children;
        std::string word = flow.at(0).children.at(0).args.at(0).text.str();
        for (size_t k = 0; k < flow.size(); k += 97)
            EXPECT_EQ(Said(flow[k]), word + "|" + word + " " + std::to_string(k));
    }
    for (int i = 0; i < 6; ++i) EXPECT_EQ(Said(built[(size_t)i]), "built" + std::to_string(i) + "|text");
}

// A thread that reads files gives back, when it ends, the memory it kept for
// further reads (the sanitizer build's leak check sees any it did not), and
// a tree read there and moved out keeps its data.
TEST(MifArena, AThreadThatReadsGivesItsMemoryBackWhenItEnds) {
    MifFile kept;
    std::thread reader([&kept] {
        for (int i = 0; i < 3; ++i) Read(Chapter("thread", 2000));
        kept = Read(Chapter("kept", 10));
    });
    reader.join();
    EXPECT_EQ(Said(kept.statements.at(1).children.at(9)), "kept|kept 9");
}

// A long file's tree gives its memory back to the system when it is freed,
// but for a little kept for the next read; a second read of it takes no
// more than the first.
TEST(MifArena, ALongTreeGivesItsMemoryBack) {
    const std::string text = Chapter("long", 100000);
    size_t before = MifArenaBytesHeld(), during = 0;
    for (int i = 0; i < 2; ++i) {
        MifFile f = Read(text);
        size_t now = MifArenaBytesHeld();
        EXPECT_GT(now, before + text.size());
        if (i) {
            EXPECT_LE(now, during);
        }
        during = now;
    }
    EXPECT_LE(MifArenaBytesHeld(), before + (6u << 20));
}

// The paragraphs of a flow too long to copy keep the reader's own memory;
// the statements before the flow stay as they were.
TEST(MifArena, AFlowOfManyParagraphsKeepsThemAndWhatCameBefore) {
    MifFile f = Read(Chapter("many", 70000));
    ASSERT_EQ(f.statements.size(), 2u);
    EXPECT_EQ(f.statements[0].token, "MIFFile");
    EXPECT_EQ(f.version, "2015");
    const MifNodes& paras = f.statements[1].children;
    ASSERT_EQ(paras.size(), 70000u);
    EXPECT_EQ(Said(paras.front()), "many|many 0");
    EXPECT_EQ(Said(paras.back()), "many|many 69999");
}
