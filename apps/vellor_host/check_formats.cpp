// Writing check's findings as text, JSON and TSV, and reading a TSV list
// back as the findings accepted. A finding is known again by what stays
// when rows move: the mapping document, the table's heading, the row's key,
// the finding's text and the document; not by its line or numbers.
#include "apps/vellor_host/check_formats.h"

#include <cstdio>
#include <fstream>

namespace {

const char kTsvHeader[] = "file\tline\ttable\theading\trow\tkey\tfinding\tdocument";
const size_t kTsvFields = 8;

std::string Plural(size_t n, const char* word) {
    return std::to_string(n) + " " + word + (n == 1 ? "" : "s");
}

// The documents a line of text names: all of a few, else the first four.
std::string DocumentsText(const std::vector<std::string>& docs) {
    if (docs.empty()) return "";
    size_t shown = docs.size() <= 5 ? docs.size() : 4;
    std::string text = " (in ";
    for (size_t i = 0; i < shown; ++i) text += (i ? ", " : "") + docs[i];
    if (shown < docs.size()) text += " and " + std::to_string(docs.size() - shown) + " more";
    return text + ")";
}

std::string TsvField(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\') out += "\\\\";
        else if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

// The fields of a TSV line, escapes undone.
std::vector<std::string> TsvFields(const std::string& line) {
    std::vector<std::string> fields(1);
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\t') fields.emplace_back();
        else if (c == '\\' && i + 1 < line.size()) {
            char e = line[++i];
            fields.back() += e == 't' ? '\t' : e == 'n' ? '\n' : e == 'r' ? '\r' : e;
        } else fields.back() += c;
    }
    return fields;
}

std::string JsonString(const std::string& text) {
    std::string out = "\"";
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') out += {'\\', static_cast<char>(c)};
        else if (c == '\n') out += "\\n";
        else if (c == '\t') out += "\\t";
        else if (c < 0x20) {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        } else out += static_cast<char>(c);
    }
    return out + "\"";
}

std::string JsonStrings(const std::vector<std::string>& texts) {
    std::string out = "[";
    for (size_t i = 0; i < texts.size(); ++i) out += (i ? ", " : "") + JsonString(texts[i]);
    return out + "]";
}

std::string AcceptedKey(const std::string& mapping, const std::string& heading, const std::string& key,
                        const std::string& text, const std::string& document) {
    return TsvField(mapping) + "\t" + TsvField(heading) + "\t" + TsvField(key) + "\t" + TsvField(text) + "\t" +
           TsvField(document);
}

} // namespace

std::string CheckText(const CheckReport& report) {
    std::string out;
    for (const MappingFinding& f : report.findings)
        out += report.mapping + (f.line ? ":" + std::to_string(f.line) : "") + ": " + FindingPlace(f) + ": " + f.text +
               DocumentsText(f.documents) + "\n";
    std::string against = " for " + Plural(report.documents.size(), "document");
    std::string accepted = report.acceptFile.empty()
                               ? ""
                               : "; " + Plural(report.accepted, "accepted finding") + " left out (" +
                                     report.acceptFile + ")";
    const char* what = report.acceptFile.empty() ? "finding" : "new finding";
    if (report.findings.empty())
        out += std::string(report.acceptFile.empty() ? "Nothing found" : "Nothing new") + " in " + report.mapping +
               against + accepted + ".\n";
    else out += Plural(report.findings.size(), what) + " in " + report.mapping + against + accepted + ".\n";
    return out;
}

std::string CheckJson(const CheckReport& report) {
    std::string out = "{\n  \"schema\": 1,\n  \"command\": \"check\",\n  \"mapping\": " +
                      JsonString(report.mappingFile) + ",\n  \"documents\": " + JsonStrings(report.documents) +
                      ",\n  \"findings\": [";
    for (size_t i = 0; i < report.findings.size(); ++i) {
        const MappingFinding& f = report.findings[i];
        out += std::string(i ? "," : "") + "\n    {\"file\": " + JsonString(report.mapping) +
               ", \"line\": " + std::to_string(f.line) + ", \"table\": " + std::to_string(f.table) +
               ", \"heading\": " + JsonString(f.heading) + ", \"row\": " + std::to_string(f.row) +
               ", \"key\": " + JsonString(f.key) + ", \"finding\": " + JsonString(f.text) +
               ", \"documents\": " + JsonStrings(f.documents) + "}";
    }
    out += report.findings.empty() ? "]" : "\n  ]";
    return out + ",\n  \"accepted\": " + std::to_string(report.accepted) + "\n}\n";
}

std::string CheckTsv(const CheckReport& report) {
    std::string out = std::string(kTsvHeader) + "\n";
    for (const MappingFinding& f : report.findings) {
        std::string head = TsvField(report.mapping) + "\t" + std::to_string(f.line) + "\t" + std::to_string(f.table) +
                           "\t" + TsvField(f.heading) + "\t" + std::to_string(f.row) + "\t" + TsvField(f.key) +
                           "\t" + TsvField(f.text) + "\t";
        if (f.documents.empty()) out += head + "\n";
        for (const std::string& doc : f.documents) out += head + TsvField(doc) + "\n";
    }
    return out;
}

int ReadAcceptedFindings(const std::string& path, AcceptedFindings* accepted, std::string* error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        *error = path + ": cannot be read";
        return 0;
    }
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line == kTsvHeader) continue;
        std::vector<std::string> f = TsvFields(line);
        if (f.size() != kTsvFields) {
            *error = path + ":" + std::to_string(number) + ": not a finding as check --format tsv writes it (" +
                     std::to_string(kTsvFields) + " fields separated by tabs)";
            return 0;
        }
        accepted->keys.insert(AcceptedKey(f[0], f[3], f[5], f[6], f[7]));
    }
    return 1;
}

void LeaveOutAccepted(const AcceptedFindings& accepted, CheckReport* report) {
    std::vector<MappingFinding> left;
    for (MappingFinding& f : report->findings) {
        auto known = [&](const std::string& doc) {
            return accepted.keys.count(AcceptedKey(report->mapping, f.heading, f.key, f.text, doc)) != 0;
        };
        size_t before = f.documents.size();
        std::vector<std::string> docs;
        for (const std::string& doc : f.documents)
            if (!known(doc)) docs.push_back(doc);
        report->accepted += before - docs.size();
        if (before == 0 && known("")) {
            ++report->accepted;
            continue;
        }
        if (before && docs.empty()) continue;
        f.documents = std::move(docs);
        left.push_back(std::move(f));
    }
    report->findings = std::move(left);
}
