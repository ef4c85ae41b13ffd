// The files vellor-host works on: the simulated host's store of MIF files,
// guarded for the run (file_store.h): every file it reads is locked until
// the run ends, the files a command is going to write are claimed before the
// plug-in starts, and a signal stops the run at the store's next read or
// save with every file whole.
#pragma once

#include "apps/vellor_host/host_run.h"
#include "apps/vellor_host/host_session.h"

#include <string>
#include <vector>

// A store of real MIF files, made once per run and released at its end.
HostFileStore HostFilesOpen();
void HostFilesClose(HostFileStore& files);

// Ctrl-C, SIGTERM and SIGHUP stop the run at the store's next read or save:
// what was saved is said on `reporter`, and the program exits 128 + the
// signal's number.
void HostFilesStopOnSignals(HostFileStore& files, HostReporter& reporter);
// The exit status of a run that a signal stopped, having said so; 0 when no
// signal came.
int HostFilesStopped(const HostFileStore& files, HostReporter& reporter);

// Claims every file the command is going to write (of `run.tap.writable`;
// a dry run checks them only): false, with each refusal reported, when one
// cannot be replaced or another run holds it.
bool ClaimFilesToWrite(HostRun& run);
