// The host call layer: every FrameMaker operation the library uses, each a
// plain synchronous function that forwards to one method of one of the host's
// COM interfaces, copies the host's results onto the library heap and reports
// failure through HostErrorCode.
//
// Failure values: 0 / null / all-zero record / -1 as each operation says, and
// HostErrorCode := -1 (not connected, or a failed COM call), -88 (the host is
// busy: RPC_E_SERVERCALL_RETRYLATER), the host's nonzero status unchanged, or
// -42 when the library heap could not hold the copy of a result.
// Success never resets HostErrorCode. Results are the caller's (MemFree for
// strings, PropValsFree for lists, TextItemsFree for text items).
//
// How a host is reached (what a host must implement; host_wire.h names the
// identifiers and slot numbers). Interface K's method N
// is slot N of the interface's vtable, counted from 0 with 0-2 being
// QueryInterface, AddRef and Release; each slot is called as
//     HRESULT method(IUnknown* self, <inputs...>, <outputs...>)
// with the argument types below. `status` is an int32_t* preset to -1 by the
// caller; the host writes 0 on success. Lists and strings the host hands out
// are CoTaskMemAlloc blocks; list records (PropVals, TextItems) live with the
// caller and the host fills their count and arrays.
//
//  interface 4 (the main interface)
//   3   Register        (IUnknown* callback, int32_t version, const PropVals* clientInfo)
//   8   RequestNotification (int32_t code, int32_t state, status)
//   13  DefineMenu      (const char* tag, const char* label, status, ObjId* menu)
//   14  AddToMenu       (ObjId menu, ObjId item, status)
//   15  AddMenuToMenu   (ObjId target, ObjId menu, status)
//   16  DefineAndAddMenu (ObjId bar, const char* tag, const char* label, status, ObjId* menu)
//   20  Alert           (const char* text, int32_t type, int32_t* answer)      no status
//       (type: HostAlertType)
//   22  PromptString    (status, char** answer, const char* prompt, const char* defaultText)
//   24  WriteConsole    (const char* utf8Text, status)
//   32  Open            (const char* name, const PropVals* options, PropVals* returned,
//                        status, ObjId* document)
//   33  Save            (ObjId document, const char* utf8Name, const PropVals* options,
//                        PropVals* returned, status, ObjId* document)
//   34  NewCustomDoc    (Metric width, Metric height, int32_t columns, Metric gap,
//                        Metric top, Metric bottom, Metric inside, Metric outside,
//                        int32_t sidedness, int32_t visible, status, ObjId* document)
//   35  Close           (ObjId document, int32_t flags, status)
//   53  ApplyMasterPage (ObjId document, ObjId bodyPage, ObjId masterPage, status)
//   66  Redisplay       (ObjId document, status)
//   68  GetNamedObject  (ObjId document, int32_t kind, const char* name, status, ObjId* object)
//   70  NewNamedObject  (ObjId document, int32_t kind, const char* name, status, ObjId* object)
//   71  NewAnchoredObject (ObjId document, int32_t kind, const TextLoc* at, status, ObjId* object)
//   73  AddText         (ObjId document, const TextLoc* at, const char* text, status, TextLoc* after)
//   83  GetProps        (ObjId document, ObjId object, status, PropVals* props)
//   84  SetProps        (ObjId document, ObjId object, const PropVals* props, status)
//   85  GetIntProp      (ObjId document, ObjId object, const PropIdent* prop, status, int32_t* value)
//   86  SetIntProp      (ObjId document, ObjId object, const PropIdent* prop, int32_t value, status)
//   89  GetIdProp       (ObjId document, ObjId object, const PropIdent* prop, status, ObjId* value)
//   90  SetIdProp       (ObjId document, ObjId object, const PropIdent* prop, ObjId value, status)
//   92  SetMetricProp   (ObjId document, ObjId object, const PropIdent* prop, Metric value, status)
//   93  GetTextLocProp  (ObjId document, ObjId object, const PropIdent* prop, status, TextLoc* value)
//   95  GetTextRangeProp (ObjId document, ObjId object, const PropIdent* prop, status, TextRange* value)
//   96  SetTextRangeProp (ObjId document, ObjId object, const PropIdent* prop, const TextRange* value,
//                        status)
//   97  GetStringProp   (ObjId document, ObjId object, const PropIdent* prop, status, char** value)
//   98  SetStringProp   (ObjId document, ObjId object, const PropIdent* prop, const char* value, status)
//   110 GetText         (ObjId document, const TextRange* range, int32_t itemKinds, status,
//                        TextItems* items)
//   164 DefineAndAddCommand (int32_t command, ObjId menu, const char* tag, const char* label,
//                        const char* shortcut, status, ObjId* commandId)
//  interface 16, method 3 (int32_t keep): returns S_OK when the host leaves
//                        its result blocks to the client (HostKeepsResults)
//  interface 17, method 3 (void* instance): the client module's instance handle
#pragma once

#include "host/host_records.h"
#include "host/host_wire.h"
#include "support/base/host_error.h"

#include <cstdint>

// 1 when the host's result blocks are not to be released by the client;
// decided once at start-up.
extern int HostKeepsResults;

// Set by HostBailOut and by the frame's shutdown, cleared when the client is
// registered; ends a standalone client's message loop.
extern int ClientQuitRequested;
void HostBailOut();

// Values of HostErrorCode written by this layer besides the host's statuses.
enum : int32_t {
    HostErrorNotConnected = -1, // also any failed COM call but a busy host
    HostErrorBusy = -88,
    HostErrorOutOfMemory = -42, // an options list or the copy of a host result
                                // could not be allocated
    HostErrorNoStatusEntry = -5,
    HostErrorStatusBitRange = -4,
    HostErrorNoFileName = -6, // HostSimpleSave: the name is empty, or is empty
                              // once converted for the host
};

// ---- Session, menus and commands
int32_t HostRequestNotification(int32_t code, int32_t state);
ObjId HostDefineMenu(const char* tag, const char* label);
int32_t HostAddToMenu(ObjId menu, ObjId item);
int32_t HostAddMenuToMenu(ObjId target, ObjId menu);
ObjId HostDefineAndAddMenu(ObjId menuBar, const char* tag, const char* label);
ObjId HostDefineAndAddCommand(int32_t command, ObjId menu, const char* tag, const char* label,
                              const char* shortcut);
int32_t HostAlert(const char* text, int32_t type);
// 0 when confirmed; *answer receives the copied string (or null) after any
// call the host answered, and the caller frees it.
int32_t HostPromptString(char** answer, const char* prompt, const char* defaultText);
int32_t HostWriteConsole(const char* utf8Text);

// ---- Documents
// The return-parameter records of HostOpen and HostSave: each call replaces
// its record's contents and points the caller's pointer at it. The caller may
// PropValsFree the contents but never frees the record.
extern PropVals HostOpenReturnParams;
extern PropVals HostSaveReturnParams;
ObjId HostOpen(const char* name, const PropVals* options, PropVals** returnParams);
ObjId HostSave(ObjId document, const char* name, const PropVals* options,
               PropVals** returnParams);
ObjId HostNewCustomDoc(Metric width, Metric height, int32_t columns, Metric columnGap, Metric top,
                       Metric bottom, Metric inside, Metric outside, int32_t sidedness,
                       int32_t visible);
int32_t HostClose(ObjId document, int32_t flags);
int32_t HostApplyMasterPage(ObjId document, ObjId bodyPage, ObjId masterPage);
int32_t HostRedisplay(ObjId document);
ObjId HostSimpleOpen(const char* name, int interactive);
ObjId HostSimpleSave(ObjId document, const char* name, int interactive);

// ---- Objects and text
ObjId HostGetNamedObject(ObjId document, int32_t kind, const char* name);
ObjId HostNewNamedObject(ObjId document, int32_t kind, const char* name);
ObjId HostNewAnchoredObject(ObjId document, int32_t kind, const TextLoc* at);
TextLoc HostAddText(ObjId document, const TextLoc* at, const char* text);
TextItems HostGetText(ObjId document, const TextRange* range, int32_t itemKinds);
void TextItemsFree(TextItems* items);
PropVals HostGetProps(ObjId document, ObjId object);
// Returns the host status (0 = done); most callers ignore it.
int32_t HostSetProps(ObjId document, ObjId object, const PropVals* props);

// ---- Properties: by identifier, by number (the plain name) and by name.
int32_t HostGetIntPropIdent(ObjId document, ObjId object, const PropIdent* prop);
int32_t HostGetIntProp(ObjId document, ObjId object, int32_t number);
int32_t HostGetIntPropNamed(ObjId document, ObjId object, const char* name);
int32_t HostSetIntPropIdent(ObjId document, ObjId object, const PropIdent* prop, int32_t value);
int32_t HostSetIntProp(ObjId document, ObjId object, int32_t number, int32_t value);
int32_t HostSetIntPropNamed(ObjId document, ObjId object, const char* name, int32_t value);

ObjId HostGetIdPropIdent(ObjId document, ObjId object, const PropIdent* prop);
ObjId HostGetIdProp(ObjId document, ObjId object, int32_t number);
ObjId HostGetIdPropNamed(ObjId document, ObjId object, const char* name);
int32_t HostSetIdPropIdent(ObjId document, ObjId object, const PropIdent* prop, ObjId value);
int32_t HostSetIdProp(ObjId document, ObjId object, int32_t number, ObjId value);
int32_t HostSetIdPropNamed(ObjId document, ObjId object, const char* name, ObjId value);

int32_t HostSetMetricPropIdent(ObjId document, ObjId object, const PropIdent* prop, Metric value);
int32_t HostSetMetricProp(ObjId document, ObjId object, int32_t number, Metric value);
int32_t HostSetMetricPropNamed(ObjId document, ObjId object, const char* name, Metric value);

TextLoc HostGetTextLocPropIdent(ObjId document, ObjId object, const PropIdent* prop);
TextLoc HostGetTextLocProp(ObjId document, ObjId object, int32_t number);
TextLoc HostGetTextLocPropNamed(ObjId document, ObjId object, const char* name);

TextRange HostGetTextRangePropIdent(ObjId document, ObjId object, const PropIdent* prop);
TextRange HostGetTextRangeProp(ObjId document, ObjId object, int32_t number);
TextRange HostGetTextRangePropNamed(ObjId document, ObjId object, const char* name);
int32_t HostSetTextRangePropIdent(ObjId document, ObjId object, const PropIdent* prop,
                                  const TextRange* value);
int32_t HostSetTextRangeProp(ObjId document, ObjId object, int32_t number, const TextRange* value);
int32_t HostSetTextRangePropNamed(ObjId document, ObjId object, const char* name,
                                  const TextRange* value);

char* HostGetStringPropIdent(ObjId document, ObjId object, const PropIdent* prop);
char* HostGetStringProp(ObjId document, ObjId object, int32_t number);
char* HostGetStringPropNamed(ObjId document, ObjId object, const char* name);
int32_t HostSetStringPropIdent(ObjId document, ObjId object, const PropIdent* prop,
                               const char* value);
int32_t HostSetStringProp(ObjId document, ObjId object, int32_t number, const char* value);
int32_t HostSetStringPropNamed(ObjId document, ObjId object, const char* name, const char* value);

// ---- Default options lists: fixed entries of kind 1, {number, value}.
struct HostOption {
    int32_t number;
    int32_t value;
};
// The 17-entry default open list.
extern const HostOption HostDefaultOpenOptions[17];
// Builds a list of `allocated` entries from `count` options. {0, null} when
// memory runs out; a list that does not come out with exactly `allocated`
// entries prints the error line to the console and stops with FatalError.
PropVals HostBuildOptions(const HostOption* options, uint32_t count, uint32_t allocated);
