// Forwarders for the session: notifications, menus and commands, alerts,
// prompts and the console; and the client's request to quit.
#include "host/call_shapes.h"

namespace {
constexpr int Main = HostMainInterfaceNumber;
}

int ClientQuitRequested = 0;

void HostBailOut() { ClientQuitRequested = 1; }

int32_t HostRequestNotification(int32_t code, int32_t state) { return HostCallStatus(Main, 8, code, state); }
ObjId HostDefineMenu(const char* tag, const char* label) { return HostCallValue<ObjId>(Main, 13, tag, label); }
int32_t HostAddToMenu(ObjId menu, ObjId item) { return HostCallStatus(Main, 14, menu, item); }
int32_t HostAddMenuToMenu(ObjId target, ObjId menu) { return HostCallStatus(Main, 15, target, menu); }
ObjId HostDefineAndAddMenu(ObjId menuBar, const char* tag, const char* label) {
    return HostCallValue<ObjId>(Main, 16, menuBar, tag, label);
}
ObjId HostDefineAndAddCommand(int32_t command, ObjId menu, const char* tag, const char* label,
                              const char* shortcut) {
    return HostCallValue<ObjId>(Main, 164, command, menu, tag, label, shortcut);
}
int32_t HostAlert(const char* text, int32_t type) { return HostCallPlain(Main, 20, text, type); }
int32_t HostPromptString(char** answer, const char* prompt, const char* defaultText) {
    return HostCallPrompt(Main, 22, answer, prompt, defaultText);
}
int32_t HostWriteConsole(const char* utf8Text) { return HostCallStatus(Main, 24, utf8Text); }
