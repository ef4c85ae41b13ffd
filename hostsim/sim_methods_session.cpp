// Methods of the main interface about the session: registration of a client,
// notifications, menus and commands, alerts, prompts and the console.
#include "hostsim/sim_server_internal.h"

#include <algorithm>

namespace {

bool IsMenu(SimServer* s, ObjId id) {
    auto it = s->session.menus.find(id);
    return it != s->session.menus.end() && it->second.kind == SimMenuMenu;
}

HRESULT Register(IUnknown* self, IUnknown* callback, int32_t version, const PropVals* info) {
    SimCall call(self, HostMethodRegister);
    if (FAILED(call.failed)) return call.failed;
    if (!callback) return E_POINTER;
    SimServer* s = call.server;
    callback->AddRef(); // FrameMaker keeps the client alive from here on
    SimClientRelease(s);
    s->client = callback;
    s->clientVersion = version;
    s->control.clientInfo.clear();
    s->control.clientInfoGiven = info != nullptr;
    for (uint32_t i = 0; info && i < info->count; ++i) {
        const PropVal& entry = info->entries[i];
        if (entry.value.kind == TypedString)
            s->control.clientInfo.emplace_back(entry.ident.number,
                                               entry.value.value.string ? entry.value.value.string : "");
    }
    return S_OK;
}

HRESULT RequestNotification(IUnknown* self, int32_t code, int32_t state, int32_t* status) {
    SimCall call(self, HostMethodRequestNotification);
    if (FAILED(call.failed)) return call.failed;
    if (!status) return E_POINTER;
    std::vector<int32_t>& codes = call.server->session.notifications;
    codes.erase(std::remove(codes.begin(), codes.end(), code), codes.end());
    if (state) codes.push_back(code);
    *status = call.Answer(SimOk);
    return S_OK;
}

HRESULT DefineMenu(IUnknown* self, const char* tag, const char* label, int32_t* status, ObjId* menu) {
    SimCall call(self, HostMethodDefineMenu);
    if (FAILED(call.failed)) return call.failed;
    if (!status || !menu) return E_POINTER;
    SimSession& session = call.server->session;
    std::string name = SimFromFrameRoman(tag);
    ObjId id = SimMenuByName(session, name);
    int32_t own = SimOk;
    if (name.empty())
        own = SimStatusBadArgument;
    else if (id && session.menus[id].kind != SimMenuMenu)
        own = SimStatusBadValue;
    else if (!id)
        id = SimAddMenu(session, 0, name.c_str(), SimFromFrameRoman(label).c_str());
    *menu = own ? 0 : id;
    *status = call.Answer(own);
    return S_OK;
}

// Appends `item` to `menu`; an item stands in a menu once.
int32_t AppendItem(SimServer* s, ObjId menu, ObjId item, bool wantMenu) {
    if (!IsMenu(s, menu)) return SimStatusBadObject;
    auto it = s->session.menus.find(item);
    if (it == s->session.menus.end() || (wantMenu != (it->second.kind == SimMenuMenu)))
        return SimStatusBadObject;
    if (item == menu) return SimStatusBadValue;
    std::vector<ObjId>& items = s->session.menus[menu].items;
    if (std::find(items.begin(), items.end(), item) != items.end()) return SimStatusBadValue;
    items.push_back(item);
    return SimOk;
}

HRESULT AddToMenu(IUnknown* self, ObjId menu, ObjId item, int32_t* status) {
    SimCall call(self, HostMethodAddToMenu);
    if (FAILED(call.failed)) return call.failed;
    if (!status) return E_POINTER;
    *status = call.Answer(AppendItem(call.server, menu, item, false));
    return S_OK;
}

HRESULT AddMenuToMenu(IUnknown* self, ObjId target, ObjId menu, int32_t* status) {
    SimCall call(self, HostMethodAddMenuToMenu);
    if (FAILED(call.failed)) return call.failed;
    if (!status) return E_POINTER;
    *status = call.Answer(AppendItem(call.server, target, menu, true));
    return S_OK;
}

HRESULT DefineAndAddMenu(IUnknown* self, ObjId bar, const char* tag, const char* label,
                         int32_t* status, ObjId* menu) {
    SimCall call(self, HostMethodDefineAndAddMenu);
    if (FAILED(call.failed)) return call.failed;
    if (!status || !menu) return E_POINTER;
    SimSession& session = call.server->session;
    std::string name = SimFromFrameRoman(tag);
    int32_t own = SimOk;
    ObjId id = 0;
    if (!IsMenu(call.server, bar))
        own = SimStatusBadObject;
    else if (name.empty() || SimMenuByName(session, name))
        own = SimStatusBadValue;
    else
        id = SimAddMenu(session, bar, name.c_str(), SimFromFrameRoman(label).c_str());
    *menu = id;
    *status = call.Answer(own);
    return S_OK;
}

HRESULT DefineAndAddCommand(IUnknown* self, int32_t command, ObjId menu, const char* tag,
                            const char* label, const char* shortcut, int32_t* status,
                            ObjId* commandId) {
    SimCall call(self, HostMethodDefineAndAddCommand);
    if (FAILED(call.failed)) return call.failed;
    if (!status || !commandId) return E_POINTER;
    SimSession& session = call.server->session;
    std::string name = SimFromFrameRoman(tag);
    int32_t own = SimOk;
    ObjId id = 0;
    if (!IsMenu(call.server, menu))
        own = SimStatusBadObject;
    else if (name.empty() || SimMenuByName(session, name))
        own = SimStatusBadValue;
    else {
        id = SimAddCommand(session, menu, command, name.c_str(), SimFromFrameRoman(label).c_str());
        session.menus[id].shortcut = SimFromFrameRoman(shortcut);
    }
    *commandId = id;
    *status = call.Answer(own);
    return S_OK;
}

HRESULT Alert(IUnknown* self, const char* text, int32_t type, int32_t* answer) {
    SimCall call(self, HostMethodAlert);
    if (FAILED(call.failed)) return call.failed;
    if (!answer) return E_POINTER;
    call.server->control.alerts.push_back(SimAlert{SimFromFrameRoman(text), type});
    *answer = 0; // the user pressed OK
    return S_OK;
}

HRESULT PromptString(IUnknown* self, int32_t* status, char** answer, const char* prompt,
                     const char* defaultText) {
    SimCall call(self, HostMethodPromptString);
    if (FAILED(call.failed)) return call.failed;
    if (!status || !answer) return E_POINTER;
    (void)defaultText;
    SimControl& control = call.server->control;
    control.prompts.push_back(SimFromFrameRoman(prompt));
    int32_t own = SimStatusCancelled;
    *answer = nullptr;
    if (!control.promptScript.empty()) {
        SimPromptReply reply = control.promptScript.front();
        control.promptScript.pop_front();
        *answer = SimTaskFrameRoman(reply.reply);
        own = reply.confirm ? SimOk : SimStatusCancelled;
    }
    *status = call.Answer(own);
    return S_OK;
}

HRESULT ConsoleWrite(IUnknown* self, const char* utf8Text, int32_t* status) {
    SimCall call(self, HostMethodWriteConsole);
    if (FAILED(call.failed)) return call.failed;
    if (!status) return E_POINTER;
    call.server->control.console.push_back(utf8Text ? utf8Text : "");
    *status = call.Answer(SimOk);
    return S_OK;
}

} // namespace

void SimInstallSessionMethods(void** table) {
    table[HostMethodRegister] = SimSlot(&Register);
    table[HostMethodRequestNotification] = SimSlot(&RequestNotification);
    table[HostMethodDefineMenu] = SimSlot(&DefineMenu);
    table[HostMethodAddToMenu] = SimSlot(&AddToMenu);
    table[HostMethodAddMenuToMenu] = SimSlot(&AddMenuToMenu);
    table[HostMethodDefineAndAddMenu] = SimSlot(&DefineAndAddMenu);
    table[HostMethodAlert] = SimSlot(&Alert);
    table[HostMethodPromptString] = SimSlot(&PromptString);
    table[HostMethodWriteConsole] = SimSlot(&ConsoleWrite);
    table[HostMethodDefineAndAddCommand] = SimSlot(&DefineAndAddCommand);
}
