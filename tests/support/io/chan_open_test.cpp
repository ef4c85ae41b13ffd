// Opening and closing channels on real files: the modes, append, temporary
// files, names outside ASCII and at the wide buffer's limit, network names
// through the NetLib stand-in, and failures at close.
#include "support/io/channel.h"

#include "common/environment.h"
#include "common/fake_stream.h"
#include "common/icu_data.h"
#include "common/netlib_folder.h"
#include "platform/netlib.h"
#include "common/raised_exception.h"
#include "support/base/memory.h"
#include "support/base/host_encodings.h"
#include "support/io/path.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace {

bool Exists(const std::string& local) { return NetLibTestExists(local); }

class ChanOpenTest : public ::testing::Test {
protected:
    std::string dir;
    void SetUp() override {
        UseBuildIcuData();
        EncCurrent = EncFrameRoman;
        dir = NetLibTestFolderMake();
    }
    void TearDown() override {
        NetLibStandInDisable();
        NetLibTestFolderRemove(dir);
    }
    ChanRecord* Open(const std::string& name, const char* mode) {
        PathObject* path = PathNewFromText(name.c_str());
        ChanRecord* channel = ChanOpen(path, mode);
        PathFree(path);
        return channel;
    }
    ChanRecord* OpenLocal(const std::string& local, const char* mode) {
        return Open(NetLibTestWindowsName(local), mode);
    }
    static std::string ReadAll(ChanRecord* channel) {
        std::string text;
        char piece[100];
        for (int32_t n; (n = ChanRead(piece, 1, sizeof piece, channel)) > 0;) text.append(piece, n);
        return text;
    }
};

TEST_F(ChanOpenTest, Modes) {
    std::string file = dir + "/a.txt";
    EXPECT_EQ(OpenLocal(file, "r"), nullptr);
    EXPECT_EQ(OpenLocal(file, "x"), nullptr);
    EXPECT_EQ(OpenLocal(file, nullptr), nullptr);
    EXPECT_FALSE(Exists(file));

    ChanRecord* c = OpenLocal(file, "r+"); // created
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ChanWrite("hello", 1, 5, c), 5);
    EXPECT_EQ(ChanClose(c), 0);
    c = OpenLocal(file, "r");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ChanWrite("x", 1, 1, c), 0);
    EXPECT_EQ(ReadAll(c), "hello");
    EXPECT_EQ(ChanClose(c), 0);

    c = OpenLocal(file, "a");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ChanTell(c), 5);
    EXPECT_EQ(ChanWrite("!", 1, 1, c), 1);
    EXPECT_EQ(ChanClose(c), 0);
    EXPECT_EQ(NetLibTestRead(file), "hello!");

    c = OpenLocal(file, "w"); // emptied, write-only
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ChanSize(c), 0);
    EXPECT_EQ(ChanPeek(c), -1);
    EXPECT_EQ(ChanCloseRef(&c), 0);
    EXPECT_EQ(c, nullptr);
    EXPECT_EQ(OpenLocal(dir, "r"), nullptr);
    EXPECT_EQ(ChanClose(nullptr), -1);
    EXPECT_RAISES(ChanCloseRef(nullptr), FatalErrorCode);
}

TEST_F(ChanOpenTest, TemporaryFilesAreDeletedByCloseAndDelete) {
    const char* saved = std::getenv(TestTempFolderVariable);
    std::string keep = saved ? saved : "";
    TestSetEnv(TestTempFolderVariable, dir.c_str());
    ChanRecord* c = ChanOpenTemp();
    TestSetEnv(TestTempFolderVariable, saved ? keep.c_str() : nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(std::string(c->name).rfind(NetLibTestWindowsName(dir) + "\\FMT", 0), 0u) << c->name;
    std::string local = NetLibTestLocalName(c->name);
    EXPECT_EQ(ChanWrite("temp", 1, 4, c), 4); // "w+"
    EXPECT_EQ(ChanSeek(c, 0, STREAM_SEEK_SET), 0);
    EXPECT_EQ(ReadAll(c), "temp");
    EXPECT_EQ(ChanCloseAndDeleteRef(&c), 0);
    EXPECT_EQ(c, nullptr);
    EXPECT_FALSE(Exists(local));
}

TEST_F(ChanOpenTest, FrameRomanNamesOpenAndDeleteTheSameFile) {
    std::string name = NetLibTestWindowsName(dir) + "\\caf\x8E.txt"; // e-acute in FrameRoman
    std::string local = dir + "/caf\xC3\xA9.txt";
    ChanRecord* c = Open(name, "w");
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(Exists(local));
    EXPECT_EQ(ChanCloseAndDelete(c), 0);
    EXPECT_FALSE(Exists(local));
#ifndef _WIN32 // Windows cannot remove a file that a channel holds open
    c = Open(name, "w");
    ASSERT_NE(c, nullptr);
    ASSERT_TRUE(std::filesystem::remove(NetLibTestPath(local)));
    EXPECT_EQ(ChanCloseAndDelete(c), -1); // nothing was there to delete
#endif
}

// A name whose character the ANSI code page lacks comes out of it with '?',
// which Windows refuses in a file name: the delete fails and removes
// nothing, least of all a file that happens to bear the '?' name.
TEST_F(ChanOpenTest, ANameTheAnsiCodePageCannotHoldIsNotDeleted) {
    std::string name = NetLibTestWindowsName(dir) + "\\\xB9.txt"; // pi in FrameRoman
    std::string local = dir + "/\xCF\x80.txt";
#ifndef _WIN32 // Windows cannot make such a file at all
    std::string question = dir + "/?.txt";
    ASSERT_TRUE(NetLibTestWrite(question, "keep"));
#endif
    ChanRecord* c = Open(name, "w");
    ASSERT_NE(c, nullptr);
    EXPECT_TRUE(Exists(local));
    EXPECT_EQ(ChanCloseAndDelete(c), -1);
    EXPECT_TRUE(Exists(local));
#ifndef _WIN32
    EXPECT_EQ(NetLibTestRead(question), "keep");
#endif
}

TEST_F(ChanOpenTest, WideNameLimitRefusesRatherThanCuts) {
#ifdef _WIN32
    GTEST_SKIP() << "the system cannot make a file whose name is near the channel's 4095-unit limit";
#endif
    std::string base = NetLibTestWindowsName(dir), local = dir;
    while (base.size() + local.size() - dir.size() < 3800) {
        local += "/" + std::string(200, 'd');
        ASSERT_TRUE(std::filesystem::create_directory(NetLibTestPath(local)));
    }
    std::string fits = local + "/" + std::string(4093 - base.size() - (local.size() - dir.size()), 'f');
    ASSERT_EQ(NetLibTestWindowsName(fits).size(), 4094u); // with the terminator, 4095 units
    ASSERT_TRUE(NetLibTestWrite(fits, "fits"));
    ASSERT_TRUE(NetLibTestWrite(fits + "g", "one too long"));
    ChanRecord* c = OpenLocal(fits, "r");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ChanClose(c), 0);
    EXPECT_EQ(OpenLocal(fits + "g", "r"), nullptr);
}

TEST_F(ChanOpenTest, FailuresLeaveNothingBehind) {
    ASSERT_TRUE(NetLibTestWrite(dir + "/m.txt", "m"));
    PathObject* path = PathNewFromText(NetLibTestWindowsName(dir + "/m.txt").c_str());
    for (uint64_t n = 1; n <= 3; ++n) { // the record, its name, the stream
        MemFailAllocation(n);
        EXPECT_EQ(ChanOpen(path, "r"), nullptr) << n;
    }
    MemFailAllocation(0);
    PathFree(path);

    auto* stream = new FakeStreamC();
    bool destroyed = false;
    stream->destroyed = &destroyed;
    stream->writeBudget = 2;
    ChanRecord* c = FakeChannel(stream, ChanModeWrite);
    stream->Release();
    EXPECT_EQ(ChanWrite("abcdef", 1, 6, c), 6);
    EXPECT_EQ(ChanClose(c), -1); // its final write failed
    EXPECT_TRUE(destroyed);
}

TEST_F(ChanOpenTest, NetworkFilesGoThroughTheCache) {
    ASSERT_EQ(NetLibStandInEnable(dir.c_str()), 0);
    std::string remote = dir + "/remote/http/host/";
    std::filesystem::create_directories(NetLibTestPath(remote));
    ASSERT_TRUE(NetLibTestWrite(remote + "doc.txt", "remote"));

    ChanRecord* c = Open("http://host/doc.txt", "a");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ChanWrite("!", 1, 1, c), 1);
    EXPECT_EQ(ChanClose(c), 0);
    EXPECT_EQ(NetLibTestRead(remote + "doc.txt"), "remote!");

    // An update mode never stands in an empty file for one it could not fetch.
    NetLibStandInFailNext(NetLibOpOpen, NetLibErrIo);
    NetLibStandInFailNext(NetLibOpQueryCacheForPath, NetLibErrNoCache);
    EXPECT_EQ(Open("http://host/doc.txt", "r+"), nullptr);
    EXPECT_EQ(Open("http://host/new.txt", "a"), nullptr);
    EXPECT_EQ(NetLibStandInCalls(NetLibOpGetCacheFile), 0);
    EXPECT_EQ(NetLibTestRead(remote + "doc.txt"), "remote!");

    c = Open("http://host/new.txt", "w"); // a fresh cache name
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ChanWrite("new", 1, 3, c), 3);
    EXPECT_EQ(ChanClose(c), 0);
    EXPECT_EQ(NetLibTestRead(remote + "new.txt"), "new");
    c = Open("http://host/new.txt", "w+");
    ASSERT_NE(c, nullptr);
    NetLibStandInFailNext(NetLibOpSave, NetLibErrIo);
    EXPECT_EQ(ChanClose(c), -1);
}

} // namespace
