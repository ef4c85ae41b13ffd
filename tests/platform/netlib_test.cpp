// The NetLib stand-in: no network names by default; in network mode, the
// mapping of URLs onto its folder (and the names it refuses), fetch as a
// copy into the cache, URL joins and relative forms.
#include "platform/netlib.h"

#include "common/netlib_folder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

// A local name with the system's own separators ('\\' on Windows).
std::string Preferred(const std::string& local) {
    return std::filesystem::path(local).make_preferred().string();
}

class NetLibStandIn : public ::testing::Test {
protected:
    void SetUp() override {
        folder = NetLibTestFolderMake();
        ASSERT_EQ(0, NetLibStandInEnable(folder.c_str()));
    }
    void TearDown() override {
        EXPECT_EQ(0, NetLibStandInLiveStrings());
        NetLibStandInDisable();
        NetLibTestFolderRemove(folder);
    }
    // Runs a string-giving operation and takes its string.
    template <typename Op> std::string Got(Op op) {
        char* out = nullptr;
        if (op(&out) != 0) return out ? "(failed, string set)" : "(failed)";
        std::string text = out;
        NetLibFree(out);
        return text;
    }
    std::string Absolute(const char* base, const char* rel) {
        return Got([&](char** out) { return NetLibGetAbsoluteURL(base, rel, out); });
    }
    std::string Relative(const char* reference, const char* url) {
        return Got([&](char** out) { return NetLibGetRelativeURL(reference, url, out); });
    }
    std::string folder;
};

TEST(NetLibDefault, ClaimsNoName) {
    NetLibStandInDisable();
    for (const char* name : {"http://example.com/a.fm", "https://example.com/a.fm", "", "C:\\a.fm"}) {
        EXPECT_NE(0, NetLibIsNetFile(name)) << name;
        EXPECT_EQ(NetLibErrNotNetFile, NetLibGetLastError());
    }
}

TEST_F(NetLibStandIn, ClaimsHttpNamesAndMapsThemIntoItsFolder) {
    EXPECT_EQ(0, NetLibIsNetFile("HTTPS://example.com/a.fm"));
    for (const char* name : {"", "ftp://h/a", "httpx://h/a", "http:/h", "C:\\a.fm", "dctm://r/a"})
        EXPECT_NE(0, NetLibIsNetFile(name)) << name;

    const char* url = "http://Example.com/docs/a%20b.fm";
    char remote[4096];
    ASSERT_EQ(0, NetLibStandInRemoteFile(url, remote, sizeof remote));
    EXPECT_EQ(Preferred(folder + "/remote/http/example.com/docs/a b.fm"), remote);
    ASSERT_TRUE(NetLibTestWrite(remote, "first"));
    std::string cache = Got([&](char** out) { return NetLibOpen(url, 0, out); });
    EXPECT_EQ(Preferred(folder + "/cache/http/example.com/docs/a b.fm"), NetLibTestLocalName(cache.c_str()));
    EXPECT_EQ("first", NetLibTestRead(NetLibTestLocalName(cache.c_str())));
}

TEST_F(NetLibStandIn, RefusesNamesThatWouldLeaveItsFolder) {
    for (const char* url : {"http://h/../../x", "http://h/a/%2E%2E/%2e%2e/x", "http://h/a%2Fb", "http://h/a%5Cb",
                            "http://h", "http://h/", "http://../x", "http://h//x", "http://h/a?q=1"}) {
        char buffer[4096];
        EXPECT_NE(0, NetLibStandInRemoteFile(url, buffer, sizeof buffer)) << url;
        EXPECT_EQ("(failed)", Got([&](char** out) { return NetLibGetCacheFile(url, out); })) << url;
        EXPECT_EQ(NetLibErrBadName, NetLibGetLastError()) << url;
    }
}

TEST_F(NetLibStandIn, JoinsLikeABrowser) {
    EXPECT_EQ("http://h/a/b/c.fm", Absolute("http://h/a/b/", "c.fm"));
    EXPECT_EQ("http://h/a/c.fm", Absolute("http://h/a/b", "c.fm"));
    EXPECT_EQ("http://h/c.fm", Absolute("http://h/a/", "../../../c.fm")); // never above the root
    EXPECT_EQ("http://h/r.fm", Absolute("http://h/a/b/", "/r.fm"));
    EXPECT_EQ("http://h/x.fm", Absolute("http://h", "x.fm"));
    EXPECT_EQ("http://other/x", Absolute("http://h/a/", "//other/x"));
    EXPECT_EQ("https://o/y", Absolute("http://h/a/", "https://o/./y"));
    EXPECT_EQ("http://h/a/sub/c.fm", Absolute("http://h/a//", "./sub/c.fm"));
    EXPECT_EQ("http://h/a/c.fm?v=1", Absolute("http://h/a/b.fm?v=0", "c.fm?v=1"));
    EXPECT_EQ("(failed)", Absolute("C:\\docs\\", "a.fm"));
    EXPECT_EQ("(failed)", Absolute("http://h/a/", nullptr));
}

TEST_F(NetLibStandIn, RelativeFormsStartFromTheReferencesFolder) {
    EXPECT_EQ("c.fm", Relative("http://h/a/b.fm", "http://h/a/c.fm"));
    EXPECT_EQ("../x/c.fm", Relative("http://h/a/b/doc.fm", "http://h/a/x/c.fm"));
    EXPECT_EQ("sub/c.fm", Relative("http://h/a/", "http://h/a/sub/c.fm"));
    EXPECT_EQ("./", Relative("http://h/a/b.fm", "http://h/a/"));
    EXPECT_EQ("http://other/a/c.fm", Relative("http://h/a/b.fm", "http://other/a/c.fm"));
    EXPECT_EQ("https://h/a/c.fm", Relative("http://h/a/b.fm", "https://h/a/c.fm"));
    EXPECT_EQ("(failed)", Relative("http://h/a/b.fm", "C:\\c.fm"));
}

} // namespace
