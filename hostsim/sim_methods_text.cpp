// Methods of the main interface about named and anchored objects and text:
// looking up and creating named objects, anchoring markers, inserting text
// and handing out the text of a range as text items.
#include "hostsim/sim_server_internal.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <string_view>

namespace {

SimObjKind DocumentKind(int32_t kind) {
    switch (kind) {
    case ObjMasterPage: return SimObjMasterPage;
    case ObjMarkerType: return SimObjMarkerType;
    case ObjParagraphFormat: return SimObjParagraphFormat;
    }
    return SimObjNone;
}

HRESULT GetNamedObject(IUnknown* self, ObjId document, int32_t kind, const char* name, int32_t* status,
                       ObjId* object) {
    SimCall call(self, HostMethodGetNamedObject);
    if (FAILED(call.failed)) return call.failed;
    if (!status || !object) return E_POINTER;
    SimServer* s = call.server;
    std::string text = SimFromFrameRoman(name);
    ObjId found = 0;
    int32_t own = SimOk;
    if (document == 0) {
        // Session objects: menus (menu bars among them) and separators.
        ObjId id = SimMenuByName(s->session, text);
        SimMenuKind want = kind == ObjMenuSeparator ? SimMenuSeparator : SimMenuMenu;
        if ((kind == ObjMenu || kind == ObjMenuSeparator) && id && s->session.menus[id].kind == want)
            found = id;
    } else if (SimDoc* d = SimOpen(s, document); d && !d->isBook) {
        found = SimToClient(*d, SimNamed(*d, DocumentKind(kind), text));
    } else {
        own = SimStatusBadDocument;
    }
    if (!own && !found) own = SimStatusNotFound;
    *object = own ? 0 : found;
    *status = call.Answer(own);
    return S_OK;
}

HRESULT NewNamedObject(IUnknown* self, ObjId document, int32_t kind, const char* name, int32_t* status,
                       ObjId* object) {
    SimCall call(self, HostMethodNewNamedObject);
    if (FAILED(call.failed)) return call.failed;
    if (!status || !object) return E_POINTER;
    std::string text = SimFromFrameRoman(name);
    SimDoc* d = SimOpen(call.server, document);
    SimObjKind k = DocumentKind(kind);
    int32_t own = SimOk;
    ObjId made = 0;
    if (!d || d->isBook)
        own = SimStatusBadDocument;
    else if (k == SimObjNone || text.empty())
        own = SimStatusBadArgument;
    else if (SimNamed(*d, k, text))
        own = SimStatusBadValue; // the name is taken
    else if (!(made = SimNewObject(*d, k)))
        own = SimStatusBadValue;
    if (made) {
        // A new format has the host's defaults: no indent, no other settings.
        d->objects[made].name = text;
        (k == SimObjMasterPage ? d->masterPages : k == SimObjMarkerType ? d->markerTypes : d->formats)
            .push_back(made);
        d->modified = true;
    }
    *object = own ? 0 : SimToClient(*d, made);
    *status = call.Answer(own);
    return S_OK;
}

HRESULT NewAnchoredObject(IUnknown* self, ObjId document, int32_t kind, const TextLoc* at, int32_t* status,
                          ObjId* object) {
    SimCall call(self, HostMethodNewAnchoredObject);
    if (FAILED(call.failed)) return call.failed;
    if (!status || !object) return E_POINTER;
    SimDoc* d = SimOpen(call.server, document);
    int32_t own = SimOk;
    ObjId made = 0;
    if (!d || d->isBook)
        own = SimStatusBadDocument;
    else if (kind != ObjMarker || !at)
        own = SimStatusBadArgument;
    else if (ObjId para = SimToLocal(*d, at->objId); !para)
        own = SimStatusBadObject;
    else if (!(made = SimAnchorMarker(*d, TextLoc{para, at->offset})))
        own = SimStatusBadValue;
    *object = own ? 0 : SimToClient(*d, made);
    *status = call.Answer(own);
    return S_OK;
}

HRESULT AddText(IUnknown* self, ObjId document, const TextLoc* at, const char* text, int32_t* status,
                TextLoc* after) {
    SimCall call(self, HostMethodAddText);
    if (FAILED(call.failed)) return call.failed;
    if (!status || !after) return E_POINTER;
    *after = TextLoc{};
    SimDoc* d = SimOpen(call.server, document);
    int32_t own = SimOk;
    if (!d || d->isBook) {
        own = SimStatusBadDocument;
    } else if (!at) {
        own = SimStatusBadArgument;
    } else {
        // '\n' ends a paragraph: split on the client's byte before converting
        // the pieces, since FrameRoman reads 0x0A as a character of its own.
        std::string client = text ? text : "", utf8;
        size_t start = 0;
        for (;;) {
            size_t end = client.find('\n', start);
            utf8 += SimFromFrameRoman(client.substr(start, end == std::string::npos ? end : end - start));
            if (end == std::string::npos) break;
            utf8 += '\n';
            start = end + 1;
        }
        TextLoc local{SimToLocal(*d, at->objId), at->offset == TextOffsetEnd ? INT32_MAX : at->offset};
        TextLoc end{};
        own = local.objId ? SimInsertText(*d, local, utf8, &end) : SimStatusBadObject;
        if (!own) *after = TextLoc{SimToClient(*d, end.objId), end.offset};
    }
    *status = call.Answer(own);
    return S_OK;
}

// A string item as the host finds it: its position and its UTF-8, a view
// of the paragraph's text.
struct StringItem {
    int32_t offset;
    std::string_view text;
};

// The string items of a range: a paragraph's few in place, more on the
// heap, so that asking for one paragraph's text allocates nothing but the
// answer.
struct StringItems {
    static constexpr size_t InPlace = 4;
    StringItem first[InPlace];
    std::vector<StringItem> more;
    size_t count = 0;
    void push_back(StringItem item) {
        if (count < InPlace) first[count] = item;
        else more.push_back(item);
        ++count;
    }
    const StringItem& operator[](size_t i) const { return i < InPlace ? first[i] : more[i - InPlace]; }
    size_t size() const { return count; }
    bool empty() const { return count == 0; }
};

// The byte offset of character `index` of a paragraph's text; `plain`: the
// text has no byte that continues a character, so characters are bytes.
size_t TextOffset(const std::string& text, int32_t index, bool plain) {
    if (!plain) return SimCharOffset(text, index);
    return index < 0 ? text.size() : std::min(size_t(index), text.size());
}

// The string items of one paragraph from position `from` to `to`: the
// text is cut where anchors stand, as FrameMaker's items are, and each
// item's offset is its position, anchors before it counted.
void ParagraphItems(const SimDoc& d, ObjId para, int32_t from, int32_t to, StringItems& items) {
    const SimObject* p = SimLocal(d, para);
    std::vector<int32_t> anchors = SimAnchorPositions(d, para);
    // The whole of a paragraph without anchors is its text as it stands:
    // its characters need not be counted.
    if (anchors.empty() && from <= 0 && to >= 0 && size_t(to) >= p->text.size()) {
        if (!p->text.empty()) items.push_back(StringItem{0, p->text.view()});
        return;
    }
    int32_t chars = SimCharCount(p->text);
    bool plain = size_t(chars) == p->text.size();
    int32_t length = chars + (int32_t)anchors.size();
    if (to > length) to = length;
    if (from < 0) from = 0;
    int32_t start = from;
    // An item ends before an anchor and starts after it; the last ends at `to`.
    for (size_t k = 0; k <= anchors.size(); ++k) {
        int32_t cut = k < anchors.size() ? anchors[k] : to;
        if (cut < start) continue;
        if (cut > to) cut = to;
        if (cut > start) {
            size_t a = TextOffset(p->text, SimTextIndex(anchors, start), plain);
            size_t b = TextOffset(p->text, SimTextIndex(anchors, cut), plain);
            items.push_back(StringItem{start, std::string_view(p->text).substr(a, b - a)});
        }
        start = cut + 1;
        if (start > to) break;
    }
}

HRESULT GetText(IUnknown* self, ObjId document, const TextRange* range, int32_t itemKinds, int32_t* status,
                TextItems* out) {
    SimCall call(self, HostMethodGetText);
    if (FAILED(call.failed)) return call.failed;
    if (!status || !out) return E_POINTER;
    out->count = 0;
    out->items = nullptr;
    const SimDoc* d = SimOpen(call.server, document);
    int32_t own = SimOk;
    StringItems items;
    ObjId first = d && range ? SimToLocal(*d, range->begin.objId) : 0;
    ObjId last = d && range ? SimToLocal(*d, range->end.objId) : 0;
    const SimObject* firstObj = d ? SimLocal(*d, first) : nullptr;
    if (!d || d->isBook) {
        own = SimStatusBadDocument;
    } else if (!range) {
        own = SimStatusBadArgument;
    } else if (!firstObj || firstObj->kind != SimObjParagraph || !last) {
        own = SimStatusBadObject;
    } else {
        // From the first paragraph along its flow or cell to the last one,
        // once to see that the end follows the beginning, then for the text.
        ObjId p = first;
        while (p != last && p) p = SimNextParagraph(*d, p);
        if (!p) {
            own = SimStatusBadValue; // the end does not follow the beginning
        } else if (itemKinds & TextItemString) {
            for (p = first;; p = SimNextParagraph(*d, p)) {
                int32_t from = p == first ? range->begin.offset : 0;
                int32_t to = p == last ? range->end.offset : INT32_MAX;
                ParagraphItems(*d, p, from, to == TextOffsetEnd ? INT32_MAX : to, items);
                if (p == last) break;
            }
        }
    }
    if (!own && !items.empty()) {
        auto* array = static_cast<TextItem*>(CoTaskMemAlloc(items.size() * sizeof(TextItem)));
        if (!array) return E_OUTOFMEMORY;
        for (size_t i = 0; i < items.size(); ++i)
            array[i] =
                TextItem{items[i].offset, TextItemString, {SimTaskFrameRoman(items[i].text)}};
        out->count = static_cast<uint32_t>(items.size());
        out->items = array;
    }
    *status = call.Answer(own);
    return S_OK;
}

} // namespace

void SimInstallTextMethods(void** table) {
    table[HostMethodGetNamedObject] = SimSlot(&GetNamedObject);
    table[HostMethodNewNamedObject] = SimSlot(&NewNamedObject);
    table[HostMethodNewAnchoredObject] = SimSlot(&NewAnchoredObject);
    table[HostMethodAddText] = SimSlot(&AddText);
    table[HostMethodGetText] = SimSlot(&GetText);
}
