// Text conversion between the host encodings, UTF-8, UTF-16 and the locale
// code page through ICU converters, the wrappers around it, the mappings
// between host encoding names, ICU converter names, encoding ids and public
// encoding names, and the FrameRoman control-code helpers.
//
// Texts are 8-bit strings ending at a zero byte, except where a name is
// "UTF-16": then the text is a string of 16-bit units (platform byte order)
// ending at a zero unit, passed and returned through the same char pointer.
// Every result is a new block that the caller releases with MemFree; an
// empty result is a 2-byte block of zeros, an empty string in either form.
#pragma once

#include <cstdint>

// Converter names with a meaning of their own.
#define EncNameUtf8 "UTF-8"
#define EncNameUtf16 "UTF-16"
#define EncNameLocale "locale" // the platform's default code page

// The general converter. `from` and `to` are ICU converter names, "UTF-16"
// or "locale". Control characters below 0x20 pass through unconverted and
// split the text into separately converted segments unless keepControls is
// set ("locale" on either side sets it, and so does a stateful source such as
// JIS7, whose shift bytes are controls). escapeInvalid turns each invalid
// source byte into "%X" and two hex digits. Null text gives null.
char* EncConvert(const char* text, const char* from, const char* to, int keepControls,
                 int escapeInvalid);

// Converts one zero-terminated segment; *outLength receives the byte length
// of the result (0 on failure). Null when a converter cannot be opened or
// ICU reports an error.
char* EncConvertSegment(const char* text, const char* from, const char* to, int* outLength,
                        int escapeInvalid);

// A growable output buffer of EncConvert. `bytes` is a MemAlloc block of
// `capacity` bytes of which `length` are used. An output whose growth failed
// (a handler resumed the fatal error) has lost its text: `bytes` is null and
// stays so, and the conversion gives null.
struct EncOutput {
    char* bytes;
    int length;
    int capacity;
};

// Grows `output` so that `more` further bytes fit (fatal when memory runs
// out). 0, or -1 when the output is lost.
int EncOutputReserve(EncOutput* output, int more);

// Converts the pending segment (segmentBytes bytes; the buffer must have room
// for a 2-byte terminator behind them) and appends the result to `output`,
// growing it as needed. A segment that fails to convert is dropped.
void EncAppendSegment(char* segment, int segmentBytes, EncOutput* output, const char* from,
                      const char* to, int escapeInvalid);

// Wrappers over EncConvert: each returns a new string (MemFree), or null for
// null text. Controls split the text except where a wrapper says otherwise.
// The current host encoding to and from UTF-8.
char* EncCurrentToUtf8(const char* text);
char* EncUtf8ToCurrent(const char* text);
// The host encoding `index` to and from UTF-8; an index out of range has no
// converter, and the text comes back copied as it stands.
char* EncToUtf8(const char* text, unsigned index);
char* EncFromUtf8(const char* text, unsigned index);
// The locale code page to and from UTF-8, controls kept with the text.
char* EncLocaleToUtf8(const char* text);
char* EncUtf8ToLocale(const char* text);
// As EncLocaleToUtf8 with each invalid source byte escaped as "%X" and two
// hex digits; EncUtf8ToLocaleUnescaped turns such escapes back into bytes.
char* EncLocaleToUtf8Escaped(const char* text);
char* EncUtf8ToLocaleUnescaped(const char* text);
// Between two host encodings named by their host names (or "UTF-16"); a
// null or empty name gives a plain copy, an unknown one a copy as well (no
// converter). Keep: controls are converted with the text.
char* EncConvertNamed(const char* text, const char* fromHost, const char* toHost);
char* EncConvertNamedKeep(const char* text, const char* fromHost, const char* toHost);

// In place: "%X" (either case) and two hex digits become the byte they give,
// when that byte is not zero; every other '%' stays.
void EncUnescapeHex(char* text);

// Host encoding index <-> ICU converter name <-> host encoding name. Names
// are static strings, never freed; null for an index out of range, a null
// name or a name of no host encoding ("UTF-16" maps to itself both ways).
// Names are compared exactly.
const char* EncConverterNameOf(unsigned index);
const char* EncHostToConverterName(const char* name);
const char* EncConverterToHostName(const char* name);

// Encoding ids: the wider numbering of the id-based conversions.
enum : int {
    EncIdFrameRoman = 0,
    EncIdIso8859_1 = 1,
    EncIdAscii = 2,
    EncIdAnsi = 3,
    EncIdMacintosh = 4,
    EncIdJis7 = 5,
    EncIdShiftJis = 6,
    EncIdEucJp = 7,
    EncIdBig5 = 8,
    EncIdEucCns = 9,
    EncIdGb2312 = 10,
    EncIdHz = 11,
    EncIdKsc5601 = 12,
    EncIdSymbolA = 13,
    EncIdSymbolB = 14,
    EncIdSymbolC = 15,
    EncIdUtf8 = 16,
    EncIdUtf16 = 17,
    EncIdEnd = 18,
};

// The ICU converter name of an id (static); null for an id with none.
const char* EncIdToConverterName(int id);
// The id of a public encoding name (any case); -1 for a null or empty name,
// and EncIdUtf8 for a name it does not know.
int EncIdFromName(const char* name);
// Public name of an id, preferring a row whose flags share a bit with mask;
// "" (never null) for an id that has no name.
const char* EncIdToName(int id, int mask);
const char* EncIdToNameFirst(int id);     // mask 0
const char* EncIdToNamePreferred(int id); // mask 1
// The id of a public name compared by EncCompareNames ("utf8" finds
// "UTF-8"); 0 (FrameRoman) when none matches.
int EncIdFromNameLoose(const char* name);
// The id of host encoding `index`, and the host encoding of an id. Out of
// range or no host encoding: the current encoding's side, UTF-8 when it is
// current, else FrameRoman.
int EncIdOfHost(unsigned index);
unsigned EncHostOfId(int id);
// Compares letters and digits only, folded through CharUpperMap; a null name
// reads as "". <0, 0 or >0 like strcmp.
int EncCompareNames(const char* a, const char* b);

// The three symbol tables (ids 13-15): byte -> UTF-16 unit, 0xFFFF for none.
extern const uint16_t EncSymbolTableA[256];
extern const uint16_t EncSymbolTableB[256];
extern const uint16_t EncSymbolTableC[256];
enum : uint16_t { EncNoChar = 0xFFFF };

// UTF-16 string of `text` read through the symbol table of id 13-15: by bytes,
// or by UTF-8 characters when sourceIsUtf8 is set. Code points below 0x20
// pass through as they are unless keepControls is set, in which case they go
// through the table too; characters the table lacks are dropped. A new block
// (MemFree); null for null text or an id other than 13-15.
char* EncTableToUtf16(const char* text, int tableId, int keepControls, int sourceIsUtf8);
// Converts between encoding ids: a new block (MemFree), a plain copy when the
// ids are equal. Null for null text and for a symbol-table target (the
// tables are sources only); a source id above EncIdUtf16 is a failed
// assertion and gives null.
char* EncConvertById(const char* text, int fromId, int toId, int keepControls,
                     int sourceIsUtf8);

// In place: FrameRoman control bytes to plain ones, and back.
void EncFrameControlsToAscii(char* text);
void EncAsciiControlsToFrame(char* text);
