// The NetLib stand-in: no network names by default; in network mode, the
// mapping of URLs onto the remote and cache trees, fetch and save as copies,
// URL joining, relative forms and clean-up, and the test controls.
#include "platform/netlib.h"

#include "common/netlib_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// Takes a NetLib out string, releasing it.
std::string Take(char* s) {
    std::string out = s ? s : "(null)";
    NetLibFree(s);
    return out;
}

class NetLibStandIn : public ::testing::Test {
protected:
    void SetUp() override {
        folder = NetLibTestFolderMake();
        ASSERT_FALSE(folder.empty());
        ASSERT_EQ(0, NetLibStandInEnable(folder.c_str()));
    }
    void TearDown() override {
        EXPECT_EQ(0, NetLibStandInLiveStrings());
        NetLibStandInDisable();
        NetLibTestFolderRemove(folder);
    }
    std::string Remote(const char* url) {
        char buffer[4096];
        return NetLibStandInRemoteFile(url, buffer, sizeof buffer) == 0 ? buffer : "";
    }
    std::string Cache(const char* url) {
        char buffer[4096];
        return NetLibStandInCacheFile(url, buffer, sizeof buffer) == 0 ? buffer : "";
    }
    std::string Absolute(const char* base, const char* relative) {
        char* out = nullptr;
        if (NetLibGetAbsoluteURL(base, relative, &out) != 0) return "(failed)";
        return Take(out);
    }
    std::string Relative(const char* reference, const char* url) {
        char* out = nullptr;
        if (NetLibGetRelativeURL(reference, url, &out) != 0) return "(failed)";
        return Take(out);
    }
    std::string folder;
};

TEST(NetLibDefault, ClaimsNoNameAndFetchesNothing) {
    NetLibStandInDisable();
    for (const char* name : {"http://example.com/a.fm", "https://example.com/a.fm", "", "C:\\a.fm"}) {
        EXPECT_NE(0, NetLibIsNetFile(name)) << name;
        EXPECT_EQ(NetLibErrNotNetFile, NetLibGetLastError());
    }
    char* local = reinterpret_cast<char*>(1);
    EXPECT_NE(0, NetLibOpen("http://example.com/a.fm", 0, &local));
    EXPECT_EQ(nullptr, local);
    EXPECT_NE(0, NetLibSave("http://example.com/a.fm", 0));
}

TEST_F(NetLibStandIn, ClaimsOnlyHttpAndHttpsNames) {
    EXPECT_EQ(0, NetLibIsNetFile("http://example.com/a.fm"));
    EXPECT_EQ(0, NetLibIsNetFile("HTTPS://example.com/a.fm"));
    for (const char* name : {"", "ftp://example.com/a", "httpx://example.com/a", "http:/example.com",
                             "C:\\docs\\a.fm", "\\\\server\\share", "dctm://repo/a"})
        EXPECT_NE(0, NetLibIsNetFile(name)) << name;
    EXPECT_NE(0, NetLibIsNetFile(nullptr));
}

TEST_F(NetLibStandIn, OpenCopiesTheRemoteFileIntoTheCacheAndSaveCopiesItBack) {
    const char* url = "http://Example.com/docs/a%20b.fm";
    // Escapes are decoded and the host folded to lower case in the mapping.
    EXPECT_EQ(folder + "/remote/http/example.com/docs/a b.fm", Remote(url));
    ASSERT_TRUE(NetLibTestWrite(Remote(url), "first"));
    EXPECT_EQ(0, NetLibStat(url, 0));

    char* local = nullptr;
    ASSERT_EQ(0, NetLibOpen(url, NetLibFlagWrite, &local));
    EXPECT_EQ(NetLibFlagWrite, NetLibStandInLastFlags());
    std::string cacheName = Take(local);
    // Handed back in the library's Windows form.
    EXPECT_EQ(NetLibTestWindowsName(Cache(url)), cacheName);
    EXPECT_EQ("first", NetLibTestRead(NetLibTestLocalName(cacheName.c_str())));

    ASSERT_TRUE(NetLibTestWrite(Cache(url), "second"));
    EXPECT_EQ("first", NetLibTestRead(Remote(url)));
    ASSERT_EQ(0, NetLibSave(url, 0));
    EXPECT_EQ("second", NetLibTestRead(Remote(url)));

    // A fresh open brings the remote content over a stale cache copy.
    ASSERT_TRUE(NetLibTestWrite(Remote(url), "third"));
    ASSERT_EQ(0, NetLibOpen(url, 0, &local));
    EXPECT_EQ("third", NetLibTestRead(NetLibTestLocalName(local)));
    NetLibFree(local);
}

TEST_F(NetLibStandIn, MissingFilesAndCacheEntriesFailWithTheirCodes) {
    char* local = nullptr;
    EXPECT_NE(0, NetLibStat("http://example.com/none.fm", 0));
    EXPECT_EQ(NetLibErrNotFound, NetLibGetLastError());
    EXPECT_NE(0, NetLibOpen("http://example.com/none.fm", 0, &local));
    EXPECT_EQ(NetLibErrNotFound, NetLibGetLastError());
    EXPECT_NE(0, NetLibQueryCacheForPath("http://example.com/none.fm", &local));
    EXPECT_EQ(NetLibErrNoCache, NetLibGetLastError());
    EXPECT_NE(0, NetLibSave("http://example.com/none.fm", 0));
    EXPECT_EQ(NetLibErrNoCache, NetLibGetLastError());
    EXPECT_EQ(nullptr, local);

    // A new file: the cache name can be created and then saved.
    ASSERT_EQ(0, NetLibGetCacheFile("http://example.com/new/n.fm", &local));
    ASSERT_TRUE(NetLibTestWrite(NetLibTestLocalName(local), "made here"));
    NetLibFree(local);
    ASSERT_EQ(0, NetLibSave("http://example.com/new/n.fm", 0));
    EXPECT_EQ("made here", NetLibTestRead(Remote("http://example.com/new/n.fm")));
}

TEST_F(NetLibStandIn, NamesThatWouldLeaveTheFolderAreRefused) {
    for (const char* url : {"http://example.com/../../x", "http://example.com/a/%2E%2E/%2e%2e/x",
                            "http://example.com/a%2Fb", "http://example.com/a%5Cb", "http://example.com",
                            "http://example.com/", "http://../x", "http://example.com//x",
                            "http://example.com/a?q=1"}) {
        char* local = nullptr;
        EXPECT_TRUE(Remote(url).empty()) << url;
        EXPECT_NE(0, NetLibGetCacheFile(url, &local)) << url;
        EXPECT_EQ(NetLibErrBadName, NetLibGetLastError()) << url;
    }
}

TEST_F(NetLibStandIn, AbsoluteUrlsJoinLikeABrowser) {
    EXPECT_EQ("http://h/a/b/c.fm", Absolute("http://h/a/b/", "c.fm"));
    EXPECT_EQ("http://h/a/c.fm", Absolute("http://h/a/b", "c.fm"));
    EXPECT_EQ("http://h/c.fm", Absolute("http://h/a/b/", "../../c.fm"));
    EXPECT_EQ("http://h/c.fm", Absolute("http://h/a/", "../../../c.fm")); // never above the root
    EXPECT_EQ("http://h/r.fm", Absolute("http://h/a/b/", "/r.fm"));
    EXPECT_EQ("http://h/x.fm", Absolute("http://h", "x.fm"));
    EXPECT_EQ("http://other/x", Absolute("http://h/a/", "//other/x"));
    EXPECT_EQ("https://o/y", Absolute("http://h/a/", "https://o/./y"));
    EXPECT_EQ("http://h/a/sub/c.fm", Absolute("http://h/a//", "./sub/c.fm")); // a folder joined with '/'
    EXPECT_EQ("http://h/a/c.fm?v=1", Absolute("http://h/a/b.fm?v=0", "c.fm?v=1"));
    EXPECT_EQ("(failed)", Absolute("C:\\docs\\", "a.fm"));
    EXPECT_EQ("(failed)", Absolute("http://h/a/", nullptr));
}

TEST_F(NetLibStandIn, RelativeUrlsStartFromTheReferencesFolder) {
    EXPECT_EQ("c.fm", Relative("http://h/a/b.fm", "http://h/a/c.fm"));
    EXPECT_EQ("../x/c.fm", Relative("http://h/a/b/doc.fm", "http://h/a/x/c.fm"));
    EXPECT_EQ("sub/c.fm", Relative("http://h/a/", "http://h/a/sub/c.fm"));
    EXPECT_EQ("../../c.fm", Relative("http://h/a/b/d.fm", "http://h/c.fm"));
    EXPECT_EQ("./", Relative("http://h/a/b.fm", "http://h/a/"));
    EXPECT_EQ("http://other/a/c.fm", Relative("http://h/a/b.fm", "http://other/a/c.fm"));
    EXPECT_EQ("https://h/a/c.fm", Relative("http://h/a/b.fm", "https://h/a/c.fm"));
    EXPECT_EQ("(failed)", Relative("http://h/a/b.fm", "C:\\c.fm"));
}

TEST_F(NetLibStandIn, CleanUrlsFoldCaseAndDotSegments) {
    char* out = nullptr;
    ASSERT_EQ(0, NetLibCleanURL("HTTP://Host.Example/a/./b/../c//D.fm#Top", &out));
    EXPECT_EQ("http://host.example/a/c/D.fm#Top", Take(out));
    EXPECT_NE(0, NetLibCleanURL("file:///C:/a", &out));
    EXPECT_EQ(nullptr, out);
}

TEST_F(NetLibStandIn, TestControlsFailCountAndTrackStrings) {
    ASSERT_TRUE(NetLibTestWrite(Remote("http://h/a.fm"), "x"));
    NetLibStandInFailNext(NetLibOpOpen, 25);
    char* local = nullptr;
    EXPECT_NE(0, NetLibOpen("http://h/a.fm", 0, &local));
    EXPECT_EQ(25, NetLibGetLastError());
    EXPECT_EQ(0, NetLibOpen("http://h/a.fm", 0, &local)); // the failure was used up
    EXPECT_EQ(1, NetLibStandInLiveStrings());
    NetLibFree(local);
    EXPECT_EQ(0, NetLibStandInLiveStrings());
    EXPECT_EQ(2, NetLibStandInCalls(NetLibOpOpen));
    EXPECT_EQ(0, NetLibStandInCalls(NetLibOpSave));
    // Success leaves the last error as it was, as GetLastError does.
    EXPECT_EQ(25, NetLibGetLastError());
}

TEST_F(NetLibStandIn, PutAndUploadFolderCopyLocalFilesUp) {
    std::string local = folder + "/outside/one.txt";
    ASSERT_TRUE(NetLibTestWrite(local, "1"));
    ASSERT_TRUE(NetLibTestWrite(folder + "/outside/deep/two.txt", "2"));
    ASSERT_EQ(0, NetLibPut("http://h/up/one.txt", NetLibTestWindowsName(local).c_str()));
    EXPECT_EQ("1", NetLibTestRead(Remote("http://h/up/one.txt")));
    ASSERT_EQ(0, NetLibUploadFolder("http://h/tree", NetLibTestWindowsName(folder + "/outside").c_str()));
    EXPECT_EQ("2", NetLibTestRead(Remote("http://h/tree/deep/two.txt")));
    EXPECT_NE(0, NetLibPut("http://h/up/x", NetLibTestWindowsName(folder + "/missing").c_str()));
    EXPECT_EQ(NetLibErrNotFound, NetLibGetLastError());
}

} // namespace
