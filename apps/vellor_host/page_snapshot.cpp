// Before/after snapshots of body pages and the change table.
#include "apps/vellor_host/page_snapshot.h"

#include <algorithm>
#include <cstdio>

DocSnapshot SnapshotDoc(const SimDoc& doc, const std::string& title) {
    DocSnapshot snap;
    snap.title = title;
    for (ObjId page : doc.bodyPages) {
        PageState state;
        state.number = SimPageNumberText(doc, page);
        state.right = SimPageIsRight(doc, page) != 0;
        state.master = SimPageMaster(doc, page) ? SimPageMasterName(doc, page) : "None";
        snap.pages.push_back(std::move(state));
    }
    return snap;
}

DocChanges ComparePages(const DocSnapshot& before, const DocSnapshot& after) {
    DocChanges out;
    out.title = after.title.empty() ? before.title : after.title;
    out.pageCount = after.pages.size();
    out.after = after.pages;
    size_t n = std::max(before.pages.size(), after.pages.size());
    for (size_t i = 0; i < n; ++i) {
        const PageState* b = i < before.pages.size() ? &before.pages[i] : nullptr;
        const PageState* a = i < after.pages.size() ? &after.pages[i] : nullptr;
        out.beforeMasters.push_back(b ? b->master : "");
        if (a && b && a->master == b->master) continue;
        PageChange change;
        change.number = a ? a->number : b->number;
        change.right = a ? a->right : b->right;
        change.before = b ? b->master : "";
        change.after = a ? a->master : "";
        out.changes.push_back(std::move(change));
    }
    return out;
}

namespace {

struct Row {
    std::string cells[4];
};

void AppendRows(std::string& out, const std::vector<Row>& rows) {
    size_t width[4] = {};
    for (const Row& r : rows)
        for (int c = 0; c < 4; ++c) width[c] = std::max(width[c], r.cells[c].size());
    for (const Row& r : rows) {
        std::string line = " ";
        for (int c = 0; c < 4; ++c) {
            line += ' ';
            line += r.cells[c];
            if (c < 3) line.append(width[c] - r.cells[c].size() + 1, ' ');
        }
        out += line + "\n";
    }
}

std::string Pages(size_t n) { return std::to_string(n) + (n == 1 ? " page" : " pages"); }

} // namespace

std::string FormatChangeTable(const std::vector<DocChanges>& docs, bool verbose, bool dryRun) {
    std::string out;
    std::vector<Row> rows;
    rows.push_back({{"document", "page", "before", "after"}});
    size_t total = 0;
    for (const DocChanges& d : docs) {
        total += d.changes.size();
        if (verbose) {
            for (size_t i = 0; i < d.after.size(); ++i) {
                const std::string& before = i < d.beforeMasters.size() ? d.beforeMasters[i] : "";
                rows.push_back({{d.title, d.after[i].number, before, d.after[i].master}});
            }
            continue;
        }
        for (const PageChange& c : d.changes) rows.push_back({{d.title, c.number, c.before, c.after}});
    }
    if (total == 0 && !verbose) {
        out += dryRun ? "No master page would change.\n" : "No master page changed.\n";
    } else {
        out += verbose ? (dryRun ? "Master pages (dry run: nothing saved):\n" : "Master pages:\n")
                       : (dryRun ? "Master pages that would change (dry run: nothing saved):\n"
                                 : "Master pages changed:\n");
        AppendRows(out, rows);
    }
    // A document without changes reads the same under every command.
    for (const DocChanges& d : docs) {
        if (d.pageCount == 0 && d.changes.empty())
            out += "  " + d.title + ": no body pages\n";
        else if (d.changes.empty())
            out += "  " + d.title + (dryRun ? ": no page would change (" : ": no page changed (") + Pages(d.pageCount) +
                   ")\n";
        else
            out += "  " + d.title + ": " + Pages(d.changes.size()) + (dryRun ? " would change" : " changed") + " of " +
                   std::to_string(d.pageCount) + "\n";
    }
    if (docs.size() > 1)
        out += "  " + Pages(total) + " in " + std::to_string(docs.size()) + " documents\n";
    return out;
}
