// Fuzzes the document pass (command 1) on generated chapters and mapping
// documents: pages with and without text, tags, markers, pictures, master
// pages set by hand; tables of every kind with short rows, empty cells,
// several candidates, "As Is" and "None", keys and names in other letter
// cases or made of the input's own bytes; the mapping document stored,
// open, missing or the chapter itself. The pass must end, leave every
// document, the menus, the store and the session as they were except the
// master pages and backgrounds of body pages (and the chapter's modified
// flag), and leave each body page on a master page its document has.
//
// Input: choice bytes, with strings taken off the input where a choice asks
// for its own text.
#include "fuzz_input.h"

#include "host/host_interfaces.h"
#include "hostsim/sim_server.h"
#include "support/io/library_startup.h"
#include "tools/tool_entry.h"

#include <cstdio>
#include <string>
#include <vector>

namespace {

const std::vector<std::string> Tags = {"Heading", "heading", "Body", "Title", "Paragraph Tag", ""};
const std::vector<std::string> Masters = {"Left", "Right", "HeadLeft", "HeadRight", "Blank", "Custom"};
const std::vector<std::string> Cells = {"HeadLeft", "HeadRight", "Blank", "Missing", "As Is", "None",
                                        "",         "as is",     "Missing\nBlank", "Left\nRight"};
const std::vector<std::string> MarkerTypes = {"MasterPage", "Index", "masterpage"};
const std::vector<std::string> MarkerTexts = {"Appendix", "appendix", "", "Part"};
const std::vector<std::string> TableHeadings = {"Paragraph Tag", "Master Page", "Marker Category",
                                                "Page Type", "paragraph tag", "Other"};
const std::vector<std::string> PageTypes = {"Empty", "empty", "Title"};

// The input's next string as UTF-8 the host can show to the client: bytes
// above 0x7F stand for the Latin-1 characters of the same number.
std::string OwnText(FuzzInput& in) {
    std::string out;
    for (unsigned char c : FuzzString(in)) {
        if (c < 0x80) {
            out += static_cast<char>(c);
        } else {
            out += static_cast<char>(0xC0 | (c >> 6));
            out += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return out;
}

// One of `words`, or now and then a text of the input's own.
std::string Pick(FuzzInput& in, const std::vector<std::string>& words) {
    unsigned b = FuzzByte(in);
    if (b >= 0xF0) return OwnText(in);
    return words[b % words.size()];
}

void MappingTables(FuzzInput& in, DocBuilder& doc) {
    for (int tables = FuzzByte(in) % 7; tables > 0; --tables) {
        std::string heading = Pick(in, TableHeadings);
        const std::vector<std::string>& keys =
            heading == "Master Page" ? Masters : heading == "Marker Category" ? MarkerTexts
                                               : heading == "Page Type"       ? PageTypes
                                                                              : Tags;
        std::vector<std::vector<std::string>> rows = {{heading, "Left pages", "Right pages"}};
        for (int n = FuzzByte(in) % 6; n > 0; --n) {
            std::vector<std::string> row = {Pick(in, keys)};
            for (int cells = FuzzByte(in) % 5; cells > 0; --cells) row.push_back(Pick(in, Cells));
            rows.push_back(row);
        }
        if (FuzzByte(in) % 8 == 0) rows.clear(); // a table without rows
        doc.table(rows, 1 + FuzzByte(in) % 2);
    }
}

void ChapterPages(FuzzInput& in, DocBuilder& chapter) {
    unsigned layout = FuzzByte(in) % 3;
    if (layout == 1) chapter.oneSided();
    if (layout == 2) chapter.firstPageLeft();
    for (int pages = 1 + FuzzByte(in) % 12; pages > 0; --pages) {
        unsigned kind = FuzzByte(in);
        if (kind % 8 == 0) {
            chapter.bare();
        } else {
            chapter.page();
            for (int paras = kind % 5; paras > 0; --paras) {
                chapter.para(Pick(in, Tags).c_str(), "text");
                if (FuzzByte(in) % 3 == 0) chapter.marker(Pick(in, MarkerTypes).c_str(), Pick(in, MarkerTexts).c_str());
            }
            if (kind & 0x80) chapter.graphic();
        }
        unsigned master = FuzzByte(in) % 8;
        if (master < 2) chapter.master(Pick(in, Masters).c_str());
        else if (master == 2) chapter.noMaster();
    }
}

// Everything of a document a user or a later command could tell apart,
// but the master pages and backgrounds of body pages when `skipPages`.
std::string Describe(const SimDoc& doc, bool skipPages) {
    std::string out = doc.name + (doc.isBook ? " book" : " doc") + (doc.visible ? " shown" : " hidden") +
                      (doc.twoSided ? " two" : " one") + (doc.firstPageRight ? " right" : " left") + "\n";
    auto ids = [&out](const char* what, const std::vector<ObjId>& list) {
        out += what;
        for (ObjId id : list) out += " " + std::to_string(id);
        out += "\n";
    };
    ids("pages", doc.bodyPages);
    ids("masters", doc.masterPages);
    ids("flows", doc.flows);
    ids("tables", doc.tables);
    ids("formats", doc.formats);
    ids("markerTypes", doc.markerTypes);
    ids("markers", doc.markers);
    ids("components", doc.components);
    out += std::to_string(doc.leftMaster) + " " + std::to_string(doc.rightMaster) + " " +
           std::to_string(doc.mainFlow) + " " + std::to_string(doc.currentPage) + " " + doc.statusLine + "\n";
    for (const auto& [id, o] : doc.objects) {
        out += std::to_string(id) + ":" + std::to_string(o.kind) + " " + o.name + "|" + o.text + "|" +
               std::to_string(o.parent) + " " + std::to_string(o.flow) + " " + std::to_string(o.frame) + " " +
               std::to_string(o.anchorParagraph) + "@" + std::to_string(o.anchorOffset) + " " +
               std::to_string(o.markerType) + " " + std::to_string(o.rowType) + " " +
               std::to_string(o.componentType) + " " + std::to_string(o.indent) + " " +
               std::to_string(o.Extras().props.size()) + " " + o.Extras().pageNumber.value_or("-");
        if (!(skipPages && o.kind == SimObjBodyPage))
            out += " " + std::to_string(o.masterPage) + "/" + std::to_string(o.background);
        ids(" children", o.children);
    }
    return out;
}

std::string DescribeSession(SimServer* server, ObjId chapter, ObjId leftOpen = 0) {
    const SimSession& session = SimServerSession(server);
    std::string out = "active " + std::to_string(session.activeDocument) + " " +
                      std::to_string(session.activeBook) + "\n";
    for (const auto& doc : session.documents)
        if (doc->id != leftOpen) out += Describe(*doc, doc->id == chapter);
    for (const auto& book : session.books) out += Describe(*book, false);
    for (const auto& [id, menu] : session.menus) out += std::to_string(id) + " " + menu.name + "\n";
    for (const auto& [name, doc] : SimServerMemory(server).files) out += "stored " + Describe(doc, false);
    for (const auto& [name, count] : SimServerMemory(server).saves) out += "saved " + name + "\n";
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSetUp();
    FuzzInput in = FuzzInputOf(data, size);
    SimServer* server = SimServerCreate();
    FUZZ_CHECK(HostAcquireInterfaces(SimServerUnknown(server)) == 1);
    TargetDocId = TargetBookId = 0;

    unsigned where = FuzzByte(in) % 4; // stored, open on screen, missing, the chapter itself
    DocBuilder mapping((SimServerSession(server).hostDirectory + "\\MasterPage.fm").c_str());
    if (where != 3) MappingTables(in, mapping);
    DocBuilder chapter("Z:\\docs\\chapter.fm");
    chapter.masterPages({"Left", "Right", "HeadLeft", "HeadRight", "Blank", "Custom"})
        .formats({"Body", "Heading", "heading", "Title", "Paragraph Tag"});
    ChapterPages(in, chapter);
    if (where == 3) MappingTables(in, chapter);
    if (where == 0) SimStorePut(server, mapping);
    if (where == 1) SimOpenBuilt(server, mapping, true);
    ObjId id = SimOpenBuilt(server, chapter, true);

    const std::string before = DescribeSession(server, id);
    ObjId lastBefore = SimServerSession(server).documents.back()->id;
    RunToolCommand(CommandApplyToDocument);
    // A "MasterPage.fm" without a "Page Type" table is opened hidden for
    // the attempt, stays so, and the pass stops with its alert.
    ObjId leftOpen = 0;
    const SimDoc* last = SimServerSession(server).documents.back().get();
    if (last->id != lastBefore) {
        leftOpen = last->id;
        FUZZ_CHECK(!last->visible && last->name == mapping.doc.name);
        const std::vector<SimAlert>& alerts = SimServerControl(server).alerts;
        FUZZ_CHECK(alerts.size() == 1 && alerts[0].text == "Could not open the MasterPage.fm document.");
    }
    const std::string after = DescribeSession(server, id, leftOpen);
    if (after != before) {
        size_t at = 0;
        while (at < after.size() && at < before.size() && after[at] == before[at]) ++at;
        size_t line = before.rfind('\n', at);
        line = line == std::string::npos ? 0 : line + 1;
        std::fprintf(stderr, "before: %s\nafter:  %s\n", before.substr(line, 200).c_str(),
                     after.substr(line, 200).c_str());
    }
    FUZZ_CHECK(after == before);

    const SimDoc* doc = SimDocById(server, id);
    FUZZ_CHECK(doc != nullptr);
    for (ObjId page : doc->bodyPages) {
        const SimObject* o = SimLocal(*doc, page);
        FUZZ_CHECK(o->background >= HostBackgroundDefault && o->background <= HostBackgroundNamed);
        if (o->background == HostBackgroundNamed) {
            const SimObject* master = SimLocal(*doc, o->masterPage);
            FUZZ_CHECK(master != nullptr && master->kind == SimObjMasterPage);
        }
    }

    HostReleaseInterfaces();
    SimServerRelease(server);
    EncLibraryReset();
    return 0;
}
