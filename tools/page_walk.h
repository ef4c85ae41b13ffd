// The paragraphs that stand on a body page, walked along the flow from the
// first paragraph of the page's first graphic object: the walk ends at the
// first paragraph that stands on another page (or at the flow's end), so a
// paragraph of a later page is never taken for one of this page, whatever
// the page's frames and flows are. The first paragraphs walked are kept, so
// that a second walk of the same page costs no host calls for them.
#pragma once

#include "host/host_records.h"

#include <cstdint>

enum : uint32_t { PageWalkKept = 64, PageWalkFrames = 8 };

struct PageWalk {
    ObjId document;
    ObjId page;
    ObjId start;
    ObjId frames[PageWalkFrames]; // text frames known to stand on the page
    uint32_t frameCount;
    ObjId kept[PageWalkKept]; // the first paragraphs walked
    uint32_t keptCount;
    uint32_t known;    // paragraphs known to stand on the page, from the start on
    int ended;         // the walk has met the end of the page's text
    uint32_t position; // of the current walk
    ObjId current;     // the paragraph it gave last
};

// A walk of `page` from `start`; the page's first and last graphic objects
// are known to stand on it.
void PageWalkBegin(PageWalk* walk, ObjId document, ObjId page, ObjId start, ObjId firstGraphic,
                   ObjId lastGraphic);
// The next paragraph: the start first (whatever it stands in), then each
// next paragraph of the flow while it stands on the page; 0 at the end.
ObjId PageWalkNext(PageWalk* walk);
// Starts the walk again from the start.
void PageWalkRewind(PageWalk* walk);
// 1 when the start paragraph itself stands on the page.
int PageWalkStartOnPage(PageWalk* walk);
