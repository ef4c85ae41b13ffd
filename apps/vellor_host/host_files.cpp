// The MIF file store behind vellor-host.
#include "apps/vellor_host/host_files.h"

HostFileStore HostFilesOpen() {
    HostFileStore files;
    return files;
}

void HostFilesClose(HostFileStore&) {}
