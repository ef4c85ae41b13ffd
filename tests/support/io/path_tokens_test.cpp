// The token form: reading it into native paths with its refusals, writing it
// from objects (also relative to another path), and the string styles.
#include <gtest/gtest.h>

#include <string>

#include "common/raised_exception.h"
#include "support/base/host_error.h"
#include "support/base/memory.h"
#include "support/io/path.h"

namespace {

// The native path of a token text, or "<-1>" for a refusal.
std::string Native(const std::string& tokens) {
    char out[PathBufferSize];
    out[0] = 'x';
    if (PathTokensToNative(tokens.c_str(), out) != 0) return out[0] == 0 ? "<-1>" : "<-1 but output kept>";
    return out;
}

std::string Tokens(const char* native, const char* other = nullptr) {
    PathObject* object = PathNewFromText(native);
    PathObject* relativeTo = other ? PathNewFromText(other) : nullptr;
    char* tokens = nullptr;
    int length = -1;
    std::string result = "<fail>";
    if (PathNativeToTokens(object, relativeTo, &tokens, &length) == 0) {
        result = tokens;
        EXPECT_EQ(length, static_cast<int>(result.size()));
    }
    MemFree(tokens);
    PathFree(relativeTo);
    PathFree(object);
    return result;
}

TEST(PathTokens, ReadsTokensIntoNativePaths) {
    EXPECT_EQ(Native("<v>C:<c>docs<c>a.fm"), "C:\\docs\\a.fm");
    EXPECT_EQ(Native("<r><c>tmp"), "\\tmp");
    EXPECT_EQ(Native("<v>C:<r><c>x"), "C:\\x"); // the first <r> after <v> adds nothing
    EXPECT_EQ(Native("<h>srv<c>x"), "\\srv\\x");
    EXPECT_EQ(Native("<c>a<u><c>b"), "a\\..\\b");
    EXPECT_EQ(Native("<q>skipped<c>a"), "a");
    EXPECT_EQ(Native("<c>a\\<b\\\\c"), "a<b\\c"); // escapes
    EXPECT_EQ(Native("<c>a<zz<c>b"), "a");        // reading stops at a non-token
    EXPECT_EQ(Native("<v>C:"), "C:");
}

TEST(PathTokens, ARootKeepsItsSeparatorAndNamesTheRoot) {
    // "C:" alone is the working directory on drive C, a different place from
    // its root: "<v>C:<r>", which is how the root is written, must give "C:\".
    EXPECT_EQ(Native("<v>C:<r>"), "C:\\");
    EXPECT_EQ(Tokens("C:\\"), "<v>C:<r>");
    PathObject* root = PathFromString("<v>C:<r>", nullptr, PathStyleTokens);
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->path, "C:\\");
    EXPECT_EQ(PathIsRoot(root->path), 1);
    PathObject* file = PathFromString("a.fm", root, PathStyleNative);
    ASSERT_NE(file, nullptr);
    EXPECT_STREQ(file->path, "C:\\a.fm");
    PathFree(file);
    PathFree(root);
    // The root without a drive is written "<r>" and read back as itself:
    // without its separator it would be no path at all, lost on the way back.
    EXPECT_EQ(Tokens("\\"), "<r>");
    EXPECT_EQ(Native("<r>"), "\\");
}

TEST(PathTokens, RefusesMisplacedTokensAndEmptyResults) {
    for (const char* bad : {"<c>a<r>", "<c>a<v>D:", "<c>a<h>srv", "<v>C:<r><r>", "<r><u>", "<h>s<u>", "",
                            "plain", "<q>only-unknown", "<c"})
        EXPECT_EQ(Native(bad), "<-1>") << bad;
    char out[PathBufferSize];
    EXPECT_EQ(PathTokensToNative(nullptr, out), -1);
    EXPECT_EQ(PathTokensToNative("<c>a", nullptr), -1);
}

TEST(PathTokens, BoundsOfTokenTextAndResult) {
    EXPECT_EQ(Native("<c>" + std::string(1023, 't')), std::string(1023, 't'));
    EXPECT_EQ(Native("<c>" + std::string(1024, 't')), "<-1>");
    // Escapes count once: 1023 '<' characters written as 2046 bytes fit.
    std::string escaped;
    for (int i = 0; i < 1023; ++i) escaped += "\\<";
    EXPECT_EQ(Native("<c>" + escaped), std::string(1023, '<'));

    std::string text;
    for (int i = 0; i < 4; ++i) text += "<c>" + std::string(1022, 'a' + i); // 4 * 1023 = 4092 bytes
    EXPECT_EQ(Native(text).size(), 4091u);
    EXPECT_EQ(Native(text + "<c>ab").size(), 4094u);
    EXPECT_EQ(Native(text + "<c>abcd"), "<-1>"); // would need 4097 bytes
}

TEST(PathTokens, WritesTokensFromObjects) {
    EXPECT_EQ(Tokens("C:\\docs\\a.fm"), "<v>C:<c>docs<c>a.fm");
    EXPECT_EQ(Tokens("\\tmp\\.\\x"), "<r><c>tmp<c>x");
    EXPECT_EQ(Tokens("..\\a<b"), "<u><c>a\\<b");
    EXPECT_EQ(Tokens("C:\\"), "<v>C:<r>");
    EXPECT_EQ(Tokens("C:/a/b"), "<v>C:<c>a<c>b");
    EXPECT_EQ(Tokens(""), "");
    // Relative to another path's directory, compared without case.
    EXPECT_EQ(Tokens("C:\\docs\\sub\\a.fm", "C:\\DOCS\\b.fm"), "<c>sub<c>a.fm");
    EXPECT_EQ(Tokens("C:\\docs\\sub\\a.fm", "C:\\docs\\x\\y.fm"), "<u><c>sub<c>a.fm");
    EXPECT_EQ(Tokens("C:\\docs\\a.fm", "D:\\docs\\b.fm"), "<v>C:<c>docs<c>a.fm"); // other drive: kept
}

TEST(PathTokens, RoundTripsThroughPathFromString) {
    for (const char* native : {"C:\\docs\\a.fm", "\\tmp\\x", "C:\\", "\\", "C:\\a<b\\c.fm"}) {
        PathObject* object = PathFromString(native, nullptr, PathStyleNative);
        ASSERT_NE(object, nullptr) << native;
        char* tokens = PathToString(object, PathStyleTokens);
        ASSERT_NE(tokens, nullptr);
        PathObject* back = PathFromString(tokens, nullptr, PathStyleTokens);
        ASSERT_NE(back, nullptr) << tokens;
        EXPECT_STREQ(back->path, native) << tokens;
        MemFree(tokens);
        PathFree(back);
        PathFree(object);
    }
}

TEST(PathTokens, MisuseAndFailuresOfTheWriter) {
    PathObject fake{};
    char* tokens = nullptr;
    int length = 0;
    EXPECT_EQ(PathNativeToTokens(&fake, nullptr, &tokens, &length), 1); // no magic
    EXPECT_EQ(PathNativeToTokens(nullptr, nullptr, &tokens, &length), 1);

    PathObject* file = PathResolveNewFile("C:\\a.fm", nullptr);
    ASSERT_NE(file, nullptr);
    EXPECT_RAISES(PathNativeToTokens(file, nullptr, &tokens, &length), FatalErrorCode);
    PathObject* plain = PathNewFromText("C:\\a.fm");
    EXPECT_RAISES(PathNativeToTokens(plain, nullptr, nullptr, &length), FatalErrorCode);

    MemFailAllocation(1);
    EXPECT_EQ(PathNativeToTokens(plain, nullptr, &tokens, &length), -1);
    EXPECT_EQ(tokens, nullptr);
    PathFree(plain);
    PathFree(file);
}

TEST(PathStrings, StylesInAndOut) {
    PathObject* object = PathFromString("C:\\docs\\a.fm", nullptr, PathStyleSlashes);
    ASSERT_NE(object, nullptr);
    char* slashes = PathToString(object, PathStyleSlashes);
    EXPECT_STREQ(slashes, "C:/docs/a.fm");
    char* native = PathToString(object, PathStyleNativeAlt);
    EXPECT_STREQ(native, "C:\\docs\\a.fm");
    MemFree(slashes);
    MemFree(native);

    HostErrorCode = 0;
    EXPECT_EQ(PathToString(object, PathStyleColons), nullptr);
    EXPECT_EQ(HostErrorCode, -43);
    HostErrorCode = 0;
    EXPECT_EQ(PathToString(nullptr, PathStyleNative), nullptr);
    EXPECT_EQ(HostErrorCode, -43);
    HostErrorCode = 0;

    EXPECT_EQ(PathFromString("a:b:c", nullptr, PathStyleColons), nullptr);
    EXPECT_EQ(PathFromString("", nullptr, PathStyleNative), nullptr);
    EXPECT_EQ(PathFromString(nullptr, nullptr, PathStyleNative), nullptr);
    EXPECT_EQ(PathFromString("<c>a<r>", nullptr, PathStyleTokens), nullptr);
    EXPECT_RAISES(PathFromString("a", nullptr, 5), FatalErrorCode);
    // No text is no path before the style is looked at.
    EXPECT_EQ(PathFromString(nullptr, nullptr, 7), nullptr);
    EXPECT_EQ(PathFromString("", nullptr, 7), nullptr);
    PathFree(object);
}

} // namespace
