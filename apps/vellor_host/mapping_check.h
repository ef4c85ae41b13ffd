// `vellor-host check`: what in a mapping document would silently do nothing
// for the documents it is meant for, found without running the plug-in.
// Tables the plug-in would not recognise or would pass over, rows it would
// skip, master page names a document lacks, keys that no document meets or
// that meet only when letter case is ignored, and left-page cells for
// one-sided documents.
#pragma once

#include "hostsim/sim_model.h"

#include <string>
#include <vector>

struct CheckedDoc {
    std::string title; // what the findings call the document
    const SimDoc* doc = nullptr;
};

// One line per finding, in table and row order, each naming the table (its
// number and heading) and the row (1 is the heading row).
std::vector<std::string> CheckMappingDocument(const SimDoc& mapping, const std::vector<CheckedDoc>& docs);
