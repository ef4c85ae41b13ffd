// vellor-host on a book as FrameMaker on Windows saves it (Bills.book of the
// FrameMaker-shaped fixtures): chapters named by drive paths, by a share and
// beside the book, as the .fm files they were, each also saved as MIF. Every
// chapter is found (and said, when found by another name), read and written
// as the same book with plain relative names has them written; a chapter
// found nowhere, or two names that are one file, stop the run with nothing
// written; a share or a drive is never looked for in the book's folder.
// Not on Windows: the program is run as a child through fork and pipes.
#ifndef _WIN32
#include "host_program_run.h"

namespace {

namespace fs = std::filesystem;

const std::string Fixtures = std::string(VELLOR_SOURCE_DIR) + "/tests/hostsim/data/framemaker";
// The sample rules, named so that no run warns that it fell back to them.
const std::string Rules = SamplePath("MasterPage.fm");
const char* const Chapters[] = {"fm9_crlf", "fm10_lf", "fm7_roman", "fm9_japanese", "fm2019_cr"};

// Copies a chapter's MIF file of the fixtures to `folder` (made when missing).
void PutChapter(const std::string& chapter, const std::string& folder, const std::string& as = "") {
    fs::create_directories(folder);
    fs::copy_file(Fixtures + "/" + chapter + ".mif", folder + "/" + (as.empty() ? chapter + ".mif" : as));
}

// The book with every chapter's MIF file beside it, and the binary .fm
// file that FrameMaker left of the one the book names relatively.
void LayFlat(const std::string& folder) {
    fs::copy_file(Fixtures + "/Bills.book", folder + "/Bills.book");
    for (const char* chapter : Chapters) PutChapter(chapter, folder);
    WriteBytes(folder + "/fm2019_cr.fm", std::string("<MakerFile 15.0>\0\x01\x02", 20));
}

// The chapters as apply-book over the same book with relative names
// (Manual.book of the fixtures) writes them.
const std::map<std::string, std::string>& ReferenceChapters() {
    static std::map<std::string, std::string> chapters;
    if (!chapters.empty()) return chapters;
    ScratchFolder scratch;
    for (const char* chapter : Chapters) PutChapter(chapter, scratch.path());
    PutChapter("fm10_equation", scratch.path()); // Manual.book names it too; Bills.book does not
    fs::copy_file(Fixtures + "/Manual.book", scratch / "Manual.book");
    HostResult r = RunHostProgram({"-q", "apply-book", scratch / "Manual.book", "--mapping", Rules});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* chapter : Chapters) chapters[chapter] = ReadBytes(scratch / (std::string(chapter) + ".mif"));
    return chapters;
}

std::vector<std::string> Notes(const std::string& err) {
    std::vector<std::string> notes;
    for (const std::string& line : Lines(err))
        if (line.rfind("note: ", 0) == 0) notes.push_back(line);
    return notes;
}

TEST(HostProgramWindowsBook, ChaptersSavedAsMifBesideTheBookAreFoundAndWrittenAsTheRelativeBookHasThem) {
    ScratchFolder scratch;
    LayFlat(scratch.path());
    const std::string book = scratch / "Bills.book";
    auto found = [&](const std::string& named, const std::string& chapter, const char* how) {
        return "note: Bills.book names " + named + "; using " + scratch / (chapter + ".mif") + how;
    };
    const std::vector<std::string> notes = {
        found("O:\\Bills 09\\Chapters\\fm9_crlf.fm", "fm9_crlf", ", found in the book's folder"),
        found("O:\\Bills 09\\Chapters\\fm10_lf.fm", "fm10_lf", ", found in the book's folder"),
        found("\\\\bills-srv\\docs\\Bills 09\\fm7_roman.fm", "fm7_roman", ", found in the book's folder"),
        found("\\\\bills-srv\\docs\\Bills 09\\fm9_japanese.mif", "fm9_japanese", ", found in the book's folder"),
        found(scratch / "fm2019_cr.fm", "fm2019_cr", ", the MIF file beside it"),
    };
    const auto before = FolderBytes(scratch.path());
    for (const char* command : {"list-book", "check"}) {
        HostResult r = RunHostProgram({command, book});
        EXPECT_LE(r.status, 1) << command << r.err;
        EXPECT_EQ(Notes(r.err), notes) << command;
        EXPECT_NE(r.out.find(command == std::string("check") ? "for 5 documents" : "fm7_roman.fm\n"),
                  std::string::npos) << r.out;
    }
    // The report must not replace a chapter, whatever name the book gives it.
    HostResult report = RunHostProgram({"list-book", book, "--report", scratch / "fm10_lf.mif"});
    EXPECT_EQ(report.status, 2);
    EXPECT_NE(report.err.find("the report would replace it"), std::string::npos) << report.err;
    EXPECT_EQ(FolderBytes(scratch.path()), before);

    HostResult apply = RunHostProgram({"apply-book", book, "--mapping", Rules});
    ASSERT_EQ(apply.status, 0) << apply.err;
    EXPECT_EQ(Notes(apply.err), notes);
    EXPECT_NE(apply.out.find("10 pages changed in 5 of 5 documents"), std::string::npos) << apply.out;
    auto after = FolderBytes(scratch.path());
    for (const char* chapter : Chapters)
        EXPECT_EQ(after.at(std::string(chapter) + ".mif"), ReferenceChapters().at(chapter)) << chapter;
    // The book, the binary .fm file: as they were; no file is new.
    EXPECT_EQ(after.at("Bills.book"), before.at("Bills.book"));
    EXPECT_EQ(after.at("fm2019_cr.fm"), before.at("fm2019_cr.fm"));
    EXPECT_EQ(after.size(), before.size());
    // Nothing left to change: every chapter is written back byte for byte.
    ASSERT_EQ(RunHostProgram({"-q", "apply-book", book, "--mapping", Rules}).status, 0);
    EXPECT_EQ(FolderBytes(scratch.path()), after);
}

TEST(HostProgramWindowsBook, PathMapFindsTheChaptersWhereTheyAreHereInAnySpelling) {
    struct Spelling {
        const char *drive, *share;
    } spellings[] = {{"O:/Bills 09", "//bills-srv/docs"}, {"o:\\BILLS 09\\", "\\\\Bills-Srv\\DOCS\\"}};
    for (const Spelling& s : spellings) {
        SCOPED_TRACE(s.drive);
        ScratchFolder scratch;
        fs::create_directory(scratch / "book");
        fs::copy_file(Fixtures + "/Bills.book", scratch / "book/Bills.book");
        PutChapter("fm9_crlf", scratch / "o/Chapters");
        PutChapter("fm10_lf", scratch / "o/Chapters");
        PutChapter("fm7_roman", scratch / "share/Bills 09");
        PutChapter("fm9_japanese", scratch / "share/Bills 09");
        PutChapter("fm2019_cr", scratch / "book");
        PutChapter("fm10_lf", scratch / "book", "fm9_crlf.mif"); // the book's folder comes last
        const auto before = FolderBytes(scratch.path());
        HostResult r = RunHostProgram({"apply-book", scratch / "book/Bills.book", "--mapping", Rules, "--path-map",
                                       std::string(s.drive) + "=" + scratch / "o", "--path-map",
                                       std::string(s.share) + "=" + scratch / "share"});
        ASSERT_EQ(r.status, 0) << r.err;
        // Found beside the names mapped (fm9_japanese.mif as named: no note).
        EXPECT_EQ(Notes(r.err).size(), 4u) << r.err;
        EXPECT_NE(r.err.find("names O:\\Bills 09\\Chapters\\fm9_crlf.fm; using " + scratch / "o/Chapters/fm9_crlf.mif" +
                             ", the MIF file beside it"),
                  std::string::npos) << r.err;
        std::map<std::string, std::string> after = FolderBytes(scratch.path());
        EXPECT_EQ(after.at("o/Chapters/fm9_crlf.mif"), ReferenceChapters().at("fm9_crlf"));
        EXPECT_EQ(after.at("share/Bills 09/fm9_japanese.mif"), ReferenceChapters().at("fm9_japanese"));
        EXPECT_EQ(after.at("book/fm9_crlf.mif"), before.at("book/fm9_crlf.mif"));
        EXPECT_EQ(after.at("book/Bills.book"), before.at("book/Bills.book"));
    }
}

// Files where a share's or a drive's name would land if it were taken
// relative to the book's folder are never looked at.
TEST(HostProgramWindowsBook, AChapterFoundNowhereStopsTheRunWithItsWindowsNameAndAHint) {
    struct Case {
        const char *removed, *says, *hint;
    } cases[] = {
        {"fm9_crlf.mif", "Bills.book names O:\\Bills 09\\Chapters\\fm9_crlf.fm: no such file here",
         "--path-map \"O:/Bills 09/Chapters=FOLDER\""},
        {"fm7_roman.mif", "Bills.book names \\\\bills-srv\\docs\\Bills 09\\fm7_roman.fm: no such file here",
         "--path-map \"//bills-srv/docs/Bills 09=FOLDER\""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.removed);
        ScratchFolder scratch;
        LayFlat(scratch.path());
        fs::remove(scratch / c.removed);
        PutChapter("fm10_lf", scratch / "Bills 09/Chapters", "fm9_crlf.fm");
        PutChapter("fm10_lf", scratch / "docs/Bills 09", "fm7_roman.fm");
        PutChapter("fm10_lf", scratch / "bills-srv/docs/Bills 09", "fm7_roman.fm");
        const auto before = FolderBytes(scratch.path());
        for (const char* command : {"list-book", "apply-book", "check"}) {
            HostResult r = RunHostProgram({command, scratch / "Bills.book"});
            EXPECT_EQ(r.status, 2) << command;
            EXPECT_NE(r.err.find("error: " + std::string(c.says)), std::string::npos) << r.err;
            EXPECT_NE(r.err.find("hint: "), std::string::npos) << r.err;
            EXPECT_NE(r.err.find(c.hint), std::string::npos) << r.err;
            EXPECT_EQ(r.out, "") << command;
            EXPECT_EQ(FolderBytes(scratch.path()), before) << command;
        }
    }
}

TEST(HostProgramWindowsBook, TwoNamesThatAreOneFileAreRefused) {
    struct Case {
        const char *entry, *says;
    } cases[] = {
        {"<c\\>fm2019_cr.mif", "names both " },
        {"<v\\>O:<c\\>Old<c\\>fm10_lf.fm", "names both O:\\Bills 09\\Chapters\\fm10_lf.fm and O:\\Old\\fm10_lf.fm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.entry);
        ScratchFolder scratch;
        LayFlat(scratch.path());
        std::string book = ReadBytes(scratch / "Bills.book");
        size_t end = book.find("# End of Book");
        WriteBytes(scratch / "Bills.book",
                   book.insert(end, "<BookComponent \r\n <FileName `" + std::string(c.entry) + "'>\r\n>\r\n"));
        const auto before = FolderBytes(scratch.path());
        HostResult r = RunHostProgram({"apply-book", scratch / "Bills.book"});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("which are one file here"), std::string::npos) << r.err;
        EXPECT_EQ(FolderBytes(scratch.path()), before);
    }
}

} // namespace
#endif
