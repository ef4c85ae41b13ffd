// Saving MIF documents read from files: what the session left alone comes
// back byte for byte around what it changed, new paragraphs name the text
// frame they stand in only where the text before them stood in another, and
// new frames take numbers no statement of the file has.
#include "hostsim/mif/mif_document.h"
#include "hostsim/mif/mif_reader.h"
#include "hostsim/mif/mif_source.h"
#include "hostsim/mif/mif_writer.h"

#include "common/temp_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>

namespace {

// The text a save writes.
std::string Saved(const SimDoc& doc) {
    MifFile file;
    std::string text, error;
    EXPECT_TRUE(MifPatchDocument(doc, &file, &error)) << error;
    EXPECT_TRUE(MifWriteText(file, &text, &error)) << error;
    return text;
}

SimDoc FromText(const std::string& text) {
    MifFile read;
    std::string error;
    EXPECT_TRUE(MifParse(text.data(), text.size(), "t.mif", &read, &error)) << error;
    SimDoc doc;
    EXPECT_TRUE(MifToDoc(std::move(read), "Z:\\docs\\t.mif", &doc, &error)) << error;
    return doc;
}

// The lines of a text, whatever its line ends.
std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    size_t i = 0;
    while (i < text.size()) {
        size_t end = text.find_first_of("\r\n", i);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(i, end - i));
        i = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    }
    return lines;
}

// The same with every <PageBackground ...> statement left out (and a line
// that held only that).
std::vector<std::string> LinesWithoutBackgrounds(const std::string& text) {
    const std::regex background("[ \\t]*<PageBackground `[^']*'>");
    std::vector<std::string> lines;
    for (const std::string& line : Lines(text)) {
        std::string rest = std::regex_replace(line, background, "");
        if (!rest.empty() || line.empty()) lines.push_back(rest);
    }
    return lines;
}

std::vector<int32_t> Backgrounds(const SimDoc& doc) {
    std::vector<int32_t> out;
    for (ObjId p : doc.bodyPages) out.push_back(SimLocal(doc, p)->background);
    return out;
}

} // namespace

// Every document of the fixtures and the sample: saved unchanged it is its
// file; saved after its first, middle and last pages changed master page,
// only the lines of those pages' backgrounds differ, and it reads back so.
TEST(MifSave, ADocumentSavedAfterChangesAtItsStartMiddleAndEndKeepsEveryOtherByte) {
    int documents = 0;
    for (const char* folder : {"/examples", "/tests/hostsim/data", "/tests/hostsim/data/framemaker"}) {
        for (const auto& entry : std::filesystem::directory_iterator(std::string(VELLOR_SOURCE_DIR) + folder)) {
            if (!entry.is_regular_file()) continue;
            std::string path = entry.path().string(), bytes = ReadBytes(path), error;
            SCOPED_TRACE(path);
            SimDoc doc;
            ASSERT_TRUE(MifLoadDoc(path, "Z:\\docs\\x.mif", &doc, &error)) << error;
            if (doc.isBook || doc.bodyPages.empty()) continue;
            ++documents;
            EXPECT_EQ(Saved(doc), bytes);
            for (size_t i : {size_t(0), doc.bodyPages.size() / 2, doc.bodyPages.size() - 1}) {
                SimObject& page = *SimLocal(doc, doc.bodyPages[i]);
                page.background = page.background == HostBackgroundNone ? HostBackgroundDefault : HostBackgroundNone;
            }
            std::string saved = Saved(doc);
            EXPECT_NE(saved, bytes);
            EXPECT_EQ(LinesWithoutBackgrounds(saved), LinesWithoutBackgrounds(bytes));
            EXPECT_EQ(Backgrounds(FromText(saved)), Backgrounds(doc));
        }
    }
    EXPECT_EQ(documents, 15);
}

// Paragraphs a session adds to a flow: each names its text frame (its
// TextRectID) only when the text before it stood in another one, whether
// that text was written as read or anew.
TEST(MifSave, NewParagraphsNameTheirFrameWhereTheTextBeforeStoodInAnother) {
    const std::string text = "<MIFFile 9.00>\n"
                             "<Page <PageType BodyPage> <TextRect <ID 1>>>\n"
                             "<Page <PageType BodyPage> <TextRect <ID 2>>>\n"
                             "<TextFlow <TFTag `A'>\n"
                             " <Para <PgfTag `Body'> <ParaLine <TextRectID 1> <String `a'>>>\n"
                             " <Para <PgfTag `Body'> <ParaLine <String `b'>>>\n"
                             " <Para <PgfTag `Body'> <ParaLine <TextRectID 2> <String `c'>>>\n"
                             " <Para <PgfTag `Body'> <ParaLine <String `d'>>>\n"
                             ">\n";
    SimDoc doc = FromText(text);
    std::vector<ObjId> paras = SimLocal(doc, doc.mainFlow)->children;
    ObjId frame1 = SimLocal(doc, paras[0])->parent;
    TextLoc after{};
    // "b" changed, then a paragraph after it in its frame: the frame the
    // text before names is that of "a", written as read.
    ASSERT_EQ(SimInsertText(doc, TextLoc{paras[1], 1}, "b\nY", &after), SimOk);
    // After "d" (on the second page), paragraphs in the first frame.
    ASSERT_EQ(SimInsertText(doc, TextLoc{paras[3], 1}, "\nX", &after), SimOk);
    ObjId x = after.objId;
    SimLocal(doc, x)->parent = frame1;
    ASSERT_EQ(SimInsertText(doc, TextLoc{x, 1}, "\nZ", &after), SimOk);
    SimInvalidateOrder(doc);

    std::string saved = Saved(doc);
    const std::string newPara = " <Para\n  <PgfTag `Body'>\n  <ParaLine\n";
    EXPECT_NE(saved.find("<String `bb'> >>\n" + newPara + "   <String `Y'>\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("<String `d'>>>\n" + newPara + "   <TextRectID 1>\n   <String `X'>\n"), std::string::npos)
        << saved;
    EXPECT_NE(saved.find(">\n >\n" + newPara + "   <String `Z'>\n"), std::string::npos) << saved;
    SimDoc back = FromText(saved);
    std::vector<std::string> pages;
    for (ObjId p : SimLocal(back, back.mainFlow)->children)
        pages.push_back(SimLocal(back, p)->text + "@" +
                        std::to_string(SimBodyPageIndex(back, SimParagraphPage(back, p))));
    EXPECT_EQ(pages, (std::vector<std::string>{"a@0", "bb@0", "Y@0", "c@1", "d@1", "X@0", "Z@0"}));
}

// A master page the session adds gets frames numbered above every <ID n>
// and <TblID n> of the file, the same at each save.
TEST(MifSave, NewFramesTakeNumbersAboveEveryNumberOfTheFile) {
    const std::string text = "<MIFFile 9.00>\n"
                             "<Tbls <Tbl <TblID 40> <TblBody <Row <Cell <CellContent <Para <ParaLine>>>>>>>>\n"
                             "<Page <PageType RightMasterPage> <PageTag `Right'> <TextRect <ID 3>>>\n"
                             "<Page <PageType BodyPage> <TextRect <ID 7>>>\n"
                             "<TextFlow <TFTag `A'> <Para <PgfTag `Body'> <ParaLine <TextRectID 7> <ATbl 40>>>>\n";
    SimDoc doc = FromText(text);
    ObjId master = SimNewObject(doc, SimObjMasterPage);
    ObjId pageFrame = SimNewObject(doc, SimObjPageFrame);
    doc.objects[master].name = "Wide";
    doc.objects[master].frame = pageFrame;
    doc.objects[pageFrame].parent = master;
    for (SimObjKind kind : {SimObjTextFrame, SimObjGraphic}) {
        ObjId g = SimNewObject(doc, kind);
        doc.objects[g].parent = pageFrame;
        doc.objects[pageFrame].children.push_back(g);
    }
    doc.masterPages.push_back(master);
    std::string saved = Saved(doc);
    EXPECT_NE(saved.find(" <PageTag `Wide'>\n <TextRect\n  <ID 41>\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find(" <Frame\n  <ID 42>\n"), std::string::npos) << saved;
    EXPECT_EQ(Saved(doc), saved);
}

// A paragraph's text as read is what its lines' items add: one whose text
// is that again is written as read, one whose text differs anywhere (in a
// piece, past the last one, short of it) is written with its text now.
TEST(MifSave, AParagraphIsWrittenAsReadExactlyWhenItsTextIsTheTextItWasReadWith) {
    const std::string text = "<MIFFile 9.00>\n<VariableFormats <VariableFormat <VariableName `V'> <VariableDef `Vee'>>>\n"
                             "<Page <PageType BodyPage> <TextRect <ID 1>>>\n"
                             "<TextFlow <TFTag `A'>\n"
                             " <Para <PgfTag `Body'> <ParaLine <TextRectID 1> <String `ab'> <Char Tab>>\n"
                             "  <ParaLine <Variable <VariableName `V'>> <String `cd'>>>\n"
                             ">\n";
    for (const char* now : {"ab\tVeecd", "ab\tVeec", "ab\tVeecdX", "ab\tVeXcd", "Xb\tVeecd", "ab\tVee", ""}) {
        SCOPED_TRACE(now);
        SimDoc doc = FromText(text);
        SimLocal(doc, SimLocal(doc, doc.mainFlow)->children[0])->text = now;
        std::string saved = Saved(doc);
        EXPECT_EQ(saved == text, std::string(now) == "ab\tVeecd") << saved;
        EXPECT_EQ(SimFlowTexts(FromText(saved)), std::vector<std::string>{now});
    }
}

// Tables in which nothing changed are written as read; in one whose cell
// changed, only the line of that cell's text is new.
TEST(MifSave, AChangedTableCellIsWrittenAmongTheTableStatementsAsTheyWereRead) {
    const std::string text = "<MIFFile 9.00>\n"
                             "<Tbls\n"
                             " <Tbl <TblID 1> <TblBody <Row\n"
                             "  <Cell <CellContent <Para <ParaLine <String `a'>>>>>\n"
                             "  <Cell <CellContent <Para\n"
                             "   <ParaLine <String `b'>>\n"
                             "  >>>\n"
                             " >>>\n"
                             " <Tbl <TblID 2> <TblH <Row <Cell <CellContent <Para <ParaLine <String `c'>>>>>>>>\n"
                             ">\n"
                             "<Page <PageType BodyPage> <TextRect <ID 3>>>\n"
                             "<TextFlow <TFTag `A'> <Para <ParaLine <TextRectID 3> <ATbl 1> <ATbl 2>>>>\n";
    SimDoc doc = FromText(text);
    EXPECT_EQ(Saved(doc), text);
    ObjId row = SimLocal(doc, doc.tables[0])->children[0];
    ObjId cell = SimLocal(doc, row)->children[1];
    SimLocal(doc, SimLocal(doc, cell)->children[0])->text = "B";
    std::string saved = Saved(doc);
    std::vector<std::string> before = Lines(text), after = Lines(saved);
    ASSERT_EQ(after.size(), before.size()) << saved;
    for (size_t i = 0; i < before.size(); ++i) {
        if (i != 5) {
            EXPECT_EQ(after[i], before[i]) << i;
        }
    }
    SimDoc back = FromText(saved);
    row = SimLocal(back, back.tables[0])->children[0];
    cell = SimLocal(back, row)->children[1];
    EXPECT_EQ(SimLocal(back, SimLocal(back, cell)->children[0])->text, "B");
}

// Statements need not come in the order FrameMaker writes them: a flow
// before the pages its paragraphs stand on is saved as well.
TEST(MifSave, AFlowBeforeItsPagesIsSavedLikeAnyOther) {
    const std::string text = "<MIFFile 9.00>\n"
                             "<TextFlow <TFTag `A'>\n"
                             " <Para <PgfTag `Body'> <ParaLine <TextRectID 1> <String `one'>>>\n"
                             " <Para <PgfTag `Body'> <ParaLine <TextRectID 2> <String `two'>>>\n"
                             ">\n"
                             "<Page <PageType BodyPage> <PageBackground `Default'> <TextRect <ID 1>>>\n"
                             "<Page <PageType BodyPage> <PageBackground `Default'> <TextRect <ID 2>>>\n";
    SimDoc doc = FromText(text);
    EXPECT_EQ(Saved(doc), text);
    SimLocal(doc, doc.bodyPages[1])->background = HostBackgroundNone;
    SimLocal(doc, SimLocal(doc, doc.mainFlow)->children[1])->text = "2";
    std::string saved = Saved(doc);
    SimDoc back = FromText(saved);
    EXPECT_EQ(SimFlowTexts(back), (std::vector<std::string>{"one", "2"}));
    EXPECT_EQ(Backgrounds(back), (std::vector<int32_t>{HostBackgroundDefault, HostBackgroundNone}));
    std::vector<std::string> before = Lines(text), after = Lines(saved);
    ASSERT_EQ(after.size(), before.size());
    for (size_t i : {0, 1, 2, 4, 5}) EXPECT_EQ(after[i], before[i]) << i;
}

// A flow is written as read only when it holds the paragraphs it was read
// with, in their order, each as read; otherwise the paragraphs as they
// stand now are written, each once, those moved included.
TEST(MifSave, AFlowIsWrittenAsReadOnlyWhenItHoldsItsParagraphsAsRead) {
    const std::string text = "<MIFFile 9.00>\n<Page <PageType BodyPage> <TextRect <ID 1>>>\n"
                             "<TextFlow <TFTag `A'>\n"
                             " <Para <PgfTag `Body'> <ParaLine <TextRectID 1> <String `a'>>>\n"
                             " <Para <PgfTag `Body'> <ParaLine <String `b'>>>\n"
                             " <Para <PgfTag `Body'> <ParaLine <String `c'>>>\n"
                             ">\n";
    const char* edits[] = {"none", "swap", "drop the last", "drop the first", "split the last", "retag"};
    for (const char* edit : edits) {
        SCOPED_TRACE(edit);
        SimDoc doc = FromText(text);
        std::vector<ObjId>& paras = SimLocal(doc, doc.mainFlow)->children;
        std::string what = edit;
        TextLoc after{};
        if (what == "swap") std::swap(paras[1], paras[2]);
        if (what == "drop the last") paras.pop_back();
        if (what == "drop the first") paras.erase(paras.begin());
        if (what == "split the last") {
            ASSERT_EQ(SimInsertText(doc, TextLoc{paras[2], 1}, "\nd", &after), SimOk);
        }
        if (what == "retag") SimLocal(doc, paras[1])->name = "Note";
        SimInvalidateOrder(doc);
        std::string saved = Saved(doc);
        EXPECT_EQ(saved == text, what == "none") << saved;
        SimDoc back = FromText(saved);
        EXPECT_EQ(SimFlowTexts(back), SimFlowTexts(doc));
        EXPECT_EQ(SimFlowTags(back), SimFlowTags(doc));
    }
}

// A paragraph added to a table cell (text typed with a line break) is saved
// in its cell, after the one it was split from, and its cell's paragraphs
// moved around are saved in their order now.
TEST(MifSave, ParagraphsAddedToATableCellAreSavedInTheirCell) {
    const std::string text = "<MIFFile 9.00>\n"
                             "<Tbls <Tbl <TblID 1> <TblBody <Row\n"
                             " <Cell <CellContent <Para <ParaLine <String `ab'>>> <Para <ParaLine <String `z'>>>>>\n"
                             " <Cell <CellContent <Para <ParaLine <String `c'>>>>>\n"
                             ">>>>\n"
                             "<Page <PageType BodyPage> <TextRect <ID 3>>>\n"
                             "<TextFlow <TFTag `A'> <Para <ParaLine <TextRectID 3> <ATbl 1>>>>\n";
    auto cellTexts = [](const SimDoc& doc, size_t column) {
        ObjId row = SimLocal(doc, doc.tables[0])->children[0];
        std::vector<std::string> texts;
        for (ObjId p : SimLocal(doc, SimLocal(doc, row)->children[column])->children)
            texts.push_back(SimLocal(doc, p)->text);
        return texts;
    };
    SimDoc doc = FromText(text);
    ObjId row = SimLocal(doc, doc.tables[0])->children[0];
    std::vector<ObjId>& first = SimLocal(doc, SimLocal(doc, row)->children[0])->children;
    TextLoc after{};
    ASSERT_EQ(SimInsertText(doc, TextLoc{first[0], 1}, "\nX", &after), SimOk);
    std::swap(first[0], first[2]);
    SimInvalidateOrder(doc);
    ASSERT_EQ(cellTexts(doc, 0), (std::vector<std::string>{"z", "Xb", "a"}));
    SimDoc back = FromText(Saved(doc));
    EXPECT_EQ(cellTexts(back, 0), (std::vector<std::string>{"z", "Xb", "a"}));
    EXPECT_EQ(cellTexts(back, 1), std::vector<std::string>{"c"});
}

// Paragraphs whose text is one item keep that item's text as the text they
// were read with; one whose only item is a <Char> or whose text is built of
// several keeps a copy. Either way a paragraph left alone is written as
// read, and one whose text or tag changed is written anew, whichever
// paragraph it is and whatever its neighbours are.
TEST(MifSave, EachKindOfParagraphTextIsComparedWithTheTextItWasReadWith) {
    const std::string text = "<MIFFile 9.00>\n<VariableFormats <VariableFormat <VariableName `V'> <VariableDef `Vee'>>>\n"
                             "<Page <PageType BodyPage> <TextRect <ID 1>>>\n"
                             "<TextFlow <TFTag `A'>\n"
                             " <Para <PgfTag `Body'> <ParaLine <TextRectID 1> <String `one'>>>\n"
                             " <Para <PgfTag `Body'> <ParaLine <Char Tab>>>\n"
                             " <Para <PgfTag `Head'> <ParaLine <Variable <VariableName `V'>>>>\n"
                             " <Para <ParaLine <String `'> <String `two'> <String `'>>>\n"
                             " <Para <PgfTag `Body'> <ParaLine <Char EmDash>> <ParaLine <String `x'>>>\n"
                             " <Para <PgfTag `Body'>>\n"
                             ">\n";
    const std::vector<std::string> asRead = {"one", "\t", "Vee", "two", "\xE2\x80\x94x", ""};
    SimDoc doc = FromText(text);
    ASSERT_EQ(SimFlowTexts(doc), asRead);
    EXPECT_EQ(Saved(doc), text);
    for (size_t i = 0; i < asRead.size(); ++i) {
        for (bool tag : {false, true}) {
            SCOPED_TRACE(std::to_string(i) + (tag ? " tag" : " text"));
            SimDoc changed = FromText(text);
            SimObject& p = *SimLocal(changed, SimLocal(changed, changed.mainFlow)->children[i]);
            if (tag) p.name = "Other";
            else p.text = asRead[i].empty() ? "new" : std::string(asRead[i].size(), 'Z');
            std::string saved = Saved(changed);
            EXPECT_NE(saved, text);
            SimDoc again = FromText(saved);
            std::vector<std::string> texts = asRead;
            if (!tag) texts[i] = p.text;
            EXPECT_EQ(SimFlowTexts(again), texts);
            EXPECT_EQ(SimLocal(again, SimLocal(again, again.mainFlow)->children[i])->name, tag ? "Other" : p.name);
        }
    }
}
