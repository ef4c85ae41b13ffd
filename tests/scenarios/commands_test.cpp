// The tools as FrameMaker meets them: the menus they add at the first
// initialisation, the text messages that name a target and request commands,
// the About alert, and the insertion of master page markers.
#include "tool_scenario.h"

#include <algorithm>

namespace {

using Names = std::vector<std::string>;
const char AboutStart[] = "Quillet \nVersion 2.1 Build 100 (64-bit)\n";
const char NoDocument[] = "Please open a document first.";

class Commands : public ToolScenario {
protected:
    // The tags of a menu's items in order (separators by name).
    Names ItemTags(ObjId menu) {
        Names tags;
        for (ObjId item : Session().menus.at(menu).items) tags.push_back(Session().menus.at(item).name);
        return tags;
    }
    ObjId Menu(const char* tag) { return SimMenuByName(Session(), tag); }
    int MenusTagged(const char* tag) {
        return int(std::count_if(Session().menus.begin(), Session().menus.end(),
                                 [&](const auto& entry) { return entry.second.name == tag; }));
    }
    bool Contains(ObjId menu, ObjId item) {
        const auto& items = Session().menus.at(menu).items;
        return std::find(items.begin(), items.end(), item) != items.end();
    }
};

TEST_F(Commands, TheFirstInitialisationBuildsBothMasterPagesMenus) {
    InitializeTools(HostInitializeFirst);
    ObjId tools = Menu("TarnTools");
    ObjId bookTools = Menu("TarnToolsBook");
    ObjId menu = Menu("Vellor");
    ObjId bookMenu = Menu("VellorBook");
    ASSERT_TRUE(tools && bookTools && menu && bookMenu);
    EXPECT_EQ(Session().menus.at(tools).label, "Tools");
    EXPECT_EQ(Session().menus.at(bookTools).label, "Tools");
    EXPECT_TRUE(Contains(Menu("!MakerMainMenu"), tools));
    EXPECT_TRUE(Contains(Menu("!QuickMakerMainMenu"), tools));
    EXPECT_FALSE(Contains(Menu("!BookMainMenu"), tools));
    EXPECT_TRUE(Contains(Menu("!BookMainMenu"), bookTools));
    EXPECT_FALSE(Contains(Menu("!QuickMakerMainMenu"), bookTools));

    EXPECT_EQ(Session().menus.at(menu).label, "Master Pages");
    EXPECT_EQ(ItemTags(menu), (Names{"ApplyMasterPagesTarn", "ListMasterPagesDoc", "Separator2",
                                     "InsertMPMarker", "Separator3", "MasterPageAbout"}));
    EXPECT_EQ(Session().menus.at(bookMenu).label, "Master Pages");
    EXPECT_EQ(ItemTags(bookMenu),
              (Names{"ApplyMasterPagesBookTarn", "ListMasterPagesBook", "Separator3", "MasterPageAbout"}));
    EXPECT_EQ(ItemTags(tools), (Names{"Vellor"}));
    EXPECT_EQ(ItemTags(bookTools), (Names{"VellorBook"}));
    // One About command, in both menus.
    EXPECT_EQ(MenusTagged("MasterPageAbout"), 1);

    struct Expected {
        const char* tag;
        const char* label;
        int32_t number;
    };
    for (const Expected& e : {Expected{"ApplyMasterPagesTarn", "Apply Master Pages", 1},
                              Expected{"ListMasterPagesDoc", "List Master Pages", 4},
                              Expected{"InsertMPMarker", "Insert MasterPage Marker", 6},
                              Expected{"MasterPageAbout", "About Quillet...", 1000},
                              Expected{"ApplyMasterPagesBookTarn", "Apply Master Pages", 3},
                              Expected{"ListMasterPagesBook", "List Master Pages", 5}}) {
        const SimMenuObject& command = Session().menus.at(Menu(e.tag));
        EXPECT_EQ(command.label, e.label) << e.tag;
        EXPECT_EQ(command.command, e.number) << e.tag;
        EXPECT_EQ(command.shortcut, "") << e.tag;
    }
    EXPECT_EQ(ClientQuitRequested, 1);
    EXPECT_EQ(Session().notifications, (std::vector<int32_t>{13}));
}

TEST_F(Commands, LaterInitialisationsOnlyRenewTheNotification) {
    InitializeTools(HostInitializeFirst);
    size_t menus = Session().menus.size();
    InitializeTools(2);
    InitializeTools(0);
    EXPECT_EQ(Session().menus.size(), menus);
    EXPECT_EQ(Calls(8), 3u);
}

TEST_F(Commands, MasterPagesGoesBetweenAlphaAndZetaInAToolsMenuOfAnotherClient) {
    ObjId tools = SimAddMenu(Session(), Menu("!MakerMainMenu"), "TarnTools", "Tools");
    SimAddCommand(Session(), tools, 500, "OtherAlpha", "Alpha");
    SimAddCommand(Session(), tools, 501, "OtherZeta", "zeta");
    ObjId bookTools = SimAddMenu(Session(), Menu("!BookMainMenu"), "TarnToolsBook", "Tools");
    SimAddCommand(Session(), bookTools, 502, "OtherBookAlpha", "Alpha");
    SimAddCommand(Session(), bookTools, 503, "OtherBookBeta", "Beta");
    InitializeTools(HostInitializeFirst);
    EXPECT_EQ(MenusTagged("TarnTools"), 1);
    EXPECT_EQ(MenusTagged("TarnToolsBook"), 1);
    EXPECT_EQ(SimMenuLabels(Session(), tools), (Names{"Alpha", "Master Pages", "zeta"}));
    // Nothing after Beta comes later: the menu stays at the end.
    EXPECT_EQ(SimMenuLabels(Session(), bookTools), (Names{"Alpha", "Beta", "Master Pages"}));
    // A reused menu is not added to the quick menu bar again.
    EXPECT_FALSE(Contains(Menu("!QuickMakerMainMenu"), tools));
}

class Messages : public Commands {
protected:
    DocBuilder first = Chapter("Z:\\book\\first.fm");
    DocBuilder second = Chapter("Z:\\book\\second.fm");
    ObjId firstId = 0, secondId = 0;
    void SetUp() override {
        Commands::SetUp();
        InitializeTools(HostInitializeFirst);
        first.page().master("Chapter").para("ChapterTitle", "First");
        second.page().master("Chapter").para("ChapterTitle", "Second");
        SimStorePut(server, MappingDocument(HostFile("MasterPage.fm")));
    }
    void OpenBoth() {
        secondId = SimOpenBuilt(server, second, true);
        firstId = SimOpenBuilt(server, first, true); // the active one
    }
    std::string SetDocId(ObjId id) { return "SetDocId " + std::to_string(id); }
};

TEST_F(Messages, ANamedDocumentIsTheTargetOfTheNextCommandOnly) {
    OpenBoth();
    Message(SetDocId(secondId).c_str());
    Message("ApplyMasterPagesDoc");
    EXPECT_EQ(Masters(secondId), (Names{"ChapterRight"}));
    EXPECT_EQ(Masters(firstId), (Names{"Chapter"}));
    EXPECT_EQ(TargetDocId, 0u);
    Message("ApplyMasterPagesDoc");
    EXPECT_EQ(Masters(firstId), (Names{"ChapterRight"}));
}

TEST_F(Messages, APendingTargetAlsoServesTheNextMenuCommand) {
    OpenBoth();
    Message(("SetDocId   " + std::to_string(secondId) + "  ").c_str());
    Message("applymasterpagesdoc");
    Message("ApplyMasterPagesDoc ");
    EXPECT_EQ(Masters(secondId), (Names{"Chapter"}));
    EXPECT_EQ(Calls(MethodOpen), 0u);
    Choose("ApplyMasterPagesTarn");
    EXPECT_EQ(Masters(secondId), (Names{"ChapterRight"}));
    EXPECT_EQ(Masters(firstId), (Names{"Chapter"}));
}

TEST_F(Messages, WithoutADocumentTheUserIsAskedToOpenOneAndTheTargetsStay) {
    Message("SetBookId 9");
    Choose("ApplyMasterPagesTarn");
    Message("ApplyMasterPagesDoc");
    ASSERT_EQ(Control().alerts.size(), 2u);
    for (const SimAlert& alert : Control().alerts) {
        EXPECT_EQ(alert.text, NoDocument);
        EXPECT_EQ(alert.type, HostAlertContinueNote);
    }
    EXPECT_EQ(TargetBookId, 9u);
    EXPECT_EQ(Calls(MethodOpen), 0u);
}

TEST_F(Messages, TheAboutAlertLeavesTheTargetsSet) {
    Message("SetDocId 42");
    Message("SetBookId 43");
    Message("MasterPageAbout");
    Choose("MasterPageAbout");
    ASSERT_EQ(Control().alerts.size(), 2u);
    const SimAlert& about = Control().alerts[0];
    EXPECT_EQ(about.type, 2);
    // The host shows FrameRoman's line ends as its own; compare in FrameRoman.
    std::string text = SimToFrameRoman(about.text);
    ASSERT_EQ(text.rfind(AboutStart, 0), 0u) << text;
    std::string rest = text.substr(sizeof AboutStart - 1);
    EXPECT_EQ(std::count(rest.begin(), rest.end(), '\n'), 2) << "three more lines";
    EXPECT_FALSE(rest.empty() || rest.back() == '\n');
    EXPECT_EQ(Control().alerts[1].text, about.text);
    EXPECT_EQ(TargetDocId, 42u);
    EXPECT_EQ(TargetBookId, 43u);
}

TEST_F(Messages, BookAndListingCommandsClearTheTargetsAndUnknownNumbersDoNothing) {
    for (const char* word : {"ApplyMasterPagesBook", "ListMasterPagesDoc", "ListMasterPagesBook"}) {
        Message("SetDocId 42");
        Message("SetBookId 43");
        Message(word);
        EXPECT_EQ(TargetDocId, 0u) << word;
        EXPECT_EQ(TargetBookId, 0u) << word;
    }
    SimResetCounts(Control());
    Message("SetDocId 42");
    RunToolCommand(7);
    EXPECT_EQ(TargetDocId, 0u);
    // No document needed, no alert, nothing opened.
    EXPECT_TRUE(Control().alerts.empty());
    EXPECT_EQ(Calls(MethodOpen), 0u);
}

class MarkerInsertion : public Messages {
protected:
    SimDoc* FirstDoc() { return Doc(firstId); }
    Names MarkerTexts() {
        Names texts;
        for (ObjId marker : FirstDoc()->markers) texts.push_back(SimLocal(*FirstDoc(), marker)->text);
        return texts;
    }
};

TEST_F(MarkerInsertion, TheMarkerTypeIsMadeOnceAndEachMarkerCarriesTheCategory) {
    first.page().para("Body", "page two");
    first.page().para("Body", "page three").caret(4);
    OpenBoth();
    ASSERT_EQ(SimNamed(*FirstDoc(), SimObjMarkerType, "MasterPage"), 0u);
    SimScriptPrompt(Control(), "Appendix");
    Choose("InsertMPMarker");
    SimScriptPrompt(Control(), "");
    Message("InsertMPMarker");
    EXPECT_EQ(Control().prompts, (Names{"Enter the Master Page Marker Category:",
                                        "Enter the Master Page Marker Category:"}));
    ObjId type = SimNamed(*FirstDoc(), SimObjMarkerType, "MasterPage");
    ASSERT_NE(type, 0u);
    EXPECT_EQ(Calls(MethodNewNamedObject), 1u);
    ASSERT_EQ(FirstDoc()->markers.size(), 2u);
    for (ObjId marker : FirstDoc()->markers) {
        EXPECT_EQ(SimLocal(*FirstDoc(), marker)->markerType, type);
        EXPECT_EQ(SimParagraphPage(*FirstDoc(), SimLocal(*FirstDoc(), marker)->anchorParagraph),
                  FirstDoc()->bodyPages[2]);
    }
    Names texts = MarkerTexts();
    std::sort(texts.begin(), texts.end());
    EXPECT_EQ(texts, (Names{"", "Appendix"}));
}

TEST_F(MarkerInsertion, AMarkerPlacedOnPageThreeDecidesItsMasterPageAtTheNextPass) {
    first.page().para("Body", "page two");
    first.page().para("Body", "page three").caret(0);
    first.page().para("Body", "page four");
    OpenBoth();
    SimScriptPrompt(Control(), "Appendix");
    Choose("InsertMPMarker");
    Choose("ApplyMasterPagesTarn");
    EXPECT_EQ(Masters(firstId), (Names{"ChapterRight", "Left", "AppRight", "Left"}));
}

TEST_F(MarkerInsertion, CancellingInsertsNothingButKeepsTheTypeAndTheTarget) {
    first.page().para("Body", "page two").caret(0);
    OpenBoth();
    Message(SetDocId(firstId).c_str());
    SimScriptPrompt(Control(), "Appendix", false);
    Message("InsertMPMarker");
    EXPECT_TRUE(FirstDoc()->markers.empty());
    EXPECT_NE(SimNamed(*FirstDoc(), SimObjMarkerType, "MasterPage"), 0u);
    EXPECT_EQ(TargetDocId, firstId);
}

TEST_F(MarkerInsertion, WithoutAPlaceInTheTextNothingIsInsertedAndNothingSaid) {
    first.page().para("Body", "no caret");
    OpenBoth();
    FirstDoc()->selection = TextRange{};
    SimScriptPrompt(Control(), "Appendix");
    Choose("InsertMPMarker");
    EXPECT_TRUE(FirstDoc()->markers.empty());
    EXPECT_TRUE(Control().alerts.empty());
    EXPECT_EQ(TargetDocId, 0u);

    // No document at all: the prompt still comes.
    SimCloseDoc(Session(), firstId);
    SimCloseDoc(Session(), secondId);
    SimScriptPrompt(Control(), "Appendix");
    Choose("InsertMPMarker");
    EXPECT_EQ(Control().prompts.size(), 2u);
    EXPECT_TRUE(Control().alerts.empty());
}

} // namespace
