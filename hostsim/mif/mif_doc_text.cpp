// What paragraphs, dimensions and marker types of MIF documents mean to the
// host: <Char ...> keywords as FrameRoman codes, the text and tag of a
// paragraph statement, 16.16 metrics, and the marker types FrameMaker
// documents always have.
#include "hostsim/mif/mif_source.h"

#include "hostsim/mif/mif_text.h"
#include "hostsim/sim_text.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <new>

const char MifSourceKind = 0;

const std::vector<std::pair<ObjId, int32_t>>& MifAnchorsRead(const MifSource& src, ObjId para) {
    static const std::vector<std::pair<ObjId, int32_t>> none;
    auto it = src.anchorsRead.find(para);
    return it == src.anchorsRead.end() ? none : it->second.objects;
}

const std::vector<int32_t>& MifOtherAnchorsRead(const MifSource& src, ObjId para) {
    static const std::vector<int32_t> none;
    auto it = src.anchorsRead.find(para);
    return it == src.anchorsRead.end() ? none : it->second.others;
}

namespace {

// Where `text`, noted as read, stands (MifSource::ParaRead): in the file's
// bytes when it is a view of them, else where it is (`stays`: the tree),
// else copied. Places are 32 bits: a file is far smaller, and more views or
// copies than they can count are out of memory.
uint32_t PlaceOf(MifSource& src, std::string_view text, bool stays, MifSource::ParaPlace* in) {
    const std::string* source = src.file.source.get();
    if (source && source->size() <= UINT32_MAX && text.size() <= source->size()) {
        uintptr_t from = reinterpret_cast<uintptr_t>(source->data()), at = reinterpret_cast<uintptr_t>(text.data());
        if (at >= from && at - from <= source->size() - text.size()) {
            *in = MifSource::InSource;
            return uint32_t(at - from);
        }
    }
    if (stays) {
        if (src.parasViews.size() >= UINT32_MAX) throw std::bad_alloc();
        *in = MifSource::InViews;
        src.parasViews.push_back(text.data());
        return uint32_t(src.parasViews.size() - 1);
    }
    if (src.parasText.size() + text.size() > UINT32_MAX) throw std::bad_alloc();
    *in = MifSource::InText;
    size_t at = src.parasText.size();
    src.parasText += text;
    return uint32_t(at);
}

std::string_view TextAt(const MifSource& src, MifSource::ParaPlace in, uint32_t at, uint32_t size) {
    switch (in) {
    case MifSource::InSource: return std::string_view(src.file.source->data() + at, size);
    case MifSource::InViews: return std::string_view(src.parasViews[at], size);
    case MifSource::InText: break;
    }
    return std::string_view(src.parasText.data() + at, size);
}

} // namespace

bool MifParaRead(const MifSource& src, ObjId para, MifParaAsRead* out) {
    if (para >= src.parasRead.size() || !src.parasRead[para].read) return false;
    const MifSource::ParaRead& r = src.parasRead[para];
    out->node = src.objectOf.StatementOf(para);
    out->text = TextAt(src, r.textIn, r.textAt, r.textSize);
    out->tag = TextAt(src, r.tagIn, r.tagAt, r.tagSize);
    out->indent = r.indent;
    return out->node != nullptr;
}

void MifNoteParaRead(MifSource& src, ObjId para, const SimObject& p, std::string_view tag,
                     const std::string_view* text) {
    if (src.parasRead.size() <= para) {
        // One record for every id: an eighth more room at a time, as the
        // ids come nearly one after the other.
        if (src.parasRead.capacity() <= para) src.parasRead.reserve(para + 1 + para / 8);
        src.parasRead.resize(para + 1);
    }
    MifSource::ParaRead& r = src.parasRead[para];
    r = MifSource::ParaRead{};
    r.tagAt = PlaceOf(src, tag, true, &r.tagIn);
    r.tagSize = uint32_t(tag.size());
    // A text built of several items is the object's own, which may change.
    std::string_view whole = text ? *text : std::string_view(p.text);
    r.textAt = PlaceOf(src, whole, text != nullptr, &r.textIn);
    r.textSize = uint32_t(whole.size());
    r.indent = p.indent;
    r.read = true;
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

std::string MifCharText(std::string_view keyword) {
    for (const auto& k : CharKeywords)
        if (keyword == k.keyword) return MifFrameRomanChar(k.code);
    return std::string();
}

namespace {

// The string or keyword value of the first child with the token, where it
// stands; "" for none (what MifFindText gives, without a copy).
template <size_t N> std::string_view TextOf(const MifNode& node, const char (&token)[N]) {
    return MifStatementText(MifChild(node, token));
}

} // namespace

std::string_view MifStatementText(const MifNode* statement) {
    const MifAtom* a = statement && !statement->args.empty() ? &statement->args[0] : nullptr;
    return a && (a->kind == MifString || a->kind == MifKeyword) ? a->text.view() : std::string_view();
}

std::string_view MifItemTextRef(const MifNode& item, const MifVariables& variables, std::string& scratch) {
    if (MifIs(item, "String"))
        return !item.args.empty() && item.args[0].kind == MifString ? item.args[0].text.view() : std::string_view();
    if (MifIs(item, "Char"))
        return item.args.empty() ? std::string_view() : std::string_view(scratch = MifCharText(item.args[0].text.view()));
    if (MifIs(item, "Variable")) {
        auto it = variables.find(TextOf(item, "VariableName"));
        return it == variables.end() ? std::string_view() : std::string_view(it->second);
    }
    return std::string_view();
}

std::string MifItemText(const MifNode& item, const MifVariables& variables) {
    std::string scratch;
    return std::string(MifItemTextRef(item, variables, scratch));
}

bool MifIsAnchor(const MifNode& item) {
    return MifIs(item, "Marker") || MifIs(item, "ATbl") || MifIs(item, "AFrame") || MifIs(item, "FNote");
}

int32_t MifItemPositions(const MifNode& item, const MifVariables& variables) {
    if (MifIsAnchor(item)) return 1;
    return SimCharCount(MifItemText(item, variables));
}

MifVariables MifVariableTexts(const MifNode& catalog) {
    MifVariables out;
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
