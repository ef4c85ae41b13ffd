// Fuzzes notification texts through the client's callback object with the
// tools live on a simulated FrameMaker session: notification-13 messages
// (targets, command words, anything else) and notification-75 field texts,
// delivered as FrameMaker delivers them. Every notification-75 record must
// hold exactly the fields of its text; nothing may crash or leak, and the
// client goes away cleanly at the end.
//
// Input: steps of one selector byte and one string; the selector picks the
// kind of step (a raw message, a target and a command word, a field text, a
// prompt answer, another notification code).
#include "fuzz_input.h"

#include "host/client_entry.h"
#include "tools/module_entry.h"
#include "host/notifications.h"
#include "hostsim/sim_server.h"
#include "support/io/library_startup.h"
#include "tools/tool_entry.h"

#include <string>

namespace {

const char* const CommandWords[] = {"MasterPageAbout",      "EditMasterPageDoc",  "ApplyMasterPagesDoc",
                                    "ApplyMasterPagesBook", "ListMasterPagesDoc", "ListMasterPagesBook",
                                    "InsertMPMarker"};

std::string FieldText; // the text of the notification-75 step being delivered
bool FieldRecordSeen = false;

// Stands in front of the tools' notify entry: checks the split record of
// notification 75 against its text, and hands everything on.
void CheckingNotify(int32_t code, ObjId document, const char* text, int32_t number) {
    if (code == NotifySplitCode) {
        const auto* fields = reinterpret_cast<const NotifyFields*>(text);
        std::string joined;
        int count = 0;
        for (int i = 0; i < 6; ++i) {
            if (!fields->fields[i]) {
                for (int j = i; j < 6; ++j) FUZZ_CHECK(fields->fields[j] == nullptr);
                FUZZ_CHECK(fields->overflow.count == 0);
                break;
            }
            joined += (count++ ? "\x1e" : "") + std::string(fields->fields[i]);
        }
        for (int32_t i = 0; i < fields->overflow.count; ++i) {
            FUZZ_CHECK(fields->overflow.entries[i] != nullptr);
            joined += "\x1e" + std::string(fields->overflow.entries[i]);
        }
        FUZZ_CHECK(joined == FieldText);
        FieldRecordSeen = true;
    }
    HandleToolMessage(code, document, text, number);
}

void BuildSession(SimServer* server) {
    SimSession& session = SimServerSession(server);
    DocBuilder mapping((session.hostDirectory + "\\MasterPage.fm").c_str());
    mapping.table({{"Paragraph Tag", "Left pages", "Right pages"}, {"Heading", "HeadLeft", "HeadRight"}});
    mapping.table({{"Marker Category", "Left pages", "Right pages"}, {"Appendix", "Blank", "None"}});
    mapping.table({{"Page Type", "Left pages", "Right pages"}, {"Empty", "Blank", "As Is"}});
    SimStorePut(server, mapping);

    DocBuilder chapter("Z:\\docs\\ch1.fm");
    chapter.masterPages({"Left", "Right", "HeadLeft", "HeadRight", "Blank"}).formats({"Body", "Heading"});
    chapter.page().para("Heading", "One").para("Body", "text").marker("MasterPage", "Appendix");
    chapter.page().para("Body", "more").caret(2);
    chapter.bare();
    SimStorePut(server, chapter);
    SimOpenBuilt(server, chapter, true);

    BookBuilder book("Z:\\docs\\book.book");
    book.doc("Z:\\docs\\ch1.fm").doc("Z:\\docs\\missing.fm");
    SimOpenBook(server, book, true);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSetUp();
    FuzzInput in = FuzzInputOf(data, size);
    TargetDocId = TargetBookId = 0;

    SimServer* server = SimServerCreate();
    FUZZ_CHECK(F_ApiClientInit(nullptr, SimServerUnknown(server), nullptr, nullptr) == 0);
    FUZZ_CHECK(ClientCallbackObject != nullptr);
    ClientHandlerTable.notify = CheckingNotify;
    FUZZ_CHECK(SimClientInitialize(server, HostInitializeFirst) == S_OK);
    BuildSession(server);
    SimControl& control = SimServerControl(server);

    for (int step = 0; step < 24 && in.at < in.size; ++step) {
        unsigned selector = FuzzByte(in);
        std::string text = FuzzString(in);
        switch (selector % 6) {
        case 0: // a message as it stands
            FUZZ_CHECK(SimClientMessage(server, text.c_str()) == S_OK);
            break;
        case 1: { // a target, then a command word
            const char* word = selector & 8 ? "SetBookId " : "SetDocId ";
            SimClientMessage(server, (word + text).c_str());
            SimClientMessage(server, CommandWords[(selector >> 4) % 7]);
            break;
        }
        case 2: // a field text (0x1E separates fields)
            FieldText = text;
            FieldRecordSeen = false;
            FUZZ_CHECK(SimClientNotify(server, NotifySplitCode, 0, text.c_str(), 0) == S_OK);
            FUZZ_CHECK(FieldRecordSeen);
            break;
        case 3: // the next prompt's answer
            SimScriptPrompt(control, text.c_str(), !(selector & 8));
            break;
        case 4: // a command word with the text as a prompt answer
            SimScriptPrompt(control, text.c_str(), true);
            SimClientMessage(server, CommandWords[(selector >> 4) % 7]);
            break;
        default: // another notification with the text
            SimClientNotify(server, static_cast<int32_t>(selector >> 3), 0, text.c_str(), 0);
            break;
        }
    }

    SimClientQuit(server);
    SimServerRelease(server); // lets the client go: the callback object is gone
    FUZZ_CHECK(ClientCallbackObject == nullptr);
    ClientHandlerTable = ClientDefaultHandlers;
    EncLibraryReset();
    return 0;
}
