// Parsing vellor-host's command line. Options may stand before or after the
// command word; "--" ends the options, so a message of `send` may start with
// a dash. After `--open`, operands of `send` are files to open. `help CMD`
// asks for CMD's help as `CMD --help` does.
#include "apps/vellor_host/host_options.h"

#include <cctype>
#include <cstring>

namespace {

struct CommandName {
    const char* word;
    HostCommand command;
};

const CommandName kCommands[] = {
    {"apply", HostCommandApply},         {"apply-book", HostCommandApplyBook},
    {"list", HostCommandList},           {"list-book", HostCommandListBook},
    {"insert-marker", HostCommandInsertMarker}, {"remove-marker", HostCommandRemoveMarker},
    {"send", HostCommandSend},           {"menus", HostCommandMenus},
    {"check", HostCommandCheck},         {"map", HostCommandMap},
};

HostCommand CommandByWord(const std::string& word) {
    for (const CommandName& c : kCommands)
        if (word == c.word) return c.command;
    return HostCommandNone;
}

// Options that take a value, and where the value goes.
std::string* ValueSlot(HostOptions* o, const std::string& name) {
    if (name == "--host-dir") return &o->hostDir;
    if (name == "--mapping") return &o->mapping;
    if (name == "--report") return &o->report;
    if (name == "-o" || name == "--output") return &o->output;
    if (name == "--plugin") return &o->plugin;
    if (name == "--page") return &o->page;
    if (name == "--position") return &o->position;
    if (name == "--category") return &o->category;
    if (name == "--format") return &o->format;
    if (name == "--accept") return &o->accept;
    return nullptr;
}

int Fail(std::string* error, std::string text) {
    *error = std::move(text);
    return 0;
}

// FROM=TO of --path-map. FROM is a folder as Windows names it, with a drive
// or a share: the names a book holds are full names of one or the other.
int AddPathMap(HostOptions* o, const std::string& value, std::string* error) {
    size_t eq = value.find('=');
    if (eq == std::string::npos || eq == 0 || eq + 1 == value.size())
        return Fail(error, "--path-map needs FROM=TO, such as --path-map \"O:/Bills 09=/home/me/bills\"");
    std::string from = value.substr(0, eq);
    auto sep = [](char c) { return c == '/' || c == '\\'; };
    bool drive = from.size() >= 2 && std::isalpha(static_cast<unsigned char>(from[0])) && from[1] == ':';
    bool share = from.size() > 2 && sep(from[0]) && sep(from[1]) && !sep(from[2]);
    if (!drive && !share)
        return Fail(error, "--path-map " + value + ": FROM must be a folder as Windows names it, with a drive "
                                                   "(O:/Bills 09) or a share (//server/share)");
    o->pathMaps.push_back({from, value.substr(eq + 1)});
    return 1;
}

// --format, --accept, --explain and --exit-code: the output of the passes,
// the listings and check.
int CheckOutputOptions(const HostOptions& o, std::string* error) {
    bool pass = o.command == HostCommandApply || o.command == HostCommandApplyBook;
    bool listing = o.command == HostCommandList || o.command == HostCommandListBook;
    bool check = o.command == HostCommandCheck;
    if (!o.format.empty() && o.format != "json" && o.format != "tsv")
        return Fail(error, "--format takes text, json or tsv, not " + o.format);
    if (!o.format.empty() && !pass && !listing && !check)
        return Fail(error, "--format belongs to apply, apply-book, list, list-book and check");
    if (!o.accept.empty() && !check) return Fail(error, "--accept belongs to check");
    if (o.explain && !pass) return Fail(error, "--explain belongs to apply and apply-book");
    if (o.exitCode && !pass) return Fail(error, "--exit-code belongs to apply and apply-book");
    return 1;
}

// What the command needs of its operands and options, once all are read.
int CheckCommand(const HostOptions& o, std::string* error) {
    size_t n = o.operands.size();
    switch (o.command) {
    case HostCommandNone: return Fail(error, "no command given");
    case HostCommandApply:
    case HostCommandList:
    case HostCommandCheck:
        if (n == 0) return Fail(error, "no document given");
        if (o.command == HostCommandList && !o.report.empty() && n > 1)
            return Fail(error, "--report takes one document: every listed document gets a report of its own");
        break;
    case HostCommandApplyBook:
    case HostCommandListBook:
        if (n != 1) return Fail(error, n ? "one book only" : "no book given");
        break;
    case HostCommandInsertMarker:
    case HostCommandRemoveMarker:
        if (n != 1) return Fail(error, n ? "one document only" : "no document given");
        if (o.page.empty() == o.position.empty())
            return Fail(error, std::string(HostCommandWord(o.command)) +
                                   (o.page.empty() ? " needs --page N (the page's number as the document prints "
                                                     "it) or --position N (1 for the first page)"
                                                   : " takes --page or --position, not both"));
        if (!o.categoryGiven) return Fail(error, std::string(HostCommandWord(o.command)) + " needs --category TEXT");
        break;
    case HostCommandSend:
        if (n == 0) return Fail(error, "no message given");
        break;
    case HostCommandMenus:
        if (n != 0) return Fail(error, "menus takes no operands");
        break;
    case HostCommandMap:
        if (n == 0) return Fail(error, "no document or book given");
        if (o.output.empty()) return Fail(error, "map needs -o FILE.html: where the page map goes");
        break;
    }
    if (!o.output.empty() && o.command != HostCommandMap) return Fail(error, "-o belongs to map");
    if (!o.report.empty() && o.command == HostCommandMap)
        return Fail(error, "--report does not belong to map: -o names the file it writes");
    if (!o.open.empty() && o.command != HostCommandSend) return Fail(error, "--open belongs to send");
    if (!o.pathMaps.empty() && o.command != HostCommandApplyBook && o.command != HostCommandListBook &&
        o.command != HostCommandCheck && o.command != HostCommandMap)
        return Fail(error, "--path-map belongs to apply-book, list-book, check and map");
    bool marker = o.command == HostCommandInsertMarker || o.command == HostCommandRemoveMarker;
    if ((!o.page.empty() || !o.position.empty() || o.categoryGiven) && !marker)
        return Fail(error, "--page, --position and --category belong to insert-marker and remove-marker");
    return CheckOutputOptions(o, error);
}

} // namespace

int ParseHostOptions(int argc, const char* const* argv, HostOptions* o, std::string* error) {
    *o = HostOptions{};
    bool optionsEnded = false;
    bool opening = false; // after --open
    for (int i = 1; i < argc; ++i) {
        std::string arg = argv[i] ? argv[i] : "";
        if (!optionsEnded && arg.size() > 1 && arg[0] == '-') {
            if (arg == "--") {
                optionsEnded = true;
                continue;
            }
            if (arg == "--help" || arg == "-h") { o->help = true; continue; }
            if (arg == "--version") { o->version = true; continue; }
            if (arg == "--dry-run") { o->dryRun = true; continue; }
            if (arg == "--explain") { o->explain = true; continue; }
            if (arg == "--exit-code") { o->exitCode = true; continue; }
            if (arg == "-q" || arg == "--quiet") { o->verbosity = HostQuiet; continue; }
            if (arg == "-v" || arg == "--verbose") { o->verbosity = HostVerbose; continue; }
            if (arg == "--open") { opening = true; continue; }
            std::string name = arg, value;
            size_t eq = arg.find('=');
            bool inlineValue = eq != std::string::npos;
            if (inlineValue) {
                name = arg.substr(0, eq);
                value = arg.substr(eq + 1);
            }
            std::string* slot = ValueSlot(o, name);
            bool pathMap = name == "--path-map";
            if (!slot && !pathMap) return Fail(error, "unknown option " + name);
            if (!inlineValue) {
                if (i + 1 >= argc || !argv[i + 1]) return Fail(error, name + " needs a value");
                value = argv[++i];
            }
            if (value.empty() && name != "--category") return Fail(error, name + " needs a value");
            if (pathMap) {
                if (!AddPathMap(o, value, error)) return 0;
                continue;
            }
            *slot = value;
            if (name == "--category") o->categoryGiven = true;
            if (name == "--format" && value == "text") o->format.clear(); // the tables, as without it
            continue;
        }
        if (o->command == HostCommandNone) {
            if (arg == "help") { // the next word, if any, names the command ("help help": none)
                o->help = true;
                continue;
            }
            o->command = CommandByWord(arg);
            if (o->command == HostCommandNone) return Fail(error, "unknown command " + arg);
            continue;
        }
        (opening ? o->open : o->operands).push_back(arg);
    }
    if (opening && o->open.empty()) return Fail(error, "--open needs at least one file");
    if (o->help || o->version) return 1;
    return CheckCommand(*o, error);
}

const char* HostCommandWord(HostCommand command) {
    for (const CommandName& c : kCommands)
        if (c.command == command) return c.word;
    return "";
}

std::string HostUsageText(const std::string& whereText) {
    return std::string("usage: vellor-host [options] COMMAND ...\n"
           "\n"
           "Runs the Vellor plug-in (Quillet in FrameMaker's menus) in a simulated\n"
           "FrameMaker on MIF documents and books.\n"
           "\n"
           "Commands:\n"
           "  apply DOC...          apply master pages to each document, then save it\n"
           "  apply-book BOOK       apply master pages to every document of the book;\n"
           "                        the plug-in saves the documents\n"
           "  list DOC...           list the pages that do not use the default master\n"
           "                        pages; the report's text is printed\n"
           "  list-book BOOK        the same for every document of the book, in one report\n"
           "  insert-marker DOC (--page N | --position N) --category TEXT\n"
           "                        insert a MasterPage marker at the start of the page\n"
           "  remove-marker DOC (--page N | --position N) --category TEXT\n"
           "                        delete that marker from the page\n"
           "  send MESSAGE... [--open FILE...]\n"
           "                        open the files, then deliver each message as the\n"
           "                        plug-in's text notification (e.g. \"SetDocId 3\")\n"
           "  menus                 show the menus and commands the plug-in defines\n"
           "  check DOC|BOOK...     read the mapping document and the documents, run\n"
           "                        nothing, and list what in the mapping would do nothing\n"
           "  map DOC...|BOOK -o FILE.html\n"
           "                        apply, then draw every body page as a web page\n"
           "  help COMMAND          that command's help and options\n"
           "\n"
           "The mapping document: the one --mapping names, else MasterPage.fm beside the\n"
           "book or documents, else MasterPage.fm in the host folder.\n"
           "\n"
           "Options of every command:\n"
           "  --host-dir DIR        the host folder: MasterPage.fm, TarnOutput.fm and\n"
           "                        the converters in icu_data (default: below)\n"
           "  --mapping FILE        the mapping document: opened on screen first, so the\n"
           "                        plug-in takes it; it must hold a \"Page Type\" table\n"
           "  --report FILE         list, list-book, send: save the listing report as FILE\n"
           "  -o, --output FILE     map: save the page map (HTML) as FILE\n"
           "  --path-map FROM=TO    a book's documents named under the Windows folder FROM\n"
           "                        (O:/Bills 09, //server/share) are in the folder TO here;\n"
           "                        may be given more than once\n"
           "  --dry-run             run everything, save nothing, show what would change\n"
           "  --explain             apply, apply-book: every page and the rule, row and\n"
           "                        candidate that decided it\n"
           "  --format json|tsv     apply, apply-book, list, list-book, check: the pages\n"
           "                        (or findings) as JSON or TSV on stdout\n"
           "                        (docs/vellor-host-json.md)\n"
           "  --exit-code           apply, apply-book: exit status 3 when pages changed\n"
           "                        (or, with --dry-run, would change)\n"
           "  --plugin PATH         the plug-in module to load (default: below)\n"
           "  -q, --quiet           only warnings, errors and reports\n"
           "  -v, --verbose         also every page examined and every message sent\n"
           "  --help, --version\n"
           "Run 'vellor-host help COMMAND' for the options of one command.\n"
           "\n"
           "Exit status: 0 done; 1 the plug-in showed a warning or a save failed;\n"
           "2 bad usage or a file that cannot be read (nothing is written then);\n"
           "3 with --exit-code, pages changed and neither 1 nor 2 applies.\n"
           "check: 0 nothing (new) found, 1 findings, 2 a file that cannot be read.\n"
           "\n") + whereText;
}
