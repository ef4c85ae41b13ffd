// Which mapping document the plug-in is going to use, found the way the
// plug-in finds it, and --mapping refused ahead unless the plug-in would
// take it.
#pragma once

#include "apps/vellor_host/host_run.h"

#include <string>
#include <vector>

// What a document lacks to be a mapping document.
extern const char kPageTypeMissing[];

// --mapping: read ahead, and refused unless the plug-in would take it.
int ReadMappingOption(HostRun& run);

// The mapping document the plug-in finds among `open` or in the host folder
// (null when none), and `*line` saying which; 0 when there is none.
int FindMappingFor(HostRun& run, const std::vector<std::string>& open, SimDoc* mapping, std::string* line);

// Names the mapping document the plug-in is going to use, before it runs.
void AnnounceMapping(HostRun& run, const std::vector<std::string>& names);
