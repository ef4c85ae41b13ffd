// `vellor-host list DOC...`: the plug-in lists each document's pages into a
// report of its own, which the program prints (and saves with --report), or,
// with --format, the pages as the listing reads them.
#include "apps/vellor_host/host_run.h"

#include "apps/vellor_host/record_output.h"

int ListCommand(HostRun& run, const std::vector<std::string>& names) {
    std::vector<DocChanges> docs;
    for (size_t i = 0; i < names.size(); ++i) {
        SimDoc* doc = OpenAsUser(run, names[i]);
        if (!doc) continue;
        std::set<ObjId> before = OpenIds(run);
        Send(run, "SetDocId " + std::to_string(doc->id));
        Send(run, "ListMasterPagesDoc");
        TakeReports(run, before);
        DocSnapshot pages = SnapshotDoc(*doc, DocTitle(names[i]));
        docs.push_back(ComparePages(pages, pages));
        NameRecord(&docs.back(), names[i], i < run.o.operands.size() ? run.o.operands[i] : "", false);
        Close(run, doc);
    }
    PrintListing(run, docs);
    return HostExitDone;
}
