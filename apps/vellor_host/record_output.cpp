// Printing the record: the change table (every page with -v, every page and
// why with --explain) or JSON or TSV on stdout, and on stderr one warning
// per rule that sent pages back to their default master page.
#include "apps/vellor_host/record_output.h"

#include "apps/vellor_host/change_table.h"
#include "apps/vellor_host/record_formats.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

bool Explains(const HostOptions& o) {
    bool pass = o.command == HostCommandApply || o.command == HostCommandApplyBook;
    // The page map shows what decided each page.
    return (pass && (o.explain || !o.format.empty())) || o.command == HostCommandMap;
}

const char* CommandWord(HostCommand command) {
    switch (command) {
    case HostCommandApply: return "apply";
    case HostCommandApplyBook: return "apply-book";
    case HostCommandList: return "list";
    case HostCommandListBook: return "list-book";
    default: return "";
    }
}

void PrintFormatted(HostRun& run, const std::vector<DocChanges>& docs, bool listing) {
    RunRecord record;
    record.command = CommandWord(run.o.command);
    record.dryRun = run.o.dryRun;
    record.listing = listing;
    if (run.o.command == HostCommandApplyBook || run.o.command == HostCommandListBook) {
        record.bookGiven = run.o.operands.front();
        record.bookAbsolute = fs::absolute(fs::path(record.bookGiven)).lexically_normal().string();
    }
    record.docs = &docs;
    std::string text = run.o.format == "json" ? RecordJson(record) : RecordTsv(record);
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
}

// One warning per rule whose row or key sent pages back to their default.
void WarnOfFallbacks(HostRun& run, const std::vector<DocChanges>& docs) {
    std::vector<Fallback> fallbacks;
    for (const DocChanges& d : docs)
        for (const PageRecord& p : d.pages) {
            Fallback f;
            if (p.explanation && FallbackOf(*p.explanation, d.title, &f)) fallbacks.push_back(f);
        }
    for (const std::string& warning : FallbackWarnings(fallbacks)) ReportMappingWarning(run.r, warning);
}

} // namespace

void AskForExplanations(HostRun& run) {
    if (!Explains(run.o)) return;
    run.r.collectExplanations = true;
    Send(run, "ExplainMasterPages 1");
}

void NameRecord(DocChanges* doc, const std::string& windowsName, const std::string& given, bool absolute) {
    doc->name = windowsName;
    doc->absolute = LocalName(windowsName);
    doc->given = !given.empty() ? given : GivenPath(doc->absolute, absolute);
}

void PrintChanges(HostRun& run, std::vector<DocChanges> docs) {
    NameDocuments(&docs);
    for (const DocChanges& d : docs) run.r.pagesChanged |= ChangedPages(d) != 0;
    run.r.changesExit = run.o.exitCode;
    if (run.r.collectExplanations) WarnOfFallbacks(run, docs);
    if (!run.o.format.empty()) return PrintFormatted(run, docs, false);
    if (run.r.verbosity == HostQuiet) return;
    if (docs.empty()) {
        std::printf("%s\n", run.o.dryRun ? "Nothing would be saved." : "Nothing was saved.");
        return;
    }
    ChangeView view = run.o.explain                     ? ViewExplained
                      : run.r.verbosity == HostVerbose ? ViewEveryPage
                                                        : ViewChangedPages;
    std::fputs(FormatChangeTable(docs, view, run.o.dryRun).c_str(), stdout);
    std::fflush(stdout);
}

void PrintListing(HostRun& run, std::vector<DocChanges> docs) {
    if (run.o.format.empty()) return;
    NameDocuments(&docs);
    PrintFormatted(run, docs, true);
}
