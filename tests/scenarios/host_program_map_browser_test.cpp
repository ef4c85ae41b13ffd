// The sample book's page map in a real browser: headless Chromium loads it
// from a file: URL and its DOM is read back (the tiles, a few pages'
// titles), its network log shows that the page fetched nothing (the same
// log of a page that does fetch shows its request, so the check can fail),
// and a screenshot goes into the build folder (page-map.png). Skipped, saying
// why, where Chromium is not installed, except under CI (CI=true), where it
// must run.
// Not on Windows: Chromium and vellor-host are run as children.
#ifndef _WIN32
#include "host_program_run.h"

#include <regex>

namespace {

std::string FindChromium() {
    const char* path = std::getenv("PATH");
    std::stringstream dirs(path ? path : "");
    for (std::string dir; std::getline(dirs, dir, ':');)
        for (const char* name : {"chromium", "chromium-browser"}) {
            std::string candidate = dir + "/" + name;
            if (access(candidate.c_str(), X_OK) == 0) return candidate;
        }
    return "";
}

std::string Quoted(const std::string& text) {
    std::string q = "'";
    for (char c : text) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

// Runs headless Chromium on `file` with `what` ("--dump-dom", "--screenshot=...")
// in a profile of its own, every host name resolving to nothing, its network
// log into `netLog`. Its standard output, or "" when it failed.
std::string Chromium(const std::string& chromium, const std::string& folder, const std::string& file,
                     const std::string& what, const std::string& netLog) {
    std::string command =
        "timeout 120 " + Quoted(chromium) + " --headless --disable-gpu --no-first-run --disable-extensions" +
        " --disable-background-networking --disable-component-update --disable-sync --disable-default-apps" +
        (getuid() == 0 ? " --no-sandbox" : "") + " --user-data-dir=" + Quoted(folder + "/profile") +
        " --host-resolver-rules=" + Quoted("MAP * ~NOTFOUND") + " --log-net-log=" + Quoted(netLog) +
        " --window-size=1280,1000 --hide-scrollbars " + what + " " + Quoted("file://" + file) + " >" +
        Quoted(folder + "/out.txt") + " 2>" + Quoted(folder + "/err.txt");
    int status = std::system(command.c_str());
    std::string out = ReadBytes(folder + "/out.txt");
    if (status != 0) ADD_FAILURE() << "chromium failed (" << status << "): " << ReadBytes(folder + "/err.txt");
    return status == 0 ? out : "";
}

// The URLs a network log shows the page itself asking for (requests whose
// network isolation key is the file: page's; the browser's own requests
// have keys of their own), but for file: ones. The log has an event a line.
std::vector<std::string> Fetched(const std::string& netLog) {
    std::vector<std::string> urls;
    std::regex url("\"url\":\"([^\"]*)\"");
    std::smatch m;
    for (const std::string& line : Lines(netLog))
        if (line.find("\"network_isolation_key\":\"file://") != std::string::npos && std::regex_search(line, m, url) &&
            m[1].str().rfind("file:", 0) != 0)
            urls.push_back(m[1].str());
    return urls;
}

size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
    return n;
}

TEST(HostProgramMapBrowser, TheSampleBooksMapLoadsOfflineWithEveryPage) {
    std::string chromium = FindChromium();
    const char* ci = std::getenv("CI");
    if (chromium.empty() && !(ci && std::string(ci) == "true"))
        GTEST_SKIP() << "chromium is not installed (make deps installs it): the page map was not checked in a browser";
    ASSERT_FALSE(chromium.empty()) << "chromium is not installed, and under CI the browser test must run";
    ScratchFolder scratch;
    CopySample(scratch.path());
    HostResult r = RunHostProgram({"map", "--dry-run", scratch / "Manual.book", "-o", scratch / "map.html"});
    ASSERT_EQ(r.status, 0) << r.err;

    std::string dom = Chromium(chromium, scratch.path(), scratch / "map.html", "--dump-dom", scratch / "net.json");
    ASSERT_NE(dom.find("<h1>Page map: Manual.book</h1>"), std::string::npos) << dom.substr(0, 2000);
    size_t pages = 0;
    for (const std::string& line : Lines(ReadBytes(SamplePath("expected/apply-book-pages.txt"))))
        pages += !line.empty() && line[0] != '#';
    EXPECT_EQ(Count(dom, "<figure class=\"p"), pages);
    for (const char* title : {"<title>ch1.mif, page 1 (right): Right \u2192 ChapterRight; Paragraph Tag row",
                              "<title>ch2.mif, page 6 (left): Landscape; Master Page row",
                              "<title>appendix.mif, page A-1 (right): Right \u2192 AppendixRight; Marker Category row"})
        EXPECT_NE(dom.find(title), std::string::npos) << title;
    // Nothing in the page names anything outside it.
    EXPECT_EQ(Count(dom, " src="), 0u);
    EXPECT_EQ(Count(dom, " href=\""), Count(dom, " href=\"#"));
    EXPECT_EQ(Fetched(ReadBytes(scratch / "net.json")), std::vector<std::string>{});

    // The same log of a page that fetches an image names its request.
    WriteBytes(scratch / "fetches.html", "<!DOCTYPE html><img src=\"http://map-check.invalid/x.png\">");
    Chromium(chromium, scratch.path(), scratch / "fetches.html", "--dump-dom", scratch / "net2.json");
    EXPECT_EQ(Fetched(ReadBytes(scratch / "net2.json")), std::vector<std::string>{"http://map-check.invalid/x.png"});

    std::string png = std::string(VELLOR_BINARY_DIR) + "/page-map.png";
    std::remove(png.c_str());
    Chromium(chromium, scratch.path(), scratch / "map.html", "--screenshot=" + Quoted(png), scratch / "net3.json");
    EXPECT_EQ(ReadBytes(png).substr(0, 8), std::string("\x89PNG\r\n\x1a\n", 8)) << png;
}

} // namespace
#endif
