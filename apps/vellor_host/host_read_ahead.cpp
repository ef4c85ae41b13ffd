// Reading ahead: every file the command names, a book's documents and the
// mapping documents are read before the plug-in is loaded, so that a file
// that cannot be read stops the run before anything is written. A book's
// documents are only checked here and read again one at a time as the
// plug-in opens them.
#include "apps/vellor_host/host_read_ahead.h"

#include "apps/vellor_host/host_mapping.h"
#include "apps/vellor_host/host_session.h"

#include <filesystem>

namespace fs = std::filesystem;

// `folder`, when given, is named in a message about a binary FrameMaker file
// there (the host folder, which the user did not name on the command line).
int ReadAhead(HostRun& run, const std::string& local, Want want, std::string* windowsName, SimDoc* out,
              const std::string& folder) {
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
    Catch(run); // what reading found odd and kept, said once per file
    if (status != SimOk) {
        std::string binary = DocTitle(name) + " is a binary FrameMaker ";
        if (!folder.empty() && why.compare(0, binary.size(), binary) == 0)
            why.insert(DocTitle(name).size(), " in the host folder " + folder);
        ReportError(run.r, why);
        return 0;
    }
    if (want == WantComponent && isBook) {
        ReportError(run.r, local + " is a book, named in the book as one of its documents: a book's entries "
                                   "must be documents; remove it from the book");
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

namespace {

int ReadBookAhead(HostRun& run, const std::string& bookName, std::vector<std::string>* names) {
    SimDoc book;
    StoreTapRead(run.tap, bookName, &book, nullptr);
    BookDocuments(book, book.components, names);
    // Each is read and parsed here to know that it can be, and read again
    // when the plug-in opens it: the book is never in memory as a whole.
    run.tap.streamed.insert(names->begin(), names->end());
    int ok = 1;
    for (const std::string& name : *names) ok &= ReadAhead(run, LocalName(name), WantComponent, nullptr);
    return ok;
}

int ReadEverything(HostRun& run, std::vector<std::string>* names) {
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

} // namespace

// Whether the plug-in is going to open the mapping document: the passes and
// the command that shows it do, the listings never.
bool UsesMapping(const HostOptions& o) {
    bool uses = o.command == HostCommandApply || o.command == HostCommandApplyBook;
    if (o.command == HostCommandSend)
        for (const std::string& message : o.operands) uses |= RunsAPass(message) || message == "EditMasterPageDoc";
    return uses;
}

// Every file the command names, the mapping document in the host folder and
// the one --mapping names, read before the plug-in starts: a damaged one
// stops the run; a missing mapping document is the plug-in's to report.
bool ReadAheadAll(HostRun& run, std::vector<std::string>* names) {
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
