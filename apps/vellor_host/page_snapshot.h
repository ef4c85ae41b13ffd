// What the user sees of a document's body pages (number, side, master page),
// taken before and after a command, and the table of the pages whose master
// page changed.
#pragma once

#include "hostsim/sim_model.h"

#include <string>
#include <vector>

struct PageState {
    std::string number; // the page number text
    bool right = true;
    std::string master; // the master page's name, "None" for a page without one
};

struct DocSnapshot {
    std::string title; // what the tables call the document (its file's last name)
    std::vector<PageState> pages;
};

struct PageChange {
    std::string number;
    bool right = true;
    std::string before, after;
};

struct DocChanges {
    std::string title;
    size_t pageCount = 0;
    std::vector<PageChange> changes;
    std::vector<PageState> after; // every page after the command (for -v)
    std::vector<std::string> beforeMasters;
};

DocSnapshot SnapshotDoc(const SimDoc& doc, const std::string& title);

// Pages are matched by position. A page that exists on one side only (pages
// added or removed) counts as changed, with "" on the side that lacks it.
DocChanges ComparePages(const DocSnapshot& before, const DocSnapshot& after);

// The change table and the count per document, as printed at the end of a
// run; `verbose` lists unchanged pages too. `dryRun` words the heading as
// what would change.
std::string FormatChangeTable(const std::vector<DocChanges>& docs, bool verbose, bool dryRun);
