// The tools' face towards FrameMaker: the initialise, command and notify entry
// points that the client frame calls, the command numbers, and the target
// document and book that messages set for the next command.
#pragma once

#include "host/host_records.h"
#include "host/host_wire.h"

#include <cstdint>

// Command numbers: what FrameMaker passes back for a menu command, and what
// messages are translated to.
enum ToolCommand : int32_t {
    CommandApplyToDocument = 1,
    CommandEditMapping = 2,
    CommandApplyToBook = 3,
    CommandListDocument = 4,
    CommandListBook = 5,
    CommandInsertMarker = 6,
    CommandAbout = 1000,
};

// The notification whose text messages the tools answer.
enum : int32_t { ToolMessageNotification = HostNotifyMessage };

// The document and book the next command works on; 0 means the active one.
// Set by "SetDocId"/"SetBookId" messages, cleared when a command completes.
extern ObjId TargetDocId;
extern ObjId TargetBookId;

// The initialise callback: kind 1 (the first initialisation in a session)
// defines the menus; every initialisation asks for notification 13.
void InitializeTools(int32_t kind);

// The command callback: runs the operation of one command number.
void RunToolCommand(int32_t command);

// The notify callback. Only the notification code and the text are used.
// Besides the command words and the target ids, "ExplainMasterPages 1" and
// "ExplainMasterPages 0" turn the pass's console lines on and off
// (tools/decision_lines.h).
void HandleToolMessage(int32_t notification, ObjId document, const char* text, int32_t number);

// The About alert.
void ShowAboutAlert();
