// The records exchanged with FrameMaker, with the exact byte layouts of the
// exchange (checked below), the object kinds and the property numbers that
// the library and the tools use. These are wire layouts: the simulated host
// includes this file too, so nothing here may depend on the call layer.
#pragma once

#include <cstddef>
#include <cstdint>

// A host object id; unique within its document. Document 0 is the session;
// 0 as a result means none or failure.
typedef uint32_t ObjId;

// Names a property by number (name null) or by name (number 0).
struct PropIdent {
    int32_t number;
    char* name;
};

// The counted list that most value kinds carry: count, padding, array.
struct TypedList {
    uint32_t count;
    void* items;
};

// A typed value: a kind and 16 bytes whose meaning the kind decides (the
// kinds are listed in prop_vals.h).
union TypedPayload {
    int32_t integer;       // kinds 1, 2, 4
    char* string;          // kind 3
    TypedList list;        // the list kinds
    void* record;          // kinds 19 and 20
    unsigned char raw[16]; // every other kind: plain data
};

struct TypedVal {
    uint32_t kind;
    TypedPayload value;
};

// One entry of a property-value list. The name belongs to the entry only
// when the entry is identified by name (number 0).
struct PropVal {
    PropIdent ident;
    TypedVal value;
};

struct PropVals {
    uint32_t count;
    PropVal* entries;
};

// Offset 0x50000000 stands for the end of the object.
enum : int32_t { TextOffsetEnd = 0x50000000 };

struct TextLoc {
    ObjId objId;
    int32_t offset;
};

struct TextRange {
    TextLoc begin;
    TextLoc end;
};

// A piece of text or another item of a text range. Kind 1 items carry a
// string (owned by the list); every other kind carries plain data.
enum : int32_t { TextItemString = 1 };

struct TextItem {
    int32_t offset;
    int32_t kind;
    union {
        char* text;
        uint64_t data;
    } value;
};

struct TextItems {
    uint32_t count;
    TextItem* items;
};

// Metrics are 16.16 fixed-point points.
typedef int32_t Metric;
enum : int32_t { MetricOnePoint = 0x10000 };

// Object kinds for HostGetNamedObject, HostNewNamedObject and
// HostNewAnchoredObject.
enum ObjKind : int32_t {
    ObjMasterPage = 6,
    ObjMarker = 24,
    ObjParagraphFormat = 32,
    ObjMenu = 55,
    ObjMenuSeparator = 57,
    ObjMarkerType = 66,
};

// Property numbers. The document argument each is read with is a matter of
// the code that reads it; the value kind is noted beside each.
enum PropNumber : int32_t {
    PropName = 20,                 // string
    PropMenuLabel = 30,            // string
    PropActiveDocument = 51,       // id, session
    PropActiveBook = 52,           // id, session
    PropFirstOpenDocument = 53,    // id, session
    PropHostDirectory = 89,        // string, session
    PropStatusLine = 108,          // string
    PropTextSelection = 109,       // text range
    PropDocumentVisible = 110,     // int
    PropNextOpenDocument = 111,    // id
    PropFirstMarker = 114,         // id
    PropFirstTable = 120,          // id
    PropCurrentPage = 236,         // id
    PropLeftMasterPage = 413,      // id
    PropRightMasterPage = 414,     // id
    PropFirstBodyPage = 415,       // id
    PropFirstMasterPage = 417,     // id
    PropMainFlow = 422,            // id
    PropFirstComponent = 491,      // id
    PropNextComponent = 527,       // id
    PropIndent = 556,              // metric
    PropPageBackground = 689,      // int
    PropMasterPageName = 690,      // string
    PropNextBodyPage = 694,        // id
    PropPageFrame = 695,           // id
    PropPageNumberText = 696,      // string
    PropRightHandPage = 697,       // int
    PropNextParagraph = 717,       // id
    PropFrameParent = 774,         // id
    PropMarkerLocation = 879,      // text location
    PropFramePage = 880,           // id
    PropFirstGraphic = 882,        // id
    PropLastGraphic = 883,         // id
    PropFirstParagraph = 972,      // id
    PropLastParagraph = 973,       // id
    PropFirstAnchoredFrame = 976,  // id, of a text frame: 0 when it holds none
    PropFirstGraphicInFrame = 978, // id, of a text frame: 0 when it holds none
    PropTextFrame = 1001,          // id
    PropMarkerText = 1025,         // string
    PropNextMarker = 1026,         // id
    PropMarkerTypeOf = 1027,       // id
    PropFirstTextFrame = 1169,     // id
    PropLastTextFrame = 1170,      // id
    PropNextCell = 1202,           // id
    PropNextRow = 1245,            // id
    PropFirstCell = 1247,          // id
    PropRowType = 1253,            // int
    PropNextTable = 1337,          // id
    PropFirstRow = 1338,           // id
    PropNextMenuItem = 1923,       // id, read and written with the menu as document
    PropFirstMenuItem = 1927,      // id
    PropFirstChildComponent = 2324, // id
    PropParentComponent = 2325,    // id
    PropComponentType = 2329,      // int
};

// The layouts are the exchange: any change here breaks every host.
static_assert(sizeof(ObjId) == 4);
static_assert(sizeof(PropIdent) == 16 && offsetof(PropIdent, name) == 8);
static_assert(sizeof(TypedList) == 16 && offsetof(TypedList, items) == 8);
static_assert(sizeof(TypedPayload) == 16);
static_assert(sizeof(TypedVal) == 24 && offsetof(TypedVal, value) == 8);
static_assert(sizeof(PropVal) == 40 && offsetof(PropVal, value) == 16);
static_assert(sizeof(PropVals) == 16 && offsetof(PropVals, entries) == 8);
static_assert(sizeof(TextLoc) == 8 && offsetof(TextLoc, offset) == 4);
static_assert(sizeof(TextRange) == 16 && offsetof(TextRange, end) == 8);
static_assert(sizeof(TextItem) == 16 && offsetof(TextItem, kind) == 4 &&
              offsetof(TextItem, value) == 8);
static_assert(sizeof(TextItems) == 16 && offsetof(TextItems, items) == 8);
