// Finding a book's documents on this machine. A book names its documents as
// FrameMaker stored them where the book was saved: beside the book
// ("<c>ch3.mif"), on a drive ("O:\Bills 09\Cover.fm") or on a share
// ("\\server\share\Cover.fm"), and often as the .fm files they were, though
// each was also saved as MIF. The host gives the plug-in those names as they
// are; the program finds the file each stands for, and the store reads and
// saves that file whenever the plug-in opens or saves the name.
#pragma once

#include "apps/vellor_host/host_options.h"
#include "apps/vellor_host/host_run.h"

#include <string>
#include <vector>

// Where a document was found, in the order looked: the name as the book
// gives it (after --path-map); the same with .mif for its extension; its
// base name with .mif in the book's own folder.
enum BookPathStep { BookPathAsNamed, BookPathAsMif, BookPathInBookFolder, BookPathMissing };

struct BookPathFound {
    BookPathStep step = BookPathMissing;
    std::string file;   // the local file found
    std::string mapped; // the local path --path-map made of the name, or ""
};

// Finds the document the book `bookLocal` (a local path) names `name` (the
// host's full Windows-form name). A FrameMaker binary file is passed over
// for a later step's MIF file; it is taken only when nothing else is there,
// so that reading it says what to do.
BookPathFound FindBookDocument(const std::vector<HostPathMap>& maps, const std::string& bookLocal,
                               const std::string& name);

// A Windows-form name as a message shows it: the local path of a name on
// this machine, the Windows form itself of one on another drive or a share.
std::string ShownName(const std::string& windowsName);

// Finds every document of `book` (read from `bookName`), says which were
// found by a later step, and enters those found under another name into the
// store's table, so that the plug-in's opens and saves reach them. False,
// with the errors reported, when one is not found or two would be one file.
bool FindBookDocuments(HostRun& run, const std::string& bookName, const SimDoc& book,
                       std::vector<std::string>* names);
