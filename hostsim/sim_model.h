// The simulated FrameMaker's object model: the session, its documents and
// books and their objects, as plain data that tests may read directly.
//
// Ids. Session objects (documents, books, menus, commands, separators) take
// small ids from the session's counter. The objects inside a document or
// book are kept under local ids (1, 2, ...) and shown to the client as
// `base + local`, where every opened document gets a base of its own; so an
// id of one document never names an object of another, and a property asked
// with the wrong document argument fails with a status instead of reading
// something else. All references stored in the model are local ids.
//
// Text is kept in UTF-8. Character offsets count Unicode code points, which
// are the client's FrameRoman bytes one for one.
//
// Positions in a paragraph are FrameMaker's: each character of its `text`
// and each anchor (of a marker, a table, an anchored frame, a footnote) takes
// one. A paragraph's `text` holds the characters alone; an anchor's
// `anchorOffset` is its own position, so the characters after it stand one
// further on. Anchors the host keeps no object for (frames, footnotes, a
// table anchor whose table is unknown) are kept as positions of the
// paragraph (`otherAnchors`). No two anchors of a paragraph share a position.
//
// Reflow. A document's pages are laid out as they were read or built, and
// with reflow off (the default) text never moves. With reflow on (the
// session's `reflow` when the document is opened), text moves the way
// FrameMaker moves it when a body page changes its master page:
// - A master page may have a template text frame of `lines` lines of
//   `width` characters (0 and 0: no template). Giving a body page a master
//   page (`SimApplyMasterPage`, the default of its side included) gives each
//   text frame of the main flow on the page the template's size. A master
//   page without a template leaves the frames as they are; so does taking the
//   page's master page away (background "None") or keeping it ("As Is").
// - A paragraph needs one line per `width` characters of its text, rounded
//   up, and at least one (a frame of width 0 gives every paragraph one line).
//   Paragraphs are never split; anchors (anchored tables too) take no room.
// - When a frame of the main flow changes size (or text is inserted into a
//   paragraph of it), the flow is poured again from that frame on: the
//   frames before it keep their text, and the paragraphs after the last one
//   they hold go, in flow order, into the flow's frames in page order; a
//   paragraph goes into the current frame when its lines fit in what is left
//   of the frame, else into the next frame. A frame of 0 lines holds all
//   that comes; a paragraph taller than an empty frame fills it alone.
// - Text that overflows the last frame adds body pages at the end, each
//   with one text frame of the main flow sized by the template of its side's
//   default master page (FrameMaker's autoconnect). Pages added so are
//   removed again when the text no longer reaches them; the pages the
//   document had are never removed, an empty one stays empty.
// - Only the main flow moves. A main flow whose text does not run through
//   its frames in page order (a frame listed before a frame it follows, text
//   outside the body pages) is left as it stands.
// The host lays text out lazily, as far as a question about where text
// stands needs it (a paragraph's frame, a frame's paragraphs, the page after
// the last one); the answers are those of pouring at every change.
// `SimSettleLayout` lays everything out, as a redisplay does; call it before
// reading the layout (paragraphs' frames, `bodyPages`) directly.
#pragma once

#include "host/host_records.h"
#include "host/host_wire.h"
#include "hostsim/sim_string.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

// Statuses the simulated host answers with (0 is success). They are positive
// so that they never look like the call layer's own negative codes.
enum SimStatus : int32_t {
    SimOk = 0,
    SimStatusBadDocument = 2,  // no such document or book (or the session where one is needed)
    SimStatusBadObject = 3,    // the object does not belong to the document argument
    SimStatusBadProperty = 4,  // the object has no such property, or not with this document argument
    SimStatusBadValueType = 5, // the property is of another value type than the call
    SimStatusReadOnly = 6,
    SimStatusBadValue = 8,     // a value the property cannot take
    SimStatusNotFound = 9,     // no named object of that kind, or no such file
    SimStatusFileInUse = 10,   // the file is open already and the open did not allow reusing it
    SimStatusSaveFailed = 11,
    SimStatusModified = 12,    // close without flag 1 of a changed document
    SimStatusCancelled = 13,   // the user cancelled a prompt
    SimStatusBadArgument = 14,
};

// The two frame properties the tools read of a text frame's first object
// (PropFirstAnchoredFrame and PropFirstGraphicInFrame of host_records.h),
// answered for text frames and graphic objects.
enum SimProp : int32_t {
    SimPropFirstAnchoredFrame = 976, // 0: nothing here holds an anchored frame
    SimPropFirstGraphicInFrame = 978, // a graphic object itself; 0 for a text frame
};

// Component types of books, as the wire gives them.
enum SimComponentType : int32_t {
    SimComponentFolder = HostComponentFolder,
    SimComponentGroup = HostComponentGroup,
    SimComponentDocument = HostComponentDocument,
};

// Row types of tables.
enum SimRowType : int32_t { SimRowHeading = HostRowHeading, SimRowBody = HostRowBody, SimRowFooting = HostRowFooting };

enum SimObjKind : uint8_t {
    SimObjNone,
    SimObjBodyPage,
    SimObjMasterPage,
    SimObjPageFrame,
    SimObjTextFrame,
    SimObjGraphic, // a graphic object that is not a text frame (a picture)
    SimObjFlow,
    SimObjParagraph,
    SimObjTable,
    SimObjRow,
    SimObjCell,
    SimObjMarker,
    SimObjMarkerType,
    SimObjParagraphFormat,
    SimObjComponent,
};

// A property kept as data on a paragraph or paragraph format beyond its name
// and indent (kinds 1, 2, 4: `integer`; kind 3: `text`, UTF-8).
struct SimExtraProp {
    int32_t number = 0;
    uint32_t kind = TypedInteger;
    int32_t integer = 0;
    std::string text;
};

// What few objects have: kept apart, behind one pointer of the object, made
// when first written.
struct SimObjectExtras {
    std::vector<int32_t> otherAnchors; // paragraph: positions of anchors that are no
                                       // object of the host, ascending
    std::optional<std::string> pageNumber; // body page: number text when set, else its position
    std::vector<SimExtraProp> props;       // paragraph and paragraph format
};

// The extras of an object: copied with it, none (null) until written.
struct SimExtrasBox {
    std::unique_ptr<SimObjectExtras> extras;
    SimExtrasBox() = default;
    SimExtrasBox(const SimExtrasBox& o)
        : extras(o.extras ? std::make_unique<SimObjectExtras>(*o.extras) : nullptr) {}
    SimExtrasBox(SimExtrasBox&&) noexcept = default;
    SimExtrasBox& operator=(const SimExtrasBox& o) {
        if (this != &o) extras = o.extras ? std::make_unique<SimObjectExtras>(*o.extras) : nullptr;
        return *this;
    }
    SimExtrasBox& operator=(SimExtrasBox&&) noexcept = default;
};

// One object of a document or book; the fields a kind does not use stay at
// their defaults. Ids are local. The fields a walk of the document reads
// (kind, parent, children, anchors) come first, so that with the store's
// slots on cache-line boundaries they share the object's first line. A
// document has many paragraphs: an object is kept to 120 bytes, its slot
// with its id to two cache lines, so that what few objects use stands in
// its extras and small fields are narrow.
struct SimObject {
    SimObjKind kind = SimObjNone;
    bool added = false; // body page: added by text overflowing the last page
    int8_t rowType = SimRowBody;
    int8_t background = 0; // body page: 0 default of its side, 1 none, 2 `masterPage`
    int32_t componentType = SimComponentDocument;
    ObjId parent = 0;   // page frame: its page; graphic and text frame: its page frame;
                        // paragraph: its text frame (flow paragraphs) or cell; row:
                        // table; cell: row; component: parent component
    ObjId flow = 0;     // text frame: its flow
    std::vector<ObjId> children; // page frame: graphics in order; flow: paragraphs in flow
                                 // order; table: rows; row: cells; cell: paragraphs;
                                 // component: child components
    ObjId anchorParagraph = 0; // marker, table: the paragraph it is anchored in
    int32_t anchorOffset = 0;  // ... and its position there (see Positions above)
    ObjId markerType = 0;      // marker
    ObjId frame = 0;           // page: its page frame
    SimString text;            // paragraph text, marker text
    ObjId masterPage = 0;      // body page with background 2: the master page it uses
    int32_t lines = 0;         // text frame: its height in lines; master page: its
    int32_t width = 0;         // template frame's (0, 0: none); width in characters
    Metric indent = 0;         // paragraph and paragraph format
    SimString name;   // paragraph tag, master page / marker type / format / flow name,
                      // component file name (Windows form)
    uint64_t sequence = 0;     // creation order, to order anchors at one offset
    SimExtrasBox rare;

    // The extras, read: the defaults when the object has none.
    const SimObjectExtras& Extras() const {
        static const SimObjectExtras none;
        return rare.extras ? *rare.extras : none;
    }
    // The extras to change, made now when the object has none.
    SimObjectExtras& EditExtras() {
        if (!rare.extras) rare.extras = std::make_unique<SimObjectExtras>();
        return *rare.extras;
    }
};
static_assert(sizeof(SimObject) <= 120, "an object with its id fills two cache lines");

// The objects of a document or book by local id. Local ids are dense (they
// count up from 1), so the objects stand in arrays indexed by id rather than
// in a tree: finding one is an index. The arrays are chunks of a fixed size
// that never move, so a reference to an object stays good while others are
// made, as it does in a map. A chunk is one allocation; an object is built in
// its slot when it is made and destroyed when it is erased, so slots that
// hold none cost nothing to make or to free, and a bit per slot says which
// hold one.
//
// Copies share the objects until one of them is changed: a document read
// once and opened many times (the mapping document, once per chapter of a
// book) is not copied each time. Any access that could change an object
// (the non-const members) first takes a copy of its own when the objects
// are shared. So a pointer got through a const view of a document must not
// be kept across a change made through a non-const one.
//
// The interface is the part of a map's the host uses: find, count, at,
// operator[] (which makes a default object as a map's does), erase by id,
// and iteration in id order over the objects present. An erased object
// stays absent until operator[] makes it again.
struct SimObjects {
    using value_type = std::pair<ObjId, SimObject>;
    static constexpr size_t ChunkSlots = 128;
    struct Chunk {
        union alignas(64) Slot { // a slot starts a cache line
            Slot() {}
            ~Slot() {}
            value_type entry; // built only while the slot's bit is set
        };
        uint64_t present[ChunkSlots / 64] = {};
        Slot slots[ChunkSlots];
        bool Has(size_t i) const { return (present[i / 64] >> (i % 64)) & 1; }
    };
    struct Store {
        std::vector<Chunk*> chunks; // id i: chunk i / ChunkSlots, slot i % ChunkSlots; owned
        size_t present = 0;         // how many slots hold an object
        Store() = default;
        Store(const Store& other);
        Store& operator=(const Store&) = delete;
        ~Store();
    };

    template <bool Const> struct Iter {
        using Entry = std::conditional_t<Const, const value_type, value_type>;
        using Objects = std::conditional_t<Const, const SimObjects, SimObjects>;
        Objects* objects = nullptr;
        size_t id = 0; // `objects->Slots()` at the end
        Entry& operator*() const { return objects->EntryOf(id); }
        Entry* operator->() const { return &objects->EntryOf(id); }
        Iter& operator++() {
            id = objects->NextPresent(id + 1);
            return *this;
        }
        bool operator==(const Iter& o) const { return id == o.id; }
        bool operator!=(const Iter& o) const { return id != o.id; }
        operator Iter<true>() const { return {objects, id}; }
    };
    using iterator = Iter<false>;
    using const_iterator = Iter<true>;

    iterator begin() {
        Own();
        return {this, NextPresent(0)};
    }
    iterator end() { return {this, Slots()}; }
    const_iterator begin() const { return {this, NextPresent(0)}; }
    const_iterator end() const { return {this, Slots()}; }

    iterator find(ObjId id) {
        if (!Has(id)) return end();
        Own();
        return {this, size_t(id)};
    }
    const_iterator find(ObjId id) const { return {this, Has(id) ? size_t(id) : Slots()}; }
    size_t count(ObjId id) const { return Has(id) ? 1 : 0; }
    size_t size() const { return store ? store->present : 0; }
    bool empty() const { return size() == 0; }
    // Throws std::out_of_range for an id that is not present, as a map's does.
    SimObject& at(ObjId id);
    const SimObject& at(ObjId id) const;
    SimObject& operator[](ObjId id) {
        if (Has(id) && !Shared()) return EntryOf(id).second;
        return Make(id);
    }
    size_t erase(ObjId id);
    void clear() { store.reset(); }

    // The object of `id`, null when there is none: the host's lookup.
    SimObject* Find(ObjId id) {
        if (!Has(id)) return nullptr;
        Own();
        return &EntryOf(id).second;
    }
    const SimObject* Find(ObjId id) const { return Has(id) ? &EntryOf(id).second : nullptr; }
    // Whether another copy shares these objects now.
    bool Shared() const { return store && store.use_count() > 1; }
    // Takes a copy of the objects of its own when they are shared.
    void Own() {
        if (!store || Shared()) OwnSlow();
    }
    // One more than the highest id the store has room for: every id of an
    // object present is below it.
    size_t Slots() const { return store ? store->chunks.size() * ChunkSlots : 0; }
    // Asks the processor to fetch the slots of ids `first` to `end` (at most
    // a few dozen) from memory ahead of their use; no effect on the objects.
    void Prefetch(ObjId first, ObjId end) const;

private:
    std::shared_ptr<Store> store; // null: no objects

    void OwnSlow();
    // operator[] for an object that is not there yet or is shared.
    SimObject& Make(ObjId id);
    // Callers make sure the object is there (and, for a change, that it is owned).
    value_type& EntryOf(size_t id) {
        return store->chunks[id / ChunkSlots]->slots[id % ChunkSlots].entry;
    }
    const value_type& EntryOf(size_t id) const {
        return store->chunks[id / ChunkSlots]->slots[id % ChunkSlots].entry;
    }
    bool Has(ObjId id) const {
        return id < Slots() && store->chunks[id / ChunkSlots]->Has(id % ChunkSlots);
    }
    // The first id from `id` on with an object, `Slots()` when none.
    size_t NextPresent(size_t id) const;
};
static_assert(sizeof(SimObjects::Chunk::Slot) == 128, "an object with its id takes two cache lines");

// No place: the id has none in the list a place is kept for.
inline constexpr uint32_t SimNoPlace = 0xFFFFFFFFu;
// The place kept for `id`, SimNoPlace when there is none.
inline uint32_t SimPlaceOf(const std::vector<uint32_t>& places, ObjId id) {
    return id < places.size() ? places[id] : SimNoPlace;
}
// Keeps a place for `id`, making room for it.
void SimSetPlace(std::vector<uint32_t>& places, ObjId id, size_t place);

// The first and last paragraphs of a flow that stand in a text frame (0 and
// 0: none).
struct SimFrameText {
    ObjId first = 0;
    ObjId last = 0;
};

// Where the lazy pour of the main flow stands (see Reflow above).
struct SimLayout {
    bool started = false;      // the state below has been worked out
    bool frozen = false;       // the main flow does not run in page order: never poured
    std::vector<ObjId> frames; // the main flow's text frames in page order
    std::map<ObjId, size_t> frameIndex;
    size_t valid = 0; // frames before this one hold their final text
    ObjId next = 0;   // the next paragraph to pour (0: all placed)
};

// A document or a book.
struct SimDoc {
    ObjId id = 0;         // the session id, 0 while not open
    bool isBook = false;
    std::string name;     // full file name in Windows form (UTF-8); untitled: "Untitled<n>"
    bool untitled = false;
    bool visible = true;
    bool modified = false;
    bool twoSided = true;
    bool firstPageRight = true;
    bool reflow = false;  // text moves when master pages change (see Reflow above)
    ObjId base = 0;       // client id = base + local id
    ObjId localLimit = 0; // local ids stay below this while open (0: no limit yet)
    ObjId nextLocal = 1;
    uint64_t nextSequence = 1;
    SimObjects objects;

    // Documents
    std::vector<ObjId> bodyPages;
    std::vector<ObjId> masterPages; // left and right defaults first
    ObjId leftMaster = 0, rightMaster = 0;
    std::vector<ObjId> flows;       // main flow first
    ObjId mainFlow = 0;
    std::vector<ObjId> tables;      // the document's table order
    std::vector<ObjId> formats;     // paragraph formats
    std::vector<ObjId> markerTypes;
    std::vector<ObjId> markers;     // creation order; the chain is flow order
    TextRange selection{};          // local ids
    ObjId currentPage = 0;

    // Books
    std::vector<ObjId> components;  // top-level components in book order
    std::string statusLine;

    // What the store read the document from (a file store keeps the file's
    // own record here, to write back what the host does not model); shared
    // by copies, null for documents the store did not read.
    std::shared_ptr<const void> storeData;
    const void* storeKind = nullptr; // which store made `storeData`

    // Orders worked out from the above, redone after any change of structure.
    // Places are kept by local id (see SimPlaceOf), an index rather than a
    // lookup, and a copy of the document copies them as one block each.
    mutable bool orderValid = false;
    mutable std::vector<ObjId> markerChain;
    mutable std::vector<uint32_t> markerIndex; // marker -> place in the chain
    mutable std::vector<uint32_t> paraIndex;   // paragraph -> place in its flow or cell
    // Paragraph -> its markers and tables in text order, learnt on first use
    // and kept up to date by the host's own changes of anchors.
    mutable bool anchorsKnown = false;
    mutable std::map<ObjId, std::vector<ObjId>> anchorsOf;
    // Learnt on first use, and checked against their list before they are
    // believed: body page -> place among the body pages; an object -> its
    // place in the list of its siblings (SimNextSibling).
    mutable std::vector<uint32_t> pageIndex;
    mutable std::vector<uint32_t> siblingIndex;
    // Text frame -> the first and last paragraphs of its flow that stand in
    // it, so that a frame's paragraphs are found without reading the whole
    // flow (see SimFrameTextOf).
    mutable std::vector<SimFrameText> frameParagraphs;
    // The pour of the main flow; changes of it made while answering a
    // question are the host's own bookkeeping, as the orders above.
    mutable SimLayout layout;
};

// Call after changing paragraphs, anchors or flows by hand.
inline void SimInvalidateOrder(const SimDoc& doc) {
    doc.orderValid = false;
    doc.anchorsKnown = false;
}
// Works the orders out again when a change made them stale.
void SimMakeOrder(const SimDoc& doc);
// What the orders hold of a text frame (both 0 when none); and keeping it.
inline SimFrameText SimFrameTextOf(const SimDoc& doc, ObjId textFrame) {
    return textFrame < doc.frameParagraphs.size() ? doc.frameParagraphs[textFrame] : SimFrameText{};
}
void SimSetFrameText(const SimDoc& doc, ObjId textFrame, SimFrameText text);

// A menu, menu bar, command or separator: the session's own objects.
enum SimMenuKind : uint8_t { SimMenuMenu, SimMenuCommand, SimMenuSeparator };

struct SimMenuObject {
    SimMenuKind kind = SimMenuMenu;
    std::string name;  // tag
    std::string label;
    std::vector<ObjId> items; // menus and menu bars: their items in order
    int32_t command = 0;      // commands: the number passed back to the client
    std::string shortcut;
};

struct SimSession {
    std::vector<std::unique_ptr<SimDoc>> documents; // open documents in order
    std::vector<std::unique_ptr<SimDoc>> books;     // open books in order
    ObjId activeDocument = 0;
    ObjId activeBook = 0;
    std::string hostDirectory; // Windows form, UTF-8
    std::map<ObjId, SimMenuObject> menus;
    ObjId nextSessionId = 1;
    ObjId nextBase = 0x100000;
    int untitledCount = 0;
    std::vector<int32_t> notifications; // codes the client asked for
    bool reflow = false;                // documents opened from now on reflow (see Reflow above)
};

// ---- Session
// A session with the three menu bars and the separators "Separator1" to
// "Separator3"; the host directory is `hostDirectory` (Windows form).
void SimSessionInit(SimSession& session, const char* hostDirectory);
SimDoc* SimFindDoc(SimSession& session, ObjId id);          // document or book
SimDoc* SimFindDocByName(SimSession& session, const std::string& name);
SimDoc* SimFindBookByName(SimSession& session, const std::string& name);
// Adds a (copy of a) document or book to the open ones with a fresh id and
// base; returns the session's copy.
SimDoc* SimOpenDoc(SimSession& session, SimDoc doc, bool visible);
// Removes it from the open ones; the active ids move on. 0 when not open.
int SimCloseDoc(SimSession& session, ObjId id);
ObjId SimMenuByName(const SimSession& session, const std::string& tag);
// A menu in the session (as another client would have made it) with its
// items, appended to `parent` when that is not 0.
ObjId SimAddMenu(SimSession& session, ObjId parent, const char* tag, const char* label);
ObjId SimAddCommand(SimSession& session, ObjId menu, int32_t number, const char* tag,
                    const char* label);
// The labels of a menu's items in order (what a user would see).
std::vector<std::string> SimMenuLabels(const SimSession& session, ObjId menu);

// ---- Documents
ObjId SimNewObject(SimDoc& doc, SimObjKind kind);
inline SimObject* SimLocal(SimDoc& doc, ObjId local) { return doc.objects.Find(local); }
inline const SimObject* SimLocal(const SimDoc& doc, ObjId local) { return doc.objects.Find(local); }
// The local id of a client id, 0 when it is not one of this document's.
inline ObjId SimToLocal(const SimDoc& doc, ObjId clientId) {
    if (clientId <= doc.base) return 0;
    ObjId local = clientId - doc.base;
    if (doc.localLimit && local >= doc.localLimit) return 0;
    return doc.objects.count(local) ? local : 0;
}
inline ObjId SimToClient(const SimDoc& doc, ObjId local) { return local ? doc.base + local : 0; }
// The item after the first `item` of `list` (0 when it is the last or not
// there), for lists of the document's objects: the objects' places are
// learnt once per list rather than looked for at every step of a walk, and
// a place is checked against the list before it is believed. (A list that
// names an object twice, which no document the host builds or reads has,
// steps from the place that was first when the list was learnt.)
ObjId SimNextSibling(const SimDoc& doc, const std::vector<ObjId>& list, ObjId item);
// Named objects by kind: master page, marker type, paragraph format. 0 if none.
ObjId SimNamed(const SimDoc& doc, SimObjKind kind, std::string_view name);

// A body page's place among the body pages (the count of them when it is not
// one), and the body page after it (0 after the last).
size_t SimBodyPageIndex(const SimDoc& doc, ObjId page);
ObjId SimNextBodyPage(const SimDoc& doc, ObjId page);
// Page side: 1 for a right-hand page. Two-sided documents alternate from
// the side of the first page; one-sided documents have right pages only.
int SimPageIsRight(const SimDoc& doc, ObjId page);
// The master page a body page uses now (0 for none).
ObjId SimPageMaster(const SimDoc& doc, ObjId page);
std::string SimPageMasterName(const SimDoc& doc, ObjId page);
std::string SimPageNumberText(const SimDoc& doc, ObjId page);
// Applies a master page to a body page: background 0 when it is the default of
// the page's side, else 2. The page's main-flow frames take the size of the
// master page's template frame, if it has one; with reflow on, text moves.
int SimApplyMasterPage(SimDoc& doc, ObjId page, ObjId master);

// ---- Reflow (see Reflow above)
// The text frame a paragraph of a flow stands in (0 for a cell's paragraph).
ObjId SimParagraphTextFrame(const SimDoc& doc, ObjId paragraph);
// Lays out all text; pages added and no longer needed go.
void SimSettleLayout(const SimDoc& doc);
// The main flow's frame changed size, or text in it changed: pour again from it.
void SimLayoutFrameChanged(const SimDoc& doc, ObjId textFrame);
// Used by the model's own questions: lay out as far as they need.
void SimLayoutThroughFrame(const SimDoc& doc, ObjId textFrame);
void SimLayoutParagraph(const SimDoc& doc, ObjId paragraph);
// The page after `page` while text may still reach past it; `*known` false
// when the layout has nothing to say (the page list is then the answer).
ObjId SimLayoutNextPage(const SimDoc& doc, ObjId page, bool* known);
// The lines a paragraph needs in a frame `width` characters wide.
int32_t SimParagraphLines(const SimDoc& doc, ObjId paragraph, int32_t width);

// Flow structure: the first and last paragraphs that stand in a text frame,
// the next paragraph of a paragraph (in its flow or cell), and the page a
// paragraph stands on (0 for none).
ObjId SimFrameFirstParagraph(const SimDoc& doc, ObjId textFrame);
ObjId SimFrameLastParagraph(const SimDoc& doc, ObjId textFrame);
ObjId SimNextParagraph(const SimDoc& doc, ObjId paragraph);
ObjId SimParagraphPage(const SimDoc& doc, ObjId paragraph);
// The paragraphs of a page in flow order (tables' cells not included). It
// lays all text out first, which may add or remove pages: settle before
// walking `bodyPages` with it.
std::vector<ObjId> SimPageParagraphs(const SimDoc& doc, ObjId page);

// Text. Inserts UTF-8 text at a location; '\n' ends the paragraph and starts
// a new one after it with the same format, which takes the rest of the text
// and the anchors behind the split. What stood at the insertion point, an
// anchor too, comes after the inserted text, as FrameMaker inserts. `after`
// receives the location just after the text. Returns 0 or a status.
int SimInsertText(SimDoc& doc, TextLoc at, const std::string& text, TextLoc* after);
// A marker anchored at a location (the paragraph's end when it lies beyond):
// it takes that position, before whatever stood there, and everything after
// it moves on by one. The marker chain is kept in flow order.
ObjId SimAnchorMarker(SimDoc& doc, TextLoc at);
// What Delete does to a selected marker: its anchor leaves the paragraph,
// whatever stood after it moves back by one position, and the marker is
// gone. Returns 0 or a status.
int SimDeleteMarker(SimDoc& doc, ObjId marker);

// ---- Anchors (sim_anchors.cpp; see Positions above)
// Whether anchor `a` comes before anchor `b` of the same paragraph: by
// position, then (for anchors built by hand at one position) by creation.
bool SimAnchorBefore(const SimDoc& doc, ObjId a, ObjId b);
// The markers and tables anchored in a paragraph, in text order.
const std::vector<ObjId>& SimParagraphAnchors(const SimDoc& doc, ObjId paragraph);
// The positions of all anchors of a paragraph (objects or not), ascending.
std::vector<int32_t> SimAnchorPositions(const SimDoc& doc, ObjId paragraph);
// The positions a paragraph has: its characters and its anchors.
int32_t SimParagraphLength(const SimDoc& doc, ObjId paragraph);
// The characters of `text` before a position (the position less the anchors
// before it).
int32_t SimTextIndex(const std::vector<int32_t>& anchorPositions, int32_t position);
// Moves the anchors of `from` at or after `position` on by `shift`, or, when
// `to` is not 0, onto `to` at `position` less.
void SimShiftAnchors(SimDoc& doc, ObjId from, int32_t position, int32_t shift, ObjId to);
// The paragraph of a flow a paragraph stands with: itself, or for a cell's
// paragraph the one its table is anchored in (tables nest); 0 for none.
ObjId SimFlowParagraph(const SimDoc& doc, ObjId paragraph);
// The markers of the document in flow order (the marker chain).
std::vector<ObjId> SimMarkerChain(const SimDoc& doc);
ObjId SimFirstMarker(const SimDoc& doc);
ObjId SimNextMarker(const SimDoc& doc, ObjId marker);
// The paragraph texts of the main flow, in order (a quick view for tests).
std::vector<std::string> SimFlowTexts(const SimDoc& doc);
std::vector<std::string> SimFlowTags(const SimDoc& doc);

// ---- Books: the walk of the components in book order, depth first.
std::vector<ObjId> SimBookOrder(const SimDoc& book);
