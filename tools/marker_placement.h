// The counting markers of a document, read in one walk over its markers:
// each with the paragraph it is anchored in, the page it stood on when read,
// and its text. Text may move between pages while a pass runs (a master page
// with another text frame pushes it on or pulls it back), but a marker never
// leaves its paragraph: so a page finds its markers through the paragraphs
// that stand on it when it is decided, and checks again the markers that were
// read on it and that no page's paragraphs have shown since.
#pragma once

#include "host/host_records.h"

#include <cstdint>

struct MarkerPlacement {
    ObjId paragraph; // the paragraph of its PropMarkerLocation
    ObjId page;      // the page it stood on when read (0: none)
    uint32_t order;  // place in the document's marker order
    char* text;      // PropMarkerText (null when it has none)
    uint32_t found;  // the turn of the page that found it last (0: none yet)
};

struct MarkerPlacements {
    MarkerPlacement* entries; // by paragraph, then in marker order
    uint32_t* byPage;         // indices of the entries by page read, then in marker order
    uint32_t* found;          // room for the indices one page finds
    uint32_t count;
    int incomplete; // 1: the entries could not be allocated
};

// Walks the markers of `document` once; a marker counts when its
// PropMarkerTypeOf is `markerType` (compared before its place is read).
// A markerType of 0 gives no entries. When memory runs out the entries are
// dropped and the placements are marked incomplete.
void MarkerPlacementsRead(MarkerPlacements* placements, ObjId document, ObjId markerType);

// The counting markers anchored in `paragraph`: *count entries from the
// returned one, in marker order; null with *count 0 when it has none.
MarkerPlacement* MarkerPlacementsInParagraph(MarkerPlacements* placements, ObjId paragraph,
                                             uint32_t* count);
// The indices of the entries read on `page`: *count of them, in marker order.
const uint32_t* MarkerPlacementsReadOnPage(const MarkerPlacements* placements, ObjId page,
                                           uint32_t* count);

void MarkerPlacementsFree(MarkerPlacements* placements);

// The page a paragraph stands on: its text frame's parent's page, or 0.
ObjId PageOfParagraph(ObjId document, ObjId paragraph);
