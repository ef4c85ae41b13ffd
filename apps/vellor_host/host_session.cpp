// One run of vellor-host. Every file the command needs is read before the
// plug-in is loaded, so a file that cannot be read stops the run before
// anything is written; a book's documents are then dropped and read again
// one at a time as the plug-in opens them. The plug-in then sees only what FrameMaker would show
// it: documents the user opened, menu commands and text messages (SetDocId
// or SetBookId, then the command word). The program saves what a user would
// save (documents it opened and the plug-in changed, the report when asked);
// the plug-in's book pass saves the book's documents itself. The commands
// themselves are in cmd_*.cpp.
#include "apps/vellor_host/host_session.h"

#include "apps/vellor_host/frame_roman_check.h"
#include "apps/vellor_host/host_files.h"
#include "apps/vellor_host/host_mapping.h"
#include "apps/vellor_host/host_read_ahead.h"
#include "apps/vellor_host/host_refusals.h"
#include "apps/vellor_host/host_run.h"
#include "hostsim/sim_text.h"
#include "platform/win_names.h"

#include <filesystem>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

std::string HostWindowsName(const std::string& localPath) {
    std::error_code ec;
    fs::path absolute = fs::absolute(localPath, ec).lexically_normal();
    std::string local = ec ? localPath : absolute.string();
    std::vector<char> out(local.size() * 2 + 16);
    if (PlatformLocalNameToWindows(local.c_str(), out.data(), static_cast<int>(out.size())) < 0) return local;
    return out.data();
}

namespace {

// Whether the plug-in is going to save a book's documents: it gives the
// host their names through the host folder's converters.
bool SavesABook(const HostOptions& o) {
    if (o.command == HostCommandApplyBook) return true;
    if (o.command == HostCommandSend)
        for (const std::string& message : o.operands)
            if (message == "ApplyMasterPagesBook") return true;
    return false;
}

// What can be refused before any file is read: a marker text FrameRoman
// cannot carry, a host folder that is not there or cannot serve the run.
bool UsableOptions(HostRun& run) {
    const HostOptions& o = run.o;
    // (A marker to remove may hold any text: a document can carry what the
    // plug-in could not have typed.)
    if (o.command == HostCommandInsertMarker) {
        std::string lacking = CharactersFrameRomanLacks(o.category);
        if (!lacking.empty()) {
            ReportError(run.r, "--category \"" + o.category + "\": the plug-in's text encoding, FrameRoman, has no " +
                                   lacking + "; nothing was inserted");
            return false;
        }
    }
    std::error_code ec;
    if (!fs::is_directory(run.hostDir, ec)) {
        ReportError(run.r, run.hostDir + ": no such host directory");
        return false;
    }
    if (SavesABook(o) && !HostFolderHasConverters(run.hostDir)) {
        ReportError(run.r, "the host folder " + run.hostDir + " has no converters (icu_data), which the plug-in "
                           "needs to save a book's documents; copy icu_data into it from " +
                               run.sampleDir + ", or leave --host-dir out");
        return false;
    }
    return true;
}

} // namespace

bool StartHost(HostRun& run) {
    const std::string& plugin = run.plugin;
    run.server = SimServerCreate(HostWindowsName(run.hostDir).c_str());
    SimServerSetStore(run.server, StoreTapMake(&run.tap));
    std::error_code ec;
    int loaded = fs::exists(plugin, ec) ? SimLoadModule(run.server, HostWindowsName(plugin).c_str(), &run.module)
                                        : SimLoadNoModule;
    if (loaded == SimLoadRegistered) return true;
    static const char* why[] = {"", "cannot be loaded", "has no F_ApiClientInit", "refused to start"};
    ReportError(run.r, plugin + ": the plug-in " + why[loaded >= 1 && loaded <= 3 ? loaded : 1]);
    SimServerRelease(run.server);
    run.server = nullptr;
    return false;
}

void StopHost(HostRun& run) {
    Catch(run);
    SimUnloadModule(run.server, &run.module);
    Catch(run);
    SimServerRelease(run.server);
    run.server = nullptr;
}

namespace {

// The command itself, with the plug-in running; its exit status.
int RunCommand(HostRun& run, const std::vector<std::string>& names) {
    switch (run.o.command) {
    case HostCommandApply: return ApplyCommand(run, names);
    case HostCommandApplyBook:
    case HostCommandListBook: return BookCommand(run, names);
    case HostCommandList: return ListCommand(run, names);
    case HostCommandInsertMarker: return InsertMarkerCommand(run, names);
    case HostCommandRemoveMarker: return RemoveMarkerCommand(run, names);
    case HostCommandSend: return SendCommand(run, names);
    case HostCommandMenus: return MenusCommand(run, names);
    case HostCommandMap: return MapCommand(run, names);
    case HostCommandCheck:
    case HostCommandNone: break;
    }
    return HostExitDone;
}

} // namespace

int RunHostCommand(const HostOptions& o, const HostDefaults& defaults, const HostFileStore& files,
                   HostReporter& reporter) {
    HostRun run(o, reporter);
    run.tap.inner = files.store;
    run.tap.innerError = files.lastError;
    run.tap.innerCheck = files.check;
    run.tap.innerCheckRead = files.checkRead;
    run.tap.innerCheckEnd = files.checkEnd;
    run.tap.checkpoint = files.checkpoint;
    run.tap.innerWarnings = files.takeWarnings;
    run.tap.innerReadAhead = files.readAhead;
    run.tap.innerReadFirst = files.readFirst;
    run.tap.dryRun = o.dryRun;
    run.tap.onActivity = OnActivity;
    run.tap.activityContext = &run;
    run.hostDir = o.hostDir.empty() ? defaults.hostDir : o.hostDir;
    run.sampleDir = defaults.hostDir;
    run.sampleHostDir = SameFolder(run.hostDir, defaults.hostDir);
    // The map draws each document's master pages as they were read; a
    // book's documents are in memory one at a time, so they are taken then.
    if (o.command == HostCommandMap) {
        run.tap.onFirstRead = MapNoteLayout;
        run.tap.firstReadContext = &run.layouts;
    }
    run.plugin = o.plugin.empty() ? defaults.plugin : o.plugin;

    std::vector<std::string> names;
    // The host's FrameRoman table, which the check of names below needs,
    // is made while the files are read ahead: opening ICU's first converter
    // pages in its data. It is made before the plug-in points ICU at data
    // of its own.
    std::jthread table;
    try {
        table = std::jthread(SimTextPrepare);
    } catch (const std::system_error&) {
        // made when first needed
    }
    if (!UsableOptions(run) || !ReadAheadAll(run, &names)) return HostExitUsage;
    if (table.joinable()) table.join();
    if (!NamesThePlugInCanCarry(run, names) || !ReportReplacesNoInput(run, names)) return HostExitUsage;
    run.tap.writable = WritableFiles(run, names);
    if (!ClaimFilesToWrite(run)) return HostExitUsage;
    if (o.command == HostCommandCheck) return CheckCommand(run, names);
    AnnounceMapping(run, names);
    if (!StartHost(run)) return HostExitUsage;
    Catch(run);
    if (!run.mappingFile.empty()) OpenAsUser(run, HostWindowsName(run.mappingFile));
    int status = RunCommand(run, names);
    StopHost(run);
    return status != HostExitDone ? status : HostExitStatus(reporter);
}
