// What a run refuses before anything runs, once every file it names has been
// read: a file whose name the plug-in cannot carry, a report that would
// replace one of the run's own inputs. And the files a run may write at all.
#pragma once

#include "apps/vellor_host/host_run.h"

#include <set>
#include <string>
#include <vector>

// Every file the plug-in is going to see by name (`names`, the book's
// documents, the mapping document, the host folder) must come back from
// FrameRoman, the plug-in's text encoding, as it went in: the plug-in opens
// and saves a book's documents by the names it was given. False, with each
// such file and its characters reported, when one cannot.
bool NamesThePlugInCanCarry(HostRun& run, const std::vector<std::string>& names);

// --report (and map's -o) must not name any file the run reads (the same
// file, through links too). False, with the error reported, when it does.
bool ReportReplacesNoInput(HostRun& run, const std::vector<std::string>& names);

// The files (Windows form) this run may write: the documents it names, the
// documents of the books it names, and the report or page map.
std::set<std::string> WritableFiles(HostRun& run, const std::vector<std::string>& names);
