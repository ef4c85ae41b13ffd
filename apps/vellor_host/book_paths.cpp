// Finding a book's documents: the name as the book gives it (after
// --path-map), the same with .mif, the base name with .mif in the book's
// folder; what the run says about each, and the store's table of names and
// the files they stand for. A name is never taken relative to the book's
// folder or the working folder: a drive this machine does not have (on
// Linux, any but Z:) is reached through --path-map or the book's folder only.
#include "apps/vellor_host/book_paths.h"

#include "apps/vellor_host/host_session.h"
#include "hostsim/mif/mif_reader.h"

#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// The case-folded character at s[*i], moving *i past it; a byte that is not
// UTF-8 stands for itself.
UChar32 FoldedAt(const std::string& s, int32_t* i) {
    int32_t start = *i;
    UChar32 c;
    U8_NEXT(reinterpret_cast<const uint8_t*>(s.data()), *i, static_cast<int32_t>(s.size()), c);
    if (c < 0) return 0x110000 + static_cast<uint8_t>(s[start]);
    return static_cast<UChar32>(u_foldCase(c, U_FOLD_CASE_DEFAULT));
}

// How much of `name` is the folder `folder`, letter case aside as Windows
// compares names; 0 when `name` is not in it.
size_t InFolder(const std::string& name, const std::string& folder) {
    int32_t i = 0, j = 0, n = static_cast<int32_t>(name.size()), m = static_cast<int32_t>(folder.size());
    while (j < m)
        if (i >= n || FoldedAt(name, &i) != FoldedAt(folder, &j)) return 0;
    return i == n || name[static_cast<size_t>(i)] == '\\' ? static_cast<size_t>(i) : 0;
}

// A --path-map FROM as the host writes names: backslashes, none at the end.
std::string WindowsFolder(std::string from) {
    std::replace(from.begin(), from.end(), '/', '\\');
    while (from.size() > 2 && from.back() == '\\') from.pop_back();
    return from;
}

// The local path --path-map makes of `name`: the longest FROM that holds it
// gives way to its TO. "" when none does.
std::string MappedPath(const std::vector<HostPathMap>& maps, const std::string& name) {
    size_t best = 0;
    const HostPathMap* use = nullptr;
    for (const HostPathMap& m : maps) {
        size_t n = InFolder(name, WindowsFolder(m.from));
        if (n > best) best = n, use = &m;
    }
    if (!use) return "";
    std::error_code ec;
    fs::path local = fs::absolute(use->to, ec);
    for (size_t i = best; i < name.size();) {
        size_t end = std::min(name.find('\\', i), name.size());
        if (end > i) local /= name.substr(i, end - i);
        i = end + 1;
    }
    return local.lexically_normal().string();
}

// The local path of a full Windows-form name, "" for one this machine has
// no place for: never relative to anything. Elsewhere than on Windows that
// is every drive but Z:, and every share ("//server/share" would be a folder
// of the root, not the share).
std::string LocalOf(const std::string& name) {
#ifndef _WIN32
    if (name.compare(0, 2, "\\\\") == 0) return "";
#endif
    std::string local = LocalName(name);
    return fs::path(local).is_absolute() ? local : "";
}

std::string LastElement(const std::string& name) {
    size_t cut = name.find_last_of("\\:");
    return cut == std::string::npos ? name : name.substr(cut + 1);
}

std::string WithMif(const std::string& path) {
    return fs::path(path).replace_extension(".mif").string();
}

bool IsFile(const std::string& path) {
    std::error_code ec;
    return !path.empty() && fs::is_regular_file(path, ec);
}

bool IsBinaryFrameMaker(const std::string& path) {
    char start[16];
    std::ifstream in(path, std::ios::binary);
    in.read(start, sizeof start);
    return !MifBinaryFileMessage(start, static_cast<size_t>(in.gcount()), "").empty();
}

// The places looked in for `name`, one per step ("" where a step has none).
std::vector<std::string> Places(const std::vector<HostPathMap>& maps, const std::string& bookLocal,
                                const std::string& name, std::string* mapped) {
    *mapped = MappedPath(maps, name);
    std::string named = mapped->empty() ? LocalOf(name) : *mapped;
    std::error_code ec;
    fs::path bookFolder = fs::absolute(bookLocal, ec).lexically_normal().parent_path();
    return {named, named.empty() ? "" : WithMif(named), (bookFolder / WithMif(LastElement(name))).string()};
}

// Identifies a file however it is reached (links, letter case, "..").
std::string FileKey(const std::string& path) {
#ifndef _WIN32
    struct stat st;
    if (::stat(path.c_str(), &st) == 0) return std::to_string(st.st_dev) + ":" + std::to_string(st.st_ino);
#endif
    // Windows gives no file numbers through stat: the full name, in one case.
    std::error_code ec;
    std::string key = fs::weakly_canonical(path, ec).string();
#ifdef _WIN32
    std::transform(key.begin(), key.end(), key.begin(), [](unsigned char c) { return std::tolower(c); });
#endif
    return key;
}

// The error for a name found nowhere: the name as Windows shows it, and
// every other place looked in.
std::string MissingText(const std::string& bookName, const std::string& name, const std::vector<std::string>& places,
                        const std::string& mapped) {
    std::string text = DocTitle(bookName) + " names " + ShownName(name) + ": no such file here";
    std::vector<std::string> others;
    if (!mapped.empty()) others.push_back(mapped + " (where --path-map puts it)");
    if (!places[1].empty() && places[1] != places[0]) others.push_back(places[1]);
    if (places[2] != places[0] && places[2] != places[1]) others.push_back(places[2] + " (in the book's folder)");
    for (size_t i = 0; i < others.size(); ++i) text += (i ? ", nor " : "; nor ") + others[i];
    return text + "; nothing was written";
}

// How to say where a name of another machine is on this one.
std::string PathMapHint(const std::string& name) {
    std::string folder = name.substr(0, name.find_last_of('\\'));
    std::replace(folder.begin(), folder.end(), '\\', '/');
    std::string base = LastElement(name);
    return "hint: a book saved on another machine names its documents by the paths they had there. Say which "
           "folder here stands for theirs with --path-map, e.g. --path-map \"" + folder + "=FOLDER\" (FOLDER "
           "holding " + base + " or " + WithMif(base) + "), or put " + WithMif(base) + " beside the book";
}

// Whether `name` is on another drive or host than the book: named as the
// machine that saved the book saw it.
bool ElsewhereThanBook(const std::string& name, const std::string& bookName) {
    auto root = [](const std::string& n) {
        std::string r = n.substr(0, 2);
        std::transform(r.begin(), r.end(), r.begin(), [](unsigned char c) { return std::tolower(c); });
        return r;
    };
    return root(name) != root(bookName);
}

} // namespace

BookPathFound FindBookDocument(const std::vector<HostPathMap>& maps, const std::string& bookLocal,
                               const std::string& name) {
    BookPathFound found, binary;
    std::vector<std::string> places = Places(maps, bookLocal, name, &found.mapped);
    for (int step = BookPathAsNamed; step <= BookPathInBookFolder; ++step) {
        const std::string& path = places[static_cast<size_t>(step)];
        if (!IsFile(path)) continue;
        if (!IsBinaryFrameMaker(path)) {
            found.step = static_cast<BookPathStep>(step);
            found.file = path;
            return found;
        }
        if (binary.step == BookPathMissing) binary = {static_cast<BookPathStep>(step), path, ""};
    }
    found.step = binary.step;
    found.file = binary.file;
    return found;
}

std::string ShownName(const std::string& windowsName) {
    std::string local = LocalOf(windowsName);
    return local.empty() ? windowsName : local;
}

bool FindBookDocuments(HostRun& run, const std::string& bookName, const SimDoc& book,
                       std::vector<std::string>* names) {
    BookDocuments(book, book.components, names);
    std::string bookLocal = LocalName(bookName), title = DocTitle(bookName);
    std::map<std::string, std::string> nameOfFile;
    std::set<std::string> seen;
    std::vector<std::string> notes;
    bool ok = true, hinted = false;
    for (const std::string& name : *names) {
        if (!seen.insert(name).second) continue; // named twice: one document, walked twice
        BookPathFound f = FindBookDocument(run.o.pathMaps, bookLocal, name);
        if (f.step == BookPathMissing) {
            std::string mapped;
            std::string text = MissingText(bookName, name, Places(run.o.pathMaps, bookLocal, name, &mapped), mapped);
            bool elsewhere = ElsewhereThanBook(name, bookName);
            if (elsewhere && !hinted) text += "\n" + PathMapHint(name);
            hinted |= elsewhere;
            ReportError(run.r, text);
            ok = false;
            continue;
        }
        auto [at, fresh] = nameOfFile.emplace(FileKey(f.file), name);
        if (!fresh) {
            ReportError(run.r, title + " names both " + ShownName(at->second) + " and " + ShownName(name) +
                                   ", which are one file here, " + f.file + ": the plug-in would read and save "
                                   "it as two documents. Remove one of them from the book; nothing was written");
            ok = false;
            continue;
        }
        std::string note = title + " names " + ShownName(name) + "; using " + f.file;
        if (f.step == BookPathAsMif) notes.push_back(note + ", the MIF file beside it");
        else if (f.step == BookPathInBookFolder) notes.push_back(note + ", found in the book's folder");
        else if (!f.mapped.empty()) ReportVerbose(run.r, note + " (--path-map)");
        std::string file = HostWindowsName(f.file);
        if (file != name) run.tap.files[name] = file;
    }
    // Which file stands for a name matters only to a run that goes on.
    for (const std::string& note : notes)
        if (ok) ReportNote(run.r, note);
    return ok;
}
