// Documents and books as MIF files: reading into and writing from the host's
// objects, and the file store the host opens and saves through.
#include "hostsim/mif_store.h"

#include "hostsim/mif_document.h"
#include "hostsim/mif_reader.h"
#include "hostsim/mif_source.h"
#include "hostsim/mif_writer.h"
#include "platform/win_names.h"

#include <sys/stat.h>
#include <vector>

bool MifToDoc(const MifFile& file, const std::string& name, SimDoc* out, std::string* error) {
    *out = SimDoc{};
    out->name = name;
    bool ok = file.kind == MifBookFile ? MifReadBook(file, name, out) : MifReadDocument(file, out, error);
    out->name = name;
    return ok;
}

bool MifFromDoc(const SimDoc& doc, const std::string& name, MifFile* out, std::string* error) {
    return doc.isBook ? MifWriteBook(doc, name, out) : MifWriteDocument(doc, out, error);
}

bool MifLoadDoc(const std::string& localPath, const std::string& name, SimDoc* out, std::string* error) {
    MifFile file;
    return MifReadFile(localPath, &file, error) && MifToDoc(file, name, out, error);
}

bool MifSaveDoc(const SimDoc& doc, const std::string& localPath, const std::string& name, std::string* error) {
    MifFile file;
    return MifFromDoc(doc, name, &file, error) && MifWriteFile(file, localPath, error);
}

namespace {

bool LocalName(const std::string& name, std::string* local) {
    std::vector<char> buf(name.size() * 2 + 16);
    int n = PlatformWindowsNameToLocal(name.c_str(), buf.data(), (int)buf.size());
    if (n < 0) return false;
    local->assign(buf.data(), (size_t)n);
    return true;
}

int Load(void* context, const std::string& name, SimDoc* out) {
    auto* files = static_cast<MifFileStore*>(context);
    std::string local;
    struct stat st;
    if (!LocalName(name, &local) || ::stat(local.c_str(), &st) != 0) {
        files->lastError = name + ": no such file";
        return SimStatusNotFound;
    }
    std::string error;
    if (!MifLoadDoc(local, name, out, &error)) {
        files->lastError = error;
        return SimStatusBadArgument; // there, but not a document the host can read
    }
    ++files->loads;
    return SimOk;
}

int Save(void* context, const std::string& name, const SimDoc& doc) {
    auto* files = static_cast<MifFileStore*>(context);
    std::string local, error;
    if (!LocalName(name, &local)) {
        files->lastError = name + ": not a file name";
        return SimStatusSaveFailed;
    }
    if (!MifSaveDoc(doc, local, name, &error)) {
        files->lastError = error;
        return SimStatusSaveFailed;
    }
    ++files->saves;
    return SimOk;
}

} // namespace

SimStore MifFileStoreMake(MifFileStore* files) {
    SimStore store;
    store.context = files;
    store.load = Load;
    store.save = Save;
    return store;
}
