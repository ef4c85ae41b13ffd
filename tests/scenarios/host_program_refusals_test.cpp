// vellor-host refuses, before anything runs, what would make it write a file
// it was not asked to write: a chapter whose name the plug-in's encoding
// cannot carry (the plug-in would open and save another name), and a report
// that names one of the run's own inputs, directly or through a link.
#ifndef _WIN32
#include "host_program_run.h"

namespace {

void Rename(const std::string& folder, const std::string& from, const std::string& to) {
    std::filesystem::rename(folder + "/" + from, folder + "/" + to);
    std::string book = ReadBytes(folder + "/Manual.book");
    std::string entry = "<c>" + from + "'";
    size_t at = book.find(entry);
    ASSERT_NE(at, std::string::npos);
    WriteBytes(folder + "/Manual.book", book.replace(at, entry.size(), "<c>" + to + "'"));
}

TEST(HostProgramRefusals, AChapterNameFrameRomanCannotCarryStopsTheRunWithNothingWritten) {
    ScratchFolder scratch;
    CopySample(scratch.path());
    Rename(scratch.path(), "ch2.mif", "日本.mif");
    const auto before = FolderBytes(scratch.path());
    for (const char* command : {"apply-book", "list-book"}) {
        HostResult r = RunHostProgram({command, scratch / "Manual.book"});
        EXPECT_EQ(r.status, 2) << command << r.err;
        EXPECT_NE(r.err.find(scratch / "日本.mif"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find("日 (U+65E5), 本 (U+672C)"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << command;
        EXPECT_EQ(FolderBytes(scratch.path()), before) << command;
    }
    // Characters FrameRoman has are carried.
    Rename(scratch.path(), "日本.mif", "Übersicht.mif");
    HostResult r = RunHostProgram({"apply-book", scratch / "Manual.book"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("Übersicht.mif"), std::string::npos) << r.out;
}

TEST(HostProgramRefusals, AReportNamingAnInputIsRefused) {
    ScratchFolder scratch;
    CopySample(scratch.path());
    std::filesystem::create_symlink(scratch / "ch3.mif", scratch / "link.mif");
    const auto before = FolderBytes(scratch.path());
    struct Case {
        std::vector<std::string> args;
        std::string report;
    } cases[] = {
        {{"list-book", scratch / "Manual.book"}, "Manual.book"},
        {{"list-book", scratch / "Manual.book"}, "ch1.mif"},
        {{"list-book", scratch / "Manual.book"}, "link.mif"},
        {{"list", scratch / "ch4.mif"}, "ch4.mif"},
        {{"list", scratch / "ch4.mif", "--mapping", scratch / "MasterPage.fm"}, "MasterPage.fm"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"--report", scratch / c.report});
        HostResult r = RunHostProgram(args);
        EXPECT_EQ(r.status, 2) << c.report << r.err;
        EXPECT_NE(r.err.find("the report would replace it"), std::string::npos) << r.err;
        EXPECT_EQ(FolderBytes(scratch.path()), before) << c.report;
    }
}

TEST(HostProgramRefusals, ABookIsNeverWrittenSoAReadOnlyBookRuns) {
    ScratchFolder scratch;
    CopySample(scratch.path());
    WriteBytes(scratch / "Empty.book", "<Book 2015>\n# End of Book\n");
    for (const char* book : {"Manual.book", "Empty.book"}) {
        std::filesystem::permissions(scratch / book, std::filesystem::perms::owner_read);
        HostResult r = RunHostProgram({"-q", "apply-book", scratch / book});
        EXPECT_EQ(r.status, 0) << book << r.err;
    }
}

} // namespace
#endif
