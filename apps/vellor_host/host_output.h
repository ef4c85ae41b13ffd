// What vellor-host tells the user while the plug-in runs: the plug-in's
// alerts as "note:"/"warning:" lines, its console lines, the book's status
// line as a progress line, and the host's own warnings; and the exit status
// that follows from them. Everything goes to stderr; stdout carries the
// change table and reports only.
#pragma once

#include "apps/vellor_host/host_options.h"
#include "apps/vellor_host/page_explain.h"
#include "hostsim/sim_control.h"

#include <cstdio>
#include <string>
#include <vector>

// 3: --exit-code, and pages changed (or would change) without a warning.
enum HostExit { HostExitDone = 0, HostExitWarning = 1, HostExitUsage = 2, HostExitChanges = 3 };

struct HostReporter {
    FILE* err = stderr;
    HostVerbosity verbosity = HostNormal;
    bool terminal = false;       // progress overwrites one line in place (escape sequences)
    bool progressShown = false;  // a progress line is on the screen (terminal only)
    size_t alertsSeen = 0, consoleSeen = 0, statusSeen = 0; // of the SimControl records
    int progressIndex = 0, progressTotal = 0;
    int warnings = 0;            // alerts of type 3 and failed saves
    // The pass's console lines explaining its decisions, read into the
    // record instead of being echoed, once the run has asked for them; the
    // records of the pages they explain share them.
    bool collectExplanations = false;
    PageExplanations explanations;
    bool changesExit = false;    // --exit-code
    bool pagesChanged = false;
};

// Whether progress may overwrite one line in place with escape sequences:
// on a terminal that takes them. TERM=dumb, and NO_COLOR set to anything,
// ask for plain lines.
bool ProgressInPlace(bool stderrIsTerminal);

// An alert as one message: "warning: " or "note: " and the text; further
// lines of the text are indented under the first.
std::string FormatAlert(const SimAlert& alert);
// A progress line: "[3/12] Updating Master Pages: ch3.mif" (no count when
// the total is not known).
std::string FormatProgress(int index, int total, const std::string& text);

// Prints what the simulated host recorded since the last call: alerts,
// console lines and status-line changes. Called while the plug-in runs (from
// the store, at every open and save) and after each command.
void ReportHostActivity(HostReporter& r, const SimControl& control);
// Starts counting progress for a book of `total` documents.
void BeginProgress(HostReporter& r, int total);
// Clears a progress line left on the terminal.
void EndProgress(HostReporter& r);

void ReportNote(HostReporter& r, const std::string& text);    // not with -q
void ReportLine(HostReporter& r, const std::string& text);    // as it is, not with -q
void ReportWarning(HostReporter& r, const std::string& text); // counts for the exit status
// A warning about the mapping document ("warning: ..."), shown even with -q;
// like check's findings it leaves the exit status alone.
void ReportMappingWarning(HostReporter& r, const std::string& text);
void ReportError(HostReporter& r, const std::string& text);   // "error: ..."
void ReportVerbose(HostReporter& r, const std::string& text); // only with -v

// 1 after a warning; else 3 with --exit-code when pages changed; else 0.
int HostExitStatus(const HostReporter& r);
