// The help texts of the commands, one each. The man page (docs/vellor-host.1)
// and the bash completion (data/vellor-host.bash) name the same options; a
// test holds the three together.
#include "apps/vellor_host/host_help.h"

namespace {

struct CommandHelpText {
    HostCommand command;
    const char* text; // from the usage line to the command's own options
};

const CommandHelpText kHelp[] = {
    {HostCommandApply,
     "usage: vellor-host [options] apply DOC...\n"
     "\n"
     "Opens each document as a user would, chooses the plug-in's Apply Master\n"
     "Pages command for it, and saves it when a page changed. Prints the body\n"
     "pages whose master page changed.\n"
     "\n"
     "Options:\n"
     "  --mapping FILE   the mapping document (else MasterPage.fm beside the\n"
     "                   documents, else the host folder's)\n"
     "  --dry-run        save nothing; show what would change\n"
     "  --explain        every page and the rule, row and candidate that decided it\n"
     "  --format json|tsv  the pages as JSON or TSV on stdout\n"
     "  --exit-code      exit status 3 when pages changed (or would change)\n"},
    {HostCommandApplyBook,
     "usage: vellor-host [options] apply-book BOOK\n"
     "\n"
     "Opens the book and chooses the plug-in's Apply Master Pages command on the\n"
     "book's menu: the plug-in walks the book's documents and saves each. Prints\n"
     "progress, then the body pages whose master page changed.\n"
     "\n"
     "Options:\n"
     "  --mapping FILE   the mapping document (else MasterPage.fm beside the book,\n"
     "                   else the host folder's)\n"
     "  --path-map FROM=TO  a book's documents named under the Windows folder\n"
     "                   FROM (O:/Bills 09, //server/share) are in TO here\n"
     "  --dry-run        save nothing; show what would change\n"
     "  --explain        every page and the rule, row and candidate that decided it\n"
     "  --format json|tsv  the pages as JSON or TSV on stdout\n"
     "  --exit-code      exit status 3 when pages changed (or would change)\n"},
    {HostCommandList,
     "usage: vellor-host [options] list DOC...\n"
     "\n"
     "Runs the plug-in's List Master Pages command on each document: the pages\n"
     "that do not use the default master pages go into a report (TarnOutput.fm\n"
     "from the host folder, or a new document), whose text is printed.\n"
     "\n"
     "Options:\n"
     "  --report FILE    also save the report as FILE (MIF); one document only\n"
     "  --format json|tsv  every page and whether the report names it, on stdout\n"
     "  --dry-run        save nothing\n"},
    {HostCommandListBook,
     "usage: vellor-host [options] list-book BOOK\n"
     "\n"
     "The listing for every document of the book, in one report, printed.\n"
     "\n"
     "Options:\n"
     "  --report FILE    also save the report as FILE (MIF)\n"
     "  --path-map FROM=TO  as for apply-book\n"
     "  --format json|tsv  every page and whether the report names it, on stdout\n"
     "  --dry-run        save nothing\n"},
    {HostCommandInsertMarker,
     "usage: vellor-host [options] insert-marker DOC (--page N | --position N) --category TEXT\n"
     "\n"
     "Clicks at the start of the page's first paragraph and chooses the\n"
     "plug-in's Insert MasterPage Marker command, answering its prompt with\n"
     "TEXT; then saves the document. A marker of that text already on the page\n"
     "is not inserted again (nothing is saved).\n"
     "\n"
     "Options:\n"
     "  --page N         the page by its number as the document prints it\n"
     "                   (\"17\", \"iv\", \"A-2\")\n"
     "  --position N     the page by its place among the body pages (1 the first)\n"
     "  --category TEXT  the marker's text: a key of the \"Marker Category\" table;\n"
     "                   FrameRoman characters only\n"
     "  --dry-run        save nothing\n"},
    {HostCommandRemoveMarker,
     "usage: vellor-host [options] remove-marker DOC (--page N | --position N) --category TEXT\n"
     "\n"
     "Selects a MasterPage marker of that text on the page and deletes it, as a\n"
     "user would in FrameMaker (the plug-in has no command for it); then saves\n"
     "the document. A page without such a marker is an error.\n"
     "\n"
     "Options:\n"
     "  --page N         the page by its number as the document prints it\n"
     "  --position N     the page by its place among the body pages (1 the first)\n"
     "  --category TEXT  the text of the marker to delete\n"
     "  --dry-run        save nothing\n"},
    {HostCommandSend,
     "usage: vellor-host [options] send MESSAGE... [--open FILE...]\n"
     "\n"
     "Opens the files, then delivers each message to the plug-in as FrameMaker\n"
     "delivers a text notification: \"SetDocId 3\", \"SetBookId 2\", then a command\n"
     "word (ApplyMasterPagesDoc, ApplyMasterPagesBook, ListMasterPagesDoc,\n"
     "ListMasterPagesBook, EditMasterPageDoc, InsertMPMarker, MasterPageAbout).\n"
     "{1}, {2}, ... in a message stand for the ids of the files opened.\n"
     "\n"
     "Options:\n"
     "  --open FILE...   the files to open first, in order\n"
     "  --mapping FILE   a mapping document to open on screen first\n"
     "  --report FILE    save a listing report as FILE (MIF)\n"
     "  --dry-run        save nothing\n"},
    {HostCommandMenus,
     "usage: vellor-host [options] menus\n"
     "\n"
     "Shows the menus and commands the plug-in defined on FrameMaker's menu bars.\n"},
    {HostCommandCheck,
     "usage: vellor-host [options] check DOC|BOOK...\n"
     "\n"
     "Reads the mapping document and the documents (a book stands for its\n"
     "documents), saves nothing, and lists what in the mapping document would\n"
     "silently do nothing for them, and the master pages set by hand that no\n"
     "rule keeps (the plug-in decides the pages to find them): one line per\n"
     "finding, with the mapping document's file and line and the documents it\n"
     "concerns.\n"
     "Exit status: 0 nothing (new) found, 1 findings, 2 a file cannot be read.\n"
     "\n"
     "Options:\n"
     "  --mapping FILE   the mapping document (else MasterPage.fm beside the\n"
     "                   documents, else the host folder's)\n"
     "  --format FORMAT  text (the default), json or tsv\n"
     "  --accept FILE    findings accepted before, as check --format tsv wrote\n"
     "                   them: only new findings are shown\n"},
};

} // namespace

std::string HostCommandHelp(HostCommand command) {
    for (const CommandHelpText& h : kHelp)
        if (h.command == command)
            return std::string(h.text) +
                   "\nOptions of every command: --host-dir DIR, --plugin PATH, -q, -v (see 'vellor-host --help').\n";
    return "";
}
