// The wire contract with FrameMaker in one place: the identifiers of the
// eighteen host interfaces and of the three callback interfaces, the method
// slots of the main interface and of the callbacks, and the values the host
// and the client exchange for initialisation kinds, notification codes,
// component types, row types, page backgrounds, alert types and the kinds
// of typed values. The plug-in, the simulated host and the tests all take
// them from here, so a number cannot differ between the two sides of a call.
//
// Plain constants only: the simulated host includes this file, so nothing
// here may depend on the call layer.
#pragma once

#include "platform/com_types.h"

#include <cstdint>

// ---- The host interfaces

enum : int {
    HostInterfaceCount = 18,
    HostMainInterfaceNumber = 4,
    // Interfaces 16 to 18 are asked for only once the main interface is had.
    HostLateInterfaceFirst = 16,
    HostResultsInterfaceNumber = 16,  // method 3 decides HostKeepsResults
    HostInstanceInterfaceNumber = 17, // method 3 receives the instance handle
};

// Indexed by interface number 1-18; index 0 (no interface) is all zeros.
inline constexpr IID HostInterfaceIids[HostInterfaceCount + 1] = {
    {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}}, // no interface 0
    {0x9EB9EBDE, 0xEF45, 0x4FAA, {0xBA, 0x83, 0x80, 0xC3, 0x7E, 0x74, 0x6D, 0xD7}}, // 1
    {0xF9EDAC1F, 0x75C2, 0x4544, {0xA6, 0x5E, 0x36, 0xE3, 0xC5, 0xA4, 0xDB, 0xA1}}, // 2
    {0x755FF112, 0x0DD6, 0x4947, {0xBD, 0xCC, 0xD3, 0x22, 0x28, 0x31, 0x39, 0xA7}}, // 3
    {0xCA913130, 0x7B0A, 0x11D0, {0x98, 0x5E, 0x00, 0x60, 0x97, 0x0B, 0xEC, 0x0B}}, // 4, main
    {0x5B0455F0, 0x0DB8, 0x11D1, {0x98, 0x6D, 0x00, 0x60, 0x97, 0x0B, 0xEC, 0x0B}}, // 5
    {0xEA34B890, 0x2289, 0x11D3, {0xBC, 0x05, 0x00, 0x80, 0x5F, 0xD9, 0x83, 0x89}}, // 6
    {0x895D2502, 0x96ED, 0x43E1, {0xA8, 0x8B, 0x45, 0x78, 0xA1, 0xAA, 0xA2, 0xB5}}, // 7
    {0xF8A1A179, 0xB5C9, 0x4AF8, {0x8E, 0x1A, 0xDA, 0x71, 0x43, 0x0E, 0xDB, 0xA1}}, // 8
    {0x02AC84A3, 0x499F, 0x4128, {0x93, 0x62, 0x0E, 0x38, 0xBB, 0x16, 0x20, 0xC9}}, // 9
    {0xB2159D69, 0xA7F0, 0x4978, {0x84, 0xA3, 0xC2, 0xCA, 0x54, 0x98, 0xF9, 0xFE}}, // 10
    {0xA76BE1F8, 0xB073, 0x4F2D, {0x95, 0x53, 0x98, 0x54, 0x38, 0x54, 0xE0, 0xFB}}, // 11
    {0x9D1E44A4, 0x9CCC, 0x4AB5, {0xB5, 0x55, 0x6F, 0xFA, 0xE7, 0x78, 0x34, 0x2C}}, // 12
    {0xEC7B1498, 0xED2D, 0x4278, {0xAE, 0x91, 0x07, 0x48, 0x1B, 0xCB, 0xBF, 0xD0}}, // 13
    {0xB550535A, 0xBAA1, 0x4274, {0x9D, 0x2C, 0x41, 0xB6, 0x0F, 0x18, 0x35, 0xB8}}, // 14
    {0x00F4DCB5, 0x4CAE, 0x4ACC, {0x8A, 0x3D, 0x5D, 0x27, 0x6E, 0x90, 0x28, 0xBB}}, // 15
    {0x04C8B860, 0xBC3B, 0x11D0, {0x8E, 0x04, 0x44, 0x45, 0x53, 0x54, 0x00, 0x00}}, // 16
    {0xF5AE87C2, 0x3FF6, 0x11D1, {0x94, 0x57, 0x00, 0x80, 0x5F, 0x29, 0x2B, 0x02}}, // 17
    {0xE1E9B610, 0x97D0, 0x11D3, {0xBC, 0x10, 0x00, 0x80, 0x5F, 0xD9, 0x83, 0x89}}, // 18
};

// Method slots of the main interface (slots 0-2 are IUnknown's); the
// argument lists are given in call_layer.h.
enum HostMethod : int {
    HostMethodRegister = 3,
    HostMethodRequestNotification = 8,
    HostMethodDefineMenu = 13,
    HostMethodAddToMenu = 14,
    HostMethodAddMenuToMenu = 15,
    HostMethodDefineAndAddMenu = 16,
    HostMethodAlert = 20,
    HostMethodPromptString = 22,
    HostMethodWriteConsole = 24,
    HostMethodOpen = 32,
    HostMethodSave = 33,
    HostMethodNewCustomDoc = 34,
    HostMethodClose = 35,
    HostMethodApplyMasterPage = 53,
    HostMethodRedisplay = 66,
    HostMethodGetNamedObject = 68,
    HostMethodNewNamedObject = 70,
    HostMethodNewAnchoredObject = 71,
    HostMethodAddText = 73,
    HostMethodGetProps = 83,
    HostMethodSetProps = 84,
    HostMethodGetIntProp = 85,
    HostMethodSetIntProp = 86,
    HostMethodGetIdProp = 89,
    HostMethodSetIdProp = 90,
    HostMethodSetMetricProp = 92,
    HostMethodGetTextLocProp = 93,
    HostMethodGetTextRangeProp = 95,
    HostMethodSetTextRangeProp = 96,
    HostMethodGetStringProp = 97,
    HostMethodSetStringProp = 98,
    HostMethodGetText = 110,
    HostMethodDefineAndAddCommand = 164,
    HostMainMethodCount = 165, // slots 0-164
};

// Method 3 of interfaces 16 and 17 (see HostResultsInterfaceNumber).
enum : int { HostMethodOfSideInterface = 3 };

// ---- The callback interfaces the client implements

inline constexpr IID HostCallbackCmsIid = {
    0x7AA0C49A, 0x1141, 0x44EF, {0xA7, 0x84, 0x15, 0x55, 0x93, 0xF9, 0x50, 0x25}};
inline constexpr IID HostCallbackNotifications0Iid = {
    0xEB813990, 0xB81C, 0x11D0, {0x98, 0x5E, 0x00, 0x60, 0x97, 0x0B, 0xEC, 0x0B}};
inline constexpr IID HostCallbackNotifications1Iid = {
    0xA4B8972D, 0x5B3A, 0x4B57, {0x93, 0xC5, 0x3E, 0xB3, 0xD6, 0x2A, 0x4F, 0x1D}};

// Vtable slots of the callbacks (0-2 are IUnknown's), in the order the
// interfaces of notifications.h declare them.
enum HostCallbackSlot : unsigned {
    HostCallbackCmsCommand = 3, // the CMS interface
    HostCallbackInitialize = 3, // the notifications interface (0)
    HostCallbackQuit = 4,
    HostCallbackCommand = 5,
    HostCallbackMessage = 6,
    HostCallbackDialogEvent = 7,
    HostCallbackNotify = 8,
    HostCallbackGetResource = 9,
    HostCallbackHtmlDialogEventEx = 3, // the notifications interface (1)
};

// ---- Values exchanged in properties and calls

// The kind of an initialisation (the Initialize callback's argument).
enum HostInitialization : int32_t {
    HostInitializeFirst = 1, // the client's first initialisation in this session
};

// Notification codes the client asks for and the host delivers.
enum HostNotification : int32_t {
    HostNotifyMessage = 13,      // a text message to the client
    HostNotifySplitMessage = 75, // a message whose fields the frame splits (NotifyFields)
};

// The type of a book component (property PropComponentType): documents are
// processed, folders and groups hold further components.
enum HostComponentType : int32_t {
    HostComponentFolder = 2,
    HostComponentGroup = 64,
    HostComponentDocument = 512,
};

// The type of a table row (property PropRowType).
enum HostRowType : int32_t {
    HostRowHeading = 0,
    HostRowBody = 1,
    HostRowFooting = 2,
};

// A body page's background (property PropPageBackground).
enum HostPageBackground : int32_t {
    HostBackgroundDefault = 0, // the default master page of its side
    HostBackgroundNone = 1,    // no master page
    HostBackgroundNamed = 2,   // the master page named by its master-page property
};

// The kind of a typed value (TypedVal::kind): which payload it carries. The
// copy and release walks know the layouts of many more; these are the ones
// the client builds or reads and the host hands out.
enum TypedKind : uint32_t {
    TypedInteger = 1,
    TypedMetric = 2,
    TypedString = 3,
    TypedId = 4,
    TypedWords = 5,   // a list of 32-bit values
    TypedStrings = 6, // a list of strings
    TypedRecord = 19,
    TypedValList = 20,
};

// The type argument of the Alert method.
enum HostAlertType : int32_t {
    HostAlertContinueNote = 2,    // a note with a Continue button
    HostAlertContinueWarning = 3, // a warning with a Continue button
};
