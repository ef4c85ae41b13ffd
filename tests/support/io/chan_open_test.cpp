// Opening and closing channels on real files: the five modes, append,
// temporary files, names outside ASCII and at the wide buffer's limit,
// network names through the NetLib stand-in, and failures at close.
#include "support/io/channel.h"

#include "common/fake_stream.h"
#include "common/icu_data.h"
#include "common/netlib_folder.h"
#include "platform/netlib.h"
#include "platform/win_exception.h"
#include "support/base/memory.h"
#include "support/io/host_encodings.h"
#include "support/io/path.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <sys/stat.h>

namespace {

bool Exists(const std::string& local) {
    struct stat info;
    return stat(local.c_str(), &info) == 0;
}

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

    // Opens a local file by its name in the library's Windows form.
    ChanRecord* Open(const std::string& local, const char* mode) {
        return OpenName(NetLibTestWindowsName(local), mode);
    }
    ChanRecord* OpenName(const std::string& name, const char* mode) {
        PathObject* path = PathNewFromText(name.c_str());
        EXPECT_NE(path, nullptr);
        ChanRecord* channel = ChanOpen(path, mode);
        PathFree(path);
        return channel;
    }
    std::string ReadAll(ChanRecord* channel) {
        std::string text;
        char piece[100];
        int32_t n;
        while ((n = ChanRead(piece, 1, sizeof piece, channel)) > 0) text.append(piece, static_cast<size_t>(n));
        return text;
    }
};

TEST_F(ChanOpenTest, ModesOnMissingAndExistingFiles) {
    std::string file = dir + "/a.txt";
    EXPECT_EQ(Open(file, "r"), nullptr);
    EXPECT_FALSE(Exists(file));
    EXPECT_EQ(Open(file, "x"), nullptr);
    EXPECT_EQ(Open(file, ""), nullptr);
    EXPECT_EQ(Open(file, nullptr), nullptr);
    EXPECT_EQ(ChanOpen(nullptr, "r"), nullptr);

    ChanRecord* c = Open(file, "r+"); // created
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ChanWrite("hello", 1, 5, c), 5);
    EXPECT_EQ(ChanClose(c), 0);
    EXPECT_EQ(NetLibTestRead(file), "hello");

    c = Open(file, "r");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ChanWrite("x", 1, 1, c), 0); // read-only
    EXPECT_EQ(ReadAll(c), "hello");
    EXPECT_EQ(ChanAtEnd(c), 1);
    EXPECT_EQ(ChanClose(c), 0);

    c = Open(file, "w"); // emptied, write-only
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ChanSize(c), 0);
    char byte;
    EXPECT_EQ(ChanRead(&byte, 1, 1, c), 0);
    EXPECT_EQ(ChanWrite("abc", 1, 3, c), 3);
    EXPECT_EQ(ChanClose(c), 0);

    c = Open(file, "w+"); // emptied, readable
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ChanWrite("xyz", 1, 3, c), 3);
    EXPECT_EQ(ChanSeek(c, 0, STREAM_SEEK_SET), 0);
    EXPECT_EQ(ReadAll(c), "xyz");
    EXPECT_EQ(ChanClose(c), 0);
    EXPECT_EQ(Open(dir, "r"), nullptr); // a directory is no file
}

TEST_F(ChanOpenTest, AppendWritesAtTheEnd) {
    std::string file = dir + "/log.txt";
    ASSERT_TRUE(NetLibTestWrite(file, "abc"));
    ChanRecord* c = Open(file, "a");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ChanTell(c), 3);
    EXPECT_EQ(ChanWrite("de", 1, 2, c), 2);
    EXPECT_EQ(ChanClose(c), 0);
    EXPECT_EQ(NetLibTestRead(file), "abcde");
}

TEST_F(ChanOpenTest, BufferedDataReachesTheFile) {
    std::string file = dir + "/big.bin";
    std::string content;
    for (int i = 0; i < 1500; ++i) content += static_cast<char>('a' + i % 26);
    ChanRecord* c = Open(file, "w");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ChanWrite(content.data(), 1, 300, c), 300);
    EXPECT_EQ(ChanWrite(content.data() + 300, 1, 1200, c), 1200);
    EXPECT_EQ(ChanWrite(content.data(), 1, 0, c), 0);
    EXPECT_EQ(ChanSize(c), 1500); // counts what was still buffered
    EXPECT_EQ(ChanClose(c), 0);
    c = Open(file, "r");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ChanSize(c), 1500);
    EXPECT_EQ(ChanSeek(c, 1000, STREAM_SEEK_SET), 0);
    EXPECT_EQ(ChanPeek(c), content[1000]);
    EXPECT_EQ(ChanSeek(c, -500, STREAM_SEEK_CUR), 0);
    EXPECT_EQ(ReadAll(c), content.substr(500));
    EXPECT_EQ(ChanCloseRef(&c), 0);
    EXPECT_EQ(c, nullptr);
}

TEST_F(ChanOpenTest, TemporaryFilesAreDeletedByCloseAndDelete) {
    const char* saved = std::getenv("TMPDIR");
    std::string keep = saved ? saved : "";
    setenv("TMPDIR", dir.c_str(), 1);
    ChanRecord* first = ChanOpenTemp();
    ChanRecord* second = ChanOpenTemp();
    if (saved) setenv("TMPDIR", keep.c_str(), 1);
    else unsetenv("TMPDIR");
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);

    std::string prefix = NetLibTestWindowsName(dir) + "\\FMT";
    EXPECT_EQ(std::string(first->name).rfind(prefix, 0), 0u) << first->name;
    EXPECT_STRNE(first->name, second->name);
    std::string local = NetLibTestLocalName(first->name);
    EXPECT_TRUE(Exists(local));
    EXPECT_EQ(ChanWrite("temp", 1, 4, first), 4); // "w+": readable and writable
    EXPECT_EQ(ChanSeek(first, 0, STREAM_SEEK_SET), 0);
    EXPECT_EQ(ReadAll(first), "temp");
    EXPECT_EQ(ChanCloseAndDelete(first), 0);
    EXPECT_FALSE(Exists(local));

    std::string other = NetLibTestLocalName(second->name);
    EXPECT_EQ(ChanCloseAndDeleteRef(&second), 0);
    EXPECT_EQ(second, nullptr);
    EXPECT_FALSE(Exists(other));

    EXPECT_EQ(ChanClose(nullptr), -1);
    EXPECT_EQ(ChanCloseAndDelete(nullptr), -1);
    EXPECT_THROW(ChanCloseRef(nullptr), PlatformSoftwareException);
    EXPECT_THROW(ChanCloseAndDeleteRef(nullptr), PlatformSoftwareException);
}

TEST_F(ChanOpenTest, FrameRomanNamesOpenAndDeleteTheSameFile) {
    std::string name = NetLibTestWindowsName(dir) + "\\caf\x8E.txt"; // FrameRoman e-acute
    ChanRecord* c = OpenName(name, "w");
    ASSERT_NE(c, nullptr);
    EXPECT_STREQ(c->name, name.c_str());
    std::string local = dir + "/caf\xC3\xA9.txt";
    EXPECT_TRUE(Exists(local));
    EXPECT_EQ(ChanCloseAndDelete(c), 0);
    EXPECT_FALSE(Exists(local));

    // Deleting what is not there is reported.
    c = OpenName(name, "w");
    ASSERT_NE(c, nullptr);
    ASSERT_EQ(std::remove(local.c_str()), 0);
    EXPECT_EQ(ChanCloseAndDelete(c), -1);
}

TEST_F(ChanOpenTest, WideNameLimitRefusesRatherThanCuts) {
    // Directories deep enough that the Windows name reaches 4094 units.
    std::string base = NetLibTestWindowsName(dir);
    std::string local = dir;
    while (base.size() + (local.size() - dir.size()) < 3800) {
        local += "/" + std::string(200, 'd');
        ASSERT_EQ(mkdir(local.c_str(), 0700), 0);
    }
    size_t windowsLength = base.size() + (local.size() - dir.size());
    std::string fits = local + "/" + std::string(4094 - windowsLength - 1, 'f');
    std::string longer = fits + "g";
    ASSERT_TRUE(NetLibTestWrite(fits, "fits"));
    ASSERT_TRUE(NetLibTestWrite(longer, "longer"));
    ASSERT_EQ(NetLibTestWindowsName(fits).size(), 4094u);

    ChanRecord* c = Open(fits, "r");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ReadAll(c), "fits");
    EXPECT_EQ(ChanClose(c), 0);
    EXPECT_EQ(Open(longer, "r"), nullptr);
}

TEST_F(ChanOpenTest, ExhaustionLeavesNothingBehind) {
    std::string file = dir + "/m.txt";
    ASSERT_TRUE(NetLibTestWrite(file, "m"));
    for (uint64_t n = 1; n <= 3; ++n) { // the record, its name, the stream
        MemFailAllocation(n);
        EXPECT_EQ(Open(file, "r"), nullptr) << n;
        MemFailAllocation(0);
    }
}

TEST_F(ChanOpenTest, CloseReportsAFinalWriteThatFailed) {
    auto* stream = new FakeStreamC();
    stream->writeBudget = 2;
    bool destroyed = false;
    stream->destroyed = &destroyed;
    ChanRecord* c = FakeChannel(stream, ChanModeWrite);
    stream->Release(); // the channel holds the only reference now
    EXPECT_EQ(ChanWrite("abcdef", 1, 6, c), 6);
    EXPECT_EQ(ChanClose(c), -1);
    EXPECT_TRUE(destroyed);
}

class ChanNetworkTest : public ChanOpenTest {
protected:
    void SetUp() override {
        ChanOpenTest::SetUp();
        ASSERT_EQ(NetLibStandInEnable(dir.c_str()), 0);
    }
    std::string Remote(const std::string& rest) { return dir + "/remote/http/" + rest; }
};

TEST_F(ChanNetworkTest, ReadAndWriteBackThroughTheCache) {
    ASSERT_EQ(system(("mkdir -p '" + dir + "/remote/http/host'").c_str()), 0);
    ASSERT_TRUE(NetLibTestWrite(Remote("host/doc.txt"), "remote text"));
    ChanRecord* c = OpenName("http://host/doc.txt", "r");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ReadAll(c), "remote text");
    EXPECT_EQ(ChanClose(c), 0);
    EXPECT_EQ(NetLibStandInCalls(NetLibOpSave), 0); // read-only: nothing saved

    c = OpenName("http://host/doc.txt", "a");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ChanWrite("!", 1, 1, c), 1);
    EXPECT_EQ(ChanClose(c), 0);
    EXPECT_EQ(NetLibTestRead(Remote("host/doc.txt")), "remote text!");

    // A new network file takes a fresh cache name, only in the emptying modes.
    c = OpenName("http://host/new.txt", "w");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ChanWrite("new", 1, 3, c), 3);
    EXPECT_EQ(ChanClose(c), 0);
    EXPECT_EQ(NetLibTestRead(Remote("host/new.txt")), "new");
}

TEST_F(ChanNetworkTest, UpdateModesNeverStandInAnEmptyFileForOneThatCouldNotBeFetched) {
    ASSERT_EQ(system(("mkdir -p '" + dir + "/remote/http/host'").c_str()), 0);
    ASSERT_TRUE(NetLibTestWrite(Remote("host/keep.txt"), "precious"));
    int cacheNames = NetLibStandInCalls(NetLibOpGetCacheFile);
    NetLibStandInFailNext(NetLibOpOpen, NetLibErrIo);
    NetLibStandInFailNext(NetLibOpQueryCacheForPath, NetLibErrNoCache);
    EXPECT_EQ(OpenName("http://host/keep.txt", "r+"), nullptr);
    EXPECT_EQ(OpenName("http://host/missing.txt", "a"), nullptr);
    EXPECT_EQ(NetLibStandInCalls(NetLibOpGetCacheFile), cacheNames);
    EXPECT_EQ(NetLibTestRead(Remote("host/keep.txt")), "precious");
    EXPECT_EQ(OpenName("http://host/missing.txt", "r"), nullptr);
}

TEST_F(ChanNetworkTest, AFailedSaveIsReported) {
    ChanRecord* c = OpenName("http://host/out.txt", "w+");
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(ChanWrite("x", 1, 1, c), 1);
    NetLibStandInFailNext(NetLibOpSave, NetLibErrIo);
    EXPECT_EQ(ChanClose(c), -1);
}

} // namespace
