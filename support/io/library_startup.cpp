// Start-up of the support library and the ICU data directory. What it needs
// of the host, the host directory, is handed in by the caller.
#include "support/io/library_startup.h"

#include "platform/win_names.h"
#include "support/base/memory.h"
#include "support/base/host_encodings.h"

#include <unicode/putil.h>

#include <cstring>

namespace {
int libraryInitialised = 0;

constexpr int DirectoryBufferSize = 1024; // the composed directory and its terminator
constexpr char IcuDataFolder[] = "\\icu_data";
} // namespace

void EncLibraryReset() { libraryInitialised = 0; }
int EncLibraryIsInit() { return libraryInitialised; }

int EncSetIcuDataDirFrom(const char* hostDirectory) {
    char composed[DirectoryBufferSize];
    size_t length = hostDirectory ? std::strlen(hostDirectory) : 0;
    if (length == 0 || length + sizeof IcuDataFolder > sizeof composed) return 1;
    std::memcpy(composed, hostDirectory, length);
    std::memcpy(composed + length, IcuDataFolder, sizeof IcuDataFolder);

    // The host speaks Windows names; ICU wants the local form.
    char local[DirectoryBufferSize];
    if (PlatformWindowsNameToLocal(composed, local, sizeof local) < 0) return 1;
    u_setDataDirectory(local);
    return 0;
}

int EncSetIcuDataDirWith(EncHostDirectoryReader readHostDirectory) {
    char* hostDirectory = readHostDirectory ? readHostDirectory() : nullptr;
    int result = EncSetIcuDataDirFrom(hostDirectory);
    MemFree(hostDirectory);
    return result;
}

int EncEnsureIcuDataDirWith(EncHostDirectoryReader readHostDirectory) {
    const char* current = u_getDataDirectory();
    if (current && current[0]) return 0;
    return EncSetIcuDataDirWith(readHostDirectory);
}

int EncLibraryInitWith(EncHostDirectoryReader readHostDirectory) {
    if (!EncTablesReady()) EncSelect("FrameRoman");
    libraryInitialised = 1;
    return EncEnsureIcuDataDirWith(readHostDirectory);
}
