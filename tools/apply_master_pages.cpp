// The document pass and the application of mapping cells to body pages.
//
// Rules are tried in order per page and the first that matches decides. A
// matched row always decides its page, even when its cell names nothing the
// document has: the page then falls back to the default master page. The
// mapping tables' keys and the document's counting markers are read once at
// the start of a pass, so that no page reads a table or the marker chain again;
// a page finds its markers through the paragraphs that stand on it when it is
// decided, since a master page applied to an earlier page may move text.
#include "tools/apply_master_pages.h"

#include "host/call_layer.h"
#include "support/base/host_error.h"
#include "support/base/memory.h"
#include "support/base/string_list.h"
#include "support/base/strings.h"
#include "tools/decision_lines.h"
#include "tools/mapping_document.h"
#include "tools/mapping_table_index.h"
#include "tools/marker_placement.h"
#include "tools/page_walk.h"

#include <algorithm>

namespace {

const char MarkerTypeName[] = "MasterPage";
const char EmptyPageKey[] = "Empty";

// What one pass reads once and every page then consults: the four tables'
// keys, the two key lists, and the counting markers.
struct PassTables {
    MappingTableIndex tags;    // "Paragraph Tag"
    MappingTableIndex masters; // "Master Page"
    MappingTableIndex markers; // "Marker Category"
    MappingTableIndex pageTypes; // "Page Type"
    StrList* tagKeys;
    StrList* masterKeys;
    ObjId emptyRow; // the "Page Type" row keyed "Empty"
    MarkerPlacements placements;
    char* documentName; // only while the pass explains its decisions
};

// What the rules of one page share.
struct PageContext {
    ObjId mapping;
    ObjId document;
    ObjId page;
    int rightHand;
    uint32_t turn; // 1 for the first page, 2 for the next...
    PassTables* tables;
    PageDecision* decision; // null unless the pass explains its decisions
};

void ApplyDefaultMasterPage(ObjId document, ObjId page, int rightHand) {
    ObjId master = HostGetIdProp(0, document, rightHand ? PropRightMasterPage : PropLeftMasterPage);
    HostApplyMasterPage(document, page, master);
}

// ApplyCellToPage, saying which candidate decided (from 1), 0 when none did.
uint32_t ApplyCellEntry(ObjId mapping, ObjId document, ObjId cell, ObjId page) {
    uint32_t entry = 0;
    for (ObjId paragraph = cell ? HostGetIdProp(mapping, cell, PropFirstParagraph) : 0; paragraph;
         paragraph = HostGetIdProp(mapping, paragraph, PropNextParagraph)) {
        ++entry;
        char* candidate = GetParagraphText(mapping, paragraph);
        int done = 1;
        ObjId master = StrLen(candidate) ? HostGetNamedObject(document, ObjMasterPage, candidate) : 0;
        if (master)
            HostApplyMasterPage(document, page, master);
        else if (StrEqual(candidate, "As Is"))
            ; // the page keeps what it has
        else if (StrEqual(candidate, "None"))
            HostSetIntProp(document, page, PropPageBackground, HostBackgroundNone);
        else
            done = 0; // a master page the document lacks: try the next candidate
        MemFree(candidate);
        if (done) return entry;
    }
    int rightHand = HostGetIntProp(document, page, PropRightHandPage) != 0;
    ApplyDefaultMasterPage(document, page, rightHand);
    return 0;
}

// Applies the cell of a matched row that belongs to the page's side.
void ApplyRow(const PageContext& context, ObjId row) {
    ObjId mapping = context.mapping;
    ObjId keyCell = HostGetIdProp(mapping, row, PropFirstCell);
    ObjId cell = keyCell ? HostGetIdProp(mapping, keyCell, PropNextCell) : 0;
    if (cell && context.rightHand) cell = HostGetIdProp(mapping, cell, PropNextCell);
    uint32_t entry = ApplyCellEntry(mapping, context.document, cell, context.page);
    if (context.decision) {
        context.decision->cell = cell;
        context.decision->entry = entry;
    }
}

// Applies `row` of `table` when there is one. 1 when a row matched.
int ApplyFoundRow(const PageContext& context, const MappingTableIndex& table, ObjId row) {
    if (!row) return 0;
    if (context.decision) {
        context.decision->table = &table;
        context.decision->row = row;
    }
    ApplyRow(context, row);
    return 1;
}

// Rule 1: the page's current master page has a "Master Page" row. The key
// list decides first; a name listed only in another letter case finds no row.
int RuleCurrentMasterPage(const PageContext& context) {
    char* name = HostGetStringProp(context.document, context.page, PropMasterPageName);
    const MappingTableIndex& masters = context.tables->masters;
    ObjId row = MappingTableFind(&masters, name, 1);
    if (context.decision) {
        if (!row) DecisionNoteCase(context.decision, &masters, name);
        context.decision->before = name; // the master page before the pass
    } else {
        MemFree(name);
    }
    return ApplyFoundRow(context, masters, row);
}

// The text objects of a page that rules 2 to 4 look at.
struct PageText {
    ObjId firstGraphic;
    ObjId lastGraphic;
    ObjId start; // first paragraph of the first graphic object
    ObjId stop;  // last paragraph of the last graphic object
};

PageText ReadPageText(const PageContext& context) {
    ObjId document = context.document;
    PageText text{};
    ObjId frame = HostGetIdProp(document, context.page, PropPageFrame);
    if (!frame) return text;
    text.firstGraphic = HostGetIdProp(document, frame, PropFirstGraphic);
    text.lastGraphic = HostGetIdProp(document, frame, PropLastGraphic);
    if (text.lastGraphic) text.stop = HostGetIdProp(document, text.lastGraphic, PropLastParagraph);
    if (text.firstGraphic) text.start = HostGetIdProp(document, text.firstGraphic, PropFirstParagraph);
    return text;
}

// Rule 2: the first "MasterPage" marker on the page, in the document's marker
// order, whose text has a "Marker Category" row. Earlier pages' master pages
// may have moved text since the markers were read, so the page's markers are
// those anchored in the paragraphs that stand on it now, and those the walk
// along the flow does not reach (another flow's, a table cell's) that stand on
// it now.
int RuleMarker(const PageContext& context, PageWalk* walk) {
    MarkerPlacements* placements = &context.tables->placements;
    if (!placements->count) return 0;
    uint32_t found = 0;
    int startOnPage = PageWalkStartOnPage(walk);
    for (ObjId paragraph = PageWalkNext(walk); paragraph; paragraph = PageWalkNext(walk)) {
        if (paragraph == walk->start && !startOnPage) continue;
        found = MarkerPlacementsInWalk(placements, paragraph, context.turn, found);
    }
    PageWalkRewind(walk);
    found = MarkerPlacementsOnPage(placements, context.document, context.page, context.turn, found);
    const MarkerPlacement* entries = placements->entries;
    std::sort(placements->found, placements->found + found,
              [entries](uint32_t a, uint32_t b) { return entries[a].order < entries[b].order; });
    const MappingTableIndex& markers = context.tables->markers;
    for (uint32_t i = 0; i < found; ++i) {
        const char* text = entries[placements->found[i]].text;
        ObjId row = MappingTableFind(&markers, text, 0);
        if (ApplyFoundRow(context, markers, row)) return 1;
        if (context.decision) DecisionNoteCase(context.decision, &markers, text);
    }
    return 0;
}

// Rule 3: the first paragraph of the page, in flow order, whose tag has a
// "Paragraph Tag" row. The walk ends after the stop paragraph, and before
// the first paragraph that stands on another page: when the page's frames
// are listed against the flow, or its last frame holds another flow or no
// text at all, the stop paragraph is never met, and a later page's heading
// must not decide this page.
int RuleParagraphTag(const PageContext& context, const PageText& text, PageWalk* walk) {
    ObjId document = context.document;
    for (ObjId paragraph = PageWalkNext(walk); paragraph; paragraph = PageWalkNext(walk)) {
        char* tag = HostGetStringProp(document, paragraph, PropName);
        // A tag that passes the list but differs in case from its key finds
        // no row, and the walk goes on.
        ObjId row = MappingTableFind(&context.tables->tags, tag, 1);
        if (!row && context.decision) DecisionNoteCase(context.decision, &context.tables->tags, tag);
        MemFree(tag);
        if (ApplyFoundRow(context, context.tables->tags, row)) return 1;
        if (paragraph == text.stop) return 0;
    }
    return 0;
}

// Rule 4: a page without text, with a "Page Type" row "Empty".
int RuleEmptyPage(const PageContext& context, const PageText& text) {
    ObjId document = context.document;
    ObjId first = text.firstGraphic;
    int empty = !first || (!text.start && !HostGetIdProp(document, first, PropFirstGraphicInFrame) &&
                           !HostGetIdProp(document, first, PropFirstAnchoredFrame));
    return empty && ApplyFoundRow(context, context.tables->pageTypes, context.tables->emptyRow);
}

void ApplyRulesToPage(const PageContext& context) {
    if (RuleCurrentMasterPage(context)) {
        MarkerPlacementsPassed(&context.tables->placements, context.page);
        return;
    }
    PageText text = ReadPageText(context);
    PageWalk walk;
    PageWalkBegin(&walk, context.document, context.page, text.start, text.firstGraphic,
                  text.lastGraphic);
    if (RuleMarker(context, &walk)) return;
    if (text.start) {
        if (RuleParagraphTag(context, text, &walk)) return;
    } else if (RuleEmptyPage(context, text)) {
        return;
    }
    // Also sets a page with a custom master page back to the default.
    ApplyDefaultMasterPage(context.document, context.page, context.rightHand);
}

// Reads the mapping tables and the document's counting markers, once.
// Returns 0 when memory ran out for any of them: a table that could not be
// held would make its pages fall back to their defaults, so the pass then
// changes nothing at all.
int PassTablesRead(PassTables* tables, ObjId mapping, ObjId document) {
    MappingTableRead(&tables->tags, mapping, MappingParagraphTag);
    MappingTableRead(&tables->masters, mapping, MappingMasterPage);
    MappingTableRead(&tables->markers, mapping, MappingMarkerCategory);
    MappingTableRead(&tables->pageTypes, mapping, MappingPageType);
    tables->tagKeys = MappingTableKeyList(&tables->tags);
    tables->masterKeys = MappingTableKeyList(&tables->masters);
    tables->emptyRow = MappingTableFind(&tables->pageTypes, EmptyPageKey, 0);
    MarkerPlacementsRead(&tables->placements, document,
                         HostGetNamedObject(document, ObjMarkerType, MarkerTypeName));
    return !tables->tags.incomplete && !tables->masters.incomplete && !tables->markers.incomplete &&
           !tables->pageTypes.incomplete && !tables->placements.incomplete &&
           (tables->tagKeys || !tables->tags.table) && (tables->masterKeys || !tables->masters.table);
}

void PassTablesFree(PassTables* tables) {
    MappingTableFree(&tables->tags);
    MappingTableFree(&tables->masters);
    MappingTableFree(&tables->markers);
    MappingTableFree(&tables->pageTypes);
    ListFree(tables->tagKeys);
    ListFree(tables->masterKeys);
    MarkerPlacementsFree(&tables->placements);
    MemFree(tables->documentName);
}

// A mapping document that is not on screen was opened by a pass and goes
// again. The document being processed may itself be the mapping document
// (the first open document with a "Page Type" table); closing it would
// throw away the pass's changes before a book pass saves them.
void CloseHiddenMapping(ObjId mapping, ObjId document) {
    if (mapping != document && HostGetIntProp(mapping, mapping, PropDocumentVisible) == 0)
        HostClose(mapping, 1);
}

} // namespace

void ApplyCellToPage(ObjId mapping, ObjId document, ObjId cell, ObjId page) {
    ApplyCellEntry(mapping, document, cell, page);
}

void ApplyMasterPagesToDoc(ObjId document) {
    HostErrorCode = 0;
    ObjId mapping = LocateMappingDocument();
    if (!mapping) {
        HostAlert(MappingMissingAlert, HostAlertContinueWarning);
        return;
    }
    // The tables and markers are read once here rather than at every page:
    // the pass then costs pages + markers + rows instead of their products.
    PassTables tables{};
    if (!PassTablesRead(&tables, mapping, document)) {
        PassTablesFree(&tables);
        CloseHiddenMapping(mapping, document);
        return;
    }

    // Explaining costs the document's name once and, per page, its master
    // page after and the candidates of the row that decided.
    int explain = ExplainMasterPages;
    if (explain) tables.documentName = HostGetStringProp(document, document, PropName);
    uint32_t turn = 0;
    for (ObjId page = HostGetIdProp(0, document, PropFirstBodyPage); page;
         page = HostGetIdProp(document, page, PropNextBodyPage)) {
        PageDecision decision{};
        PageContext context{mapping, document, page, 0, ++turn, &tables, explain ? &decision : nullptr};
        context.rightHand = HostGetIntProp(document, page, PropRightHandPage) != 0;
        ApplyRulesToPage(context);
        if (explain)
            ExplainDecision(&decision, tables.documentName, mapping, document, page, turn, context.rightHand);
    }

    PassTablesFree(&tables);
    CloseHiddenMapping(mapping, document);
    HostRedisplay(document);
}

void RefreshDocumentView(ObjId document) {
    TextRange selection = HostGetTextRangeProp(0, document, PropTextSelection);
    ObjId current = HostGetIdProp(0, document, PropCurrentPage);
    HostSetIdProp(0, document, PropCurrentPage, HostGetIdProp(0, document, PropFirstMasterPage));
    HostSetIdProp(0, document, PropCurrentPage, current);
    HostSetTextRangeProp(0, document, PropTextSelection, &selection);
}
