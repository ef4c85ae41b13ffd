// The sample files and files in FrameMaker's own shapes through the host:
// read into the host's objects and written back unchanged, each comes back
// byte for byte; apply-book changes only the lines of the <PageBackground>s
// it changed, insert-marker only the marker's lines and the catalog entry;
// and a second apply-book, which has nothing left to change, rewrites the
// chapters byte for byte. Binary FrameMaker files are refused with what to do.
// Not on Windows: the program is run as a child through fork, pipes and
// resource limits; there the sample book is compared with the native run
// instead (cmake/compare_sample_book.cmake).
#ifndef _WIN32
#include "host_program_run.h"

#include "hostsim/mif/mif_document.h"
#include "hostsim/mif/mif_reader.h"

#include <set>

namespace {

const char* const FrameMakerChapters[] = {"fm9_crlf.mif",     "fm10_lf.mif",      "fm10_equation.mif",
                                          "fm7_roman.mif",    "fm9_japanese.mif", "fm2019_cr.mif"};

// Copies the fixtures in FrameMaker's shapes (a book and its chapters).
void CopyFrameMakerBook(const std::string& folder) {
    std::string from = std::string(VELLOR_SOURCE_DIR) + "/tests/hostsim/data/framemaker";
    for (const auto& entry : std::filesystem::directory_iterator(from))
        std::filesystem::copy_file(entry.path(), folder + "/" + entry.path().filename().string());
}

// Lines by any line end (CR LF, LF or CR), each with its end.
std::vector<std::string> RawLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        lines.push_back(text.substr(start, i + 1 - start));
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// What a line diff shows: the lines of `before` taken out and those of
// `after` put in, around their longest common run of lines.
struct LineDiff {
    std::vector<std::string> removed, added;
};
LineDiff Diff(const std::string& before, const std::string& after) {
    std::vector<std::string> a = RawLines(before), b = RawLines(after);
    std::vector<std::vector<int>> common(a.size() + 1, std::vector<int>(b.size() + 1, 0));
    for (size_t i = a.size(); i-- > 0;)
        for (size_t j = b.size(); j-- > 0;)
            common[i][j] = a[i] == b[j] ? common[i + 1][j + 1] + 1 : std::max(common[i + 1][j], common[i][j + 1]);
    LineDiff d;
    size_t i = 0, j = 0;
    while (i < a.size() || j < b.size()) {
        if (i < a.size() && j < b.size() && a[i] == b[j]) {
            ++i, ++j;
        } else if (j < b.size() && (i == a.size() || common[i][j + 1] >= common[i + 1][j])) {
            d.added.push_back(b[j++]);
        } else {
            d.removed.push_back(a[i++]);
        }
    }
    return d;
}

MifFile Tree(const std::string& path) {
    MifFile file;
    std::string error;
    EXPECT_TRUE(MifReadFile(path, &file, &error)) << error;
    return file;
}

TEST(HostProgramRoundTrip, EverySampleFileWrittenBackUnchangedGivesTheSameTree) {
    ScratchFolder scratch;
    CopySample(scratch.path());
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(scratch.path())) {
        std::string path = entry.path().string();
        std::string name = "Z:" + path; // the host's name for it
        std::replace(name.begin(), name.end(), '/', '\\');
        SimDoc doc;
        std::string error;
        ASSERT_TRUE(MifLoadDoc(path, name, &doc, &error)) << error;
        std::string copy = path + ".again";
        ASSERT_TRUE(MifSaveDoc(doc, copy, name, &error)) << error;
        EXPECT_TRUE(MifSameFile(Tree(path), Tree(copy))) << path;
        std::filesystem::remove(copy);
        ++files;
    }
    EXPECT_EQ(files, 8); // six chapters, the book and the mapping document
}

TEST(HostProgramRoundTrip, EveryFileReadAndWrittenBackUnchangedComesBackByteForByte) {
    ScratchFolder scratch;
    CopySample(scratch.path());
    std::filesystem::create_directory(scratch / "fm");
    CopyFrameMakerBook(scratch / "fm");
    int files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(scratch.path())) {
        if (!entry.is_regular_file()) continue;
        std::string path = entry.path().string();
        std::string name = "Z:" + path;
        std::replace(name.begin(), name.end(), '/', '\\');
        SimDoc doc;
        std::string error;
        ASSERT_TRUE(MifLoadDoc(path, name, &doc, &error)) << error;
        std::string copy = path + ".again";
        ASSERT_TRUE(MifSaveDoc(doc, copy, name, &error)) << error;
        EXPECT_EQ(ReadBytes(copy), ReadBytes(path)) << path;
        std::filesystem::remove(copy);
        ++files;
    }
    EXPECT_EQ(files, 16); // the sample book, its chapters and mapping document; eight FrameMaker files
}

TEST(HostProgramRoundTrip, ApplyBookChangesOnlyThePageBackgroundLines) {
    ScratchFolder scratch;
    CopyFrameMakerBook(scratch.path());
    const auto before = FolderBytes(scratch.path());
    HostResult r = RunHostProgram({"--mapping", SamplePath("MasterPage.fm"), "apply-book", scratch / "Manual.book"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(r.out.find("12 pages changed in 6 of 6 documents"), std::string::npos) << r.out;
    EXPECT_EQ(ReadBytes(scratch / "Manual.book"), before.at("Manual.book"));
    for (const char* chapter : FrameMakerChapters) {
        SCOPED_TRACE(chapter);
        std::string after = ReadBytes(scratch / chapter);
        LineDiff d = Diff(before.at(chapter), after);
        // Two pages changed in each: their <PageBackground> lines and nothing
        // else, with the file's own indent and line ends.
        std::string eol = RawLines(before.at(chapter))[0].back() == '\r' ? "\r" : "\n";
        if (before.at(chapter).find("\r\n") != std::string::npos) eol = "\r\n";
        EXPECT_EQ(d.removed, (std::vector<std::string>{" <PageBackground `Default'>" + eol,
                                                       " <PageBackground `Right'>" + eol}));
        EXPECT_EQ(d.added, (std::vector<std::string>{" <PageBackground `ChapterRight'>" + eol,
                                                     " <PageBackground `Default'>" + eol}));
        EXPECT_EQ(after.size(), before.at(chapter).size() + 7); // "ChapterRight", "Default"
    }
    // Nothing left to change: the second pass writes every byte back as it was.
    const auto once = FolderBytes(scratch.path());
    ASSERT_EQ(RunHostProgram({"-q", "--mapping", SamplePath("MasterPage.fm"), "apply-book", scratch / "Manual.book"}).status,
              0);
    EXPECT_EQ(FolderBytes(scratch.path()), once);
}

TEST(HostProgramRoundTrip, InsertMarkerAddsOnlyTheMarkerAndItsCatalogEntry) {
    ScratchFolder scratch;
    CopyFrameMakerBook(scratch.path());
    for (const char* chapter : {"fm9_crlf.mif", "fm7_roman.mif", "fm10_lf.mif"}) {
        SCOPED_TRACE(chapter);
        std::string before = ReadBytes(scratch / chapter);
        HostResult r = RunHostProgram({"insert-marker", scratch / chapter, "--page", "2", "--category", "Appendix"});
        ASSERT_EQ(r.status, 0) << r.err;
        std::string after = ReadBytes(scratch / chapter);
        LineDiff d = Diff(before, after);
        std::string eol = before.find("\r\n") != std::string::npos ? "\r\n" : "\n";
        EXPECT_TRUE(d.removed.empty()) << d.removed.front();
        // The catalog gains the type; the marker stands first in page 2's
        // first paragraph, after its TextRectID and before the frame anchor
        // at offset 0, in the file's style.
        EXPECT_EQ(d.added, (std::vector<std::string>{" <MTypeName `MasterPage'>" + eol, "   <Marker" + eol,
                                                     "    <MTypeName `MasterPage'>" + eol,
                                                     "    <MText `Appendix'>" + eol, "   > # end of Marker" + eol}));
        EXPECT_NE(after.find("<TextRectID 12>" + eol + "   <Marker" + eol), std::string::npos);
        EXPECT_LT(after.find("<MText `Appendix'>"), after.find("<AFrame 31>"));
    }
}

TEST(HostProgramRoundTrip, InsertMarkerMovesTheAnchorsAfterItOnByOnePosition) {
    // A first paragraph that starts with what takes no position (its
    // TextRectID, a font and a condition change), then holds every kind of
    // inline statement; the three markers stand at positions 3, 13 and 16.
    const std::string chapter =
        "<MIFFile 9.00> # Generated by FrameMaker 9.0p255\n<Units Uin>\n"
        "<VariableFormats \n <VariableFormat \n  <VariableName `V'>\n  <VariableDef `Vee'>\n"
        " > # end of VariableFormat\n> # end of VariableFormats\n"
        "<MarkerTypeCatalog \n <MTypeName `Note'>\n> # end of MarkerTypeCatalog\n"
        "<Tbls \n <Tbl \n  <TblID 7>\n  <TblBody \n   <Row \n    <Cell \n     <CellContent \n      <Para \n"
        "       <PgfTag `Body'>\n       <ParaLine \n        <String `cell'>\n       > # end of ParaLine\n"
        "      > # end of Para\n     > # end of CellContent\n    > # end of Cell\n   > # end of Row\n"
        "  > # end of TblBody\n > # end of Tbl\n> # end of Tbls\n"
        "<Page \n <PageType BodyPage>\n <TextRect \n  <ID 1>\n > # end of TextRect\n> # end of Page\n"
        "<TextFlow \n <TFTag `A'>\n <Para \n  <PgfTag `Body'>\n  <ParaLine \n   <TextRectID 1>\n"
        "   <Font \n    <FTag `Emphasis'>\n   > # end of Font\n"
        "   <Conditional \n    <InCondition `Comment'>\n   > # end of Conditional\n   <Unconditional >\n"
        "   <String `ab'>\n   <Char Tab>\n   <Marker \n    <MTypeName `Note'>\n    <MText `one'>\n"
        "   > # end of Marker\n   <ATbl 7>\n   <AFrame 3>\n   <String `cd'>\n   <FNote 4>\n"
        "   <Variable \n    <VariableName `V'>\n   > # end of Variable\n"
        "   <XRef \n    <XRefName `Page'>\n   > # end of XRef\n   <String `x'>\n   <XRefEnd >\n"
        "   <Marker \n    <MTypeName `Note'>\n    <MText `two'>\n   > # end of Marker\n"
        "   <TextInset \n    <TiSrcFile `t.txt'>\n   > # end of TextInset\n   <String `in'>\n   <TextInsetEnd >\n"
        "   <Marker \n    <MTypeName `Note'>\n    <MText `three'>\n   > # end of Marker\n"
        "  > # end of ParaLine\n > # end of Para\n> # end of TextFlow\n# End of MIFFile\n";
    ScratchFolder scratch;
    WriteBytes(scratch / "inline.mif", chapter);
    HostResult r = RunHostProgram({"insert-marker", scratch / "inline.mif", "--page", "1", "--category", "Appendix"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::string after = ReadBytes(scratch / "inline.mif");
    LineDiff d = Diff(chapter, after);
    EXPECT_TRUE(d.removed.empty()) << d.removed.front();
    EXPECT_EQ(d.added, (std::vector<std::string>{" <MTypeName `MasterPage'>\n", "   <Marker\n",
                                                 "    <MTypeName `MasterPage'>\n", "    <MText `Appendix'>\n",
                                                 "   > # end of Marker\n"}));
    // The new marker takes position 0, after what takes none and before "ab".
    EXPECT_NE(after.find("<Unconditional >\n   <Marker\n    <MTypeName `MasterPage'>\n    <MText `Appendix'>\n"
                         "   > # end of Marker\n   <String `ab'>\n"),
              std::string::npos)
        << after;

    // Read back: the markers after it stand one position further on.
    SimDoc doc;
    std::string error;
    ASSERT_TRUE(MifToDoc(Tree(scratch / "inline.mif"), "Z:\\inline.mif", &doc, &error)) << error;
    std::vector<std::pair<std::string, int32_t>> markers;
    for (ObjId m : SimMarkerChain(doc)) markers.emplace_back(doc.objects.at(m).text, doc.objects.at(m).anchorOffset);
    EXPECT_EQ(markers, (std::vector<std::pair<std::string, int32_t>>{{"Appendix", 0}, {"one", 4}, {"two", 14},
                                                                      {"three", 17}}));
    EXPECT_EQ(SimFlowTexts(doc), std::vector<std::string>{"ab\tcdVeexin"});
}

TEST(HostProgramRoundTrip, BinaryFrameMakerFilesAreRefusedWithWhatToDo) {
    ScratchFolder scratch, hostDir;
    CopySample(scratch.path());
    WriteBytes(scratch / "ch1.fm", std::string("<MakerFile 12.0>\0\x01\x02binary", 25));
    const auto before = FolderBytes(scratch.path());
    HostResult r = RunHostProgram({"apply", scratch / "ch1.fm"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "error: ch1.fm is a binary FrameMaker document; save it as MIF in FrameMaker (File > Save As, "
                     "MIF) and run again\n");
    EXPECT_EQ(FolderBytes(scratch.path()), before);

    // The mapping document in the host folder: the message names the folder.
    std::filesystem::create_directory_symlink(std::string(VELLOR_BINARY_DIR) + "/hostdir/icu_data",
                                              hostDir / "icu_data");
    WriteBytes(hostDir / "MasterPage.fm", "<MakerFile 9.0>\x01");
    r = RunHostProgram({"--host-dir", hostDir.path(), "apply", scratch / "ch2.mif"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "error: MasterPage.fm in the host folder " + hostDir.path() +
                         " is a binary FrameMaker document; save it as MIF in FrameMaker (File > Save As, MIF) and "
                         "run again\n");
    EXPECT_EQ(FolderBytes(scratch.path()), before);

    // A listing never opens the mapping document, which is then only checked
    // ahead of the plug-in: it is refused all the same.
    r = RunHostProgram({"--host-dir", hostDir.path(), "list-book", scratch / "Manual.book"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "error: MasterPage.fm in the host folder " + hostDir.path() +
                         " is a binary FrameMaker document; save it as MIF in FrameMaker (File > Save As, MIF) and "
                         "run again\n");
    std::string mapping = ReadBytes(SamplePath("MasterPage.fm"));
    WriteBytes(hostDir / "MasterPage.fm", mapping.substr(0, mapping.size() / 2));
    for (const char* command : {"list-book", "apply-book"}) {
        r = RunHostProgram({"--host-dir", hostDir.path(), command, scratch / "Manual.book"});
        EXPECT_EQ(r.status, 2) << command;
        EXPECT_EQ(r.err.rfind("error: MasterPage.fm:", 0), 0u) << command << ": " << r.err;
    }
    EXPECT_EQ(FolderBytes(scratch.path()), before);
}

TEST(HostProgramRoundTrip, ASecondPassRewritesTheChaptersUnchanged) {
    ScratchFolder scratch;
    CopySample(scratch.path());
    ASSERT_EQ(RunHostProgram({"-q", "apply-book", scratch / "Manual.book"}).status, 0);
    const char* chapters[] = {"ch1.mif", "ch2.mif", "ch3.mif", "ch4.mif", "appendix.mif"};
    std::vector<MifFile> first;
    for (const char* c : chapters) first.push_back(Tree(scratch / c));

    HostResult again = RunHostProgram({"apply-book", scratch / "Manual.book"});
    ASSERT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("No master page changed."), std::string::npos) << again.out;
    for (size_t i = 0; i < first.size(); ++i) EXPECT_TRUE(MifSameFile(first[i], Tree(scratch / chapters[i]))) << chapters[i];
}

} // namespace
#endif
