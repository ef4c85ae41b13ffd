// The mapping document: locating, opening and showing it, reading its tables
// and building the key lists of the document pass. Every read goes through the
// host; nothing of the document is kept between commands, so edits in an open
// mapping document apply to the next pass at once.
#include "tools/mapping_document.h"

#include "host/call_layer.h"
#include "host/prop_vals.h"
#include "support/base/format.h"
#include "support/io/format_output.h"
#include "support/base/memory.h"
#include "support/base/strings.h"

const char MappingMissingAlert[] = "Could not open the MasterPage.fm document.";
const char KeyListMemoryLine[] = "Couldn't allocate string list memory\n";

namespace {

const char MappingFileName[] = "MasterPage.fm";

// Open options for the mapping document, in the order the host receives them.
// The first entry (5) shows or hides the document and takes the caller's value.
struct OpenOption {
    int32_t number;
    int32_t value;
};
constexpr OpenOption MappingOpenOptions[] = {
    {5, 0}, {2, 1}, {3, 1}, {17, 7}, {23, 1}, {28, 1}, {22, 1}, {25, 1}, {19, 1},
};
constexpr uint32_t MappingOpenOptionCount = sizeof MappingOpenOptions / sizeof MappingOpenOptions[0];

// Whether the heading cell of `table` (first paragraph of the first cell of
// the first row) begins with `word`. A table without rows has no heading.
int TableHeadingHasPrefix(ObjId document, ObjId table, const char* word) {
    ObjId row = HostGetIdProp(document, table, PropFirstRow);
    if (!row) return 0;
    char* heading = MappingRowKey(document, row);
    int matches = MappingHeadingIsKind(heading, word);
    MemFree(heading);
    return matches;
}

} // namespace

int AppendToString(char** string, const char* text) {
    int have = StrLen(*string);
    int add = StrLen(text);
    auto* grown = static_cast<char*>(MemRealloc(*string, uint32_t(have) + uint32_t(add) + 1, 0));
    if (!grown) return -1;
    MemCopy(text ? text : "", grown + have, add);
    grown[have + add] = '\0';
    *string = grown;
    return 0;
}

char* GetParagraphText(ObjId document, ObjId paragraph) {
    TextRange range{{paragraph, 0}, {paragraph, TextOffsetEnd}};
    TextItems items = HostGetText(document, &range, TextItemString);
    char* text = nullptr;
    for (uint32_t i = 0; i < items.count; ++i) {
        if (items.items[i].kind != TextItemString) continue;
        if (AppendToString(&text, items.items[i].value.text) != 0) {
            // Half a paragraph would compare as some other key: give none.
            MemFree(text);
            text = nullptr;
            break;
        }
    }
    TextItemsFree(&items);
    return text;
}

char* MappingRowKey(ObjId mapping, ObjId row) {
    return MappingCellText(mapping, HostGetIdProp(mapping, row, PropFirstCell));
}

char* MappingCellText(ObjId mapping, ObjId cell) {
    ObjId paragraph = cell ? HostGetIdProp(mapping, cell, PropFirstParagraph) : 0;
    return paragraph ? GetParagraphText(mapping, paragraph) : nullptr;
}

ObjId MappingCellOn(ObjId mapping, ObjId cell, int place) {
    for (int step = 0; cell && step < place; ++step) cell = HostGetIdProp(mapping, cell, PropNextCell);
    return cell;
}

ObjId FindMappingTable(ObjId document, const char* word) {
    for (ObjId table = HostGetIdProp(0, document, PropFirstTable); table;
         table = HostGetIdProp(document, table, PropNextTable))
        if (TableHeadingHasPrefix(document, table, word)) return table;
    return 0;
}

ObjId FindMappingDocument() {
    for (ObjId document = HostGetIdProp(0, 0, PropFirstOpenDocument); document;
         document = HostGetIdProp(document, document, PropNextOpenDocument))
        if (FindMappingTable(document, MappingPageType)) return document;
    return 0;
}

ObjId OpenMappingDocument(int show) {
    char* path = HostGetStringProp(0, 0, PropHostDirectory);
    if (AppendToString(&path, "\\") != 0 || AppendToString(&path, MappingFileName) != 0) {
        MemFree(path);
        return 0;
    }
    PropVals options = PropValsAlloc(MappingOpenOptionCount);
    ObjId document = 0;
    if (options.count == MappingOpenOptionCount) {
        for (uint32_t i = 0; i < MappingOpenOptionCount; ++i) {
            PropVal& entry = options.entries[i];
            entry.ident.number = MappingOpenOptions[i].number;
            entry.value.kind = TypedInteger;
            entry.value.value.integer = i == 0 ? show : MappingOpenOptions[i].value;
        }
        PropVals* returned = nullptr;
        document = HostOpen(path, &options, &returned);
        if (returned) PropValsFree(returned);
    }
    PropValsFree(&options);
    MemFree(path);
    return document;
}

void EditMappingDocument() {
    ObjId mapping = FindMappingDocument();
    if (mapping) {
        // Also brings back a mapping document that a pass opened hidden.
        HostSetIntProp(0, mapping, PropDocumentVisible, 1);
        return;
    }
    if (!OpenMappingDocument(1)) HostAlert(MappingMissingAlert, HostAlertContinueWarning);
}

ObjId LocateMappingDocument() {
    ObjId mapping = FindMappingDocument();
    if (mapping) return mapping;
    // A "MasterPage.fm" without a "Page Type" table is opened but not used.
    OpenMappingDocument(0);
    return FindMappingDocument();
}

StrList* MappingKeyList(ObjId mapping, ObjId table) {
    StrList* keys = ListNew(1, 1);
    if (!keys || !table) return keys;
    for (ObjId row = HostGetIdProp(mapping, table, PropFirstRow); row;
         row = HostGetIdProp(mapping, row, PropNextRow)) {
        if (HostGetIntProp(mapping, row, PropRowType) != MappingBodyRowType) continue;
        char* key = MappingRowKey(mapping, row);
        if (!MappingKeyIsEmpty(key) && ListFindNoCase(keys, key) < 0 && ListAppend(keys, key) != 0)
            FmtPrint(nullptr, KeyListMemoryLine);
        MemFree(key);
    }
    return keys;
}
