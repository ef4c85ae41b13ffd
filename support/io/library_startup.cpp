// Start-up of the support library and the ICU data directory.
#include "support/io/library_startup.h"

#include "host/call_layer.h"
#include "platform/win_names.h"
#include "support/base/memory.h"
#include "support/io/host_encodings.h"

#include <unicode/putil.h>

#include <cstring>

namespace {
int libraryInitialised = 0;

constexpr int DirectoryBufferSize = 1024; // the composed directory and its terminator
constexpr char IcuDataFolder[] = "\\icu_data";
} // namespace

void EncLibraryReset() { libraryInitialised = 0; }
int EncLibraryIsInit() { return libraryInitialised; }

int EncSetIcuDataDir() {
    // Judge this call alone: an earlier failure still in HostErrorCode must
    // not be taken for ours, and a success must not erase it.
    int32_t earlier = HostErrorCode;
    HostErrorCode = 0;
    char* hostDirectory = HostGetStringProp(0, 0, PropHostDirectory);
    int32_t failure = HostErrorCode;
    if (failure == 0) HostErrorCode = earlier;

    char composed[DirectoryBufferSize];
    size_t length = hostDirectory ? std::strlen(hostDirectory) : 0;
    int fits = length + sizeof IcuDataFolder <= sizeof composed;
    if (fits && length) {
        std::memcpy(composed, hostDirectory, length);
        std::memcpy(composed + length, IcuDataFolder, sizeof IcuDataFolder);
    }
    MemFree(hostDirectory);
    if (failure != 0 || length == 0 || !fits) return 1;

    // The host speaks Windows names; ICU wants the local form.
    char local[DirectoryBufferSize];
    if (PlatformWindowsNameToLocal(composed, local, sizeof local) < 0) return 1;
    u_setDataDirectory(local);
    return 0;
}

int EncEnsureIcuDataDir() {
    const char* current = u_getDataDirectory();
    if (current && current[0]) return 0;
    return EncSetIcuDataDir();
}

int EncLibraryInit() {
    if (!EncTablesReady()) EncSelect("FrameRoman");
    libraryInitialised = 1;
    return EncEnsureIcuDataDir();
}
