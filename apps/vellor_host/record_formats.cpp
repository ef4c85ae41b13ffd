// JSON and TSV views of the record. The JSON is written by hand: one object
// per line for each page, so that a person can read it too, and every value
// escaped as JSON asks (UTF-8 passes as it is).
#include "apps/vellor_host/record_formats.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::string Json(const std::string& s) {
    std::string out = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += char(c);
        }
    }
    return out + "\"";
}

std::string Json(bool b) { return b ? "true" : "false"; }
std::string Json(size_t n) { return std::to_string(n); }
std::string Field(const char* name, const std::string& value) { return Json(std::string(name)) + ": " + value; }

// A master page: its name, null for none, "" on a side where the page does not exist.
std::string Master(const PageState& state, bool exists) { return !exists ? "\"\"" : state.none ? "null" : Json(state.master); }

std::string ExplainedFields(const PageRecord& p) {
    const PageExplanation& e = WhyOf(p);
    bool row = p.explanation && !e.table.empty();
    std::string candidates = "null";
    if (row) {
        candidates = "[";
        for (size_t i = 0; i < e.candidates.size(); ++i) candidates += (i ? ", " : "") + Json(e.candidates[i]);
        candidates += "]";
    }
    std::string letterCase = "null";
    if (p.explanation && !e.caseText.empty())
        letterCase = "{" + Field("text", Json(e.caseText)) + ", " + Field("table", Json(e.caseTable)) + ", " +
                     Field("row", Json(size_t(e.caseRow))) + ", " + Field("key", Json(e.caseKey)) + "}";
    bool lost = p.explanation && LostHandSetMaster(e);
    std::string keep = lost ? RowThatWouldKeep(e) : "";
    return Field("rule", p.explanation ? Json(RuleName(e)) : "null") + ", " +
           Field("table", row ? Json(e.table) : "null") + ", " + Field("row", row ? Json(size_t(e.row)) : "null") +
           ", " + Field("key", row ? Json(e.key) : "null") + ", " + Field("candidates", candidates) + ", " +
           Field("entry", row && e.entry ? Json(size_t(e.entry)) : "null") + ", " + Field("letterCase", letterCase) +
           ", " + Field("handSetLost", Json(lost)) + ", " + Field("keepingRow", keep.empty() ? "null" : Json(keep)) +
           // Only a page carried by a run has it, so that a run without one
           // reads as it did before runs existed.
           (row && e.rangeFrom ? ", " + Field("rangeFrom", Json(e.rangeFrom)) : "");
}

std::string PageJson(const PageRecord& p, bool listing) {
    std::string out = "{" + Field("position", Json(p.position)) + ", " + Field("number", Json(p.number)) + ", " +
                      Field("side", Json(std::string(p.right ? "right" : "left"))) + ", ";
    if (listing)
        return out + Field("master", Master(p.after, true)) + ", " + Field("listed", Json(p.after.custom)) + "}";
    return out + Field("before", Master(p.before, p.existedBefore)) + ", " +
           Field("after", Master(p.after, p.existsAfter)) + ", " + Field("changed", Json(p.changed)) + ", " +
           ExplainedFields(p) + "}";
}

std::string DocumentJson(const DocChanges& d, bool listing) {
    std::string out = "    {\n      " + Field("title", Json(d.title)) + ",\n      " + Field("path", Json(d.given)) +
                      ",\n      " + Field("absolute", Json(d.absolute)) + ",\n      " +
                      Field("pageCount", Json(d.pageCount)) + ",\n";
    if (!listing) out += "      " + Field("pagesChanged", Json(ChangedPages(d))) + ",\n";
    out += "      \"pages\": [";
    for (size_t i = 0; i < d.pages.size(); ++i) out += (i ? ",\n        " : "\n        ") + PageJson(d.pages[i], listing);
    return out + (d.pages.empty() ? "]\n    }" : "\n      ]\n    }");
}

// A TSV field: backslash, tab and line ends escaped as \\, \t, \n, \r.
std::string Tsv(const std::string& s, bool inList = false) {
    std::string out;
    for (char c : s) {
        if (c == '\\' || (inList && c == '|')) out += '\\', out += c;
        else if (c == '\t') out += "\\t";
        else if (c == '\n') out += "\\n";
        else if (c == '\r') out += "\\r";
        else out += c;
    }
    return out;
}

// `ranges`: the run has a page carried by a run of pages, and the table its
// last column, rangeFrom.
std::string TsvPage(const DocChanges& d, const PageRecord& p, bool listing, bool ranges) {
    std::string out = Tsv(d.title) + "\t" + Tsv(d.given) + "\t" + Tsv(d.absolute) + "\t" + std::to_string(p.position) +
                      "\t" + Tsv(p.number) + "\t" + (p.right ? "right" : "left") + "\t";
    if (listing) return out + Tsv(p.after.master) + "\t" + Json(p.after.custom) + "\n";
    const PageExplanation& e = WhyOf(p);
    bool row = p.explanation && !e.table.empty();
    std::string candidates;
    for (size_t i = 0; row && i < e.candidates.size(); ++i) candidates += (i ? "|" : "") + Tsv(e.candidates[i], true);
    return out + Tsv(p.before.master) + "\t" + Tsv(p.after.master) + "\t" + Json(p.changed) + "\t" +
           (p.explanation ? RuleName(e) : "") + "\t" + (row ? Tsv(e.table) : "") + "\t" +
           (row ? std::to_string(e.row) : "") + "\t" + (row ? Tsv(e.key) : "") + "\t" + candidates + "\t" +
           (row && e.entry ? std::to_string(e.entry) : "") +
           (ranges ? "\t" + (row && e.rangeFrom ? std::to_string(e.rangeFrom) : "") : "") + "\n";
}

bool CarriesRange(const RunRecord& record) {
    for (const DocChanges& d : *record.docs)
        for (const PageRecord& p : d.pages)
            if (p.explanation && p.explanation->rangeFrom) return true;
    return false;
}

} // namespace

std::string GivenPath(const std::string& localAbsolute, bool absolute) {
    if (absolute) return localAbsolute;
    std::error_code ec;
    fs::path relative = fs::path(localAbsolute).lexically_relative(fs::current_path(ec));
    return relative.empty() ? localAbsolute : relative.string();
}

std::string RecordJson(const RunRecord& record) {
    size_t pages = 0, changedDocs = 0;
    for (const DocChanges& d : *record.docs) {
        pages += ChangedPages(d);
        changedDocs += ChangedPages(d) != 0;
    }
    std::string book = record.bookGiven.empty() ? "null"
                                                : "{" + Field("path", Json(record.bookGiven)) + ", " +
                                                      Field("absolute", Json(record.bookAbsolute)) + "}";
    std::string out = "{\n  " + Field("schema", std::to_string(RecordSchemaVersion)) + ",\n  " +
                      Field("command", Json(record.command)) + ",\n  " + Field("dryRun", Json(record.dryRun)) +
                      ",\n  " + Field("book", book) + ",\n  \"documents\": [";
    for (size_t i = 0; i < record.docs->size(); ++i)
        out += (i ? ",\n" : "\n") + DocumentJson((*record.docs)[i], record.listing);
    out += record.docs->empty() ? "],\n" : "\n  ],\n";
    out += "  " + Field("documentsExamined", Json(record.docs->size()));
    if (!record.listing)
        out += ",\n  " + Field("documentsChanged", Json(changedDocs)) + ",\n  " + Field("pagesChanged", Json(pages));
    return out + "\n}\n";
}

std::string RecordTsv(const RunRecord& record) {
    std::string out = record.listing
                          ? "document\tpath\tabsolute\tposition\tpage\tside\tmaster\tlisted\n"
                          : "document\tpath\tabsolute\tposition\tpage\tside\tbefore\tafter\tchanged\trule\ttable\trow"
                            "\tkey\tcandidates\tentry";
    bool ranges = !record.listing && CarriesRange(record);
    if (!record.listing) out += ranges ? "\trangeFrom\n" : "\n";
    for (const DocChanges& d : *record.docs)
        for (const PageRecord& p : d.pages) out += TsvPage(d, p, record.listing, ranges);
    return out;
}
