// The callback object through which FrameMaker calls the client: its three
// callback interfaces (with their identifiers and method slots, which are the
// wire contract with FrameMaker), FrameMakerNotificationsC that implements
// them, the table of handlers the callbacks are routed to, and the records
// that the callbacks exchange (the split text of notification 75, the
// resource block, the CMS reply).
#pragma once

#include "host/fm_api_interfaces.h"
#include "host/host_records.h"
#include "host/host_wire.h"
#include "platform/com_types.h"

#include <cstdint>

// ---- Records

// Notification 75's text split at record separators (0x1E): the first six
// fields, then the seventh and later ones. Slots without a field are null.
struct NotifyFieldList {
    int32_t count;
    char** entries;
};
struct NotifyFields {
    char* fields[6];
    NotifyFieldList overflow;
};
enum : int32_t {
    NotifySplitCode = HostNotifySplitMessage,
    NotifyFieldSeparator = 0x1E,
    NotifyOverflowGrowth = 16,
};

// The out block of GetResource: a CoTaskMemAlloc block the host frees.
struct ClientResourceBlock {
    int32_t size;
    void* data;
};

// The reply of a CMS command: four 8-byte fields.
struct CmsReply {
    int64_t value;
    char* text;
    int32_t count;
    int32_t* numbers; // `count` integers
};
static_assert(sizeof(CmsReply) == 32, "the CMS reply is four 8-byte fields");

// ---- The callback interfaces, in FrameMaker's slot order (HostCallbackSlot
// of host_wire.h names the slots).

struct IFrameMakerCMSNotifications0 : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CMSCommand(int32_t command, void* object, int32_t value, void* data,
                                                 CmsReply* reply) = 0;

protected:
    ~IFrameMakerCMSNotifications0() = default;
};

struct IFrameMakerNotifications0 : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Initialize(int32_t code) = 0;
    virtual HRESULT STDMETHODCALLTYPE Quit() = 0;
    virtual HRESULT STDMETHODCALLTYPE Command(int32_t command) = 0;
    virtual HRESULT STDMETHODCALLTYPE Message(const char* text, int32_t first, int32_t second) = 0;
    virtual HRESULT STDMETHODCALLTYPE DialogEvent(int32_t dialog, int32_t item, int32_t modifiers) = 0;
    virtual HRESULT STDMETHODCALLTYPE Notify(int32_t code, int32_t document, const char* text,
                                             int32_t number) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetResource(int32_t type, const char* name,
                                                  ClientResourceBlock* block) = 0;

protected:
    ~IFrameMakerNotifications0() = default;
};

struct IFrameMakerNotifications1 : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE HtmlDialogEventEx(int32_t value, void* first, void* second) = 0;

protected:
    ~IFrameMakerNotifications1() = default;
};

// Their identifiers (host_wire.h).
inline constexpr const IID& IID_IFrameMakerCMSNotifications0 = HostCallbackCmsIid;
inline constexpr const IID& IID_IFrameMakerNotifications0 = HostCallbackNotifications0Iid;
inline constexpr const IID& IID_IFrameMakerNotifications1 = HostCallbackNotifications1Iid;

// ---- Where the callbacks go. The tools supply the first three
// (ClientAttachToolHandlers, called as the module loads); until they do, and
// for the other four, the frame's defaults do nothing.
struct ClientHandlers {
    void (*initialize)(int32_t code);
    void (*command)(int32_t command);
    // `text` is the record NotifyFields* for notification 75.
    void (*notify)(int32_t code, ObjId document, const char* text, int32_t number);
    void (*message)(const char* text, int32_t first, int32_t second);
    void (*dialogEvent)(int32_t dialog, int32_t item, int32_t modifiers);
    void (*htmlDialogEventEx)(int32_t value, void* first, void* second);
    void (*cmsCommand)(int32_t command, void* object, int32_t value, void* data, CmsReply* reply);
};
// The table the callback object dispatches through (tests may replace it),
// and the handlers it holds when nobody has replaced any: the frame's
// defaults with the tools' three once they are attached.
extern ClientHandlers ClientHandlerTable;
extern ClientHandlers ClientDefaultHandlers;
// The tools' initialise, command and notify entry points become the
// handlers of both tables. Returns 1 (so that it can initialise a flag).
int ClientAttachToolHandlers(void (*initialize)(int32_t), void (*command)(int32_t),
                             void (*notify)(int32_t, ObjId, const char*, int32_t));

// ---- The callback object.
class FrameMakerNotificationsC
    : public ImplementComC<IFrameMakerNotifications1,
                           ImplementComC<IFrameMakerNotifications0,
                                         ImplementComC<IFrameMakerCMSNotifications0, FmApiInterfacesC>>> {
public:
    FrameMakerNotificationsC() = default;
    // Shutdown: interfaces released, quit requested, companion released.
    ~FrameMakerNotificationsC() override;

    void FindInterface(REFIID iid, void** object) override;

    HRESULT STDMETHODCALLTYPE CMSCommand(int32_t command, void* object, int32_t value, void* data,
                                         CmsReply* reply) override;
    HRESULT STDMETHODCALLTYPE Initialize(int32_t code) override;
    HRESULT STDMETHODCALLTYPE Quit() override;
    HRESULT STDMETHODCALLTYPE Command(int32_t command) override;
    HRESULT STDMETHODCALLTYPE Message(const char* text, int32_t first, int32_t second) override;
    HRESULT STDMETHODCALLTYPE DialogEvent(int32_t dialog, int32_t item, int32_t modifiers) override;
    HRESULT STDMETHODCALLTYPE Notify(int32_t code, int32_t document, const char* text, int32_t number) override;
    HRESULT STDMETHODCALLTYPE GetResource(int32_t type, const char* name, ClientResourceBlock* block) override;
    HRESULT STDMETHODCALLTYPE HtmlDialogEventEx(int32_t value, void* first, void* second) override;

    IFrameMakerNotifications0* Notifications0() { return this; }
};

// ---- The pieces the callbacks are made of.

// Splits `text` (null reads as empty) into a new record; null when memory ran
// out (nothing is left allocated then).
NotifyFields* NotifyFieldsSplit(const char* text);
void NotifyFieldsFree(NotifyFields* fields);
// Copies the handler's reply into the caller's record: the text and the
// integers as new library blocks (the integers always get a block, even for
// a count of 0).
void CmsReplyCopy(CmsReply* destination, const CmsReply* source);
// GetResource's answer from the module `instance`.
HRESULT ClientGetResource(void* instance, int32_t type, const char* name, ClientResourceBlock* block);
