// One walk over the markers instead of one per page: each counting marker's
// paragraph, page and text are read once, and the entries are sorted by
// paragraph and indexed by page so that a page finds them by binary search.
#include "tools/marker_placement.h"

#include "host/call_layer.h"
#include "support/base/memory.h"

#include <algorithm>

namespace {

// Grows the entries to hold one more. 0 when memory ran out.
int Reserve(MarkerPlacements* placements, uint32_t* capacity) {
    if (placements->count < *capacity) return 1;
    uint32_t grown = *capacity ? *capacity * 2 : 16;
    void* block =
        grown <= 0x3FFFFFFFu / sizeof(MarkerPlacement)
            ? MemRealloc(placements->entries, grown * uint32_t(sizeof(MarkerPlacement)), 0)
            : nullptr;
    if (!block) return 0;
    placements->entries = static_cast<MarkerPlacement*>(block);
    *capacity = grown;
    return 1;
}

} // namespace

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
        if (!location.objId) continue; // anchored nowhere: no page's rule sees it
        if (!Reserve(placements, &capacity)) {
            MarkerPlacementsFree(placements);
            placements->incomplete = 1;
            return;
        }
        // A marker on no page now is still kept: its paragraph may come onto one.
        placements->entries[placements->count++] =
            MarkerPlacement{location.objId, PageOfParagraph(document, location.objId), order,
                            HostGetStringProp(document, marker, PropMarkerText), 0};
    }
    if (!placements->count) return;
    uint32_t indexBytes = placements->count * uint32_t(sizeof(uint32_t));
    placements->byPage = static_cast<uint32_t*>(MemAlloc(indexBytes, 0));
    placements->found = static_cast<uint32_t*>(MemAlloc(indexBytes, 0));
    if (!placements->byPage || !placements->found) {
        MarkerPlacementsFree(placements);
        placements->incomplete = 1;
        return;
    }
    MarkerPlacement* entries = placements->entries;
    std::sort(entries, entries + placements->count,
              [](const MarkerPlacement& a, const MarkerPlacement& b) {
                  return a.paragraph != b.paragraph ? a.paragraph < b.paragraph : a.order < b.order;
              });
    for (uint32_t i = 0; i < placements->count; ++i)
        placements->byPage[i] = i;
    std::sort(placements->byPage, placements->byPage + placements->count,
              [entries](uint32_t a, uint32_t b) {
                  return entries[a].page != entries[b].page ? entries[a].page < entries[b].page
                                                            : entries[a].order < entries[b].order;
              });
}

MarkerPlacement* MarkerPlacementsInParagraph(MarkerPlacements* placements, ObjId paragraph,
                                             uint32_t* count) {
    MarkerPlacement* end = placements->entries + placements->count;
    MarkerPlacement* first =
        std::lower_bound(placements->entries, end, paragraph,
                         [](const MarkerPlacement& e, ObjId p) { return e.paragraph < p; });
    MarkerPlacement* last = first;
    while (last != end && last->paragraph == paragraph)
        ++last;
    *count = uint32_t(last - first);
    return *count ? first : nullptr;
}

const uint32_t* MarkerPlacementsReadOnPage(const MarkerPlacements* placements, ObjId page,
                                           uint32_t* count) {
    const MarkerPlacement* entries = placements->entries;
    const uint32_t* end = placements->byPage + placements->count;
    const uint32_t* first =
        std::lower_bound(static_cast<const uint32_t*>(placements->byPage), end, page,
                         [entries](uint32_t e, ObjId p) { return entries[e].page < p; });
    const uint32_t* last = first;
    while (last != end && entries[*last].page == page)
        ++last;
    *count = uint32_t(last - first);
    return *count ? first : nullptr;
}

void MarkerPlacementsFree(MarkerPlacements* placements) {
    for (uint32_t i = 0; i < placements->count; ++i) MemFree(placements->entries[i].text);
    MemFree(placements->entries);
    MemFree(placements->byPage);
    MemFree(placements->found);
    *placements = MarkerPlacements{};
}
