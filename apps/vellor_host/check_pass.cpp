// Running the pass for check: each document opened as `apply --dry-run`
// opens it, its pages decided and explained, closed unsaved. What the pass
// says besides its explanations is not check's to show.
#include "apps/vellor_host/check_pass.h"

#include "apps/vellor_host/host_session.h"
#include "apps/vellor_host/mapping_tables.h"
#include "apps/vellor_host/page_explain.h"
#include "hostsim/sim_loader.h"
#include "tools/mapping_rules.h"

namespace {

// Where the findings stand: the "Master Page" table the plug-in reads, else
// the mapping document.
MappingFinding Place(const SimDoc& mapping) {
    MappingFinding place;
    for (const MappingTableView& t : ReadMappingTables(mapping))
        if (t.counts && t.kind == MappingHeadingKind(MappingMasterPage)) {
            place.table = t.number;
            place.heading = t.heading;
            place.line = t.line;
        }
    return place;
}

std::string Text(const PageExplanation& e) {
    if (e.before.empty())
        return std::string("pages without a master page get the default: no rule keeps them (a MasterPage marker "
                           "whose \"") + MappingMarkerCategory + "\" row reads None would)";
    return "pages use the master page \"" + e.before + "\" set by hand and get the default: no rule keeps it (a \"" +
           MappingMasterPage + "\" row \"" + RowThatWouldKeep(e) + "\" would)";
}

// The pass's explanations of one document's pages.
PageExplanations Decisions(HostRun& run, const std::string& name) {
    SimDoc* doc = OpenAsUser(run, name);
    if (!doc) return {};
    run.r.explanations.clear();
    Send(run, "SetDocId " + std::to_string(doc->id));
    Send(run, "ApplyMasterPagesDoc");
    Catch(run);
    PageExplanations decisions = std::move(run.r.explanations);
    run.r.explanations.clear();
    Close(run, doc);
    return decisions;
}

void Add(std::vector<MappingFinding>* findings, const MappingFinding& place, const std::string& text,
         const std::string& doc) {
    for (MappingFinding& f : *findings)
        if (f.text == text) {
            if (f.documents.empty() || f.documents.back() != doc) f.documents.push_back(doc);
            return;
        }
    findings->push_back(place);
    findings->back().text = text;
    findings->back().documents.push_back(doc);
}

// What one explanation tells check.
void Take(PassVerdicts* verdicts, const MappingFinding& place, const PageExplanation& e, const std::string& title) {
    if (!e.table.empty()) (e.rangeFrom ? verdicts->rows.carried : verdicts->rows.decided).insert({e.table, e.row});
    if (LostHandSetMaster(e)) Add(&verdicts->handSet, place, Text(e), title);
}

} // namespace

PassVerdicts RunPassForCheck(HostRun& run, const SimDoc& mapping, const std::vector<std::string>& docs) {
    PassVerdicts verdicts;
    if (docs.empty()) return verdicts;
    HostVerbosity verbosity = run.r.verbosity;
    run.r.verbosity = HostQuiet;
    if (StartHost(run)) {
        run.r.collectExplanations = true;
        if (!run.mappingFile.empty()) OpenAsUser(run, HostWindowsName(run.mappingFile));
        Send(run, "ExplainMasterPages 1");
        MappingFinding place = Place(mapping);
        for (const std::string& name : docs)
            for (const auto& e : Decisions(run, name)) Take(&verdicts, place, *e, DocTitle(name));
        StopHost(run);
    }
    run.r.verbosity = verbosity;
    return verdicts;
}
