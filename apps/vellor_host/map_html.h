// The page map as one self-contained web page: a summary with the legend of
// master pages, every body page as a tile in reading order (grouped by
// document under the book's folders, spreads side by side in two-sided
// documents), and beside them the list of pages whose master page changed
// with the rule that decided each. Inline SVG and CSS only: no script, and
// nothing fetched from anywhere.
#pragma once

#include "apps/vellor_host/map_layout.h"
#include "apps/vellor_host/page_snapshot.h"

#include <string>
#include <vector>

// One document of the map.
struct MapEntry {
    std::vector<std::string> folders; // the book's folders it stands in, outermost first
    const DocChanges* doc = nullptr;  // its record, titled (NameDocuments)
    const MapLayout* layout = nullptr; // null when not known
};

struct MapInput {
    std::string title;   // what the map is of: the book's or the documents' file names
    bool dryRun = false; // the record is what would change; nothing was saved
    std::vector<MapEntry> entries; // in reading order
};

std::string MapHtml(const MapInput& map);

// What decided a page, shortly, as a tile's title says it: the table, row
// and key, or "no rule: default"; "" when the pass did not say.
std::string MapRuleText(const PageRecord& page);
