// The NetLib wrappers against the stand-in: which names reach NetLib, the
// fall-back from a failed fetch to the cache, flags of the two modes, error
// codes and their public form, NetLib strings always released, and a network
// file fetched, changed, saved and read back.
#include "support/io/url.h"

#include "common/netlib_folder.h"
#include "platform/netlib.h"
#include "support/base/memory.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Take(char* s) {
    std::string out = s ? s : "(null)";
    MemFree(s);
    return out;
}

char* const Unset = reinterpret_cast<char*>(static_cast<uintptr_t>(1));

int NetLibCallsInAll() {
    int calls = 0;
    for (int op = 0; op < NetLibOpCount; ++op) calls += NetLibStandInCalls(static_cast<NetLibStandInOp>(op));
    return calls;
}

class UrlNetwork : public ::testing::Test {
protected:
    void SetUp() override {
        folder = NetLibTestFolderMake();
        ASSERT_FALSE(folder.empty());
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
    std::string Cache(const char* url) {
        char buffer[4096];
        return NetLibStandInCacheFile(url, buffer, sizeof buffer) == 0 ? buffer : "";
    }
    std::string folder;
};

TEST(UrlNames, LocalAndDctmTests) {
    NetLibStandInDisable();
    EXPECT_EQ(1, UrlIsLocal(nullptr));
    EXPECT_EQ(1, UrlIsLocal(""));
    EXPECT_EQ(1, UrlIsLocal("http://example.com/a.fm")); // no network library: all local
    EXPECT_EQ(1, UrlIsDctm("dctm://repo/doc"));
    EXPECT_EQ(1, UrlPublicIsDctm("dctm://"));
    for (const char* name : {"", "DCTM://repo/doc", "dctm:/repo", " dctm://repo", "xdctm://repo"})
        EXPECT_EQ(0, UrlIsDctm(name)) << name;
    EXPECT_EQ(0, UrlIsDctm(nullptr));
}

TEST_F(UrlNetwork, NetworkModeClaimsOnlyNetworkNames) {
    EXPECT_EQ(0, UrlIsLocal("http://example.com/a.fm"));
    EXPECT_EQ(0, UrlPublicIsLocal("https://example.com/a.fm"));
    EXPECT_EQ(1, UrlIsLocal(""));
    EXPECT_EQ(1, UrlIsLocal("C:\\docs\\a.fm"));
    EXPECT_EQ(1, UrlIsLocal("dctm://repo/doc"));
}

TEST_F(UrlNetwork, LocalNamesNeverReachNetLibBeyondTheTest) {
    for (const char* name : {static_cast<const char*>(nullptr), "C:\\docs\\a.fm"}) {
        SCOPED_TRACE(name ? name : "null");
        NetLibStandInEnable(folder.c_str()); // clears the counters
        int error = -7;
        char* out = Unset;
        EXPECT_EQ(1, UrlStat(name, 1, &error));
        EXPECT_EQ(1, UrlFetch(name, &out, &error, 1));
        EXPECT_EQ(nullptr, out);
        EXPECT_EQ(-7, error);
        EXPECT_EQ(1, UrlSave(name));
        out = Unset;
        EXPECT_EQ(1, UrlGetCacheFile(name, &out));
        EXPECT_EQ(nullptr, out);
        out = Unset;
        EXPECT_EQ(1, UrlClean(name, &out));
        EXPECT_EQ(nullptr, out);
        out = Unset;
        EXPECT_EQ(1, UrlQueryCacheForPath(name, &out));
        EXPECT_EQ(nullptr, out);
        out = Unset;
        EXPECT_EQ(1, UrlMakeAbsolute(name, "a.fm", &out));
        EXPECT_EQ(nullptr, out);
        out = Unset;
        EXPECT_EQ(1, UrlMakeRelative(name, "http://h/a.fm", &out));
        EXPECT_EQ(nullptr, out);
        EXPECT_EQ(1, UrlPut(name, "C:\\x"));
        EXPECT_EQ(1, UrlUploadFolder(name, "C:\\x"));
        // Only the network-file test itself; a null name not even that.
        EXPECT_EQ(NetLibCallsInAll(), NetLibStandInCalls(NetLibOpIsNetFile));
        EXPECT_EQ(name ? 10 : 0, NetLibCallsInAll());
        out = Unset;
        EXPECT_EQ(1, UrlMakeRelative("http://h/a.fm", name, &out));
        EXPECT_EQ(nullptr, out);
        EXPECT_EQ(0, NetLibStandInCalls(NetLibOpGetRelativeURL));
    }
    // The cache look-up by URL makes no network-file test.
    NetLibStandInEnable(folder.c_str());
    char* out = Unset;
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
    std::string first = Take(local);

    // The network copy goes away; the earlier fetch is still in the cache.
    NetLibTestFolderRemove(folder + "/remote");
    ASSERT_EQ(0, UrlFetchMode0(url, &local, &error));
    EXPECT_EQ(first, Take(local));
    NetLibStandInFailNext(NetLibOpOpen, NetLibErrIo);
    ASSERT_EQ(0, UrlPublicFetchMode1(url, &local, &error));
    EXPECT_EQ("cached", NetLibTestRead(NetLibTestLocalName(local)));
    MemFree(local);

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
    struct Case { int result; uint32_t flags; };
    auto flagsAfter = [](int result) { return Case{result, NetLibStandInLastFlags()}; };
    Case c = flagsAfter(UrlStat(url, 1, &error));
    EXPECT_EQ(0, c.result);
    EXPECT_EQ(16u, c.flags);
    c = flagsAfter(UrlStatMode0(url, &error));
    EXPECT_EQ(0u, c.flags);
    c = flagsAfter(UrlStat(url, 2, &error)); // only 1 selects the second mode
    EXPECT_EQ(0u, c.flags);
    c = flagsAfter(UrlPublicStatMode1(url, &error));
    EXPECT_EQ(16u, c.flags);
    c = flagsAfter(UrlFetchMode1(url, &local, &error));
    MemFree(local);
    EXPECT_EQ(16u, c.flags);
    c = flagsAfter(UrlFetch(url, &local, &error, 0));
    MemFree(local);
    EXPECT_EQ(0u, c.flags);
    c = flagsAfter(UrlSave(url));
    EXPECT_EQ(0u, c.flags);
    EXPECT_EQ(0, c.result);

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
    EXPECT_EQ(20, UrlPublicError(21));
    EXPECT_EQ(0, UrlPublicError(0));
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
    EXPECT_EQ("<MIFFile 7.00>\n<Page>\n", NetLibTestRead(NetLibTestLocalName(local)));
    MemFree(local);
}

TEST_F(UrlNetwork, NewNetworkFileThroughACacheName) {
    const char* url = "http://example.com/out/TarnOutput.fm";
    int error = 0;
    EXPECT_EQ(1, UrlStatMode0(url, &error));
    EXPECT_EQ(NetLibErrNotFound, error);
    EXPECT_EQ(1, UrlSave(url)); // nothing to save yet

    char* local = nullptr;
    ASSERT_EQ(0, UrlPublicGetCacheFile(url, &local));
    ASSERT_TRUE(NetLibTestWrite(NetLibTestLocalName(local), "report"));
    MemFree(local);
    ASSERT_EQ(0, UrlSave(url));
    EXPECT_EQ(0, UrlStatMode0(url, &error));
    EXPECT_EQ("report", NetLibTestRead(Remote(url)));

    ASSERT_EQ(0, UrlQueryCacheForPath(url, &local));
    EXPECT_EQ(Cache(url), NetLibTestLocalName(local));
    MemFree(local);
    ASSERT_EQ(0, UrlPublicQueryCacheForUrl(url, &local));
    EXPECT_EQ(Cache(url), NetLibTestLocalName(local));
    MemFree(local);
}

TEST_F(UrlNetwork, JoinsAndRelativeFormsGoThroughNetLib) {
    char* out = nullptr;
    // A folder base as path resolution builds it: the base and a '/'.
    ASSERT_EQ(0, UrlMakeAbsolute("http://example.com/docs/", "sub/../ch1.fm", &out));
    EXPECT_EQ("http://example.com/docs/ch1.fm", Take(out));
    ASSERT_EQ(0, UrlPublicMakeAbsolute("http://example.com/docs//", "/top.fm", &out));
    EXPECT_EQ("http://example.com/top.fm", Take(out));
    out = Unset;
    EXPECT_EQ(1, UrlMakeAbsolute("http://example.com/docs/", nullptr, &out));
    EXPECT_EQ(nullptr, out);

    // The reference comes first.
    ASSERT_EQ(0, UrlMakeRelative("http://example.com/a/book.book", "http://example.com/b/ch1.fm", &out));
    EXPECT_EQ("../b/ch1.fm", Take(out));
    ASSERT_EQ(0, UrlPublicMakeRelative("http://example.com/b/ch1.fm", "http://example.com/a/book.book", &out));
    EXPECT_EQ("../a/book.book", Take(out));

    ASSERT_EQ(0, UrlClean("HTTP://Example.COM/a/./b/../c.fm", &out));
    EXPECT_EQ("http://example.com/a/c.fm", Take(out));
    NetLibStandInFailNext(NetLibOpCleanURL, NetLibErrNoMemory);
    out = Unset;
    EXPECT_EQ(1, UrlPublicClean("http://example.com/a", &out));
    EXPECT_EQ(nullptr, out);
}

TEST_F(UrlNetwork, PutAndUploadFolderTakeLocalNamesInWindowsForm) {
    std::string file = folder + "/local/a.fm";
    ASSERT_TRUE(NetLibTestWrite(file, "a"));
    ASSERT_TRUE(NetLibTestWrite(folder + "/local/sub/b.fm", "b"));
    EXPECT_EQ(0, UrlPut("http://example.com/up/a.fm", NetLibTestWindowsName(file).c_str()));
    EXPECT_EQ("a", NetLibTestRead(Remote("http://example.com/up/a.fm")));
    EXPECT_EQ(0, UrlPublicUploadFolder("http://example.com/tree",
                                       NetLibTestWindowsName(folder + "/local").c_str()));
    EXPECT_EQ("b", NetLibTestRead(Remote("http://example.com/tree/sub/b.fm")));
    EXPECT_EQ(1, UrlPublicPut("http://example.com/up/none.fm", "Z:\\no\\such\\file"));
    EXPECT_EQ(1, UrlPut("http://example.com/up/a.fm", nullptr));
}

} // namespace
