// `vellor-host check DOC|BOOK...`: the mapping document checked against the
// documents it is meant for, and the plug-in's pass run over them unsaved
// for the pages set by hand that no rule keeps; the findings as
// text, JSON or TSV, and with --accept only those not accepted before.
#include "apps/vellor_host/host_run.h"

#include "apps/vellor_host/check_formats.h"
#include "apps/vellor_host/check_pass.h"
#include "apps/vellor_host/host_mapping.h"
#include "apps/vellor_host/mapping_check.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace {

// The documents named, a book standing for its documents, each once.
std::vector<std::string> CheckedNames(HostRun& run, const std::vector<std::string>& names) {
    std::vector<std::string> docs;
    std::set<std::string> seen;
    for (const std::string& name : names) {
        SimDoc doc;
        StoreTapRead(run.tap, name, &doc, nullptr);
        std::vector<std::string> parts;
        if (doc.isBook) BookDocuments(doc, doc.components, &parts);
        else parts.push_back(name);
        for (const std::string& part : parts)
            if (seen.insert(part).second) docs.push_back(part);
    }
    return docs;
}

// The mapping document the plug-in would use, named on the first line;
// false, with the error reported, when there is none.
bool CheckedMapping(HostRun& run, SimDoc* mapping, CheckReport* report) {
    std::string line;
    MappingFound found = FindMappingFor(run, {}, mapping, &line);
    if (!found) {
        ReportError(run.r, "no mapping document " + line.substr(line.find('(')) + "; name one with --mapping FILE");
        return false;
    }
    ReportLine(run.r, line);
    WarnOfSampleMapping(run, found);
    report->mapping = DocTitle(mapping->name);
    report->mappingFile = run.mappingFile.empty() ? LocalName(mapping->name) : run.mappingFile;
    return true;
}

// A table's findings about itself before those of its rows; about a table
// the mapping document lacks, last.
void AddInTableOrder(std::vector<MappingFinding>* findings, std::vector<MappingFinding> more) {
    for (MappingFinding& f : more) findings->push_back(std::move(f));
    auto place = [](const MappingFinding& f) { return std::make_pair(f.table ? f.table : INT32_MAX, f.row); };
    std::stable_sort(findings->begin(), findings->end(),
                     [&](const MappingFinding& a, const MappingFinding& b) { return place(a) < place(b); });
}

void Print(const HostOptions& o, const CheckReport& report) {
    std::string text = o.format == "json" ? CheckJson(report) : o.format == "tsv" ? CheckTsv(report) : CheckText(report);
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

} // namespace

int CheckCommand(HostRun& run, const std::vector<std::string>& names) {
    // Every one was found and read ahead, a book's documents as the book
    // commands find them.
    std::vector<std::string> docNames = CheckedNames(run, names);
    int ok = 1;
    AcceptedFindings accepted;
    std::string why;
    if (!run.o.accept.empty() && !ReadAcceptedFindings(run.o.accept, &accepted, &why)) {
        ReportError(run.r, why);
        ok = 0;
    }
    SimDoc mapping;
    CheckReport report;
    if (!ok || !CheckedMapping(run, &mapping, &report)) return HostExitUsage;
    // One document at a time: only what the rows ask of it is kept.
    std::vector<CheckedDoc> checked;
    for (const std::string& name : docNames) {
        SimDoc doc;
        StoreTapRead(run.tap, name, &doc, nullptr);
        checked.push_back(CheckedDocOf(DocTitle(name), doc));
        report.documents.push_back(checked.back().title);
    }
    PassVerdicts verdicts = RunPassForCheck(run, mapping, docNames);
    report.findings = CheckMappingDocument(mapping, checked, verdicts.rows);
    AddInTableOrder(&report.findings, std::move(verdicts.handSet));
    report.acceptFile = run.o.accept;
    if (!run.o.accept.empty()) LeaveOutAccepted(accepted, &report);
    Print(run.o, report);
    return report.findings.empty() ? HostExitDone : HostExitWarning;
}
