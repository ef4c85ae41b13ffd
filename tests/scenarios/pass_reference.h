// The document pass in its straightforward form, kept beside the suite as the
// reference that the production pass must agree with: every page walks the
// whole marker chain, and every key that passes a key list is looked up by
// scanning its table through the host again.
#pragma once

#include "host/call_layer.h"
#include "support/base/memory.h"
#include "support/base/string_list.h"
#include "support/base/strings.h"
#include "tools/apply_master_pages.h"
#include "tools/mapping_document.h"

namespace pass_reference {

struct Page {
    ObjId mapping;
    ObjId document;
    ObjId page;
    int rightHand;
    const StrList* tagKeys;
    const StrList* masterKeys;
};

inline void ApplyDefault(const Page& p) {
    HostApplyMasterPage(p.document, p.page,
                        HostGetIdProp(0, p.document, p.rightHand ? PropRightMasterPage : PropLeftMasterPage));
}

// Scans the table of kind `heading`, heading row included, for the first row
// whose key equals `key` exactly, and applies the cell of the page's side.
inline int ScanAndApply(const Page& p, const char* heading, const char* key) {
    ObjId table = FindMappingTable(p.mapping, heading);
    if (!table) return 0;
    for (ObjId row = HostGetIdProp(p.mapping, table, PropFirstRow); row;
         row = HostGetIdProp(p.mapping, row, PropNextRow)) {
        char* rowKey = MappingRowKey(p.mapping, row);
        int equal = StrEqual(rowKey, key);
        MemFree(rowKey);
        if (!equal) continue;
        ObjId keyCell = HostGetIdProp(p.mapping, row, PropFirstCell);
        ObjId cell = keyCell ? HostGetIdProp(p.mapping, keyCell, PropNextCell) : 0;
        if (cell && p.rightHand) cell = HostGetIdProp(p.mapping, cell, PropNextCell);
        ApplyCellToPage(p.mapping, p.document, cell, p.page);
        return 1;
    }
    return 0;
}

inline ObjId PageOf(ObjId document, ObjId paragraph) {
    ObjId frame = HostGetIdProp(document, paragraph, PropTextFrame);
    ObjId parent = frame ? HostGetIdProp(document, frame, PropFrameParent) : 0;
    return parent ? HostGetIdProp(document, parent, PropFramePage) : 0;
}

inline int CurrentMaster(const Page& p) {
    char* name = HostGetStringProp(p.document, p.page, PropMasterPageName);
    int found = ListFindNoCase(p.masterKeys, name) >= 0 && ScanAndApply(p, MappingMasterPage, name);
    MemFree(name);
    return found;
}

inline int Marker(const Page& p) {
    ObjId type = HostGetNamedObject(p.document, ObjMarkerType, "MasterPage");
    if (!type) return 0;
    for (ObjId marker = HostGetIdProp(0, p.document, PropFirstMarker); marker;
         marker = HostGetIdProp(p.document, marker, PropNextMarker)) {
        if (HostGetIdProp(p.document, marker, PropMarkerTypeOf) != type) continue;
        TextLoc at = HostGetTextLocProp(p.document, marker, PropMarkerLocation);
        if (!at.objId || PageOf(p.document, at.objId) != p.page) continue;
        char* text = HostGetStringProp(p.document, marker, PropMarkerText);
        int found = ScanAndApply(p, MappingMarkerCategory, text);
        MemFree(text);
        if (found) return 1;
    }
    return 0;
}

inline void Rules(const Page& p) {
    if (CurrentMaster(p) || Marker(p)) return;
    ObjId document = p.document;
    ObjId frame = HostGetIdProp(document, p.page, PropPageFrame);
    ObjId first = frame ? HostGetIdProp(document, frame, PropFirstGraphic) : 0;
    ObjId last = frame ? HostGetIdProp(document, frame, PropLastGraphic) : 0;
    ObjId stop = last ? HostGetIdProp(document, last, PropLastParagraph) : 0;
    ObjId start = first ? HostGetIdProp(document, first, PropFirstParagraph) : 0;
    if (start) {
        for (ObjId para = start; para; para = HostGetIdProp(document, para, PropNextParagraph)) {
            // A paragraph on another page never decides this one.
            if (para != start && PageOf(document, para) != p.page) break;
            char* tag = HostGetStringProp(document, para, PropName);
            int found = ListFindNoCase(p.tagKeys, tag) >= 0 && ScanAndApply(p, MappingParagraphTag, tag);
            MemFree(tag);
            if (found) return;
            if (para == stop) break;
        }
    } else {
        int empty = !first || (!HostGetIdProp(document, first, PropFirstGraphicInFrame) &&
                               !HostGetIdProp(document, first, PropFirstAnchoredFrame));
        if (empty && ScanAndApply(p, MappingPageType, "Empty")) return;
    }
    ApplyDefault(p);
}

inline void ApplyMasterPagesToDoc(ObjId document) {
    HostErrorCode = 0;
    ObjId mapping = LocateMappingDocument();
    if (!mapping) {
        HostAlert(MappingMissingAlert, HostAlertContinueWarning);
        return;
    }
    StrList* tagKeys = MappingKeyList(mapping, FindMappingTable(mapping, MappingParagraphTag));
    StrList* masterKeys = MappingKeyList(mapping, FindMappingTable(mapping, MappingMasterPage));
    for (ObjId page = HostGetIdProp(0, document, PropFirstBodyPage); page;
         page = HostGetIdProp(document, page, PropNextBodyPage)) {
        Page p{mapping, document, page, HostGetIntProp(document, page, PropRightHandPage) != 0, tagKeys,
               masterKeys};
        Rules(p);
    }
    ListFree(tagKeys);
    ListFree(masterKeys);
    if (mapping != document && HostGetIntProp(mapping, mapping, PropDocumentVisible) == 0)
        HostClose(mapping, 1);
    HostRedisplay(document);
}

} // namespace pass_reference
