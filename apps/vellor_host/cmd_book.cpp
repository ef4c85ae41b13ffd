// `vellor-host apply-book BOOK` and `list-book BOOK`: the plug-in's book
// commands, which walk the book's documents, save each (apply) or list them
// all into one report (list). A document the plug-in did not save has lost
// its changes, and is named.
#include "apps/vellor_host/host_run.h"

#include "apps/vellor_host/record_output.h"

#include <filesystem>
#include <utility>

namespace fs = std::filesystem;

namespace {

// Why the plug-in may have saved nothing: without the host's converters it
// cannot give the host a document's name, and it does not save under none.
std::string WhyUnsaved(const std::string& hostDir) {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(fs::path(hostDir) / "icu_data", ec), end; !ec && it != end;
         it.increment(ec))
        if (it->path().filename() == "adobe-fm-roman-windows.cnv") return "";
    return "the host folder " + hostDir + " has no converters (icu_data), so the plug-in cannot convert the file's "
           "name; it is as it was: put the host's converters into " + (fs::path(hostDir) / "icu_data").string();
}

// The plug-in saves every document of the book it walks; one that it did not
// save has lost its changes, and that is a failure however quiet the plug-in
// was. Each is named with the reason: the host could not open it, the host
// has no converters, or the plug-in gave none.
void ReportUnsaved(HostRun& run) {
    std::set<std::string> reported;
    for (const StoreTap::FailedSave& f : run.tap.failedSaves) reported.insert(f.name);
    std::string noConverters = WhyUnsaved(run.hostDir);
    for (const std::string& name : run.bookDocuments) {
        if (run.tap.after.count(name) || !reported.insert(name).second) continue;
        auto load = run.tap.failedLoads.find(name);
        std::string why = load != run.tap.failedLoads.end() ? "the host could not open it (" + load->second + ")"
                          : !noConverters.empty()             ? noConverters
                                                              : "the plug-in did not save it, and gave no reason";
        if (why.find("; it is as it was") == std::string::npos) why += "; it is as it was";
        ReportWarning(run.r, LocalName(StoreTapFileOf(run.tap, name)) + " was not saved: " + why);
    }
}

} // namespace

bool ApplyBookPass(HostRun& run, const std::string& bookName, std::vector<DocChanges>* docs) {
    SimDoc* book = OpenAsUser(run, bookName);
    if (!book) return false;
    AskForExplanations(run);
    BeginProgress(run.r, static_cast<int>(run.bookDocuments.size()));
    Send(run, "SetBookId " + std::to_string(book->id));
    Send(run, "ApplyMasterPagesBook");
    EndProgress(run.r);
    bool absolute = fs::path(run.o.operands.front()).is_absolute();
    ReportUnsaved(run);
    // A book's documents are all saved by the plug-in; one it did not save
    // has been named by ReportUnsaved and has no state to show.
    std::set<std::string> seen;
    for (const std::string& doc : run.bookDocuments)
        if (seen.insert(doc).second && run.tap.after.count(doc)) {
            AddSavedChanges(run, doc, docs);
            if (docs->empty() || docs->back().name != doc) continue;
            NameRecord(&docs->back(), doc, "", absolute);
        }
    AttachExplanations(docs, run.r.explanations);
    return true;
}

int BookCommand(HostRun& run, const std::vector<std::string>& names) {
    std::vector<DocChanges> docs;
    if (run.o.command == HostCommandApplyBook) {
        if (ApplyBookPass(run, names.front(), &docs)) PrintChanges(run, std::move(docs));
        return HostExitDone;
    }
    SimDoc* book = OpenAsUser(run, names.front());
    if (!book) return HostExitDone;
    std::set<ObjId> before = OpenIds(run);
    BeginProgress(run.r, static_cast<int>(run.bookDocuments.size()));
    Send(run, "SetBookId " + std::to_string(book->id));
    Send(run, "ListMasterPagesBook");
    EndProgress(run.r);
    bool absolute = fs::path(run.o.operands.front()).is_absolute();
    std::set<std::string> seen;
    TakeReports(run, before);
    // A listing changes nothing: each document as it was read.
    for (const std::string& doc : run.bookDocuments) {
        auto read = run.tap.before.find(doc);
        if (!seen.insert(doc).second || read == run.tap.before.end()) continue;
        docs.push_back(ComparePages(read->second, read->second));
        NameRecord(&docs.back(), doc, "", absolute);
    }
    PrintListing(run, std::move(docs));
    return HostExitDone;
}
