// vellor-host insert-marker and remove-marker on copies of the sample: the
// page named by its number as the document prints it or by its place, a
// marker already on the page not inserted twice, and a marker deleted as a
// user deletes it, which the next pass then no longer sees.
// Not on Windows: the program is run as a child through fork and pipes.
#ifndef _WIN32
#include "host_program_run.h"

namespace {

class HostProgramMarkers : public ::testing::Test {
protected:
    ScratchFolder scratch;
    void SetUp() override {
        ASSERT_FALSE(scratch.path().empty());
        CopySample(scratch.path());
    }
};

TEST_F(HostProgramMarkers, ThePageIsNamedByItsPrintedNumberOrByItsPlace) {
    // ch4.mif is numbered from 14, appendix.mif.
    struct Case {
        const char* doc;
        const char* option;
        const char* value;
        std::string says; // the note, or the error
    } cases[] = {
        {"ch4.mif", "--page", "15", "note: inserted a MasterPage marker \"Notes\" on page 15 of ch4.mif"},
        {"ch4.mif", "--position", "2", "note: inserted a MasterPage marker \"Notes\" on page 15 of ch4.mif"},
        {"appendix.mif", "--page", "A-3", "note: inserted a MasterPage marker \"Notes\" on page A-3 of appendix.mif"},
        {"appendix.mif", "--position", "3", "note: inserted a MasterPage marker \"Notes\" on page A-3 of appendix.mif"},
        {"ch4.mif", "--page", "2",
         "error: ch4.mif has no page numbered 2 (its 4 body pages are numbered 14 to 17; --position N names a page "
         "by its place)"},
        {"appendix.mif", "--position", "6", "error: appendix.mif has 5 body pages; --position 6 is none of them"},
        {"appendix.mif", "--position", "A-1", "error: appendix.mif has 5 body pages; --position A-1 is none of them"},
    };
    for (const Case& c : cases) {
        std::string file = scratch / c.doc;
        std::string before = ReadBytes(file);
        HostResult r = RunHostProgram({"insert-marker", file, c.option, c.value, "--category", "Notes"});
        bool inserted = c.says.rfind("note:", 0) == 0;
        EXPECT_EQ(r.status, inserted ? 0 : 2) << c.says << "\n" << r.err;
        EXPECT_EQ(r.err, c.says + "\n");
        EXPECT_EQ(r.out, inserted ? "Saved " + file + "\n" : "");
        EXPECT_EQ(ReadBytes(file) != before, inserted) << c.says;
        WriteBytes(file, before);
    }
}

TEST_F(HostProgramMarkers, AMarkerAlreadyOnThePageIsNotInsertedAgain) {
    std::string file = scratch / "appendix.mif";
    std::string before = ReadBytes(file);
    // Page A-2 has its "Appendix" marker from the start.
    HostResult r = RunHostProgram({"insert-marker", file, "--page", "A-2", "--category", "Appendix"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "note: page A-2 of appendix.mif already has a MasterPage marker \"Appendix\"; nothing was "
                     "inserted\n");
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadBytes(file), before);
    // Another text goes in once; the second time changes nothing.
    ASSERT_EQ(RunHostProgram({"insert-marker", file, "--page", "A-2", "--category", "Notes"}).status, 0);
    std::string once = ReadBytes(file);
    EXPECT_NE(once, before);
    HostResult again = RunHostProgram({"insert-marker", file, "--page", "A-2", "--category", "Notes"});
    EXPECT_EQ(again.status, 0);
    EXPECT_NE(again.err.find("already has a MasterPage marker \"Notes\""), std::string::npos) << again.err;
    EXPECT_EQ(ReadBytes(file), once);
}

TEST_F(HostProgramMarkers, RemoveMarkerDeletesOneAsAUserWouldAndTheNextPassNoLongerSeesIt) {
    std::string file = scratch / "appendix.mif";
    std::string before = ReadBytes(file);
    HostResult dry = RunHostProgram({"--dry-run", "apply", file});
    EXPECT_NE(dry.out.find("appendix.mif  A-2   Left    AppendixLeft"), std::string::npos) << dry.out;

    HostResult r = RunHostProgram({"remove-marker", file, "--page", "A-2", "--category", "Appendix"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "note: removed the MasterPage marker \"Appendix\" from page A-2 of appendix.mif\n");
    EXPECT_EQ(r.out, "Saved " + file + "\n");
    // Only the marker left its line: what stood after it is as it was.
    std::string marker = "<Marker <MTypeName `MasterPage'> <MText `Appendix'>> ";
    std::string expected = before;
    expected.erase(expected.find(marker, expected.find("<TextRectID 52>")), marker.size());
    EXPECT_EQ(ReadBytes(file), expected);
    HostResult after = RunHostProgram({"--dry-run", "apply", file});
    EXPECT_EQ(after.out.find("AppendixLeft"), std::string::npos) << after.out;

    // A page without such a marker is an error, and nothing is written.
    struct Missing {
        const char* doc;
        const char* page;
        const char* category;
        std::string says;
    } missing[] = {
        {"appendix.mif", "A-2", "Appendix",
         "error: page A-2 of appendix.mif has no MasterPage marker \"Appendix\"; nothing was removed\n"},
        {"appendix.mif", "A-1", "Notes",
         "error: page A-1 of appendix.mif has no MasterPage marker \"Notes\" (its MasterPage markers: "
         "\"Appendix\"); nothing was removed\n"},
        // An Index marker of that text does not count.
        {"ch3.mif", "11", "FullPage", "error: page 11 of ch3.mif has no MasterPage marker \"FullPage\"; nothing was "
                                      "removed\n"},
    };
    for (const Missing& m : missing) {
        std::string bytes = ReadBytes(scratch / m.doc);
        HostResult none = RunHostProgram({"remove-marker", scratch / m.doc, "--page", m.page, "--category", m.category});
        EXPECT_EQ(none.status, 2);
        EXPECT_EQ(none.err, m.says);
        EXPECT_EQ(ReadBytes(scratch / m.doc), bytes);
    }

    // Inserting it again, where it stood, gives back the file as it was.
    ASSERT_EQ(RunHostProgram({"insert-marker", file, "--page", "A-2", "--category", "Appendix"}).status, 0);
    EXPECT_EQ(ReadBytes(file), before);
}

TEST_F(HostProgramMarkers, AMarkerTextFrameRomanLacksCanStillBeRemoved) {
    // A document may carry a marker the plug-in could not have typed.
    std::string file = scratch / "appendix.mif";
    std::string bytes = ReadBytes(file);
    size_t text = bytes.find("<MText `Appendix'>", bytes.find("<TextRectID 52>"));
    ASSERT_NE(text, std::string::npos);
    bytes.replace(text, 18, "<MText `付録'>");
    WriteBytes(file, bytes);
    EXPECT_EQ(RunHostProgram({"insert-marker", file, "--page", "A-3", "--category", "付録"}).status, 2);
    HostResult r = RunHostProgram({"remove-marker", file, "--page", "A-2", "--category", "付録"});
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(file).find("付録"), std::string::npos);
}

} // namespace
#endif
