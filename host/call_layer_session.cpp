// Forwarders for the session: notifications, menus and commands, alerts,
// prompts and the console; and the client's request to quit.
#include "host/call_shapes.h"

namespace {
constexpr int Main = HostMainInterfaceNumber;
}

int ClientQuitRequested = 0;

void HostBailOut() { ClientQuitRequested = 1; }

int32_t HostRequestNotification(int32_t code, int32_t state) { return HostCallStatus(Main, HostMethodRequestNotification, code, state); }
ObjId HostDefineMenu(const char* tag, const char* label) { return HostCallValue<ObjId>(Main, HostMethodDefineMenu, tag, label); }
int32_t HostAddToMenu(ObjId menu, ObjId item) { return HostCallStatus(Main, HostMethodAddToMenu, menu, item); }
int32_t HostAddMenuToMenu(ObjId target, ObjId menu) { return HostCallStatus(Main, HostMethodAddMenuToMenu, target, menu); }
ObjId HostDefineAndAddMenu(ObjId menuBar, const char* tag, const char* label) {
    return HostCallValue<ObjId>(Main, HostMethodDefineAndAddMenu, menuBar, tag, label);
}
ObjId HostDefineAndAddCommand(int32_t command, ObjId menu, const char* tag, const char* label,
                              const char* shortcut) {
    return HostCallValue<ObjId>(Main, HostMethodDefineAndAddCommand, command, menu, tag, label, shortcut);
}
int32_t HostAlert(const char* text, int32_t type) { return HostCallPlain(Main, HostMethodAlert, text, type); }
int32_t HostPromptString(char** answer, const char* prompt, const char* defaultText) {
    return HostCallPrompt(Main, HostMethodPromptString, answer, prompt, defaultText);
}
int32_t HostWriteConsole(const char* utf8Text) { return HostCallStatus(Main, HostMethodWriteConsole, utf8Text); }
