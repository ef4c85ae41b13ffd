// How a command's record reaches the user: the plug-in asked to explain
// its pass when an output needs what decided each page, the documents
// named, and the record printed as the change table, --explain, JSON or TSV.
#pragma once

#include "apps/vellor_host/host_run.h"

#include <string>
#include <vector>

// Sends "ExplainMasterPages 1" when --explain or --format wants to know what
// decided each page, and reads the plug-in's lines into the record from
// then on. Nothing otherwise: the plug-in then runs exactly as it would.
void AskForExplanations(HostRun& run);

// A document's names: the host's (Windows form), its local absolute path,
// and the path the user gave (`given`; empty: relative to the current
// folder, or absolute when `absolute`).
void NameRecord(DocChanges* doc, const std::string& windowsName, const std::string& given, bool absolute);

// A listing's record as --format asks; the report's text is printed instead
// when it does not.
void PrintListing(HostRun& run, std::vector<DocChanges> docs);
