// MIF documents and books as the host's objects: what each statement
// becomes, what a save writes back after a session's changes, and the file
// store the host opens and saves through.
#include "hostsim/doc_builder.h"
#include "hostsim/mif/mif_document.h"
#include "hostsim/mif/mif_reader.h"
#include "hostsim/mif/mif_source.h"
#include "hostsim/mif/mif_store.h"
#include "hostsim/mif/mif_writer.h"
#include "hostsim/sim_random.h"
#include "common/temp_folder.h"
#include "platform/win_names.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

std::string SourceData(const char* name) { return std::string(VELLOR_SOURCE_DIR "/tests/hostsim/data/") + name; }

SimDoc Load(const char* file, const char* name = "Z:\\docs\\ch.mif") {
    SimDoc doc;
    std::string error;
    EXPECT_TRUE(MifLoadDoc(SourceData(file), name, &doc, &error)) << error;
    return doc;
}

// Writes the document and reads the text back, as a save and an open would.
SimDoc Reload(const SimDoc& doc, MifFile* written = nullptr) {
    MifFile file, again;
    std::string text, error;
    EXPECT_TRUE(MifFromDoc(doc, doc.name, &file, &error)) << error;
    EXPECT_TRUE(MifWriteText(file, &text, &error)) << error;
    EXPECT_TRUE(MifParse(text.data(), text.size(), "re.mif", &again, &error)) << error;
    SimDoc out;
    EXPECT_TRUE(MifToDoc(again, doc.name, &out, &error)) << error;
    if (written) *written = again;
    return out;
}

std::string Name(const SimDoc& doc, ObjId id) { return SimLocal(doc, id) ? SimLocal(doc, id)->name : "?"; }

std::vector<std::string> Markers(const SimDoc& doc) {
    std::vector<std::string> out;
    for (ObjId m : SimMarkerChain(doc)) out.push_back(Name(doc, SimLocal(doc, m)->markerType) + ":" + SimLocal(doc, m)->text);
    return out;
}

std::vector<std::string> Masters(const SimDoc& doc) {
    std::vector<std::string> out;
    for (ObjId p : doc.bodyPages) out.push_back(SimPageMasterName(doc, p));
    return out;
}

const MifNode* TopLevel(const MifFile& f, const char* token) {
    for (const MifNode& n : f.statements)
        if (n.token == token) return &n;
    return nullptr;
}

} // namespace

TEST(MifDocument, StatementsBecomeTheHostsObjects) {
    SimDoc doc = Load("chapter_utf8.mif");
    EXPECT_TRUE(doc.twoSided);
    EXPECT_FALSE(doc.firstPageRight);
    std::vector<std::string> masters;
    for (ObjId m : doc.masterPages) masters.push_back(Name(doc, m));
    EXPECT_EQ(masters, (std::vector<std::string>{"Left", "Right", "Chapter"}));

    // Sides alternate from the left; Default, None and a name as backgrounds.
    ASSERT_EQ(doc.bodyPages.size(), 4u);
    EXPECT_EQ(SimPageIsRight(doc, doc.bodyPages[0]), 0);
    EXPECT_EQ(SimPageIsRight(doc, doc.bodyPages[1]), 1);
    EXPECT_EQ(Masters(doc), (std::vector<std::string>{"Left", "", "Chapter", "Right"}));
    EXPECT_EQ(SimLocal(doc, doc.bodyPages[2])->background, HostBackgroundNamed);
    EXPECT_EQ(SimPageNumberText(doc, doc.bodyPages[0]), "i");
    EXPECT_EQ(SimPageNumberText(doc, doc.bodyPages[3]), "4");

    // The main flow, its paragraphs, tags, text with control codes, indents.
    EXPECT_EQ(Name(doc, doc.mainFlow), "A");
    EXPECT_EQ(SimFlowTexts(doc),
              (std::vector<std::string>{"Intro", "First\tcaf\u00E9\u2011x", "", "spans two frames", "last"}));
    EXPECT_EQ(SimFlowTags(doc), (std::vector<std::string>{"Heading", "Body", "Body", "Body", "Body"}));
    const std::vector<ObjId>& paras = SimLocal(doc, doc.mainFlow)->children;
    EXPECT_EQ(SimLocal(doc, paras[0])->indent, 6 * MetricOnePoint);
    EXPECT_EQ(SimLocal(doc, paras[1])->indent, 36 * MetricOnePoint);
    EXPECT_EQ(SimLocal(doc, paras[4])->indent, 72 * MetricOnePoint); // its own <Pgf> override

    // Where paragraphs stand: a paragraph without a TextRectID stays in the
    // frame the text before it reached.
    std::vector<ObjId> pages;
    for (ObjId p : paras) pages.push_back(SimParagraphPage(doc, p));
    EXPECT_EQ(pages, (std::vector<ObjId>{doc.bodyPages[0], doc.bodyPages[0], doc.bodyPages[0], doc.bodyPages[1],
                                         doc.bodyPages[2]}));
    ObjId firstFrame = SimLocal(doc, paras[0])->parent;
    EXPECT_EQ(SimFrameFirstParagraph(doc, firstFrame), paras[0]);
    EXPECT_EQ(SimFrameLastParagraph(doc, firstFrame), paras[2]);
    EXPECT_EQ(SimNextParagraph(doc, paras[2]), paras[3]);
    // The page frame holds the text frame and the picture in file order; an
    // empty body page's frame belongs to the main flow.
    const SimObject& frame0 = *SimLocal(doc, SimLocal(doc, doc.bodyPages[0])->frame);
    ASSERT_EQ(frame0.children.size(), 2u);
    EXPECT_EQ(SimLocal(doc, frame0.children[0])->kind, SimObjTextFrame);
    EXPECT_EQ(SimLocal(doc, frame0.children[1])->kind, SimObjGraphic);
    ObjId emptyFrame = SimLocal(doc, SimLocal(doc, doc.bodyPages[3])->frame)->children[0];
    EXPECT_EQ(SimLocal(doc, emptyFrame)->flow, doc.mainFlow);

    // Markers in flow order; types from the catalog and from the markers.
    EXPECT_EQ(Markers(doc), (std::vector<std::string>{"MasterPage:Chapter", "Index:cafes"}));
    EXPECT_EQ(SimLocal(doc, SimMarkerChain(doc)[1])->anchorOffset, 12);
    EXPECT_TRUE(SimNamed(doc, SimObjMarkerType, "Index"));

    // The table: heading, body and footing rows, cells holding paragraphs,
    // anchored in the third paragraph.
    ASSERT_EQ(doc.tables.size(), 1u);
    const SimObject& table = *SimLocal(doc, doc.tables[0]);
    EXPECT_EQ(table.anchorParagraph, paras[2]);
    std::vector<int32_t> types;
    for (ObjId r : table.children) types.push_back(SimLocal(doc, r)->rowType);
    EXPECT_EQ(types, (std::vector<int32_t>{SimRowHeading, SimRowBody, SimRowBody, SimRowFooting}));
    ObjId cell = SimLocal(doc, table.children[1])->children[1];
    ASSERT_EQ(SimLocal(doc, cell)->children.size(), 2u);
    EXPECT_EQ(SimLocal(doc, SimLocal(doc, cell)->children[1])->text, "Left");
    EXPECT_EQ(SimParagraphPage(doc, SimLocal(doc, cell)->children[1]), doc.bodyPages[0]);

    // A one-sided FrameRoman document: right pages only.
    SimDoc roman = Load("chapter_roman.mif");
    EXPECT_FALSE(roman.twoSided);
    EXPECT_EQ(Masters(roman), (std::vector<std::string>{"Right"}));
    EXPECT_EQ(SimPageNumberText(roman, roman.bodyPages[0]), "12");
    EXPECT_EQ(SimFlowTexts(roman), (std::vector<std::string>{"caf\u00E9 \u2014done '>"}));
    EXPECT_EQ(SimLocal(roman, roman.formats[0])->indent, 9 * MetricOnePoint);
}

TEST(MifDocument, UnchangedDocumentsAndBooksWriteBackTheSameStatements) {
    for (const char* name : {"chapter_utf8.mif", "chapter_roman.mif", "book.mif"}) {
        MifFile read, written;
        std::string error;
        ASSERT_TRUE(MifReadFile(SourceData(name), &read, &error)) << error;
        SimDoc doc;
        ASSERT_TRUE(MifToDoc(read, "Z:\\docs\\x.mif", &doc, &error)) << error;
        ASSERT_TRUE(MifFromDoc(doc, doc.name, &written, &error)) << error;
        EXPECT_TRUE(MifSameFile(read, written)) << name;
    }
    // Statements the host does not know, among components at the top and in
    // a folder, keep their places.
    const std::string text = "<Book 7.00>\n<BookComponent <FileName `<c>a.mif'>>\n<Odd 1>\n"
                             "<BookFolder <FolderName `F'> <BookComponent <FileName `<c>b.mif'>> <Odd 2>\n"
                             " <BookComponent <FileName `<c>c.mif'>>>\n<BookComponent <FileName `<c>d.mif'>>\n";
    MifFile read, written;
    std::string error;
    ASSERT_TRUE(MifParse(text.data(), text.size(), "odd.book", &read, &error)) << error;
    SimDoc book;
    ASSERT_TRUE(MifToDoc(read, "Z:\\docs\\odd.book", &book, &error)) << error;
    ASSERT_TRUE(MifFromDoc(book, book.name, &written, &error)) << error;
    EXPECT_TRUE(MifSameFile(read, written));
}

// A save writes what the session did not change from the statements read,
// without copying them: the tree it writes stands for them, and gives the
// same text as the whole tree does.
TEST(MifDocument, ASaveWritesUnchangedStatementsAsTheyWereRead) {
    SimDoc doc = Load("chapter_utf8.mif");
    SimApplyMasterPage(doc, doc.bodyPages[0], SimNamed(doc, SimObjMasterPage, "Chapter"));
    MifFile patched, whole;
    std::string error, patchedText, wholeText;
    ASSERT_TRUE(MifPatchDocument(doc, &patched, &error)) << error;
    ASSERT_TRUE(MifFromDoc(doc, doc.name, &whole, &error)) << error;
    size_t pages = 0, standing = 0;
    for (const MifNode& n : patched.statements)
        if (MifReal(n).token == "Page") {
            ++pages;
            standing += MifStandsFor(n) != nullptr;
        }
    EXPECT_GT(pages, 2u);
    EXPECT_EQ(standing, pages - 1); // all but the page whose master changed
    for (const MifNode& n : whole.statements) EXPECT_EQ(MifStandsFor(n), nullptr);
    ASSERT_TRUE(MifWriteText(patched, &patchedText, &error)) << error;
    ASSERT_TRUE(MifWriteText(whole, &wholeText, &error)) << error;
    EXPECT_EQ(patchedText, wholeText);
    EXPECT_NE(patchedText.find("<PageNum `i'> <PageBackground `Chapter'>"), std::string::npos);
}

TEST(MifDocument, SessionChangesAreWrittenBack) {
    SimDoc doc = Load("chapter_utf8.mif");
    MifFile original;
    std::string error;
    ASSERT_TRUE(MifReadFile(SourceData("chapter_utf8.mif"), &original, &error));
    ObjId chapter = SimNamed(doc, SimObjMasterPage, "Chapter");
    SimApplyMasterPage(doc, doc.bodyPages[0], chapter);                           // -> 2
    SimApplyMasterPage(doc, doc.bodyPages[2], SimNamed(doc, SimObjMasterPage, "Left")); // its side's default -> 0
    SimLocal(doc, doc.bodyPages[3])->background = HostBackgroundNone;
    // A new marker type and a marker at the start of the "spans" paragraph.
    ObjId type = SimNewObject(doc, SimObjMarkerType);
    doc.objects[type].name = "Tarn";
    doc.markerTypes.push_back(type);
    const std::vector<ObjId> paras = SimLocal(doc, doc.mainFlow)->children;
    ObjId m = SimAnchorMarker(doc, TextLoc{paras[3], 0});
    doc.objects[m].markerType = type;
    doc.objects[m].text = "Chapter";
    // Formats: one changed, one added; text added with a new paragraph.
    SimLocal(doc, SimNamed(doc, SimObjParagraphFormat, "Heading"))->indent = 18 * MetricOnePoint;
    ObjId f = SimNewObject(doc, SimObjParagraphFormat);
    doc.objects[f].name = "Note";
    doc.formats.push_back(f);
    TextLoc after;
    ASSERT_EQ(SimInsertText(doc, TextLoc{paras[1], 5}, "!\nNew `text'", &after), SimOk);

    MifFile written;
    SimDoc back = Reload(doc, &written);
    EXPECT_EQ(Masters(back), (std::vector<std::string>{"Chapter", "", "Left", ""}));
    EXPECT_EQ(SimLocal(back, back.bodyPages[2])->background, HostBackgroundDefault);
    EXPECT_EQ(Markers(back), (std::vector<std::string>{"MasterPage:Chapter", "Index:cafes", "Tarn:Chapter"}));
    EXPECT_EQ(SimFlowTexts(back), (std::vector<std::string>{"Intro", "First!", "New `text'\tcaf\u00E9\u2011x", "",
                                                            "spans two frames", "last"}));
    // The split paragraph keeps the format and frame; the marker stays where
    // it was in the text that moved with it.
    const std::vector<ObjId> backParas = SimLocal(back, back.mainFlow)->children;
    EXPECT_EQ(SimLocal(back, backParas[2])->name, "Body");
    EXPECT_EQ(SimParagraphPage(back, backParas[2]), back.bodyPages[0]);
    EXPECT_EQ(SimLocal(back, SimMarkerChain(back)[1])->anchorParagraph, backParas[2]);
    EXPECT_EQ(SimLocal(back, SimMarkerChain(back)[1])->anchorOffset, 17);
    EXPECT_EQ(SimLocal(back, SimMarkerChain(back)[2])->anchorOffset, 0);
    EXPECT_EQ(SimLocal(back, SimNamed(back, SimObjParagraphFormat, "Heading"))->indent, 18 * MetricOnePoint);
    EXPECT_TRUE(SimNamed(back, SimObjParagraphFormat, "Note"));

    // What the host does not model, and tables, are as they were; the font
    // change stays in front of the text it governs.
    for (const char* token : {"ColorCatalog", "Tbls", "MIFFile", "Units"})
        EXPECT_TRUE(MifSameNode(*TopLevel(original, token), *TopLevel(written, token))) << token;
    const MifNode* flow = TopLevel(written, "TextFlow");
    const MifNode& line = flow->children[3].children[1]; // the second paragraph's line
    EXPECT_EQ(line.children[0].token, "Font");
    EXPECT_EQ(line.children[1].token, "String");
}

TEST(MifDocument, DocumentsTheHostMadeAreWrittenWhole) {
    DocBuilder b("Z:\\docs\\new.mif");
    b.firstPageLeft().masterPages({"L", "R", "Wide"}).format("Body", 12 * MetricOnePoint).formats({"Title"});
    b.page().para("Title", "One\tTwo").marker("MasterPage", "Wide").para("Body", "b");
    b.table({{"Tag", "Master"}, {"Title", "Wide\nR"}});
    b.page().master("Wide").pageNumber("x").para("Body", "second page");
    b.page().noMaster();
    SimDoc back = Reload(b.doc);
    EXPECT_FALSE(back.firstPageRight);
    EXPECT_EQ(Masters(back), Masters(b.doc));
    EXPECT_EQ(SimFlowTexts(back), SimFlowTexts(b.doc));
    EXPECT_EQ(SimFlowTags(back), SimFlowTags(b.doc));
    EXPECT_EQ(Markers(back), Markers(b.doc));
    EXPECT_EQ(SimPageNumberText(back, back.bodyPages[1]), "x");
    EXPECT_EQ(SimLocal(back, SimNamed(back, SimObjParagraphFormat, "Body"))->indent, 12 * MetricOnePoint);
    std::vector<std::string> onPage;
    for (ObjId p : SimPageParagraphs(back, back.bodyPages[1])) onPage.push_back(SimLocal(back, p)->text);
    EXPECT_EQ(onPage, (std::vector<std::string>{"second page"}));
    ASSERT_EQ(back.tables.size(), 1u);
    const SimObject& table = *SimLocal(back, back.tables[0]);
    EXPECT_EQ(SimLocal(back, table.anchorParagraph)->text, "");
    ObjId cell = SimLocal(back, table.children[1])->children[1];
    EXPECT_EQ(SimLocal(back, cell)->children.size(), 2u);
    EXPECT_EQ(SimLocal(back, table.children[0])->rowType, SimRowHeading);
}

TEST(MifDocument, BooksHoldFoldersGroupsAndRelativeNames) {
    SimDoc book = Load("book.mif", "Z:\\docs\\book.mif");
    ASSERT_TRUE(book.isBook);
    std::vector<std::string> walk;
    for (ObjId c : SimBookOrder(book))
        walk.push_back(std::to_string(SimLocal(book, c)->componentType) + " " + SimLocal(book, c)->name);
    EXPECT_EQ(walk, (std::vector<std::string>{"2 Part One", "512 Z:\\docs\\ch1.mif", "512 Z:\\docs\\ch2.mif",
                                              "512 Z:\\docs\\parts\\ch3.mif", "64 Back matter",
                                              "512 Z:\\shared\\appendix.mif", "8 Z:\\docs\\notes.txt",
                                              "512 Z:\\abs\\index.mif"}));

    // A renamed component and a new folder are written in the book's terms.
    SimLocal(book, SimBookOrder(book)[3])->name = "Z:\\other\\ch3.mif";
    ObjId folder = SimNewObject(book, SimObjComponent);
    book.objects[folder].componentType = SimComponentFolder;
    book.objects[folder].name = "Extra";
    book.components.push_back(folder);
    ObjId inside = SimNewObject(book, SimObjComponent);
    book.objects[inside].name = "C:\\far\\x.mif";
    book.objects[inside].parent = folder;
    book.objects[folder].children.push_back(inside);
    SimDoc back = Reload(book);
    std::vector<std::string> names;
    for (ObjId c : SimBookOrder(back)) names.push_back(SimLocal(back, c)->name);
    EXPECT_EQ(names[3], "Z:\\other\\ch3.mif");
    EXPECT_EQ(names.back(), "C:\\far\\x.mif");
    EXPECT_EQ(SimLocal(back, SimBookOrder(back)[8])->componentType, SimComponentFolder);

}

// Names as FrameMaker writes them in a book, from the book's folder: a drive
// or a share host starts a name of its own, in which the book's folder has no
// part; each is written back as it came.
TEST(MifDocument, BookNamesByDriveAndShareAreTheirOwnAndComeBackAsWritten) {
    struct Case {
        const char *folder, *written, *full;
    } cases[] = {
        {"Z:\\docs", "<c>ch1.mif", "Z:\\docs\\ch1.mif"},
        {"Z:\\docs\\book", "<u><c>shared<c>a.mif", "Z:\\docs\\shared\\a.mif"},
        {"Z:\\docs", "<v>O:<c>Bills 09<c>Chapters<c>Cover.fm", "O:\\Bills 09\\Chapters\\Cover.fm"},
        {"Z:\\docs", "<h>bills-srv<c>docs<c>Bills 09<c>Cover.fm", "\\\\bills-srv\\docs\\Bills 09\\Cover.fm"},
        {"\\\\bills-srv\\docs\\book", "<u><c>ch<c>a.fm", "\\\\bills-srv\\docs\\ch\\a.fm"},
        {"O:\\Bills 09", "<h>srv<c>share<c>a.fm", "\\\\srv\\share\\a.fm"},
        {"\\\\srv\\share", "<v>Z:<c>a.fm", "Z:\\a.fm"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.written);
        EXPECT_EQ(MifResolveBookName(c.folder, c.written), c.full);
        EXPECT_EQ(MifBookRelativeName(c.folder, c.full), c.written);
    }
    // Other spellings read the same.
    EXPECT_EQ(MifResolveBookName("Z:\\docs", "<v>C:<r><c>x<c>y.mif"), "C:\\x\\y.mif");
    EXPECT_EQ(MifResolveBookName("Z:\\docs", "<v>o<c>x.fm"), "o:\\x.fm");
    EXPECT_EQ(MifResolveBookName("Z:\\docs", "<v>O:\\<c>x.fm"), "O:\\x.fm");
    EXPECT_EQ(MifResolveBookName("Z:\\docs", "<h>\\\\srv<c>share<c>x.fm"), "\\\\srv\\share\\x.fm");
    EXPECT_EQ(MifResolveBookName("Z:\\docs", "<u><u><u><c>a.mif"), "Z:\\a.mif");
    EXPECT_EQ(MifResolveBookName("Z:\\docs", "plain.mif"), "Z:\\docs\\plain.mif");
    EXPECT_EQ(MifBookRelativeName("z:\\docs", "Z:\\docs\\a.mif"), "<c>a.mif");
}

TEST(MifDocument, TheFileStoreOpensAndSavesMifFiles) {
    TestTempFolder folder("mif_store");
    const std::string& dir = folder.path;
    std::filesystem::copy_file(SourceData("chapter_utf8.mif"), dir + "/MasterPage.fm");
    std::ofstream(dir + "/bad.mif", std::ios::binary) << "<MIFFile 8.00>\n<Para\n <String `open\n>>\n";
    char windowsName[1024];
    ASSERT_GE(PlatformLocalNameToWindows(dir.c_str(), windowsName, sizeof windowsName), 0);
    const std::string win = windowsName;

    MifFileStore files;
    SimStore store = MifFileStoreMake(&files);
    SimDoc doc;
    ASSERT_EQ(store.load(store.context, win + "\\MasterPage.fm", &doc), SimOk) << files.lastError;
    EXPECT_EQ(doc.name, win + "\\MasterPage.fm");
    EXPECT_EQ(SimFlowTexts(doc).size(), 5u);
    EXPECT_EQ(store.load(store.context, win + "\\missing.mif", &doc), SimStatusNotFound);
    EXPECT_EQ(store.load(store.context, win + "\\bad.mif", &doc), SimStatusBadArgument);
    EXPECT_EQ(files.lastError, "bad.mif:3: unterminated string");

    SimDoc saved = Load("chapter_utf8.mif");
    SimApplyMasterPage(saved, saved.bodyPages[1], SimNamed(saved, SimObjMasterPage, "Chapter"));
    ASSERT_EQ(store.save(store.context, win + "\\out.mif", saved), SimOk) << files.lastError;
    SimDoc again;
    ASSERT_EQ(store.load(store.context, win + "\\out.mif", &again), SimOk);
    EXPECT_EQ(Masters(again), (std::vector<std::string>{"Left", "Chapter", "Chapter", "Right"}));
    EXPECT_EQ(store.save(store.context, win + "\\no\\such\\out.mif", saved), SimStatusSaveFailed);
    EXPECT_NE(files.lastError.find("out.mif"), std::string::npos);
}

// A book's next document, read ahead and parsed on another thread while the
// host works on the one before, loads as it would have at its turn; a file
// read ahead that is not the one loaded next is let go.
TEST(MifDocument, TheFileStoreReadsABooksNextDocumentAhead) {
    TestTempFolder folder("mif_ahead");
    const std::string& dir = folder.path;
    for (const char* name : {"a.mif", "b.mif", "c.mif"})
        std::filesystem::copy_file(SourceData("chapter_utf8.mif"), dir + "/" + name);
    std::ofstream(dir + "/bad.mif", std::ios::binary) << "<MIFFile 8.00>\n<Para\n <String `open\n>>\n";
    char windowsName[1024];
    ASSERT_GE(PlatformLocalNameToWindows(dir.c_str(), windowsName, sizeof windowsName), 0);
    const std::string win = std::string(windowsName) + "\\";

    MifFileStore files;
    SimStore store = MifFileStoreMake(&files);
    SimDoc first, next;
    MifFileStoreReadAhead(&files, win + "b.mif");
    ASSERT_EQ(store.load(store.context, win + "a.mif", &first), SimOk) << files.lastError;
    MifFileStoreReadAhead(&files, win + "bad.mif");
    ASSERT_EQ(store.load(store.context, win + "b.mif", &next), SimOk) << files.lastError;
    EXPECT_EQ(next.name, win + "b.mif");
    EXPECT_EQ(SimFlowTexts(next), SimFlowTexts(first));
    EXPECT_EQ(Masters(next), Masters(first));
    first = SimDoc{}; // its tree is freed on the store's thread
    EXPECT_EQ(store.load(store.context, win + "bad.mif", &next), SimStatusBadArgument);
    EXPECT_EQ(files.lastError, "bad.mif:3: unterminated string");
    // Read ahead for a load that does not come: the next load reads its own file.
    MifFileStoreReadAhead(&files, win + "c.mif");
    ASSERT_EQ(store.load(store.context, win + "a.mif", &first), SimOk);
    ASSERT_EQ(store.load(store.context, win + "b.mif", &next), SimOk);
    EXPECT_EQ(SimFlowTexts(next), SimFlowTexts(first));
    EXPECT_EQ(files.loads, 4);
    // What the parse of a file read ahead found odd is told as at its turn.
    std::ofstream(dir + "/odd.mif", std::ios::binary) << "<MIFFile 8.00>\n<TextFlow <Para <ParaLine <String `a\\nb'>>>>\n";
    MifFileStoreReadAhead(&files, win + "odd.mif");
    ASSERT_EQ(store.load(store.context, win + "c.mif", &first), SimOk);
    files.warnings.clear();
    ASSERT_EQ(store.load(store.context, win + "odd.mif", &next), SimOk);
    EXPECT_EQ(files.warnings, std::vector<std::string>{"odd.mif:2: unknown escape \\n kept as it stands"});
}

TEST(MifDocument, InconsistentStatementsGiveAUsableDocument) {
    const std::string text = "<MIFFile 8.00>\n"
                             "<Page <PageType BodyPage> <PageBackground `Nowhere'> <TextRect <ID 99999999999>>>\n"
                             "<Page <PageType BodyPage> <TextRect <ID 7>>>\n"
                             "<TextFlow <TFTag `A'>\n"
                             " <Para <PgfTag `Lost'> <ParaLine <TextRectID 3> <ATbl 4> <Marker> <String `x'>>>\n"
                             " <Para <ParaLine <TextRectID 7> <Char Unknown> <String `y'>>>\n"
                             ">\n";
    MifFile file, written;
    std::string error;
    ASSERT_TRUE(MifParse(text.data(), text.size(), "odd.mif", &file, &error)) << error;
    SimDoc doc;
    ASSERT_TRUE(MifToDoc(file, "Z:\\odd.mif", &doc, &error));
    // An unknown master page is no master page; the first paragraph, before
    // any frame the file knows, stands in the flow's first known frame.
    EXPECT_EQ(SimPageMasterName(doc, doc.bodyPages[0]), "");
    EXPECT_EQ(SimFlowTexts(doc), (std::vector<std::string>{"x", "y"}));
    EXPECT_EQ(SimParagraphPage(doc, SimLocal(doc, doc.mainFlow)->children[0]), doc.bodyPages[1]);
    EXPECT_EQ(Markers(doc), (std::vector<std::string>{"Index:"}));
    ASSERT_TRUE(MifFromDoc(doc, doc.name, &written, &error));
    EXPECT_TRUE(MifSameFile(file, written));
    // A change to such a paragraph keeps the statements the host could not place.
    TextLoc after;
    ASSERT_EQ(SimInsertText(doc, TextLoc{SimLocal(doc, doc.mainFlow)->children[1], 0}, "z", &after), SimOk);
    SimDoc back = Reload(doc, &written);
    EXPECT_EQ(SimFlowTexts(back), (std::vector<std::string>{"x", "zy"}));
    const MifNode& line = TopLevel(written, "TextFlow")->children[2].children[0];
    EXPECT_EQ(line.children[1].token, "Char");
}

namespace {

SimDoc FromText(const std::string& text, MifFile* file = nullptr) {
    MifFile read;
    std::string error;
    EXPECT_TRUE(MifParse(text.data(), text.size(), "t.mif", &read, &error)) << error;
    if (file) *file = read;
    SimDoc doc;
    EXPECT_TRUE(MifToDoc(read, "Z:\\docs\\t.mif", &doc, &error)) << error;
    return doc;
}

std::string Written(const SimDoc& doc) {
    MifFile file;
    std::string text, error;
    EXPECT_TRUE(MifFromDoc(doc, doc.name, &file, &error)) << error;
    EXPECT_TRUE(MifWriteText(file, &text, &error)) << error;
    return text;
}

std::vector<int32_t> MarkerOffsets(const SimDoc& doc) {
    std::vector<int32_t> out;
    for (ObjId m : doc.markers) out.push_back(SimLocal(doc, m)->anchorOffset);
    return out;
}

} // namespace

TEST(MifDocument, EveryInlineStatementTakesThePositionsFrameMakerGivesIt) {
    const std::string head = "<MIFFile 9.00>\n"
                             "<VariableFormats\n"
                             " <VariableFormat <VariableName `Product'> <VariableDef `Quillet\\x11 Pro'>>\n"
                             " <VariableFormat <VariableName `Page'> <VariableDef `<$curpagenum\\>'>>\n"
                             " <VariableFormat <VariableName `Ed'> <VariableDef `<Emphasis\\>2nd<Default \\xa6  Font\\> ed.'>>\n"
                             ">\n"
                             "<Page <PageType BodyPage> <TextRect <ID 1>>>\n"
                             "<TextFlow <TFTag `A'>\n <Para <PgfTag `Body'> <ParaLine <TextRectID 1>\n";
    const std::string marker = "<Marker <MTypeName `Index'> <MText `m'>>";
    struct Case {
        const char* what;
        std::string items;
        int32_t offset;     // of the marker that follows them
        const char* text;   // the paragraph's text
    } cases[] = {
        {"a string", "<String `abc'>", 3, "abc"},
        {"special characters", "<Char SoftHyphen> <Char HardSpace> <Char Tab> <Char EmDash>", 4,
         "\x04\u00A0\t\u2014"},
        {"a variable with literal text", "<Variable <VariableName `Product'>>", 11, "Quillet\u00A0Pro"},
        {"a variable with formats", "<Variable <VariableName `Ed'>>", 7, "2nd ed."},
        {"a building block the host does not evaluate", "<Variable <VariableName `Page'>>", 0, ""},
        {"cross-reference text", "<XRef <XRefName `Page'>> <String `page\\x11 7'> <XRefEnd>", 6, "page\u00A07"},
        {"a text inset's text", "<TextInset <TiSrcFile `x.txt'>> <String `in'> <TextInsetEnd>", 2, "in"},
        {"font and condition changes", "<Font <FTag `Emphasis'>> <Conditional <InCondition `C'>> <Unconditional>", 0,
         ""},
        // Each anchor is one position, whether the host keeps an object for it or not.
        {"anchors of frames, footnotes and tables", "<String `a'> <AFrame 3> <FNote 4> <ATbl 9> <String `b'>", 5,
         "ab"},
        {"another marker", "<String `ab'> <Marker <MTypeName `Index'> <MText `first'>>", 3, "ab"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimDoc doc = FromText(head + "  " + c.items + " " + marker + " <String `z'>>>\n>\n");
        ASSERT_FALSE(doc.markers.empty());
        EXPECT_EQ(MarkerOffsets(doc).back(), c.offset);
        EXPECT_EQ(SimFlowTexts(doc), std::vector<std::string>{c.text + std::string("z")});
    }
}

TEST(MifDocument, AMarkerAddedAtAnOffsetGoesBeforeWhatStandsThere) {
    const std::string text = "<MIFFile 9.00>\n<VariableFormats <VariableFormat <VariableName `P'> <VariableDef `Pro'>>>\n"
                             "<Page <PageType BodyPage> <TextRect <ID 1>>>\n"
                             "<TextFlow <TFTag `A'>\n"
                             " <Para <PgfTag `Body'>\n"
                             "  <ParaLine <TextRectID 1> <Font <FTag `B'>> <AFrame 3> <Variable <VariableName `P'>> "
                             "<String `abcdef'> <Marker <MTypeName `Index'> <MText `old'>> <Variable <VariableName `Q'>>>\n"
                             " >\n>\n";
    SimDoc doc = FromText(text);
    ASSERT_EQ(SimFlowTexts(doc), std::vector<std::string>{"Proabcdef"});
    ObjId para = SimLocal(doc, doc.mainFlow)->children[0];
    ObjId type = SimNamed(doc, SimObjMarkerType, "Index");
    // The font change takes no position; the frame anchor is 0, the
    // variable's text 1 to 3, "abcdef" 4 to 9, the marker 10; the variable
    // whose text the host cannot know takes none. Each marker added moves
    // what stands at its position and after it on by one.
    for (int32_t at : {0, 5, 8, 13, 15}) {
        ObjId m = SimAnchorMarker(doc, TextLoc{para, at});
        doc.objects[m].markerType = type;
        doc.objects[m].text = "at" + std::to_string(at);
    }
    EXPECT_EQ(doc.objects[para].Extras().otherAnchors, std::vector<int32_t>{1});
    std::string out = Written(doc);
    // Position 0 is after the font change and before the frame anchor; 5 is
    // after the variable's text; 8 falls inside the string, which is cut; 13
    // goes before the marker standing there, as FrameMaker inserts; 15, at
    // the end, before a variable whose text the host cannot know.
    EXPECT_NE(out.find("<ParaLine <TextRectID 1> <Font <FTag `B'>> <Marker <MTypeName `Index'> <MText `at0'>> "
                       "<AFrame 3> <Variable <VariableName `P'>> <Marker <MTypeName `Index'> <MText `at5'>> "
                       "<String `ab'> <Marker <MTypeName `Index'> <MText `at8'>> <String `cdef'> "
                       "<Marker <MTypeName `Index'> <MText `at13'>> <Marker <MTypeName `Index'> <MText `old'>> "
                       "<Marker <MTypeName `Index'> <MText `at15'>> <Variable <VariableName `Q'>>>\n"),
              std::string::npos)
        << out;
    SimDoc back = FromText(out);
    EXPECT_EQ(MarkerOffsets(back), (std::vector<int32_t>{0, 5, 8, 13, 14, 15}));
    EXPECT_EQ(SimFlowTexts(back), std::vector<std::string>{"Proabcdef"});
    EXPECT_EQ(Written(back), out);
}

TEST(MifDocument, TextTypedAmongAnchorsKeepsThemAtTheirPositions) {
    const std::string text = "<MIFFile 9.00>\n<Page <PageType BodyPage> <TextRect <ID 1>>>\n"
                             "<TextFlow <TFTag `A'> <Para <PgfTag `Body'> <ParaLine <TextRectID 1> <String `ab'> "
                             "<AFrame 3> <String `cd'> <Marker <MTypeName `Index'> <MText `m'>> <String `ef'>>>>\n";
    SimDoc doc = FromText(text);
    ObjId para = SimLocal(doc, doc.mainFlow)->children[0];
    // a 0, b 1, the frame 2, c 3, d 4, the marker 5, e 6, f 7.
    EXPECT_EQ(doc.objects[para].Extras().otherAnchors, std::vector<int32_t>{2});
    EXPECT_EQ(MarkerOffsets(doc), std::vector<int32_t>{5});
    TextLoc after{};
    ASSERT_EQ(SimInsertText(doc, TextLoc{para, 4}, "X", &after), SimOk); // before d
    ASSERT_EQ(SimInsertText(doc, TextLoc{para, 0}, "Y", &after), SimOk);
    EXPECT_EQ(doc.objects[para].Extras().otherAnchors, std::vector<int32_t>{3});
    EXPECT_EQ(MarkerOffsets(doc), std::vector<int32_t>{7});
    std::string out = Written(doc);
    EXPECT_NE(out.find("<String `Yab'> <AFrame 3> <String `cXd'> <Marker <MTypeName `Index'> <MText `m'>> "
                       "<String `ef'>"),
              std::string::npos)
        << out;
    SimDoc back = FromText(out);
    EXPECT_EQ(SimFlowTexts(back), std::vector<std::string>{"YabcXdef"});
    EXPECT_EQ(back.objects[SimLocal(back, back.mainFlow)->children[0]].Extras().otherAnchors, std::vector<int32_t>{3});
    EXPECT_EQ(MarkerOffsets(back), std::vector<int32_t>{7});
}

// What a paragraph holds as the host sees it: its text, where the anchors
// that are no object stand, and its markers' texts and positions in order.
std::string PositionsOf(const SimDoc& doc) {
    ObjId para = SimLocal(doc, doc.mainFlow)->children[0];
    std::string out = SimLocal(doc, para)->text + " |";
    for (int32_t at : SimLocal(doc, para)->Extras().otherAnchors) out += " " + std::to_string(at);
    out += " |";
    for (ObjId m : SimMarkerChain(doc)) out += " " + SimLocal(doc, m)->text + "@" + std::to_string(SimLocal(doc, m)->anchorOffset);
    for (ObjId t : doc.tables)
        if (SimLocal(doc, t)->anchorParagraph) out += " table@" + std::to_string(SimLocal(doc, t)->anchorOffset);
    return out;
}

TEST(MifDocument, MarkersAndTextAddedAmongEveryKindOfStatementReadBackWhereTheHostPutThem) {
    const std::string head = "<MIFFile 9.00>\n<VariableFormats <VariableFormat <VariableName `V'> <VariableDef `Vee'>>>\n"
                             "<Tbls <Tbl <TblID 5> <TblBody <Row <Cell <CellContent <Para <ParaLine>>>>>>>>\n"
                             "<Page <PageType BodyPage> <TextRect <ID 1>>>\n"
                             "<TextFlow <TFTag `A'> <Para <PgfTag `Body'> <ParaLine <TextRectID 1> ";
    const std::vector<std::string> pieces = {
        "<ATbl 5>", // the table's anchor; a second one is an anchor the host keeps no object for
        "<String `ab'>", "<Char Tab>", "<Marker <MTypeName `Index'> <MText `r'>>", "<AFrame 3>", "<FNote 4>",
        // A variable's own text is left out: the host keeps no bounds of it to
        // keep anchors from falling inside.
        "<Font <FTag `B'>>", "<XRef <XRefName `P'>> <String `x'> <XRefEnd>",
        "<Conditional <InCondition `C'>>", "<Variable <VariableName `Unknown'>>", "<String `céd'>",
        "> <ParaLine"}; // the next line
    SimRandom random{20261209};
    for (int round = 0; round < 400; ++round) {
        std::string items;
        for (int i = random.Below(9); i > 0; --i) items += random.Pick(pieces) + " ";
        SCOPED_TRACE(items);
        SimDoc doc = FromText(head + items + ">>>\n");
        ObjId para = SimLocal(doc, doc.mainFlow)->children[0];
        bool typing = random.Chance(50); // text typed too: the paragraph is written anew around its anchors
        for (int edit = 1 + random.Below(4); edit > 0; --edit) {
            TextLoc at{para, random.Below(SimParagraphLength(doc, para) + 1)};
            TextLoc after{};
            if (typing && random.Chance(50)) {
                ASSERT_EQ(SimInsertText(doc, at, "Z", &after), SimOk);
            } else {
                ObjId m = SimAnchorMarker(doc, at);
                ASSERT_NE(m, 0u);
                doc.objects[m].text = "n" + std::to_string(edit);
                EXPECT_EQ(doc.objects[m].anchorOffset, at.offset);
            }
        }
        std::string out = Written(doc);
        EXPECT_EQ(PositionsOf(FromText(out)), PositionsOf(doc)) << out;
    }
}

TEST(MifDocument, NewStatementsTakeTheFilesStyle) {
    // CR LF, one space of indent, end comments, units after a space.
    const std::string text = "<MIFFile 9.00> # Generated by FrameMaker 9.0p250\r\n"
                             "<PgfCatalog \r\n <Pgf \r\n  <PgfTag `Body'>\r\n  <PgfLIndent  0.0 pt>\r\n > # end of Pgf\r\n"
                             "> # end of PgfCatalog\r\n"
                             "<MarkerTypeCatalog \r\n <MTypeName `Index'>\r\n> # end of MarkerTypeCatalog\r\n"
                             "<Page \r\n <PageType BodyPage>\r\n <TextRect \r\n  <ID 1>\r\n > # end of TextRect\r\n"
                             "> # end of Page\r\n"
                             "<TextFlow \r\n <TFTag `A'>\r\n <Para \r\n  <PgfTag `Body'>\r\n  <ParaLine \r\n"
                             "   <TextRectID 1>\r\n   <String `x'>\r\n  > # end of ParaLine\r\n > # end of Para\r\n"
                             "> # end of TextFlow\r\n# End of MIFFile\r\n";
    SimDoc doc = FromText(text);
    EXPECT_EQ(Written(doc), text);
    ObjId page = doc.bodyPages[0];
    doc.objects[page].background = HostBackgroundNone;
    ObjId format = SimNamed(doc, SimObjParagraphFormat, "Body");
    doc.objects[format].indent = 18 * MetricOnePoint;
    ObjId type = SimNewObject(doc, SimObjMarkerType);
    doc.objects[type].name = "MasterPage";
    doc.markerTypes.push_back(type);
    std::string out = Written(doc);
    std::string expected = text;
    expected.replace(expected.find("  <PgfLIndent  0.0 pt>"), 22, "  <PgfLIndent  18 pt>");
    expected.insert(expected.find("> # end of MarkerTypeCatalog"), " <MTypeName `MasterPage'>\r\n");
    expected.insert(expected.find("> # end of Page"), " <PageBackground `None'>\r\n");
    EXPECT_EQ(out, expected);
}

TEST(MifDocument, TheFuzzingFindingOfAFolderComponentComesBackByteForByte) {
    // A cut, garbled book whose folder-type component holds components of its
    // own: they used to be dropped when the book was written back.
    std::string path = VELLOR_SOURCE_DIR "/tests/fuzz/corpus/mif_reader_fuzz/roundtrip_folder_component.book";
    std::ifstream in(path, std::ios::binary);
    std::stringstream bytes;
    bytes << in.rdbuf();
    MifFile read;
    SimDoc book = FromText(bytes.str(), &read);
    MifFile written;
    std::string error;
    ASSERT_TRUE(MifFromDoc(book, book.name, &written, &error));
    EXPECT_TRUE(MifSameFile(read, written));
    EXPECT_EQ(Written(book), bytes.str());
}

// A paragraph takes the indent of its tag's format as the formats stand
// when it is read: a table before the catalog knows none of them yet.
TEST(MifDocument, ParagraphsTakeTheIndentOfTheFormatsReadBeforeThem) {
    const std::string text = "<MIFFile 9.00>\n"
                             "<Tbls <Tbl <TblID 1> <TblBody <Row <Cell <CellContent\n"
                             " <Para <PgfTag `Body'> <ParaLine <String `cell'>>>>>>>>>\n"
                             "<PgfCatalog <Pgf <PgfTag `Body'> <PgfLIndent 36pt>> <Pgf <PgfTag `Body'> <PgfLIndent 9pt>>>\n"
                             "<Page <PageType BodyPage> <TextRect <ID 3>>>\n"
                             "<TextFlow <TFTag `A'> <Para <PgfTag `Body'> <ParaLine <TextRectID 3> <ATbl 1>>>\n"
                             " <Para <PgfTag `Body'> <ParaLine <String `x'>>>>\n";
    SimDoc doc = FromText(text);
    ObjId row = SimLocal(doc, doc.tables[0])->children[0];
    ObjId cell = SimLocal(doc, row)->children[0];
    EXPECT_EQ(SimLocal(doc, SimLocal(doc, cell)->children[0])->indent, 0);
    for (ObjId p : SimLocal(doc, doc.mainFlow)->children) EXPECT_EQ(SimLocal(doc, p)->indent, 36 * MetricOnePoint);
}

// Rows and cells hold what the table's statements name, in order, whatever
// else stands among them: heading, body and footing rows each take their
// type, and a cell's paragraphs are only its <Para> statements. A
// paragraph's tag and own indent are its first <PgfTag> and <Pgf>, wherever
// they stand among its lines.
TEST(MifDocument, TableRowsCellsAndParagraphsAreTheStatementsThatNameThem) {
    const std::string text = "<MIFFile 9.00>\n"
                             "<Tbls <Tbl <TblID 1> <TblFormat <TblTag `Format A'>>\n"
                             " <TblH <Row <RowMaxHeight 14in> <Cell <CellContent <Para <ParaLine <String `h'>>>>>>>\n"
                             " <TblBody <Row <Cell <CellContent <Notes> <Para <ParaLine <String `a'>>>\n"
                             "   <Para <ParaLine <String `b'>> <PgfTag `Late'> <Pgf <PgfLIndent 9pt>> <PgfTag `No'>>>>\n"
                             "  <CellFill 0> <Cell <CellContent>>>\n"
                             "  <Row <Cell>>>\n"
                             " <TblF <Row <Cell <CellContent <Para>>>>>>>\n";
    SimDoc doc = FromText(text);
    ASSERT_EQ(doc.tables.size(), 1u);
    std::vector<int32_t> types;
    std::vector<std::vector<std::string>> cells; // the texts of each cell's paragraphs
    for (ObjId row : SimLocal(doc, doc.tables[0])->children) {
        types.push_back(SimLocal(doc, row)->rowType);
        for (ObjId cell : SimLocal(doc, row)->children) {
            cells.emplace_back();
            for (ObjId p : SimLocal(doc, cell)->children) cells.back().push_back(SimLocal(doc, p)->text);
        }
    }
    EXPECT_EQ(types, (std::vector<int32_t>{SimRowHeading, SimRowBody, SimRowBody, SimRowFooting}));
    EXPECT_EQ(cells, (std::vector<std::vector<std::string>>{{"h"}, {"a", "b"}, {}, {}, {""}}));
    ObjId body = SimLocal(doc, doc.tables[0])->children[1];
    const SimObject* late = SimLocal(doc, SimLocal(doc, SimLocal(doc, body)->children[0])->children[1]);
    EXPECT_EQ(late->name, "Late");
    EXPECT_EQ(late->indent, 9 * MetricOnePoint);
    EXPECT_EQ(Written(doc), text);
}

// A paragraph read from a file views its tag and text where they stand in the
// file's tree; the text of several items is a copy. Whatever copies an
// object out owns its bytes, and a copy of the document keeps them alive.
TEST(MifDocument, ReadTextsStayGoodForCopiesAndChanges) {
    SimDoc doc = FromText("<MIFFile 9.00>\n<Page <PageType BodyPage> <TextRect <ID 1>>>\n"
                          "<TextFlow <TFTag `A'>\n"
                          " <Para <PgfTag `Body'> <ParaLine <TextRectID 1> <String `one item'>>>\n"
                          " <Para <PgfTag `Body'> <ParaLine <String `two'> <Char Tab> <String `items'>>>\n"
                          " <Para <PgfTag `Head'> <ParaLine <String `third'>>>\n>\n");
    std::vector<ObjId> paras = SimLocal(doc, doc.mainFlow)->children;
    ASSERT_EQ(paras.size(), 3u);
    EXPECT_TRUE(SimLocal(doc, paras[0])->text.IsView());
    EXPECT_TRUE(SimLocal(doc, paras[0])->name.IsView());
    EXPECT_FALSE(SimLocal(doc, paras[1])->text.IsView());

    SimObject kept = *SimLocal(doc, paras[0]);
    SimDoc copy = doc;
    doc = SimDoc{};
    EXPECT_FALSE(kept.text.IsView());
    EXPECT_EQ(kept.text, "one item");
    EXPECT_EQ(kept.name, "Body");

    // Changing the copy takes its objects as its own: texts it did not change
    // still view the file's bytes, the one it changed is its own.
    TextLoc after;
    ASSERT_EQ(SimInsertText(copy, TextLoc{paras[2], 5}, "!", &after), SimOk);
    EXPECT_TRUE(SimLocal(copy, paras[0])->text.IsView());
    EXPECT_FALSE(SimLocal(copy, paras[2])->text.IsView());
    EXPECT_EQ(SimFlowTexts(copy), (std::vector<std::string>{"one item", "two\titems", "third!"}));
    EXPECT_EQ(SimFlowTags(copy), (std::vector<std::string>{"Body", "Body", "Head"}));
    EXPECT_NE(Written(copy).find("<String `third!'>"), std::string::npos);
}
