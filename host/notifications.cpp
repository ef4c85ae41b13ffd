// FrameMakerNotificationsC: the callbacks FrameMaker makes on the client,
// each forwarded to its handler; notification 75's text split into fields;
// the CMS reply copied for the caller; and the object's destructor, which is
// the client's shutdown.
#include "host/notifications.h"

#include "host/call_layer.h"
#include "host/client_entry.h"
#include "host/standalone.h"
#include "support/base/memory.h"
#include "support/base/strings.h"
#include "support/io/library_startup.h"

#include <cstring>

namespace {
void DefaultInitialize(int32_t) {}
void DefaultCommand(int32_t) {}
void DefaultNotify(int32_t, ObjId, const char*, int32_t) {}
void DefaultMessage(const char*, int32_t, int32_t) {}
void DefaultDialogEvent(int32_t, int32_t, int32_t) {}
void DefaultHtmlDialogEventEx(int32_t, void*, void*) {}
void DefaultCmsCommand(int32_t, void*, int32_t, void*, CmsReply*) {}

char* CopyField(const char* begin, const char* end) {
    int32_t length = static_cast<int32_t>(end - begin);
    char* field = static_cast<char*>(MemAlloc(static_cast<uint32_t>(length) + 1, 0));
    if (!field) return nullptr;
    std::memcpy(field, begin, static_cast<size_t>(length));
    field[length] = 0;
    return field;
}

// Appends to the overflow list, growing it 16 entries at a time.
int AppendOverflow(NotifyFieldList* list, char* field) {
    if (list->count % NotifyOverflowGrowth == 0) {
        uint32_t slots = static_cast<uint32_t>(list->count) + NotifyOverflowGrowth;
        void* grown = MemRealloc(list->entries, slots * sizeof(char*), 0);
        if (!grown) return 0;
        list->entries = static_cast<char**>(grown);
    }
    list->entries[list->count++] = field;
    return 1;
}
} // namespace

namespace {
// Both tables start from this (constant initialisation, so that the tools
// may attach their handlers while the module loads).
constexpr ClientHandlers FrameHandlers = {
    DefaultInitialize,  DefaultCommand,           DefaultNotify,     DefaultMessage,
    DefaultDialogEvent, DefaultHtmlDialogEventEx, DefaultCmsCommand,
};
} // namespace

ClientHandlers ClientDefaultHandlers = FrameHandlers;
ClientHandlers ClientHandlerTable = FrameHandlers;

int ClientAttachToolHandlers(void (*initialize)(int32_t), void (*command)(int32_t),
                             void (*notify)(int32_t, ObjId, const char*, int32_t)) {
    ClientDefaultHandlers.initialize = ClientHandlerTable.initialize = initialize;
    ClientDefaultHandlers.command = ClientHandlerTable.command = command;
    ClientDefaultHandlers.notify = ClientHandlerTable.notify = notify;
    return 1;
}

// ---- Notification 75

NotifyFields* NotifyFieldsSplit(const char* text) {
    auto* record = static_cast<NotifyFields*>(MemCalloc(1, sizeof(NotifyFields), 0));
    if (!record) return nullptr;
    if (!text) text = "";
    int slot = 0;
    const char* begin = text;
    for (const char* at = text;; ++at) {
        if (*at != NotifyFieldSeparator && *at != 0) continue;
        char* field = CopyField(begin, at);
        int kept = field != nullptr;
        if (kept && slot < 6)
            record->fields[slot++] = field;
        else if (kept)
            kept = AppendOverflow(&record->overflow, field);
        if (!kept) {
            MemFree(field);
            NotifyFieldsFree(record);
            return nullptr;
        }
        if (*at == 0) break;
        begin = at + 1;
    }
    return record;
}

void NotifyFieldsFree(NotifyFields* record) {
    if (!record) return;
    for (char* field : record->fields) MemFree(field);
    for (int32_t i = 0; i < record->overflow.count; ++i) MemFree(record->overflow.entries[i]);
    MemFree(record->overflow.entries);
    MemFree(record);
}

// ---- CMS reply

void CmsReplyCopy(CmsReply* destination, const CmsReply* source) {
    if (!destination || !source) return;
    *destination = *source;
    destination->text = source->text ? StrDup(source->text) : nullptr;
    // A negative count has no integers; the block is made all the same.
    uint32_t count = source->count > 0 ? static_cast<uint32_t>(source->count) : 0;
    if (count > UINT32_MAX / 4) count = 0;
    auto* numbers = static_cast<int32_t*>(MemAlloc(count * 4, 0));
    // No integers to copy from: the block holds zeros rather than reading
    // through a null pointer.
    if (numbers && count) {
        if (source->numbers)
            std::memcpy(numbers, source->numbers, count * 4);
        else
            std::memset(numbers, 0, count * 4);
    }
    destination->numbers = numbers;
}

// ---- The callbacks

void FrameMakerNotificationsC::FindInterface(REFIID iid, void** object) {
    if (IsEqualIID(iid, IID_IFrameMakerCMSNotifications0)) {
        AddRef();
        *object = static_cast<IFrameMakerCMSNotifications0*>(this);
    } else if (IsEqualIID(iid, IID_IFrameMakerNotifications0)) {
        AddRef();
        *object = static_cast<IFrameMakerNotifications0*>(this);
    } else if (IsEqualIID(iid, IID_IFrameMakerNotifications1)) {
        AddRef();
        *object = static_cast<IFrameMakerNotifications1*>(this);
    } else {
        FmApiInterfacesC::FindInterface(iid, object);
    }
}

HRESULT STDMETHODCALLTYPE FrameMakerNotificationsC::Initialize(int32_t code) {
    ClientHandlerTable.initialize(code);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FrameMakerNotificationsC::Quit() {
    EncLibraryReset();
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FrameMakerNotificationsC::Command(int32_t command) {
    ClientHandlerTable.command(command);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FrameMakerNotificationsC::Message(const char* text, int32_t first, int32_t second) {
    ClientHandlerTable.message(text, first, second);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FrameMakerNotificationsC::DialogEvent(int32_t dialog, int32_t item, int32_t modifiers) {
    ClientHandlerTable.dialogEvent(dialog, item, modifiers);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FrameMakerNotificationsC::Notify(int32_t code, int32_t document, const char* text,
                                                           int32_t number) {
    if (code != NotifySplitCode) {
        ClientHandlerTable.notify(code, static_cast<ObjId>(document), text, number);
        return S_OK;
    }
    // Out of memory: the tools are not handed a record that lacks fields.
    NotifyFields* fields = NotifyFieldsSplit(text);
    if (fields)
        ClientHandlerTable.notify(code, static_cast<ObjId>(document), reinterpret_cast<const char*>(fields),
                                  number);
    NotifyFieldsFree(fields);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FrameMakerNotificationsC::GetResource(int32_t type, const char* name,
                                                                ClientResourceBlock* block) {
    return ClientGetResource(ClientInstance, type, name, block);
}

HRESULT STDMETHODCALLTYPE FrameMakerNotificationsC::CMSCommand(int32_t command, void* object, int32_t value,
                                                               void* data, CmsReply* reply) {
    CmsReply answer{};
    ClientHandlerTable.cmsCommand(command, object, value, data, &answer);
    CmsReplyCopy(reply, &answer);
    return S_OK;
}

HRESULT STDMETHODCALLTYPE FrameMakerNotificationsC::HtmlDialogEventEx(int32_t value, void* first, void* second) {
    ClientHandlerTable.htmlDialogEventEx(value, first, second);
    return S_OK;
}

// ---- Shutdown: FrameMaker has released its last reference.

FrameMakerNotificationsC::~FrameMakerNotificationsC() {
    if (ClientCallbackObject == this) ClientCallbackObject = nullptr;
    HostDisconnectInterfaces();
    ClientQuitRequested = 1;
    IUnknown* companion = ClientCompanion;
    ClientCompanion = nullptr;
    if (companion) companion->Release();
}
