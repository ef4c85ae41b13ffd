// One walk over the markers instead of one per page: each counting marker's
// paragraph, page, frame and text are read once, and the entries are sorted by
// paragraph and indexed by page so that a page finds them by binary search.
// Looking again where a marker stands costs one call while its paragraph stays
// in the same text frame (a frame never leaves its page), three when it moved.
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

ObjId PageOfFrame(ObjId document, ObjId frame) {
    ObjId parent = frame ? HostGetIdProp(document, frame, PropFrameParent) : 0;
    return parent ? HostGetIdProp(document, parent, PropFramePage) : 0;
}

// The indices of the entries read on `page`: *count of them, in marker order.
const uint32_t* ReadOnPage(const MarkerPlacements* placements, ObjId page, uint32_t* count) {
    const MarkerPlacement* entries = placements->entries;
    const uint32_t* end = placements->byPage + placements->count;
    const uint32_t* first =
        std::lower_bound(static_cast<const uint32_t*>(placements->byPage), end, page,
                         [entries](uint32_t e, ObjId p) { return entries[e].page < p; });
    const uint32_t* last = first;
    while (last != end && entries[*last].page == page)
        ++last;
    *count = uint32_t(last - first);
    return first;
}

void MakeRecent(MarkerPlacements* placements, uint32_t index) {
    MarkerPlacement& entry = placements->entries[index];
    if (entry.recent || entry.walked) return;
    entry.recent = 1;
    placements->recent[placements->recentCount++] = index;
}

// One page's look at the entries that may have come onto it.
struct Look {
    MarkerPlacements* placements;
    ObjId document;
    ObjId page;
    uint32_t turn;
    uint32_t found;
};

// Where the entry stands now; it counts for the page when there. An entry
// that stands elsewhere than where it was read is looked for on its new page.
// 1 when it came onto the page.
int Consider(Look& look, uint32_t index) {
    MarkerPlacements* placements = look.placements;
    MarkerPlacement& entry = placements->entries[index];
    if (entry.found == look.turn) return 1;
    if (entry.walked) return 0; // a walk would have met it here
    ObjId frame = HostGetIdProp(look.document, entry.paragraph, PropTextFrame);
    if (frame != entry.frame) {
        entry.frame = frame;
        entry.now = PageOfFrame(look.document, frame);
    }
    if (entry.now != entry.page && !entry.moved) {
        entry.moved = 1;
        placements->moved[placements->movedCount++] = index;
    }
    if (entry.now != look.page) return 0;
    entry.found = look.turn;
    placements->found[look.found++] = index;
    return 1;
}

// The entries read on `page` that are looked for there (not those that moved).
// 1 when one of them came onto the page looked at.
int ConsiderReadOn(Look& look, ObjId page) {
    uint32_t count = 0;
    const uint32_t* read = ReadOnPage(look.placements, page, &count);
    int came = 0;
    for (uint32_t i = 0; i < count; ++i)
        if (!look.placements->entries[read[i]].moved) came |= Consider(look, read[i]);
    return came;
}

} // namespace


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
        ObjId frame = HostGetIdProp(document, location.objId, PropTextFrame);
        ObjId page = PageOfFrame(document, frame);
        placements->entries[placements->count++] = MarkerPlacement{
            location.objId, page, page, frame, order, HostGetStringProp(document, marker, PropMarkerText),
            0, 0, 0, 0};
    }
    if (!placements->count) return;
    uint32_t indexBytes = placements->count * uint32_t(sizeof(uint32_t));
    placements->byPage = static_cast<uint32_t*>(MemAlloc(indexBytes, 0));
    placements->found = static_cast<uint32_t*>(MemAlloc(indexBytes, 0));
    placements->recent = static_cast<uint32_t*>(MemAlloc(indexBytes, 0));
    placements->moved = static_cast<uint32_t*>(MemAlloc(indexBytes, 0));
    if (!placements->byPage || !placements->found || !placements->recent || !placements->moved) {
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

uint32_t MarkerPlacementsInWalk(MarkerPlacements* placements, ObjId paragraph, uint32_t turn,
                                uint32_t found) {
    MarkerPlacement* end = placements->entries + placements->count;
    MarkerPlacement* entry =
        std::lower_bound(placements->entries, end, paragraph,
                         [](const MarkerPlacement& e, ObjId p) { return e.paragraph < p; });
    for (; entry != end && entry->paragraph == paragraph; ++entry) {
        entry->walked = 1;
        if (entry->found == turn) continue;
        entry->found = turn;
        placements->found[found++] = uint32_t(entry - placements->entries);
    }
    return found;
}

uint32_t MarkerPlacementsOnPage(MarkerPlacements* placements, ObjId document, ObjId page,
                                uint32_t turn, uint32_t found) {
    Look look{placements, document, page, turn, found};
    // Last seen on the pages decided before: the master pages they took may
    // have pushed them on.
    uint32_t recent = placements->recentCount;
    placements->recentCount = 0;
    for (uint32_t i = 0; i < recent; ++i) {
        placements->entries[placements->recent[i]].recent = 0;
        Consider(look, placements->recent[i]);
    }
    uint32_t read = 0;
    ReadOnPage(placements, page, &read);
    placements->looked += read;
    ConsiderReadOn(look, page);
    for (uint32_t i = 0; i < placements->movedCount; ++i)
        if (placements->entries[placements->moved[i]].now == page) Consider(look, placements->moved[i]);
    // Read on the next page: an earlier page's master page may have pulled
    // them back. Text keeps its order, so when none came, none from further on did.
    if (placements->looked < placements->count) {
        ObjId next = HostGetIdProp(document, page, PropNextBodyPage);
        while (next && ConsiderReadOn(look, next))
            next = HostGetIdProp(document, next, PropNextBodyPage);
    }
    for (uint32_t i = 0; i < look.found; ++i) MakeRecent(placements, placements->found[i]);
    return look.found;
}

void MarkerPlacementsPassed(MarkerPlacements* placements, ObjId page) {
    uint32_t count = 0;
    const uint32_t* read = ReadOnPage(placements, page, &count);
    placements->looked += count;
    for (uint32_t i = 0; i < count; ++i)
        if (!placements->entries[read[i]].moved) MakeRecent(placements, read[i]);
    for (uint32_t i = 0; i < placements->movedCount; ++i)
        if (placements->entries[placements->moved[i]].now == page) MakeRecent(placements, placements->moved[i]);
}

void MarkerPlacementsFree(MarkerPlacements* placements) {
    for (uint32_t i = 0; i < placements->count; ++i) MemFree(placements->entries[i].text);
    MemFree(placements->entries);
    MemFree(placements->byPage);
    MemFree(placements->found);
    MemFree(placements->recent);
    MemFree(placements->moved);
    *placements = MarkerPlacements{};
}
