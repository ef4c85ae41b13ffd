// The change table. Columns are aligned by display width, so that names in
// wide or combining characters keep the table straight.
#include "apps/vellor_host/change_table.h"

#include "apps/vellor_host/display_width.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace fs = std::filesystem;

namespace {

using Row = std::vector<std::string>;

void AppendRows(std::string& out, const std::vector<Row>& rows) {
    std::vector<size_t> width(rows.front().size());
    for (const Row& r : rows)
        for (size_t c = 0; c < r.size(); ++c) width[c] = std::max(width[c], DisplayWidth(r[c]));
    for (const Row& r : rows) {
        std::string line = " ";
        for (size_t c = 0; c < r.size(); ++c)
            line += " " + (c + 1 < r.size() ? PadToWidth(r[c], width[c] + 1) : r[c]);
        out += line + "\n";
    }
}

std::string Pages(size_t n) { return std::to_string(n) + (n == 1 ? " page" : " pages"); }

std::string Heading(ChangeView view, bool dryRun, size_t changed) {
    if (view == ViewExplained) return dryRun ? "Master pages and why (dry run: nothing saved):\n" : "Master pages and why:\n";
    if (view == ViewEveryPage) return dryRun ? "Master pages (dry run: nothing saved):\n" : "Master pages:\n";
    if (changed == 0) return dryRun ? "No master page would change.\n" : "No master page changed.\n";
    return dryRun ? "Master pages that would change (dry run: nothing saved):\n" : "Master pages changed:\n";
}

std::vector<Row> TableRows(const std::vector<DocChanges>& docs, ChangeView view) {
    std::vector<Row> rows;
    rows.push_back({"document", "page", "before", "after"});
    if (view == ViewExplained) rows.back().push_back("why");
    for (const DocChanges& d : docs)
        for (const PageRecord& p : d.pages) {
            if (view == ViewChangedPages && !p.changed) continue;
            rows.push_back({d.title, p.number, p.before.master, p.after.master});
            if (view == ViewExplained) rows.back().push_back(p.explanation ? WhyText(*p.explanation) : "-");
        }
    return rows;
}

// "  ch1.mif: 4 pages changed of 4": a document without changes reads the
// same under every command.
std::string DocumentCount(const DocChanges& d, bool dryRun) {
    size_t changed = ChangedPages(d);
    if (d.pageCount == 0 && changed == 0) return "  " + d.title + ": no body pages\n";
    if (changed == 0)
        return "  " + d.title + (dryRun ? ": no page would change (" : ": no page changed (") + Pages(d.pageCount) + ")\n";
    return "  " + d.title + ": " + Pages(changed) + (dryRun ? " would change" : " changed") + " of " +
           std::to_string(d.pageCount) + "\n";
}

// "  16 pages changed in 5 of 5 documents": pages changed, documents with
// changes, documents examined.
std::string RunCount(const std::vector<DocChanges>& docs, bool dryRun) {
    size_t pages = 0, changedDocs = 0;
    for (const DocChanges& d : docs) {
        size_t changed = ChangedPages(d);
        pages += changed;
        changedDocs += changed != 0;
    }
    std::string examined = std::to_string(docs.size()) + " documents\n";
    if (pages == 0) return dryRun ? "  no page would change in " + examined : "  no page changed in " + examined;
    return "  " + Pages(pages) + (dryRun ? " would change in " : " changed in ") + std::to_string(changedDocs) +
           " of " + examined;
}

} // namespace

void NameDocuments(std::vector<DocChanges>* docs) {
    std::map<std::string, int> uses;
    for (DocChanges& d : *docs) ++uses[d.title];
    for (DocChanges& d : *docs) {
        if (uses[d.title] < 2 || d.given.empty()) continue;
        fs::path given(d.given);
        d.title = given.is_relative() ? given.lexically_normal().generic_string()
                                      : given.lexically_relative(fs::current_path()).generic_string();
    }
}

std::string FormatChangeTable(const std::vector<DocChanges>& docs, ChangeView view, bool dryRun) {
    size_t changed = 0;
    for (const DocChanges& d : docs) changed += ChangedPages(d);
    std::string out = Heading(view, dryRun, changed);
    if (view != ViewChangedPages || changed) AppendRows(out, TableRows(docs, view));
    for (const DocChanges& d : docs) out += DocumentCount(d, dryRun);
    if (docs.size() > 1) out += RunCount(docs, dryRun);
    return out;
}
