// The master page listing report as the user meets it: "List Master Pages"
// on a document (command 4) or on a book (command 5) writes which body pages
// do not use the default master pages into "TarnOutput.fm" or a new document.
#include "tool_scenario.h"

#include "host/host_records.h"

namespace {

using Names = std::vector<std::string>;
constexpr Metric Inch = 72 * MetricOnePoint;
constexpr Metric HalfInch = 36 * MetricOnePoint;

class Reports : public ToolScenario {
protected:
    void SetUp() override {
        ToolScenario::SetUp();
        InitializeTools(HostInitializeFirst);
    }

    // The report's main flow, one "tag|text" entry per paragraph.
    Names Lines(const SimDoc* report) {
        Names lines;
        if (!report) return lines;
        Names tags = SimFlowTags(*report), texts = SimFlowTexts(*report);
        for (size_t i = 0; i < texts.size(); ++i) lines.push_back(tags[i] + "|" + texts[i]);
        return lines;
    }
    std::vector<Metric> Indents(const SimDoc* report) {
        std::vector<Metric> indents;
        for (ObjId p : report->objects.at(report->mainFlow).children) indents.push_back(report->objects.at(p).indent);
        return indents;
    }
    // The untitled documents open now (new reports).
    std::vector<SimDoc*> Untitled() {
        std::vector<SimDoc*> docs;
        for (auto& doc : Session().documents)
            if (doc->untitled) docs.push_back(doc.get());
        return docs;
    }
    SimDoc* Report() { return SimDocByName(server, HostFile("TarnOutput.fm").c_str()); }
    bool HasFormat(const SimDoc* doc, const char* name) { return SimNamed(*doc, SimObjParagraphFormat, name) != 0; }
    Metric FormatIndent(const SimDoc* doc, const char* name) {
        return doc->objects.at(SimNamed(*doc, SimObjParagraphFormat, name)).indent;
    }

    // A stored "TarnOutput.fm" that holds an earlier listing.
    DocBuilder StoredReport(bool withFormats) {
        DocBuilder report(HostFile("TarnOutput.fm").c_str());
        report.formats({"Body", "Heading1"});
        if (withFormats)
            report.format("Heading2", 0).format("Indented", HalfInch, {SimExtraProp{1500, TypedInteger, 3, ""}});
        report.page().para("Heading2", "old.fm").para("Indented", "7   Old").para("Body", "");
        SimStorePut(server, report);
        return report;
    }
    // A chapter whose pages 2 and 4 use no master page and a custom one.
    DocBuilder ListedChapter(const char* name) {
        DocBuilder chapter(name);
        chapter.masterPages({"Left", "Right", "Preface"});
        chapter.page().para("Body", "one");
        chapter.page().noMaster();
        chapter.page().master("Right"); // the default of a right-hand page: not listed
        chapter.page().pageNumber("iv").master("Preface");
        return chapter;
    }
};

TEST_F(Reports, ANewReportGetsTheTitleAndOneLinePerPageWithoutDefaultMasterPage) {
    DocBuilder plain("Z:\\docs\\plain.fm");
    plain.page().para("Body", "a").page().master("Left").page();
    SimOpenBuilt(server, plain, true);
    Choose("ListMasterPagesDoc");
    ASSERT_EQ(Untitled().size(), 1u);
    SimDoc* first = Untitled()[0];
    // Pages on their defaults: the title alone.
    EXPECT_EQ(Lines(first), (Names{"Heading2|plain.fm", "Heading2|"}));

    SimOpenBuilt(server, ListedChapter("Z:\\docs\\ch1.fm"), true);
    Choose("ListMasterPagesDoc");
    ASSERT_EQ(Untitled().size(), 2u); // without "TarnOutput.fm" every listing gets its own
    SimDoc* second = Untitled()[1];
    // The new document has no "Indented": the lines keep their paragraph's format.
    EXPECT_EQ(Lines(second), (Names{"Heading2|ch1.fm", "Heading2|2   None", "Heading2|iv   Preface", "Heading2|"}));
    EXPECT_FALSE(HasFormat(second, "Indented"));
    EXPECT_EQ(Calls(MethodNewNamedObject), 0u);

    // A shown, one-sided letter page with an inch all round; left open, unsaved.
    ASSERT_EQ(Control().newDocs.size(), 2u);
    const SimNewDocCall& made = Control().newDocs[1];
    EXPECT_EQ(std::vector<int32_t>({made.width, made.height, made.columns, made.gap, made.top, made.bottom,
                                    made.inside, made.outside, made.sidedness, made.visible}),
              std::vector<int32_t>({0x2400000, 0x3180000, 1, Inch, Inch, Inch, Inch, Inch, 0, 1}));
    EXPECT_TRUE(second->visible);
    EXPECT_FALSE(second->twoSided);
    EXPECT_TRUE(SimServerMemory(server).saves.empty());
}

TEST_F(Reports, AnExistingReportReceivesEachSectionAfterItsTextInItsOwnFormats) {
    StoredReport(true);
    SimOpenBuilt(server, ListedChapter("Z:\\docs\\ch1.fm"), true);
    Choose("ListMasterPagesDoc");
    DocBuilder tiny("X"); // a name of one byte gives an empty title
    tiny.page().noMaster();
    SimOpenBuilt(server, tiny, true);
    Choose("ListMasterPagesDoc");

    ASSERT_NE(Report(), nullptr);
    EXPECT_TRUE(Untitled().empty());
    EXPECT_EQ(Lines(Report()), (Names{"Heading2|old.fm", "Indented|7   Old", "Heading2|ch1.fm", "Indented|2   None",
                                      "Indented|iv   Preface", "Heading2|", "Indented|1   None", "Indented|"}));
    // The whole format is copied: its indent and its other properties.
    EXPECT_EQ(Indents(Report())[3], HalfInch);
    const SimObject& line = Report()->objects.at(Report()->objects.at(Report()->mainFlow).children[4]);
    ASSERT_EQ(line.Extras().props.size(), 1u);
    EXPECT_EQ(line.Extras().props[0].integer, 3);
    EXPECT_EQ(SimServerMemory(server).saves.count(HostFile("TarnOutput.fm")), 0u);
}

TEST_F(Reports, ABookListingCreatesTheMissingFormatsAndPutsTheBookHeadingFirst) {
    StoredReport(false);
    SimStorePut(server, ListedChapter("Z:\\book\\chapter1.fm"));
    DocBuilder two("Z:\\book\\chapter2.fm");
    two.page().noMaster();
    SimStorePut(server, two);
    ObjId openThree = SimOpenBuilt(server, ListedChapter("Z:\\book\\chapter3.fm"), true);
    BookBuilder book("Z:\\book\\manual.book");
    book.folder("Part").doc("Z:\\book\\chapter1.fm").doc("Z:\\book\\missing.fm").doc("Z:\\book\\chapter2.fm").end()
        .doc("Z:\\book\\chapter3.fm");
    ObjId bookId = SimOpenBook(server, book, true);

    Choose("ListMasterPagesBook");
    SimDoc* report = Report();
    ASSERT_NE(report, nullptr);
    ASSERT_TRUE(HasFormat(report, "Heading2") && HasFormat(report, "Indented"));
    EXPECT_EQ(FormatIndent(report, "Indented"), HalfInch);
    // The heading goes in front of all the old text; the sections after it,
    // the one of the file that could not be opened with an empty title and
    // no pages.
    Names lines = Lines(report);
    EXPECT_EQ(lines, (Names{"Heading1|manual.book", "Heading1|old.fm", "Indented|7   Old",
                            "Heading2|chapter1.fm", "Indented|2   None", "Indented|iv   Preface",
                            "Heading2|", "Heading2|chapter2.fm", "Indented|1   None",
                            "Heading2|chapter3.fm", "Indented|2   None", "Indented|iv   Preface", "Indented|"}));
    EXPECT_EQ(Indents(report)[4], HalfInch);

    // Documents the listing opened are closed again, the open one stays; nothing is saved.
    EXPECT_FALSE(IsOpen("Z:\\book\\chapter1.fm"));
    EXPECT_FALSE(IsOpen("Z:\\book\\chapter2.fm"));
    EXPECT_NE(Doc(openThree), nullptr);
    EXPECT_TRUE(SimServerMemory(server).saves.empty());
    std::vector<SimStatusLine> status = Control().statusLines;
    Names texts;
    for (const SimStatusLine& line : status) {
        EXPECT_EQ(line.book, bookId);
        texts.push_back(line.text);
    }
    EXPECT_EQ(texts, (Names{"Examining Master Pages: chapter1.fm", "Examining Master Pages: missing.fm",
                            "Examining Master Pages: chapter2.fm", "Examining Master Pages: chapter3.fm", ""}));
    EXPECT_EQ(SimDocById(server, bookId)->statusLine, "");

    // Listing a document into the same report creates no format.
    uint64_t created = Calls(MethodNewNamedObject);
    Choose("ListMasterPagesDoc");
    EXPECT_EQ(Calls(MethodNewNamedObject), created);
}

TEST_F(Reports, CommandsNeedTheirTargetsAsMessagesNameThem) {
    // Without a document: the alert, no report.
    Choose("ListMasterPagesDoc");
    EXPECT_EQ(AlertTexts(), (Names{"Please open a document first."}));
    EXPECT_TRUE(Untitled().empty());

    // Without a book: a report with an empty heading and no section.
    Choose("ListMasterPagesBook");
    ASSERT_EQ(Untitled().size(), 1u);
    EXPECT_EQ(SimFlowTexts(*Untitled()[0]), (Names{"", ""}));

    // A book named by message although another one is active.
    BookBuilder named("Z:\\b\\named.book"), active("Z:\\b\\active.book");
    ObjId namedId = SimOpenBook(server, named, false);
    SimOpenBook(server, active, true);
    Message(("SetBookId " + std::to_string(namedId)).c_str());
    Message("ListMasterPagesBook");
    ASSERT_EQ(Untitled().size(), 2u);
    EXPECT_EQ(SimFlowTexts(*Untitled()[1])[0], "named.book");
    EXPECT_EQ(TargetBookId, 0u);
}

} // namespace
