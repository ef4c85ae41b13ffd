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
std::vector<std::string> DocumentsOf(HostRun& run, const std::string& name) {
    std::vector<std::string> docs;
    SimDoc doc;
    if (StoreTapRead(run.tap, name, &doc, nullptr) == SimOk && doc.isBook) BookDocuments(doc, doc.components, &docs);
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
    if (run.o.report.empty()) return true;
    for (const std::string& name : InputFiles(run, names)) {
        std::string local = LocalName(StoreTapFileOf(run.tap, name)); // a book's document: the file found
        if (!SameFile(run.o.report, local)) continue;
        ReportError(run.r, "--report " + run.o.report + " is " + local +
                           ", which this run reads: the report would replace it. Name a new file for the "
                           "report; nothing was written");
        return false;
    }
    return true;
}

std::set<std::string> WritableFiles(HostRun& run, const std::vector<std::string>& names) {
    std::set<std::string> files;
    if (!run.o.report.empty()) files.insert(HostWindowsName(run.o.report));
    HostCommand c = run.o.command;
    if (c == HostCommandList || c == HostCommandListBook || c == HostCommandCheck || c == HostCommandMenus)
        return files;
    for (const std::string& name : names) {
        std::vector<std::string> docs = DocumentsOf(run, name);
        if (docs.empty()) files.insert(name);
        files.insert(docs.begin(), docs.end());
    }
    return files;
}
