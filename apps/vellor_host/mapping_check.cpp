// Checking a mapping document against documents. Tables are read by the
// plug-in's rules (mapping_tables.h); what the plug-in compares exactly is
// compared exactly here, and letter case is ignored only to point at the
// near misses.
#include "apps/vellor_host/mapping_check.h"

#include "apps/vellor_host/mapping_tables.h"
#include "tools/mapping_rules.h"

#include <map>
#include <set>

namespace {

// Letter case ignored for the letters A to Z; other characters compare as
// they are.
std::string Folded(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

} // namespace

CheckedDoc CheckedDocOf(const std::string& title, const SimDoc& doc) {
    CheckedDoc names{title, doc.twoSided, {}, {}, {}};
    for (ObjId page : doc.bodyPages)
        for (ObjId p : SimPageParagraphs(doc, page))
            if (const SimObject* paragraph = SimLocal(doc, p)) names.tags.insert(paragraph->name);
    for (ObjId m : doc.masterPages)
        if (const SimObject* master = SimLocal(doc, m)) names.masters.insert(master->name);
    ObjId type = SimNamed(doc, SimObjMarkerType, MappingMarkerTypeName);
    for (ObjId m : doc.markers) {
        const SimObject* marker = SimLocal(doc, m);
        if (type && marker && marker->markerType == type) names.markers.insert(marker->text);
    }
    return names;
}

namespace {

// A name of `set` that equals `want` only when letter case is ignored, or "".
std::string CaseOnly(const std::set<std::string>& set, const std::string& want) {
    if (set.count(want)) return "";
    std::string folded = Folded(want);
    for (const std::string& name : set)
        if (Folded(name) == folded) return name;
    return "";
}

const std::set<std::string>& NamesForKind(const CheckedDoc& names, const char* word) {
    if (word == MappingParagraphTag) return names.tags;
    if (word == MappingMasterPage) return names.masters;
    return names.markers;
}

const char* WhatForKind(const char* word) {
    if (word == MappingParagraphTag) return "a paragraph tagged ";
    if (word == MappingMasterPage) return "a master page ";
    return "a \"MasterPage\" marker ";
}

// The text of a table's fourth heading cell, where a "Range" column is
// headed; "" when there is none.
std::string RangeHeading(const MappingTableView& t) {
    const MappingRowView& heading = t.rows.front();
    return heading.cells.size() > MappingRangeCell && !heading.cells[MappingRangeCell].empty()
               ? heading.cells[MappingRangeCell][0]
               : "";
}

bool HasRangeColumn(const MappingTableView& t) {
    return !t.rows.empty() && MappingHeadingIsKind(RangeHeading(t).c_str(), MappingRangeHeading) &&
           t.rows.front().cells.size() > MappingRangeCell;
}

struct Checker {
    const std::vector<CheckedDoc>& docs;
    const PassRows& pass;
    std::vector<MappingFinding> findings;

    // A finding; one of the same place and text made before takes `doc` on
    // instead (findings of a row are made together, so it is among the last).
    void Add(const MappingTableView& t, const MappingRowView* row, const std::string& text,
             const std::string& doc = std::string()) {
        int rowNumber = row ? row->number : 0;
        for (auto f = findings.rbegin(); f != findings.rend() && f->table == t.number && f->row == rowNumber; ++f)
            if (f->text == text) {
                if (!doc.empty()) f->documents.push_back(doc);
                return;
            }
        MappingFinding f{t.number, t.heading, rowNumber, row ? row->Key() : "", row ? row->line : t.line, text, {}};
        if (!doc.empty()) f.documents.push_back(doc);
        findings.push_back(std::move(f));
    }

    // Why a table with rows names no kind, when it looks meant to be one.
    void Unrecognised(const MappingTableView& t) {
        for (const char* word : MappingTableWords) {
            std::string w = Folded(word);
            if (Folded(t.heading).rfind(w, 0) == 0) {
                Add(t, nullptr, "not read: the heading differs from " + Quoted(word) + " in letter case");
                return;
            }
            if (Folded(t.heading).find(w) != std::string::npos) {
                Add(t, nullptr, "not read: the heading must begin with " + Quoted(word));
                return;
            }
            const MappingRowView& heading = t.rows.front();
            for (size_t c = 0; c < heading.cells.size(); ++c)
                for (size_t p = 0; p < heading.cells[c].size(); ++p) {
                    if (c == 0 && p == 0) continue;
                    if (Folded(heading.cells[c][p]).rfind(w, 0) != 0) continue;
                    Add(t, nullptr,
                        "not read: " + Quoted(heading.cells[c][p]) +
                            (c == 0 ? " is paragraph " + std::to_string(p + 1) + " of the first cell"
                                    : " stands in cell " + std::to_string(c + 1) + " of the heading row") +
                            "; only the first paragraph of the first cell is read");
                    return;
                }
        }
    }

    // A key of a "Paragraph Tag", "Master Page" or "Marker Category" row.
    void Key(const MappingTableView& t, const MappingRowView& row, const char* word) {
        const std::string key = row.Key();
        bool met = false;
        std::vector<std::pair<std::string, std::string>> nearMisses; // the name met, and where
        for (const CheckedDoc& d : docs) {
            const std::set<std::string>& names = NamesForKind(d, word);
            if (names.count(key)) {
                met = true;
                continue;
            }
            std::string caseOnly = CaseOnly(names, key);
            if (!caseOnly.empty()) nearMisses.push_back({Quoted(caseOnly), d.title});
        }
        for (const auto& [miss, title] : nearMisses)
            Add(t, &row, std::string("meets ") + WhatForKind(word) + miss +
                             " only when letter case is ignored: keys are compared exactly", title);
        if (!met && nearMisses.empty())
            Add(t, &row, std::string("no document has ") + WhatForKind(word) + Quoted(key));
    }

    // The candidates of a row's left and right cells.
    void Cells(const MappingTableView& t, const MappingRowView& row) {
        for (int place : {MappingLeftCell, MappingRightCell}) {
            if (static_cast<size_t>(place) >= row.cells.size()) continue;
            std::string cell = "cell " + std::to_string(place + 1) + " (" + (place == MappingLeftCell ? "left" : "right") +
                               "-hand pages)";
            for (const std::string& candidate : row.cells[static_cast<size_t>(place)]) {
                if (candidate.empty() || candidate == MappingAsIs || candidate == MappingNone) continue;
                bool someHave = false;
                std::vector<std::pair<std::string, std::string>> nearMisses; // the name there, and where
                for (const CheckedDoc& d : docs) {
                    if (d.masters.count(candidate)) someHave = true;
                    std::string caseOnly = CaseOnly(d.masters, candidate);
                    if (!caseOnly.empty()) nearMisses.push_back({caseOnly, d.title});
                }
                for (const auto& [miss, title] : nearMisses)
                    Add(t, &row, cell + ": no master page " + Quoted(candidate) + ", but " + Quoted(miss) +
                                     " (letter case differs)", title);
                if (!someHave && nearMisses.empty()) {
                    std::string hint;
                    if (Folded(candidate) == Folded(MappingAsIs)) hint = " (the word is \"As Is\")";
                    if (Folded(candidate) == Folded(MappingNone)) hint = " (the word is \"None\")";
                    Add(t, &row, cell + ": no document has a master page " + Quoted(candidate) + hint);
                }
            }
        }
    }

    // Left-page candidates are never used in one-sided documents.
    void Sides(const MappingTableView& t, const MappingRowView& row, const char* word) {
        if (row.cells.size() <= MappingLeftCell) return;
        bool any = false;
        for (const std::string& p : row.cells[MappingLeftCell]) any |= !p.empty();
        if (!any) return;
        for (const CheckedDoc& d : docs) {
            if (d.twoSided) continue;
            if (word != MappingPageType && !NamesForKind(d, word).count(row.Key())) continue;
            Add(t, &row, "cell 2 (left-hand pages) is never used in a one-sided document: all its pages are "
                         "right-hand pages", d.title);
        }
    }

    // A "Range" column where rows cannot carry one, or headed in another
    // letter case.
    void RangeColumn(const MappingTableView& t) {
        const char* word = MappingTableWords[t.kind];
        std::string heading = RangeHeading(t);
        if (HasRangeColumn(t) && !MappingKindAllowsRange(word))
            Add(t, nullptr, "not read: a \"Range\" column counts only in \"Paragraph Tag\" and \"Marker Category\" "
                            "tables; these rows hold for their page only");
        else if (!HasRangeColumn(t) && MappingKindAllowsRange(word) &&
                 Folded(heading).rfind(Folded(MappingRangeHeading), 0) == 0)
            Add(t, nullptr, "not read: cell 4 of the heading row, " + Quoted(heading) +
                                ", differs from \"Range\" in letter case; the rows hold for their page only");
    }

    // The range of a row of a table with a "Range" column: a text it does
    // not know, or "Until Changed" on a row that never decides a page
    // followed by one that no rule decides, so never carries.
    void Range(const MappingTableView& t, const MappingRowView& row, const char* word) {
        if (!HasRangeColumn(t) || !MappingKindAllowsRange(word)) return;
        std::string text = row.cells.size() > MappingRangeCell && !row.cells[MappingRangeCell].empty()
                               ? row.cells[MappingRangeCell][0]
                               : "";
        MappingRange range = MappingRangeOf(text.c_str());
        if (range == MappingRangeUnknown) {
            std::string hint;
            if (Folded(text) == Folded(MappingRangeUntilChanged)) hint = " (the words are \"Until Changed\")";
            if (Folded(text) == Folded(MappingRangeThisPage)) hint = " (the words are \"This Page\")";
            Add(t, &row, "cell 4 (range): " + Quoted(text) +
                             " is neither \"This Page\" nor \"Until Changed\"; the row holds for its page only" + hint);
        }
        if (range != MappingRangeRun) return;
        std::pair<std::string, int> place{word, row.number};
        if (pass.decided.count(place) && !pass.carried.count(place))
            Add(t, &row, "\"Until Changed\" never applies: each page this row decides is the last of its document "
                         "or followed by a page that a rule decides");
    }

    void Rows(const MappingTableView& t) {
        const char* word = MappingTableWords[t.kind];
        std::map<std::string, int> firstRow; // exact keys of earlier body rows
        for (const MappingRowView& row : t.rows) {
            if (row.rowType != MappingBodyRowType) continue;
            const std::string key = row.Key();
            if (word == MappingPageType) {
                if (key == MappingEmptyPageKey) {
                    if (firstRow.count(key)) {
                        Add(t, &row, "skipped: row " + std::to_string(firstRow[key]) + " has the same key, and the first counts");
                        continue;
                    }
                    firstRow[key] = row.number;
                    Cells(t, row);
                    Sides(t, row, word);
                } else {
                    Add(t, &row, std::string("no effect: only the key \"Empty\" of a \"Page Type\" table is read") +
                                     (Folded(key) == Folded(MappingEmptyPageKey) ? " (letter case differs)" : ""));
                }
                continue;
            }
            if (MappingKeyIsEmpty(key.c_str()) && word != MappingMarkerCategory) {
                Add(t, &row, "skipped: the key cell is empty");
                continue;
            }
            auto earlier = firstRow.find(key);
            if (earlier != firstRow.end()) {
                Add(t, &row, "skipped: row " + std::to_string(earlier->second) + " has the same key, and the first counts");
                continue;
            }
            firstRow[key] = row.number;
            Key(t, row, word);
            Cells(t, row);
            Sides(t, row, word);
            Range(t, row, word);
        }
    }
};

} // namespace

std::string FindingPlace(const MappingFinding& f) {
    if (!f.table) return "the mapping document";
    std::string where = "table " + std::to_string(f.table) + " " + Quoted(f.heading);
    if (f.row) where += ", row " + std::to_string(f.row) + " " + Quoted(f.key);
    return where;
}

std::vector<MappingFinding> CheckMappingDocument(const SimDoc& mapping, const std::vector<CheckedDoc>& docs,
                                                 const PassRows& pass) {
    Checker checker{docs, pass, {}};
    std::vector<MappingTableView> tables = ReadMappingTables(mapping);
    int first[MappingTableKinds] = {};
    for (const MappingTableView& t : tables) {
        if (t.rows.empty()) continue;
        if (t.kind < 0) {
            checker.Unrecognised(t);
            continue;
        }
        if (!t.counts) {
            checker.Add(t, nullptr, "not read: a second " + Quoted(MappingTableWords[t.kind]) + " table; only the first (table " +
                                        std::to_string(first[t.kind]) + ") counts");
            continue;
        }
        first[t.kind] = t.number;
        checker.RangeColumn(t);
        checker.Rows(t);
    }
    return checker.findings;
}
