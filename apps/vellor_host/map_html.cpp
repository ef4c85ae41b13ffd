// Writing the page map's HTML. The tiles are drawn first, so that the
// symbols and colours they use are known when the summary, the legend and
// the definitions are written above them.
#include "apps/vellor_host/map_html.h"

#include "apps/vellor_host/map_svg.h"

#include <map>
#include <utility>

namespace {

// Nothing may be fetched: the policy forbids every source but the inline
// style, and the page holds no script.
const char kHead[] =
    "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n"
    "<meta http-equiv=\"Content-Security-Policy\" content=\"default-src 'none'; style-src 'unsafe-inline'\">\n"
    "<meta name=\"viewport\" content=\"width=device-width, initial-scale=1\">\n";

const char kStyle[] =
    "<style>\n"
    "body{font:14px/1.4 system-ui,sans-serif;margin:0 20px 20px;color:#222;background:#f4f4f1}\n"
    "h1{font-size:20px;margin:16px 0 4px}h2{font-size:16px;margin:18px 0 4px}h3{font-size:14px;margin:12px 0 6px}\n"
    "h2.f{border-bottom:1px solid #bbb}h3 small{font-weight:normal;color:#666}\n"
    ".note{color:#555;margin:0 0 10px}.sum b{font-size:16px}\n"
    ".lh{margin:8px 0 2px}ul.legend{list-style:none;padding:0;margin:0 0 8px;display:flex;flex-wrap:wrap;gap:4px 22px}\n"
    ".legend span{color:#555}\n"
    ".sw{width:14px;height:18px;vertical-align:middle;margin-right:6px;box-shadow:0 0 0 1px #999;background:#fff}\n"
    ".wrap{display:flex;gap:24px;align-items:flex-start}main{flex:1;min-width:0}\n"
    "aside{width:360px;flex:none;position:sticky;top:0;max-height:100vh;overflow:auto;font-size:12px}\n"
    "aside ol{padding-left:30px}aside li{margin:3px 0}aside .why{color:#555}\n"
    ".pages{display:flex;flex-wrap:wrap;align-items:flex-start}\n"
    ".s{display:inline-flex;margin:0 10px 10px 0}.pages>.p{margin:0 10px 10px 0}\n"
    ".p{margin:0;display:inline-flex;flex-direction:column;align-items:center}\n"
    ".p svg{width:46px;height:auto;display:block;background:#fff;box-shadow:0 0 0 1px #888}\n"
    ".g{width:46px}.c svg{box-shadow:0 0 0 3px #d00}\n"
    "figcaption{font-size:10px;color:#444}.c figcaption{color:#d00;font-weight:bold}\n"
    ".defs{position:absolute;width:0;height:0;overflow:hidden}\n"
    "</style>\n";

struct Counts {
    size_t documents = 0, pages = 0, changed = 0;
    std::map<std::string, std::pair<size_t, size_t>> byMaster; // name -> pages before, after
};

std::string TileTitle(const std::string& docTitle, const PageRecord& page) {
    std::string t = docTitle + ", page " + page.number + " (" + (page.right ? "right" : "left") + "): ";
    if (!page.existedBefore) t += "added, " + page.after.master;
    else if (!page.existsAfter) t += page.before.master + ", removed";
    else if (page.changed) t += page.before.master + " \u2192 " + page.after.master;
    else t += page.after.master;
    std::string rule = MapRuleText(page);
    return rule.empty() ? t : t + "; " + rule;
}

// The side list's line of a changed page: a link to its tile, the master
// pages before and after, and the pass's full words on what decided it.
void AppendChange(std::string& aside, const std::string& docTitle, const PageRecord& page, const std::string& anchor) {
    aside += "<li><a href=\"#" + anchor + "\">";
    MapAppendEscaped(aside, docTitle + " " + page.number);
    aside += "</a> ";
    MapAppendEscaped(aside, (page.existedBefore ? page.before.master : "(new page)") + " \u2192 " +
                                (page.existsAfter ? page.after.master : "(removed)"));
    if (page.explanation) {
        aside += " <span class=\"why\">";
        MapAppendEscaped(aside, WhyText(*page.explanation));
        aside += "</span>";
    }
    aside += "</li>\n";
}

void Count(Counts& counts, const PageRecord& page) {
    ++counts.pages;
    counts.changed += page.changed;
    if (page.existedBefore) ++counts.byMaster[page.before.master].first;
    if (page.existsAfter) ++counts.byMaster[page.after.master].second;
}

// A document's tiles: in a two-sided document a left page opens a spread
// and the right page after it closes it; a right page with no left page
// before it stands on the right of a spread of its own.
void AppendPages(std::string& out, std::string& aside, MapSymbols& symbols, const MapEntry& e, size_t index,
                 Counts& counts) {
    bool spreads = !e.layout || e.layout->twoSided;
    bool open = false;
    out += "<div class=\"pages\">";
    for (const PageRecord& page : e.doc->pages) {
        Count(counts, page);
        std::string anchor = page.changed ? "d" + std::to_string(index) + "p" + std::to_string(page.position) : "";
        if (spreads && !page.right) {
            out += open ? "</div><div class=\"s\">" : "<div class=\"s\">";
            open = true;
        } else if (spreads && !open) {
            out += "<div class=\"s\"><i class=\"g\"></i>";
            open = true;
        }
        MapAppendTile(out, symbols, e.layout, page, TileTitle(e.doc->title, page), anchor);
        if (spreads && page.right) {
            out += "</div>";
            open = false;
        }
        if (!anchor.empty()) AppendChange(aside, e.doc->title, page, anchor);
    }
    out += open ? "</div></div>\n" : "</div>\n";
}

// The headings of the folders `folders` opens that `before` had not.
void AppendFolders(std::string& out, const std::vector<std::string>& before, const std::vector<std::string>& folders) {
    size_t same = 0;
    while (same < before.size() && same < folders.size() && before[same] == folders[same]) ++same;
    for (size_t i = same; i < folders.size(); ++i) {
        out += "<h2 class=\"f\" style=\"margin-left:" + std::to_string(i * 16) + "px\">";
        MapAppendEscaped(out, folders[i]);
        out += "</h2>\n";
    }
}

void AppendSummary(std::string& out, const MapInput& map, const Counts& counts, const MapSymbols& symbols) {
    out += "<p class=\"sum\"><b>" + std::to_string(counts.documents) + "</b> documents \u00b7 <b>" +
           std::to_string(counts.pages) + "</b> body pages \u00b7 <b>" + std::to_string(counts.changed) +
           (map.dryRun ? "</b> pages would change" : "</b> pages changed") + "</p>\n";
    out += "<p class=\"lh\">Pages by master page, before \u2192 after:</p>\n<ul class=\"legend\">\n";
    for (size_t i = 0; i < symbols.names.size(); ++i) {
        auto n = counts.byMaster.find(symbols.names[i]);
        std::pair<size_t, size_t> c = n == counts.byMaster.end() ? std::make_pair(size_t(0), size_t(0)) : n->second;
        out += "<li><svg class=\"sw\" viewBox=\"0 0 612 792\" preserveAspectRatio=\"none\"><use href=\"#" +
               symbols.firstSymbol[i] + "\"/></svg>";
        MapAppendEscaped(out, symbols.names[i]);
        out += " <span>" + std::to_string(c.first) + " \u2192 " + std::to_string(c.second) + "</span></li>\n";
    }
    out += "</ul>\n";
}

} // namespace

std::string MapRuleText(const PageRecord& page) {
    if (!page.explanation) return "";
    const PageExplanation& e = *page.explanation;
    if (e.table.empty()) return "no rule: default";
    std::string rule = e.table + " row " + std::to_string(e.row) + " \"" + e.key + "\"";
    return e.entry ? rule : rule + ", none of its master pages applies: default";
}

std::string MapHtml(const MapInput& map) {
    MapSymbols symbols;
    Counts counts;
    std::string body, aside;
    std::vector<std::string> folders;
    for (size_t i = 0; i < map.entries.size(); ++i) {
        const MapEntry& e = map.entries[i];
        AppendFolders(body, folders, e.folders);
        folders = e.folders;
        size_t changed = ChangedPages(*e.doc);
        body += "<section class=\"doc\"><h3>";
        MapAppendEscaped(body, e.doc->title);
        body += " <small>" + std::to_string(e.doc->pages.size()) + " pages, " + std::to_string(changed) +
                (map.dryRun ? " would change" : " changed") + "</small></h3>\n";
        AppendPages(body, aside, symbols, e, i + 1, counts);
        body += "</section>\n";
        ++counts.documents;
    }
    std::string out = kHead;
    out += "<title>Page map: " + MapEscape(map.title) + "</title>\n" + kStyle + "</head>\n<body>\n";
    out += "<h1>Page map: " + MapEscape(map.title) + "</h1>\n<p class=\"note\">" +
           (map.dryRun ? "Dry run: the master pages applying would give; nothing was saved."
                       : "The master pages as applied and saved.") +
           " A page marked red changed; its former master page is drawn in its corner.</p>\n";
    AppendSummary(out, map, counts, symbols);
    out += "<svg class=\"defs\" aria-hidden=\"true\"><defs>" + symbols.defs + "</defs></svg>\n";
    out += "<div class=\"wrap\"><main>\n" + body + "</main>\n<aside><h2>" +
           (map.dryRun ? "Pages that would change" : "Pages changed") + "</h2>\n";
    out += aside.empty() ? "<p>None.</p>\n" : "<ol>\n" + aside + "</ol>\n";
    return out + "</aside></div>\n</body>\n</html>\n";
}
