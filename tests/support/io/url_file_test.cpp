// Conversions between paths and "file:" URLs in both directions: drive
// letters, share names, rooted slash paths, colon paths, relative forms,
// names that are never converted, and double-byte names whose second byte
// is a backslash.
#include "support/io/url.h"

#include "common/netlib_folder.h"
#include "platform/netlib.h"
#include "support/base/memory.h"
#include "support/base/host_encodings.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string Take(char* s) {
    std::string out = s ? s : "(null)";
    MemFree(s);
    return out;
}

std::string FromPath(const char* path, int style) { return Take(UrlFromPath(path, style)); }
std::string ToPath(const char* url, int style) { return Take(UrlToPath(url, style)); }
std::string ToSlashes(const char* path, int style) { return Take(UrlPathToSlashes(path, style)); }
std::string FromAny(const char* path, int style) { return Take(UrlFromAnyPath(path, style)); }

TEST(UrlFromPath, NativePathsBecomeFileUrls) {
    EXPECT_EQ("file:///C:/docs/a%20b.fm", FromPath("C:\\docs\\a b.fm", 0));
    EXPECT_EQ("file:///C:/100%25%23.fm", FromPath("C:\\100%#.fm", 0));
    EXPECT_EQ("file:////server/share/x.fm", FromPath("\\\\server\\share\\x.fm", 0));
    EXPECT_EQ("file:///home/u/a%231.fm", FromPath("/home/u/a#1.fm", 2));
    EXPECT_EQ("file:///HD/my%20docs/a.fm", FromPath("HD:my docs:a.fm", 3));
    EXPECT_EQ("(null)", FromPath(nullptr, 0));
}

TEST(UrlToPath, SlashCountsTellSharesRootsAndDrives) {
    EXPECT_EQ("C:\\docs\\a b.fm", ToPath("file:///C:/docs/a%20b.fm", 0));
    EXPECT_EQ("C:\\x", ToPath("file:/C:/x", 0));
    EXPECT_EQ("c:\\x", ToPath("file:////c:/x", 0)); // slashes before a drive go
    EXPECT_EQ("\\\\server\\share\\x.fm", ToPath("file:////server/share/x.fm", 0));
    EXPECT_EQ("\\\\server\\share\\x.fm", ToPath("file://server/share/x.fm", 0));
    EXPECT_EQ("\\home\\u\\a.fm", ToPath("file:///home/u/a.fm", 0));
    EXPECT_EQ("/home/u/a.fm", ToPath("file:///home/u/a.fm", 2));
    EXPECT_EQ("HD:my docs:a.fm", ToPath("file:///HD/my%20docs/a.fm", 3));
    // Escapes are decoded before the slashes become separators.
    EXPECT_EQ("C:\\a\\b.fm", ToPath("file:///C:/a%2Fb.fm", 0));
    EXPECT_EQ("/a/b.fm", ToPath("file:///a%2Fb.fm", 2));
    EXPECT_EQ("docs\\a\\b.fm", Take(UrlSlashesToPath("docs/a%2Fb.fm")));
}

// A rooted native path keeps one slash after the empty authority: with the
// extra slash that other paths get, "\\root\\x" would come back as the
// share "\\\\root\\x", another file on another machine.
TEST(UrlFileConversions, ARootedNativePathDoesNotComeBackAsAShare) {
    EXPECT_EQ("file:///root/x", FromPath("\\root\\x", 0));
    EXPECT_EQ("\\root\\x", ToPath(FromPath("\\root\\x", 0).c_str(), 0));
    EXPECT_EQ("\\\\root\\x", ToPath("file:////root/x", 0)); // four slashes are a share
}

// A colon path begins with its volume; one that begins with ':' is relative
// to the current folder (see UrlPathToSlashes). A rooted URL therefore gives
// "home:a", never ":home:a", and an absolute colon path comes back as itself.
TEST(UrlFileConversions, AColonPathFromARootedUrlStartsWithItsVolume) {
    EXPECT_EQ("home:a", ToPath("file:///home/a", 3));
    EXPECT_EQ("home/a", ToSlashes(":home:a", 3)); // what ":home:a" would name
    EXPECT_EQ("HD:docs:a.fm", ToPath(FromPath("HD:docs:a.fm", 3).c_str(), 3));
}

// Only a leading ':' (a relative colon path) is dropped; a first character
// that is part of a name stays: "a:b" is a, then b, not "../b".
TEST(UrlPathToSlashes, TheFirstNameOfAColonPathIsKept) {
    EXPECT_EQ("a/b", ToSlashes("a:b", 3));
    EXPECT_EQ("a/b", ToSlashes(":a:b", 3));
    EXPECT_EQ("../a", ToSlashes("::a", 3));
}

TEST(UrlToPath, RefusesWhatIsNotAnAbsoluteFileUrl) {
    for (const char* url : {"http://example.com/a.fm", "ftp://h/a", "FILE:///C:/a", "C:\\a.fm", "",
                            "file:docs/a.fm", "file:"}) {
        EXPECT_EQ("(null)", ToPath(url, 0)) << url;
    }
    EXPECT_EQ("(null)", ToPath("file://server/share", 2)); // a share is no slash path
    EXPECT_EQ("(null)", ToPath("file:///HD", 3));        // no ':' after the first character
    EXPECT_EQ("(null)", ToPath("file:///C:/a", 1));      // token form has no URL
    EXPECT_EQ("(null)", ToPath(nullptr, 0));
}

TEST(UrlFileConversions, RoundTripNativePaths) {
    for (const char* path : {"C:\\docs\\a.fm", "C:\\my docs\\100% #1 {x}~.fm", "\\\\srv\\sh\\dir\\a b.fm",
                             "D:\\\xE9t\xE9\\r\xE9sum\xE9.fm", "\\root\\a.fm"}) {
        std::string url = FromPath(path, 0);
        EXPECT_EQ(0u, url.find("file://")) << path;
        EXPECT_EQ(std::string::npos, url.find(' ')) << url;
        EXPECT_EQ(path, ToPath(url.c_str(), 0)) << url;
    }
    EXPECT_EQ("/a b/c", ToPath(FromPath("/a b/c", 2).c_str(), 2));
    EXPECT_EQ("Disk:a b:c", ToPath(FromPath("Disk:a b:c", 3).c_str(), 3));
}

TEST(UrlFileConversions, DoubleByteNameWhoseSecondByteIsABackslash) {
    unsigned saved = EncCurrent;
    ASSERT_EQ(static_cast<unsigned>(EncShiftJis), EncSelect("JISX0208.ShiftJIS"));
    // 0x95 0x5C is one character; its second byte is no separator.
    const char* path = "C:\\\x95\x5C\\a.fm";
    EXPECT_EQ("file:///C:/\x95%5C/a.fm", FromPath(path, 0));
    EXPECT_EQ(path, ToPath(FromPath(path, 0).c_str(), 0));
    EXPECT_EQ("\x95%5C/a.fm", ToSlashes("\x95\x5C\\a.fm", 0));
    EXPECT_EQ("\x95\x5C", ToSlashes("\x95\x5C", 0)); // no separator at all
    EncCurrent = saved;
}

TEST(UrlPathToSlashes, RelativePathsBothWays) {
    EXPECT_EQ("docs/a%20b.fm", ToSlashes("docs\\a b.fm", 0));
    EXPECT_EQ("a b.fm", ToSlashes("a b.fm", 0)); // no separator: unchanged
    EXPECT_EQ("a b/c", ToSlashes("a b/c", 2));
    EXPECT_EQ("docs/a.fm", ToSlashes(":docs:a.fm", 3));
    EXPECT_EQ("../../a%20b.fm", ToSlashes(":::a b.fm", 3));
    EXPECT_EQ("(null)", ToSlashes(nullptr, 0));
    // And back, for a relative slash path.
    EXPECT_EQ("docs\\a b.fm", Take(UrlSlashesToPath("docs/a%20b.fm")));
    EXPECT_EQ("a%20b.fm", Take(UrlSlashesToPath("a%20b.fm"))); // no '/': copied
}

TEST(UrlFromAnyPath, AbsolutePathsGetUrlsOthersSlashes) {
    EXPECT_EQ("file:///C:/x%20y", FromAny("C:\\x y", 0));
    EXPECT_EQ("file:///root/x", FromAny("\\root\\x", 4));
    EXPECT_EQ("docs/x%20y", FromAny("docs\\x y", 0));
    EXPECT_EQ("docs/x%20y", Take(UrlFromAnyNativePath("docs\\x y")));
    EXPECT_EQ("file:///a%20b", FromAny("/a b", 2));
    EXPECT_EQ("a/b", FromAny("a/b", 2));
    EXPECT_EQ("file:///HD/a", FromAny("HD:a", 3));
    EXPECT_EQ("a%20b", FromAny(":a b", 3));
}

TEST(UrlIsAbsoluteFor, EachStyleHasItsOwnRule) {
    struct Case { const char* path; int style; int absolute; };
    for (Case c : {Case{"/x", 2, 1}, Case{"x/y", 2, 0}, Case{"\\x", 2, 0}, Case{"HD:x", 3, 1},
                   Case{":x", 3, 0}, Case{"x", 3, 0}, Case{"::x", 3, 1}, Case{"C:x", 0, 1},
                   Case{"\\x", 4, 1}, Case{"/x", 0, 1}, Case{"x\\y", 0, 0}, Case{"dctm://r/x", 0, 1},
                   Case{"<r><c>x", 1, 0}, Case{"/x", 5, 0}, Case{"", 3, 0}, Case{nullptr, 0, 0}})
        EXPECT_EQ(c.absolute, UrlIsAbsoluteFor(c.path, c.style)) << (c.path ? c.path : "null") << " " << c.style;
}

TEST(UrlFileConversions, NetworkAndDctmNamesAreOnlyCopied) {
    std::string folder = NetLibTestFolderMake();
    ASSERT_EQ(0, NetLibStandInEnable(folder.c_str()));
    for (const char* name : {"http://example.com/a%20b/c d.fm", "dctm://repo/a b"}) {
        EXPECT_EQ(name, FromPath(name, 0));
        EXPECT_EQ(name, ToPath(name, 0));
        EXPECT_EQ(name, ToSlashes(name, 0));
        EXPECT_EQ(name, FromAny(name, 2));
        EXPECT_EQ(name, Take(UrlSlashesToPath(name)));
    }
    NetLibStandInDisable();
    // Without the network library an "http:" name is no file URL.
    EXPECT_EQ("(null)", ToPath("http://example.com/a", 0));
    NetLibTestFolderRemove(folder);
}

} // namespace
