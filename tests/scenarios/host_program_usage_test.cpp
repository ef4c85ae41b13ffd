// vellor-host's command line: what it refuses, and what the loaded module
// shows of itself (its menus) without any document.
// Not on Windows: the program is run as a child through fork, pipes and
// resource limits; there the sample book is compared with the native run
// instead (cmake/compare_sample_book.cmake).
#ifndef _WIN32
#include "host_program_run.h"

namespace {

TEST(HostProgramUsage, BadUsageExitsWithTwoAndRunsNothing) {
    struct Case {
        std::vector<std::string> args;
        const char* says;
    } cases[] = {
        {{}, "no command given"},
        {{"publish", "a.mif"}, "unknown command publish"},
        {{"--colour", "apply", "a.mif"}, "unknown option --colour"},
        {{"apply"}, "no document given"},
        {{"apply-book", "a.book", "b.book"}, "one book only"},
        {{"list", "--report", "r.mif", "a.mif", "b.mif"}, "--report takes one document"},
        {{"insert-marker", "a.mif", "--page", "3"}, "needs --category"},
        {{"insert-marker", "a.mif", "--category", "Appendix"}, "needs --page"},
        {{"apply", "a.mif", "--open", "b.mif"}, "--open belongs to send"},
        {{"send", "ApplyMasterPagesDoc", "--open"}, "--open needs at least one file"},
        {{"apply", "a.mif", "--host-dir"}, "--host-dir needs a value"},
        {{"menus", "extra"}, "menus takes no operands"},
        {{"check"}, "no document given"},
        {{"apply-book", "a.book", "--path-map", "O:/Bills 09"}, "--path-map needs FROM=TO"},
        {{"apply-book", "a.book", "--path-map", "Bills 09=/tmp"}, "FROM must be a folder as Windows names it"},
        {{"apply", "a.mif", "--path-map", "O:/Bills 09=/tmp"}, "--path-map belongs to apply-book, list-book, check and map"},
        {{"remove-marker", "a.mif", "--category", "Appendix"}, "remove-marker needs --page N"},
        {{"insert-marker", "a.mif", "--page", "1", "--position", "1", "--category", "X"},
         "takes --page or --position, not both"},
        {{"apply", "a.mif", "--position", "2"}, "belong to insert-marker and remove-marker"},
        {{"apply", "a.mif", "--accept", "known.tsv"}, "--accept belongs to check"},
        {{"menus", "--format", "json"}, "--format belongs to apply, apply-book, list, list-book and check"},
        {{"check", "a.mif", "--format", "xml"}, "--format takes text, json or tsv, not xml"},
        {{"help", "publish"}, "unknown command publish"},
        {{"apply", "a.mif", "-o", "m.html"}, "-o belongs to map"},
        {{"map", "a.mif", "--report", "r.mif", "-o", "m.html"}, "--report does not belong to map"},
    };
    for (const Case& c : cases) {
        HostResult r = RunHostProgram(c.args);
        EXPECT_EQ(r.status, 2) << c.says;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "") << c.says;
    }
}

TEST(HostProgramUsage, HelpAndVersionNeedNoCommand) {
    HostResult help = RunHostProgram({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out.rfind("usage: vellor-host", 0), 0u) << help.out;
    HostResult version = RunHostProgram({"--version", "apply"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("vellor-host ", 0), 0u) << version.out;
}

TEST(HostProgramUsage, MenusShowWhatTheModuleDefined) {
    HostResult r = RunHostProgram({"menus"});
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> lines = Lines(r.out);
    auto has = [&](const std::string& text) {
        for (const std::string& line : lines)
            if (line.find(text) != std::string::npos) return true;
        return false;
    };
    EXPECT_TRUE(has("Apply Master Pages  [ApplyMasterPagesTarn, command 1]"));
    EXPECT_TRUE(has("Insert MasterPage Marker  [InsertMPMarker, command 6]"));
    EXPECT_TRUE(has("Apply Master Pages  [ApplyMasterPagesBookTarn, command 3]"));
    EXPECT_TRUE(has("List Master Pages  [ListMasterPagesBook, command 5]"));
    // The book menu bar carries the book commands, not the document ones.
    size_t book = r.out.find("(!BookMainMenu)");
    ASSERT_NE(book, std::string::npos);
    EXPECT_EQ(r.out.find("ApplyMasterPagesTarn", book), std::string::npos);
}

TEST(HostProgramUsage, AModuleThatCannotBeLoadedIsAnError) {
    ScratchFolder scratch;
    WriteBytes(scratch / "NotAModule.so", "plain text, not a shared object\n");
    for (const std::string& plugin : {scratch / "NotAModule.so", scratch / "Missing.so"}) {
        HostResult r = RunHostProgram({"--plugin", plugin, "menus"});
        EXPECT_EQ(r.status, 2);
        EXPECT_NE(r.err.find("cannot be loaded"), std::string::npos) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

} // namespace
#endif
