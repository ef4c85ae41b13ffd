// Generated documents written out as MIF files for the runs of vellor-host:
// the Windows form of a local path (how the simulated host names files) and
// a save that says in the run's notes what could not be written.
#pragma once

#include "bench_figures.h"
#include "hostsim/sim_model.h"

#include <string>

#if !defined(_WIN32)
std::string BenchWindowsName(const std::string& local);
// Writes `doc` at `local`; false, with a note naming `section`, when it cannot.
bool BenchSaveDoc(BenchRun& run, const char* section, const SimDoc& doc, const std::string& local);
#endif
