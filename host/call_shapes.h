// The call shapes of the host call layer: one typed helper per shape, so
// that every forwarder is one line naming its interface, method slot and
// arguments. Each helper reads the interface pointer at the call, presets
// the status to -1, makes the COM call through the vtable slot, and turns
// the outcome into the shape's result and HostErrorCode.
#pragma once

#include "host/call_layer.h"
#include "host/host_interfaces.h"
#include "host/text_items.h"

// Method `slot` of the interface, called the way COM calls it: the
// interface pointer first, then the arguments.
template <typename... A>
HRESULT HostCallSlot(IUnknown* iface, unsigned slot, A... args) {
    using Method = HRESULT(STDMETHODCALLTYPE*)(IUnknown*, A...);
    void** table = *reinterpret_cast<void***>(iface);
    return reinterpret_cast<Method>(table[slot])(iface, args...);
}

// HostErrorCode for a failed COM call: -88 for a busy host, else -1.
void HostNoteCallFailure(HRESULT result);
// HostErrorCode := -1 for a call made while not connected.
void HostNoteNotConnected();

// Value shape: inputs, then &status, then &result. 0 (or an all-zero
// record) on any failure.
template <typename R, typename... A>
R HostCallValue(int number, unsigned slot, A... args) {
    int32_t status = -1;
    R result{};
    IUnknown* iface = HostInterfaces[number];
    if (!iface) {
        HostNoteNotConnected();
        return R{};
    }
    HRESULT hr = HostCallSlot(iface, slot, args..., &status, &result);
    if (FAILED(hr)) {
        HostNoteCallFailure(hr);
        return R{};
    }
    if (status != 0) {
        HostErrorCode = status;
        return R{};
    }
    return result;
}

// Status shape: inputs, then &status. Returns the status: 0 = done, and -1
// when the call could not be made or failed in COM.
template <typename... A>
int32_t HostCallStatus(int number, unsigned slot, A... args) {
    int32_t status = -1;
    IUnknown* iface = HostInterfaces[number];
    if (!iface) {
        HostNoteNotConnected();
        return -1;
    }
    HRESULT hr = HostCallSlot(iface, slot, args..., &status);
    if (FAILED(hr)) {
        // Whatever the host may have written, the call did not happen.
        HostNoteCallFailure(hr);
        return -1;
    }
    if (status != 0) HostErrorCode = status;
    return status;
}

// Plain shape: inputs, then &answer; no status. 0 on failure.
template <typename... A>
int32_t HostCallPlain(int number, unsigned slot, A... args) {
    int32_t answer = 0;
    IUnknown* iface = HostInterfaces[number];
    if (!iface) {
        HostNoteNotConnected();
        return 0;
    }
    HRESULT hr = HostCallSlot(iface, slot, args..., &answer);
    if (FAILED(hr)) {
        HostNoteCallFailure(hr);
        return 0;
    }
    return answer;
}

// Copies a host string onto the library heap (null stays null) and releases
// the host's block unless HostKeepsResults. *failed := 1 when the copy could
// not be allocated.
char* HostTakeString(char* hostString, int* failed);
// What the string shape hands out once the host answered.
char* HostFinishString(int32_t status, char* hostString);

// String shape: inputs, then &status, then &string. A new string, or null.
template <typename... A>
char* HostCallString(int number, unsigned slot, A... args) {
    int32_t status = -1;
    char* hostString = nullptr;
    IUnknown* iface = HostInterfaces[number];
    if (!iface) {
        HostNoteNotConnected();
        return nullptr;
    }
    HRESULT hr = HostCallSlot(iface, slot, args..., &status, &hostString);
    if (FAILED(hr)) {
        HostNoteCallFailure(hr);
        return nullptr;
    }
    return HostFinishString(status, hostString);
}

// Prompt shape: &status, &string, then the inputs. 0 when confirmed, else -1.
int32_t HostCallPrompt(int number, unsigned slot, char** answer, const char* prompt,
                       const char* defaultText);

// The list records a host hands back: copy onto the library heap, release
// the host's blocks, free a library copy.
int HostListCopy(PropVals* destination, const PropVals* hostList);
int HostListCopy(TextItems* destination, const TextItems* hostList);
void HostListRelease(PropVals* hostList);
void HostListRelease(TextItems* hostList);
void HostListFree(PropVals* list);
void HostListFree(TextItems* list);

// List shape: inputs, then &status, then the host's list record. The copy is
// complete before the host's blocks are released and before the status is
// looked at; the caller receives {0, null} on any failure.
template <typename L, typename... A>
L HostCallList(int number, unsigned slot, A... args) {
    int32_t status = -1;
    L hostList{};
    IUnknown* iface = HostInterfaces[number];
    if (!iface) {
        HostNoteNotConnected();
        return L{};
    }
    HRESULT hr = HostCallSlot(iface, slot, args..., &status, &hostList);
    if (FAILED(hr)) {
        HostNoteCallFailure(hr);
        return L{};
    }
    L copy{};
    int copied = HostListCopy(&copy, &hostList);
    HostListRelease(&hostList);
    if (status != 0) {
        HostErrorCode = status;
        HostListFree(&copy);
        return L{};
    }
    if (copied != 0) {
        HostErrorCode = HostErrorOutOfMemory;
        return L{};
    }
    return copy;
}

// What the return-parameter shape does once the host answered.
ObjId HostFinishReturnParams(PropVals* record, PropVals** callerParams, PropVals* hostList,
                             int32_t status, ObjId result);

// Return-parameter shape (HostOpen, HostSave): inputs, then the host's list
// record, &status, &document. The host's return parameters land in the
// operation's own record and the caller's pointer is pointed at it.
template <typename... A>
ObjId HostCallReturnParams(PropVals* record, PropVals** callerParams, int number, unsigned slot,
                           A... args) {
    int32_t status = -1;
    PropVals hostList{};
    ObjId result = 0;
    IUnknown* iface = HostInterfaces[number];
    if (!iface) {
        HostNoteNotConnected();
        return 0;
    }
    HRESULT hr = HostCallSlot(iface, slot, args..., &hostList, &status, &result);
    if (FAILED(hr)) {
        HostNoteCallFailure(hr);
        return 0;
    }
    return HostFinishReturnParams(record, callerParams, &hostList, status, result);
}
