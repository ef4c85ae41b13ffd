// The simulated host's model rules on their own: page sides and master
// pages, text insertion with paragraph splitting, the marker chain in flow
// order, and FrameRoman text.
#include "hostsim/doc_builder.h"
#include "hostsim/sim_model.h"
#include "hostsim/sim_text.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

std::vector<int> Sides(const SimDoc& d) {
    std::vector<int> sides;
    for (ObjId p : d.bodyPages) sides.push_back(SimPageIsRight(d, p));
    return sides;
}

TEST(SimModel, PageSidesFollowSidednessAndFirstPage) {
    DocBuilder two("Z:\\a.fm");
    two.page().page().page();
    EXPECT_EQ(Sides(two.doc), (std::vector<int>{1, 0, 1}));

    DocBuilder left("Z:\\b.fm");
    left.firstPageLeft().page().page().page();
    EXPECT_EQ(Sides(left.doc), (std::vector<int>{0, 1, 0}));

    DocBuilder one("Z:\\c.fm");
    one.oneSided().page().page();
    EXPECT_EQ(Sides(one.doc), (std::vector<int>{1, 1}));
    // A one-sided document's pages use the right master page.
    EXPECT_EQ(SimPageMasterName(one.doc, one.pageAt(1)), "Right");
}

TEST(SimModel, BackgroundAfterApplyingMasterPages) {
    DocBuilder b("Z:\\a.fm");
    b.masterPages({"L", "R", "Chapter"}).page().page().pageNumber("iv");
    SimDoc& d = b.doc;
    ObjId right = b.pageAt(0), left = b.pageAt(1);
    ObjId chapter = SimNamed(d, SimObjMasterPage, "Chapter");

    EXPECT_EQ(SimPageMasterName(d, right), "R");
    EXPECT_EQ(SimPageMasterName(d, left), "L");
    ASSERT_EQ(SimApplyMasterPage(d, right, chapter), SimOk);
    EXPECT_EQ(d.objects[right].background, HostBackgroundNamed);
    EXPECT_EQ(SimPageMasterName(d, right), "Chapter");
    // The default of the other side is a custom master page on this side.
    ASSERT_EQ(SimApplyMasterPage(d, right, d.leftMaster), SimOk);
    EXPECT_EQ(d.objects[right].background, HostBackgroundNamed);
    ASSERT_EQ(SimApplyMasterPage(d, right, d.rightMaster), SimOk);
    EXPECT_EQ(d.objects[right].background, HostBackgroundDefault);
    // Only body pages take master pages, and only master pages are applied.
    EXPECT_NE(SimApplyMasterPage(d, right, left), SimOk);
    EXPECT_NE(SimApplyMasterPage(d, chapter, chapter), SimOk);

    DocBuilder none("Z:\\b.fm");
    none.page().noMaster();
    EXPECT_EQ(none.doc.objects[none.pageAt(0)].background, HostBackgroundNone);
    EXPECT_EQ(SimPageMasterName(none.doc, none.pageAt(0)), "");
    EXPECT_EQ(SimPageNumberText(d, left), "iv");
    EXPECT_EQ(SimPageNumberText(d, right), "1");
}

TEST(SimModel, InsertedNewlinesSplitParagraphsAndCarryAnchors) {
    DocBuilder b("Z:\\a.fm");
    b.format("Heading2", 0x240000).page().para("Heading2", "XY").para("Body", "end");
    SimDoc& d = b.doc;
    ObjId first = d.objects[d.mainFlow].children[0];
    ObjId marker = SimAnchorMarker(d, TextLoc{first, 1}); // between X and Y
    ObjId behind = SimAnchorMarker(d, TextLoc{first, 3});  // after Y, which now stands at 2
    d.objects[first].indent = 0x240000;

    TextLoc after{};
    ASSERT_EQ(SimInsertText(d, TextLoc{first, 2}, "ab\ncd", &after), SimOk); // after the marker
    EXPECT_EQ(SimFlowTexts(d), (std::vector<std::string>{"Xab", "cdY", "end"}));
    EXPECT_EQ(SimFlowTags(d), (std::vector<std::string>{"Heading2", "Heading2", "Body"}));
    ObjId second = d.objects[d.mainFlow].children[1];
    EXPECT_EQ(d.objects[second].indent, 0x240000);
    EXPECT_EQ(after.objId, second);
    EXPECT_EQ(after.offset, 2);
    // An anchor before the insertion point stays; one behind it moves with
    // the rest into the new paragraph, where it stands after "cdY".
    EXPECT_EQ(d.objects[marker].anchorParagraph, first);
    EXPECT_EQ(d.objects[marker].anchorOffset, 1);
    EXPECT_EQ(d.objects[behind].anchorParagraph, second);
    EXPECT_EQ(d.objects[behind].anchorOffset, 3);
    // Text inserted at an anchor's own position goes before it, as FrameMaker
    // inserts, and moves it on.
    ASSERT_EQ(SimInsertText(d, TextLoc{first, 1}, "-", &after), SimOk);
    EXPECT_EQ(SimFlowTexts(d)[0], "X-ab");
    EXPECT_EQ(d.objects[marker].anchorOffset, 2);
    EXPECT_EQ(after.offset, 2);
    // The new paragraph stands in the same frame and follows in flow order.
    EXPECT_EQ(SimNextParagraph(d, first), second);
    EXPECT_EQ(SimFrameLastParagraph(d, d.objects[first].parent), d.objects[d.mainFlow].children[2]);

    // A newline at the very end opens an empty paragraph; offsets count characters.
    ASSERT_EQ(SimInsertText(d, TextLoc{second, INT32_MAX}, "é\n", &after), SimOk);
    EXPECT_EQ(SimFlowTexts(d)[1], "cdYé");
    EXPECT_EQ(SimFlowTexts(d)[2], "");
    EXPECT_EQ(after.offset, 0);
    EXPECT_NE(SimInsertText(d, TextLoc{d.mainFlow, 0}, "x", &after), SimOk);
}

TEST(SimModel, MarkerChainFollowsFlowOrder) {
    DocBuilder b("Z:\\a.fm");
    b.page().para("Body", "one").page().para("Body", "two");
    b.table({{"Marker Category", "L", "R"}, {"x", "y", "z"}});
    SimDoc& d = b.doc;
    const auto& paras = d.objects[d.mainFlow].children;
    ObjId onPage2 = SimAnchorMarker(d, TextLoc{paras[1], 0});
    ObjId endOfOne = SimAnchorMarker(d, TextLoc{paras[0], TextOffsetEnd});
    ObjId startOfOne = SimAnchorMarker(d, TextLoc{paras[0], 0});
    ObjId alsoStart = SimAnchorMarker(d, TextLoc{paras[0], 0}); // same place: before the one there
    ObjId table = d.tables[0];
    ObjId cell = d.objects[d.objects[table].children[1]].children[0];
    ObjId inCell = SimAnchorMarker(d, TextLoc{d.objects[cell].children[0], 0});

    EXPECT_EQ(SimMarkerChain(d), (std::vector<ObjId>{alsoStart, startOfOne, endOfOne, onPage2, inCell}));
    EXPECT_EQ(SimFirstMarker(d), alsoStart);
    EXPECT_EQ(SimNextMarker(d, onPage2), inCell);
    EXPECT_EQ(SimNextMarker(d, inCell), 0u);
    // Each marker takes a position: "one" stands at 2 to 4 behind the two.
    EXPECT_EQ(d.objects[alsoStart].anchorOffset, 0);
    EXPECT_EQ(d.objects[startOfOne].anchorOffset, 1);
    EXPECT_EQ(d.objects[endOfOne].anchorOffset, 5);

    // Text inserted in front of a marker moves it, and with a split, on.
    TextLoc after{};
    ASSERT_EQ(SimInsertText(d, TextLoc{paras[0], 1}, "zero\n", &after), SimOk);
    EXPECT_EQ(SimFlowTexts(d)[0], "zero");
    EXPECT_EQ(SimMarkerChain(d), (std::vector<ObjId>{alsoStart, startOfOne, endOfOne, onPage2, inCell}));
    EXPECT_EQ(d.objects[alsoStart].anchorParagraph, paras[0]);
    EXPECT_EQ(d.objects[startOfOne].anchorParagraph, after.objId);
    EXPECT_EQ(d.objects[startOfOne].anchorOffset, 0);
    EXPECT_EQ(d.objects[endOfOne].anchorParagraph, after.objId);
    EXPECT_EQ(d.objects[endOfOne].anchorOffset, 4);
    // A cell's paragraph stands on the page of its table's anchor.
    EXPECT_EQ(SimParagraphPage(d, d.objects[cell].children[0]), b.pageAt(1));
}

TEST(SimModel, FrameRomanBothWays) {
    // é is 0x8E, a tab 0x08, a non-breaking hyphen 0x15 in FrameRoman.
    EXPECT_EQ(SimToFrameRoman("R\xC3\xA9sum\xC3\xA9\tx\xE2\x80\x91"), "R\x8Esum\x8E\x08x\x15");
    EXPECT_EQ(SimFromFrameRoman(std::string("R\x8Esum\x8E\x08x\x15")), "R\xC3\xA9sum\xC3\xA9\tx\xE2\x80\x91");
    // What FrameRoman lacks becomes '?'; FrameRoman has no byte left unread.
    EXPECT_EQ(SimToFrameRoman("\xE4\xB8\xAD"), "?");
    for (int c = 1; c < 256; ++c) {
        std::string one(1, static_cast<char>(c));
        std::string back = SimToFrameRoman(SimFromFrameRoman(one));
        if (c == 0x0B || c == 0x11 || c == 0x0D) continue; // read-only codes
        EXPECT_EQ(back, one) << "byte " << c;
    }
}

TEST(SimModel, BookOrderIsDepthFirst) {
    BookBuilder book("Z:\\b.book");
    book.folder("Part").doc("Z:\\c1.fm").doc("Z:\\c2.fm").end().component(8, "x", true).doc("Z:\\in.fm").end()
        .doc("Z:\\c3.fm");
    std::vector<std::string> names;
    for (ObjId c : SimBookOrder(book.book)) names.push_back(book.book.objects[c].name);
    EXPECT_EQ(names, (std::vector<std::string>{"Part", "Z:\\c1.fm", "Z:\\c2.fm", "x", "Z:\\in.fm", "Z:\\c3.fm"}));
}

} // namespace

// The object store answers as the map it stands for did: objects by id,
// erased ones absent (and made anew by operator[]), iteration in id order
// over the present ones, references that stay good while objects are made,
// and copies that do not share objects.
TEST(SimModel, ObjectStoreKeepsIdsReferencesAndCopiesApart) {
    SimDoc doc;
    ObjId first = SimNewObject(doc, SimObjParagraph);
    SimObject* held = SimLocal(doc, first);
    held->text = "kept while others are made";
    std::vector<ObjId> made;
    for (int i = 0; i < 1000; ++i) made.push_back(SimNewObject(doc, SimObjMarker));
    EXPECT_EQ(held, SimLocal(doc, first));
    EXPECT_EQ(held->text, "kept while others are made");
    EXPECT_EQ(doc.objects.size(), 1001u);

    doc.objects.erase(made[499]);
    EXPECT_EQ(doc.objects.erase(made[499]), 0u);
    EXPECT_EQ(SimLocal(doc, made[499]), nullptr);
    EXPECT_EQ(doc.objects.count(made[499]), 0u);
    EXPECT_THROW(doc.objects.at(made[499]), std::out_of_range);
    EXPECT_EQ(SimLocal(doc, 0), nullptr);
    EXPECT_EQ(SimLocal(doc, made.back() + 1), nullptr);
    EXPECT_EQ(SimLocal(doc, 0xFFFFFFFFu), nullptr);

    std::vector<ObjId> seen;
    for (const auto& [id, obj] : doc.objects) {
        EXPECT_EQ(SimLocal(doc, id), &obj);
        seen.push_back(id);
    }
    std::vector<ObjId> expected{first};
    for (ObjId id : made)
        if (id != made[499]) expected.push_back(id);
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(doc.objects.size(), 1000u);

    SimDoc copy = doc;
    SimLocal(copy, first)->text = "changed in the copy";
    EXPECT_EQ(SimLocal(doc, first)->text, "kept while others are made");
    EXPECT_EQ(copy.objects.size(), 1000u);

    // A map's operator[] makes the object it is asked for, a default one.
    SimObject& again = doc.objects[made[499]];
    EXPECT_EQ(again.kind, SimObjNone);
    EXPECT_EQ(doc.objects.size(), 1001u);
    EXPECT_EQ(copy.objects.count(made[499]), 0u);
    EXPECT_EQ(doc.objects.find(made[499])->first, made[499]);

    SimDoc empty;
    EXPECT_TRUE(empty.objects.begin() == empty.objects.end());
    EXPECT_EQ(empty.objects.find(1), empty.objects.end());
}

// A document opened many times from one read (the mapping document, once a
// chapter) shares its objects with the copy it came from until one of them
// changes: reading through a const view keeps them shared, any change
// (through SimLocal, operator[], erase) gives the changed copy its own, and
// neither copy ever sees the other's change.
TEST(SimModel, CopiesShareObjectsUntilOneChanges) {
    DocBuilder b("Z:\\mapping.fm");
    b.page().para("Body", "first").para("Body", "second");
    const SimDoc& read = b.doc;
    SimDoc opened = read;
    EXPECT_TRUE(opened.objects.Shared());
    ObjId para = SimLocal(read, read.mainFlow)->children[0];
    EXPECT_EQ(SimLocal(static_cast<const SimDoc&>(opened), para), SimLocal(read, para));
    EXPECT_TRUE(opened.objects.Shared());

    SimLocal(opened, para)->text = "changed";
    EXPECT_FALSE(opened.objects.Shared());
    EXPECT_EQ(SimLocal(read, para)->text, "first");
    EXPECT_EQ(SimLocal(opened, para)->text, "changed");

    SimDoc other = read;
    other.objects.erase(para);
    EXPECT_EQ(SimLocal(other, para), nullptr);
    EXPECT_NE(SimLocal(read, para), nullptr);
    SimDoc third = read;
    third.objects[para].name = "Heading";
    EXPECT_EQ(SimLocal(read, para)->name, "Body");
    SimDoc fourth = read;
    for (auto& [id, obj] : fourth.objects) obj.name = "All";
    EXPECT_EQ(SimLocal(read, para)->name, "Body");

    // Inserting text splits paragraphs (the flow's list changes through a
    // lookup of the paragraph's container).
    SimDoc typed = read;
    TextLoc after{};
    ASSERT_EQ(SimInsertText(typed, TextLoc{para, 2}, "\n", &after), 0);
    EXPECT_EQ(SimFlowTexts(typed), (std::vector<std::string>{"fi", "rst", "second"}));
    EXPECT_EQ(SimFlowTexts(read), (std::vector<std::string>{"first", "second"}));

    // A session's document that reflows owns its objects when opened.
    SimSession session;
    SimSessionInit(session, "Z:\\host");
    session.reflow = true;
    SimDoc* reflowing = SimOpenDoc(session, read, true);
    EXPECT_FALSE(reflowing->objects.Shared());
    session.reflow = false;
    SimDoc* plain = SimOpenDoc(session, read, true);
    EXPECT_TRUE(plain->objects.Shared());
}
