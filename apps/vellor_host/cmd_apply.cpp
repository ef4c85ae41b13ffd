// `vellor-host apply DOC...`: each document opened as the user would, its
// master pages applied by the plug-in's command, saved when it changed.
#include "apps/vellor_host/host_run.h"

#include "apps/vellor_host/host_session.h"
#include "apps/vellor_host/mapping_tables.h"
#include "apps/vellor_host/record_output.h"

#include <filesystem>
#include <utility>

namespace {

// What a document was read as, or what a dry run would have saved of it, is
// kept only while the document is to be opened again: each is opened here
// once for each time it is named. The mapping documents, which the plug-in
// opens whenever it needs one, stay uncounted.
void CountOpens(HostRun& run, const std::vector<std::string>& names) {
    std::string hostMapping = HostWindowsName((std::filesystem::path(run.hostDir) / "MasterPage.fm").string());
    std::string mapping = run.mappingFile.empty() ? hostMapping : HostWindowsName(run.mappingFile);
    for (const std::string& name : names)
        if (name != hostMapping && name != mapping) ++run.tap.opensLeft[name];
}

} // namespace

void ApplyDocumentsPass(HostRun& run, const std::vector<std::string>& names, std::vector<DocChanges>* record) {
    std::vector<DocChanges>& docs = *record;
    CountOpens(run, names);
    AskForExplanations(run);
    for (size_t i = 0; i < names.size(); ++i) {
        const std::string& name = names[i];
        SimDoc* doc = OpenAsUser(run, name);
        if (!doc) continue;
        // The pass changes it: held in the store's cache too, the host would
        // copy all its objects at the first change.
        StoreTapRelease(run.tap, name);
        DocSnapshot before = SnapshotDoc(*doc, DocTitle(name));
        // Open alone, a document with a "Page Type" table is the first open
        // document the plug-in finds: its own rules decide its pages.
        if (run.mappingFile.empty() && HoldsPageTypeTable(*doc))
            ReportLine(run.r, "Mapping document for " + before.title + ": itself (an open document with a \"Page Type\" table)");
        Send(run, "SetDocId " + std::to_string(doc->id));
        run.r.explanations.clear();
        Send(run, "ApplyMasterPagesDoc");
        DocSnapshot after = SnapshotDoc(*doc, DocTitle(name));
        SaveAsUser(run, doc);
        Close(run, doc); // before its record is made: a long document's pages are not held twice with it
        docs.push_back(ComparePages(before, after));
        // The operands are read ahead in their order, one name each.
        NameRecord(&docs.back(), name, i < run.o.operands.size() ? run.o.operands[i] : "", false);
        // The pass explained this document's pages alone, whatever name the
        // host gave it.
        AttachExplanations(&docs.back(), run.r.explanations);
    }
}

int ApplyCommand(HostRun& run, const std::vector<std::string>& names) {
    std::vector<DocChanges> docs;
    ApplyDocumentsPass(run, names, &docs);
    PrintChanges(run, std::move(docs));
    return HostExitDone;
}
