// `vellor-host list DOC...`: the plug-in lists each document's pages into a
// report of its own, which the program prints (and saves with --report), or,
// with --format, the pages as the listing reads them.
#include "apps/vellor_host/host_run.h"

#include "apps/vellor_host/record_output.h"

#include <utility>

int ListCommand(HostRun& run, const std::vector<std::string>& names) {
    std::vector<DocChanges> docs;
    for (size_t i = 0; i < names.size(); ++i) {
        SimDoc* doc = OpenAsUser(run, names[i]);
        if (!doc) continue;
        // Open, it need not stay in the store's cache as well: it goes when
        // it is closed, not at the end of the run with every other.
        StoreTapRelease(run.tap, names[i]);
        std::set<ObjId> before = OpenIds(run);
        Send(run, "SetDocId " + std::to_string(doc->id));
        Send(run, "ListMasterPagesDoc");
        TakeReports(run, before);
        DocSnapshot pages = SnapshotDoc(*doc, DocTitle(names[i]));
        Close(run, doc); // before its record is made: a long document's pages are not held twice with it
        docs.push_back(ComparePages(pages, pages));
        NameRecord(&docs.back(), names[i], i < run.o.operands.size() ? run.o.operands[i] : "", false);
    }
    PrintListing(run, std::move(docs));
    return HostExitDone;
}
