// A minimal stand-in for the host's server object, enough to drive the call
// layer: it hands out the eighteen interfaces (each can be refused), records
// which method slots are called with which inputs, answers with a chosen
// HRESULT and status, and hands out results as task-allocator blocks as the
// host does.
//
// Each interface is a real C++ object (so that QueryInterface/AddRef/Release
// are ordinary virtual calls), whose vtable pointer is then moved to a wider
// table: the object's own header and first three slots copied, followed by
// the host methods the tests reach. Unset slots answer E_NOTIMPL.
#pragma once

#include "host/call_layer.h"
#include "host/host_interfaces.h"
#include "host/host_wire.h"
#include "host/prop_vals.h"
#include "platform/com_types.h"

#include <cstring>
#include <functional>
#include <string>
#include <utility>
#include <vector>

namespace fake {

constexpr int SlotCount = HostMainMethodCount;

// A task-allocator copy of text, as the host hands out strings.
inline char* TaskString(const char* text) {
    size_t length = std::strlen(text) + 1;
    auto* block = static_cast<char*>(CoTaskMemAlloc(length));
    std::memcpy(block, text, length);
    return block;
}

struct Host;

class Interface final : public IUnknown {
public:
    Host* host = nullptr;
    int number = 0;
    void* table[2 + SlotCount] = {};

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** object) override {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return ++references; }
    ULONG STDMETHODCALLTYPE Release() override { return --references; }
    ULONG references = 0;

    void Widen();
    template <typename F>
    void Set(int slot, F* method) {
        table[2 + slot] = reinterpret_cast<void*>(method);
    }
};

// What the host answers, and what it saw.
struct Host {
    HRESULT result = S_OK;   // COM answer of every call
    int32_t status = 0;      // written to the status out-parameter on S_OK
    int32_t intValue = 0;
    ObjId idValue = 0;
    TextRange range{};
    const char* text = nullptr;                 // string result; null answers null
    std::function<void(PropVals*)> fillList;    // host list for lists and return parameters
    std::function<void(TextItems*)> fillItems;
    HRESULT keepResultsAnswer = E_FAIL;         // interface 16, method 3

    std::vector<std::pair<int, int>> calls;     // {interface, slot}
    std::vector<int> asked;                     // interface numbers asked for, in order
    bool refuse[HostInterfaceCount + 1] = {};
    std::vector<int32_t> ints;                  // 32-bit inputs of the last call
    const char* namePointer = nullptr;          // string input of the last call
    std::string name;
    std::string prompt, defaultText;
    PropIdent ident{};
    std::string identName;
    PropVals options{0, nullptr};               // copy of the last options list
    bool optionsNull = false;
    void* instance = nullptr;

    Interface interfaces[HostInterfaceCount + 1];
    class Server final : public IUnknown {
    public:
        Host* host = nullptr;
        HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override;
        ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
        ULONG STDMETHODCALLTYPE Release() override { return 1; }
    } server;

    Host();
    ~Host() { PropValsFree(&options); }
    Host(const Host&) = delete;
    Host& operator=(const Host&) = delete;

    int CallsOf(int slot) const {
        int n = 0;
        for (auto& c : calls) n += c.second == slot;
        return n;
    }
    void TakeOptions(const PropVals* list) {
        PropValsFree(&options);
        optionsNull = list == nullptr;
        if (list) PropValsCopy(&options, list, PropAllocLibrary);
    }
    // The host's string result as a task block, remembered for tests that
    // keep the host's blocks (HostKeepsResults) and must free them.
    char* Hand() {
        if (!text) return nullptr;
        char* block = TaskString(text);
        handedOut.push_back(block);
        return block;
    }
    std::vector<void*> handedOut;
    void TakeIdent(const PropIdent* p) {
        ident = *p;
        identName = p->name ? p->name : "";
    }
};

inline Host& Of(IUnknown* self) { return *static_cast<Interface*>(self)->host; }
inline bool Begin(IUnknown* self, int slot) {
    Interface* i = static_cast<Interface*>(self);
    i->host->calls.emplace_back(i->number, slot);
    i->host->ints.clear();
    return SUCCEEDED(i->host->result);
}

template <int N>
HRESULT STDMETHODCALLTYPE NotImplemented(IUnknown* self) {
    Begin(self, N);
    return E_NOTIMPL;
}

// ---- Host methods of the main interface, with the call layer's argument order.
inline HRESULT STDMETHODCALLTYPE RequestNotification(IUnknown* self, int32_t code, int32_t state,
                                                     int32_t* status) {
    Host& h = Of(self);
    if (!Begin(self, HostMethodRequestNotification)) return h.result;
    h.ints = {code, state};
    *status = h.status;
    return S_OK;
}
inline HRESULT STDMETHODCALLTYPE Alert(IUnknown* self, const char* text, int32_t type,
                                       int32_t* answer) {
    Host& h = Of(self);
    if (!Begin(self, HostMethodAlert)) return h.result;
    h.name = text ? text : "";
    h.ints = {type};
    *answer = h.intValue;
    return S_OK;
}
inline HRESULT STDMETHODCALLTYPE PromptString(IUnknown* self, int32_t* status, char** answer,
                                              const char* prompt, const char* defaultText) {
    Host& h = Of(self);
    if (!Begin(self, HostMethodPromptString)) return h.result;
    h.prompt = prompt ? prompt : "";
    h.defaultText = defaultText ? defaultText : "";
    *answer = h.Hand();
    *status = h.status;
    return S_OK;
}
inline HRESULT STDMETHODCALLTYPE Open(IUnknown* self, const char* name, const PropVals* options,
                                      PropVals* returned, int32_t* status, ObjId* document) {
    Host& h = Of(self);
    if (!Begin(self, HostMethodOpen)) return h.result;
    h.namePointer = name;
    h.name = name ? name : "";
    h.TakeOptions(options);
    if (h.fillList) h.fillList(returned);
    *status = h.status;
    *document = h.idValue;
    return S_OK;
}
inline HRESULT STDMETHODCALLTYPE Save(IUnknown* self, ObjId docId, const char* name,
                                      const PropVals* options, PropVals* returned,
                                      int32_t* status, ObjId* document) {
    Host& h = Of(self);
    if (!Begin(self, HostMethodSave)) return h.result;
    h.ints = {static_cast<int32_t>(docId)};
    h.namePointer = name;
    h.name = name ? name : "";
    h.TakeOptions(options);
    if (h.fillList) h.fillList(returned);
    *status = h.status;
    *document = h.idValue;
    return S_OK;
}
inline HRESULT STDMETHODCALLTYPE GetProps(IUnknown* self, ObjId document, ObjId object,
                                          int32_t* status, PropVals* list) {
    Host& h = Of(self);
    if (!Begin(self, HostMethodGetProps)) return h.result;
    h.ints = {static_cast<int32_t>(document), static_cast<int32_t>(object)};
    if (h.fillList) h.fillList(list);
    *status = h.status;
    return S_OK;
}
inline HRESULT STDMETHODCALLTYPE GetIntProp(IUnknown* self, ObjId document, ObjId object,
                                            const PropIdent* prop, int32_t* status,
                                            int32_t* value) {
    Host& h = Of(self);
    if (!Begin(self, HostMethodGetIntProp)) return h.result;
    h.ints = {static_cast<int32_t>(document), static_cast<int32_t>(object)};
    h.TakeIdent(prop);
    *status = h.status;
    *value = h.intValue;
    return S_OK;
}
inline HRESULT STDMETHODCALLTYPE SetIntProp(IUnknown* self, ObjId document, ObjId object,
                                            const PropIdent* prop, int32_t value,
                                            int32_t* status) {
    Host& h = Of(self);
    if (!Begin(self, HostMethodSetIntProp)) return h.result;
    h.ints = {static_cast<int32_t>(document), static_cast<int32_t>(object), value};
    h.TakeIdent(prop);
    *status = h.status;
    return S_OK;
}
inline HRESULT STDMETHODCALLTYPE GetIdProp(IUnknown* self, ObjId document, ObjId object,
                                           const PropIdent* prop, int32_t* status, ObjId* value) {
    Host& h = Of(self);
    if (!Begin(self, HostMethodGetIdProp)) return h.result;
    h.ints = {static_cast<int32_t>(document), static_cast<int32_t>(object)};
    h.TakeIdent(prop);
    *status = h.status;
    *value = h.idValue;
    return S_OK;
}
inline HRESULT STDMETHODCALLTYPE GetTextRangeProp(IUnknown* self, ObjId, ObjId,
                                                  const PropIdent* prop, int32_t* status,
                                                  TextRange* value) {
    Host& h = Of(self);
    if (!Begin(self, HostMethodGetTextRangeProp)) return h.result;
    h.TakeIdent(prop);
    *status = h.status;
    *value = h.range;
    return S_OK;
}
inline HRESULT STDMETHODCALLTYPE GetStringProp(IUnknown* self, ObjId document, ObjId object,
                                               const PropIdent* prop, int32_t* status,
                                               char** value) {
    Host& h = Of(self);
    if (!Begin(self, HostMethodGetStringProp)) return h.result;
    h.ints = {static_cast<int32_t>(document), static_cast<int32_t>(object)};
    h.TakeIdent(prop);
    *status = h.status;
    *value = h.Hand();
    return S_OK;
}
inline HRESULT STDMETHODCALLTYPE GetText(IUnknown* self, ObjId document, const TextRange* range,
                                         int32_t kinds, int32_t* status, TextItems* items) {
    Host& h = Of(self);
    if (!Begin(self, HostMethodGetText)) return h.result;
    h.ints = {static_cast<int32_t>(document), range->begin.offset, range->end.offset, kinds};
    if (h.fillItems) h.fillItems(items);
    *status = h.status;
    return S_OK;
}
inline HRESULT STDMETHODCALLTYPE KeepResults(IUnknown* self, int32_t keep) {
    Host& h = Of(self);
    Begin(self, HostMethodOfSideInterface);
    h.ints = {keep};
    return h.keepResultsAnswer;
}
inline HRESULT STDMETHODCALLTYPE TakeInstance(IUnknown* self, void* instance) {
    Begin(self, HostMethodOfSideInterface);
    Of(self).instance = instance;
    return S_OK;
}

template <size_t... N>
void FillUnimplemented(Interface& i, std::index_sequence<N...>) {
    ((i.table[2 + 3 + N] = reinterpret_cast<void*>(&NotImplemented<3 + N>)), ...);
}

inline void Interface::Widen() {
    void** own = *reinterpret_cast<void***>(this);
    table[0] = own[-2]; // offset to top
    table[1] = own[-1]; // type information
    for (int s = 0; s < 3; ++s) table[2 + s] = own[s];
    FillUnimplemented(*this, std::make_index_sequence<SlotCount - 3>());
    *reinterpret_cast<void***>(this) = &table[2];
}

inline HRESULT STDMETHODCALLTYPE Host::Server::QueryInterface(REFIID iid, void** object) {
    *object = nullptr;
    for (int k = 1; k <= HostInterfaceCount; ++k) {
        if (!IsEqualIID(iid, HostInterfaceIids[k])) continue;
        host->asked.push_back(k);
        if (host->refuse[k]) return E_NOINTERFACE;
        host->interfaces[k].AddRef();
        *object = static_cast<IUnknown*>(&host->interfaces[k]);
        return S_OK;
    }
    return E_NOINTERFACE;
}

inline Host::Host() {
    server.host = this;
    for (int k = 1; k <= HostInterfaceCount; ++k) {
        interfaces[k].host = this;
        interfaces[k].number = k;
        interfaces[k].Widen();
    }
    Interface& main = interfaces[HostMainInterfaceNumber];
    main.Set(HostMethodRequestNotification, &RequestNotification);
    main.Set(HostMethodAlert, &Alert);
    main.Set(HostMethodPromptString, &PromptString);
    main.Set(HostMethodOpen, &Open);
    main.Set(HostMethodSave, &Save);
    main.Set(HostMethodGetProps, &GetProps);
    main.Set(HostMethodGetIntProp, &GetIntProp);
    main.Set(HostMethodSetIntProp, &SetIntProp);
    main.Set(HostMethodGetIdProp, &GetIdProp);
    main.Set(HostMethodGetTextRangeProp, &GetTextRangeProp);
    main.Set(HostMethodGetStringProp, &GetStringProp);
    main.Set(HostMethodGetText, &GetText);
    interfaces[HostResultsInterfaceNumber].Set(HostMethodOfSideInterface, &KeepResults);
    interfaces[HostInstanceInterfaceNumber].Set(HostMethodOfSideInterface, &TakeInstance);
}

} // namespace fake
