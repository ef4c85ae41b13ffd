// Refusals before anything runs, and the set of files a run may write. A
// name that FrameRoman cannot carry would reach the plug-in with question
// marks in place of its characters ("日本.mif" becomes "??.mif"), and the
// plug-in would open and save that other name.
#include "apps/vellor_host/host_refusals.h"

#include "apps/vellor_host/frame_roman_check.h"
#include "apps/vellor_host/host_session.h"

#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// The documents of a book the run has read (`name` Windows form), or none
// when it is a document.
std::vector<std::string> DocumentsOf(HostRun& run, const std::string& name, bool* isBook = nullptr) {
    std::vector<std::string> docs;
    SimDoc doc;
    bool book = StoreTapRead(run.tap, name, &doc, nullptr) == SimOk && doc.isBook;
    if (book) BookDocuments(doc, doc.components, &docs);
    if (isBook) *isBook = book;
    return docs;
}

// Every file the run reads, in Windows form, each once.
std::vector<std::string> InputFiles(HostRun& run, const std::vector<std::string>& names) {
    std::vector<std::string> files;
    std::set<std::string> seen;
    auto add = [&](const std::string& name) {
        if (seen.insert(name).second) files.push_back(name);
    };
    for (const std::string& name : names) {
        add(name);
        for (const std::string& doc : DocumentsOf(run, name)) add(doc);
    }
    // --mapping's, or the one beside the files: opened on screen first.
    if (!run.mappingFile.empty()) add(HostWindowsName(run.mappingFile));
    std::error_code ec;
    fs::path hostMapping = fs::path(run.hostDir) / "MasterPage.fm";
    if (fs::exists(hostMapping, ec)) add(HostWindowsName(hostMapping.string()));
    return files;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa, sb;
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    std::error_code ec;
    return fs::weakly_canonical(a, ec) == fs::weakly_canonical(b, ec);
}

} // namespace

bool NamesThePlugInCanCarry(HostRun& run, const std::vector<std::string>& names) {
    bool ok = true;
    std::string folder = HostWindowsName(run.hostDir);
    std::string lacking = CharactersFrameRomanLacks(folder);
    if (!lacking.empty()) {
        ReportError(run.r, "the host folder " + run.hostDir + " has in its name characters that FrameRoman, the "
                           "plug-in's text encoding, lacks: " + lacking +
                           "; the plug-in could not find its files there. Name a host folder with --host-dir "
                           "whose path holds none; nothing was written");
        ok = false;
    }
    for (const std::string& name : InputFiles(run, names)) {
        lacking = CharactersFrameRomanLacks(name);
        if (lacking.empty()) continue;
        ReportError(run.r, LocalName(name) + ": its name has characters that FrameRoman, the plug-in's text "
                           "encoding, lacks: " + lacking + "; the plug-in would open and save another name. "
                           "Rename the file or its folder (and the book's entry for it); nothing was written");
        ok = false;
    }
    return ok;
}

bool ReportReplacesNoInput(HostRun& run, const std::vector<std::string>& names) {
    // --report's listing, or map's -o page map.
    bool map = !run.o.output.empty();
    const std::string& target = map ? run.o.output : run.o.report;
    if (target.empty()) return true;
    for (const std::string& name : InputFiles(run, names)) {
        std::string local = LocalName(StoreTapFileOf(run.tap, name)); // a book's document: the file found
        if (!SameFile(target, local)) continue;
        std::string what = map ? "the page map" : "the report";
        ReportError(run.r, (map ? "-o " : "--report ") + target + " is " + local + ", which this run reads: " +
                               what + " would replace it. Name a new file for " + what + "; nothing was written");
        return false;
    }
    return true;
}

std::set<std::string> WritableFiles(HostRun& run, const std::vector<std::string>& names) {
    std::set<std::string> files;
    if (!run.o.report.empty()) files.insert(HostWindowsName(run.o.report));
    if (!run.o.output.empty()) files.insert(HostWindowsName(run.o.output));
    HostCommand c = run.o.command;
    if (c == HostCommandList || c == HostCommandListBook || c == HostCommandCheck || c == HostCommandMenus)
        return files;
    for (const std::string& name : names) {
        bool book = false;
        std::vector<std::string> docs = DocumentsOf(run, name, &book);
        if (!book) files.insert(name); // a book itself is never written, even one without documents
        files.insert(docs.begin(), docs.end());
    }
    return files;
}
