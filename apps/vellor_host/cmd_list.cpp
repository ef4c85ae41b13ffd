// `vellor-host list DOC...`: the plug-in lists each document's pages into a
// report of its own, which the program prints (and saves with --report).
#include "apps/vellor_host/host_run.h"

int ListCommand(HostRun& run, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        SimDoc* doc = OpenAsUser(run, name);
        if (!doc) continue;
        std::set<ObjId> before = OpenIds(run);
        Send(run, "SetDocId " + std::to_string(doc->id));
        Send(run, "ListMasterPagesDoc");
        TakeReports(run, before);
        Close(run, doc);
    }
    return HostExitDone;
}
