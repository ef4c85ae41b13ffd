// Reading the plug-in's explanation lines, and the words shown for them.
#include "apps/vellor_host/page_explain.h"

#include "tools/mapping_rules.h"

#include <map>

namespace {

// A cursor over one line; every step fails from the first mismatch on.
struct Reader {
    const std::string& s;
    size_t at = 0;
    bool ok = true;

    bool Take(const char* word) {
        std::string w(word);
        ok = ok && s.compare(at, w.size(), w) == 0;
        if (ok) at += w.size();
        return ok;
    }
    bool Peek(const char* word) const { return ok && s.compare(at, std::string(word).size(), word) == 0; }
    // A text in double quotes, a quote inside doubled.
    std::string Quoted() {
        std::string out;
        if (!Take("\"")) return out;
        while (at < s.size()) {
            char c = s[at++];
            if (c != '"') out += c;
            else if (at < s.size() && s[at] == '"') out += s[at++];
            else return out;
        }
        ok = false; // no closing quote
        return out;
    }
    // A master page name, or `none`.
    std::string Name() { return Peek("none") ? (Take("none"), std::string()) : Quoted(); }
    size_t Number() {
        size_t n = 0, from = at;
        while (at < s.size() && s[at] >= '0' && s[at] <= '9') n = n * 10 + size_t(s[at++] - '0');
        ok = ok && at > from;
        return n;
    }
    // `<table> table row <n> key "<key>"`
    void Row(std::string* table, int* row, std::string* key) {
        size_t end = s.find(" table row ", at);
        if (!ok || end == std::string::npos) return void(ok = false);
        *table = s.substr(at, end - at);
        at = end;
        Take(" table row ");
        *row = int(Number());
        Take(" key ");
        *key = Quoted();
    }
};

void ReadDecision(Reader& r, PageExplanation* e) {
    if (r.Peek("default")) {
        r.Take("default");
        if (r.Peek("; ")) {
            r.Take("; ");
            e->caseText = r.Quoted();
            r.Take(" matches ");
            r.Row(&e->caseTable, &e->caseRow, &e->caseKey);
            r.Take(" only in another letter case");
        }
        return;
    }
    r.Row(&e->table, &e->row, &e->key);
    if (r.Peek(" until changed from body page ")) {
        r.Take(" until changed from body page ");
        e->rangeFrom = r.Number();
    }
    r.Take(e->right ? ", right candidates" : ", left candidates");
    if (r.Peek(" none")) r.Take(" none");
    else
        while (r.Peek(" \"")) {
            r.Take(" ");
            e->candidates.push_back(r.Quoted());
        }
    if (r.Peek(", no entry: default")) r.Take(", no entry: default");
    else if (r.Take(", entry ")) e->entry = int(r.Number());
}

std::string Quote(const std::string& s) { return "\"" + s + "\""; }

std::string CandidateList(const PageExplanation& e) {
    std::string out;
    for (const std::string& c : e.candidates) out += " " + Quote(c);
    return out;
}

} // namespace

bool ParseExplanation(const std::string& line, PageExplanation* out) {
    PageExplanation e;
    Reader r{line};
    r.Take("Master page: ");
    e.document = r.Quoted();
    r.Take(" body page ");
    e.position = r.Number();
    r.Take(" (");
    e.right = r.Peek("right");
    r.Take(e.right ? "right): " : "left): ");
    e.before = r.Name();
    r.Take(" -> ");
    e.after = r.Name();
    r.Take(" by ");
    if (r.ok) ReadDecision(r, &e);
    if (r.ok && r.at < line.size() && line[r.at] == '\n') ++r.at;
    if (!r.ok || r.at != line.size()) return false;
    *out = std::move(e);
    return true;
}

std::string RuleName(const PageExplanation& e) {
    if (e.table.empty()) return "default";
    if (e.rangeFrom) return "range";
    if (e.table == MappingMasterPage) return "master page";
    if (e.table == MappingMarkerCategory) return "marker";
    if (e.table == MappingParagraphTag) return "paragraph tag";
    return "empty page";
}

bool LostHandSetMaster(const PageExplanation& e) { return e.table.empty() && e.before != e.after; }

std::string RowThatWouldKeep(const PageExplanation& e) {
    if (!LostHandSetMaster(e) || e.before.empty()) return "";
    return e.before + " | " + MappingAsIs + " | " + MappingAsIs;
}

std::string WhyText(const PageExplanation& e) {
    std::string side = e.right ? "right" : "left";
    if (!e.table.empty()) {
        std::string row = e.table + " row " + std::to_string(e.row) + " " + Quote(e.key);
        if (e.rangeFrom) row += " until changed from body page " + std::to_string(e.rangeFrom);
        if (e.candidates.empty()) return row + ", no " + side + " candidates: default";
        std::string list = row + ", " + side + " candidates" + CandidateList(e);
        return e.entry ? list + ": entry " + std::to_string(e.entry) : list + ": none applies, default";
    }
    std::string why = "no rule: default";
    if (!e.caseText.empty())
        why += " (" + Quote(e.caseText) + " matches " + e.caseTable + " row " + std::to_string(e.caseRow) + " " +
               Quote(e.caseKey) + " only in another letter case)";
    if (!LostHandSetMaster(e)) return why;
    if (e.before.empty())
        return why + "; no rule keeps a page without master page (a MasterPage marker whose " +
               MappingMarkerCategory + " row reads None would)";
    return why + "; " + e.before + " was set by hand and no rule keeps it (a " + MappingMasterPage + " row " +
           RowThatWouldKeep(e) + " would)";
}

bool FallbackOf(const PageExplanation& e, const std::string& title, Fallback* out) {
    if (!e.table.empty()) {
        if (e.entry) return false;
        std::string named;
        for (const std::string& c : e.candidates)
            if (!c.empty()) named += (named.empty() ? "" : ", ") + c;
        if (named.empty()) return false; // an empty cell names nothing that could be missing
        *out = {e.table + " row " + std::to_string(e.row) + " " + Quote(e.key), false, named, title};
        return true;
    }
    if (e.caseText.empty()) return false;
    *out = {e.caseTable + " row " + std::to_string(e.caseRow) + " " + Quote(e.caseKey), true, e.caseText, title};
    return true;
}

namespace {

std::string Pages(size_t n) { return std::to_string(n) + (n == 1 ? " page" : " pages"); }

// "a.mif", "a.mif and b.mif", "a.mif, b.mif and c.mif"
std::string Listed(const std::vector<std::string>& titles) {
    std::string out;
    for (size_t i = 0; i < titles.size(); ++i)
        out += (i == 0 ? "" : i + 1 == titles.size() ? " and " : ", ") + titles[i];
    return out;
}

} // namespace

std::vector<std::string> FallbackWarnings(const std::vector<Fallback>& fallbacks) {
    struct Count {
        const Fallback* first;
        size_t pages = 0;
        std::vector<std::string> titles;
    };
    std::vector<std::string> order;
    std::map<std::string, Count> counts;
    for (const Fallback& f : fallbacks) {
        std::string rule = f.rule + (f.letterCase ? " case " : " missing ") + f.detail;
        if (!counts.count(rule)) {
            order.push_back(rule);
            counts[rule].first = &f;
        }
        Count& c = counts[rule];
        ++c.pages;
        if (c.titles.empty() || c.titles.back() != f.title) c.titles.push_back(f.title);
    }
    std::vector<std::string> warnings;
    for (const std::string& rule : order) {
        const Count& c = counts[rule];
        const Fallback& f = *c.first;
        std::string text = f.letterCase ? f.rule + " matches " + Quote(f.detail) + " only in another letter case, so " +
                                              Pages(c.pages) + " of " + Listed(c.titles)
                                        : f.rule + " names master pages that " + Listed(c.titles) +
                                              (c.titles.size() == 1 ? " lacks" : " lack") + " (" + f.detail + "), so " +
                                              Pages(c.pages);
        warnings.push_back(text + " got the default master page instead; `vellor-host check` examines the mapping document");
    }
    return warnings;
}
