// Which counting markers stand on which body page, worked out in one walk
// over a document's markers: the markers of one type, each with its page and
// text, kept in the document's marker order per page.
#pragma once

#include "host/host_records.h"

#include <cstdint>

struct MarkerPlacement {
    ObjId page;     // the page the marker stands on (0: none found)
    uint32_t order; // place in the document's marker order
    char* text;     // PropMarkerText (null when it has none)
};

struct MarkerPlacements {
    MarkerPlacement* entries; // by page, then in marker order
    uint32_t count;
};

// Walks the markers of `document` once; a marker counts when its
// PropMarkerTypeOf is `markerType` (compared before its page is worked out).
// A markerType of 0 gives no entries. Memory is taken with MemFlagFatal.
void MarkerPlacementsRead(MarkerPlacements* placements, ObjId document, ObjId markerType);

// The counting markers of `page`: *count entries from the returned one, in
// marker order; null with *count 0 when the page has none.
const MarkerPlacement* MarkerPlacementsOnPage(const MarkerPlacements* placements, ObjId page,
                                              uint32_t* count);

void MarkerPlacementsFree(MarkerPlacements* placements);

// The page a paragraph stands on: its text frame's parent's page, or 0.
ObjId PageOfParagraph(ObjId document, ObjId paragraph);
