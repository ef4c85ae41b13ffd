// `vellor-host check`'s findings about pages whose master page was set by
// hand and that no rule keeps: a run would give them the default. They come
// from the plug-in's own pass, run over each document without saving it, and
// its explanations, never from a second copy of the rules.
#pragma once

#include "apps/vellor_host/host_run.h"
#include "apps/vellor_host/mapping_check.h"

#include <string>
#include <vector>

// One finding per master page lost so (or for pages without a master page),
// naming the documents, at the "Master Page" table the plug-in reads (or the
// mapping document as a whole when it has none). Starts the host and stops it
// again; nothing when there are no documents or the plug-in cannot start.
std::vector<MappingFinding> HandSetFindings(HostRun& run, const SimDoc& mapping, const std::vector<std::string>& docs);
