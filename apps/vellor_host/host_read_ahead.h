// Reading ahead of the plug-in: every file the command needs is read (or, for
// a book's documents, checked) before the plug-in is loaded, and a file that
// cannot be read stops the run with a message before anything is written.
#pragma once

#include "apps/vellor_host/host_run.h"

#include <string>
#include <vector>

// What a file must be: a document, a book, either, or a document as a
// book's component (a book there is named as the book's fault, not the command's).
enum Want { WantDocument, WantBook, WantAny, WantComponent };

// Reads (into `out`) or, without `out`, checks the local file `local` as
// what `want` says; its Windows-form name into `windowsName`. 0 with the
// error reported when it cannot. `where`, when given, says where a binary
// FrameMaker file stands in the message about it ("in the host folder DIR",
// "beside Manual.book": files the user did not name on the command line).
int ReadAhead(HostRun& run, const std::string& local, Want want, std::string* windowsName, SimDoc* out = nullptr,
              const std::string& where = std::string());

// Whether the plug-in is going to open the mapping document.
bool UsesMapping(const HostOptions& o);

// Reads ahead every file of the command into `names` (Windows form), the
// book's documents into the run; false when one cannot be read.
bool ReadAheadAll(HostRun& run, std::vector<std::string>* names);
