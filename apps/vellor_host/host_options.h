// The command line of vellor-host: the command, its operands and the options,
// parsed into plain data, and the usage text that --help prints (each
// command's own help is in host_help.h).
#pragma once

#include <string>
#include <vector>

enum HostCommand {
    HostCommandNone,
    HostCommandApply,        // apply DOC...
    HostCommandApplyBook,    // apply-book BOOK
    HostCommandList,         // list DOC...
    HostCommandListBook,     // list-book BOOK
    HostCommandInsertMarker, // insert-marker DOC (--page N | --position N) --category TEXT
    HostCommandRemoveMarker, // remove-marker DOC (--page N | --position N) --category TEXT
    HostCommandSend,         // send MESSAGE... [--open FILE...]
    HostCommandMenus,        // menus
    HostCommandCheck,        // check DOC|BOOK...: the mapping document against them
    HostCommandMap,          // map DOC...|BOOK -o FILE.html: the page map
};

// --path-map FROM=TO: a book's documents named under the Windows folder FROM
// ("O:/Bills 09", "//server/share"; either separator) are looked for under
// the local folder TO.
struct HostPathMap {
    std::string from, to;
};

enum HostVerbosity { HostQuiet = -1, HostNormal = 0, HostVerbose = 1 };

struct HostOptions {
    HostCommand command = HostCommandNone;
    std::vector<std::string> operands; // documents, the book, or the messages of send
    std::vector<std::string> open;     // send: files to open first
    std::string hostDir;               // empty: the build's own host directory
    std::string mapping;               // a mapping document to open on screen first
    std::string report;                // where the listing report is saved
    std::string output;                // map: where the page map (HTML) is saved (-o)
    std::string plugin;                // empty: the build's own module
    std::string page;                  // insert-/remove-marker: the page's number as printed
    std::string position;              // insert-/remove-marker: the page's position (1 the first)
    std::string category;              // insert-/remove-marker: the marker text
    std::vector<HostPathMap> pathMaps; // in the order given
    bool categoryGiven = false;
    std::string accept;                // check: findings accepted before (a --format tsv list)
    bool dryRun = false;
    bool explain = false;              // apply, apply-book: every page and what decided it
    std::string format;                // --format: "json" or "tsv"; empty (or "text") for the tables
    bool exitCode = false;             // apply, apply-book: exit status 3 when pages (would) change
    HostVerbosity verbosity = HostNormal;
    bool help = false;                 // --help, -h or `help`: `command`'s help, or the usage
    bool version = false;
};

// Parses argv[1..argc-1]. Returns 1, or 0 with `*error` saying what is wrong
// (one line, without the program name). --help and --version succeed with
// any command or none; `help CMD` is CMD's --help.
int ParseHostOptions(int argc, const char* const* argv, HostOptions* options, std::string* error);

// The text of --help, ending in where the plug-in module and the host
// folder are looked up (`whereText`).
std::string HostUsageText(const std::string& whereText);

// The word of a command ("apply-book"), "" for none.
const char* HostCommandWord(HostCommand command);
