// One walk over the markers instead of one per page: each counting marker's
// page is worked out once, and the entries are sorted by page so that a page
// finds its markers by binary search.
#include "tools/marker_placement.h"

#include "host/call_layer.h"
#include "support/base/memory.h"

#include <algorithm>

ObjId PageOfParagraph(ObjId document, ObjId paragraph) {
    ObjId frame = HostGetIdProp(document, paragraph, PropTextFrame);
    ObjId parent = frame ? HostGetIdProp(document, frame, PropFrameParent) : 0;
    return parent ? HostGetIdProp(document, parent, PropFramePage) : 0;
}

void MarkerPlacementsRead(MarkerPlacements* placements, ObjId document, ObjId markerType) {
    *placements = MarkerPlacements{};
    if (!markerType) return;
    uint32_t capacity = 0;
    uint32_t order = 0;
    for (ObjId marker = HostGetIdProp(0, document, PropFirstMarker); marker;
         marker = HostGetIdProp(document, marker, PropNextMarker), ++order) {
        // The type is the cheap test; the page takes four calls.
        if (HostGetIdProp(document, marker, PropMarkerTypeOf) != markerType) continue;
        TextLoc location = HostGetTextLocProp(document, marker, PropMarkerLocation);
        ObjId page = location.objId ? PageOfParagraph(document, location.objId) : 0;
        if (!page) continue; // stands on no page: no page's rule sees it
        if (placements->count == capacity) {
            capacity = capacity ? capacity * 2 : 16;
            void* grown = capacity <= 0x3FFFFFFFu / sizeof(MarkerPlacement)
                              ? MemRealloc(placements->entries, capacity * uint32_t(sizeof(MarkerPlacement)), 0)
                              : nullptr;
            if (!grown) {
                // Out of memory: no marker decides a page in this pass, as if
                // the host had answered none.
                MarkerPlacementsFree(placements);
                return;
            }
            placements->entries = static_cast<MarkerPlacement*>(grown);
        }
        placements->entries[placements->count++] =
            MarkerPlacement{page, order, HostGetStringProp(document, marker, PropMarkerText)};
    }
    std::sort(placements->entries, placements->entries + placements->count,
              [](const MarkerPlacement& a, const MarkerPlacement& b) {
                  return a.page != b.page ? a.page < b.page : a.order < b.order;
              });
}

const MarkerPlacement* MarkerPlacementsOnPage(const MarkerPlacements* placements, ObjId page,
                                              uint32_t* count) {
    *count = 0;
    MarkerPlacement* end = placements->entries + placements->count;
    MarkerPlacement* first = std::lower_bound(
        placements->entries, end, page, [](const MarkerPlacement& entry, ObjId p) { return entry.page < p; });
    MarkerPlacement* last = first;
    while (last != end && last->page == page) ++last;
    *count = uint32_t(last - first);
    return *count ? first : nullptr;
}

void MarkerPlacementsFree(MarkerPlacements* placements) {
    for (uint32_t i = 0; i < placements->count; ++i) MemFree(placements->entries[i].text);
    MemFree(placements->entries);
    *placements = MarkerPlacements{};
}
