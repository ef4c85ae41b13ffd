// One run of vellor-host. Every file the command needs is read before the
// plug-in is loaded, so a file that cannot be read stops the run before
// anything is written. The plug-in then sees only what FrameMaker would show
// it: documents the user opened, menu commands and text messages (SetDocId
// or SetBookId, then the command word). The program saves what a user would
// save (documents it opened and the plug-in changed, the report when asked);
// the plug-in's book pass saves the book's documents itself.
#include "apps/vellor_host/host_session.h"

#include "apps/vellor_host/page_snapshot.h"
#include "apps/vellor_host/store_tap.h"
#include "hostsim/sim_loader.h"
#include "hostsim/sim_server.h"
#include "platform/win_names.h"

#include <cstdlib>
#include <filesystem>
#include <set>
#include <vector>

#ifndef VELLOR_HOST_DEFAULT_DIR
#define VELLOR_HOST_DEFAULT_DIR "."
#endif
#ifndef VELLOR_HOST_DEFAULT_PLUGIN
#define VELLOR_HOST_DEFAULT_PLUGIN "Vellor.so"
#endif

namespace fs = std::filesystem;

namespace {


struct Run {
    const HostOptions& o;
    HostReporter& r;
    StoreTap tap;
    SimServer* server = nullptr;
    SimModule module;
    bool loaded = false;
    size_t failuresSeen = 0;
    std::string hostDir;
    std::vector<std::string> bookDocuments; // the book's documents, in walk order
    std::vector<SimDoc*> opened; // documents and books the user opened, in order
    int reports = 0;

    Run(const HostOptions& options, HostReporter& reporter) : o(options), r(reporter) {}
};

std::string LocalName(const std::string& windowsName) {
    std::vector<char> out(windowsName.size() + 16);
    if (PlatformWindowsNameToLocal(windowsName.c_str(), out.data(), static_cast<int>(out.size())) < 0)
        return windowsName;
    return out.data();
}

void OnActivity(void* context) {
    Run* run = static_cast<Run*>(context);
    if (run->server) ReportHostActivity(run->r, SimServerControl(run->server));
}

// What the host recorded, and the saves that failed since the last look.
void Catch(Run& run) {
    OnActivity(&run);
    for (; run.failuresSeen < run.tap.failedSaves.size(); ++run.failuresSeen) {
        const StoreTap::FailedSave& f = run.tap.failedSaves[run.failuresSeen];
        ReportWarning(run.r, "could not save " + LocalName(f.name) + (f.why.empty() ? "" : " (" + f.why + ")"));
    }
}

// ---- Reading ahead

enum Want { WantDocument, WantBook, WantAny };

// `folder`, when given, is named in a message about a binary FrameMaker file
// there (the host folder, which the user did not name on the command line).
int ReadAhead(Run& run, const std::string& local, Want want, std::string* windowsName,
              const std::string& folder = std::string()) {
    std::error_code ec;
    if (!fs::exists(local, ec)) {
        ReportError(run.r, local + ": no such file");
        return 0;
    }
    if (fs::is_directory(local, ec)) {
        ReportError(run.r, local + ": is a folder, not a file");
        return 0;
    }
    std::string name = HostWindowsName(local);
    SimDoc doc;
    std::string why;
    if (StoreTapRead(run.tap, name, &doc, &why) != SimOk) {
        std::string binary = DocTitle(name) + " is a binary FrameMaker ";
        if (!folder.empty() && why.compare(0, binary.size(), binary) == 0)
            why.insert(DocTitle(name).size(), " in the host folder " + folder);
        ReportError(run.r, why);
        return 0;
    }
    if (want == WantDocument && doc.isBook) {
        ReportError(run.r, local + " is a book: use apply-book or list-book");
        return 0;
    }
    if (want == WantBook && !doc.isBook) {
        ReportError(run.r, local + " is a document, not a book: use apply or list");
        return 0;
    }
    if (windowsName) *windowsName = name;
    return 1;
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

int ReadBookAhead(Run& run, const std::string& bookName, int* documents) {
    SimDoc book;
    StoreTapRead(run.tap, bookName, &book, nullptr);
    std::vector<std::string>& names = run.bookDocuments;
    BookDocuments(book, book.components, &names);
    *documents = static_cast<int>(names.size());
    int ok = 1;
    for (const std::string& name : names) ok &= ReadAhead(run, LocalName(name), WantDocument, nullptr);
    return ok;
}

// ---- The session

SimDoc* OpenAsUser(Run& run, const std::string& windowsName) {
    SimDoc doc;
    if (StoreTapRead(run.tap, windowsName, &doc, nullptr) != SimOk) return nullptr;
    SimDoc* open = SimOpenDoc(SimServerSession(run.server), std::move(doc), true);
    run.opened.push_back(open);
    ReportVerbose(run.r, "opened " + LocalName(windowsName) + (open->isBook ? " as book " : " as document ") +
                             std::to_string(open->id));
    return open;
}

void Send(Run& run, const std::string& text) {
    ReportVerbose(run.r, "> " + text);
    SimClientMessage(run.server, SimToFrameRoman(text).c_str());
    Catch(run);
}

void SaveAsUser(Run& run, SimDoc* doc) {
    if (!doc || doc->isBook || doc->untitled || !doc->modified) return;
    if (StoreTapSave(run.tap, doc->name, *doc) == SimOk) doc->modified = false;
    Catch(run);
}

void Close(Run& run, SimDoc* doc) {
    for (auto it = run.opened.begin(); it != run.opened.end(); ++it)
        if (*it == doc) {
            run.opened.erase(it);
            break;
        }
    SimCloseDoc(SimServerSession(run.server), doc->id);
}

std::set<ObjId> OpenIds(Run& run) {
    std::set<ObjId> ids;
    for (const auto& d : SimServerSession(run.server).documents) ids.insert(d->id);
    return ids;
}

// The report of a listing: a document on screen that was not open before.
// Its text goes to stdout; it is saved only where --report says.
void TakeReports(Run& run, const std::set<ObjId>& before) {
    std::vector<ObjId> reports;
    for (const auto& d : SimServerSession(run.server).documents)
        if (!before.count(d->id) && d->visible && !d->isBook) reports.push_back(d->id);
    for (ObjId id : reports) {
        SimDoc* doc = SimDocById(run.server, id);
        std::vector<std::string> lines = SimFlowTexts(*doc);
        while (!lines.empty() && lines.back().empty()) lines.pop_back();
        if (run.reports++) std::fputs("\n", stdout);
        for (const std::string& line : lines) std::printf("%s\n", line.c_str());
        std::fflush(stdout);
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

void PrintChanges(Run& run) {
    std::vector<DocChanges> docs;
    for (const std::string& name : run.tap.savedOrder) {
        auto before = run.tap.before.find(name);
        auto after = run.tap.after.find(name);
        if (before == run.tap.before.end() || after == run.tap.after.end()) continue;
        docs.push_back(ComparePages(before->second, after->second));
    }
    if (run.r.verbosity == HostQuiet) return;
    if (docs.empty()) {
        std::printf("%s\n", run.o.dryRun ? "Nothing would be saved." : "Nothing was saved.");
        return;
    }
    std::fputs(FormatChangeTable(docs, run.r.verbosity == HostVerbose, run.o.dryRun).c_str(), stdout);
    std::fflush(stdout);
}

// Why the plug-in may have saved nothing: without the host's converters it
// cannot give the host a document's name, and it does not save under none.
std::string WhyUnsaved(const std::string& hostDir) {
    std::error_code ec;
    for (fs::recursive_directory_iterator it(fs::path(hostDir) / "icu_data", ec), end; !ec && it != end;
         it.increment(ec))
        if (it->path().filename() == "adobe-fm-roman-windows.cnv") return "";
    return ": the host folder " + hostDir + " has no converters (icu_data), so the plug-in cannot convert the file's name";
}

// The plug-in saves every document of the book it walks; one that it did not
// save has lost its changes, and that is a failure however quiet the plug-in was.
void ReportUnsaved(Run& run) {
    std::set<std::string> reported;
    for (const StoreTap::FailedSave& f : run.tap.failedSaves) reported.insert(f.name);
    std::string why;
    for (const std::string& name : run.bookDocuments) {
        if (run.tap.after.count(name) || !reported.insert(name).second) continue;
        if (why.empty()) why = "was not saved" + WhyUnsaved(run.hostDir);
        ReportWarning(run.r, LocalName(name) + " " + why);
    }
}

// ---- Commands

void Apply(Run& run, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        SimDoc* doc = OpenAsUser(run, name);
        if (!doc) continue;
        Send(run, "SetDocId " + std::to_string(doc->id));
        Send(run, "ApplyMasterPagesDoc");
        SaveAsUser(run, doc);
        Close(run, doc);
    }
    PrintChanges(run);
}

void List(Run& run, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        SimDoc* doc = OpenAsUser(run, name);
        if (!doc) continue;
        std::set<ObjId> before = OpenIds(run);
        Send(run, "SetDocId " + std::to_string(doc->id));
        Send(run, "ListMasterPagesDoc");
        TakeReports(run, before);
        Close(run, doc);
    }
}

void Book(Run& run, const std::string& name, int documents, bool apply) {
    SimDoc* book = OpenAsUser(run, name);
    if (!book) return;
    std::set<ObjId> before = OpenIds(run);
    BeginProgress(run.r, documents);
    Send(run, "SetBookId " + std::to_string(book->id));
    Send(run, apply ? "ApplyMasterPagesBook" : "ListMasterPagesBook");
    EndProgress(run.r);
    if (apply) ReportUnsaved(run);
    if (apply) PrintChanges(run);
    else TakeReports(run, before);
}

ObjId FindPage(const SimDoc& doc, const std::string& want) {
    for (ObjId page : doc.bodyPages)
        if (SimPageNumberText(doc, page) == want) return page;
    char* end = nullptr;
    long n = std::strtol(want.c_str(), &end, 10);
    if (end && *end == '\0' && n >= 1 && static_cast<size_t>(n) <= doc.bodyPages.size())
        return doc.bodyPages[static_cast<size_t>(n) - 1];
    return 0;
}

int InsertMarker(Run& run, const std::string& name) {
    SimDoc* doc = OpenAsUser(run, name);
    if (!doc) return 0;
    ObjId page = FindPage(*doc, run.o.page);
    std::string title = DocTitle(name);
    if (!page) {
        ReportError(run.r, title + " has no page " + run.o.page);
        return 0;
    }
    std::vector<ObjId> paragraphs = SimPageParagraphs(*doc, page);
    if (paragraphs.empty()) {
        ReportError(run.r, "page " + run.o.page + " of " + title + " holds no text to anchor a marker in");
        return 0;
    }
    // The user clicks at the start of the page's first paragraph.
    doc->selection = TextRange{{paragraphs.front(), 0}, {paragraphs.front(), 0}};
    doc->currentPage = page;
    size_t markers = doc->markers.size();
    SimScriptPrompt(SimServerControl(run.server), run.o.category.c_str(), true);
    Send(run, "SetDocId " + std::to_string(doc->id));
    Send(run, "InsertMPMarker");
    if (doc->markers.size() > markers)
        ReportNote(run.r, "inserted a MasterPage marker \"" + run.o.category + "\" on page " +
                              SimPageNumberText(*doc, page) + " of " + title);
    SaveAsUser(run, doc);
    if (!run.tap.savedOrder.empty() && run.r.verbosity != HostQuiet)
        std::printf("%s %s\n", run.o.dryRun ? "Would save" : "Saved", LocalName(name).c_str());
    Close(run, doc);
    return 1;
}

// Messages may name the files opened with --open: {1} is the id of the first.
std::string WithIds(Run& run, const std::string& text, const std::vector<ObjId>& ids) {
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
    (void)run;
    return out;
}

void SendMessages(Run& run, const std::vector<std::string>& files) {
    std::vector<ObjId> ids;
    for (const std::string& name : files) {
        SimDoc* doc = OpenAsUser(run, name);
        ids.push_back(doc ? doc->id : 0);
    }
    std::set<ObjId> before = OpenIds(run);
    for (const std::string& message : run.o.operands) Send(run, WithIds(run, message, ids));
    TakeReports(run, before);
    std::vector<SimDoc*> opened = run.opened;
    for (SimDoc* doc : opened) SaveAsUser(run, doc);
    if (!run.tap.savedOrder.empty()) PrintChanges(run);
}

void PrintMenu(const SimSession& session, ObjId id, int depth) {
    auto it = session.menus.find(id);
    if (it == session.menus.end()) return;
    const SimMenuObject& m = it->second;
    std::string indent(static_cast<size_t>(depth) * 2, ' ');
    switch (m.kind) {
    case SimMenuSeparator: std::printf("%s----\n", indent.c_str()); return;
    case SimMenuCommand:
        std::printf("%s%s  [%s, command %d]\n", indent.c_str(), m.label.c_str(), m.name.c_str(), m.command);
        return;
    case SimMenuMenu:
        std::printf("%s%s%s%s\n", indent.c_str(), m.label.empty() ? "" : m.label.c_str(), m.label.empty() ? "" : "  ",
                    ("(" + m.name + ")").c_str());
        for (ObjId item : m.items) PrintMenu(session, item, depth + 1);
        return;
    }
}

void Menus(Run& run) {
    const SimSession& session = SimServerSession(run.server);
    for (const char* bar : {"!MakerMainMenu", "!QuickMakerMainMenu", "!BookMainMenu"})
        PrintMenu(session, SimMenuByName(session, bar), 0);
}

// ---- The run

int ReadEverything(Run& run, std::vector<std::string>* names, int* bookDocuments) {
    const HostOptions& o = run.o;
    int ok = 1;
    bool book = o.command == HostCommandApplyBook || o.command == HostCommandListBook;
    if (o.command != HostCommandSend && o.command != HostCommandMenus)
        for (const std::string& local : o.operands) {
            std::string name;
            if (ReadAhead(run, local, book ? WantBook : WantDocument, &name)) names->push_back(name);
            else ok = 0;
        }
    if (o.command == HostCommandSend)
        for (const std::string& local : o.open) {
            std::string name;
            if (ReadAhead(run, local, WantAny, &name)) names->push_back(name);
            else ok = 0;
        }
    if (ok && book) ok &= ReadBookAhead(run, names->front(), bookDocuments);
    if (!o.mapping.empty()) ok &= ReadAhead(run, o.mapping, WantDocument, nullptr);
    return ok;
}

} // namespace

std::string HostWindowsName(const std::string& localPath) {
    std::error_code ec;
    fs::path absolute = fs::absolute(localPath, ec).lexically_normal();
    std::string local = ec ? localPath : absolute.string();
    std::vector<char> out(local.size() * 2 + 16);
    if (PlatformLocalNameToWindows(local.c_str(), out.data(), static_cast<int>(out.size())) < 0) return local;
    return out.data();
}

int RunHostCommand(const HostOptions& o, const HostFileStore& files, HostReporter& reporter) {
    Run run(o, reporter);
    run.tap.inner = files.store;
    run.tap.innerError = files.lastError;
    run.tap.dryRun = o.dryRun;
    run.tap.onActivity = OnActivity;
    run.tap.activityContext = &run;

    std::string hostDir = run.hostDir = o.hostDir.empty() ? VELLOR_HOST_DEFAULT_DIR : o.hostDir;
    std::error_code ec;
    if (!fs::is_directory(hostDir, ec)) {
        ReportError(reporter, hostDir + ": no such host directory");
        return HostExitUsage;
    }
    // The mapping document in the host directory is read ahead too: a damaged
    // one stops the run; a missing one is the plug-in's to report.
    std::vector<std::string> names;
    int bookDocuments = 0;
    int ok = ReadEverything(run, &names, &bookDocuments);
    fs::path hostMapping = fs::path(hostDir) / "MasterPage.fm";
    if (o.command != HostCommandMenus && fs::exists(hostMapping, ec))
        ok &= ReadAhead(run, hostMapping.string(), WantAny, nullptr, hostDir);
    if (!ok) return HostExitUsage;

    std::string plugin = o.plugin.empty() ? VELLOR_HOST_DEFAULT_PLUGIN : o.plugin;
    run.server = SimServerCreate(HostWindowsName(hostDir).c_str());
    SimServerSetStore(run.server, StoreTapMake(&run.tap));
    int loaded = fs::exists(plugin, ec) ? SimLoadModule(run.server, HostWindowsName(plugin).c_str(), &run.module)
                                        : SimLoadNoModule;
    if (loaded != SimLoadRegistered) {
        static const char* why[] = {"", "cannot be loaded", "has no F_ApiClientInit", "refused to start"};
        ReportError(reporter, plugin + ": the plug-in " + why[loaded >= 1 && loaded <= 3 ? loaded : 1]);
        SimServerRelease(run.server);
        return HostExitUsage;
    }
    run.loaded = true;
    Catch(run);

    if (!o.mapping.empty()) OpenAsUser(run, HostWindowsName(o.mapping));

    int status = HostExitDone;
    switch (o.command) {
    case HostCommandApply: Apply(run, names); break;
    case HostCommandApplyBook: Book(run, names.front(), bookDocuments, true); break;
    case HostCommandList: List(run, names); break;
    case HostCommandListBook: Book(run, names.front(), bookDocuments, false); break;
    case HostCommandInsertMarker:
        if (!InsertMarker(run, names.front())) status = HostExitUsage;
        break;
    case HostCommandSend: SendMessages(run, names); break;
    case HostCommandMenus: Menus(run); break;
    case HostCommandNone: break;
    }
    Catch(run);
    SimUnloadModule(run.server, &run.module);
    Catch(run);
    SimServerRelease(run.server);
    run.server = nullptr;
    return status != HostExitDone ? status : HostExitStatus(reporter);
}
