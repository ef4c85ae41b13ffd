// Reflow in the simulated host: a master page with another template frame
// pushes a page's text on or pulls it back, overflowing text adds pages that
// go again when it no longer reaches them, and the lazy layout answers as if
// the flow had been poured at every change.
#include "hostsim/doc_builder.h"
#include "hostsim/sim_model.h"
#include "hostsim/sim_random.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Pages = std::vector<std::vector<std::string>>;

// Left and Right hold 4 lines of 20 characters, Opener 2, Tall 8; Plain has
// no template frame.
DocBuilder Chapter() {
    DocBuilder b("Z:\\docs\\ch.fm");
    b.templateFrame("Left", 4, 20)
        .templateFrame("Right", 4, 20)
        .templateFrame("Opener", 2, 20)
        .templateFrame("Tall", 8, 20)
        .masterPages({"Left", "Right", "Opener", "Tall", "Plain"});
    return b;
}

// Each page's paragraph texts, after laying everything out.
Pages Layout(const SimDoc& doc) {
    Pages pages;
    SimSettleLayout(doc); // before the page list is walked: it may change
    for (ObjId page : doc.bodyPages) {
        pages.emplace_back();
        for (ObjId p : SimPageParagraphs(doc, page))
            pages.back().push_back(SimLocal(doc, p)->text);
    }
    return pages;
}

void Apply(SimDoc& doc, size_t page, const char* master) {
    ASSERT_EQ(
        SimApplyMasterPage(doc, doc.bodyPages.at(page), SimNamed(doc, SimObjMasterPage, master)),
        SimOk);
}

TEST(SimReflow, WithReflowOffTextStaysWhereItStands) {
    DocBuilder b = Chapter();
    b.page().para("Body", "a").para("Body", "b").para("Body", "c");
    b.page().para("Body", "d");
    Apply(b.doc, 0, "Opener");
    EXPECT_EQ(Layout(b.doc), (Pages{{"a", "b", "c"}, {"d"}}));
    // The frame took the template's size all the same.
    EXPECT_EQ(SimLocal(b.doc, b.textFrame_)->lines, 4);
    EXPECT_EQ(SimLocal(b.doc, SimLocal(b.doc, b.doc.objects[b.doc.bodyPages[0]].frame)->children[0])
                  ->lines,
              2);
}

TEST(SimReflow, AShorterFramePushesTextOnAndAddsPagesThatGoWhenItComesBack) {
    DocBuilder b = Chapter();
    b.page().para("Body", "a").para("Body", "b").para("Body", "c").para("Body", "d");
    b.page().para("Body", "e").para("Body", "f").para("Body", "g").para("Body", "h");
    SimDoc& doc = b.doc;
    doc.reflow = true;
    Apply(doc, 0, "Opener");
    EXPECT_EQ(Layout(doc), (Pages{{"a", "b"}, {"c", "d", "e", "f"}, {"g", "h"}}));
    ObjId added = doc.bodyPages[2];
    EXPECT_TRUE(SimLocal(doc, added)->added);
    EXPECT_EQ(SimPageMasterName(doc, added), "Right"); // a new page uses its side's default
    Apply(doc, 0, "Right");
    EXPECT_EQ(Layout(doc), (Pages{{"a", "b", "c", "d"}, {"e", "f", "g", "h"}}));
    EXPECT_EQ(SimLocal(doc, added), nullptr);
}

TEST(SimReflow, ATallerFramePullsTextBackAndTheDocumentsOwnPagesStayEvenEmpty) {
    DocBuilder b = Chapter();
    b.page().para("Body", "a").para("Body", "b");
    b.page().para("Body", "c").para("Body", "d");
    b.page().para("Body", "e");
    b.doc.reflow = true;
    Apply(b.doc, 1, "Tall");
    EXPECT_EQ(Layout(b.doc), (Pages{{"a", "b"}, {"c", "d", "e"}, {}}));
    // A master page without a template frame leaves the frames alone.
    Apply(b.doc, 0, "Plain");
    EXPECT_EQ(Layout(b.doc), (Pages{{"a", "b"}, {"c", "d", "e"}, {}}));
}

TEST(SimReflow, ParagraphsTakeLinesByTheirLengthAndAreNeverSplit) {
    DocBuilder b = Chapter();
    // 25 characters need 2 lines of 20; 50 need 3.
    b.page().para("Body", "one").para("Body", "twenty-five characters...").para("Body", "x");
    b.page().para("Body", "fifty characters, fifty characters, fifty chars..").para("Body", "y");
    b.doc.reflow = true;
    EXPECT_EQ(SimParagraphLines(b.doc, b.doc.objects[b.doc.mainFlow].children[3], 20), 3);
    Apply(b.doc, 0, "Opener"); // 2 lines: "one", then the 2-line paragraph does not fit
    Pages pages = Layout(b.doc);
    ASSERT_EQ(pages.size(), 3u);
    EXPECT_EQ(pages[0], (std::vector<std::string>{"one"}));
    EXPECT_EQ(pages[1].size(), 2u); // 2 + 1 lines of 4; the 3-line paragraph goes on
    EXPECT_EQ(pages[2].size(), 2u);
}

TEST(SimReflow, AParagraphTallerThanAnEmptyFrameFillsItAlone) {
    DocBuilder b = Chapter();
    b.page().para("Body", "a long paragraph of more than forty characters");
    b.page().para("Body", "z");
    b.doc.reflow = true;
    Apply(b.doc, 0, "Opener");
    EXPECT_EQ(Layout(b.doc).size(), 2u);
    EXPECT_EQ(Layout(b.doc)[1], (std::vector<std::string>{"z"}));
}

TEST(SimReflow, AFlowWhoseFramesRunAgainstItIsLeftAsItStands) {
    DocBuilder b = Chapter();
    b.page().para("Body", "a").frameOfFlow("A").para("Body", "b");
    b.page().para("Body", "c").para("Body", "d").para("Body", "e").para("Body", "f");
    SimObject& pageFrame = b.doc.objects[b.doc.objects[b.pageAt(0)].frame];
    std::swap(pageFrame.children[0], pageFrame.children[1]);
    b.doc.reflow = true;
    Apply(b.doc, 1, "Opener");
    EXPECT_EQ(Layout(b.doc), (Pages{{"b", "a"}, {"c", "d", "e", "f"}}));
}

TEST(SimReflow, InsertedTextPoursTheFlowAgain) {
    DocBuilder b = Chapter();
    b.page().para("Body", "a").para("Body", "b").para("Body", "c").para("Body", "d");
    b.page().para("Body", "e");
    b.doc.reflow = true;
    ObjId a = b.doc.objects[b.doc.mainFlow].children[0];
    ASSERT_EQ(SimInsertText(b.doc, TextLoc{a, 1}, " now needs two lines", nullptr), SimOk);
    EXPECT_EQ(Layout(b.doc), (Pages{{"a now needs two lines", "b", "c"}, {"d", "e"}}));
}

// Whatever is asked in between, the layout is the one of pouring at every
// change: a document settled after each change and one asked only at the end
// end alike, on generated chapters.
TEST(SimReflow, TheLazyLayoutIsThatOfPouringAtEveryChange) {
    const char* masters[] = {"Left", "Right", "Opener", "Tall", "Plain"};
    for (uint32_t seed = 1; seed <= 60; ++seed) {
        SimRandom r{seed * 2654435761u + 3};
        DocBuilder b = Chapter();
        for (int p = 2 + r.Below(8); p > 0; --p) {
            b.page();
            for (int i = r.Below(5); i > 0; --i)
                b.para("Body", std::string(size_t(1 + r.Below(45)), 'x').c_str());
        }
        SimDoc eager = b.doc, lazy = b.doc;
        eager.reflow = lazy.reflow = true;
        for (int changes = 1 + r.Below(12); changes > 0; --changes) {
            size_t page = size_t(r.Below(int(b.doc.bodyPages.size())));
            const char* master = masters[r.Below(5)];
            Apply(eager, page, master);
            SimSettleLayout(eager);
            Apply(lazy, page, master);
            if (r.Chance(30)) SimNextBodyPage(lazy, lazy.bodyPages.back()); // asks past the end
        }
        ASSERT_EQ(Layout(eager), Layout(lazy)) << "seed " << seed;
    }
}

} // namespace
