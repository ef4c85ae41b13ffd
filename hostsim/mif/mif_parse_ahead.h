// A book's documents are read one after the other: while the host works on
// one, a thread of its own reads the bytes of the next (the store opened
// it, and notes it as read when the host takes it), parses them, builds its
// objects unless the host is waiting for them already, and frees the trees
// of documents closed (the host frees them itself while it waits for a
// parse). A tree is read on that thread and used on the host's, or used on
// the host's and freed on either, never two at once (mif_arena.h).
#pragma once

#include "hostsim/file_store.h"
#include "hostsim/mif/mif_tree.h"
#include "hostsim/sim_model.h"

#include <memory>
#include <string>
#include <vector>

struct MifParseAhead;

// The thread, started; it ends when the last holder lets it go, once it
// has parsed and freed what it was given.
std::shared_ptr<MifParseAhead> MifParseAheadStart();

// What a file read ahead gave: the bytes' status (SimOk), the parse's
// verdict, tree and message, and the document built from the tree.
struct MifParsed {
    std::string local; // the file's local name
    int status = SimOk; // of beginning the read of its bytes; `error` says why when not SimOk
    FileRead bytes;     // the read, its bytes read on the thread and ended by the host
    bool parsed = false;
    MifFile file;       // until the document is built from it
    std::string error;
    bool built = false; // `doc` is the document, named by its Windows name
    bool refused = false; // the tree is no document the host reads; `error` says why
    SimDoc doc;
    std::vector<std::string> warnings; // what the parse found odd
};

// Reads the bytes of the file `name` (Windows form) whose read `read`
// began, parses them and builds the document from its tree, on the thread;
// its messages call it `shown`. A file whose read could not begin is handed
// over as `read` says. Whatever was in hand before is let go.
void MifParseAheadGive(MifParseAhead& ahead, const std::string& name, const std::string& shown, MifParsed read);

// Takes the file in hand, once its parse is done, when it is `name`'s:
// false when there is none or it is another's (which is then let go).
bool MifParseAheadTake(MifParseAhead& ahead, const std::string& name, MifParsed* out);

// Makes the tree `doc` was read from be freed on the thread once `doc` and
// every copy of it are gone.
void MifParseAheadFreesTree(const std::shared_ptr<MifParseAhead>& ahead, SimDoc* doc);
