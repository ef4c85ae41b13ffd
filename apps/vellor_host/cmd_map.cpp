// `vellor-host map DOC...|BOOK -o FILE.html`: the pass of apply or
// apply-book (saving what changed, or nothing with --dry-run), its record
// printed as they print it, then the page map of every body page written
// as one web page through the file store, as every file the program writes.
#include "apps/vellor_host/host_run.h"

#include "apps/vellor_host/change_table.h"
#include "apps/vellor_host/host_install.h"
#include "apps/vellor_host/host_session.h"
#include "apps/vellor_host/map_html.h"
#include "hostsim/mif/mif_store.h"

namespace {

// Each document of a book with the folders (and groups) it stands in, in
// the order the plug-in walks them.
void BookFolders(const SimDoc& book, const std::vector<ObjId>& level, std::vector<std::string>& folders,
                 std::vector<std::pair<std::string, std::vector<std::string>>>* out) {
    for (ObjId id : level) {
        const SimObject* c = SimLocal(book, id);
        if (!c) continue;
        if (c->componentType == SimComponentDocument) {
            out->push_back({c->name, folders});
        } else if (c->componentType == SimComponentFolder || c->componentType == SimComponentGroup) {
            folders.push_back(c->name);
            BookFolders(book, c->children, folders, out);
            folders.pop_back();
        }
    }
}

// The map's documents in reading order: a book's in its order under its
// folders, or the documents as given.
MapInput MapOf(HostRun& run, const std::string& name, const SimDoc* book, const std::vector<DocChanges>& docs) {
    MapInput map;
    map.dryRun = run.o.dryRun;
    auto entry = [&](const DocChanges& d, std::vector<std::string> folders) {
        auto layout = run.layouts.find(d.name);
        map.entries.push_back({std::move(folders), &d, layout == run.layouts.end() ? nullptr : &layout->second});
    };
    if (!book) {
        for (const DocChanges& d : docs) {
            map.title += (map.title.empty() ? "" : ", ") + d.title;
            entry(d, {});
        }
        return map;
    }
    map.title = DocTitle(name);
    std::vector<std::pair<std::string, std::vector<std::string>>> order;
    std::vector<std::string> folders;
    BookFolders(*book, book->components, folders, &order);
    std::set<std::string> seen;
    for (const auto& [doc, in] : order)
        for (const DocChanges& d : docs)
            if (d.name == doc && seen.insert(doc).second) entry(d, in);
    return map;
}

// Writes the page map through the run's file store (a temporary file
// renamed into place); false, with the error reported, when it cannot.
bool WriteMap(HostRun& run, const std::string& html) {
    FileStore& store = static_cast<MifFileStore*>(run.tap.inner.context)->files;
    std::string why;
    int status = FileStoreWrite(store, LocalName(HostWindowsName(run.o.output)), html.data(), html.size(), &why);
    if (status == FileOk || status == FileUnchanged) return true;
    ReportError(run.r, "could not write the page map " + run.o.output + ": " + why);
    return false;
}

} // namespace

int MapCommand(HostRun& run, const std::vector<std::string>& names) {
    SimDoc book;
    bool isBook = names.size() == 1 && StoreTapRead(run.tap, names.front(), &book, nullptr) == SimOk && book.isBook;
    // The plug-in gives the host a book's documents' names through the
    // host folder's converters when it saves them, as apply-book needs.
    if (isBook && !HostFolderHasConverters(run.hostDir)) {
        ReportError(run.r, "the host folder " + run.hostDir + " has no converters (icu_data), which the plug-in "
                           "needs to save a book's documents; copy icu_data into it from " + run.sampleDir +
                           ", or leave --host-dir out");
        return HostExitUsage;
    }
    std::vector<DocChanges> docs;
    if (!isBook) ApplyDocumentsPass(run, names, &docs);
    else if (!ApplyBookPass(run, names.front(), &docs)) return HostExitDone;
    PrintChanges(run, docs);
    NameDocuments(&docs);
    MapInput map = MapOf(run, names.front(), isBook ? &book : nullptr, docs);
    std::string html = MapHtml(map);
    if (!WriteMap(run, html)) return HostExitWarning;
    size_t pages = 0, changed = 0;
    for (const DocChanges& d : docs) {
        pages += d.pages.size();
        changed += ChangedPages(d);
    }
    ReportNote(run.r, "page map of " + std::to_string(map.entries.size()) + " documents, " + std::to_string(pages) +
                          " body pages (" + std::to_string(changed) + (run.o.dryRun ? " would change" : " changed") +
                          "): " + run.o.output);
    return HostExitDone;
}
