// What insert-marker and remove-marker share: the page they work on, named
// by its number as the document prints it (--page) or by its place among
// the body pages (--position); the MasterPage markers standing on a page;
// and saving the document as the user would once a marker went in or out.
#pragma once

#include "apps/vellor_host/host_run.h"

#include <string>
#include <vector>

// The body page the options name; 0 with the error reported.
ObjId MarkerCommandPage(HostRun& run, const SimDoc& doc, const std::string& title);

// The markers of type "MasterPage" standing on `page`, in flow order: those
// whose text is `*text`, or all of them when `text` is null.
std::vector<ObjId> MasterPageMarkersOn(const SimDoc& doc, ObjId page, const std::string* text);

// Saves the document (File > Save) and says so, then closes it.
void SaveMarkerChange(HostRun& run, SimDoc* doc, const std::string& name);
