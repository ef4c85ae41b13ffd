// The MIF file store behind vellor-host: documents and books are MIF files
// on disk, whatever their names.
#include "apps/vellor_host/host_files.h"

#include "hostsim/mif/mif_store.h"

namespace {

std::string LastError(void* context) { return static_cast<MifFileStore*>(context)->lastError; }

} // namespace

HostFileStore HostFilesOpen() {
    HostFileStore files;
    auto* mif = new MifFileStore;
    files.store = MifFileStoreMake(mif);
    files.lastError = LastError;
    files.check = MifFileStoreCheck;
    files.takeWarnings = MifFileStoreTakeWarnings;
    return files;
}

void HostFilesClose(HostFileStore& files) {
    delete static_cast<MifFileStore*>(files.store.context);
    files.store = SimStore{};
}
