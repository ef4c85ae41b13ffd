// The simulated FrameMaker as a COM server object: it answers QueryInterface
// for the eighteen host interfaces and implements the methods of the main
// interface that the client library reaches, over the model of sim_model.h,
// a pluggable document store, and the test controls of sim_control.h. It
// also drives a registered client the way FrameMaker does (initialise,
// commands, notifications, release).
//
//   SimServer* server = SimServerCreate();          // one reference
//   HostAcquireInterfaces(SimServerUnknown(server)); // or F_ApiClientInit(..., server, ...)
//   SimFailMethodStatus(SimServerControl(server), 85, 7, 1); // first GetIntProp answers 7
//   ...                                             // drive the client, read the model
//   HostReleaseInterfaces();
//   SimServerRelease(server);                       // the last reference frees it
//
// Strings go to the client in FrameRoman and come back from it in FrameRoman,
// except the file name of Save and the console text, which are UTF-8. File
// names are shown in Windows form (the POSIX root is drive Z:).
#pragma once

#include "hostsim/doc_builder.h"
#include "hostsim/sim_control.h"
#include "hostsim/sim_model.h"
#include "hostsim/sim_store.h"
#include "hostsim/sim_text.h" // text between the host (UTF-8) and the client (FrameRoman)
#include "platform/com_types.h"

#include <string>

struct SimServer;

// Bits of the status word in the return parameters of Open (entry 3) and
// Save (entry 1); entry 2 holds a native error code (0).
enum SimReturnBit : int {
    SimReturnDone = 0,
    SimReturnNotFound = 1,   // no such file (or no name)
    SimReturnInUse = 2,      // open already, and the options did not allow reusing it
    SimReturnReused = 3,     // open already: the open document was returned
    SimReturnWriteFailed = 4,
};

// A server with a fresh session (host directory `hostDirectory`, Windows
// form; by default this build's folder, where the converters are), an empty
// in-memory store and no faults. Reference count 1.
SimServer* SimServerCreate(const char* hostDirectory = nullptr);
// The server's IUnknown (the object FrameMaker hands to F_ApiClientInit).
IUnknown* SimServerUnknown(SimServer* server);
// Lets a registered client go (as FrameMaker does when it quits) and drops
// the caller's reference; the last reference frees the server.
void SimServerRelease(SimServer* server);

SimSession& SimServerSession(SimServer* server);
SimControl& SimServerControl(SimServer* server);
SimMemoryStore& SimServerMemory(SimServer* server);
// Replaces the store (the in-memory one is the default).
void SimServerSetStore(SimServer* server, SimStore store);

// ---- Scenario set-up
// Puts the built document or book into the in-memory store under its name.
void SimStorePut(SimServer* server, const DocBuilder& builder);
void SimStorePut(SimServer* server, const BookBuilder& builder);
// Opens a built document (shown or hidden) as if the user had opened it; a
// shown document becomes the active one. Returns its id.
ObjId SimOpenBuilt(SimServer* server, const DocBuilder& builder, bool visible);
ObjId SimOpenBook(SimServer* server, const BookBuilder& builder, bool active = true);
SimDoc* SimDocById(SimServer* server, ObjId id);
SimDoc* SimDocByName(SimServer* server, const char* name); // an open document
// The stored file of that name (after a save), or null.
const SimDoc* SimStoredFile(SimServer* server, const char* name);

// ---- Driving the client as FrameMaker does (through the callback object
// registered with method 3). Each returns the callback's HRESULT, or
// E_UNEXPECTED when no client is registered.
HRESULT SimClientInitialize(SimServer* server, int32_t code);
HRESULT SimClientCommand(SimServer* server, int32_t command);
// Chooses the command with that tag from a menu: its number goes to Command.
HRESULT SimClientChooseCommand(SimServer* server, const char* tag);
HRESULT SimClientNotify(SimServer* server, int32_t code, ObjId document, const char* text,
                        int32_t number);
// A notification-13 message (FrameRoman text): delivered only when the client
// asked for notification 13, as FrameMaker does; S_FALSE when not delivered.
HRESULT SimClientMessage(SimServer* server, const char* text);
HRESULT SimClientQuit(SimServer* server);
// FrameMaker lets the client go: releases its reference to the callback.
void SimClientRelease(SimServer* server);
bool SimClientRegistered(SimServer* server);
int32_t SimClientApiVersion(SimServer* server);
