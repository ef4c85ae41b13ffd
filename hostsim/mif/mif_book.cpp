// MIF books: components in book order, with this host's folders and groups
// as nested statements, and FrameMaker's device-independent file names
// relative to the book's folder: a drive (`<v>O:`) or a share (`<h>server`)
// starts a name of its own, which the book's folder has no part in.
#include "hostsim/mif/mif_document.h"
#include "hostsim/mif/mif_source.h"

#include <algorithm>
#include <cctype>
#include <memory>

namespace {

struct Drive {
    std::string drive;              // "Z:", "\\server" (a share's host) or "" (a name without one)
    std::vector<std::string> parts; // folders below its root (for a share, the share first)
};

Drive SplitFolder(const std::string& folder) {
    Drive d;
    std::string rest = folder;
    if (rest.size() >= 2 && rest[1] == ':') {
        d.drive = rest.substr(0, 2);
        rest = rest.substr(2);
    } else if (rest.compare(0, 2, "\\\\") == 0) {
        size_t end = std::min(rest.find('\\', 2), rest.size());
        d.drive = rest.substr(0, end);
        rest = rest.substr(end);
    }
    size_t i = 0;
    while (i <= rest.size()) {
        size_t j = rest.find('\\', i);
        if (j == std::string::npos) j = rest.size();
        if (j > i) d.parts.push_back(rest.substr(i, j - i));
        i = j + 1;
    }
    return d;
}

std::string Join(const Drive& d) {
    std::string out = d.drive;
    for (const std::string& p : d.parts) out += "\\" + p;
    return out.empty() ? "\\" : out;
}

std::string FolderOf(const std::string& name) {
    size_t slash = name.find_last_of('\\');
    return slash == std::string::npos ? std::string() : name.substr(0, slash);
}

// Drive letters are one drive in either case, as are host names.
bool SameDrive(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
           });
}

int32_t IntArg(const MifNode& n, const char* token, int32_t fallback) {
    const MifAtom* a = MifFindArg(n, token);
    int32_t v;
    return a && MifIntValue(*a, &v) ? v : fallback;
}

void ReadComponents(SimDoc& book, MifSource& src, const std::string& folder, const MifNodes& nodes,
                    ObjId parent) {
    for (const MifNode& n : nodes) {
        int32_t type;
        std::string name;
        if (n.token == "BookComponent") {
            type = IntArg(n, "ComponentType", SimComponentDocument);
            name = MifResolveBookName(folder, MifFindText(n, "FileName"));
        } else if (n.token == "BookFolder") {
            type = SimComponentFolder;
            name = MifFindText(n, "FolderName");
        } else if (n.token == "BookGroup") {
            type = SimComponentGroup;
            name = MifFindText(n, "GroupName");
        } else {
            continue;
        }
        ObjId c = SimNewObject(book, SimObjComponent);
        SimObject& comp = book.objects[c];
        comp.componentType = type;
        comp.name = name;
        comp.parent = parent;
        (parent ? book.objects[parent].children : book.components).push_back(c);
        src.objectOf.Set(&n, c);
        src.asRead[c] = book.objects[c];
        // A folder or group holds the components nested in it, whichever
        // statement it is: writing back places them again.
        if (type == SimComponentFolder || type == SimComponentGroup) ReadComponents(book, src, folder, n.children, c);
    }
}

bool IsComponent(const MifNode& n) {
    return n.token == "BookComponent" || n.token == "BookFolder" || n.token == "BookGroup";
}

MifNode WriteComponent(const SimDoc& book, const MifSource* src, const std::string& folder, ObjId c);

// The statements `read` with their components replaced, in order, by
// `components` as now: the nth component written takes the place of the nth
// one read, so that other statements among them keep their places; those
// beyond the read ones follow the last read one (or the end).
MifNodes PlaceComponents(const SimDoc& book, const MifSource* src, const std::string& folder,
                         const MifNodes& read, const std::vector<ObjId>& components) {
    MifNodes out;
    size_t slots = static_cast<size_t>(std::count_if(read.begin(), read.end(), IsComponent));
    size_t next = 0, seen = 0;
    auto writeRest = [&] {
        while (next < components.size()) out.push_back(WriteComponent(book, src, folder, components[next++]));
    };
    for (const MifNode& s : read) {
        if (!IsComponent(s)) {
            out.push_back(s);
            continue;
        }
        if (next < components.size()) out.push_back(WriteComponent(book, src, folder, components[next++]));
        if (++seen == slots) writeRest();
    }
    writeRest();
    return out;
}

MifNode WriteComponent(const SimDoc& book, const MifSource* src, const std::string& folder, ObjId c) {
    const SimObject& comp = *SimLocal(book, c);
    const MifNode* read = src ? src->objectOf.StatementOf(c) : nullptr;
    bool container = comp.componentType == SimComponentFolder || comp.componentType == SimComponentGroup;
    MifNode n;
    if (read) {
        n = *read;
        const SimObject& was = src->asRead.at(c);
        if (comp.name != was.name) {
            const char* token = n.token == "BookFolder" ? "FolderName"
                                : n.token == "BookGroup" ? "GroupName" : "FileName";
            MifSetChildArg(n, token, MifStringAtom(n.token == "BookComponent" ? MifBookRelativeName(folder, comp.name)
                                                                               : comp.name.str()));
        }
    } else if (comp.componentType == SimComponentFolder) {
        n = MifStatement("BookFolder");
        n.children.push_back(MifStatement("FolderName", MifStringAtom(comp.name)));
    } else if (comp.componentType == SimComponentGroup) {
        n = MifStatement("BookGroup");
        n.children.push_back(MifStatement("GroupName", MifStringAtom(comp.name)));
    } else {
        n = MifStatement("BookComponent");
        n.children.push_back(MifStatement("FileName", MifStringAtom(MifBookRelativeName(folder, comp.name))));
        if (comp.componentType != SimComponentDocument)
            n.children.push_back(MifStatement("ComponentType", MifNumberAtom(comp.componentType)));
    }
    if (container || !comp.children.empty()) // nested components in the book's order now
        n.children = PlaceComponents(book, src, folder, n.children, comp.children);
    return n;
}

} // namespace

std::string MifResolveBookName(const std::string& bookFolder, const std::string& name) {
    if (name.find('<') == std::string::npos) { // a plain name: relative unless it has a drive or root
        if ((name.size() >= 2 && name[1] == ':') || (!name.empty() && name[0] == '\\')) return name;
        return bookFolder.empty() ? name : bookFolder + "\\" + name;
    }
    Drive d = SplitFolder(bookFolder);
    size_t i = 0;
    while (i < name.size()) {
        size_t close = name[i] == '<' ? name.find('>', i) : std::string::npos;
        if (close == std::string::npos) { // text outside a code: part of the last component
            if (d.parts.empty()) d.parts.push_back("");
            d.parts.back() += name.substr(i);
            break;
        }
        std::string code = name.substr(i + 1, close - i - 1);
        size_t next = name.find('<', close + 1);
        std::string arg = name.substr(close + 1, next == std::string::npos ? std::string::npos : next - close - 1);
        if (code == "r") {
            d.parts.clear();
        } else if (code == "v") { // "O:", also seen as "O" or "O:\"
            while (!arg.empty() && (arg.back() == '\\' || arg.back() == '/')) arg.pop_back();
            d.drive = arg.empty() || arg.back() == ':' ? arg : arg + ":";
            d.parts.clear();
        } else if (code == "h") { // a share's host: "\\server", its share the next component
            d.drive = "\\\\" + arg.substr(std::min(arg.find_first_not_of("\\/"), arg.size()));
            d.parts.clear();
        } else if (code == "u") {
            if (!d.parts.empty()) d.parts.pop_back();
        } else if (code == "c") {
            d.parts.push_back(arg);
        }
        i = next == std::string::npos ? name.size() : next;
    }
    return Join(d);
}

std::string MifBookRelativeName(const std::string& bookFolder, const std::string& fullName) {
    Drive base = SplitFolder(bookFolder), target = SplitFolder(fullName);
    std::string out;
    size_t common = 0;
    if (!SameDrive(base.drive, target.drive)) { // written as FrameMaker writes a name on another drive or host
        if (target.drive.empty()) out = "<r>";
        else if (target.drive[0] == '\\') out = "<h>" + target.drive.substr(2);
        else out = "<v>" + target.drive;
    } else {
        while (common < base.parts.size() && common + 1 < target.parts.size() &&
               base.parts[common] == target.parts[common])
            ++common;
        for (size_t i = common; i < base.parts.size(); ++i) out += "<u>";
    }
    for (size_t i = common; i < target.parts.size(); ++i) out += "<c>" + target.parts[i];
    return out;
}

bool MifReadBook(MifFile file, const std::string& name, SimDoc* out) {
    auto src = std::make_shared<MifSource>();
    src->file = std::move(file);
    out->isBook = true;
    ReadComponents(*out, *src, FolderOf(name), src->file.statements, 0);
    src->objectOf.Seal();
    out->storeData = src;
    out->storeKind = &MifSourceKind;
    return true;
}

bool MifWriteBook(const SimDoc& book, const std::string& name, MifFile* out) {
    const MifSource* src = MifSourceOf(book);
    if (src && src->file.kind != MifBookFile) src = nullptr;
    std::string folder = FolderOf(name);
    *out = MifFile{};
    out->kind = MifBookFile;
    if (src) {
        out->version = src->file.version;
        out->utf8 = src->file.utf8;
        out->units = src->file.units;
        out->source = src->file.source;
        out->trailer = src->file.trailer;
    } else {
        out->version = "2015";
        out->statements.push_back(MifStatement("Book", MifNumberAtom(2015)));
    }
    MifNodes read = src ? src->file.statements : std::move(out->statements);
    out->statements = PlaceComponents(book, src, folder, read, book.components);
    return true;
}
