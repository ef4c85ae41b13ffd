// `vellor-host send MESSAGE... [--open FILE...]`: text messages sent to the
// plug-in as FrameMaker delivers them, the files opened first; what changed
// is shown and saved as after any command.
#include "apps/vellor_host/host_run.h"

#include <cstdlib>
#include <utility>

namespace {

// A "SetDocId" or "SetBookId" message of `send` that names no open document
// or book: the plug-in would take the id and fail silently on the next command.
void CheckMessageId(HostRun& run, const std::string& text) {
    bool doc = text.rfind("SetDocId", 0) == 0, book = text.rfind("SetBookId", 0) == 0;
    size_t space = text.find(' ');
    if ((!doc && !book) || space == std::string::npos) return;
    // The plug-in's reading: an optional sign and the leading digits.
    long id = std::strtol(text.c_str() + space + 1, nullptr, 10);
    if (id == 0) return; // the active document or book
    const SimSession& session = SimServerSession(run.server);
    for (const auto& d : doc ? session.documents : session.books)
        if (d->id == static_cast<ObjId>(id)) return;
    ReportWarning(run.r, "\"" + text + "\": no open " + (doc ? "document" : "book") + " has the id " +
                             std::to_string(id));
}

// Messages may name the files opened with --open: {1} is the id of the first.
std::string WithIds(const std::string& text, const std::vector<ObjId>& ids) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        size_t close = text[i] == '{' ? text.find('}', i) : std::string::npos;
        if (close != std::string::npos) {
            std::string inner = text.substr(i + 1, close - i - 1);
            char* end = nullptr;
            long n = std::strtol(inner.c_str(), &end, 10);
            if (!inner.empty() && end && *end == '\0' && n >= 1 && static_cast<size_t>(n) <= ids.size()) {
                out += std::to_string(ids[static_cast<size_t>(n) - 1]);
                i = close;
                continue;
            }
        }
        out += text[i];
    }
    return out;
}

} // namespace

int SendCommand(HostRun& run, const std::vector<std::string>& files) {
    std::vector<ObjId> ids;
    std::vector<std::pair<SimDoc*, DocSnapshot>> documents; // opened documents as they were opened
    for (const std::string& name : files) {
        SimDoc* doc = OpenAsUser(run, name);
        ids.push_back(doc ? doc->id : 0);
        if (doc && !doc->isBook) documents.push_back({doc, SnapshotDoc(*doc, DocTitle(name))});
    }
    std::set<ObjId> before = OpenIds(run);
    bool passes = false;
    for (const std::string& message : run.o.operands) {
        std::string text = WithIds(message, ids);
        CheckMessageId(run, text);
        passes |= RunsAPass(text);
        Send(run, text);
    }
    TakeReports(run, before);
    std::vector<DocChanges> docs;
    std::set<std::string> shown;
    for (auto& [doc, snapshot] : documents) {
        docs.push_back(ComparePages(snapshot, SnapshotDoc(*doc, snapshot.title)));
        shown.insert(doc->name);
    }
    std::vector<SimDoc*> opened = run.opened;
    for (SimDoc* doc : opened) SaveAsUser(run, doc);
    // Documents of a book that the plug-in saved.
    for (const std::string& name : run.tap.savedOrder)
        if (!shown.count(name)) AddSavedChanges(run, name, &docs);
    if (passes || !run.tap.savedOrder.empty()) PrintChanges(run, std::move(docs));
    return HostExitDone;
}
