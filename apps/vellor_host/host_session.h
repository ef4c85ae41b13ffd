// One run of vellor-host: a simulated FrameMaker session over the MIF files,
// the plug-in loaded into it as FrameMaker loads it, and the command driven
// through the plug-in's menu commands and text messages only.
#pragma once

#include "apps/vellor_host/host_install.h"
#include "apps/vellor_host/host_options.h"
#include "apps/vellor_host/host_output.h"
#include "hostsim/sim_store.h"

#include <string>
#include <vector>

struct MifPendingCheck;

// Where the program's files live, and how the store names its failures.
struct HostFileStore {
    SimStore store;
    std::string (*lastError)(void* context) = nullptr;
    // Whether a file reads, and as a book or not, without holding what it
    // holds; null: it is loaded instead.
    int (*check)(void* context, const std::string& name, bool* isBook) = nullptr;
    // The same in steps, the parse between them on any thread (both or neither; may be null).
    void (*checkRead)(void* context, const std::string& name, MifPendingCheck* check) = nullptr;
    int (*checkEnd)(void* context, MifPendingCheck* check, bool* isBook) = nullptr;
    // Where a signal may stop the run between documents (may be null).
    void (*checkpoint)(void* context) = nullptr;
    // What reading found odd in the files and kept as it stood, since last taken (may be null).
    std::vector<std::string> (*takeWarnings)(void* context) = nullptr;
    // Has a file read, and parsed on another thread, for a load to come (may be null).
    void (*readAhead)(void* context, const std::string& name) = nullptr;
    // The same from now on, while no load is under way (may be null).
    void (*readFirst)(void* context, const std::string& name) = nullptr;
};

// Runs the command of `options` and prints what the user sees. Returns the
// exit status (HostExit).
// `defaults` says where the module and the host folder are when no option names them.
int RunHostCommand(const HostOptions& options, const HostDefaults& defaults, const HostFileStore& files,
                   HostReporter& reporter);

// A local file name as the host shows it (absolute, Windows form: the POSIX
// root is drive Z:).
std::string HostWindowsName(const std::string& localPath);
