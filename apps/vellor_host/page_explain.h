// What the plug-in said of each body page it decided: its console line
// (the shape is tools/decision_lines.h's) read back into plain data, and the
// words vellor-host shows for it - the why of --explain, the row that would
// keep a master page set by hand, and the warnings about pages that fell
// back to their default master page. Nothing here works out a rule: every
// fact comes from the plug-in's own line.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

struct PageExplanation {
    std::string document;      // the document's name as the host gave it (Windows form)
    size_t position = 0;       // the body page, counted from 1
    bool right = true;
    std::string before, after; // master page names; "" for a page without one
    std::string table;         // heading word of the table whose row decided; "" for the default
    int row = 0;               // counted from 1, the heading row being row 1
    std::string key;
    std::vector<std::string> candidates; // of the page's side, in cell order
    int entry = 0;             // the candidate that decided, from 1; 0: none did, the default
    // On a page the default decided: a text met on it that matched a key
    // only in another letter case, and that key's row.
    std::string caseText, caseTable, caseKey;
    int caseRow = 0;
    // On a page no rule decided but the run of an "Until Changed" row
    // carried (the row above): the body page the run began on; 0 otherwise.
    size_t rangeFrom = 0;
};

// A pass's explanations as read, each made once: the records of the pages
// they explain share them.
using PageExplanations = std::vector<std::shared_ptr<const PageExplanation>>;

// Reads one console line of the plug-in. False when it is not such a line.
bool ParseExplanation(const std::string& line, PageExplanation* out);

// The rule an explanation names, as the JSON and TSV outputs spell it:
// "master page", "marker", "paragraph tag", "empty page", "range" (a page
// carried by the run of an "Until Changed" row) or "default".
std::string RuleName(const PageExplanation& e);

// Whether a page lost a master page set by hand: the default decided and
// its master page changed.
bool LostHandSetMaster(const PageExplanation& e);
// The mapping row that would keep such a page's master page: a "Master Page"
// row whose cells read As Is ("Landscape | As Is | As Is"); "" for a page
// that had no master page, which no "Master Page" row can name.
std::string RowThatWouldKeep(const PageExplanation& e);

// The why column of --explain.
std::string WhyText(const PageExplanation& e);

// A page that fell back to its default master page for a reason the
// mapping document can mend: a matched row none of whose named master pages
// the document has, or a key met only in another letter case.
struct Fallback {
    std::string rule;   // the row: `Marker Category row 2 "Appendix"`
    bool letterCase = false;
    std::string detail; // the master pages named, or the text met in another letter case
    std::string title;  // the document
};
// The fallback of one explanation, when it is one.
bool FallbackOf(const PageExplanation& e, const std::string& title, Fallback* out);
// One warning per rule over all fallbacks of a run, naming the pages' count
// and documents and pointing to `vellor-host check`.
std::vector<std::string> FallbackWarnings(const std::vector<Fallback>& fallbacks);
