// Drawing master pages and tiles for the page map. A book of thousands of
// pages uses a few master pages: each is drawn once and every tile is a
// reference to it, so a tile costs a hundred-odd bytes.
#include "apps/vellor_host/map_svg.h"

#include <cmath>
#include <cstdio>

namespace {

// Coordinates in points, to a tenth: enough at any size a tile is shown.
std::string Num(double v) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f", std::round(v * 10) / 10);
    std::string s = buffer;
    if (s.size() > 2 && s.compare(s.size() - 2, 2, ".0") == 0) s.resize(s.size() - 2);
    return s;
}

std::string ViewBox(const MapLayout* layout) {
    return layout ? "0 0 " + Num(layout->width) + " " + Num(layout->height) : "0 0 612 792";
}

// What tells two drawings apart: the page's size and the frames.
std::string DrawingKey(const MapLayout* layout, const std::string& name, const MapMaster* master) {
    std::string key = name + '\n' + ViewBox(layout);
    if (master)
        for (const MapFrame& f : master->frames)
            key += (f.text ? " t" : " o") + Num(f.x) + "," + Num(f.y) + "," + Num(f.width) + "," + Num(f.height);
    return key;
}

size_t ColourIndex(MapSymbols& symbols, const std::string& name) {
    auto found = symbols.colourOf.find(name);
    if (found != symbols.colourOf.end()) return found->second;
    symbols.names.push_back(name);
    return symbols.colourOf[name] = symbols.names.size() - 1;
}

// A symbol: the page tinted in the master page's colour, text frames as
// white boxes with a solid outline, other frames grey with a dashed one.
// Strokes keep their width however small the tile.
std::string SymbolMarkup(const std::string& id, const MapLayout* layout, const std::string& name,
                         const MapMaster* master, const std::string& colour) {
    std::string w = layout ? Num(layout->width) : "612", h = layout ? Num(layout->height) : "792";
    std::string s = "<symbol id=\"" + id + "\" viewBox=\"" + ViewBox(layout) + "\"><rect width=\"" + w +
                    "\" height=\"" + h + "\" fill=\"" + colour + "\" fill-opacity=\".35\"/>";
    if (name == "None")
        s += "<path d=\"M0 0L" + w + " " + h + "M" + w + " 0L0 " + h +
             "\" stroke=\"#888\" stroke-width=\"1\" vector-effect=\"non-scaling-stroke\"/>";
    if (master)
        for (const MapFrame& f : master->frames)
            s += "<rect x=\"" + Num(f.x) + "\" y=\"" + Num(f.y) + "\" width=\"" + Num(f.width) + "\" height=\"" +
                 Num(f.height) + (f.text ? "\" fill=\"#fff\" fill-opacity=\".8\" stroke=\"#333\""
                                         : "\" fill=\"#777\" fill-opacity=\".4\" stroke=\"#444\" stroke-dasharray=\"3 2\"") +
                 " stroke-width=\"1\" vector-effect=\"non-scaling-stroke\"/>";
    return s + "</symbol>";
}

} // namespace

void MapAppendEscaped(std::string& out, const std::string& text) {
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        case '\'': out += "&#39;"; break;
        default: out += static_cast<unsigned char>(c) < 0x20 || c == 0x7F ? ' ' : c;
        }
    }
}

std::string MapEscape(const std::string& text) {
    std::string out;
    MapAppendEscaped(out, text);
    return out;
}

std::string MapColour(size_t n) {
    static const char* const kPalette[] = {"#4e79a7", "#f28e2b", "#59a14f", "#e15759", "#76b7b2", "#edc948",
                                           "#b07aa1", "#ff9da7", "#9c755f", "#8cd17d", "#499894", "#d37295"};
    const size_t size = sizeof kPalette / sizeof kPalette[0];
    if (n < size) return kPalette[n];
    // Past the palette, hues a golden angle apart stay told apart longest.
    return "hsl(" + std::to_string((n * 137) % 360) + ",55%,55%)";
}

const std::string& MapSymbolFor(MapSymbols& symbols, const MapLayout* layout, const std::string& name) {
    const MapMaster* master = layout ? MapFindMaster(*layout, name) : nullptr;
    std::string key = DrawingKey(layout, name, master);
    auto found = symbols.idOf.find(key);
    if (found != symbols.idOf.end()) return found->second;
    std::string id = "m" + std::to_string(symbols.idOf.size() + 1);
    size_t colour = ColourIndex(symbols, name);
    if (symbols.firstSymbol.size() < symbols.names.size()) symbols.firstSymbol.push_back(id);
    symbols.defs += SymbolMarkup(id, layout, name, master, MapColour(colour));
    return symbols.idOf[key] = id;
}

void MapAppendTile(std::string& out, MapSymbols& symbols, const MapLayout* layout, const PageRecord& page,
                   const std::string& title, const std::string& anchor) {
    const PageState& shown = page.existsAfter ? page.after : page.before;
    out += page.changed ? "<figure class=\"p c\"" : "<figure class=\"p\"";
    if (!anchor.empty()) out += " id=\"" + anchor + "\"";
    out += "><svg viewBox=\"" + ViewBox(layout) + "\"><title>";
    MapAppendEscaped(out, title);
    out += "</title><use href=\"#" + MapSymbolFor(symbols, layout, shown.master) + "\"/>";
    if (page.changed && page.existedBefore && page.existsAfter) {
        // The former master page, small, in the top corner of the page's outer side.
        double w = layout ? layout->width : 612, h = layout ? layout->height : 792;
        double x = page.right ? w * 0.55 : w * 0.03;
        std::string at = "x=\"" + Num(x) + "\" y=\"" + Num(h * 0.02) + "\" width=\"" + Num(w * 0.42) +
                         "\" height=\"" + Num(h * 0.42) + "\"";
        out += "<rect " + at + " fill=\"#fff\" stroke=\"#c00\" stroke-width=\"2\" vector-effect=\"non-scaling-stroke\"/>" +
               "<use class=\"b\" href=\"#" + MapSymbolFor(symbols, layout, page.before.master) + "\" " + at + "/>";
    }
    out += "</svg><figcaption>";
    MapAppendEscaped(out, page.number);
    out += "</figcaption></figure>";
}
