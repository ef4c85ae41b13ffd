// The drawings of the page map: each master page drawn once, as an SVG
// <symbol> with its frames at scale on a page tinted in the master page's
// colour, and each body page as a small <svg> tile that <use>s it (a changed
// page also shows its former master page in its corner). Text that goes
// into the markup is escaped for HTML.
#pragma once

#include "apps/vellor_host/map_layout.h"
#include "apps/vellor_host/page_snapshot.h"

#include <map>
#include <string>
#include <vector>

// The symbols drawn so far and the colour of each master page name, in the
// order they were first met.
struct MapSymbols {
    std::map<std::string, std::string> idOf; // a master page's drawing -> its symbol's id
    std::map<std::string, size_t> colourOf;  // master page name -> its place in `names`
    std::vector<std::string> names;          // master page names, as the legend lists them
    std::vector<std::string> firstSymbol;    // ... and the first symbol drawn of each
    std::string defs;                        // the <symbol>s
};

// Text as HTML shows it: markup characters as references, control
// characters as spaces; other characters stay UTF-8 as they are.
std::string MapEscape(const std::string& text);
void MapAppendEscaped(std::string& out, const std::string& text);

// The colour of the n-th master page name (CSS).
std::string MapColour(size_t n);

// The id of the symbol for master page `name` of `layout` (null: the
// document's layout is not known), drawn on first use. "None" is a page
// without master page.
const std::string& MapSymbolFor(MapSymbols& symbols, const MapLayout* layout, const std::string& name);

// Appends the tile of a body page: the master page it has after the
// command (before, for a page the command removed), the former one in its
// corner when it changed, `title` on hover, the page number under it.
// `anchor`, when not empty, is the tile's id.
void MapAppendTile(std::string& out, MapSymbols& symbols, const MapLayout* layout, const PageRecord& page,
                   const std::string& title, const std::string& anchor);
