// The non-template halves of the call shapes: error codes, taking over the
// host's strings and lists, the prompt shape and the return-parameter records.
#include "host/call_shapes.h"

#include "support/base/memory.h"

#include <cstring>

int HostKeepsResults = 0;

void HostNoteCallFailure(HRESULT result) {
    HostErrorCode = result == RPC_E_SERVERCALL_RETRYLATER ? HostErrorBusy : HostErrorNotConnected;
}

void HostNoteNotConnected() { HostErrorCode = HostErrorNotConnected; }

namespace {
void ReleaseHostBlock(void* block) { CoTaskMemFree(block); }
} // namespace

char* HostTakeString(char* hostString, int* failed) {
    *failed = 0;
    if (!hostString) return nullptr;
    size_t length = std::strlen(hostString) + 1;
    char* copy = length <= UINT32_MAX ? static_cast<char*>(MemAlloc(static_cast<uint32_t>(length), 0))
                                      : nullptr;
    if (copy)
        std::memcpy(copy, hostString, length);
    else
        *failed = 1;
    if (!HostKeepsResults) CoTaskMemFree(hostString);
    return copy;
}

char* HostFinishString(int32_t status, char* hostString) {
    int failed = 0;
    char* copy = HostTakeString(hostString, &failed);
    if (status != 0) {
        HostErrorCode = status;
        MemFree(copy);
        return nullptr;
    }
    if (failed) HostErrorCode = HostErrorOutOfMemory;
    return copy;
}

int32_t HostCallPrompt(int number, unsigned slot, char** answer, const char* prompt,
                       const char* defaultText) {
    int32_t status = -1;
    char* hostString = nullptr;
    IUnknown* iface = HostInterfaces[number];
    if (!iface) {
        HostNoteNotConnected();
        return -1;
    }
    HRESULT hr = HostCallSlot(iface, slot, &status, &hostString, prompt, defaultText);
    if (FAILED(hr)) {
        HostNoteCallFailure(hr);
        return -1;
    }
    int failed = 0;
    char* copy = HostTakeString(hostString, &failed);
    if (answer)
        *answer = copy;
    else
        MemFree(copy);
    // An answer that could not be copied is no confirmation.
    if (failed) {
        HostErrorCode = HostErrorOutOfMemory;
        return -1;
    }
    return status == 0 ? 0 : -1;
}

int HostListCopy(PropVals* destination, const PropVals* hostList) {
    return PropValsCopy(destination, hostList, PropAllocLibrary);
}
int HostListCopy(TextItems* destination, const TextItems* hostList) {
    return TextItemsCopy(destination, hostList, PropAllocLibrary);
}

void HostListRelease(PropVals* hostList) {
    if (!HostKeepsResults) PropValsRelease(hostList, ReleaseHostBlock);
}
void HostListRelease(TextItems* hostList) {
    if (!HostKeepsResults) TextItemsRelease(hostList, ReleaseHostBlock);
}

void HostListFree(PropVals* list) { PropValsFree(list); }
void HostListFree(TextItems* list) { TextItemsFree(list); }

ObjId HostFinishReturnParams(PropVals* record, PropVals** callerParams, PropVals* hostList,
                             int32_t status, ObjId result) {
    if (callerParams && *callerParams) PropValsFree(*callerParams);
    // The record's earlier contents, unless the caller just freed them.
    PropValsFree(record);
    // A copy that fails leaves the record empty; the operation itself went
    // through, so its result still reaches the caller.
    if (HostListCopy(record, hostList) != 0) HostErrorCode = HostErrorOutOfMemory;
    HostListRelease(hostList);
    if (callerParams) *callerParams = record;
    if (status != 0) {
        HostErrorCode = status;
        return 0;
    }
    return result;
}
