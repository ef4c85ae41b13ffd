// vellor-setup: the edits that install.cmd and uninstall.cmd leave to a
// program, because cmd.exe cannot make them reliably: listing the plug-in in
// the [APIClients] section of FrameMaker's maker.ini, taking it out again, and
// telling whether two files hold the same bytes.
//
//   vellor-setup add-client MAKER_INI NAME VALUE   lists NAME=VALUE in [APIClients]
//   vellor-setup remove-client MAKER_INI NAME      takes NAME's lines out of [APIClients]
//   vellor-setup same FILE1 FILE2                  exit 0 when alike, 1 when not
//
// Exit status 0 when done (or when nothing needed doing), 2 with a message on
// failure; maker.ini is then left as it was. Everything else in maker.ini -
// other sections, other clients, comments, blank lines, the line ends (CR LF
// or LF), a last line without one, a UTF-16 file - stays byte for byte. Before
// its first change the file is copied to MAKER_INI.bak, once.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <optional>
#include <string>
#include <type_traits>
#include <vector>

namespace fs = std::filesystem;

namespace {

const char ClientSection[] = "APIClients";

// One line of the file: where its text starts and ends, and where the line end
// after it ("\r\n", "\n" or nothing on a last line) ends.
struct IniLine {
    size_t start, textEnd, end;
};

template <typename Text>
std::vector<IniLine> SplitLines(const Text& text) {
    std::vector<IniLine> lines;
    size_t at = 0;
    while (at < text.size()) {
        size_t newline = text.find(typename Text::value_type('\n'), at);
        size_t end = newline == Text::npos ? text.size() : newline + 1;
        size_t textEnd = newline == Text::npos ? text.size() : newline;
        if (textEnd > at && text[textEnd - 1] == '\r') --textEnd;
        lines.push_back({at, textEnd, end});
        at = end;
    }
    return lines;
}

template <typename Text>
Text Widen(const std::string& ascii) {
    return Text(ascii.begin(), ascii.end());
}

// Lower-case ASCII copy of a line's text without its outer blanks.
template <typename Text>
std::string Folded(const Text& text, size_t from, size_t to) {
    while (from < to && (text[from] == ' ' || text[from] == '\t')) ++from;
    while (to > from && (text[to - 1] == ' ' || text[to - 1] == '\t')) --to;
    std::string folded;
    for (size_t i = from; i < to; ++i) {
        using Unit = std::make_unsigned_t<typename Text::value_type>;
        uint32_t c = static_cast<Unit>(text[i]);
        if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
        folded += static_cast<char>(c < 0x80 ? c : 0x80); // only ASCII names are looked for
    }
    return folded;
}

std::string Lower(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Where a line's text starts: past the byte order mark on the first line
// (U+FEFF in UTF-16, EF BB BF in UTF-8).
template <typename Text>
size_t TextStart(const Text& text, const IniLine& line) {
    if (line.start != 0) return line.start;
    if constexpr (sizeof(typename Text::value_type) == 2) {
        return !text.empty() && text[0] == 0xFEFF ? 1 : 0;
    } else {
        return text.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    }
}

// The section a header line opens ("" for any other line), folded.
template <typename Text>
std::optional<std::string> SectionOf(const Text& text, const IniLine& line) {
    std::string s = Folded(text, TextStart(text, line), line.textEnd);
    if (s.size() < 2 || s.front() != '[') return std::nullopt;
    size_t close = s.find(']');
    if (close == std::string::npos) return std::nullopt;
    return Folded(s, 1, close);
}

// The key a "key=value" line sets, folded; "" for comments and other lines.
template <typename Text>
std::string KeyOf(const Text& text, const IniLine& line) {
    std::string s = Folded(text, TextStart(text, line), line.textEnd);
    if (s.empty() || s[0] == ';' || s[0] == '#') return "";
    size_t equals = s.find('=');
    return equals == std::string::npos ? "" : Folded(s, 0, equals);
}

// The lines of the client section: its header's index and the first index
// past its last line; nullopt when the file has no such section.
struct SectionSpan {
    size_t header, end;
};

template <typename Text>
std::optional<SectionSpan> FindClientSection(const Text& text, const std::vector<IniLine>& lines) {
    const std::string wanted = Lower(ClientSection);
    for (size_t i = 0; i < lines.size(); ++i) {
        if (SectionOf(text, lines[i]) != wanted) continue;
        size_t end = i + 1;
        while (end < lines.size() && !SectionOf(text, lines[end])) ++end;
        return SectionSpan{i, end};
    }
    return std::nullopt;
}

// The line end new lines get: that of the line they follow, else the file's
// own, else CR LF as FrameMaker writes on Windows.
template <typename Text>
Text LineEnd(const Text& text, const IniLine* after) {
    if (after && after->end > after->textEnd) return text.substr(after->textEnd, after->end - after->textEnd);
    size_t newline = text.find(typename Text::value_type('\n'));
    if (newline != Text::npos && (newline == 0 || text[newline - 1] != '\r')) return Widen<Text>("\n");
    return Widen<Text>("\r\n");
}

// Puts `entry` on a line of its own after `after` (the file's start when null).
template <typename Text>
void InsertLineAfter(Text& text, const IniLine* after, const Text& entry) {
    Text eol = LineEnd(text, after);
    if (!after) {
        text.insert(0, entry + eol);
    } else if (after->end == after->textEnd) { // a last line without its line end
        text.insert(after->end, eol + entry);
    } else {
        text.insert(after->end, entry + eol);
    }
}

enum class Outcome { Unchanged, Added, Replaced, SectionAdded, Removed, Absent };

// Lists name=value once in the client section, adding the section at the end
// when the file has none. An earlier line for the same client is replaced.
template <typename Text>
Outcome AddClient(Text& text, const std::string& name, const std::string& value) {
    const Text entry = Widen<Text>(name + "=" + value);
    std::vector<IniLine> lines = SplitLines(text);
    std::optional<SectionSpan> section = FindClientSection(text, lines);
    if (!section) {
        Text eol = LineEnd(text, static_cast<const IniLine*>(nullptr));
        if (!text.empty() && lines.back().end == lines.back().textEnd) text += eol;
        if (!text.empty() && lines.back().textEnd > lines.back().start) text += eol;
        text += Widen<Text>(std::string("[") + ClientSection + "]") + eol + entry + eol;
        return Outcome::SectionAdded;
    }
    for (size_t i = section->header + 1; i < section->end; ++i) {
        if (KeyOf(text, lines[i]) != Lower(name)) continue;
        if (text.compare(lines[i].start, lines[i].textEnd - lines[i].start, entry) == 0) return Outcome::Unchanged;
        text.replace(lines[i].start, lines[i].textEnd - lines[i].start, entry);
        return Outcome::Replaced;
    }
    // After the section's last line that is not blank, so that the blank
    // lines before the next section stay where they are.
    size_t last = section->header;
    for (size_t i = section->header + 1; i < section->end; ++i)
        if (!Folded(text, lines[i].start, lines[i].textEnd).empty()) last = i;
    InsertLineAfter(text, &lines[last], entry);
    return Outcome::Added;
}

// Takes every line for the client out of the client section, line end and
// all; a last line without a line end takes the line end before it along,
// so that an add and a remove give back the file as it was.
template <typename Text>
Outcome RemoveClient(Text& text, const std::string& name) {
    Outcome outcome = Outcome::Absent;
    for (;;) { // one line a round: each removal moves the lines after it
        std::vector<IniLine> lines = SplitLines(text);
        std::optional<SectionSpan> section = FindClientSection(text, lines);
        if (!section) return outcome;
        size_t found = 0;
        for (size_t i = section->header + 1; i < section->end; ++i)
            if (KeyOf(text, lines[i]) == Lower(name)) found = i;
        if (found == 0) return outcome;
        size_t from = lines[found].start;
        if (lines[found].end == lines[found].textEnd) from = lines[found - 1].textEnd;
        text.erase(from, lines[found].end - from);
        outcome = Outcome::Removed;
    }
}

// ---- Files ------------------------------------------------------------------

// A name for messages, whatever characters it holds.
std::string Shown(const fs::path& file) {
    std::u8string name = file.u8string();
    return std::string(name.begin(), name.end());
}

bool ReadBytes(const fs::path& file, std::string& bytes) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    return !in.bad();
}

// Writes through a temporary name beside the target and one rename, so that
// a failed write leaves the old file whole.
bool ReplaceBytes(const fs::path& file, const std::string& bytes, std::string& error) {
    fs::path temporary = file;
    temporary += ".vellor-new";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        if (out) out.close();
        if (!out) {
            std::error_code ignored;
            fs::remove(temporary, ignored);
            error = "cannot write beside it";
            return false;
        }
    }
    std::error_code ec;
    fs::rename(temporary, file, ec);
    if (ec) {
        fs::remove(temporary, ec);
        error = "cannot replace it";
        return false;
    }
    return true;
}

bool IsUtf16(const std::string& bytes) {
    return bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
           static_cast<unsigned char>(bytes[1]) == 0xFE;
}

std::u16string FromUtf16(const std::string& bytes) {
    std::u16string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2)
        text += static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                      static_cast<unsigned char>(bytes[i + 1]) << 8);
    return text;
}

std::string ToUtf16(const std::u16string& text, const std::string& original) {
    std::string bytes;
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    if (original.size() % 2) bytes += original.back(); // an odd last byte stays
    return bytes;
}

// Runs an edit on maker.ini's text in the file's own encoding (UTF-16 with
// its byte order mark, else bytes as they are).
template <typename Edit>
Outcome EditText(std::string& bytes, Edit edit) {
    if (!IsUtf16(bytes)) return edit(bytes);
    std::u16string text = FromUtf16(bytes);
    Outcome outcome = edit(text);
    bytes = ToUtf16(text, bytes);
    return outcome;
}

const char* Describe(Outcome outcome) {
    switch (outcome) {
    case Outcome::Unchanged: return "already lists %s in [APIClients]; left as it was";
    case Outcome::Added: return "%s added to [APIClients]";
    case Outcome::Replaced: return "%s's line in [APIClients] brought up to date";
    case Outcome::SectionAdded: return "[APIClients] added, listing %s";
    case Outcome::Removed: return "%s taken out of [APIClients]";
    case Outcome::Absent: return "does not list %s in [APIClients]; left as it was";
    }
    return "";
}

template <typename Edit>
int EditMakerIni(const fs::path& ini, const std::string& name, Edit edit) {
    std::string bytes;
    if (!fs::is_regular_file(ini) || !ReadBytes(ini, bytes)) {
        std::cerr << "vellor-setup: cannot read " << Shown(ini) << "\n";
        return 2;
    }
    const std::string original = bytes;
    Outcome outcome = EditText(bytes, edit);
    if (bytes != original) {
        fs::path backup = ini;
        backup += ".bak";
        std::string error;
        if (!fs::exists(backup) && !ReplaceBytes(backup, original, error)) {
            std::cerr << "vellor-setup: cannot keep a copy of " << Shown(ini) << " as " << Shown(backup)
                      << ": " << error << "; maker.ini left as it was\n";
            return 2;
        }
        if (!ReplaceBytes(ini, bytes, error)) {
            std::cerr << "vellor-setup: " << Shown(ini) << ": " << error << "; left as it was\n";
            return 2;
        }
    }
    std::printf("%s: ", Shown(ini).c_str());
    std::printf(Describe(outcome), name.c_str());
    std::printf("\n");
    return 0;
}

int SameFiles(const fs::path& a, const fs::path& b) {
    std::string left, right;
    if (!fs::is_regular_file(a) || !fs::is_regular_file(b) || !ReadBytes(a, left) || !ReadBytes(b, right))
        return 1;
    return left == right ? 0 : 1;
}

// Names and values are ASCII: the client's name and its path inside the
// FrameMaker folder, which install.cmd chooses. "" for anything else.
std::string Ascii(const fs::path& arg) {
    const auto& native = arg.native();
    using Unit = std::make_unsigned_t<fs::path::value_type>;
    bool ascii = std::all_of(native.begin(), native.end(), [](auto c) {
        return static_cast<Unit>(c) > 0 && static_cast<Unit>(c) < 0x7F;
    });
    return ascii ? std::string(native.begin(), native.end()) : std::string();
}

int Usage() {
    std::cerr << "usage: vellor-setup add-client MAKER_INI NAME VALUE\n"
                 "       vellor-setup remove-client MAKER_INI NAME\n"
                 "       vellor-setup same FILE1 FILE2\n";
    return 2;
}

int Run(const std::vector<fs::path>& args) {
    if (args.empty()) return Usage();
    const std::string command = Ascii(args[0]);
    if (command == "same" && args.size() == 3) return SameFiles(args[1], args[2]);
    const std::string name = args.size() > 2 ? Ascii(args[2]) : "";
    if (name.empty() || name.find('=') != std::string::npos) return Usage();
    if (command == "add-client" && args.size() == 4) {
        std::string value = Ascii(args[3]);
        if (value.empty()) return Usage();
        return EditMakerIni(args[1], name, [&](auto& text) { return AddClient(text, name, value); });
    }
    if (command == "remove-client" && args.size() == 3) {
        return EditMakerIni(args[1], name, [&](auto& text) { return RemoveClient(text, name); });
    }
    return Usage();
}

} // namespace

// Arguments come as UTF-16 on Windows, so that a FrameMaker folder whose name
// the ANSI code page cannot spell still reaches the file system whole.
#ifdef _WIN32
int wmain(int argc, wchar_t** argv) {
#else
int main(int argc, char** argv) {
#endif
    std::vector<fs::path> args(argv + 1, argv + argc);
    return Run(args);
}
