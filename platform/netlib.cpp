// The NetLib stand-in: by default it claims no name, as a build without a
// network library may. In network mode (switched on by tests) it serves
// "http://" and "https://" names from a local folder: a "remote" tree that
// plays the server and a "cache" tree that holds the local copies, both laid
// out by scheme, host and path (see netlib.h).
#include "platform/netlib.h"

#include "platform/netlib_state.h"
#include "platform/win_names.h"

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

NetLibStandInState NetLibStandIn;

namespace {

NetLibStandInState& State = NetLibStandIn;

// Counts the call and answers whether it may go ahead; a failure a test
// asked for is used up here.
bool Enter(NetLibStandInOp op) {
    State.calls[op]++;
    if (State.failNext[op] != NetLibErrNone) {
        State.lastError = State.failNext[op];
        State.failNext[op] = NetLibErrNone;
        return false;
    }
    return true;
}

NetLibRet Fail(NetLibErr error) {
    State.lastError = error;
    return -1;
}

// The same, for the checks that answer whether a call may go on.
bool Refuse(NetLibErr error) {
    Fail(error);
    return false;
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool HasPrefixNoCase(const char* s, const char* prefix) {
    for (; *prefix; ++s, ++prefix)
        if (LowerAscii(*s) != *prefix) return false;
    return true;
}

// Length of "http://" or "https://" at the start of the name, else 0.
size_t NetPrefixLength(const char* name) {
    if (!State.enabled || !name) return 0;
    if (HasPrefixNoCase(name, "http://")) return 7;
    if (HasPrefixNoCase(name, "https://")) return 8;
    return 0;
}

int HexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// A URL taken apart: "<scheme>://<authority><path>[?query][#fragment]".
struct UrlParts {
    std::string scheme;    // lower case
    std::string authority; // lower case
    std::string path;      // "" or beginning with '/'
    std::string tail;      // query and fragment, as written
};

bool SplitUrl(const char* url, UrlParts* parts) {
    size_t prefix = NetPrefixLength(url);
    if (prefix == 0) return false;
    std::string text(url);
    parts->scheme.clear();
    for (size_t i = 0; text[i] != ':'; ++i) parts->scheme += LowerAscii(text[i]);
    size_t tailAt = text.find_first_of("?#", prefix);
    std::string body = text.substr(prefix, tailAt == std::string::npos ? std::string::npos : tailAt - prefix);
    parts->tail = tailAt == std::string::npos ? "" : text.substr(tailAt);
    size_t slash = body.find('/');
    parts->authority.clear();
    for (char c : body.substr(0, slash)) parts->authority += LowerAscii(c);
    parts->path = slash == std::string::npos ? "" : body.substr(slash);
    return true;
}

// Collapses runs of '/' and resolves "." and ".." segments; ".." above the
// root is dropped. A trailing '/' stays.
std::string NormalisePath(const std::string& path) {
    std::vector<std::string> kept;
    bool endsAsFolder = path.empty() || path.back() == '/';
    size_t i = 0;
    while (i < path.size()) {
        size_t next = path.find('/', i);
        if (next == std::string::npos) next = path.size();
        std::string segment = path.substr(i, next - i);
        bool last = next >= path.size();
        if (segment == "." || segment == "..") {
            if (segment == ".." && !kept.empty()) kept.pop_back();
            if (last) endsAsFolder = true;
        } else if (!segment.empty()) {
            kept.push_back(segment);
        }
        i = next + 1;
    }
    std::string out;
    for (const std::string& segment : kept) out += "/" + segment;
    if (endsAsFolder) out += "/";
    return out;
}

std::string JoinUrl(const UrlParts& parts) {
    return parts.scheme + "://" + parts.authority + parts.path + parts.tail;
}

// The folder-relative name "<scheme>/<host>/<path>" of a network name, with
// escapes decoded. Empty when the name cannot be mapped to a file.
std::string RelativeFileName(const char* url) {
    UrlParts parts;
    if (!SplitUrl(url, &parts) || !parts.tail.empty() || parts.authority.empty()) return "";
    if (parts.authority == "." || parts.authority == ".." ||
        parts.authority.find_first_of("\\:") != std::string::npos)
        return "";
    std::string out = parts.scheme + "/" + parts.authority;
    const std::string& path = parts.path;
    size_t i = 1;
    if (path.size() <= 1) return ""; // names the host itself, not a file
    while (i <= path.size()) {
        size_t next = path.find('/', i);
        if (next == std::string::npos) next = path.size();
        std::string segment;
        for (size_t k = i; k < next; ++k) {
            int high = k + 2 < next ? HexValue(path[k + 1]) : -1;
            int low = k + 2 < next ? HexValue(path[k + 2]) : -1;
            if (path[k] == '%' && high >= 0 && low >= 0 && (high | low) != 0) {
                segment += static_cast<char>(high * 16 + low);
                k += 2;
            } else {
                segment += path[k];
            }
        }
        if (segment.empty() || segment == "." || segment == ".." ||
            segment.find_first_of("/\\") != std::string::npos)
            return "";
        out += "/" + segment;
        i = next + 1;
    }
    return out;
}

fs::path LocalFile(const char* tree, const char* url) {
    std::string relative = RelativeFileName(url);
    if (relative.empty()) return fs::path();
    // On Windows the URL's '/' become '\\': the library splits names only there.
    return (State.folder / tree / relative).make_preferred();
}

// A local name of this system in the library's own (Windows) form, and back.
// Both mappings change a name's length by at most a few bytes.
std::string HostForm(const fs::path& local) {
    std::string text = fs::path(local).make_preferred().string();
    std::vector<char> out(text.size() + 16);
    if (PlatformLocalNameToWindows(text.c_str(), out.data(), static_cast<int>(out.size())) < 0) return "";
    return out.data();
}

fs::path LocalForm(const char* hostName) {
    std::vector<char> out(std::strlen(hostName) + 16);
    if (PlatformWindowsNameToLocal(hostName, out.data(), static_cast<int>(out.size())) < 0) return fs::path();
    return fs::path(out.data());
}

NetLibRet HandOut(const std::string& text, char** out) {
    char* copy = static_cast<char*>(std::malloc(text.size() + 1));
    if (!copy) return Fail(NetLibErrNoMemory);
    std::memcpy(copy, text.c_str(), text.size() + 1);
    State.liveStrings++;
    *out = copy;
    return 0;
}

NetLibRet HandOutHostForm(const fs::path& local, char** out) {
    std::string name = HostForm(local);
    if (name.empty()) return Fail(NetLibErrBadName);
    return HandOut(name, out);
}

bool CopyFileOver(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    if (!fs::is_regular_file(from, ec)) return false;
    fs::create_directories(to.parent_path(), ec);
    if (ec) return false;
    // GCC 12's library on Windows refuses overwrite_existing when the target
    // exists, so the old copy goes first.
    fs::remove(to, ec);
    return fs::copy_file(from, to, ec) && !ec;
}

// Checks shared by the operations that take a network name and give a string.
bool StartStringCall(NetLibStandInOp op, const char* name, char** out) {
    if (out) *out = nullptr;
    if (!Enter(op)) return false;
    if (!out) return Refuse(NetLibErrBadArgument);
    if (NetPrefixLength(name) == 0) return Refuse(NetLibErrNotNetFile);
    return true;
}

// Checks shared by the uploads; gives the network name's file in the remote
// tree and the local name of what goes there.
bool StartUpload(NetLibStandInOp op, const char* networkName, const char* secondName,
                 fs::path* remote, fs::path* source) {
    if (!Enter(op)) return false;
    if (NetPrefixLength(networkName) == 0) return Refuse(NetLibErrNotNetFile);
    if (!secondName || !*secondName) return Refuse(NetLibErrBadArgument);
    *remote = LocalFile("remote", networkName);
    if (remote->empty()) return Refuse(NetLibErrBadName);
    *source = LocalForm(secondName);
    return true;
}

NetLibRet CacheEntry(const char* name, char** out) {
    fs::path cache = LocalFile("cache", name);
    if (cache.empty()) return Fail(NetLibErrBadName);
    std::error_code ec;
    if (!fs::is_regular_file(cache, ec)) return Fail(NetLibErrNoCache);
    return HandOutHostForm(cache, out);
}

} // namespace

NetLibRet NetLibIsNetFile(const char* name) {
    if (!Enter(NetLibOpIsNetFile)) return -1;
    return NetPrefixLength(name) ? 0 : Fail(NetLibErrNotNetFile);
}

NetLibRet NetLibStat(const char* name, uint32_t flags) {
    State.lastFlags = flags;
    if (!Enter(NetLibOpStat)) return -1;
    if (NetPrefixLength(name) == 0) return Fail(NetLibErrNotNetFile);
    fs::path remote = LocalFile("remote", name);
    if (remote.empty()) return Fail(NetLibErrBadName);
    std::error_code ec;
    return fs::exists(remote, ec) ? 0 : Fail(NetLibErrNotFound);
}

NetLibRet NetLibOpen(const char* name, uint32_t flags, char** localPath) {
    State.lastFlags = flags;
    if (!StartStringCall(NetLibOpOpen, name, localPath)) return -1;
    fs::path remote = LocalFile("remote", name);
    fs::path cache = LocalFile("cache", name);
    if (remote.empty()) return Fail(NetLibErrBadName);
    std::error_code ec;
    if (!fs::is_regular_file(remote, ec)) return Fail(NetLibErrNotFound);
    if (!CopyFileOver(remote, cache)) return Fail(NetLibErrIo);
    return HandOutHostForm(cache, localPath);
}

NetLibRet NetLibQueryCacheForPath(const char* name, char** localPath) {
    if (!StartStringCall(NetLibOpQueryCacheForPath, name, localPath)) return -1;
    return CacheEntry(name, localPath);
}

NetLibRet NetLibQueryCacheForURL(const char* url, char** localPath) {
    if (!StartStringCall(NetLibOpQueryCacheForURL, url, localPath)) return -1;
    return CacheEntry(url, localPath);
}

NetLibRet NetLibGetCacheFile(const char* name, char** localPath) {
    if (!StartStringCall(NetLibOpGetCacheFile, name, localPath)) return -1;
    fs::path cache = LocalFile("cache", name);
    if (cache.empty()) return Fail(NetLibErrBadName);
    std::error_code ec;
    fs::create_directories(cache.parent_path(), ec);
    if (ec) return Fail(NetLibErrIo);
    return HandOutHostForm(cache, localPath);
}

NetLibRet NetLibSave(const char* name, uint32_t flags) {
    State.lastFlags = flags;
    if (!Enter(NetLibOpSave)) return -1;
    if (NetPrefixLength(name) == 0) return Fail(NetLibErrNotNetFile);
    fs::path remote = LocalFile("remote", name);
    fs::path cache = LocalFile("cache", name);
    if (remote.empty()) return Fail(NetLibErrBadName);
    std::error_code ec;
    if (!fs::is_regular_file(cache, ec)) return Fail(NetLibErrNoCache);
    return CopyFileOver(cache, remote) ? 0 : Fail(NetLibErrIo);
}

NetLibRet NetLibPut(const char* networkName, const char* secondName) {
    fs::path remote, source;
    if (!StartUpload(NetLibOpPut, networkName, secondName, &remote, &source)) return -1;
    std::error_code ec;
    if (!fs::is_regular_file(source, ec)) return Fail(NetLibErrNotFound);
    return CopyFileOver(source, remote) ? 0 : Fail(NetLibErrIo);
}

NetLibRet NetLibUploadFolder(const char* networkName, const char* secondName) {
    fs::path remote, source;
    if (!StartUpload(NetLibOpUploadFolder, networkName, secondName, &remote, &source)) return -1;
    std::error_code ec;
    if (!fs::is_directory(source, ec)) return Fail(NetLibErrNotFound);
    fs::create_directories(remote, ec);
    if (ec) return Fail(NetLibErrIo);
    // File by file through CopyFileOver: fs::copy's overwriting fails on Windows.
    for (fs::recursive_directory_iterator it(source, ec), end; !ec && it != end; it.increment(ec)) {
        fs::path target = remote / fs::relative(it->path(), source, ec);
        if (ec) break;
        if (it->is_directory(ec))
            fs::create_directories(target, ec);
        else if (!CopyFileOver(it->path(), target))
            return Fail(NetLibErrIo);
    }
    return ec ? Fail(NetLibErrIo) : 0;
}

NetLibRet NetLibGetAbsoluteURL(const char* base, const char* relative, char** url) {
    if (!StartStringCall(NetLibOpGetAbsoluteURL, base, url)) return -1;
    if (!relative) return Fail(NetLibErrBadArgument);
    UrlParts parts;
    SplitUrl(base, &parts);
    // A relative part with a scheme of its own is already absolute.
    size_t i = 0;
    while (std::isalpha(static_cast<unsigned char>(relative[i]))) ++i;
    if (i > 0 && std::strncmp(relative + i, "://", 3) == 0) {
        UrlParts own;
        if (!SplitUrl(relative, &own)) return HandOut(relative, url);
        own.path = NormalisePath(own.path);
        return HandOut(JoinUrl(own), url);
    }
    std::string rel(relative);
    size_t tailAt = rel.find_first_of("?#");
    std::string tail = tailAt == std::string::npos ? "" : rel.substr(tailAt);
    rel = rel.substr(0, tailAt);
    if (rel.compare(0, 2, "//") == 0) {
        // A network-path reference keeps only the base's scheme.
        std::string joined = parts.scheme + ":" + rel + tail;
        UrlParts own;
        if (!SplitUrl(joined.c_str(), &own)) return Fail(NetLibErrBadName);
        own.path = NormalisePath(own.path);
        return HandOut(JoinUrl(own), url);
    }
    std::string path;
    if (!rel.empty() && rel[0] == '/') {
        path = rel;
    } else {
        size_t lastSlash = parts.path.rfind('/');
        path = (lastSlash == std::string::npos ? "/" : parts.path.substr(0, lastSlash + 1)) + rel;
    }
    parts.path = NormalisePath(path);
    parts.tail = rel.empty() && tail.empty() ? parts.tail : tail;
    return HandOut(JoinUrl(parts), url);
}

NetLibRet NetLibGetRelativeURL(const char* referenceUrl, const char* url, char** relativeUrl) {
    if (!StartStringCall(NetLibOpGetRelativeURL, referenceUrl, relativeUrl)) return -1;
    UrlParts from;
    UrlParts to;
    SplitUrl(referenceUrl, &from);
    if (!SplitUrl(url, &to)) return Fail(NetLibErrNotNetFile);
    to.path = NormalisePath(to.path);
    if (from.scheme != to.scheme || from.authority != to.authority) return HandOut(JoinUrl(to), relativeUrl);
    std::string fromPath = NormalisePath(from.path);
    // The reference's folder: everything up to its last '/'.
    std::string folder = fromPath.substr(0, fromPath.rfind('/') + 1);
    size_t common = 0;
    for (size_t i = 0; i < folder.size() && i < to.path.size() && folder[i] == to.path[i]; ++i)
        if (folder[i] == '/') common = i + 1;
    std::string out;
    for (size_t i = common; i < folder.size(); ++i)
        if (folder[i] == '/') out += "../";
    out += to.path.substr(common);
    if (out.empty()) out = "./";
    return HandOut(out + to.tail, relativeUrl);
}

NetLibRet NetLibCleanURL(const char* url, char** cleanUrl) {
    if (!StartStringCall(NetLibOpCleanURL, url, cleanUrl)) return -1;
    UrlParts parts;
    SplitUrl(url, &parts);
    parts.path = NormalisePath(parts.path);
    return HandOut(JoinUrl(parts), cleanUrl);
}

void NetLibFree(void* pointer) {
    if (!pointer) return;
    State.liveStrings--;
    std::free(pointer);
}

NetLibErr NetLibGetLastError() { return State.lastError; }


std::filesystem::path NetLibStandInLocalFile(const char* tree, const char* url) { return LocalFile(tree, url); }
