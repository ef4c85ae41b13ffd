// Library start-up with the host directory asked of the connected host.
#include "host/host_startup.h"

#include "host/call_layer.h"
#include "support/base/memory.h"

char* HostDirectoryForStartup() {
    // Judge this call alone: an earlier failure still in HostErrorCode must
    // not be taken for ours, and a success must not erase it.
    int32_t earlier = HostErrorCode;
    HostErrorCode = 0;
    char* hostDirectory = HostGetStringProp(0, 0, PropHostDirectory);
    if (HostErrorCode != 0) {
        MemFree(hostDirectory);
        return nullptr;
    }
    HostErrorCode = earlier;
    return hostDirectory;
}

int EncLibraryInit() { return EncLibraryInitWith(HostDirectoryForStartup); }
int EncSetIcuDataDir() { return EncSetIcuDataDirWith(HostDirectoryForStartup); }
int EncEnsureIcuDataDir() { return EncEnsureIcuDataDirWith(HostDirectoryForStartup); }
