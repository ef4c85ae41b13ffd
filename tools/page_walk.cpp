// A page's paragraphs along the flow. A paragraph is on the page when its
// text frame is; a frame seen on the page once is remembered, so that most
// paragraphs cost two calls (the next paragraph, its frame).
#include "tools/page_walk.h"

#include "host/call_layer.h"

namespace {

int FrameOnPage(PageWalk* walk, ObjId frame) {
    if (!frame) return 0;
    for (uint32_t i = 0; i < walk->frameCount; ++i)
        if (walk->frames[i] == frame) return 1;
    ObjId parent = HostGetIdProp(walk->document, frame, PropFrameParent);
    if (!parent || HostGetIdProp(walk->document, parent, PropFramePage) != walk->page) return 0;
    if (walk->frameCount < PageWalkFrames) walk->frames[walk->frameCount++] = frame;
    return 1;
}

int OnPage(PageWalk* walk, ObjId paragraph) {
    return FrameOnPage(walk, HostGetIdProp(walk->document, paragraph, PropTextFrame));
}

} // namespace

void PageWalkBegin(PageWalk* walk, ObjId document, ObjId page, ObjId start, ObjId firstGraphic,
                   ObjId lastGraphic) {
    *walk = PageWalk{};
    walk->document = document;
    walk->page = page;
    walk->start = start;
    if (firstGraphic) walk->frames[walk->frameCount++] = firstGraphic;
    if (lastGraphic && lastGraphic != firstGraphic) walk->frames[walk->frameCount++] = lastGraphic;
}

ObjId PageWalkNext(PageWalk* walk) {
    uint32_t at = walk->position;
    ObjId next;
    if (at == 0) {
        next = walk->start;
    } else if (at < walk->keptCount) {
        next = walk->kept[at];
    } else if (at < walk->known) {
        next = HostGetIdProp(walk->document, walk->current, PropNextParagraph); // walked before
    } else {
        if (walk->ended) return 0;
        next = HostGetIdProp(walk->document, walk->current, PropNextParagraph);
        if (!next || !OnPage(walk, next)) {
            walk->ended = 1;
            return 0;
        }
    }
    if (!next) return 0;
    if (at >= walk->known) walk->known = at + 1;
    if (at == walk->keptCount && at < PageWalkKept) walk->kept[walk->keptCount++] = next;
    walk->current = next;
    walk->position = at + 1;
    return next;
}

void PageWalkRewind(PageWalk* walk) {
    walk->position = 0;
    walk->current = 0;
}

int PageWalkStartOnPage(PageWalk* walk) {
    return walk->start && OnPage(walk, walk->start);
}
