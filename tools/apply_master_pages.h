// The document pass: every body page of a document gets a master page by the
// first rule that applies (its current master page, a "MasterPage" marker on
// it, its first tagged paragraph in flow order, being empty), else the
// document's default master page for its side.
#pragma once

#include "host/host_records.h"

// The pass over `document`. Clears HostErrorCode first; its only report is
// the alert when no mapping document can be had, and, while
// ExplainMasterPages is on, one console line per body page
// (tools/decision_lines.h).
void ApplyMasterPagesToDoc(ObjId document);

// Applies one mapping cell to one body page: the first of its paragraphs that
// names a master page of `document`, or reads "As Is" or "None", decides; a
// cell that decides nothing (also a cell of 0) gives the default master page.
void ApplyCellToPage(ObjId mapping, ObjId document, ObjId cell, ObjId page);

// After command 1: moves the view to the first master page and back, then
// restores the selection, so that the user stays where they were.
void RefreshDocumentView(ObjId document);
