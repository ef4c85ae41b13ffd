// Forwarders for documents (open, save, create, close, master pages,
// redisplay) and the simple open and save built on them.
#include "host/call_shapes.h"

#include "support/base/memory.h"
#include "support/io/encoding_convert.h"
#include "support/base/host_encodings.h"

namespace {
constexpr int Main = HostMainInterfaceNumber;

// Options of the interactive simple save.
constexpr HostOption InteractiveSaveOptions[] = {{4, 1}, {5, 0}, {8, 1}, {2, 1}};
constexpr HostOption ShowOpenDocument = {29, 1};
} // namespace

PropVals HostOpenReturnParams = {0, nullptr};
PropVals HostSaveReturnParams = {0, nullptr};

ObjId HostOpen(const char* name, const PropVals* options, PropVals** returnParams) {
    return HostCallReturnParams(&HostOpenReturnParams, returnParams, Main, HostMethodOpen, name, options);
}
ObjId HostSave(ObjId document, const char* name, const PropVals* options, PropVals** returnParams) {
    return HostCallReturnParams(&HostSaveReturnParams, returnParams, Main, HostMethodSave, document, name, options);
}
ObjId HostNewCustomDoc(Metric width, Metric height, int32_t columns, Metric columnGap, Metric top,
                       Metric bottom, Metric inside, Metric outside, int32_t sidedness,
                       int32_t visible) {
    return HostCallValue<ObjId>(Main, HostMethodNewCustomDoc, width, height, columns, columnGap, top, bottom, inside,
                                outside, sidedness, visible);
}
int32_t HostClose(ObjId document, int32_t flags) { return HostCallStatus(Main, HostMethodClose, document, flags); }
int32_t HostApplyMasterPage(ObjId document, ObjId bodyPage, ObjId masterPage) {
    return HostCallStatus(Main, HostMethodApplyMasterPage, document, bodyPage, masterPage);
}
int32_t HostRedisplay(ObjId document) { return HostCallStatus(Main, HostMethodRedisplay, document); }

ObjId HostSimpleOpen(const char* name, int interactive) {
    PropVals options;
    if (interactive) {
        HostOption all[18];
        for (int i = 0; i < 17; ++i) all[i] = HostDefaultOpenOptions[i];
        all[17] = ShowOpenDocument;
        options = HostBuildOptions(all, 18, 18);
    } else {
        options = HostBuildOptions(&ShowOpenDocument, 1, 1);
    }
    if (options.count == 0) {
        HostErrorCode = HostErrorOutOfMemory;
        return 0;
    }
    PropVals* returned = nullptr;
    ObjId document = HostOpen(name, &options, &returned);
    PropValsFree(&options);
    PropValsFree(returned);
    return document;
}

ObjId HostSimpleSave(ObjId document, const char* name, int interactive) {
    // The host takes the saved file's name in UTF-8.
    char* converted = nullptr;
    const char* hostName = name;
    if (EncCurrent != EncUtf8) hostName = converted = EncCurrentToUtf8(name);
    // A name that is empty, or that could not be converted (the converters
    // are missing), names no file: the document is not saved, and the host
    // never sees a save without a name.
    if (!hostName || !*hostName) {
        MemFree(converted);
        HostErrorCode = HostErrorNoFileName;
        return 0;
    }
    PropVals options = {0, nullptr};
    if (interactive) {
        options = HostBuildOptions(InteractiveSaveOptions, 4, 4);
        if (options.count == 0) {
            MemFree(converted);
            HostErrorCode = HostErrorOutOfMemory;
            return 0;
        }
    }
    PropVals* returned = nullptr;
    ObjId saved = HostSave(document, hostName, &options, &returned);
    MemFree(converted);
    PropValsFree(&options);
    PropValsFree(returned);
    return saved;
}
