// One run of vellor-host. Every file the command needs is read before the
// plug-in is loaded, so a file that cannot be read stops the run before
// anything is written; a book's documents are then dropped and read again
// one at a time as the plug-in opens them. The plug-in then sees only what FrameMaker would show
// it: documents the user opened, menu commands and text messages (SetDocId
// or SetBookId, then the command word). The program saves what a user would
// save (documents it opened and the plug-in changed, the report when asked);
// the plug-in's book pass saves the book's documents itself.
#include "apps/vellor_host/host_session.h"

#include "apps/vellor_host/mapping_check.h"
#include "apps/vellor_host/mapping_tables.h"
#include "apps/vellor_host/page_snapshot.h"
#include "apps/vellor_host/store_tap.h"
#include "hostsim/sim_loader.h"
#include "hostsim/sim_server.h"
#include "hostsim/sim_text.h"
#include "platform/win_names.h"

#include <cstdlib>
#include <filesystem>
#include <set>
#include <vector>

namespace fs = std::filesystem;

namespace {


struct Run {
    const HostOptions& o;
    HostReporter& r;
    StoreTap tap;
    SimServer* server = nullptr;
    SimModule module;
    size_t failuresSeen = 0;
    std::vector<SimDoc*> opened; // documents and books the user opened, in order
    int reports = 0;
    std::string hostDir;
    std::vector<std::string> bookDocuments; // the book's documents in book order (Windows form)

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
int ReadAhead(Run& run, const std::string& local, Want want, std::string* windowsName, SimDoc* out = nullptr,
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
    // A file that is only checked (a book's document) is not held.
    bool isBook = false;
    int status = out ? StoreTapRead(run.tap, name, &doc, &why) : StoreTapCheck(run.tap, name, &isBook, &why);
    if (out) isBook = doc.isBook;
    if (status != SimOk) {
        std::string binary = DocTitle(name) + " is a binary FrameMaker ";
        if (!folder.empty() && why.compare(0, binary.size(), binary) == 0)
            why.insert(DocTitle(name).size(), " in the host folder " + folder);
        ReportError(run.r, why);
        return 0;
    }
    if (want == WantDocument && isBook) {
        ReportError(run.r, local + " is a book: use apply-book or list-book");
        return 0;
    }
    if (want == WantBook && !isBook) {
        ReportError(run.r, local + " is a document, not a book: use apply or list");
        return 0;
    }
    if (windowsName) *windowsName = name;
    if (out) *out = std::move(doc);
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

int ReadBookAhead(Run& run, const std::string& bookName, std::vector<std::string>* names) {
    SimDoc book;
    StoreTapRead(run.tap, bookName, &book, nullptr);
    BookDocuments(book, book.components, names);
    // Each is read and parsed here to know that it can be, and read again
    // when the plug-in opens it: the book is never in memory as a whole.
    run.tap.streamed.insert(names->begin(), names->end());
    int ok = 1;
    for (const std::string& name : *names) ok &= ReadAhead(run, LocalName(name), WantDocument, nullptr);
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

// A "SetDocId" or "SetBookId" message of `send` that names no open document
// or book: the plug-in would take the id and fail silently on the next command.
void CheckMessageId(Run& run, const std::string& text) {
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

bool SaveFailed(const Run& run, const std::string& name) {
    for (const StoreTap::FailedSave& f : run.tap.failedSaves)
        if (f.name == name) return true;
    return false;
}

// A document the plug-in saved (a book's): as it was read against as it was
// saved last; one it did not save is as it was read. One whose save failed
// has no state to show (its warning names it).
void AddSavedChanges(Run& run, const std::string& name, std::vector<DocChanges>* docs) {
    auto before = run.tap.before.find(name);
    if (before == run.tap.before.end() || SaveFailed(run, name)) return;
    auto after = run.tap.after.find(name);
    docs->push_back(ComparePages(before->second, after != run.tap.after.end() ? after->second : before->second));
}

void PrintChanges(Run& run, const std::vector<DocChanges>& docs) {
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
    std::vector<DocChanges> docs;
    for (const std::string& name : names) {
        SimDoc* doc = OpenAsUser(run, name);
        if (!doc) continue;
        DocSnapshot before = SnapshotDoc(*doc, DocTitle(name));
        // Open alone, a document with a "Page Type" table is the first open
        // document the plug-in finds: its own rules decide its pages.
        if (run.o.mapping.empty() && HoldsPageTypeTable(*doc))
            ReportLine(run.r, "Mapping document for " + before.title + ": itself (an open document with a \"Page Type\" table)");
        Send(run, "SetDocId " + std::to_string(doc->id));
        Send(run, "ApplyMasterPagesDoc");
        docs.push_back(ComparePages(before, SnapshotDoc(*doc, DocTitle(name))));
        SaveAsUser(run, doc);
        Close(run, doc);
    }
    PrintChanges(run, docs);
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

void Book(Run& run, const std::string& name, bool apply) {
    SimDoc* book = OpenAsUser(run, name);
    if (!book) return;
    std::set<ObjId> before = OpenIds(run);
    BeginProgress(run.r, static_cast<int>(run.bookDocuments.size()));
    Send(run, "SetBookId " + std::to_string(book->id));
    Send(run, apply ? "ApplyMasterPagesBook" : "ListMasterPagesBook");
    EndProgress(run.r);
    if (!apply) return TakeReports(run, before);
    ReportUnsaved(run);
    std::vector<DocChanges> docs;
    std::set<std::string> seen;
    // A book's documents are all saved by the plug-in; one it did not save
    // has been named by ReportUnsaved and has no state to show.
    for (const std::string& doc : run.bookDocuments)
        if (seen.insert(doc).second && run.tap.after.count(doc)) AddSavedChanges(run, doc, &docs);
    PrintChanges(run, docs);
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
    std::set<ObjId> markers(doc->markers.begin(), doc->markers.end());
    SimScriptPrompt(SimServerControl(run.server), run.o.category.c_str(), true);
    Send(run, "SetDocId " + std::to_string(doc->id));
    Send(run, "InsertMPMarker");
    // The text as the document now holds it, not as it was typed.
    for (ObjId m : doc->markers) {
        const SimObject* marker = SimLocal(*doc, m);
        if (markers.count(m) || !marker) continue;
        ReportNote(run.r, "inserted a MasterPage marker \"" + marker->text + "\" on page " +
                              SimPageNumberText(*doc, page) + " of " + title);
    }
    SaveAsUser(run, doc);
    if (!run.tap.savedOrder.empty() && run.r.verbosity != HostQuiet)
        std::printf("%s %s\n", run.o.dryRun ? "Would save" : "Saved", LocalName(name).c_str());
    Close(run, doc);
    return 1;
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

bool RunsAPass(const std::string& message) {
    return message == "ApplyMasterPagesDoc" || message == "ApplyMasterPagesBook";
}

void SendMessages(Run& run, const std::vector<std::string>& files) {
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
    if (passes || !run.tap.savedOrder.empty()) PrintChanges(run, docs);
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

int ReadEverything(Run& run, std::vector<std::string>* names) {
    const HostOptions& o = run.o;
    int ok = 1;
    bool book = o.command == HostCommandApplyBook || o.command == HostCommandListBook;
    Want want = book ? WantBook : o.command == HostCommandCheck ? WantAny : WantDocument;
    if (o.command != HostCommandSend && o.command != HostCommandMenus)
        for (const std::string& local : o.operands) {
            std::string name;
            if (ReadAhead(run, local, want, &name)) names->push_back(name);
            else ok = 0;
        }
    if (o.command == HostCommandSend)
        for (const std::string& local : o.open) {
            std::string name;
            if (ReadAhead(run, local, WantAny, &name)) names->push_back(name);
            else ok = 0;
        }
    if (ok && book) ok &= ReadBookAhead(run, names->front(), &run.bookDocuments);
    return ok;
}

// ---- The mapping document

const char kPageTypeMissing[] = "has no \"Page Type\" table, which is what makes a document the mapping "
                                "document (a table whose first heading cell begins with Page Type; it may "
                                "have no rows below its heading)";

// --mapping: read ahead, and refused unless the plug-in would take it.
int ReadMappingOption(Run& run) {
    if (run.o.mapping.empty()) return 1;
    SimDoc doc;
    if (!ReadAhead(run, run.o.mapping, WantDocument, nullptr, &doc)) return 0;
    if (HoldsPageTypeTable(doc)) return 1;
    ReportError(run.r, run.o.mapping + " " + kPageTypeMissing);
    return 0;
}

// The mapping document the plug-in finds, and where: the first open document
// with a "Page Type" table (the one --mapping opened, else one of the files
// `send` opened), else MasterPage.fm from the host folder. `mapping` gets it
// (null when there is none) and `*line` says which it is.
int FindMappingFor(Run& run, const std::vector<std::string>& open, SimDoc* mapping, std::string* line) {
    const HostOptions& o = run.o;
    if (!o.mapping.empty()) {
        StoreTapRead(run.tap, HostWindowsName(o.mapping), mapping, nullptr);
        *line = "Mapping document: " + o.mapping + " (from --mapping)";
        return 1;
    }
    for (const std::string& name : open) {
        if (StoreTapRead(run.tap, name, mapping, nullptr) != SimOk || mapping->isBook) continue;
        if (!HoldsPageTypeTable(*mapping)) continue;
        *line = "Mapping document: " + LocalName(name) + " (an open document with a \"Page Type\" table)";
        return 1;
    }
    std::error_code ec;
    fs::path file = fs::path(run.hostDir) / "MasterPage.fm";
    if (!fs::exists(file, ec)) {
        *line = "Mapping document: none (the host folder " + run.hostDir + " has no MasterPage.fm)";
        return 0;
    }
    if (StoreTapRead(run.tap, HostWindowsName(file.string()), mapping, nullptr) != SimOk ||
        !HoldsPageTypeTable(*mapping)) {
        *line = "Mapping document: none (" + file.string() + " in the host folder " + kPageTypeMissing + ")";
        return 0;
    }
    *line = "Mapping document: " + file.string() + " (from the host folder)";
    return 1;
}

// ---- check

// The documents named, a book standing for its documents, each once.
std::vector<std::string> CheckedNames(Run& run, const std::vector<std::string>& names) {
    std::vector<std::string> docs;
    std::set<std::string> seen;
    for (const std::string& name : names) {
        SimDoc doc;
        StoreTapRead(run.tap, name, &doc, nullptr);
        std::vector<std::string> parts;
        if (doc.isBook) BookDocuments(doc, doc.components, &parts);
        else parts.push_back(name);
        for (const std::string& part : parts)
            if (seen.insert(part).second) docs.push_back(part);
    }
    return docs;
}

int Check(Run& run, const std::vector<std::string>& names) {
    std::vector<std::string> docNames = CheckedNames(run, names);
    int ok = 1;
    for (const std::string& name : docNames)
        if (!run.tap.cache.count(name)) ok &= ReadAhead(run, LocalName(name), WantDocument, nullptr);
    if (!ok) return HostExitUsage;
    SimDoc mapping;
    std::string line;
    if (!FindMappingFor(run, {}, &mapping, &line)) {
        ReportError(run.r, "no mapping document " + line.substr(line.find('(')) + "; name one with --mapping FILE");
        return HostExitUsage;
    }
    ReportLine(run.r, line);
    std::vector<SimDoc> docs(docNames.size());
    std::vector<CheckedDoc> checked;
    for (size_t i = 0; i < docNames.size(); ++i) {
        StoreTapRead(run.tap, docNames[i], &docs[i], nullptr);
        checked.push_back({DocTitle(docNames[i]), &docs[i]});
    }
    std::string title = DocTitle(mapping.name);
    std::vector<std::string> findings = CheckMappingDocument(mapping, checked);
    for (const std::string& finding : findings) std::printf("%s: %s\n", title.c_str(), finding.c_str());
    std::string against = " for " + std::to_string(docs.size()) + (docs.size() == 1 ? " document" : " documents");
    if (findings.empty()) std::printf("Nothing found in %s%s.\n", title.c_str(), against.c_str());
    else
        std::printf("%zu finding%s in %s%s.\n", findings.size(), findings.size() == 1 ? "" : "s", title.c_str(),
                    against.c_str());
    std::fflush(stdout);
    return findings.empty() ? HostExitDone : HostExitWarning;
}

// ---- insert-marker's text

// The characters of UTF-8 text that FrameRoman, the plug-in's text
// encoding, cannot carry, each once ("日 (U+65E5)"), or "".
std::string CharactersFrameRomanLacks(const std::string& text) {
    std::string lacking;
    std::set<std::string> seen;
    for (size_t i = 0; i < text.size();) {
        unsigned char lead = static_cast<unsigned char>(text[i]);
        size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        bool whole = length && i + length <= text.size();
        for (size_t k = 1; whole && k < length; ++k) whole = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        std::string c = text.substr(i, whole ? length : 1);
        i += c.size();
        std::string shown;
        if (!whole) {
            char byte[16];
            std::snprintf(byte, sizeof byte, "byte 0x%02X", lead);
            shown = byte;
        } else if (SimFromFrameRoman(SimToFrameRoman(c)) != c) {
            uint32_t code = length == 1 ? lead : lead & (0x7F >> length);
            for (size_t k = 1; k < length; ++k) code = (code << 6) | (static_cast<unsigned char>(c[k]) & 0x3F);
            char number[16];
            std::snprintf(number, sizeof number, " (U+%04X)", code);
            shown = c + number;
        }
        if (shown.empty() || !seen.insert(shown).second) continue;
        lacking += (lacking.empty() ? "" : ", ") + shown;
    }
    return lacking;
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

namespace {

// What can be refused before any file is read: a marker text FrameRoman
// cannot carry, a host folder that is not there.
bool UsableOptions(Run& run) {
    const HostOptions& o = run.o;
    if (o.command == HostCommandInsertMarker) {
        std::string lacking = CharactersFrameRomanLacks(o.category);
        if (!lacking.empty()) {
            ReportError(run.r, "--category \"" + o.category + "\": the plug-in's text encoding, FrameRoman, has no " +
                                   lacking + "; nothing was inserted");
            return false;
        }
    }
    std::error_code ec;
    if (!fs::is_directory(run.hostDir, ec)) {
        ReportError(run.r, run.hostDir + ": no such host directory");
        return false;
    }
    return true;
}

// Every file the command names, the mapping document in the host folder and
// the one --mapping names, read before the plug-in starts: a damaged one
// stops the run; a missing mapping document is the plug-in's to report.
// Whether the plug-in is going to open the mapping document: the passes and
// the command that shows it do, the listings never.
bool UsesMapping(const HostOptions& o) {
    bool uses = o.command == HostCommandApply || o.command == HostCommandApplyBook;
    if (o.command == HostCommandSend)
        for (const std::string& message : o.operands) uses |= RunsAPass(message) || message == "EditMasterPageDoc";
    return uses;
}

bool ReadAheadAll(Run& run, std::vector<std::string>* names) {
    int ok = ReadEverything(run, names);
    std::error_code ec;
    fs::path hostMapping = fs::path(run.hostDir) / "MasterPage.fm";
    if (run.o.command != HostCommandMenus && fs::exists(hostMapping, ec)) {
        // A mapping document the plug-in will not open need only be known
        // to read; it is not held (it is read again should it be opened).
        if (!UsesMapping(run.o)) run.tap.streamed.insert(HostWindowsName(hostMapping.string()));
        ok &= ReadAhead(run, hostMapping.string(), WantAny, nullptr, nullptr, run.hostDir);
    }
    return ok && ReadMappingOption(run);
}

// Names the mapping document the plug-in is going to use, before it runs.
void AnnounceMapping(Run& run, const std::vector<std::string>& names) {
    const HostOptions& o = run.o;
    if (!UsesMapping(o)) return;
    SimDoc mapping;
    std::string line;
    FindMappingFor(run, o.command == HostCommandSend ? names : std::vector<std::string>{}, &mapping, &line);
    ReportLine(run.r, line);
}

// The simulated host with the plug-in loaded into it; false, with the
// server gone, when the plug-in cannot be loaded or started.
bool StartHost(Run& run, const std::string& plugin) {
    run.server = SimServerCreate(HostWindowsName(run.hostDir).c_str());
    SimServerSetStore(run.server, StoreTapMake(&run.tap));
    std::error_code ec;
    int loaded = fs::exists(plugin, ec) ? SimLoadModule(run.server, HostWindowsName(plugin).c_str(), &run.module)
                                        : SimLoadNoModule;
    if (loaded == SimLoadRegistered) return true;
    static const char* why[] = {"", "cannot be loaded", "has no F_ApiClientInit", "refused to start"};
    ReportError(run.r, plugin + ": the plug-in " + why[loaded >= 1 && loaded <= 3 ? loaded : 1]);
    SimServerRelease(run.server);
    run.server = nullptr;
    return false;
}

// The command itself, with the plug-in running; its exit status.
int RunCommand(Run& run, const std::vector<std::string>& names) {
    switch (run.o.command) {
    case HostCommandApply: Apply(run, names); break;
    case HostCommandApplyBook: Book(run, names.front(), true); break;
    case HostCommandList: List(run, names); break;
    case HostCommandListBook: Book(run, names.front(), false); break;
    case HostCommandInsertMarker:
        if (!InsertMarker(run, names.front())) return HostExitUsage;
        break;
    case HostCommandSend: SendMessages(run, names); break;
    case HostCommandMenus: Menus(run); break;
    case HostCommandCheck:
    case HostCommandNone: break;
    }
    return HostExitDone;
}

} // namespace

int RunHostCommand(const HostOptions& o, const HostDefaults& defaults, const HostFileStore& files,
                   HostReporter& reporter) {
    Run run(o, reporter);
    run.tap.inner = files.store;
    run.tap.innerError = files.lastError;
    run.tap.innerCheck = files.check;
    run.tap.dryRun = o.dryRun;
    run.tap.onActivity = OnActivity;
    run.tap.activityContext = &run;
    run.hostDir = o.hostDir.empty() ? defaults.hostDir : o.hostDir;

    std::vector<std::string> names;
    if (!UsableOptions(run) || !ReadAheadAll(run, &names)) return HostExitUsage;
    if (o.command == HostCommandCheck) return Check(run, names);
    AnnounceMapping(run, names);
    if (!StartHost(run, o.plugin.empty() ? defaults.plugin : o.plugin)) return HostExitUsage;
    Catch(run);
    if (!o.mapping.empty()) OpenAsUser(run, HostWindowsName(o.mapping));
    int status = RunCommand(run, names);
    Catch(run);
    SimUnloadModule(run.server, &run.module);
    Catch(run);
    SimServerRelease(run.server);
    run.server = nullptr;
    return status != HostExitDone ? status : HostExitStatus(reporter);
}
