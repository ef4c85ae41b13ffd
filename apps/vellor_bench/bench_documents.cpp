// What the generated documents hold and why: most pages are plain text that
// no rule catches (the common case the key lists are for), some start with a
// heading that has a row placed deep in the table (so that a scan of the
// table costs what the table's size says), some carry a master page with a
// row, a few are empty, and the markers fall on random pages.
#include "bench_documents.h"
#include "hostsim/sim_random.h"

#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string Numbered(const char* prefix, int n) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%s%04d", prefix, n);
    return buffer;
}

// Rows keyed prefix0000..., with `special` rows put in at even places so that
// finding them means reading a good part of the table.
std::vector<std::vector<std::string>> TableRows(const char* heading, const char* prefix, int rows,
                                                const std::vector<std::vector<std::string>>& special) {
    std::vector<std::vector<std::string>> table = {{heading, "Left pages", "Right pages"}};
    int plain = rows - int(special.size());
    for (int i = 0; i < plain; ++i) table.push_back({Numbered(prefix, i), "Left", "Right"});
    for (size_t k = 0; k < special.size(); ++k) {
        size_t at = 1 + size_t(plain) * (k + 1) / (special.size() + 1) + k;
        table.insert(table.begin() + long(at), special[k]);
    }
    return table;
}

// Words up to about `chars` characters, ending in a full stop.
std::string Sentence(size_t chars) {
    static const char* const Words[] = {"The", "mapping", "document", "names", "a", "master", "page", "for",
                                        "each", "paragraph", "tag", "and", "marker", "in", "this", "chapter"};
    std::string sentence;
    for (size_t i = 0; sentence.size() + 1 < chars; ++i) {
        if (!sentence.empty()) sentence += ' ';
        sentence += Words[i % (sizeof Words / sizeof *Words)];
    }
    return sentence + ".";
}

} // namespace

DocBuilder BuildPassMapping(const std::string& hostDirectory, const PassDocShape& shape) {
    DocBuilder mapping((hostDirectory + "\\MasterPage.fm").c_str());
    mapping.table(TableRows("Paragraph Tag", "Tag", shape.rows,
                            {{"Heading", "HeadLeft", "HeadRight"},
                             {"caption", "Left", "Right"}, // matches the tag Caption only ignoring case
                             {"Index", "As Is", "None"}}));
    mapping.table(TableRows("Master Page", "Master", shape.rows, {{"Custom", "Special", "Special"}}));
    mapping.table({{"Marker Category", "Left pages", "Right pages"},
                   {"Part", "PartLeft", "PartRight"},
                   {"Appendix", "AppLeft", "AppRight"}});
    mapping.table({{"Page Type", "Left pages", "Right pages"}, {"Empty", "Blank", "Blank"}});
    return mapping;
}

DocBuilder BuildPassChapter(const char* name, const PassDocShape& shape) {
    DocBuilder chapter(name);
    if (shape.reflow) {
        // Lines of 60 characters; a page's text takes 20 or 21 of them.
        const std::pair<const char*, int32_t> frames[] = {
            {"Left", 22},     {"Right", 22},    {"HeadLeft", 16},  {"HeadRight", 16},
            {"Special", 20},  {"PartLeft", 18}, {"PartRight", 18}, {"AppLeft", 19},
            {"AppRight", 19}, {"Blank", 22},    {"Custom", 24},    {"Retired", 21}};
        for (const auto& [master, lines] : frames)
            chapter.templateFrame(master, lines, 60);
    }
    chapter
        .masterPages({"Left", "Right", "HeadLeft", "HeadRight", "Special", "PartLeft", "PartRight",
                      "AppLeft", "AppRight", "Blank", "Custom", "Retired"})
        .formats({"Body", "Heading", "Caption", "Index", "Note", "List"});
    SimRandom random{shape.seed * 2654435761u + 1};
    std::vector<int> markersOnPage(size_t(shape.pages), 0);
    for (int i = 0; i < shape.markers; ++i) ++markersOnPage[size_t(random.Below(shape.pages))];

    static const char* const BodyTags[] = {"Body", "Body", "Body", "Note", "List", "Caption"};
    std::string text = shape.textChars ? Sentence(size_t(shape.textChars)) : "text";
    for (int p = 0; p < shape.pages; ++p) {
        chapter.page();
        int kind = random.Below(100);
        if (kind < 2 && markersOnPage[size_t(p)] == 0) continue; // an empty page
        if (kind < 8) chapter.master("Custom");
        else if (kind < 12) chapter.master("Retired");
        if (kind >= 12 && kind < 30) chapter.para("Heading", "Heading");
        else if (kind >= 30 && kind < 32) chapter.para("Index", "Index");
        for (int i = 0; i < 20; ++i) chapter.para(BodyTags[random.Below(6)], text.c_str());
        for (int m = 0; m < markersOnPage[size_t(p)]; ++m)
            chapter.marker("MasterPage", random.Below(4) == 0 ? "Appendix" : "Note");
    }
    return chapter;
}
