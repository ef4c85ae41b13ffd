// What paragraphs, dimensions and marker types of MIF documents mean to the
// host: <Char ...> keywords as FrameRoman codes, 16.16 metrics, and the
// marker types FrameMaker documents always have.
#include "hostsim/mif/mif_source.h"

#include "hostsim/mif/mif_text.h"
#include "hostsim/sim_text.h"

#include <cmath>
#include <cstring>

const char MifSourceKind = 0;

const std::vector<std::pair<ObjId, int32_t>>& MifAnchorsRead(const MifSource& src, ObjId para) {
    static const std::vector<std::pair<ObjId, int32_t>> none;
    auto it = src.anchorsRead.find(para);
    return it == src.anchorsRead.end() ? none : it->second;
}

namespace {

// <Char ...> keywords and their FrameRoman codes. Those below 0x20 are
// written back as <Char ...>; the others are ordinary characters of a string.
const struct {
    const char* keyword;
    unsigned char code;
} CharKeywords[] = {
    {"Tab", 0x08},        {"HardReturn", 0x09}, {"HardSpace", 0x11}, {"DiscHyphen", 0x04},
    {"NoHyphen", 0x05},   {"HardHyphen", 0x15}, {"NumberSpace", 0x10}, {"ThinSpace", 0x12},
    {"EnSpace", 0x13},    {"EmSpace", 0x14},    {"Cent", 0xA2},      {"Pound", 0xA3},
    {"Yen", 0xB4},        {"EnDash", 0xD0},     {"EmDash", 0xD1},    {"Dagger", 0xA0},
    {"DoubleDagger", 0xE0}, {"Bullet", 0xA5},    {"SoftHyphen", 0x04},
};

const char* const StandardTypes[] = {"Header/Footer $1", "Header/Footer $2", "Index", "Comment",
                                     "Subject", "Author", "Glossary", "Equation", "Hypertext",
                                     "Cross-Ref", "Conditional Text"};

} // namespace

std::string MifCharText(const std::string& keyword) {
    for (const auto& k : CharKeywords)
        if (keyword == k.keyword) return MifFrameRomanChar(k.code);
    return std::string();
}

std::string MifItemText(const MifNode& item, const std::map<std::string, std::string>& variables) {
    if (item.args.empty() && item.token != "Variable") return std::string();
    if (item.token == "String") return item.args[0].kind == MifString ? item.args[0].text : std::string();
    if (item.token == "Char") return MifCharText(item.args[0].text);
    if (item.token == "Variable") {
        auto it = variables.find(MifFindText(item, "VariableName"));
        return it == variables.end() ? std::string() : it->second;
    }
    return std::string();
}

bool MifIsAnchor(const MifNode& item) {
    return item.token == "Marker" || item.token == "ATbl" || item.token == "AFrame" || item.token == "FNote";
}

int32_t MifItemPositions(const MifNode& item, const std::map<std::string, std::string>& variables) {
    if (MifIsAnchor(item)) return 1;
    return SimCharCount(MifItemText(item, variables));
}

std::map<std::string, std::string> MifVariableTexts(const MifNode& catalog) {
    std::map<std::string, std::string> out;
    for (const MifNode& f : catalog.children) {
        if (f.token != "VariableFormat") continue;
        std::string def = MifFindText(f, "VariableDef"), text;
        // Building blocks and character formats are written <...> in the definition.
        for (size_t i = 0; i < def.size(); ++i) {
            size_t close = def[i] == '<' ? def.find('>', i) : std::string::npos;
            if (close != std::string::npos) {
                i = close;
                continue;
            }
            text += def[i];
        }
        out.emplace(MifFindText(f, "VariableName"), text);
    }
    return out;
}

const char* MifCharKeyword(const std::string& utf8Char) {
    for (const auto& k : CharKeywords)
        if (k.code < 0x20 && MifFrameRomanChar(k.code) == utf8Char) return k.keyword;
    return nullptr;
}

Metric MifPointsToMetric(double points) {
    double m = std::round(points * (double)MetricOnePoint);
    if (m > 2147483647.0) m = 2147483647.0;
    if (m < -2147483648.0) m = -2147483648.0;
    return (Metric)m;
}

MifAtom MifMetricAtom(Metric value) { return MifNumberAtom(value / (double)MetricOnePoint, "pt"); }

bool MifStandardMarkerType(const std::string& name) {
    for (const char* t : StandardTypes)
        if (name == t) return true;
    return name.compare(0, 5, "Type ") == 0;
}

std::string MifMarkerTypeOfNumber(int number) {
    if (number >= 0 && number < (int)(sizeof StandardTypes / sizeof *StandardTypes)) return StandardTypes[number];
    return "Type " + std::to_string(number);
}
