// The MIF file store behind vellor-host, guarded for the run: the files it
// reads are locked, the files it is going to write claimed before the
// plug-in starts, and a signal ends the run at the store's next read or
// save.
#include "apps/vellor_host/host_files.h"

#include "hostsim/mif/mif_store.h"

#include <cstdio>
#include <cstdlib>
#include <set>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

std::string LastError(void* context) { return static_cast<MifFileStore*>(context)->lastError; }

void Checkpoint(void* context) { FileStoreCheckpoint(static_cast<MifFileStore*>(context)->files); }

MifFileStore& Mif(const HostFileStore& files) { return *static_cast<MifFileStore*>(files.store.context); }

struct StopContext {
    const HostFileStore* files;
    HostReporter* reporter;
};

// The run ends here, in the middle of the plug-in's work: every file is
// whole (a save in progress was abandoned and its temporary file removed),
// and the locks go with the process.
void StopNow(void* context, int) {
    auto* stop = static_cast<StopContext*>(context);
    int status = HostFilesStopped(*stop->files, *stop->reporter);
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(status);
}

// Whether the messages of `send` may change the documents it opens.
bool SendChanges(const HostOptions& o) {
    for (const std::string& message : o.operands)
        if (RunsAPass(message) || message == "InsertMPMarker") return true;
    return false;
}

// The local names of the files the command is going to write (the files a
// book's names were found as): those it may write, but only the report for
// messages of `send` that change nothing.
std::vector<std::string> FilesToWrite(HostRun& run) {
    std::vector<std::string> files;
    if (!run.tap.writable) return files;
    std::string report = run.o.report.empty() ? std::string() : HostWindowsName(run.o.report);
    bool documents = run.o.command != HostCommandSend || SendChanges(run.o);
    for (const std::string& name : *run.tap.writable)
        if (documents || name == report) files.push_back(LocalName(StoreTapFileOf(run.tap, name)));
    return files;
}

} // namespace

HostFileStore HostFilesOpen() {
    HostFileStore files;
    auto* mif = new MifFileStore;
    mif->files.guard = true;
    files.store = MifFileStoreMake(mif);
    files.lastError = LastError;
    files.check = MifFileStoreCheck;
    files.checkRead = MifFileStoreCheckRead;
    files.checkEnd = MifFileStoreCheckEnd;
    files.checkpoint = Checkpoint;
    files.takeWarnings = MifFileStoreTakeWarnings;
    files.readAhead = MifFileStoreReadAhead;
    files.readFirst = MifFileStoreReadFirst;
    return files;
}

void HostFilesClose(HostFileStore& files) {
    delete static_cast<MifFileStore*>(files.store.context);
    files.store = SimStore{};
}

void HostFilesStopOnSignals(HostFileStore& files, HostReporter& reporter) {
    static StopContext stop;
    stop = StopContext{&files, &reporter};
    FileStoreCatchSignals();
    Mif(files).files.onInterrupt = StopNow;
    Mif(files).files.interruptContext = &stop;
}

int HostFilesStopped(const HostFileStore& files, HostReporter& reporter) {
    int signal = FileStoreSignal();
    if (!signal) return 0;
    const std::vector<std::string>& written = Mif(files).files.written;
    std::string saved;
    for (const std::string& name : written) saved += (saved.empty() ? "" : ", ") + name;
    EndProgress(reporter);
    std::string what = written.empty() ? "none was changed" : "saved before the stop: " + saved + "; no other was changed";
    std::fprintf(stderr, "vellor-host: stopped by %s; every file is whole: %s\n", FileOsSignalName(signal),
                 what.c_str());
    return 128 + signal;
}

bool ClaimFilesToWrite(HostRun& run) {
    FileStore& store = static_cast<MifFileStore*>(run.tap.inner.context)->files;
    bool ok = true;
    // The page map is written even by a dry run.
    std::string map = run.o.output.empty() ? std::string() : LocalName(HostWindowsName(run.o.output));
    // A book's documents are opened, so read through the store, before the
    // run saves them: their claim need not hash their bytes.
    std::set<std::string> readFirst;
    for (const auto& [name, opens] : run.tap.opensLeft)
        if (opens > 0) readFirst.insert(LocalName(StoreTapFileOf(run.tap, name)));
    for (const std::string& file : FilesToWrite(run)) {
        std::string why;
        bool lock = !run.o.dryRun || file == map;
        if (FileStoreClaim(store, file, lock, readFirst.count(file) > 0, &why) == FileOk) continue;
        ReportError(run.r, why);
        ok = false;
    }
    return ok;
}
