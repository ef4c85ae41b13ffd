// vellor-host when files fail it: a damaged MIF file, a missing file,
// writes that fail, a missing mapping document. Each gives its
// message and exit status, and no file changes.
// Not on Windows: the program is run as a child through fork, pipes and
// resource limits; there the sample book is compared with the native run
// instead (cmake/compare_sample_book.cmake).
#ifndef _WIN32
#include "host_program_run.h"

#include <sys/stat.h>

namespace {

class HostProgramErrors : public ::testing::Test {
protected:
    ScratchFolder scratch;
    std::map<std::string, std::string> before;
    void SetUp() override {
        ASSERT_FALSE(scratch.path().empty());
        CopySample(scratch.path());
    }
    void Snapshot() { before = FolderBytes(scratch.path()); }
    void ExpectUnchanged() { EXPECT_EQ(FolderBytes(scratch.path()), before); }
    std::string Book() { return scratch / "Manual.book"; }
};

// Drops the closing quote of the first string holding `text`; returns its line number.
int BreakString(const std::string& path, const std::string& text) {
    std::string bytes = ReadBytes(path);
    size_t at = bytes.find("`" + text + "'");
    if (at == std::string::npos) return 0;
    bytes.erase(at + 1 + text.size(), 1);
    WriteBytes(path, bytes);
    return 1 + static_cast<int>(std::count(bytes.begin(), bytes.begin() + static_cast<long>(at), '\n'));
}

TEST_F(HostProgramErrors, ADamagedChapterStopsTheBookBeforeAnythingIsWritten) {
    int line = BreakString(scratch / "ch3.mif", "Advanced Topics");
    ASSERT_GT(line, 0);
    Snapshot();
    for (const char* command : {"apply-book", "list-book"}) {
        HostResult r = RunHostProgram({command, Book()});
        EXPECT_EQ(r.status, 2) << command;
        EXPECT_NE(r.err.find("ch3.mif:" + std::to_string(line) + ": unterminated string"), std::string::npos)
            << r.err;
        EXPECT_EQ(r.out, "");
        ExpectUnchanged();
    }
    // The same file named directly, among good ones.
    HostResult r = RunHostProgram({"apply", scratch / "ch1.mif", scratch / "ch3.mif"});
    EXPECT_EQ(r.status, 2);
    ExpectUnchanged();
}

// The chapters are checked two at a time, each of a pair on a thread of its
// own: what each holds is still said in the book's order, a warning as
// well as the errors of the chapters after it.
TEST_F(HostProgramErrors, DamagedChaptersAreNamedInTheBooksOrder) {
    std::string ch2 = ReadBytes(scratch / "ch2.mif");
    size_t string = ch2.find("<String `");
    ASSERT_NE(string, std::string::npos);
    ch2.insert(string + 9, "\\n");
    WriteBytes(scratch / "ch2.mif", ch2);
    int line = BreakString(scratch / "ch3.mif", "Advanced Topics");
    ASSERT_GT(line, 0);
    std::string ch4 = ReadBytes(scratch / "ch4.mif");
    ch4.insert(9, "<Comment> ");
    WriteBytes(scratch / "ch4.mif", ch4);
    Snapshot();
    for (const char* command : {"apply-book", "list-book", "check"}) {
        HostResult r = RunHostProgram({command, Book()});
        EXPECT_EQ(r.status, 2) << command;
        size_t warning = r.err.find("warning: ch2.mif:");
        size_t third = r.err.find("error: ch3.mif:" + std::to_string(line) + ": unterminated string");
        size_t fourth = r.err.find("error: ch4.mif:1: not a MIF file (no version)");
        EXPECT_NE(fourth, std::string::npos) << r.err;
        EXPECT_LT(warning, third) << r.err;
        EXPECT_LT(third, fourth) << r.err;
        EXPECT_EQ(r.out, "");
        ExpectUnchanged();
    }
}

// A chapter that parses but says no version (its number stands after a
// nested statement) is refused by the check every file gets first, not
// when the plug-in reaches it after writing the chapters before it.
TEST_F(HostProgramErrors, AChapterWithoutAVersionStopsTheBookBeforeAnythingIsWritten) {
    std::string bytes = ReadBytes(scratch / "ch3.mif");
    size_t version = bytes.find("<MIFFile ");
    ASSERT_EQ(version, 0u);
    bytes.insert(9, "<Comment> ");
    WriteBytes(scratch / "ch3.mif", bytes);
    Snapshot();
    for (const char* command : {"apply-book", "list-book"}) {
        HostResult r = RunHostProgram({command, Book()});
        EXPECT_EQ(r.status, 2) << command;
        EXPECT_NE(r.err.find("ch3.mif:1: not a MIF file (no version)"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("Updating Master Pages"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
        ExpectUnchanged();
    }
}

TEST_F(HostProgramErrors, AMissingFileIsNamedAndNothingIsWritten) {
    std::filesystem::remove(scratch / "ch4.mif");
    Snapshot();
    HostResult book = RunHostProgram({"apply-book", Book()});
    EXPECT_EQ(book.status, 2);
    EXPECT_NE(book.err.find("ch4.mif: no such file"), std::string::npos) << book.err;
    ExpectUnchanged();

    HostResult doc = RunHostProgram({"apply", scratch / "ch1.mif", scratch / "nosuch.mif"});
    EXPECT_EQ(doc.status, 2);
    EXPECT_NE(doc.err.find("nosuch.mif: no such file"), std::string::npos) << doc.err;
    HostResult mapping = RunHostProgram({"--mapping", scratch / "Rules.fm", "apply", scratch / "ch1.mif"});
    EXPECT_EQ(mapping.status, 2);
    EXPECT_NE(mapping.err.find("Rules.fm: no such file"), std::string::npos) << mapping.err;
    ExpectUnchanged();
}

// Writes that fail (a file size limit of 0) fail each save on its own,
// with the system's reason; the run goes on with the next document.
TEST_F(HostProgramErrors, WritesThatFailGiveAWarningPerFile) {
    Snapshot();
    HostRunOptions options;
    options.failWrites = true;
    HostResult r = RunHostProgram({"apply-book", Book()}, options);
    EXPECT_EQ(r.status, 1);
    for (const char* name : {"ch1.mif", "ch2.mif", "ch3.mif", "ch4.mif", "appendix.mif"})
        EXPECT_NE(r.err.find("warning: could not save " + scratch / name + ": File too large; it is as it was"),
                  std::string::npos)
            << name << r.err;
    ExpectUnchanged();
    // No temporary file was left behind either.
    EXPECT_EQ(FolderBytes(scratch.path()).size(), before.size());
}

TEST_F(HostProgramErrors, WithoutAMappingDocumentThePluginWarnsAndNothingChanges) {
    // A host directory with the converters but no MasterPage.fm, and none
    // beside the chapter either.
    ScratchFolder hostDir;
    std::filesystem::create_directory_symlink(std::string(VELLOR_BINARY_DIR) + "/hostdir/icu_data",
                                              hostDir / "icu_data");
    std::filesystem::rename(scratch / "MasterPage.fm", scratch / "Rules.fm");
    Snapshot();
    HostResult r = RunHostProgram({"--host-dir", hostDir.path(), "apply", scratch / "ch1.mif"});
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("warning: Could not open the MasterPage.fm document."), std::string::npos) << r.err;
    ExpectUnchanged();

    // The mapping document opened on screen from elsewhere does the job.
    HostResult found = RunHostProgram(
        {"--host-dir", hostDir.path(), "--mapping", scratch / "Rules.fm", "apply", scratch / "ch1.mif"});
    EXPECT_EQ(found.status, 0) << found.err;
    EXPECT_NE(found.out.find("ch1.mif: 4 pages changed of 4"), std::string::npos) << found.out;
}

// Without its converters the plug-in cannot give the host a chapter's name,
// so a run in which it saves a book's documents is refused before it starts,
// saying what to do; a run in which the program saves works as ever.
TEST_F(HostProgramErrors, AHostFolderWithoutConvertersIsRefusedForABookBeforeAnythingRuns) {
    ScratchFolder hostDir;
    std::filesystem::copy_file(SamplePath("MasterPage.fm"), hostDir / "MasterPage.fm");
    Snapshot();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--host-dir", hostDir.path(), "apply-book", Book()},
          std::vector<std::string>{"--host-dir", hostDir.path(), "send", "SetBookId {1}", "ApplyMasterPagesBook",
                                   "--open", Book()}}) {
        HostResult r = RunHostProgram(args);
        EXPECT_EQ(r.status, 2) << args[2];
        EXPECT_EQ(r.err, "error: the host folder " + hostDir.path() +
                             " has no converters (icu_data), which the plug-in needs to save a book's documents; "
                             "copy icu_data into it from " + std::string(VELLOR_BINARY_DIR) +
                             "/hostdir, or leave --host-dir out\n");
        EXPECT_EQ(r.out, "");
        ExpectUnchanged();
    }
    EXPECT_EQ(FolderBytes(hostDir.path()).size(), 1u) << "nothing was written in the host folder either";

    HostResult one = RunHostProgram({"--host-dir", hostDir.path(), "apply", scratch / "ch1.mif"});
    EXPECT_EQ(one.status, 0) << one.err;
    EXPECT_NE(one.out.find("ch1.mif: 4 pages changed of 4"), std::string::npos) << one.out;
}

} // namespace
#endif
