// The simulated host driven through the client's real call layer: interface
// acquisition, document arguments, menus, documents and files, text,
// paragraph formats, books, injected failures, prompts and the client's
// callbacks.
#include "host/call_layer.h"
#include "host/host_interfaces.h"
#include "host/prop_vals.h"
#include "hostsim/mif/mif_document.h"
#include "hostsim/mif/mif_reader.h"
#include "hostsim/sim_server.h"
#include "support/base/memory.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

std::string Take(char* s) {
    std::string out = s ? s : "<null>";
    MemFree(s);
    return out;
}

class SimServerTest : public ::testing::Test {
protected:
    void SetUp() override {
        server = SimServerCreate("Z:\\host");
        ASSERT_EQ(HostAcquireInterfaces(SimServerUnknown(server)), 1);
        HostErrorCode = 0;
    }
    void TearDown() override {
        HostReleaseInterfaces();
        SimServerRelease(server);
        EXPECT_EQ(PlatformTaskBlocksOutstanding(), 0);
    }
    SimControl& control() { return SimServerControl(server); }
    SimServer* server = nullptr;
};

TEST(SimServerInterfaces, RefusedMainInterfaceStopsTheLastThreeQueries) {
    SimServer* server = SimServerCreate();
    SimRefuseInterface(SimServerControl(server), HostMainInterfaceNumber);
    EXPECT_EQ(HostAcquireInterfaces(SimServerUnknown(server)), 0);
    EXPECT_EQ(SimServerControl(server).queries[HostLateInterfaceFirst - 1], 1u);
    EXPECT_EQ(SimServerControl(server).queries[HostLateInterfaceFirst], 0u);
    EXPECT_EQ(HostMainInterface(), nullptr);
    HostReleaseInterfaces();
    SimServerRelease(server);
}

TEST_F(SimServerTest, DocumentArgumentsAreChecked) {
    DocBuilder a("Z:\\docs\\a.fm"), b("Z:\\docs\\b.fm");
    a.page().para("Body", "x");
    b.page();
    ObjId docA = SimOpenBuilt(server, a, true), docB = SimOpenBuilt(server, b, true);

    ObjId page = HostGetIdProp(0, docA, PropFirstBodyPage);
    ASSERT_NE(page, 0u);
    EXPECT_EQ(HostGetIntProp(docA, page, PropPageBackground), HostBackgroundDefault);
    EXPECT_EQ(HostErrorCode, 0);
    // The page read with the other document, or with the session, fails.
    EXPECT_EQ(HostGetIntProp(docB, page, PropRightHandPage), 0);
    EXPECT_EQ(HostErrorCode, SimStatusBadObject);
    HostErrorCode = 0;
    EXPECT_EQ(HostGetIdProp(0, page, PropPageFrame), 0u);
    EXPECT_NE(HostErrorCode, 0);

    // Document properties: some with 0, others with the document itself.
    HostErrorCode = 0;
    EXPECT_EQ(HostGetIdProp(docA, docA, PropFirstBodyPage), 0u);
    EXPECT_EQ(HostErrorCode, SimStatusBadProperty);
    EXPECT_EQ(Take(HostGetStringProp(docA, docA, PropName)), "Z:\\docs\\a.fm");
    EXPECT_EQ(Take(HostGetStringProp(0, docA, PropName)), "<null>");
    EXPECT_EQ(HostGetIdProp(docA, docA, PropNextOpenDocument), docB);
    EXPECT_EQ(HostGetIdProp(0, 0, PropFirstOpenDocument), docA);
    EXPECT_EQ(HostGetIdProp(0, 0, PropActiveDocument), docB);
    EXPECT_EQ(Take(HostGetStringProp(0, 0, PropHostDirectory)), "Z:\\host");
    // A value read with the getter of another type fails too.
    HostErrorCode = 0;
    EXPECT_EQ(Take(HostGetStringProp(docA, page, PropPageBackground)), "<null>");
    EXPECT_EQ(HostErrorCode, SimStatusBadValueType);
}

TEST_F(SimServerTest, MenuItemsKeepOrderAndMoveInFrontOfAnother) {
    ObjId bar = HostGetNamedObject(0, ObjMenu, "!MakerMainMenu");
    ASSERT_NE(bar, 0u);
    ObjId tools = HostDefineAndAddMenu(bar, "TarnTools", "Tools");
    ObjId alpha = HostDefineAndAddCommand(7, tools, "A", "Alpha", "");
    ObjId sep = HostGetNamedObject(0, ObjMenuSeparator, "Separator2");
    ASSERT_EQ(HostAddToMenu(tools, sep), 0);
    ObjId zeta = HostDefineAndAddCommand(8, tools, "Z", "Zeta", "");
    ObjId mine = HostDefineMenu("Vellor", "Master Pages");
    ASSERT_EQ(HostAddMenuToMenu(tools, mine), 0);

    EXPECT_EQ(HostGetIdProp(0, tools, PropFirstMenuItem), alpha);
    EXPECT_EQ(HostGetIdProp(tools, alpha, PropNextMenuItem), sep);
    // The next item is a matter of the containing menu.
    EXPECT_EQ(HostGetIdProp(0, alpha, PropNextMenuItem), 0u);
    EXPECT_NE(HostErrorCode, 0);

    ASSERT_EQ(HostSetIdProp(tools, mine, PropNextMenuItem, zeta), 0);
    EXPECT_EQ(SimMenuLabels(SimServerSession(server), tools),
              (std::vector<std::string>{"Alpha", "-", "Master Pages", "Zeta"}));
    EXPECT_EQ(Take(HostGetStringProp(0, zeta, PropMenuLabel)), "Zeta");
    // An item of another menu is no place to move to.
    EXPECT_NE(HostSetIdProp(tools, mine, PropNextMenuItem, bar), 0);
    EXPECT_EQ(HostGetNamedObject(0, ObjMenu, "NoSuchMenu"), 0u);
    EXPECT_EQ(HostErrorCode, SimStatusNotFound);
}

TEST_F(SimServerTest, FileNamesReachTheSameFileInFrameRomanAndUtf8) {
    DocBuilder b("Z:\\docs\\R\xC3\xA9sum\xC3\xA9.fm");
    b.page().para("Body", "x");
    SimStorePut(server, b);

    PropVals* returned = nullptr;
    PropVals options = PropValsAlloc(1);
    options.entries[0].ident.number = 5; // hidden
    options.entries[0].value.kind = TypedInteger;
    options.entries[0].value.value.integer = 0;
    ObjId doc = HostOpen("Z:\\docs\\R\x8Esum\x8E.fm", &options, &returned);
    ASSERT_NE(doc, 0u);
    EXPECT_EQ(PropValsStatusBit(returned, SimReturnDone), 1);
    EXPECT_FALSE(SimDocById(server, doc)->visible);
    EXPECT_EQ(HostGetIdProp(0, 0, PropActiveDocument), 0u); // hidden: not active
    EXPECT_EQ(Take(HostGetStringProp(doc, doc, PropName)), "Z:\\docs\\R\x8Esum\x8E.fm");

    // Open again: refused without option 29, the open copy with it.
    EXPECT_EQ(HostOpen("Z:\\docs\\R\x8Esum\x8E.fm", &options, &returned), 0u);
    EXPECT_EQ(HostErrorCode, SimStatusFileInUse);
    EXPECT_EQ(HostSimpleOpen("Z:\\docs\\R\x8Esum\x8E.fm", 0), doc);

    ObjId page = HostGetIdProp(0, doc, PropFirstBodyPage);
    ASSERT_EQ(HostSetIntProp(doc, page, PropPageBackground, HostBackgroundNone), 0);
    EXPECT_EQ(HostSave(doc, "Z:\\docs\\R\xC3\xA9sum\xC3\xA9.fm", &options, &returned), doc);
    const SimDoc* stored = SimStoredFile(server, "Z:\\docs\\R\xC3\xA9sum\xC3\xA9.fm");
    ASSERT_NE(stored, nullptr);
    EXPECT_EQ(stored->objects.at(stored->bodyPages[0]).background, HostBackgroundNone);
    EXPECT_EQ(SimServerMemory(server).saves.size(), 1u);

    EXPECT_EQ(HostClose(doc, 1), 0);
    EXPECT_EQ(SimDocById(server, doc), nullptr);
    EXPECT_NE(HostClose(0, 1), 0); // the session is no document
    EXPECT_EQ(HostOpen("Z:\\docs\\missing.fm", &options, &returned), 0u);
    EXPECT_EQ(PropValsStatusBit(returned, SimReturnNotFound), 1);
    PropValsFree(returned);
    PropValsFree(&options);
}

// Save writes the file it is given: under another name the original stays
// as it was, and without a name nothing is written and the save fails.
TEST_F(SimServerTest, SaveWritesTheNamedFileOnly) {
    DocBuilder b("Z:\\docs\\ch1.fm");
    b.page().para("Body", "x");
    SimStorePut(server, b);
    ObjId doc = HostSimpleOpen("Z:\\docs\\ch1.fm", 0);
    ASSERT_NE(doc, 0u);
    ObjId page = HostGetIdProp(0, doc, PropFirstBodyPage);
    ASSERT_EQ(HostSetIntProp(doc, page, PropPageBackground, HostBackgroundNone), 0);

    PropVals options = {0, nullptr};
    PropVals* returned = nullptr;
    for (const char* none : {"", static_cast<const char*>(nullptr)}) {
        HostErrorCode = 0;
        EXPECT_EQ(HostSave(doc, none, &options, &returned), 0u);
        EXPECT_EQ(HostErrorCode, SimStatusSaveFailed);
        EXPECT_EQ(PropValsStatusBit(returned, SimReturnWriteFailed), 1);
    }
    EXPECT_TRUE(SimServerMemory(server).saves.empty());

    EXPECT_EQ(HostSave(doc, "Z:\\docs\\copy.fm", &options, &returned), doc);
    EXPECT_EQ(SimServerMemory(server).saves.count("Z:\\docs\\ch1.fm"), 0u) << "the original is left alone";
    const SimDoc* copy = SimStoredFile(server, "Z:\\docs\\copy.fm");
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->objects.at(copy->bodyPages[0]).background, HostBackgroundNone);
    EXPECT_EQ(Take(HostGetStringProp(doc, doc, PropName)), "Z:\\docs\\copy.fm");
    PropValsFree(returned);
    HostClose(doc, 1);
}

TEST_F(SimServerTest, TextGoesInAndComesBackAsStringItems) {
    ObjId doc = HostNewCustomDoc(0x2400000, 0x3180000, 1, 0x480000, 0x480000, 0x480000, 0x480000,
                                 0x480000, 0, 1);
    ASSERT_NE(doc, 0u);
    ObjId flow = HostGetIdProp(0, doc, PropMainFlow);
    ObjId frame = HostGetIdProp(doc, flow, PropLastTextFrame);
    ObjId para = HostGetIdProp(doc, frame, PropLastParagraph);
    ASSERT_NE(para, 0u);

    TextLoc at{para, 0};
    TextLoc after = HostAddText(doc, &at, "Caf\x8E\x08one");
    ObjId marker = HostNewAnchoredObject(doc, ObjMarker, &after);
    ASSERT_NE(marker, 0u);
    after.offset += 1; // the marker takes position 8: text after it starts at 9
    after = HostAddText(doc, &after, "two\nthree");
    EXPECT_NE(after.objId, para);
    EXPECT_EQ(after.offset, 5);
    EXPECT_EQ(HostGetIdProp(doc, para, PropNextParagraph), after.objId);
    EXPECT_EQ(SimFlowTexts(*SimDocById(server, doc)),
              (std::vector<std::string>{"Caf\xC3\xA9\tonetwo", "three"}));

    // The marker splits the text into two string items; one paragraph only.
    TextRange whole{{para, 0}, {para, TextOffsetEnd}};
    TextItems items = HostGetText(doc, &whole, TextItemString);
    ASSERT_EQ(items.count, 2u);
    EXPECT_STREQ(items.items[0].value.text, "Caf\x8E\x08one");
    EXPECT_STREQ(items.items[1].value.text, "two");
    EXPECT_EQ(items.items[1].offset, 9);
    TextItemsFree(&items);
    TextLoc where = HostGetTextLocProp(doc, marker, PropMarkerLocation);
    EXPECT_EQ(where.objId, para);
    EXPECT_EQ(where.offset, 8);

    // An empty paragraph has no items at all.
    ASSERT_EQ(HostAddText(doc, &after, "\n").offset, 0);
    ObjId lastPara = HostGetIdProp(doc, frame, PropLastParagraph);
    TextRange none{{lastPara, 0}, {lastPara, TextOffsetEnd}};
    items = HostGetText(doc, &none, TextItemString);
    EXPECT_EQ(items.count, 0u);
    TextItemsFree(&items);
}

// The string items of a range: (offset, text) each.
std::vector<std::pair<int32_t, std::string>> StringItems(ObjId doc, TextRange range) {
    TextItems items = HostGetText(doc, &range, TextItemString);
    std::vector<std::pair<int32_t, std::string>> out;
    for (uint32_t i = 0; i < items.count; ++i) out.emplace_back(items.items[i].offset, items.items[i].value.text);
    TextItemsFree(&items);
    return out;
}

// What GetText should give of positions [from, to) of a paragraph whose
// positions are `model` (a character's FrameRoman byte, or 0 for an anchor):
// runs of characters, each at the position of its first.
using StringItemList = std::vector<std::pair<int32_t, std::string>>;
StringItemList ExpectedItems(const std::vector<char>& model, int32_t from, int32_t to) {
    StringItemList out;
    bool open = false;
    for (int32_t at = std::max(from, 0); at < std::min<int32_t>(to, int32_t(model.size())); ++at) {
        if (!model[size_t(at)]) {
            open = false;
        } else if (open) {
            out.back().second += model[size_t(at)];
        } else {
            out.emplace_back(at, std::string(1, model[size_t(at)]));
            open = true;
        }
    }
    return out;
}

// Every range of a paragraph with anchors among its characters, in text
// whose characters are single bytes and in text whose are not: the items
// hold the characters of the range between its anchors.
TEST_F(SimServerTest, EveryRangeOfAParagraphGivesItsCharactersBetweenAnchors) {
    const std::vector<std::vector<std::string>> texts{
        {"R", "e", "s", "u", "m", "e", " ", "1", "2"},
        {"R", "\xC3\xA9", "s", "u", "m", "\xC3\xA9", "\xE4\xB8\xAD", "\xE2\x80\x94", "x"}};
    for (const std::vector<std::string>& chars : texts) {
        std::string text;
        for (const std::string& c : chars) text += c;
        DocBuilder b("Z:\\docs\\ranges.fm");
        b.page().para("Body", text.c_str());
        ObjId local = b.para_;
        b.doc.objects[local].EditExtras().otherAnchors = {3, 9}; // a frame and a footnote
        ObjId doc = SimOpenBuilt(server, b, true);
        SimDoc& d = *SimDocById(server, doc);
        for (int32_t at : {0, 6, 13}) ASSERT_NE(SimAnchorMarker(d, TextLoc{local, at}), 0u);
        // Positions: markers 0 and 6, the frame moved on to 4 and the footnote to 11, marker 13.
        std::vector<char> model;
        size_t next = 0;
        for (int32_t at = 0; at < 14; ++at) {
            bool anchor = at == 0 || at == 4 || at == 6 || at == 11 || at == 13;
            model.push_back(anchor ? '\0' : SimToFrameRoman(chars.at(next++)).at(0));
        }
        ASSERT_EQ(next, chars.size());
        ASSERT_EQ(SimParagraphLength(d, local), 14);
        ObjId para = SimToClient(d, local);
        for (int32_t from = -1; from <= 15; ++from)
            for (int32_t to = from; to <= 16; ++to) {
                TextRange range{{para, from}, {para, to == 16 ? TextOffsetEnd : to}};
                ASSERT_EQ(StringItems(doc, range), ExpectedItems(model, from, to == 16 ? 14 : to))
                    << text << " [" << from << ", " << to << ")";
            }
        SimCloseDoc(SimServerSession(server), doc);
    }
}

// A range over paragraphs of a flow gives the items of each in turn; a
// range whose end does not follow its beginning in the flow fails and
// gives nothing.
TEST_F(SimServerTest, RangesOverSeveralParagraphsFollowTheFlow) {
    DocBuilder b("Z:\\docs\\flow.fm");
    b.page().para("Body", "first").para("Body", "se\xC3\xA7ond").marker("Index", "m");
    b.para("Body", "third");
    ObjId doc = SimOpenBuilt(server, b, true);
    ObjId frame = HostGetIdProp(doc, HostGetIdProp(0, doc, PropMainFlow), PropFirstTextFrame);
    ObjId p1 = HostGetIdProp(doc, frame, PropFirstParagraph);
    ObjId p2 = HostGetIdProp(doc, p1, PropNextParagraph);
    ObjId p3 = HostGetIdProp(doc, p2, PropNextParagraph);
    ASSERT_NE(p3, 0u);
    using Items = std::vector<std::pair<int32_t, std::string>>;
    EXPECT_EQ(StringItems(doc, TextRange{{p1, 2}, {p3, 3}}),
              (Items{{2, "rst"}, {0, "se\x8Dond"}, {0, "thi"}}));
    EXPECT_EQ(StringItems(doc, TextRange{{p2, 3}, {p2, TextOffsetEnd}}), (Items{{3, "ond"}}));
    EXPECT_EQ(HostErrorCode, 0);
    EXPECT_EQ(StringItems(doc, TextRange{{p3, 0}, {p1, TextOffsetEnd}}), Items{});
    EXPECT_EQ(HostErrorCode, SimStatusBadValue);
    HostErrorCode = 0;
}

TEST_F(SimServerTest, AnchorsTakeOnePositionInTextItemsAndMarkerLocations) {
    // Positions: "ab" 0-1, marker A 2, Tab 3, table anchor 4, frame 5, "cd"
    // 6-7, footnote 8, the variable's "Vee" 9-11 and the cross-reference's
    // "x" 12 (the font change takes none), marker B 13, the text inset's
    // "in" 14-15 (the condition takes none), marker C 16.
    const std::string text =
        "<MIFFile 9.00>\n<VariableFormats <VariableFormat <VariableName `V'> <VariableDef `Vee'>>>\n"
        "<Tbls <Tbl <TblID 7> <TblBody <Row <Cell <CellContent <Para <ParaLine <String `cell'>>>>>>>>>\n"
        "<Page <PageType BodyPage> <TextRect <ID 1>>>\n"
        "<TextFlow <TFTag `A'> <Para <PgfTag `Body'> <ParaLine <TextRectID 1> <String `ab'>"
        " <Marker <MTypeName `Index'> <MText `A'>> <Char Tab> <ATbl 7> <AFrame 3> <String `cd'> <FNote 4>"
        " <Font <FTag `B'>> <Variable <VariableName `V'>> <XRef <XRefName `P'>> <String `x'> <XRefEnd>"
        " <Marker <MTypeName `Index'> <MText `B'>> <Conditional <InCondition `C'>>"
        " <TextInset <TiSrcFile `t'>> <String `in'> <TextInsetEnd> <Marker <MTypeName `Index'> <MText `C'>>>>>\n";
    MifFile file;
    std::string error;
    ASSERT_TRUE(MifParse(text.data(), text.size(), "a.mif", &file, &error)) << error;
    SimDoc read;
    ASSERT_TRUE(MifToDoc(file, "Z:\\docs\\a.mif", &read, &error)) << error;
    ObjId doc = SimOpenDoc(SimServerSession(server), read, true)->id;
    ObjId frame = HostGetIdProp(doc, HostGetIdProp(0, doc, PropMainFlow), PropLastTextFrame);
    ObjId para = HostGetIdProp(doc, frame, PropFirstParagraph);
    ASSERT_NE(para, 0u);
    auto markerOffsets = [&] {
        std::vector<int32_t> out;
        for (ObjId m = HostGetIdProp(0, doc, PropFirstMarker); m; m = HostGetIdProp(doc, m, PropNextMarker)) {
            TextLoc at = HostGetTextLocProp(doc, m, PropMarkerLocation);
            EXPECT_EQ(at.objId, para);
            out.push_back(at.offset);
        }
        return out;
    };
    using Items = std::vector<std::pair<int32_t, std::string>>;
    TextRange whole{{para, 0}, {para, TextOffsetEnd}};
    EXPECT_EQ(StringItems(doc, whole), (Items{{0, "ab"}, {3, "\x08"}, {6, "cd"}, {9, "Veex"}, {14, "in"}}));
    EXPECT_EQ(markerOffsets(), (std::vector<int32_t>{2, 13, 16}));
    const SimDoc& d = *SimDocById(server, doc);
    EXPECT_EQ(d.objects.at(d.tables[0]).anchorOffset, 4);
    // A range that begins and ends inside text is cut at its ends as well.
    EXPECT_EQ(StringItems(doc, TextRange{{para, 1}, {para, 7}}), (Items{{1, "b"}, {3, "\x08"}, {6, "c"}}));

    // A marker put at 6 goes before "c"; everything from there on moves on by one.
    TextLoc at{para, 6};
    ASSERT_NE(HostNewAnchoredObject(doc, ObjMarker, &at), 0u);
    EXPECT_EQ(markerOffsets(), (std::vector<int32_t>{2, 6, 14, 17}));
    EXPECT_EQ(StringItems(doc, whole), (Items{{0, "ab"}, {3, "\x08"}, {7, "cd"}, {10, "Veex"}, {15, "in"}}));
    // Text typed at a marker's position goes before it, as FrameMaker inserts.
    at = TextLoc{para, 2};
    TextLoc after = HostAddText(doc, &at, "-");
    EXPECT_EQ(after.offset, 3);
    EXPECT_EQ(markerOffsets(), (std::vector<int32_t>{3, 7, 15, 18}));
    EXPECT_EQ(StringItems(doc, TextRange{{para, 0}, {para, 5}}), (Items{{0, "ab-"}, {4, "\x08"}}));
    HostClose(doc, 1);
}

TEST_F(SimServerTest, FormatPropertiesCopyOntoAParagraph) {
    DocBuilder b("Z:\\r.fm");
    b.format("Indented", 0x240000, {SimExtraProp{1500, TypedString, 0, "Times"}});
    b.page().para("Body", "line");
    ObjId doc = SimOpenBuilt(server, b, true);
    ObjId format = HostGetNamedObject(doc, ObjParagraphFormat, "Indented");
    ObjId para = HostGetIdProp(doc, HostGetIdProp(doc, HostGetIdProp(0, doc, PropMainFlow), PropFirstTextFrame),
                               PropFirstParagraph);
    PropVals props = HostGetProps(doc, format);
    ASSERT_EQ(props.count, 3u);
    EXPECT_EQ(HostSetProps(doc, para, &props), 0);
    PropValsFree(&props);
    EXPECT_EQ(Take(HostGetStringProp(doc, para, PropName)), "Indented");
    EXPECT_EQ(HostGetIntProp(doc, para, PropIndent), 0x240000);

    ObjId made = HostNewNamedObject(doc, ObjParagraphFormat, "Heading2");
    ASSERT_NE(made, 0u);
    EXPECT_EQ(HostNewNamedObject(doc, ObjParagraphFormat, "Heading2"), 0u); // name taken
    EXPECT_EQ(HostSetMetricProp(doc, made, PropIndent, 0x120000), 0);
    EXPECT_EQ(HostGetIntProp(doc, made, PropIndent), 0x120000);
}

TEST_F(SimServerTest, OnlyObjectsWithANameAnswerIt) {
    DocBuilder b("Z:\\n.fm");
    b.masterPages({"Left", "Right"}).formats({"Body"}).markerType("Index");
    b.page().para("Body", "text").marker("MasterPage", "Appendix");
    b.table({{"Paragraph Tag", "Left", "Right"}, {"Body", "Left", "Right"}});
    ObjId doc = SimOpenBuilt(server, b, true);
    ObjId flow = HostGetIdProp(0, doc, PropMainFlow);
    ObjId frame = HostGetIdProp(doc, flow, PropFirstTextFrame);
    ObjId para = HostGetIdProp(doc, frame, PropFirstParagraph);
    ObjId master = HostGetNamedObject(doc, ObjMasterPage, "Right");
    EXPECT_EQ(Take(HostGetStringProp(doc, master, PropName)), "Right");
    EXPECT_EQ(Take(HostGetStringProp(doc, flow, PropName)), "A");
    EXPECT_EQ(Take(HostGetStringProp(doc, para, PropName)), "Body");
    EXPECT_EQ(Take(HostGetStringProp(doc, HostGetNamedObject(doc, ObjParagraphFormat, "Body"), PropName)), "Body");
    EXPECT_EQ(Take(HostGetStringProp(doc, HostGetNamedObject(doc, ObjMarkerType, "Index"), PropName)), "Index");

    // A page, a text frame, a marker and a table have no name of their own.
    ObjId page = HostGetIdProp(0, doc, PropFirstBodyPage);
    ObjId marker = HostGetIdProp(0, doc, PropFirstMarker);
    ObjId table = HostGetIdProp(0, doc, PropFirstTable);
    for (ObjId nameless : {page, frame, marker, table}) {
        ASSERT_NE(nameless, 0u);
        EXPECT_EQ(Take(HostGetStringProp(doc, nameless, PropName)), "<null>") << nameless;
    }
    // The properties of another kind are refused by each.
    ObjId format = HostGetNamedObject(doc, ObjParagraphFormat, "Body");
    for (auto [object, number] : {std::pair{master, PropIndent}, std::pair{flow, PropNextParagraph},
                                  std::pair{format, PropPageBackground}, std::pair{page, PropName}}) {
        HostErrorCode = 0;
        HostGetIntProp(doc, object, number);
        EXPECT_NE(HostErrorCode, 0) << object << " answers property " << number;
    }
    HostErrorCode = 0;
}

TEST_F(SimServerTest, BookComponentsAreReadWithTheirBook) {
    BookBuilder book("Z:\\b\\all.book");
    book.folder("Part").doc("Z:\\b\\c1.fm").end().doc("Z:\\b\\c2.fm");
    ObjId id = SimOpenBook(server, book);
    EXPECT_EQ(HostGetIdProp(0, 0, PropActiveBook), id);
    ObjId folder = HostGetIdProp(0, id, PropFirstComponent);
    EXPECT_EQ(HostGetIntProp(id, folder, PropComponentType), SimComponentFolder);
    ObjId child = HostGetIdProp(id, folder, PropFirstChildComponent);
    EXPECT_EQ(Take(HostGetStringProp(id, child, PropName)), "Z:\\b\\c1.fm");
    EXPECT_EQ(HostGetIdProp(id, child, PropParentComponent), folder);
    EXPECT_EQ(HostGetIdProp(id, child, PropNextComponent), 0u);
    EXPECT_EQ(HostGetIntProp(0, child, PropComponentType), 0);
    EXPECT_EQ(Take(HostGetStringProp(id, id, PropName)), "Z:\\b\\all.book");

    EXPECT_EQ(HostSetStringProp(0, id, PropStatusLine, "Updating Master Pages: c1.fm"), 0);
    EXPECT_NE(HostSetStringProp(id, id, PropStatusLine, "x"), 0);
    ASSERT_EQ(control().statusLines.size(), 1u);
    EXPECT_EQ(control().statusLines[0].text, "Updating Master Pages: c1.fm");
}

TEST_F(SimServerTest, InjectedFailuresCountsAndPrompts) {
    SimFailMethodStatus(control(), 85, 7, 1);
    EXPECT_EQ(HostGetIntProp(0, 0, PropActiveDocument), 0);
    EXPECT_EQ(HostErrorCode, 7);
    SimFailMethod(control(), HostMethodGetIdProp, RPC_E_SERVERCALL_RETRYLATER);
    EXPECT_EQ(HostGetIdProp(0, 0, PropActiveDocument), 0u);
    EXPECT_EQ(HostErrorCode, -88);
    SimClearFaults(control());
    SimFailMethod(control(), HostMethodGetStringProp, E_FAIL, 2);
    EXPECT_EQ(Take(HostGetStringProp(0, 0, PropHostDirectory)), "Z:\\host");
    EXPECT_EQ(Take(HostGetStringProp(0, 0, PropHostDirectory)), "<null>");
    EXPECT_EQ(HostErrorCode, -1);
    EXPECT_EQ(SimCallCount(control(), HostMethodGetStringProp), 2u);
    EXPECT_EQ(SimCallCount(control(), HostMethodGetIntProp), 1u);

    SimScriptPrompt(control(), "Appendix", true);
    SimScriptPrompt(control(), "No", false);
    char* answer = nullptr;
    EXPECT_EQ(HostPromptString(&answer, "Enter the Master Page Marker Category:", ""), 0);
    EXPECT_EQ(Take(answer), "Appendix");
    EXPECT_EQ(HostPromptString(&answer, "again", ""), -1);
    EXPECT_EQ(Take(answer), "No");
    EXPECT_EQ(HostPromptString(&answer, "unscripted", ""), -1);
    EXPECT_EQ(Take(answer), "<null>");
    EXPECT_EQ(control().prompts.size(), 3u);

    HostAlert("Could not open the MasterPage.fm document.", HostAlertContinueWarning);
    ASSERT_EQ(control().alerts.size(), 1u);
    EXPECT_EQ(control().alerts[0].type, HostAlertContinueWarning);
    EXPECT_EQ(HostWriteConsole("line\n"), 0);
    EXPECT_EQ(control().console.back(), "line\n");
}

TEST_F(SimServerTest, TablesPagesAndFramesWalkAsTheyStand) {
    DocBuilder b("Z:\\m.fm");
    b.page().para("Title", "T").marker("MasterPage", "Appendix").bare().graphic().page();
    b.table({{"Paragraph Tag", "Left", "Right"}, {"Title", "Missing\nChapter", ""}});
    ObjId doc = SimOpenBuilt(server, b, true);

    ObjId table = HostGetIdProp(doc, doc, PropFirstTable); // either argument will do
    ObjId heading = HostGetIdProp(doc, table, PropFirstRow);
    ObjId row = HostGetIdProp(doc, heading, PropNextRow);
    EXPECT_EQ(HostGetIntProp(doc, heading, PropRowType), SimRowHeading);
    EXPECT_EQ(HostGetIntProp(doc, row, PropRowType), SimRowBody);
    ObjId key = HostGetIdProp(doc, row, PropFirstCell);
    ObjId left = HostGetIdProp(doc, key, PropNextCell);
    ObjId first = HostGetIdProp(doc, left, PropFirstParagraph);
    ObjId second = HostGetIdProp(doc, first, PropNextParagraph);
    EXPECT_EQ(HostGetIdProp(doc, second, PropNextParagraph), 0u);
    TextRange r{{second, 0}, {second, TextOffsetEnd}};
    TextItems items = HostGetText(doc, &r, TextItemString);
    ASSERT_EQ(items.count, 1u);
    EXPECT_STREQ(items.items[0].value.text, "Chapter");
    TextItemsFree(&items);

    // Page 1: text; page 2: a picture only; page 3: the table's anchor.
    ObjId p1 = HostGetIdProp(0, doc, PropFirstBodyPage);
    ObjId p2 = HostGetIdProp(doc, p1, PropNextBodyPage);
    ObjId p3 = HostGetIdProp(doc, p2, PropNextBodyPage);
    ObjId g2 = HostGetIdProp(doc, HostGetIdProp(doc, p2, PropPageFrame), PropFirstGraphic);
    EXPECT_EQ(HostGetIdProp(doc, g2, PropFirstParagraph), 0u);
    EXPECT_NE(HostGetIdProp(doc, g2, SimPropFirstGraphicInFrame), 0u);
    ObjId f1 = HostGetIdProp(doc, HostGetIdProp(doc, p1, PropPageFrame), PropFirstGraphic);
    EXPECT_EQ(HostGetIdProp(doc, f1, SimPropFirstGraphicInFrame), 0u);
    EXPECT_EQ(HostGetIdProp(doc, f1, SimPropFirstAnchoredFrame), 0u);
    // A marker leads to its page: location, paragraph, frame, frame parent, page.
    ObjId marker = HostGetIdProp(0, doc, PropFirstMarker);
    TextLoc at = HostGetTextLocProp(doc, marker, PropMarkerLocation);
    ObjId frame = HostGetIdProp(doc, at.objId, PropTextFrame);
    EXPECT_EQ(HostGetIdProp(doc, HostGetIdProp(doc, frame, PropFrameParent), PropFramePage), p1);
    EXPECT_EQ(Take(HostGetStringProp(doc, HostGetIdProp(doc, marker, PropMarkerTypeOf), PropName)),
              "MasterPage");
    // A cell's paragraph stands in the frame of the table's anchor.
    ObjId f3 = HostGetIdProp(doc, HostGetIdProp(doc, p3, PropPageFrame), PropFirstGraphic);
    EXPECT_EQ(HostGetIdProp(doc, first, PropTextFrame), f3);
}

TEST_F(SimServerTest, SelectionCurrentPageAndClosing) {
    DocBuilder b("Z:\\s.fm");
    b.page().para("Body", "abc").caret(2).page();
    ObjId doc = SimOpenBuilt(server, b, true);
    TextRange sel = HostGetTextRangeProp(0, doc, PropTextSelection);
    EXPECT_EQ(sel.begin.offset, 2);
    ObjId p2 = HostGetIdProp(doc, HostGetIdProp(0, doc, PropFirstBodyPage),
                             PropNextBodyPage);
    ObjId master = HostGetIdProp(0, doc, PropFirstMasterPage);
    EXPECT_EQ(HostSetIdProp(0, doc, PropCurrentPage, master), 0);
    EXPECT_EQ(HostSetIdProp(0, doc, PropCurrentPage, p2), 0);
    EXPECT_EQ(HostGetIdProp(0, doc, PropCurrentPage), p2);
    EXPECT_NE(HostSetIdProp(0, doc, PropCurrentPage, sel.begin.objId), 0); // a paragraph is no page
    TextRange none{};
    EXPECT_EQ(HostSetTextRangeProp(0, doc, PropTextSelection, &none), 0);
    EXPECT_EQ(HostGetTextRangeProp(0, doc, PropTextSelection).begin.objId, 0u);

    // A changed document closes only with flag 1; the active one moves on.
    ASSERT_EQ(HostApplyMasterPage(doc, p2, master), 0);
    EXPECT_EQ(HostClose(doc, 0), SimStatusModified);
    EXPECT_EQ(HostClose(doc, 1), 0);
    EXPECT_EQ(HostGetIdProp(0, 0, PropActiveDocument), 0u);
    EXPECT_EQ(HostApplyMasterPage(doc, p2, master), SimStatusBadDocument);
}

// A client callback object as the frame makes it: IUnknown, then the
// notification methods in their slots.
struct FakeClient : IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Initialize(int32_t code) { inits.push_back(code); return S_OK; }
    virtual HRESULT STDMETHODCALLTYPE Quit() { return S_OK; }
    virtual HRESULT STDMETHODCALLTYPE Command(int32_t n) { commands.push_back(n); return S_OK; }
    virtual HRESULT STDMETHODCALLTYPE Message(const char*, int32_t, int32_t) { return S_OK; }
    virtual HRESULT STDMETHODCALLTYPE DialogEvent(int32_t, int32_t, int32_t) { return S_OK; }
    virtual HRESULT STDMETHODCALLTYPE Notify(int32_t code, int32_t, const char* text, int32_t) {
        messages.push_back(std::to_string(code) + ":" + text);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++refs; }
    ULONG STDMETHODCALLTYPE Release() override { return --refs; }
    long refs = 1;
    std::vector<int32_t> inits, commands;
    std::vector<std::string> messages;
};

TEST_F(SimServerTest, RegisteredClientIsHeldAndDriven) {
    FakeClient client;
    EXPECT_EQ(HostRegisterClient(&client, 0x16000000, nullptr), S_OK);
    EXPECT_EQ(client.refs, 2);
    EXPECT_EQ(SimClientApiVersion(server), 0x16000000);
    EXPECT_EQ(SimClientInitialize(server, HostInitializeFirst), S_OK);
    ObjId bar = HostGetNamedObject(0, ObjMenu, "!BookMainMenu");
    HostDefineAndAddCommand(5, bar, "ListMasterPagesBook", "List Master Pages", "");
    EXPECT_EQ(SimClientChooseCommand(server, "ListMasterPagesBook"), S_OK);
    // Messages arrive only after the client asked for notification 13.
    EXPECT_EQ(SimClientMessage(server, "SetDocId 42"), S_FALSE);
    EXPECT_EQ(HostRequestNotification(HostNotifyMessage, 1), 0);
    EXPECT_EQ(SimClientMessage(server, "SetDocId 42"), S_OK);
    EXPECT_EQ(client.inits, (std::vector<int32_t>{1}));
    EXPECT_EQ(client.commands, (std::vector<int32_t>{5}));
    EXPECT_EQ(client.messages, (std::vector<std::string>{"13:SetDocId 42"}));
    EXPECT_EQ(client.refs, 2);
    SimClientRelease(server);
    EXPECT_EQ(client.refs, 1);
}

} // namespace
