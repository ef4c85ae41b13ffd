// The simulated host's store of real files: documents and books are MIF
// files on disk, whatever their names ("MasterPage.fm" is MIF text too). The
// host hands the store Windows-form names; the store maps them to local ones.
// Every file is read and written through the file store (`files`; set its
// `guard` to make the store own the files of a run).
#pragma once

#include "hostsim/file_store.h"
#include "hostsim/sim_store.h"

#include <memory>
#include <string>
#include <vector>

struct MifParseAhead;

struct MifFileStore {
    std::string lastError; // the message of the last load or save that failed, naming the file
    // What reading the files loaded or checked found odd and kept as it
    // stood ("ch3.mif:41: unknown escape \n kept as it stands"), until taken.
    std::vector<std::string> warnings;
    int loads = 0;
    int saves = 0;     // files written
    int unchanged = 0; // saves that found the file holding their bytes already: not written
    FileStore files;
    // A book's next document, read ahead (MifFileStoreReadAhead): its name,
    // to be read once the load under way has its own file, and the thread
    // that parses it.
    std::string readNext;
    std::shared_ptr<MifParseAhead> ahead;
};

// A store over `files` (which must outlive it).
SimStore MifFileStoreMake(MifFileStore* files);

// Whether the file `name` (Windows form) reads as a document or a book,
// without making the host's objects of it: the file is read and parsed and
// then let go. SimOk with `*isBook`, else the status and words that a load
// would give (`lastError`).
int MifFileStoreCheck(void* files, const std::string& name, bool* isBook);

// Has the file `name` (Windows form) read at the next load of another
// file, once that has its own bytes, and parsed (and its document built)
// on another thread while the host works on that one: a book's next
// document. A load of `name` then
// takes what the parse gave; a load of any other file lets it go. The
// trees of the documents loaded from then on are freed on that thread, or
// on the host's while it waits for a parse.
void MifFileStoreReadAhead(void* files, const std::string& name);
// The same from now on, while no load is under way: a book's first
// document, read while the host gets ready.
void MifFileStoreReadFirst(void* files, const std::string& name);

// MifFileStoreCheck in three steps, so that the reads and parses of several
// files may run at once: the read is begun through the store
// (MifFileStoreCheckRead, on the store's thread), the bytes read and parsed
// (MifCheckParse, on any thread: it touches nothing of the store's nor of
// another check's), and the verdict given to the store as MifFileStoreCheck
// gives it, the read ended, its words in `lastError` and its warnings among
// the store's (MifFileStoreCheckEnd, on the store's thread).
struct MifPendingCheck {
    std::string name;  // Windows form
    std::string local; // the file read
    FileRead read;     // begun; its bytes are read where they are parsed
    std::string bytes; // read (or given), not yet parsed
    int status = SimOk;
    bool isBook = false;
    std::string error; // the words of a status that is not SimOk
    std::vector<std::string> warnings;
};
void MifFileStoreCheckRead(void* files, const std::string& name, MifPendingCheck* check);
void MifCheckParse(MifPendingCheck* check);
int MifFileStoreCheckEnd(void* files, MifPendingCheck* check, bool* isBook);

// The store's warnings since they were last taken; it keeps none.
std::vector<std::string> MifFileStoreTakeWarnings(void* files);
