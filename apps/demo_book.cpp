// A scripted session on the simulated FrameMaker with a book: the user chooses
// "Apply Master Pages" on the book's menu, then "List Master Pages"; the
// program prints the book's status line as it changed, what was saved, what
// stayed open, and the report the listing wrote.
#include "host/call_layer.h"
#include "host/host_interfaces.h"
#include "hostsim/sim_server.h"
#include "support/io/library_startup.h"
#include "tools/tool_entry.h"

#include <cstdio>
#include <string>

namespace {

int32_t CommandByTag(const SimSession& session, const char* tag) {
    for (const auto& [id, item] : session.menus)
        if (item.kind == SimMenuCommand && item.name == tag) return item.command;
    return 0;
}

DocBuilder Chapter(const char* name, const char* title) {
    DocBuilder chapter(name);
    chapter.masterPages({"Left", "Right", "ChapterLeft", "ChapterRight", "Blank", "Preface"})
        .formats({"Body", "ChapterTitle"});
    chapter.page().para("ChapterTitle", title).para("Body", "Opening text.");
    chapter.page().para("Body", "More text.");
    chapter.page(); // an empty page
    return chapter;
}

void PrintStatusLines(const SimControl& control, size_t from) {
    for (size_t i = from; i < control.statusLines.size(); ++i)
        std::printf("  status line: \"%s\"\n", control.statusLines[i].text.c_str());
}

} // namespace

int main() {
    SimServer* server = SimServerCreate();
    if (HostAcquireInterfaces(SimServerUnknown(server)) != 1) {
        std::fprintf(stderr, "the simulated host gave no main interface\n");
        return 1;
    }
    SimSession& session = SimServerSession(server);
    const SimControl& control = SimServerControl(server);

    DocBuilder mapping((session.hostDirectory + "\\MasterPage.fm").c_str());
    mapping.table({{"Paragraph Tag", "Left pages", "Right pages"}, {"ChapterTitle", "ChapterLeft", "ChapterRight"}});
    mapping.table({{"Page Type", "Left pages", "Right pages"}, {"Empty", "Blank", "Blank"}});
    SimStorePut(server, mapping);

    // Part One (a folder) holds two chapters; the third follows it and is
    // open on screen; a text file in the book is passed over.
    SimStorePut(server, Chapter("Z:\\demo\\chapter1.fm", "Getting Started"));
    DocBuilder two = Chapter("Z:\\demo\\chapter2.fm", "Working");
    two.page().pageNumber("iv").master("Preface");
    SimStorePut(server, two);
    DocBuilder three = Chapter("Z:\\demo\\chapter3.fm", "Reference");
    SimStorePut(server, three);
    SimOpenBuilt(server, three, true);
    BookBuilder book("Z:\\demo\\manual.book");
    book.folder("Part One").doc("Z:\\demo\\chapter1.fm").doc("Z:\\demo\\chapter2.fm").end()
        .doc("Z:\\demo\\chapter3.fm").component(8, "Z:\\demo\\notes.txt");
    SimOpenBook(server, book, true);

    InitializeTools(1);
    std::printf("\"Apply Master Pages\" on manual.book:\n");
    RunToolCommand(CommandByTag(session, "ApplyMasterPagesBookTarn"));
    PrintStatusLines(control, 0);
    for (const auto& [name, count] : SimServerMemory(server).saves) {
        const SimDoc* saved = SimStoredFile(server, name.c_str());
        std::printf("  saved %s (%s):", name.c_str(), SimDocByName(server, name.c_str()) ? "open" : "closed");
        for (ObjId page : saved->bodyPages) std::printf(" %s", SimPageMasterName(*saved, page).c_str());
        std::printf("\n");
    }

    std::printf("\"List Master Pages\" on manual.book:\n");
    size_t seen = control.statusLines.size();
    RunToolCommand(CommandByTag(session, "ListMasterPagesBook"));
    PrintStatusLines(control, seen);
    for (const auto& doc : session.documents) {
        if (!doc->untitled) continue;
        std::printf("The report (%s):\n", doc->name.c_str());
        std::vector<std::string> tags = SimFlowTags(*doc), texts = SimFlowTexts(*doc);
        for (size_t i = 0; i < texts.size(); ++i) std::printf("  %-9s %s\n", tags[i].c_str(), texts[i].c_str());
    }

    HostReleaseInterfaces();
    SimServerRelease(server);
    EncLibraryReset();
    return 0;
}
