// The module's entry, F_ApiClientInit, and the attachment of the tools'
// entry points to the client frame's callbacks. Whatever links the entry
// (the module, a test that starts the client) gets the tools attached before
// its first call.
#include "tools/module_entry.h"

#include "host/notifications.h"
#include "tools/tool_entry.h"

namespace {
[[maybe_unused]] const int ToolsAttached =
    ClientAttachToolHandlers(InitializeTools, RunToolCommand, HandleToolMessage);
} // namespace

VELLOR_EXPORT int32_t F_ApiClientInit(HINSTANCE instance, IUnknown* server, IUnknown* companion,
                                      PropVals* clientInfo) {
    return ClientInit(instance, server, companion, clientInfo);
}
