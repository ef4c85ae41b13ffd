// ClientInfoFromVersion: the module's version strings as FrameMaker's client
// information list.
#include "host/client_info.h"

#include "host/prop_vals.h"
#include "platform/win_version.h"
#include "support/base/strings.h"

const ClientInfoKey ClientInfoKeys[ClientInfoKeyCount] = {
    {2, "ClientName"},   {3, "ClientType"},     {4, "FileDescription"}, {5, "ClientProducts"},
    {6, "ClientFacet"},  {7, "ClientFormatId"}, {8, "ClientVendor"},    {9, "ClientSuffix"},
    {10, "ClientInFormat"}, {11, "ClientOutFormat"},
};

namespace {
constexpr const char* StringBlockPath = "\\StringFileInfo\\040904b0\\";
constexpr int ModuleNameSize = 260;
} // namespace

void ClientInfoFromVersion(HINSTANCE instance, PropVals* list) {
    if (!list) return;
    char moduleName[ModuleNameSize];
    DWORD length = GetModuleFileNameA(instance, moduleName, ModuleNameSize);
    // A cut name would name another file.
    if (length == 0 || length >= static_cast<DWORD>(ModuleNameSize)) return;

    char version[ClientInfoVersionSize];
    if (!GetFileVersionInfoA(moduleName, 0, ClientInfoVersionSize, version)) return;

    for (const ClientInfoKey& entry : ClientInfoKeys) {
        char query[ClientInfoQuerySize];
        StrCopyN(query, StringBlockPath, ClientInfoQuerySize);
        StrAppendN(query, entry.key, ClientInfoQuerySize);
        void* value = nullptr;
        UINT valueLength = 0;
        if (VerQueryValueA(version, query, &value, &valueLength) && value)
            PropValsSetString(list, entry.number, static_cast<const char*>(value));
    }
}
