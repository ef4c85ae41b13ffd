// The mapping document: the one --mapping names or the MasterPage.fm beside
// the files (opened on screen first, and refused ahead unless the plug-in
// would take it), and which one the plug-in is going to find.
#include "apps/vellor_host/host_mapping.h"

#include "apps/vellor_host/host_read_ahead.h"
#include "apps/vellor_host/host_session.h"
#include "apps/vellor_host/mapping_tables.h"

#include <filesystem>

namespace fs = std::filesystem;

const char kPageTypeMissing[] = "has no \"Page Type\" table, which is what makes a document the mapping "
                                "document (a table whose first heading cell begins with Page Type; it may "
                                "have no rows below its heading)";

namespace {

const char kMappingName[] = "MasterPage.fm";

// The files whose folders may hold the mapping document: the documents or
// the book the command names; for send, the files it opens.
const std::vector<std::string>& NamedFiles(const HostOptions& o) {
    return o.command == HostCommandSend ? o.open : o.operands;
}

// MasterPage.fm beside the files the command names (`*file`, "" for none)
// and the file it stands beside. 0, with the error reported, when two of
// the files have different ones beside them: the plug-in takes one mapping
// document for the whole run.
int FindBesideMapping(HostRun& run, std::string* file, std::string* beside) {
    std::error_code ec;
    for (const std::string& named : NamedFiles(run.o)) {
        fs::path candidate = fs::path(named).parent_path() / kMappingName;
        if (!fs::is_regular_file(candidate, ec) || fs::equivalent(candidate, named, ec)) continue;
        if (file->empty()) {
            *file = candidate.string();
            *beside = named;
        } else if (!fs::equivalent(candidate, *file, ec)) {
            ReportError(run.r, named + " and " + *beside + " have different mapping documents beside them (" +
                                   candidate.string() + ", " + *file + "); name the one to use with --mapping");
            return 0;
        }
    }
    return 1;
}

} // namespace

int ReadMappingAhead(HostRun& run) {
    const HostOptions& o = run.o;
    std::string file = o.mapping, beside;
    if (file.empty()) {
        if (!UsesMapping(o) && o.command != HostCommandCheck) return 1;
        if (!FindBesideMapping(run, &file, &beside)) return 0;
        if (file.empty()) return 1;
    }
    SimDoc doc;
    if (!ReadAhead(run, file, WantDocument, nullptr, &doc, beside.empty() ? "" : "beside " + beside)) return 0;
    if (!HoldsPageTypeTable(doc)) {
        ReportError(run.r, file + " " + kPageTypeMissing +
                               (beside.empty() ? ""
                                               : "; a MasterPage.fm beside " + beside +
                                                     " is taken for the mapping document: rename it, or name "
                                                     "another with --mapping"));
        return 0;
    }
    run.mappingFile = file;
    run.mappingFrom = beside.empty() ? "from --mapping" : "beside " + beside;
    return 1;
}

// The mapping document the plug-in finds, and where: the first open document
// with a "Page Type" table (the one the program opened first, else one of
// the files `send` opened), else MasterPage.fm from the host folder.
MappingFound FindMappingFor(HostRun& run, const std::vector<std::string>& open, SimDoc* mapping, std::string* line) {
    if (!run.mappingFile.empty()) {
        StoreTapRead(run.tap, HostWindowsName(run.mappingFile), mapping, nullptr);
        *line = "Mapping document: " + run.mappingFile + " (" + run.mappingFrom + ")";
        return MappingOnScreen;
    }
    for (const std::string& name : open) {
        if (StoreTapRead(run.tap, name, mapping, nullptr) != SimOk || mapping->isBook) continue;
        if (!HoldsPageTypeTable(*mapping)) continue;
        *line = "Mapping document: " + LocalName(name) + " (an open document with a \"Page Type\" table)";
        return MappingOnScreen;
    }
    std::error_code ec;
    fs::path file = fs::path(run.hostDir) / kMappingName;
    if (!fs::exists(file, ec)) {
        *line = "Mapping document: none (the host folder " + run.hostDir + " has no MasterPage.fm)";
        return MappingNotFound;
    }
    if (StoreTapRead(run.tap, HostWindowsName(file.string()), mapping, nullptr) != SimOk ||
        !HoldsPageTypeTable(*mapping)) {
        *line = "Mapping document: none (" + file.string() + " in the host folder " + kPageTypeMissing + ")";
        return MappingNotFound;
    }
    *line = "Mapping document: " + file.string() + " (from the host folder)";
    return MappingInHostFolder;
}

void WarnOfSampleMapping(HostRun& run, MappingFound found) {
    if (found != MappingInHostFolder || !run.sampleHostDir) return;
    ReportWarning(run.r, "these are the sample rules installed with vellor-host; put your mapping document "
                         "beside the book or documents as MasterPage.fm, or name it with --mapping");
}

// Names the mapping document the plug-in is going to use, before it runs.
void AnnounceMapping(HostRun& run, const std::vector<std::string>& names) {
    const HostOptions& o = run.o;
    if (!UsesMapping(o)) return;
    SimDoc mapping;
    std::string line;
    MappingFound found =
        FindMappingFor(run, o.command == HostCommandSend ? names : std::vector<std::string>{}, &mapping, &line);
    ReportLine(run.r, line);
    WarnOfSampleMapping(run, found);
}
