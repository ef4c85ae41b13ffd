// Reading ahead: every file the command names, a book's documents and the
// mapping documents are read before the plug-in is loaded, so that a file
// that cannot be read stops the run before anything is written. A book's
// documents are only checked here and read again one at a time as the
// plug-in opens them.
#include "apps/vellor_host/host_read_ahead.h"

#include "apps/vellor_host/book_paths.h"
#include "apps/vellor_host/checks_in_order.h"
#include "apps/vellor_host/host_mapping.h"
#include "apps/vellor_host/host_session.h"

#include <filesystem>
#include <set>

namespace fs = std::filesystem;

namespace {

// Says what is wrong with the file behind the Windows-form `name`, read or
// checked with `status`, `isBook` and the store's words `why`; `shown` is what
// messages call it. 1 when nothing is.
int Judge(HostRun& run, const std::string& name, const std::string& shown, Want want, int status, bool isBook,
          std::string why, const std::string& where) {
    Catch(run); // what reading found odd and kept, said once per file
    if (status != SimOk) {
        std::string binary = DocTitle(name) + " is a binary FrameMaker ";
        if (!where.empty() && why.compare(0, binary.size(), binary) == 0)
            why.insert(DocTitle(name).size(), " " + where);
        ReportError(run.r, why);
        return 0;
    }
    if (want == WantComponent && isBook) {
        ReportError(run.r, shown + " is a book, named in the book as one of its documents: a book's entries "
                                   "must be documents; remove it from the book");
        return 0;
    }
    if (want == WantDocument && isBook) {
        ReportError(run.r, shown + " is a book: use apply-book or list-book");
        return 0;
    }
    if (want == WantBook && !isBook) {
        ReportError(run.r, shown + " is a document, not a book: use apply or list");
        return 0;
    }
    return 1;
}

// Reads or checks the file behind the Windows-form `name` through the store;
// `shown` is what messages call it.
int ReadAheadName(HostRun& run, const std::string& name, const std::string& shown, Want want, SimDoc* out,
                  const std::string& where) {
    SimDoc doc;
    std::string why;
    // A file that is only checked (a book's document) is not held.
    bool isBook = false;
    int status = out ? StoreTapRead(run.tap, name, &doc, &why) : StoreTapCheck(run.tap, name, &isBook, &why);
    if (out) isBook = doc.isBook;
    if (!Judge(run, name, shown, want, status, isBook, why, where)) return 0;
    if (out) *out = std::move(doc);
    return 1;
}

} // namespace

// `where`, when given, says where a binary FrameMaker file stands in the
// message about it (the host folder, or beside a book: files the user did
// not name on the command line).
int ReadAhead(HostRun& run, const std::string& local, Want want, std::string* windowsName, SimDoc* out,
              const std::string& where) {
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
    if (!ReadAheadName(run, name, local, want, out, where)) return 0;
    if (windowsName) *windowsName = name;
    return 1;
}

namespace {

// The documents of a book checked so far, told as ReadAheadName tells them.
struct ComponentsChecked {
    HostRun& run;
    const std::vector<std::string>& names;
};

int TellComponent(void* context, size_t i, int status, bool isBook, const std::string& why) {
    auto* checked = static_cast<ComponentsChecked*>(context);
    const std::string& name = checked->names[i];
    return Judge(checked->run, name, LocalName(StoreTapFileOf(checked->run.tap, name)), WantComponent, status,
                 isBook, why, "");
}

// Finds the documents of the book `bookName` (read already) on this machine
// (book_paths.h) into `names`, as the book names them, and checks that each
// reads as a document. `streamed`: none is held, each is read again when the
// plug-in opens it.
bool ReadBookDocumentsAhead(HostRun& run, const std::string& bookName, std::vector<std::string>* names,
                            bool streamed) {
    SimDoc book;
    StoreTapRead(run.tap, bookName, &book, nullptr);
    if (!FindBookDocuments(run, bookName, book, names)) return false;
    // Streamed, each is read and parsed here to know that it can be, and
    // read again when the plug-in opens it: the book is never in memory as a whole.
    if (streamed) run.tap.streamed.insert(names->begin(), names->end());
    for (const std::string& name : *names)
        if (streamed) ++run.tap.opensLeft[name];
    std::vector<std::string> once;
    std::set<std::string> seen;
    for (const std::string& name : *names)
        if (seen.insert(name).second) once.push_back(name);
    // Parsed two at a time, told in the book's order.
    ComponentsChecked checked{run, once};
    return StoreTapCheckInOrder(run.tap, once, TellComponent, &checked);
}

// The documents of the books `check` names, found and read as the book
// commands find them, and read again one at a time when checked.
int ReadCheckedBooksAhead(HostRun& run, const std::vector<std::string>& names) {
    int ok = 1;
    for (const std::string& name : names) {
        bool isBook = false;
        std::vector<std::string> documents;
        if (StoreTapCheck(run.tap, name, &isBook, nullptr) == SimOk && isBook)
            ok &= ReadBookDocumentsAhead(run, name, &documents, true);
    }
    return ok;
}

// map takes documents or one book, whose documents are then read as
// apply-book reads them.
int ReadMappedBookAhead(HostRun& run, const std::vector<std::string>& names) {
    for (const std::string& name : names) {
        bool isBook = false;
        if (StoreTapCheck(run.tap, name, &isBook, nullptr) != SimOk || !isBook) continue;
        if (names.size() == 1) return ReadBookDocumentsAhead(run, name, &run.bookDocuments, true);
        ReportError(run.r, LocalName(name) + " is a book: map takes one book alone, or documents; map each book "
                                             "on its own");
        return 0;
    }
    return 1;
}

int ReadEverything(HostRun& run, std::vector<std::string>* names) {
    const HostOptions& o = run.o;
    int ok = 1;
    bool book = o.command == HostCommandApplyBook || o.command == HostCommandListBook;
    bool any = o.command == HostCommandCheck || o.command == HostCommandMap;
    Want want = book ? WantBook : any ? WantAny : WantDocument;
    if (o.command != HostCommandSend && o.command != HostCommandMenus)
        for (const std::string& local : o.operands) {
            std::string name;
            // check reads its documents one at a time, each again when its turn comes.
            if (o.command == HostCommandCheck) run.tap.streamed.insert(HostWindowsName(local));
            if (ReadAhead(run, local, want, &name)) names->push_back(name);
            else ok = 0;
        }
    if (ok && o.command == HostCommandCheck) ok &= ReadCheckedBooksAhead(run, *names);
    if (ok && o.command == HostCommandMap) ok &= ReadMappedBookAhead(run, *names);
    if (o.command == HostCommandSend)
        for (const std::string& local : o.open) {
            std::string name;
            if (ReadAhead(run, local, WantAny, &name)) names->push_back(name);
            else ok = 0;
        }
    if (ok && book) ok &= ReadBookDocumentsAhead(run, names->front(), &run.bookDocuments, true);
    if (ok && book) run.tap.openOrder = run.bookDocuments;
    return ok;
}

} // namespace

// Whether the plug-in is going to open the mapping document: the passes and
// the command that shows it do, the listings never.
bool UsesMapping(const HostOptions& o) {
    bool uses = o.command == HostCommandApply || o.command == HostCommandApplyBook || o.command == HostCommandMap;
    if (o.command == HostCommandSend)
        for (const std::string& message : o.operands) uses |= RunsAPass(message) || message == "EditMasterPageDoc";
    return uses;
}

// Every file the command names, the mapping document in the host folder and
// the one --mapping names (or the one beside the files), read before the plug-in starts: a damaged one
// stops the run; a missing mapping document is the plug-in's to report.
bool ReadAheadAll(HostRun& run, std::vector<std::string>* names) {
    int ok = ReadEverything(run, names);
    std::error_code ec;
    fs::path hostMapping = fs::path(run.hostDir) / "MasterPage.fm";
    if (run.o.command != HostCommandMenus && fs::exists(hostMapping, ec)) {
        // A mapping document the plug-in will not open need only be known
        // to read; it is not held (it is read again should it be opened).
        // check lets the plug-in decide every document's pages, which opens
        // it once per document: it is held.
        bool opened = UsesMapping(run.o) || run.o.command == HostCommandCheck;
        if (!opened) run.tap.streamed.insert(HostWindowsName(hostMapping.string()));
        ok &= ReadAhead(run, hostMapping.string(), WantAny, nullptr, nullptr, "in the host folder " + run.hostDir);
    }
    ok = ok && ReadMappingAhead(run);
    // The plug-in opens a mapping document whenever it needs one: it may be
    // opened any number of times, a book's document though it be.
    run.tap.opensLeft.erase(HostWindowsName(hostMapping.string()));
    if (!run.mappingFile.empty()) run.tap.opensLeft.erase(HostWindowsName(run.mappingFile));
    // A book's first document is read while the plug-in starts (a load of
    // another file, as of the mapping documents above, would let it go).
    if (ok) StoreTapReadFirstAhead(run.tap);
    return ok;
}
