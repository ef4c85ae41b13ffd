// A document store laid over the real one (MIF files): it reads each file
// once and serves copies (a book's documents excepted), remembers every file's first state and every saved
// state for the change table, keeps a dry run's saves in memory instead of
// writing them, and records the saves that failed. It also tells the program
// whenever the host touches a file, so that progress and alerts reach the
// user while the plug-in is still running.
#pragma once

#include "apps/vellor_host/page_snapshot.h"
#include "hostsim/mif/mif_store.h"
#include "hostsim/sim_store.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

struct StoreTap {
    SimStore inner;
    bool dryRun = false;
    // The text of the inner store's last failure ("ch3.mif:41: unterminated
    // string"), or null when it has no words for it.
    std::string (*innerError)(void* context) = nullptr;
    // Whether a file reads, without making a document of it (may be null).
    int (*innerCheck)(void* context, const std::string& name, bool* isBook) = nullptr;
    // The same check in steps (both or neither; may be null), so that the
    // reads and parses of several files may run at once: the read is begun
    // now, the bytes read and parsed by MifCheckParse on any thread, and then
    // judged as `innerCheck` judges them.
    void (*innerCheckRead)(void* context, const std::string& name, MifPendingCheck* check) = nullptr;
    int (*innerCheckEnd)(void* context, MifPendingCheck* check, bool* isBook) = nullptr;
    // Called with the inner store's context at every open and save, cached
    // or not: where a signal stops the run between documents (may be null).
    void (*checkpoint)(void* context) = nullptr;
    // What the inner store found odd in the files it read and kept as it
    // stood, taken from it after each read (may be null).
    std::vector<std::string> (*innerWarnings)(void* context) = nullptr;
    std::vector<std::string> readWarnings; // each once per file, in the order first given
    std::set<std::string> warned;          // file name and warning of each given
    // Has a file read, and parsed on another thread, for a load of it to
    // come (may be null).
    void (*innerReadAhead)(void* context, const std::string& name) = nullptr;
    // The same from now on, while no load is under way (may be null).
    void (*innerReadFirst)(void* context, const std::string& name) = nullptr;
    // The order in which streamed files are to be opened (a book's
    // documents): as one is read from its file, the next is read ahead.
    std::vector<std::string> openOrder;
    size_t openAt = 0; // where in `openOrder` the next open is looked for

    // The file a name stands for (Windows form), where it is not the name
    // itself: a book's document named as FrameMaker stored it ("O:\Bills
    // 09\Cover.fm") and found here under another name. Loads, saves and
    // checks of the name reach that file; everything else here goes by the
    // name, which the document keeps.
    std::map<std::string, std::string> files;

    std::map<std::string, SimDoc> cache;       // last state read or saved, by name
    // Files read from disk whenever they are opened and never held in the
    // cache: a book's documents, so that a book is in memory one document at
    // a time. A dry run keeps what it would have saved of them, there being
    // nowhere else to keep it, but only while they are to be opened again.
    std::set<std::string> streamed;
    // How often each file is still to be opened (a book that names a
    // document twice opens it twice, as does apply a document named twice),
    // where that is known: a dry run's save of one that is not to be opened
    // again is not kept, for only the record of it is wanted (`after`). A
    // file not here may be opened at any time, and what a dry run would have
    // saved of it is kept.
    std::map<std::string, int> opensLeft;
    std::map<std::string, DocSnapshot> before; // first state of each document read
    std::vector<std::string> savedOrder;       // names saved, in the order of first save
    std::map<std::string, DocSnapshot> after;  // last state saved
    struct FailedSave {
        std::string name; // Windows form
        std::string why;  // the store's words, may be empty
    };
    std::vector<FailedSave> failedSaves;       // in order of failure
    std::map<std::string, std::string> failedLoads; // name -> the store's words, for the host's opens that failed

    // The files the run may write (Windows form); a save of any other is
    // refused. Unset: any.
    std::optional<std::set<std::string>> writable;

    void (*onActivity)(void* context) = nullptr;
    void* activityContext = nullptr;
    // Called with each document when it is first read (may be null): what a
    // command keeps of a document beyond its snapshot, while it is in memory.
    void (*onFirstRead)(void* context, const std::string& name, const SimDoc& doc) = nullptr;
    void* firstReadContext = nullptr;
};

// The store that the simulated host is given.
SimStore StoreTapMake(StoreTap* tap);

// Reads `name` (Windows form) ahead of the plug-in. Returns 0, or a nonzero
// status with `*error` saying why (the file's name, a line, the fault).
int StoreTapRead(StoreTap& tap, const std::string& name, SimDoc* out, std::string* error);
// Whether `name` can be read, and whether it is a book, holding nothing of a
// streamed file: it is then read in full again when it is opened.
int StoreTapCheck(StoreTap& tap, const std::string& name, bool* isBook, std::string* error);
// StoreTapCheck in three steps, so that the parses of several files may run
// at once: begun (the file read) and ended on the store's thread, the parse
// between them on any. A file that StoreTapCheck would read whole instead is
// read when the check ends, so that what the store records happens in the
// order the checks end.
struct StoreTapPendingCheck {
    std::string name;
    bool stepped = false; // read by the inner store's steps
    MifPendingCheck inner;
};
void StoreTapCheckBegin(StoreTap& tap, const std::string& name, StoreTapPendingCheck* check);
void StoreTapCheckParse(StoreTapPendingCheck* check);
int StoreTapCheckEnd(StoreTap& tap, StoreTapPendingCheck* check, bool* isBook, std::string* error);
// Saves a document as the host program itself does (File > Save), dry-run aware.
int StoreTapSave(StoreTap& tap, const std::string& name, const SimDoc& doc);

// Has the first file of `openOrder` read ahead from now on, while the host
// gets ready to open it.
void StoreTapReadFirstAhead(StoreTap& tap);

// Lets go of what the cache holds of `name`, a document the host now has
// open: the open document is then the only holder of its objects, and the
// host's first change to it does not copy them all. Opened again once
// closed, it is read from its file, or given as a dry run saved it.
void StoreTapRelease(StoreTap& tap, const std::string& name);

// The file `name` stands for (Windows form): its entry in `files`, or itself.
const std::string& StoreTapFileOf(const StoreTap& tap, const std::string& name);

// The last element of a Windows-form name: what tables call a document.
std::string DocTitle(const std::string& windowsName);
