// The NetLib wrappers against the stand-in: which names reach NetLib, the
// fall-back from a failed fetch to the cache, the flags of the two modes,
// error codes and their public form, NetLib strings always released, and a
// network file fetched, changed, saved and read back.
#include "support/io/url.h"

#include "common/netlib_folder.h"
#include "platform/netlib.h"
#include "support/base/memory.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>

namespace {

char* const Unset = reinterpret_cast<char*>(static_cast<uintptr_t>(1));

class UrlNetwork : public ::testing::Test {
protected:
    void SetUp() override {
        folder = NetLibTestFolderMake();
        ASSERT_EQ(0, NetLibStandInEnable(folder.c_str()));
    }
    void TearDown() override {
        EXPECT_EQ(0, NetLibStandInLiveStrings()) << "a NetLib string was not released";
        NetLibStandInDisable();
        NetLibTestFolderRemove(folder);
    }
    std::string Remote(const char* url) {
        char buffer[4096];
        return NetLibStandInRemoteFile(url, buffer, sizeof buffer) == 0 ? buffer : "";
    }
    // The content of the local file a wrapper named, which is then freed.
    static std::string ReadNamed(char* name) {
        std::string content = NetLibTestRead(NetLibTestLocalName(name));
        MemFree(name);
        return content;
    }
    std::string folder;
};

TEST(UrlNames, LocalAndDctm) {
    NetLibStandInDisable();
    EXPECT_EQ(1, UrlIsLocal(nullptr));
    EXPECT_EQ(1, UrlIsLocal(""));
    EXPECT_EQ(1, UrlIsLocal("http://example.com/a.fm")); // no network library: all local
    std::string folder = NetLibTestFolderMake();
    NetLibStandInEnable(folder.c_str());
    EXPECT_EQ(0, UrlPublicIsLocal("http://example.com/a.fm"));
    EXPECT_EQ(1, UrlIsLocal(""));
    EXPECT_EQ(1, UrlIsLocal("dctm://repo/doc"));
    NetLibStandInDisable();
    NetLibTestFolderRemove(folder);

    EXPECT_EQ(1, UrlIsDctm("dctm://repo/doc"));
    EXPECT_EQ(1, UrlPublicIsDctm("dctm://"));
    for (const char* name : {"", "DCTM://repo/doc", "dctm:/repo", " dctm://repo", "xdctm://repo"})
        EXPECT_EQ(0, UrlIsDctm(name)) << name;
    EXPECT_EQ(0, UrlIsDctm(nullptr));
}

TEST_F(UrlNetwork, LocalNamesNeverReachNetLibBeyondTheTest) {
    int error = -7;
    char* out = Unset;
    const std::function<int(const char*)> wrappers[] = {
        [&](const char* n) { return UrlStat(n, 1, &error); },
        [&](const char* n) { return UrlFetch(n, &out, &error, 1); },
        [&](const char* n) { return UrlSave(n); },
        [&](const char* n) { return UrlGetCacheFile(n, &out); },
        [&](const char* n) { return UrlClean(n, &out); },
        [&](const char* n) { return UrlQueryCacheForPath(n, &out); },
        [&](const char* n) { return UrlMakeAbsolute(n, "a.fm", &out); },
        [&](const char* n) { return UrlMakeRelative(n, "http://h/a.fm", &out); },
        [&](const char* n) { return UrlMakeRelative("http://h/a.fm", n, &out); },
        [&](const char* n) { return UrlPut(n, "C:\\x"); },
        [&](const char* n) { return UrlUploadFolder(n, "C:\\x"); },
    };
    for (const char* name : {static_cast<const char*>(nullptr), "C:\\docs\\a.fm"}) {
        int i = 0;
        for (const auto& wrapper : wrappers) {
            SCOPED_TRACE(testing::Message() << (name ? name : "null") << " wrapper " << i++);
            NetLibStandInEnable(folder.c_str()); // clears the counters
            out = Unset;
            EXPECT_EQ(1, wrapper(name));
            EXPECT_TRUE(out == Unset || out == nullptr);
            EXPECT_EQ(-7, error);
            int tests = NetLibStandInCalls(NetLibOpIsNetFile);
            int all = 0;
            for (int op = 0; op < NetLibOpCount; ++op) all += NetLibStandInCalls(static_cast<NetLibStandInOp>(op));
            EXPECT_EQ(all, tests) << "only the network-file test may run";
        }
    }
    // The cache look-up by URL makes no network-file test.
    NetLibStandInEnable(folder.c_str());
    EXPECT_EQ(1, UrlQueryCacheForUrl("C:\\docs\\a.fm", &out));
    EXPECT_EQ(nullptr, out);
    EXPECT_EQ(0, NetLibStandInCalls(NetLibOpIsNetFile));
    EXPECT_EQ(1, NetLibStandInCalls(NetLibOpQueryCacheForURL));
}

TEST_F(UrlNetwork, FetchFallsBackToTheCache) {
    const char* url = "http://example.com/docs/a.fm";
    ASSERT_TRUE(NetLibTestWrite(Remote(url), "cached"));
    char* local = nullptr;
    int error = 0;
    ASSERT_EQ(0, UrlFetch(url, &local, &error, 0));
    MemFree(local);
    // The network copy goes away; the earlier fetch is still in the cache.
    NetLibTestFolderRemove(folder + "/remote");
    ASSERT_EQ(0, UrlFetchMode0(url, &local, &error));
    EXPECT_EQ("cached", ReadNamed(local));
    NetLibStandInFailNext(NetLibOpOpen, NetLibErrIo);
    ASSERT_EQ(0, UrlPublicFetchMode1(url, &local, &error));
    EXPECT_EQ("cached", ReadNamed(local));
    // Neither copy: failure, with the cache look-up's error.
    local = Unset;
    EXPECT_EQ(1, UrlFetch("http://example.com/docs/none.fm", &local, &error, 1));
    EXPECT_EQ(nullptr, local);
    EXPECT_EQ(NetLibErrNoCache, error);
}

TEST_F(UrlNetwork, ModeOneAsksWithTheSecondModeFlag) {
    const char* url = "http://example.com/a.fm";
    ASSERT_TRUE(NetLibTestWrite(Remote(url), "x"));
    int error = 0;
    char* local = nullptr;
    struct Case { std::function<int()> call; uint32_t flags; };
    const Case cases[] = {
        {[&] { return UrlStat(url, 1, &error); }, 16},
        {[&] { return UrlStat(url, 2, &error); }, 0}, // only 1 selects the second mode
        {[&] { return UrlStatMode0(url, &error); }, 0},
        {[&] { return UrlPublicStatMode1(url, &error); }, 16},
        {[&] { int r = UrlFetchMode1(url, &local, &error); MemFree(local); return r; }, 16},
        {[&] { int r = UrlFetch(url, &local, &error, 0); MemFree(local); return r; }, 0},
        {[&] { return UrlSave(url); }, 0},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(0, c.call());
        EXPECT_EQ(c.flags, NetLibStandInLastFlags()) << &c - cases;
    }
    EXPECT_EQ(1, UrlStat("http://example.com/none.fm", 1, &error));
    EXPECT_EQ(NetLibErrNotFound, error);
}

TEST_F(UrlNetwork, ErrorCodesAboveNineteenAreFolded) {
    const char* url = "http://example.com/none.fm";
    struct Case { NetLibErr netLib; int internal; int external; };
    for (Case c : {Case{19, 19, 19}, Case{20, 21, 20}, Case{25, 21, 20}, Case{-3, 21, 20}, Case{7, 7, 7}}) {
        SCOPED_TRACE(c.netLib);
        char* local = nullptr;
        int error = 0;
        NetLibStandInFailNext(NetLibOpOpen, c.netLib);
        NetLibStandInFailNext(NetLibOpQueryCacheForPath, c.netLib);
        EXPECT_EQ(1, UrlFetch(url, &local, &error, 0));
        EXPECT_EQ(c.internal, error);
        EXPECT_EQ(c.internal, UrlLastError());
        NetLibStandInFailNext(NetLibOpOpen, c.netLib);
        NetLibStandInFailNext(NetLibOpQueryCacheForPath, c.netLib);
        EXPECT_EQ(1, UrlPublicFetch(url, &local, &error, 0));
        EXPECT_EQ(c.external, error);
        NetLibStandInFailNext(NetLibOpStat, c.netLib);
        EXPECT_EQ(1, UrlPublicStat(url, 0, &error));
        EXPECT_EQ(c.external, error);
    }
    // A forwarder on a local name leaves the caller's variable alone.
    int error = 42;
    char* local = nullptr;
    EXPECT_EQ(1, UrlPublicFetch("C:\\a.fm", &local, &error, 0));
    EXPECT_EQ(1, UrlPublicStat("C:\\a.fm", 0, &error));
    EXPECT_EQ(42, error);
}

TEST_F(UrlNetwork, FetchChangeSaveAndReadBack) {
    const char* url = "https://example.com/books/ch%201.fm";
    ASSERT_TRUE(NetLibTestWrite(Remote(url), "<MIFFile 7.00>\n"));
    char* local = nullptr;
    int error = 0;
    ASSERT_EQ(0, UrlFetchMode1(url, &local, &error));
    std::string localName = NetLibTestLocalName(local);
    MemFree(local);
    ASSERT_EQ("<MIFFile 7.00>\n", NetLibTestRead(localName));
    ASSERT_TRUE(NetLibTestWrite(localName, "<MIFFile 7.00>\n<Page>\n"));
    ASSERT_EQ(0, UrlPublicSave(url));
    EXPECT_EQ("<MIFFile 7.00>\n<Page>\n", NetLibTestRead(Remote(url)));
    // Read back through a second fetch, after the cache copy is gone.
    NetLibTestFolderRemove(folder + "/cache");
    ASSERT_EQ(0, UrlFetch(url, &local, &error, 0));
    EXPECT_EQ("<MIFFile 7.00>\n<Page>\n", ReadNamed(local));
}

TEST_F(UrlNetwork, NewNetworkFileThroughACacheName) {
    const char* url = "http://example.com/out/TarnOutput.fm";
    int error = 0;
    EXPECT_EQ(1, UrlStatMode0(url, &error));
    EXPECT_EQ(1, UrlSave(url)); // nothing to save yet
    char* local = nullptr;
    ASSERT_EQ(0, UrlPublicGetCacheFile(url, &local));
    ASSERT_TRUE(NetLibTestWrite(NetLibTestLocalName(local), "report"));
    MemFree(local);
    ASSERT_EQ(0, UrlSave(url));
    EXPECT_EQ(0, UrlStatMode0(url, &error));
    EXPECT_EQ("report", NetLibTestRead(Remote(url)));
    ASSERT_EQ(0, UrlQueryCacheForPath(url, &local));
    EXPECT_EQ("report", ReadNamed(local));
    ASSERT_EQ(0, UrlPublicQueryCacheForUrl(url, &local));
    EXPECT_EQ("report", ReadNamed(local));
}

TEST_F(UrlNetwork, JoinsRelativeFormsAndUploadsGoThroughNetLib) {
    char* out = nullptr;
    // A folder base as path resolution builds it: the base and a '/'.
    ASSERT_EQ(0, UrlMakeAbsolute("http://example.com/docs//", "sub/../ch1.fm", &out));
    EXPECT_STREQ("http://example.com/docs/ch1.fm", out);
    MemFree(out);
    // The reference comes first.
    ASSERT_EQ(0, UrlPublicMakeRelative("http://example.com/b/ch1.fm", "http://example.com/a/book.book", &out));
    EXPECT_STREQ("../a/book.book", out);
    MemFree(out);
    NetLibStandInFailNext(NetLibOpCleanURL, NetLibErrNoMemory);
    EXPECT_EQ(1, UrlPublicClean("http://example.com/a", &out));
    EXPECT_EQ(nullptr, out);

    std::string file = folder + "/local/sub/b.fm";
    ASSERT_TRUE(NetLibTestWrite(file, "b"));
    EXPECT_EQ(0, UrlPut("http://example.com/up/b.fm", NetLibTestWindowsName(file).c_str()));
    EXPECT_EQ("b", NetLibTestRead(Remote("http://example.com/up/b.fm")));
    EXPECT_EQ(0, UrlPublicUploadFolder("http://example.com/tree", NetLibTestWindowsName(folder + "/local").c_str()));
    EXPECT_EQ("b", NetLibTestRead(Remote("http://example.com/tree/sub/b.fm")));
    EXPECT_EQ(1, UrlPut("http://example.com/up/b.fm", nullptr));
}

} // namespace
