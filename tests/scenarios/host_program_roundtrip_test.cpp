// The sample files through the host unchanged: read into the host's objects
// and written back, each gives the statement tree it was read from; and a
// second apply-book, which has nothing left to change, rewrites the chapters
// with the same trees.
// Not on Windows: the program is run as a child through fork, pipes and
// resource limits; there the sample book is compared with the native run
// instead (cmake/compare_sample_book.cmake).
#ifndef _WIN32
#include "host_program_run.h"

#include "hostsim/mif_document.h"
#include "hostsim/mif_reader.h"

namespace {

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
    EXPECT_EQ(files, 7); // five chapters, the book and the mapping document
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
