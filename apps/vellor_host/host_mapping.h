// Which mapping document the plug-in is going to use, found the way the
// plug-in finds it: the one the program opens on screen first (--mapping's,
// else MasterPage.fm beside the book or documents), else an open document
// with a "Page Type" table, else MasterPage.fm from the host folder. The
// one opened first is refused ahead unless the plug-in would take it.
#pragma once

#include "apps/vellor_host/host_run.h"

#include <string>
#include <vector>

// What a document lacks to be a mapping document.
extern const char kPageTypeMissing[];

// The mapping document the program opens on screen before the plug-in runs
// (--mapping's, or MasterPage.fm beside the files the command names, when
// the command uses one): read ahead, refused unless the plug-in would take
// it, and kept in `run.mappingFile`. 0 with the error reported.
int ReadMappingAhead(HostRun& run);

enum MappingFound {
    MappingNotFound = 0,
    MappingOnScreen,     // opened by the program (run.mappingFile) or among `open`
    MappingInHostFolder, // MasterPage.fm of the host folder
};

// The mapping document the plug-in finds (`mapping`; left empty when there
// is none), `*line` saying which.
MappingFound FindMappingFor(HostRun& run, const std::vector<std::string>& open, SimDoc* mapping, std::string* line);

// Says, as a warning, that the rules are the sample installed with the
// program, when `found` is the host folder's and that folder is the program's own.
void WarnOfSampleMapping(HostRun& run, MappingFound found);

// Names the mapping document the plug-in is going to use, before it runs.
void AnnounceMapping(HostRun& run, const std::vector<std::string>& names);
