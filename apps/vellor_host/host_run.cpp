// What every command does with the run: opening files as the user would,
// sending the plug-in its messages, saving, closing, taking the reports the
// plug-in made and printing the table of changed pages.
#include "apps/vellor_host/host_run.h"

#include "apps/vellor_host/host_session.h"
#include "apps/vellor_host/record_output.h"
#include "hostsim/sim_text.h"
#include "platform/win_names.h"

#include <cstdio>

void OnActivity(void* context) {
    HostRun* run = static_cast<HostRun*>(context);
    if (run->server) ReportHostActivity(run->r, SimServerControl(run->server));
}

std::string LocalName(const std::string& windowsName) {
    std::vector<char> out(windowsName.size() + 16);
    if (PlatformWindowsNameToLocal(windowsName.c_str(), out.data(), static_cast<int>(out.size())) < 0)
        return windowsName;
    return out.data();
}

namespace {

bool SaveFailed(const HostRun& run, const std::string& name) {
    for (const StoreTap::FailedSave& f : run.tap.failedSaves)
        if (f.name == name) return true;
    return false;
}

} // namespace

// What the host recorded, and the saves that failed and what reading the
// files found odd since the last look.
void Catch(HostRun& run) {
    OnActivity(&run);
    for (; run.readWarningsSeen < run.tap.readWarnings.size(); ++run.readWarningsSeen)
        ReportWarning(run.r, run.tap.readWarnings[run.readWarningsSeen]);
    for (; run.failuresSeen < run.tap.failedSaves.size(); ++run.failuresSeen) {
        const StoreTap::FailedSave& f = run.tap.failedSaves[run.failuresSeen];
        // The store's words name the file by its last name, which the path says already.
        std::string why = f.why, title = DocTitle(f.name) + ": ";
        if (why.compare(0, title.size(), title) == 0) why.erase(0, title.size());
        ReportWarning(run.r, "could not save " + LocalName(StoreTapFileOf(run.tap, f.name)) + (why.empty() ? "" : ": " + why));
    }
}

SimDoc* OpenAsUser(HostRun& run, const std::string& windowsName) {
    SimDoc doc;
    if (StoreTapRead(run.tap, windowsName, &doc, nullptr) != SimOk) return nullptr;
    SimDoc* open = SimOpenDoc(SimServerSession(run.server), std::move(doc), true);
    run.opened.push_back(open);
    ReportVerbose(run.r, "opened " + LocalName(windowsName) + (open->isBook ? " as book " : " as document ") +
                             std::to_string(open->id));
    return open;
}

void Send(HostRun& run, const std::string& text) {
    ReportVerbose(run.r, "> " + text);
    SimClientMessage(run.server, SimToFrameRoman(text).c_str());
    Catch(run);
}

void SaveAsUser(HostRun& run, SimDoc* doc) {
    if (!doc || doc->isBook || doc->untitled || !doc->modified) return;
    if (StoreTapSave(run.tap, doc->name, *doc) == SimOk) doc->modified = false;
    Catch(run);
}

void Close(HostRun& run, SimDoc* doc) {
    for (auto it = run.opened.begin(); it != run.opened.end(); ++it)
        if (*it == doc) {
            run.opened.erase(it);
            break;
        }
    SimCloseDoc(SimServerSession(run.server), doc->id);
}

std::set<ObjId> OpenIds(HostRun& run) {
    std::set<ObjId> ids;
    for (const auto& d : SimServerSession(run.server).documents) ids.insert(d->id);
    return ids;
}

// The report of a listing: a document on screen that was not open before.
// Its text goes to stdout; it is saved only where --report says.
void TakeReports(HostRun& run, const std::set<ObjId>& before) {
    std::vector<ObjId> reports;
    for (const auto& d : SimServerSession(run.server).documents)
        if (!before.count(d->id) && d->visible && !d->isBook) reports.push_back(d->id);
    for (ObjId id : reports) {
        SimDoc* doc = SimDocById(run.server, id);
        std::vector<std::string> lines = SimFlowTexts(*doc);
        while (!lines.empty() && lines.back().empty()) lines.pop_back();
        // With --format, stdout carries the listing's record instead.
        if (run.o.format.empty()) {
            if (run.reports++) std::fputs("\n", stdout);
            for (const std::string& line : lines) std::printf("%s\n", line.c_str());
            std::fflush(stdout);
        }
        if (!run.o.report.empty()) {
            std::string target = HostWindowsName(run.o.report);
            if (StoreTapSave(run.tap, target, *doc) == SimOk)
                ReportVerbose(run.r, (run.o.dryRun ? "would save the report as " : "saved the report as ") +
                                         run.o.report);
            Catch(run);
        }
        SimCloseDoc(SimServerSession(run.server), id);
    }
}

// The book's document components in the order the plug-in walks them:
// folders and groups are entered, other kinds are passed over with all they hold.
void BookDocuments(const SimDoc& book, const std::vector<ObjId>& level, std::vector<std::string>* names) {
    for (ObjId id : level) {
        const SimObject* c = SimLocal(book, id);
        if (!c) continue;
        if (c->componentType == SimComponentDocument) names->push_back(c->name);
        else if (c->componentType == SimComponentFolder || c->componentType == SimComponentGroup)
            BookDocuments(book, c->children, names);
    }
}

// A document the plug-in saved (a book's): as it was read against as it was
// saved last; one it did not save is as it was read. One whose save failed
// has no state to show (its warning names it).
void AddSavedChanges(HostRun& run, const std::string& name, std::vector<DocChanges>* docs) {
    auto before = run.tap.before.find(name);
    if (before == run.tap.before.end() || SaveFailed(run, name)) return;
    auto after = run.tap.after.find(name);
    docs->push_back(ComparePages(before->second, after != run.tap.after.end() ? after->second : before->second));
    NameRecord(&docs->back(), name, "", false);
}

bool RunsAPass(const std::string& message) {
    return message == "ApplyMasterPagesDoc" || message == "ApplyMasterPagesBook";
}
