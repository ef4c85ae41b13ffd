// `vellor-host check DOC|BOOK...`: the mapping document checked against the
// documents it is meant for, without running the plug-in.
#include "apps/vellor_host/host_run.h"

#include "apps/vellor_host/host_mapping.h"
#include "apps/vellor_host/mapping_check.h"

#include <cstdio>

namespace {

// The documents named, a book standing for its documents, each once.
std::vector<std::string> CheckedNames(HostRun& run, const std::vector<std::string>& names) {
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

} // namespace

int CheckCommand(HostRun& run, const std::vector<std::string>& names) {
    // Every one was found and read ahead, a book's documents as the book
    // commands find them.
    std::vector<std::string> docNames = CheckedNames(run, names);
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
