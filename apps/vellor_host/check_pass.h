// What `vellor-host check` learns from the plug-in's own pass, run over each
// document without saving it, and its explanations, never from a second
// copy of the rules: the pages whose master page was set by hand and that no
// rule keeps (a run would give them the default), and the rows that decided
// pages or carried a run onto them.
#pragma once

#include "apps/vellor_host/host_run.h"
#include "apps/vellor_host/mapping_check.h"

#include <string>
#include <vector>

struct PassVerdicts {
    PassRows rows;
    // One finding per master page lost so (or for pages without a master
    // page), naming the documents, at the "Master Page" table the plug-in
    // reads (or the mapping document as a whole when it has none).
    std::vector<MappingFinding> handSet;
};

// Starts the host and stops it again; nothing when there are no documents or
// the plug-in cannot start.
PassVerdicts RunPassForCheck(HostRun& run, const SimDoc& mapping, const std::vector<std::string>& docs);
