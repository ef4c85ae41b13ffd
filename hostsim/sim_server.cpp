// The simulated host's COM server object: the eighteen interfaces with their
// method tables, QueryInterface/AddRef/Release, the server's life, scenario
// set-up, and the calls FrameMaker makes on a registered client.
//
// Every interface is a record whose first member points to a table of
// function pointers `HRESULT (*)(IUnknown* self, ...)`. A table is preceded by
// the two words a C++ virtual table carries in front of it (offset to top and
// type information, here of a class derived from IUnknown), so that a client
// that calls QueryInterface or Release as C++ virtual functions sees a
// well-formed object. Slots not implemented answer E_NOTIMPL; on x86-64 a
// function without parameters can stand in for any signature, since the
// caller cleans up its own arguments.
#include "hostsim/sim_server_internal.h"

#include "platform/win_names.h"

#include <cstring>
#include <typeinfo>

namespace {

// Slots per interface: methods 3..last, so last + 1 (index 0: IUnknown only).
const int SlotCounts[SimInterfaceCount + 1] = {3,  21, 21, 17, HostMainMethodCount, 15, 4, 8,  6, 5,
                                               14, 48, 49, 18, 4,   50, 4, 4,  4};
const int MaxSlots = HostMainMethodCount;

// Stands for the dynamic type of every interface record.
struct SimInterfaceType : IUnknown {
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void**) override { return E_NOTIMPL; }
    ULONG STDMETHODCALLTYPE AddRef() override { return 0; }
    ULONG STDMETHODCALLTYPE Release() override { return 0; }
    virtual ~SimInterfaceType() = default;
};

HRESULT NotImplemented() { return E_NOTIMPL; }

HRESULT QueryInterfaceSlot(IUnknown* self, REFIID iid, void** object) {
    if (!object) return E_POINTER;
    *object = nullptr;
    SimServer* s = SimSelf(self);
    int number = -1;
    if (IsEqualIID(iid, IID_IUnknown)) number = 0;
    for (int k = 1; k <= SimInterfaceCount && number < 0; ++k)
        if (IsEqualIID(iid, HostInterfaceIids[k])) number = k;
    if (number < 0) return E_NOINTERFACE;
    if (number > 0) ++s->control.queries[number];
    if (number > 0 && s->control.refused[number]) return E_NOINTERFACE;
    ++s->references;
    *object = &s->records[number];
    return S_OK;
}

ULONG AddRefSlot(IUnknown* self) { return (ULONG)++SimSelf(self)->references; }

ULONG ReleaseSlot(IUnknown* self) {
    SimServer* s = SimSelf(self);
    long left = --s->references;
    if (left == 0) {
        s->references = 1; // a client let go now must not bring us back to 0
        SimClientRelease(s);
        delete s;
    }
    return (ULONG)left;
}

// Interface 16, method 3: whether the client keeps the host's result blocks.
HRESULT KeepResultsSlot(IUnknown* self, int32_t) { return SimSelf(self)->control.keepsResultsAnswer; }

// Interface 17, method 3: the client module's instance handle.
HRESULT InstanceSlot(IUnknown* self, void* instance) {
    SimSelf(self)->control.clientInstance = instance;
    return S_OK;
}

struct Tables {
    void* words[SimInterfaceCount + 1][2 + MaxSlots];
};

Tables MakeTables() {
    Tables t{};
    for (int k = 0; k <= SimInterfaceCount; ++k) {
        void** words = t.words[k];
        words[0] = nullptr; // offset to top
        words[1] = const_cast<std::type_info*>(&typeid(SimInterfaceType));
        void** slots = words + 2;
        for (int n = 0; n < SlotCounts[k]; ++n) slots[n] = SimSlot(&NotImplemented);
        slots[0] = SimSlot(&QueryInterfaceSlot);
        slots[1] = SimSlot(&AddRefSlot);
        slots[2] = SimSlot(&ReleaseSlot);
    }
    void** main = t.words[HostMainInterfaceNumber] + 2;
    SimInstallSessionMethods(main);
    SimInstallDocumentMethods(main);
    SimInstallPropertyMethods(main);
    SimInstallTextMethods(main);
    t.words[HostResultsInterfaceNumber][2 + HostMethodOfSideInterface] = SimSlot(&KeepResultsSlot);
    t.words[HostInstanceInterfaceNumber][2 + HostMethodOfSideInterface] = SimSlot(&InstanceSlot);
    return t;
}

Tables& TheTables() {
    static Tables tables = MakeTables();
    return tables;
}

std::string DefaultHostDirectory() {
    char name[4096];
    if (PlatformLocalNameToWindows(VELLOR_HOSTSIM_DEFAULT_DIR, name, sizeof name) < 0) return "Z:\\";
    return name;
}

// The registered client's callback interface (one reference), or null.
IUnknown* ClientNotifications(SimServer* server) {
    if (!server->client) return nullptr;
    void* object = nullptr;
    if (FAILED(server->client->QueryInterface(HostCallbackNotifications0Iid, &object))) return nullptr;
    return static_cast<IUnknown*>(object);
}

template <typename... A>
HRESULT CallClient(SimServer* server, unsigned slot, A... args) {
    IUnknown* callbacks = ClientNotifications(server);
    if (!callbacks) return E_UNEXPECTED;
    using Method = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, A...);
    void** table = *reinterpret_cast<void***>(callbacks);
    HRESULT hr = reinterpret_cast<Method>(table[slot])(callbacks, args...);
    callbacks->Release();
    return hr;
}

} // namespace

char* SimTaskString(const std::string& text) {
    char* block = static_cast<char*>(CoTaskMemAlloc(text.size() + 1));
    if (block) std::memcpy(block, text.c_str(), text.size() + 1);
    return block;
}

char* SimTaskFrameRoman(std::string_view utf8) {
    char* block = static_cast<char*>(CoTaskMemAlloc(utf8.size() + 1)); // FrameRoman is never longer
    if (block) block[SimToFrameRomanInto(utf8, block)] = '\0';
    return block;
}

SimDoc* SimOpen(SimServer* server, ObjId id) { return SimFindDoc(server->session, id); }

SimServer* SimServerCreate(const char* hostDirectory) {
    Tables& tables = TheTables();
    SimServer* s = new SimServer;
    for (int k = 0; k <= SimInterfaceCount; ++k) s->records[k] = {tables.words[k] + 2, s, k};
    SimSessionInit(s->session, hostDirectory ? hostDirectory : DefaultHostDirectory().c_str());
    s->store = SimMemoryStoreMake(&s->memory);
    return s;
}

IUnknown* SimServerUnknown(SimServer* server) { return reinterpret_cast<IUnknown*>(&server->records[0]); }

void SimServerRelease(SimServer* server) {
    if (!server) return;
    // FrameMaker going away lets its client go first, which breaks the cycle
    // of the client's interface references and our reference to the client.
    ++server->references;
    SimClientRelease(server);
    ReleaseSlot(SimServerUnknown(server));
    ReleaseSlot(SimServerUnknown(server));
}

SimSession& SimServerSession(SimServer* server) { return server->session; }
SimControl& SimServerControl(SimServer* server) { return server->control; }
SimMemoryStore& SimServerMemory(SimServer* server) { return server->memory; }
void SimServerSetStore(SimServer* server, SimStore store) { server->store = store; }

// ---- Scenario set-up

void SimStorePut(SimServer* server, const DocBuilder& builder) {
    server->memory.files[builder.doc.name] = builder.doc;
}

void SimStorePut(SimServer* server, const BookBuilder& builder) {
    server->memory.files[builder.book.name] = builder.book;
}

ObjId SimOpenBuilt(SimServer* server, const DocBuilder& builder, bool visible) {
    return SimOpenDoc(server->session, builder.doc, visible)->id;
}

ObjId SimOpenBook(SimServer* server, const BookBuilder& builder, bool active) {
    return SimOpenDoc(server->session, builder.book, active)->id;
}

SimDoc* SimDocById(SimServer* server, ObjId id) { return SimFindDoc(server->session, id); }

SimDoc* SimDocByName(SimServer* server, const char* name) {
    SimDoc* d = SimFindDocByName(server->session, name ? name : "");
    return d ? d : SimFindBookByName(server->session, name ? name : "");
}

const SimDoc* SimStoredFile(SimServer* server, const char* name) {
    auto it = server->memory.files.find(name ? name : "");
    return it == server->memory.files.end() ? nullptr : &it->second;
}

// ---- The client

HRESULT SimClientInitialize(SimServer* server, int32_t code) {
    return CallClient(server, HostCallbackInitialize, code);
}

HRESULT SimClientCommand(SimServer* server, int32_t command) {
    return CallClient(server, HostCallbackCommand, command);
}

HRESULT SimClientChooseCommand(SimServer* server, const char* tag) {
    ObjId id = SimMenuByName(server->session, tag ? tag : "");
    if (!id || server->session.menus[id].kind != SimMenuCommand) return E_INVALIDARG;
    return SimClientCommand(server, server->session.menus[id].command);
}

HRESULT SimClientNotify(SimServer* server, int32_t code, ObjId document, const char* text,
                        int32_t number) {
    return CallClient(server, HostCallbackNotify, code, static_cast<int32_t>(document), text, number);
}

HRESULT SimClientMessage(SimServer* server, const char* text) {
    bool asked = false;
    for (int32_t code : server->session.notifications) asked |= code == HostNotifyMessage;
    if (!asked) return S_FALSE;
    return SimClientNotify(server, HostNotifyMessage, 0, text, 0);
}

HRESULT SimClientQuit(SimServer* server) { return CallClient(server, HostCallbackQuit); }

void SimClientRelease(SimServer* server) {
    IUnknown* client = server->client;
    server->client = nullptr;
    if (client) client->Release();
}

bool SimClientRegistered(SimServer* server) { return server->client != nullptr; }

int32_t SimClientApiVersion(SimServer* server) { return server->clientVersion; }
