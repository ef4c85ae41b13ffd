// The object store's slots around the edges of its chunks and bit words,
// and the places the host learns by id: objects among their siblings,
// paragraphs in their flow, text frames' paragraphs, and the marker chain,
// as the lists they come from change.
#include "hostsim/doc_builder.h"
#include "hostsim/sim_model.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

std::vector<ObjId> Present(const SimObjects& objects) {
    std::vector<ObjId> ids;
    for (const auto& [id, obj] : objects) ids.push_back(id);
    return ids;
}

// The ids of `from` .. `to` less those in `gone`.
std::vector<ObjId> IdsBut(ObjId from, ObjId to, const std::vector<ObjId>& gone) {
    std::vector<ObjId> ids;
    for (ObjId id = from; id <= to; ++id)
        if (std::find(gone.begin(), gone.end(), id) == gone.end()) ids.push_back(id);
    return ids;
}

// A walk along `list` by steps, as a client walks rows or components.
std::vector<ObjId> Walk(const SimDoc& d, const std::vector<ObjId>& list) {
    std::vector<ObjId> out;
    ObjId id = list.empty() ? 0 : list.front();
    for (; id && out.size() <= list.size(); id = SimNextSibling(d, list, id)) out.push_back(id);
    return out;
}

} // namespace

// Objects erased at the edges of chunks (128 ids) and of the bit words
// (64 ids) leave holes that iteration, copies and lookups all skip; an
// object made again in a hole is a new one, nothing of the old one kept.
TEST(SimOrder, ObjectStoreHolesAtChunkAndWordEdges) {
    SimDoc doc;
    const std::string longText = "paragraph text long enough for the heap";
    for (int i = 0; i < 300; ++i)
        SimLocal(doc, SimNewObject(doc, SimObjParagraph))->text = longText;
    std::vector<ObjId> gone{1, 63, 64, 65, 127, 128, 129, 191, 192, 255, 256, 300};
    for (ObjId id = 130; id < 190; ++id) gone.push_back(id); // a whole word but its edges
    for (ObjId id : gone) EXPECT_EQ(doc.objects.erase(id), 1u) << id;
    std::sort(gone.begin(), gone.end());
    const std::vector<ObjId> expected = IdsBut(1, 300, gone);
    EXPECT_EQ(Present(doc.objects), expected);
    EXPECT_EQ(doc.objects.size(), expected.size());

    SimDoc copy = doc;
    SimLocal(copy, 2)->text = "the copy's own";
    EXPECT_EQ(Present(copy.objects), expected);
    EXPECT_EQ(SimLocal(doc, 2)->text, longText);
    EXPECT_EQ(SimLocal(copy, 128), nullptr);

    SimObject& again = copy.objects[128];
    EXPECT_EQ(again.kind, SimObjNone);
    EXPECT_TRUE(again.text.empty());
    EXPECT_EQ(SimLocal(doc, 128), nullptr);
    EXPECT_EQ(copy.objects.size(), expected.size() + 1);
    EXPECT_EQ(SimToLocal(copy, copy.base + 128), 128u);
    EXPECT_EQ(SimToLocal(doc, doc.base + 128), 0u);

    // Every object erased: nothing left to visit, ids still count on.
    for (ObjId id : expected) doc.objects.erase(id);
    EXPECT_TRUE(doc.objects.empty());
    EXPECT_TRUE(doc.objects.begin() == doc.objects.end());
    EXPECT_EQ(SimNewObject(doc, SimObjMarker), 301u);
    EXPECT_EQ(Present(doc.objects), std::vector<ObjId>{301});
}

// A walk of a table's rows learns their places once; when rows are moved,
// removed or added between steps, the walk follows the list as it stands.
TEST(SimOrder, SiblingWalksFollowTheirListAsItChanges) {
    DocBuilder b("Z:\\mapping.fm");
    b.table({{"Key", "Value"}, {"a", "1"}, {"b", "2"}, {"c", "3"}, {"d", "4"}});
    SimDoc& d = b.doc;
    std::vector<ObjId>& rows = d.objects[d.tables.at(0)].children;
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(Walk(d, rows), rows);

    std::rotate(rows.begin(), rows.end() - 1, rows.end()); // the last row first
    EXPECT_EQ(Walk(d, rows), rows);
    ObjId removed = rows[2];
    rows.erase(rows.begin() + 2);
    EXPECT_EQ(Walk(d, rows), rows);
    EXPECT_EQ(SimNextSibling(d, rows, removed), 0u); // no longer listed
    EXPECT_EQ(SimNextSibling(d, rows, rows.back()), 0u);
    EXPECT_EQ(SimNextSibling(d, rows, 0xFFFFFF00u), 0u);
    rows.insert(rows.begin() + 1, removed);
    EXPECT_EQ(Walk(d, rows), rows);

    // The cells of each row, each row's list learnt on its own.
    for (ObjId row : rows) {
        const std::vector<ObjId>& cells = SimLocal(d, row)->children;
        EXPECT_EQ(Walk(d, cells), cells);
    }
    // A list that names an object twice steps on from its first place.
    std::vector<ObjId> twice{rows[0], rows[1], rows[0], rows[2]};
    EXPECT_EQ(SimNextSibling(d, twice, rows[0]), rows[1]);
}

// Paragraph places, a frame's paragraphs and the marker chain are worked
// out again after a change of structure, and a copy of a document answers
// from its own.
TEST(SimOrder, PlacesAreWorkedOutAgainAfterAChange) {
    DocBuilder b("Z:\\ch1.fm");
    b.page().para("Body", "one").marker("Index", "m1").para("Body", "two");
    b.page().para("Body", "three");
    b.marker("Index", "m2");
    SimDoc& d = b.doc;
    ObjId frame1 = SimLocal(d, SimLocal(d, d.bodyPages[0])->frame)->children[0];
    const std::vector<ObjId> paras = SimLocal(d, d.mainFlow)->children;
    EXPECT_EQ(SimNextParagraph(d, paras[0]), paras[1]);
    EXPECT_EQ(SimFrameLastParagraph(d, frame1), paras[1]);
    std::vector<ObjId> chain = SimMarkerChain(d);
    ASSERT_EQ(chain.size(), 2u);

    SimDoc copy = d;
    TextLoc after{};
    ASSERT_EQ(SimInsertText(d, TextLoc{paras[0], 1}, "\n", &after), 0); // "o" | "ne" + m1
    EXPECT_EQ(SimNextParagraph(d, paras[0]), after.objId);
    EXPECT_EQ(SimNextParagraph(d, after.objId), paras[1]);
    EXPECT_EQ(SimFrameFirstParagraph(d, frame1), paras[0]);
    EXPECT_EQ(SimFrameLastParagraph(d, frame1), paras[1]);
    EXPECT_EQ(SimLocal(d, chain[0])->anchorParagraph, after.objId);
    EXPECT_EQ(SimNextMarker(d, chain[0]), chain[1]);
    EXPECT_EQ(SimNextMarker(d, chain[1]), 0u);
    EXPECT_EQ(SimNextMarker(d, after.objId), 0u); // not a marker

    // The copy still has the document as it was.
    EXPECT_EQ(SimNextParagraph(copy, paras[0]), paras[1]);
    EXPECT_EQ(SimNextParagraph(copy, after.objId), 0u);
    EXPECT_EQ(SimLocal(copy, chain[0])->anchorParagraph, paras[0]);
}

// A document whose lists name ids that are none of its objects (a marker,
// a paragraph of the flow) still gives its orders: what is there is
// placed, what is not is left out.
TEST(SimOrder, IdsThatAreNoObjectsAreLeftOutOfTheOrders) {
    DocBuilder b("Z:\\ch1.fm");
    b.page().para("Body", "one").marker("Index", "m1").para("Body", "two");
    SimDoc& d = b.doc;
    ObjId frame = SimLocal(d, SimLocal(d, d.bodyPages[0])->frame)->children[0];
    std::vector<ObjId> paras = SimLocal(d, d.mainFlow)->children;
    ObjId nothing = d.nextLocal + 5;
    d.markers.insert(d.markers.begin(), nothing);
    d.objects[d.mainFlow].children.push_back(nothing);
    SimInvalidateOrder(d);
    EXPECT_EQ(SimMarkerChain(d).size(), 1u);
    EXPECT_EQ(SimFrameFirstParagraph(d, frame), paras[0]);
    EXPECT_EQ(SimFrameLastParagraph(d, frame), paras[1]);
    EXPECT_EQ(SimNextParagraph(d, paras[1]), nothing);
    EXPECT_EQ(SimNextMarker(d, nothing), 0u);
}
