// Routing of FrameMaker's initialise, command and notify callbacks to the
// tools' operations, and the two target ids that messages set.
#include "tools/tool_entry.h"

#include "host/call_layer.h"
#include "support/base/memory.h"
#include "support/base/strings.h"
#include "host/host_startup.h"
#include "tools/apply_master_pages.h"
#include "tools/book_walk.h"
#include "tools/decision_lines.h"
#include "tools/mapping_document.h"
#include "tools/marker_insert.h"
#include "tools/menus.h"
#include "tools/report.h"

ObjId TargetDocId = 0;
ObjId TargetBookId = 0;

namespace {

const char AboutText[] =
    "Quillet \n" VELLOR_ABOUT_VERSION " (64-bit)\n" // the version from the build (data/resource.cmake)
    "Gives every body page its master page by the rules of MasterPage.fm.\n"
    "Keep MasterPage.fm in the FrameMaker directory; edit it with any document open.\n"
    "Markers of type MasterPage set a page's master page by category.";

const char NoDocumentAlert[] = "Please open a document first.";

// Message words and the commands they request; matched exactly.
struct MessageCommand {
    const char* word;
    int32_t command;
};
constexpr MessageCommand MessageCommands[] = {
    {"MasterPageAbout", CommandAbout},
    {"EditMasterPageDoc", CommandEditMapping},
    {"ApplyMasterPagesDoc", CommandApplyToDocument},
    {"ApplyMasterPagesBook", CommandApplyToBook},
    {"ListMasterPagesDoc", CommandListDocument},
    {"ListMasterPagesBook", CommandListBook},
    {"InsertMPMarker", CommandInsertMarker},
};

// "SetDocId 42": the decimal number after the first space. Text without a
// space leaves the target as it is; a space without a number gives 0.
void SetTargetFromMessage(const char* text, ObjId* target) {
    char* copy = StrDup(text);
    if (!copy) return;
    char* number = StrFindChar(copy, ' ');
    if (number) {
        StrTrimRight(number);
        StrTrimLeft(number);
        *target = ObjId(StrToInt(number));
    }
    MemFree(copy);
}

// Commands that work on a document say so when there is none; 0 then.
int HaveDocument(ObjId document) {
    if (document) return 1;
    HostAlert(NoDocumentAlert, HostAlertContinueNote);
    return 0;
}

} // namespace

void ShowAboutAlert() { HostAlert(AboutText, HostAlertContinueNote); }

void InitializeTools(int32_t kind) {
    if (kind == HostInitializeFirst) {
        DefineToolMenus();
        // A client loaded into FrameMaker stays loaded, menus and all.
        HostBailOut();
    }
    HostRequestNotification(ToolMessageNotification, 1);
}

void RunToolCommand(int32_t command) {
    EncLibraryInit();
    ObjId document = TargetDocId ? TargetDocId : HostGetIdProp(0, 0, PropActiveDocument);
    ObjId book = TargetBookId ? TargetBookId : HostGetIdProp(0, 0, PropActiveBook);

    // The early returns keep the targets for the next command.
    switch (command) {
    case CommandApplyToDocument:
        if (!HaveDocument(document)) return;
        ApplyMasterPagesToDoc(document);
        RefreshDocumentView(document);
        break;
    case CommandEditMapping:
        EditMappingDocument();
        break;
    case CommandApplyToBook:
        ApplyMasterPagesToBook(book);
        break;
    case CommandListDocument:
        if (!HaveDocument(document)) return;
        ReportMasterPagesOfDoc(document);
        break;
    case CommandListBook:
        ListMasterPagesOfBook(book);
        break;
    case CommandInsertMarker:
        if (!InsertMasterPageMarker(document)) return;
        break;
    case CommandAbout:
        ShowAboutAlert();
        return;
    default:
        break;
    }
    TargetDocId = 0;
    TargetBookId = 0;
}

void HandleToolMessage(int32_t notification, ObjId document, const char* text, int32_t number) {
    (void)document;
    (void)number;
    if (notification != ToolMessageNotification) return;
    if (StrHasPrefix(text, "SetDocId")) SetTargetFromMessage(text, &TargetDocId);
    if (StrHasPrefix(text, "SetBookId")) SetTargetFromMessage(text, &TargetBookId);
    if (StrHasPrefix(text, ExplainMessageWord)) {
        // "ExplainMasterPages 1" or "... 0", read as the target ids are.
        ObjId explain = ObjId(ExplainMasterPages);
        SetTargetFromMessage(text, &explain);
        ExplainMasterPages = explain != 0;
    }
    for (const MessageCommand& entry : MessageCommands)
        if (StrEqual(text, entry.word)) RunToolCommand(entry.command);
}
