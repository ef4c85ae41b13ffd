// The counting markers of a document, read in one walk over its markers:
// each with the paragraph it is anchored in, the page and text frame it stood
// in when read, and its text. Text may move between pages while a pass runs (a
// master page with another text frame pushes it on or pulls it back), but a
// marker never leaves its paragraph: so a page finds its markers through the
// paragraphs that stand on it when it is decided, and looks again where the
// others stand that could have come onto it: those read on it, those last seen
// on the pages just decided (pushed on), those read on the next page (pulled
// back), and those found to have moved to it. A marker the walk along the flow
// does not reach (in a table cell, or in a frame of the main flow between
// frames of another flow) is found that way too; one met along the flow once
// is left to the walks.
#pragma once

#include "host/host_records.h"

#include <cstdint>

struct MarkerPlacement {
    ObjId paragraph; // the paragraph of its PropMarkerLocation
    ObjId page;      // the page it stood on when read (0: none)
    ObjId now;       // the page it stood on when last looked at
    ObjId frame;     // its paragraph's text frame when last looked at
    uint32_t order;  // place in the document's marker order
    char* text;      // PropMarkerText (null when it has none)
    uint32_t found;  // the turn of the page that found it last (0: none yet)
    uint8_t walked;  // 1: met along the flow: the walks find it wherever it goes
    uint8_t recent;  // 1: among the entries to look at again on the next page
    uint8_t moved;   // 1: among the entries that left the page they were read on
};

struct MarkerPlacements {
    MarkerPlacement* entries; // by paragraph, then in marker order
    uint32_t* byPage;         // indices of the entries by page read, then in marker order
    uint32_t* found;          // room for the indices one page finds
    uint32_t* recent;         // entries last seen on the pages decided since the last look
    uint32_t* moved;          // entries now on a page other than the one they were read on
    uint32_t count;
    uint32_t recentCount;
    uint32_t movedCount;
    uint32_t looked;   // entries whose page read has been looked at
    int incomplete; // 1: the entries could not be allocated
};

// Walks the markers of `document` once; a marker counts when its
// PropMarkerTypeOf is `markerType` (compared before its place is read).
// A markerType of 0 gives no entries. When memory runs out the entries are
// dropped and the placements are marked incomplete.
void MarkerPlacementsRead(MarkerPlacements* placements, ObjId document, ObjId markerType);

// The counting markers anchored in `paragraph`, met along the flow on the
// page of `turn`: appended to placements->found after the `found` indices
// taken so far, each once a turn. Returns the number taken now.
uint32_t MarkerPlacementsInWalk(MarkerPlacements* placements, ObjId paragraph, uint32_t turn,
                                uint32_t found);

// Completes what `page` found along its paragraphs in `turn` (the first
// `found` indices of placements->found, each entry's found set to the turn)
// with the entries that the walk did not reach and that stand on the page now.
// Returns the number of indices found in all.
uint32_t MarkerPlacementsOnPage(MarkerPlacements* placements, ObjId document, ObjId page,
                                uint32_t turn, uint32_t found);
// A page decided without looking at its markers: those read on it may be
// pushed on by the master page it takes, and are looked at on the next page.
void MarkerPlacementsPassed(MarkerPlacements* placements, ObjId page);

void MarkerPlacementsFree(MarkerPlacements* placements);
