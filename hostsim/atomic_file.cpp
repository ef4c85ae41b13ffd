// Atomic saves outside a run: a file store of its own for each save.
#include "hostsim/atomic_file.h"

#include "hostsim/file_store.h"

bool AtomicWriteWith(const std::string& localPath, FileMaker make, void* context, std::string* error) {
    FileStore plain;
    std::string why;
    int status = FileStoreWriteWith(plain, localPath, make, context, &why);
    if (status == FileOk || status == FileUnchanged) return true;
    size_t slash = localPath.find_last_of("\\/");
    *error = (slash == std::string::npos ? localPath : localPath.substr(slash + 1)) + ": " + why;
    return false;
}

bool AtomicWriteFile(const std::string& localPath, const void* data, size_t size, std::string* error) {
    FileSinkBytes bytes{data, size};
    return AtomicWriteWith(localPath, FileSinkPutBytes, &bytes, error);
}
