// Menu building for the first initialisation. The shared "Tools" menus are
// found by tag, so that every client using the same tag fills one menu; the
// "Master Pages" menus take their place among its items by label.
#include "tools/menus.h"

#include "host/call_layer.h"
#include "support/base/memory.h"
#include "support/base/strings.h"
#include "tools/tool_entry.h"

namespace {

const char MasterPagesLabel[] = "Master Pages";

ObjId SessionMenu(const char* name) { return HostGetNamedObject(0, ObjMenu, name); }

void AddSeparator(ObjId menu, const char* name) {
    HostAddToMenu(menu, HostGetNamedObject(0, ObjMenuSeparator, name));
}

// The shared "Tools" menu of the document menu bars.
ObjId DocumentToolsMenu() {
    ObjId tools = SessionMenu("TarnTools");
    if (tools) return tools;
    tools = HostDefineAndAddMenu(SessionMenu("!MakerMainMenu"), "TarnTools", "Tools");
    HostAddMenuToMenu(SessionMenu("!QuickMakerMainMenu"), tools);
    return tools;
}

// The shared "Tools" menu of the book menu bar.
ObjId BookToolsMenu() {
    ObjId tools = SessionMenu("TarnToolsBook");
    if (tools) return tools;
    return HostDefineAndAddMenu(SessionMenu("!BookMainMenu"), "TarnToolsBook", "Tools");
}

} // namespace

void PlaceMenuAlphabetically(ObjId shared, ObjId menu, const char* label) {
    for (ObjId item = HostGetIdProp(0, shared, PropFirstMenuItem); item;
         item = HostGetIdProp(shared, item, PropNextMenuItem)) {
        // The menu itself is among the items: meeting it first leaves it be.
        if (item == menu) return;
        char* itemLabel = HostGetStringProp(0, item, PropMenuLabel);
        int here = StrCompareNoCase(itemLabel, label) >= 0;
        MemFree(itemLabel);
        if (here) {
            HostSetIdProp(shared, menu, PropNextMenuItem, item);
            return;
        }
    }
}

void DefineToolMenus() {
    ObjId tools = DocumentToolsMenu();
    ObjId menu = HostDefineMenu("Vellor", MasterPagesLabel);
    HostDefineAndAddCommand(CommandApplyToDocument, menu, "ApplyMasterPagesTarn", "Apply Master Pages", "");
    HostDefineAndAddCommand(CommandListDocument, menu, "ListMasterPagesDoc", "List Master Pages", "");
    AddSeparator(menu, "Separator2");
    HostDefineAndAddCommand(CommandInsertMarker, menu, "InsertMPMarker", "Insert MasterPage Marker", "");
    AddSeparator(menu, "Separator3");
    ObjId about = HostDefineAndAddCommand(CommandAbout, menu, "MasterPageAbout", "About Quillet...", "");
    HostAddMenuToMenu(tools, menu);
    PlaceMenuAlphabetically(tools, menu, MasterPagesLabel);

    ObjId bookTools = BookToolsMenu();
    ObjId bookMenu = HostDefineMenu("VellorBook", MasterPagesLabel);
    HostDefineAndAddCommand(CommandApplyToBook, bookMenu, "ApplyMasterPagesBookTarn", "Apply Master Pages", "");
    HostDefineAndAddCommand(CommandListBook, bookMenu, "ListMasterPagesBook", "List Master Pages", "");
    AddSeparator(bookMenu, "Separator3");
    // The About command is shared with the document menu, not defined twice.
    HostAddToMenu(bookMenu, about);
    HostAddMenuToMenu(bookTools, bookMenu);
    PlaceMenuAlphabetically(bookTools, bookMenu, MasterPagesLabel);
}
