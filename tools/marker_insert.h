// Command 6: placing a "MasterPage" marker at the insertion point, whose text
// names a row of the "Marker Category" table for the next pass.
#pragma once

#include "host/host_records.h"

// The document's "MasterPage" marker type, created when it lacks one.
ObjId EnsureMarkerType(ObjId document);

// A new marker of the named type with the given text, anchored in front of
// the document's selection. 0 when the selection has no place in the text.
ObjId InsertMarkerAtSelection(ObjId document, const char* markerTypeName, const char* text);

// Command 6: asks for the category and inserts the marker. 1 when the user
// confirmed the prompt, 0 when they cancelled it.
int InsertMasterPageMarker(ObjId document);
