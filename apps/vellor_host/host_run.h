// What every command of vellor-host shares while it runs: the run's state
// (options, reporter, the store laid over the files, the simulated host and
// the plug-in loaded into it) and the few things every command does with it
// (open a file as the user would, send a message, save, close, print the
// table of changed pages). Each command lives in a file of its own
// (cmd_*.cpp); host_session.cpp reads ahead, starts the host and dispatches.
#pragma once

#include "apps/vellor_host/host_options.h"
#include "apps/vellor_host/host_output.h"
#include "apps/vellor_host/map_layout.h"
#include "apps/vellor_host/page_snapshot.h"
#include "apps/vellor_host/store_tap.h"
#include "hostsim/sim_loader.h"
#include "hostsim/sim_server.h"

#include <set>
#include <string>
#include <vector>

struct HostRun {
    const HostOptions& o;
    HostReporter& r;
    StoreTap tap;
    SimServer* server = nullptr;
    SimModule module;
    size_t failuresSeen = 0;
    size_t readWarningsSeen = 0;
    std::vector<SimDoc*> opened; // documents and books the user opened, in order
    int reports = 0;
    std::string hostDir;
    std::string sampleDir;        // the program's own host folder, with the sample MasterPage.fm
    bool sampleHostDir = false;   // ... which is the host folder of this run
    std::string mappingFile;      // the mapping document the program opens on screen first (local name):
    std::string mappingFrom;      // ... --mapping's, or MasterPage.fm beside the files; and which of them
    std::vector<std::string> bookDocuments; // the book's documents in book order (Windows form)
    MapLayouts layouts;           // map: each document's page layout as first read, by name
    std::string plugin;           // the plug-in the host loads

    HostRun(const HostOptions& options, HostReporter& reporter) : o(options), r(reporter) {}
};

// The simulated host with the plug-in loaded into it; false, with the
// error reported and no server, when the plug-in cannot be loaded or started.
bool StartHost(HostRun& run);
// The plug-in unloaded and the host gone, what they said last reported.
void StopHost(HostRun& run);

// A Windows-form name as a local path (the name itself when it has none).
std::string LocalName(const std::string& windowsName);

// The store's call whenever the host touches a file (`context` is the run):
// what the host recorded reaches the user while the plug-in runs.
void OnActivity(void* context);

// Prints what the host recorded, and the saves that failed and what reading
// the files found odd since the last look.
void Catch(HostRun& run);

// Opens a file as the user would (File > Open); null when it cannot be read.
SimDoc* OpenAsUser(HostRun& run, const std::string& windowsName);
// Sends the plug-in a text message (notification 13).
void Send(HostRun& run, const std::string& text);
// Saves a document the user opened and the plug-in changed (File > Save).
void SaveAsUser(HostRun& run, SimDoc* doc);
void Close(HostRun& run, SimDoc* doc);

// The ids of the documents open now.
std::set<ObjId> OpenIds(HostRun& run);
// Prints, and saves where --report says, each report the plug-in made: a
// document on screen that was not open `before`; then closes it.
void TakeReports(HostRun& run, const std::set<ObjId>& before);

// The book's document components in the order the plug-in walks them:
// folders and groups are entered, other kinds are passed over with all they hold.
void BookDocuments(const SimDoc& book, const std::vector<ObjId>& level, std::vector<std::string>* names);

// Adds the pages of a document the plug-in saved, as read against as saved
// last; nothing for one whose save failed.
void AddSavedChanges(HostRun& run, const std::string& name, std::vector<DocChanges>* docs);
// The record of the documents, as the options ask: the table of changed
// pages (or that nothing was saved), --explain, JSON or TSV
// (record_output.cpp).
void PrintChanges(HostRun& run, std::vector<DocChanges> docs);

// Whether the text message runs a pass of the plug-in over pages.
bool RunsAPass(const std::string& message);

// The passes of apply and apply-book, which map runs too: the record of
// each document the pass went over (apply) or the plug-in saved (apply-book).
// False when the book cannot be opened.
void ApplyDocumentsPass(HostRun& run, const std::vector<std::string>& names, std::vector<DocChanges>* docs);
bool ApplyBookPass(HostRun& run, const std::string& bookName, std::vector<DocChanges>* docs);

// The commands, each in its file; each returns the exit status it asks for
// (HostExitDone when the reporter's count decides).
int ApplyCommand(HostRun& run, const std::vector<std::string>& names);
int ListCommand(HostRun& run, const std::vector<std::string>& names);
int BookCommand(HostRun& run, const std::vector<std::string>& names);
int InsertMarkerCommand(HostRun& run, const std::vector<std::string>& names);
int RemoveMarkerCommand(HostRun& run, const std::vector<std::string>& names);
int SendCommand(HostRun& run, const std::vector<std::string>& names);
int MenusCommand(HostRun& run, const std::vector<std::string>& names);
int CheckCommand(HostRun& run, const std::vector<std::string>& names);
int MapCommand(HostRun& run, const std::vector<std::string>& names);
