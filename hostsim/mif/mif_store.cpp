// Documents and books as MIF files: reading into and writing from the host's
// objects, and the file store the host opens and saves through.
#include "hostsim/mif/mif_store.h"

#include "hostsim/file_os.h"
#include "hostsim/mif/mif_document.h"
#include "hostsim/mif/mif_parse_ahead.h"
#include "hostsim/mif/mif_reader.h"
#include "hostsim/mif/mif_source.h"
#include "hostsim/mif/mif_writer.h"
#include "platform/win_names.h"

#include <iterator>
#include <new>
#include <utility>
#include <vector>

bool MifToDoc(MifFile&& file, const std::string& name, SimDoc* out, std::string* error) {
    *out = SimDoc{};
    out->name = name;
    bool book = file.kind == MifBookFile;
    bool ok = book ? MifReadBook(std::move(file), name, out) : MifReadDocument(std::move(file), out, error);
    out->name = name;
    return ok;
}

bool MifToDoc(const MifFile& file, const std::string& name, SimDoc* out, std::string* error) {
    return MifToDoc(MifFile(file), name, out, error);
}

bool MifFromDoc(const SimDoc& doc, const std::string& name, MifFile* out, std::string* error) {
    return doc.isBook ? MifWriteBook(doc, name, out) : MifWriteDocument(doc, out, error);
}

bool MifLoadDoc(const std::string& localPath, const std::string& name, SimDoc* out, std::string* error,
                std::vector<std::string>* warnings) {
    MifFile file;
    if (!MifReadFile(localPath, &file, error)) return false;
    if (warnings) warnings->insert(warnings->end(), file.warnings.begin(), file.warnings.end());
    return MifToDoc(std::move(file), name, out, error);
}

bool MifSaveDoc(const SimDoc& doc, const std::string& localPath, const std::string& name, std::string* error) {
    MifFile file; // written at once: it may stand for the statements `doc` read
    bool made = doc.isBook ? MifWriteBook(doc, name, &file) : MifPatchDocument(doc, &file, error);
    return made && MifWriteFile(file, localPath, error);
}

namespace {

bool LocalName(const std::string& name, std::string* local) {
    std::vector<char> buf(name.size() * 2 + 16);
    int n = PlatformWindowsNameToLocal(name.c_str(), buf.data(), (int)buf.size());
    if (n < 0) return false;
    local->assign(buf.data(), (size_t)n);
    return true;
}

// The status a load gives for the file store's `status`, with `lastError`
// saying why.
int LoadStatus(MifFileStore* files, const std::string& name, int status) {
    if (status == FileNotFound) files->lastError = name + ": no such file";
    return status == FileOk ? SimOk : status == FileNotFound ? SimStatusNotFound : SimStatusBadArgument;
}

// The file's local name: SimOk, or SimStatusNotFound with `lastError`
// saying why.
int Locate(MifFileStore* files, const std::string& name, std::string* local) {
    if (LocalName(name, local)) return SimOk;
    files->lastError = name + ": no such file";
    return SimStatusNotFound;
}

// The file's bytes through the file store: SimOk, or the status a load
// gives, with `lastError` saying why.
int ReadBytes(MifFileStore* files, const std::string& name, std::string* local, std::string* bytes) {
    if (int status = Locate(files, name, local)) return status;
    return LoadStatus(files, name,
                      FileStoreRead(files->files, *local, MifLimits().maxFileBytes, bytes, &files->lastError));
}

// ReadBytes begun, its bytes to be read on another thread.
int BeginRead(MifFileStore* files, const std::string& name, std::string* local, FileRead* read) {
    if (int status = Locate(files, name, local)) return status;
    return LoadStatus(files, name,
                      FileStoreReadBegin(files->files, *local, MifLimits().maxFileBytes, read, &files->lastError));
}

// Begins the read of the file to be read ahead, and hands it to the thread
// that reads its bytes and parses them.
void ReadNextAhead(MifFileStore* files) {
    if (files->readNext.empty()) return;
    std::string name = std::exchange(files->readNext, std::string());
    MifParsed read;
    read.status = BeginRead(files, name, &read.local, &read.bytes);
    if (read.status != SimOk) read.error = files->lastError;
    std::string shown = FileOsLastName(read.local);
    MifParseAheadGive(*files->ahead, name, shown, std::move(read));
}

int LoadFile(MifFileStore* files, const std::string& name, SimDoc* out) {
    MifParsed read; // parsed already when it was read ahead
    bool ahead = files->ahead && MifParseAheadTake(*files->ahead, name, &read);
    std::string bytes;
    if (!ahead) read.status = ReadBytes(files, name, &read.local, &bytes);
    else if (read.status == SimOk)
        read.status = LoadStatus(files, name, FileStoreReadEnd(files->files, read.bytes, &read.error));
    if (read.status != SimOk) {
        if (ahead) files->lastError = read.error;
        return read.status;
    }
    ReadNextAhead(files); // once this file has its own bytes
    if (!ahead) {
        read.parsed = MifParseBytes(std::move(bytes), FileOsLastName(read.local), &read.file, &read.error);
        read.warnings = std::move(read.file.warnings);
    }
    if (read.parsed) files->warnings.insert(files->warnings.end(), read.warnings.begin(), read.warnings.end());
    // Built on the parsing thread when the file was read ahead, unless the
    // host was waiting for it.
    if (read.parsed && !read.built && !read.refused)
        read.built = MifToDoc(std::move(read.file), name, &read.doc, &read.error);
    if (!read.built) {
        files->lastError = read.error;
        return SimStatusBadArgument; // there, but not a document the host can read
    }
    *out = std::move(read.doc);
    if (files->ahead) MifParseAheadFreesTree(files->ahead, out);
    ++files->loads;
    return SimOk;
}

// A document whose bytes would not change is not written: the file keeps
// its time stamp.
int SaveFile(MifFileStore* files, const std::string& name, const SimDoc& doc) {
    std::string local, error;
    if (!LocalName(name, &local)) {
        files->lastError = name + ": not a file name";
        return SimStatusSaveFailed;
    }
    MifFile file; // written at once: it may stand for the statements `doc` read
    bool made = doc.isBook ? MifWriteBook(doc, name, &file) : MifPatchDocument(doc, &file, &error);
    // The text goes to the file as it is made, never whole.
    int status = made ? FileStoreWriteWith(files->files, local, MifMakeText, &file, &error) : FileNotMade;
    if (status == FileNotMade) {
        files->lastError = FileOsLastName(local) + ": " + error + "; it is as it was";
        return SimStatusSaveFailed;
    }
    if (status != FileOk && status != FileUnchanged) {
        files->lastError = FileOsLastName(local) + ": " + error;
        return SimStatusSaveFailed;
    }
    ++(status == FileOk ? files->saves : files->unchanged);
    return SimOk;
}

// A file that does not fit in memory fails like any other, with its name
// ("ch1.mif: out of memory"); the session goes on.
std::string OutOfMemory(const std::string& name) {
    size_t sep = name.find_last_of("\\/");
    return (sep == std::string::npos ? name : name.substr(sep + 1)) + ": out of memory";
}

int Load(void* context, const std::string& name, SimDoc* out) {
    auto* files = static_cast<MifFileStore*>(context);
    try {
        return LoadFile(files, name, out);
    } catch (const std::bad_alloc&) {
        *out = SimDoc{}; // no half-read document
        files->lastError = OutOfMemory(name);
        return SimStatusBadArgument;
    }
}

// The save is atomic: when it fails, for want of memory too, the old file is
// whole and no temporary file is left.
int Save(void* context, const std::string& name, const SimDoc& doc) {
    auto* files = static_cast<MifFileStore*>(context);
    try {
        return SaveFile(files, name, doc);
    } catch (const std::bad_alloc&) {
        files->lastError = OutOfMemory(name);
        return SimStatusSaveFailed;
    }
}

} // namespace

int MifFileStoreCheck(void* context, const std::string& name, bool* isBook) {
    MifPendingCheck check;
    MifFileStoreCheckRead(context, name, &check);
    MifCheckParse(&check);
    return MifFileStoreCheckEnd(context, &check, isBook);
}

void MifFileStoreCheckRead(void* context, const std::string& name, MifPendingCheck* check) {
    auto* files = static_cast<MifFileStore*>(context);
    check->name = name;
    try {
        check->status = BeginRead(files, name, &check->local, &check->read);
        if (check->status != SimOk) check->error = files->lastError;
    } catch (const std::bad_alloc&) {
        check->status = SimStatusBadArgument;
        check->error = OutOfMemory(name);
    }
}

// The file's tree is made and let go on this thread: no array of it is
// left to be freed on another (mif_arena.h).
void MifCheckParse(MifPendingCheck* check) {
    if (check->status != SimOk) return;
    try {
        if (check->read.file != FileNoHandle) {
            // A read that fails is told as the check ends.
            FileStoreReadBytes(check->read);
            if (!check->read.read) return;
            check->bytes = std::move(check->read.data);
        }
        MifFile file;
        if (MifCheckBytes(check->bytes.data(), check->bytes.size(), FileOsLastName(check->local), &file, &check->error)) {
            check->isBook = file.kind == MifBookFile;
            check->warnings = std::move(file.warnings);
        } else {
            check->status = SimStatusBadArgument;
        }
    } catch (const std::bad_alloc&) {
        check->status = SimStatusBadArgument;
        check->error = OutOfMemory(check->name);
    }
    check->bytes = std::string();
}

int MifFileStoreCheckEnd(void* context, MifPendingCheck* check, bool* isBook) {
    auto* files = static_cast<MifFileStore*>(context);
    if (check->status == SimOk && !check->read.target.empty())
        check->status = LoadStatus(files, check->name, FileStoreReadEnd(files->files, check->read, &check->error));
    if (check->status != SimOk) {
        files->lastError = check->error;
        return check->status;
    }
    try {
        files->warnings.insert(files->warnings.end(), std::make_move_iterator(check->warnings.begin()),
                               std::make_move_iterator(check->warnings.end()));
    } catch (const std::bad_alloc&) {
        files->lastError = OutOfMemory(check->name);
        return SimStatusBadArgument;
    }
    *isBook = check->isBook;
    return SimOk;
}

void MifFileStoreReadAhead(void* context, const std::string& name) {
    auto* files = static_cast<MifFileStore*>(context);
    if (!files->ahead) files->ahead = MifParseAheadStart();
    files->readNext = name;
}

void MifFileStoreReadFirst(void* context, const std::string& name) {
    MifFileStoreReadAhead(context, name);
    ReadNextAhead(static_cast<MifFileStore*>(context));
}

std::vector<std::string> MifFileStoreTakeWarnings(void* context) {
    return std::exchange(static_cast<MifFileStore*>(context)->warnings, {});
}

SimStore MifFileStoreMake(MifFileStore* files) {
    return SimStore{files, Load, Save};
}
