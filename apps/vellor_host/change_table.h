// The record of a run as vellor-host prints it on the terminal: the table
// of the pages whose master page changed (every page with -v; every page
// and why with --explain) and the count per document and in all.
#pragma once

#include "apps/vellor_host/page_snapshot.h"

#include <string>
#include <vector>

enum ChangeView { ViewChangedPages, ViewEveryPage, ViewExplained };

// Names each document for the tables: its file's last name, or, where two
// documents of the run share that name, its path relative to the current
// folder (`given` when it is relative already).
void NameDocuments(std::vector<DocChanges>* docs);

// The table and the counts. `dryRun` words them as what would change.
std::string FormatChangeTable(const std::vector<DocChanges>& docs, ChangeView view, bool dryRun);
