// The COM runtime stand-in: initialisation count, the message filter, the
// class registry behind CoCreateInstance and CoCreateInstanceEx, GUID
// parsing, and the thread message queue. One thread uses all of it, as one
// apartment would.
#include "platform/com_runtime.h"

#ifndef _WIN32
#include <cctype>
#include <cstring>
#include <deque>
#include <string>

const IID IID_IMessageFilter = {0x00000016, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};

namespace {
int initCount = 0;
IMessageFilter* currentFilter = nullptr;
IUnknown* lastDisconnected = nullptr;
int disconnectCount = 0;
int createExHidden = 0;

struct ServerEntry {
    CLSID clsid;
    std::string machine; // lower case; empty for the local machine
    IUnknown* server;
};
constexpr int MaxServers = 16;
ServerEntry servers[MaxServers];
int serverCount = 0;

std::deque<MSG> queue;

std::string Lower(const char* text) {
    std::string out;
    for (; text && *text; ++text) out += static_cast<char>(std::tolower(static_cast<unsigned char>(*text)));
    return out;
}

// A machine name arrives in UTF-16; names are ASCII, anything else cannot match.
std::string LowerWide(LPCWSTR text) {
    std::string out;
    for (; text && *text; ++text) out += *text < 0x80 ? static_cast<char>(std::tolower(*text)) : '?';
    return out;
}

ServerEntry* Find(REFCLSID clsid, const std::string& machine) {
    for (int i = 0; i < serverCount; ++i)
        if (IsEqualGUID(servers[i].clsid, clsid) && servers[i].machine == machine) return &servers[i];
    return nullptr;
}

int HexValue(WCHAR c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// `digits` hex digits starting at text[*at]; -1 when one is not a hex digit.
int64_t Hex(LPCOLESTR text, int* at, int digits) {
    int64_t value = 0;
    for (int i = 0; i < digits; ++i) {
        int d = HexValue(text[(*at)++]);
        if (d < 0) return -1;
        value = value * 16 + d;
    }
    return value;
}

constexpr DWORD KnownContexts = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER |
                                CLSCTX_REMOTE_SERVER;
} // namespace

HRESULT CoInitialize(LPVOID) { return initCount++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
    if (initCount > 0) --initCount;
}

HRESULT CoRegisterMessageFilter(IMessageFilter* filter, IMessageFilter** previous) {
    IMessageFilter* old = currentFilter;
    if (filter) filter->AddRef();
    currentFilter = filter;
    if (previous)
        *previous = old;
    else if (old)
        old->Release();
    return S_OK;
}

HRESULT CoDisconnectObject(IUnknown* object, DWORD) {
    if (!object) return E_INVALIDARG;
    lastDisconnected = object;
    ++disconnectCount;
    return S_OK;
}

HRESULT CLSIDFromString(LPCOLESTR text, CLSID* clsid) {
    if (!clsid) return E_INVALIDARG;
    if (!text) { // as on Windows: no text is the null class
        std::memset(clsid, 0, sizeof *clsid);
        return S_OK;
    }
    // {8-4-4-4-12}: check the punctuation first, so that no digit read can
    // pass the terminator of a short text.
    static const char shape[] = "{........-....-....-....-............}";
    for (int i = 0; shape[i]; ++i) {
        if (text[i] == 0) return CO_E_CLASSSTRING;
        if (shape[i] != '.' && text[i] != static_cast<WCHAR>(shape[i])) return CO_E_CLASSSTRING;
    }
    if (text[sizeof shape - 1] != 0) return CO_E_CLASSSTRING;
    int at = 1;
    int64_t parts[3];
    parts[0] = Hex(text, &at, 8);
    ++at;
    parts[1] = Hex(text, &at, 4);
    ++at;
    parts[2] = Hex(text, &at, 4);
    ++at;
    CLSID out;
    int64_t bytes[8];
    for (int i = 0; i < 8; ++i) {
        if (i == 2) ++at;
        bytes[i] = Hex(text, &at, 2);
    }
    for (int64_t p : parts)
        if (p < 0) return CO_E_CLASSSTRING;
    for (int64_t b : bytes)
        if (b < 0) return CO_E_CLASSSTRING;
    out.Data1 = static_cast<uint32_t>(parts[0]);
    out.Data2 = static_cast<uint16_t>(parts[1]);
    out.Data3 = static_cast<uint16_t>(parts[2]);
    for (int i = 0; i < 8; ++i) out.Data4[i] = static_cast<uint8_t>(bytes[i]);
    *clsid = out;
    return S_OK;
}

HRESULT CoCreateInstance(REFCLSID clsid, IUnknown* outer, DWORD context, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    if (initCount == 0) return CO_E_NOTINITIALIZED;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (!(context & KnownContexts)) return E_INVALIDARG;
    ServerEntry* entry = Find(clsid, std::string());
    if (!entry) return REGDB_E_CLASSNOTREG;
    return entry->server->QueryInterface(iid, object);
}

HRESULT CoCreateInstanceEx(REFCLSID clsid, IUnknown* outer, DWORD context, COSERVERINFO* server,
                           DWORD count, MULTI_QI* results) {
    if (count == 0 || !results) return E_INVALIDARG;
    for (DWORD i = 0; i < count; ++i) {
        results[i].pItf = nullptr;
        results[i].hr = E_NOINTERFACE;
    }
    if (initCount == 0) return CO_E_NOTINITIALIZED;
    if (outer) return CLASS_E_NOAGGREGATION;
    if (!(context & KnownContexts)) return E_INVALIDARG;
    std::string machine = server && server->pwszName ? LowerWide(server->pwszName) : std::string();
    ServerEntry* entry = Find(clsid, machine);
    if (!entry) return machine.empty() ? REGDB_E_CLASSNOTREG : RPC_S_SERVER_UNAVAILABLE_HR;
    DWORD answered = 0;
    for (DWORD i = 0; i < count; ++i) {
        void* answer = nullptr;
        results[i].hr = results[i].pIID ? entry->server->QueryInterface(*results[i].pIID, &answer) : E_POINTER;
        results[i].pItf = SUCCEEDED(results[i].hr) ? static_cast<IUnknown*>(answer) : nullptr;
        answered += results[i].pItf != nullptr;
    }
    if (answered == count) return S_OK;
    return answered ? CO_S_NOTALLINTERFACES : E_NOINTERFACE;
}

BOOL GetMessageA(MSG* message, HWND, UINT, UINT) {
    if (!message) return -1;
    if (queue.empty()) {
        *message = MSG{nullptr, WM_QUIT, 0, 0, 0, {0, 0}};
        return 0;
    }
    *message = queue.front();
    queue.pop_front();
    return message->message == WM_QUIT ? 0 : 1;
}

BOOL TranslateMessage(const MSG*) { return FALSE; }

LRESULT DispatchMessageA(const MSG* message) {
    if (message && message->message == WM_APP && message->wParam) {
        auto proc = reinterpret_cast<PlatformMessageProc>(message->wParam);
        proc(reinterpret_cast<void*>(message->lParam));
    }
    return 0;
}

void PostQuitMessage(int exitCode) {
    queue.push_back(MSG{nullptr, WM_QUIT, static_cast<WPARAM>(exitCode), 0, 0, {0, 0}});
}

FARPROC PlatformComExport(const char* name) {
    if (!name) return nullptr;
    if (std::strcmp(name, "CoCreateInstanceEx") == 0 && !createExHidden)
        return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&CoCreateInstanceEx));
    if (std::strcmp(name, "CoCreateInstance") == 0) return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&CoCreateInstance));
    return nullptr;
}

void PlatformComHideExport(const char* name, int hidden) {
    if (name && std::strcmp(name, "CoCreateInstanceEx") == 0) createExHidden = hidden;
}

int PlatformRegisterServer(REFCLSID clsid, const char* machine, IUnknown* server) {
    if (!server) return 0;
    std::string key = Lower(machine);
    ServerEntry* entry = Find(clsid, key);
    if (!entry) {
        if (serverCount == MaxServers) return 0;
        entry = &servers[serverCount++];
        entry->clsid = clsid;
        entry->machine = key;
        entry->server = nullptr;
    }
    server->AddRef();
    if (entry->server) entry->server->Release();
    entry->server = server;
    return 1;
}

int PlatformRevokeServer(REFCLSID clsid, const char* machine) {
    ServerEntry* entry = Find(clsid, Lower(machine));
    if (!entry) return 0;
    IUnknown* server = entry->server;
    *entry = servers[--serverCount];
    servers[serverCount] = ServerEntry{};
    server->Release();
    return 1;
}

IMessageFilter* PlatformMessageFilter() { return currentFilter; }
int PlatformComInitCount() { return initCount; }
IUnknown* PlatformLastDisconnected() { return lastDisconnected; }
int PlatformDisconnectCount() { return disconnectCount; }

void PlatformPostCall(PlatformMessageProc proc, void* context) {
    queue.push_back(MSG{nullptr, WM_APP, reinterpret_cast<WPARAM>(proc),
                        reinterpret_cast<LPARAM>(context), 0, {0, 0}});
}

int PlatformPendingMessages() { return static_cast<int>(queue.size()); }
void PlatformClearMessages() { queue.clear(); }
#endif
