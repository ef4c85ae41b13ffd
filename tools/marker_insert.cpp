// Insertion of master page markers (command 6).
#include "tools/marker_insert.h"

#include "host/call_layer.h"
#include "support/base/memory.h"

namespace {
const char MarkerTypeName[] = "MasterPage";
const char MarkerPrompt[] = "Enter the Master Page Marker Category:";
} // namespace

ObjId EnsureMarkerType(ObjId document) {
    ObjId markerType = HostGetNamedObject(document, ObjMarkerType, MarkerTypeName);
    if (markerType) return markerType;
    return HostNewNamedObject(document, ObjMarkerType, MarkerTypeName);
}

ObjId InsertMarkerAtSelection(ObjId document, const char* markerTypeName, const char* text) {
    TextRange selection = HostGetTextRangeProp(0, document, PropTextSelection);
    // A selected graphic, or no document at all, leaves no place in the text.
    if (!selection.begin.objId) return 0;
    // Anchored at the begin location: a selection is not replaced.
    ObjId marker = HostNewAnchoredObject(document, ObjMarker, &selection.begin);
    if (!marker) return 0;
    ObjId markerType = HostGetNamedObject(document, ObjMarkerType, markerTypeName);
    HostSetIdProp(document, marker, PropMarkerTypeOf, markerType);
    HostSetStringProp(document, marker, PropMarkerText, text ? text : "");
    return marker;
}

int InsertMasterPageMarker(ObjId document) {
    // The type is made before asking, so a cancelled prompt keeps it.
    EnsureMarkerType(document);
    char* category = nullptr;
    if (HostPromptString(&category, MarkerPrompt, "") != 0) {
        MemFree(category);
        return 0;
    }
    InsertMarkerAtSelection(document, MarkerTypeName, category);
    MemFree(category);
    return 1;
}
