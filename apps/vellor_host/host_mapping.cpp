// The mapping document: the one --mapping names (refused ahead unless the
// plug-in would take it), and which one the plug-in is going to find.
#include "apps/vellor_host/host_mapping.h"

#include "apps/vellor_host/host_read_ahead.h"
#include "apps/vellor_host/host_session.h"
#include "apps/vellor_host/mapping_tables.h"

#include <filesystem>

namespace fs = std::filesystem;

const char kPageTypeMissing[] = "has no \"Page Type\" table, which is what makes a document the mapping "
                                "document (a table whose first heading cell begins with Page Type; it may "
                                "have no rows below its heading)";

// --mapping: read ahead, and refused unless the plug-in would take it.
int ReadMappingOption(HostRun& run) {
    if (run.o.mapping.empty()) return 1;
    SimDoc doc;
    if (!ReadAhead(run, run.o.mapping, WantDocument, nullptr, &doc)) return 0;
    if (HoldsPageTypeTable(doc)) return 1;
    ReportError(run.r, run.o.mapping + " " + kPageTypeMissing);
    return 0;
}

// The mapping document the plug-in finds, and where: the first open document
// with a "Page Type" table (the one --mapping opened, else one of the files
// `send` opened), else MasterPage.fm from the host folder. `mapping` gets it
// (null when there is none) and `*line` says which it is.
int FindMappingFor(HostRun& run, const std::vector<std::string>& open, SimDoc* mapping, std::string* line) {
    const HostOptions& o = run.o;
    if (!o.mapping.empty()) {
        StoreTapRead(run.tap, HostWindowsName(o.mapping), mapping, nullptr);
        *line = "Mapping document: " + o.mapping + " (from --mapping)";
        return 1;
    }
    for (const std::string& name : open) {
        if (StoreTapRead(run.tap, name, mapping, nullptr) != SimOk || mapping->isBook) continue;
        if (!HoldsPageTypeTable(*mapping)) continue;
        *line = "Mapping document: " + LocalName(name) + " (an open document with a \"Page Type\" table)";
        return 1;
    }
    std::error_code ec;
    fs::path file = fs::path(run.hostDir) / "MasterPage.fm";
    if (!fs::exists(file, ec)) {
        *line = "Mapping document: none (the host folder " + run.hostDir + " has no MasterPage.fm)";
        return 0;
    }
    if (StoreTapRead(run.tap, HostWindowsName(file.string()), mapping, nullptr) != SimOk ||
        !HoldsPageTypeTable(*mapping)) {
        *line = "Mapping document: none (" + file.string() + " in the host folder " + kPageTypeMissing + ")";
        return 0;
    }
    *line = "Mapping document: " + file.string() + " (from the host folder)";
    return 1;
}

// Names the mapping document the plug-in is going to use, before it runs.
void AnnounceMapping(HostRun& run, const std::vector<std::string>& names) {
    const HostOptions& o = run.o;
    if (!UsesMapping(o)) return;
    SimDoc mapping;
    std::string line;
    FindMappingFor(run, o.command == HostCommandSend ? names : std::vector<std::string>{}, &mapping, &line);
    ReportLine(run.r, line);
}
