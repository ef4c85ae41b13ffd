// Pages with more than one text frame through vellor-host: a paragraph of a
// later page never decides a page, whether the page's last frame holds
// another flow or its two frames are listed against the flow. Page 2 opens
// with a ChapterTitle paragraph; page 1 holds only Body text and keeps its
// default master page.
#ifndef _WIN32
#include "host_program_run.h"

namespace {

const char Head[] = R"(<MIFFile 2020>
<Units Uin>
<PgfCatalog
 <Pgf <PgfTag `Body'>>
 <Pgf <PgfTag `ChapterTitle'>>
>
<Document <DTwoSides Yes> <DParity FirstRight>>
<Page <PageType LeftMasterPage> <PageTag `Left'> <TextRect <ID 1> <ShapeRect 1.0" 1.0" 6.5" 9.0">>>
<Page <PageType RightMasterPage> <PageTag `Right'> <TextRect <ID 2> <ShapeRect 1.0" 1.0" 6.5" 9.0">>>
<Page <PageType OtherMasterPage> <PageTag `ChapterLeft'> <TextRect <ID 3> <ShapeRect 1.0" 3.0" 6.5" 7.0">>>
<Page <PageType OtherMasterPage> <PageTag `ChapterRight'> <TextRect <ID 4> <ShapeRect 1.0" 3.0" 6.5" 7.0">>>
)";

// Page 1: the main flow's frame, then a margin note of flow Side, listed last.
const char SideFlow[] = R"(<Page <PageType BodyPage> <PageNum `1'> <PageBackground `Default'>
 <TextRect <ID 21> <ShapeRect 1.0" 1.0" 4.5" 9.0">>
 <TextRect <ID 22> <ShapeRect 5.75" 1.0" 1.75" 9.0">>
>
<Page <PageType BodyPage> <PageNum `2'> <PageBackground `Default'>
 <TextRect <ID 23> <ShapeRect 1.0" 1.0" 6.5" 9.0">>
>
<TextFlow <TFTag `A'> <TFAutoConnect Yes>
 <Para <PgfTag `Body'> <ParaLine <TextRectID 21> <String `Main text of page one.'>>>
 <Para <PgfTag `ChapterTitle'> <ParaLine <TextRectID 23> <String `Chapter Two'>>>
>
<TextFlow <TFTag `Side'>
 <Para <PgfTag `Body'> <ParaLine <TextRectID 22> <String `A note in the margin.'>>>
>
)";

// Page 1: two columns of flow A, the second column's frame listed first.
const char AgainstFlow[] = R"(<Page <PageType BodyPage> <PageNum `1'> <PageBackground `Default'>
 <TextRect <ID 22> <ShapeRect 4.0" 1.0" 3.5" 9.0">>
 <TextRect <ID 21> <ShapeRect 1.0" 1.0" 3.0" 9.0">>
>
<Page <PageType BodyPage> <PageNum `2'> <PageBackground `Default'>
 <TextRect <ID 23> <ShapeRect 1.0" 1.0" 6.5" 9.0">>
>
<TextFlow <TFTag `A'> <TFAutoConnect Yes>
 <Para <PgfTag `Body'> <ParaLine <TextRectID 21> <String `First column.'>>>
 <Para <PgfTag `Body'> <ParaLine <TextRectID 22> <String `Second column.'>>>
 <Para <PgfTag `ChapterTitle'> <ParaLine <TextRectID 23> <String `Chapter Two'>>>
>
)";

void ExpectOnlyPageTwoChanges(const char* layout) {
    ScratchFolder scratch;
    std::string file = scratch / "frames.mif";
    WriteBytes(file, std::string(Head) + layout + "# End of MIFFile\n");
    HostResult run = RunHostProgram({"--mapping", SamplePath("MasterPage.fm"), "apply", file});
    ASSERT_EQ(run.status, 0) << run.err;
    std::vector<std::string> lines = Lines(run.out);
    ASSERT_GE(lines.size(), 3u) << run.out;
    EXPECT_EQ(lines[0], "Master pages changed:");
    EXPECT_EQ(lines[2], "  frames.mif  2     Left    ChapterLeft") << run.out;
    EXPECT_EQ(lines.back(), "  frames.mif: 1 page changed of 2") << run.out;
    std::string saved = ReadBytes(file);
    EXPECT_EQ(saved.find("<PageBackground `ChapterRight'>"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<PageBackground `ChapterLeft'>"), std::string::npos) << saved;
}

TEST(HostProgramFrames, APageWhoseLastFrameHoldsASideFlowIsNotDecidedByTheNextPage) {
    ExpectOnlyPageTwoChanges(SideFlow);
}

TEST(HostProgramFrames, APageWhoseFramesAreListedAgainstTheFlowIsNotDecidedByTheNextPage) {
    ExpectOnlyPageTwoChanges(AgainstFlow);
}

} // namespace
#endif
