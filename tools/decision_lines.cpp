// The console line that explains one page's master page. It is built whole
// and written with one console call, so that a reader of the console (or a
// program reading the host's console) gets it as one line.
#include "tools/decision_lines.h"

#include "host/call_layer.h"
#include "support/base/format.h"
#include "support/base/memory.h"
#include "support/base/strings.h"
#include "support/io/format_output.h"
#include "tools/mapping_document.h"
#include "tools/mapping_rules.h"

const char ExplainMessageWord[] = "ExplainMasterPages";
const char ExplainLinePrefix[] = "Master page: ";

int ExplainMasterPages = 0;

namespace {

// Appends `text` in double quotes, each quote inside doubled. A control
// character becomes a space, so that a cell holding a line break cannot cut
// the line in two. A quote or control byte is never the trail byte of a
// host encoding's character, so the bytes can be looked at one by one.
int AppendQuoted(char** line, const char* text) {
    int length = StrLen(text);
    char* quoted = static_cast<char*>(MemAlloc(uint32_t(length) * 2 + 3, 0));
    if (!quoted) return -1;
    int at = 0;
    quoted[at++] = '"';
    for (int i = 0; i < length; ++i) {
        char c = text[i];
        if (c == '"') quoted[at++] = '"';
        quoted[at++] = static_cast<unsigned char>(c) < 0x20 ? ' ' : c;
    }
    quoted[at++] = '"';
    quoted[at] = 0;
    int result = AppendToString(line, quoted);
    MemFree(quoted);
    return result;
}

// A master page name, or `none` for a page without one.
int AppendName(char** line, const char* name) {
    return StrLen(name) ? AppendQuoted(line, name) : AppendToString(line, "none");
}

int AppendNumber(char** line, const char* before, uint32_t number) {
    char digits[32];
    FmtSprintf(digits, "%s%u", before, number);
    return AppendToString(line, digits);
}

// The index of `row` in the table, or the row count when it is not there.
uint32_t RowIndex(const MappingTableIndex* table, ObjId row) {
    uint32_t at = 0;
    while (at < table->rowCount && table->rows[at] != row) ++at;
    return at;
}

// "<table> table row <n> key "<key>"": rows count from 1, the heading row first.
int AppendRow(char** line, const MappingTableIndex* table, uint32_t index) {
    const char* key = index < table->rowCount ? table->keys[index] : "";
    if (AppendToString(line, table->word) || AppendNumber(line, " table row ", index + 1) ||
        AppendToString(line, " key "))
        return -1;
    return AppendQuoted(line, key);
}

// The candidates of the cell, each quoted, or ` none` for an empty cell.
int AppendCandidates(char** line, ObjId mapping, ObjId cell) {
    int count = 0;
    for (ObjId paragraph = cell ? HostGetIdProp(mapping, cell, PropFirstParagraph) : 0; paragraph;
         paragraph = HostGetIdProp(mapping, paragraph, PropNextParagraph), ++count) {
        char* candidate = GetParagraphText(mapping, paragraph);
        int failed = AppendToString(line, " ") || AppendQuoted(line, candidate);
        MemFree(candidate);
        if (failed) return -1;
    }
    return count ? 0 : AppendToString(line, " none");
}

int AppendRule(char** line, const PageDecision* d, ObjId mapping, int rightHand) {
    if (!d->table) {
        if (AppendToString(line, "default")) return -1;
        if (!d->caseTable) return 0;
        return AppendToString(line, "; ") || AppendQuoted(line, d->caseText) ||
                       AppendToString(line, " matches ") || AppendRow(line, d->caseTable, d->caseRow) ||
                       AppendToString(line, " only in another letter case")
                   ? -1
                   : 0;
    }
    if (AppendRow(line, d->table, RowIndex(d->table, d->row)) ||
        (d->rangeFrom && AppendNumber(line, " until changed from body page ", d->rangeFrom)) ||
        AppendToString(line, rightHand ? ", right candidates" : ", left candidates") ||
        AppendCandidates(line, mapping, d->cell))
        return -1;
    return d->entry ? AppendNumber(line, ", entry ", d->entry) : AppendToString(line, ", no entry: default");
}

} // namespace

void DecisionNoteCase(PageDecision* decision, const MappingTableIndex* table, const char* text) {
    uint32_t row = 0;
    if (decision->caseTable || !MappingTableFindNoCase(table, text, &row)) return;
    decision->caseText = StrDup(text);
    if (decision->caseText) {
        decision->caseTable = table;
        decision->caseRow = row;
    }
}

void ExplainDecision(PageDecision* d, const char* documentName, ObjId mapping, ObjId document, ObjId page,
                     uint32_t position, int rightHand) {
    char* after = HostGetStringProp(document, page, PropMasterPageName);
    char* line = nullptr;
    int failed = AppendToString(&line, ExplainLinePrefix) || AppendQuoted(&line, documentName) ||
                 AppendNumber(&line, " body page ", position) ||
                 AppendToString(&line, rightHand ? " (right): " : " (left): ") || AppendName(&line, d->before) ||
                 AppendToString(&line, " -> ") || AppendName(&line, after) || AppendToString(&line, " by ") ||
                 AppendRule(&line, d, mapping, rightHand) || AppendToString(&line, "\n");
    if (!failed) FmtConsoleWrite(line);
    MemFree(line);
    MemFree(after);
    MemFree(d->before);
    MemFree(d->caseText);
    *d = PageDecision{};
}
