// Writing paragraphs back: an unchanged paragraph keeps its statement as
// read. One whose anchors alone changed keeps every statement in its place
// and gains or loses only the anchors. One whose text changed keeps its
// lines and what the host does not model (fonts, cross-references) and gets
// its text and anchors from the host. Text that stayed the same at the start
// and at the end is matched up, so statements between characters keep their
// places there; those inside the changed stretch move to its start.
#include "hostsim/mif_source.h"

#include "hostsim/sim_text.h"

#include <algorithm>
#include <set>

namespace {

using Anchors = std::vector<std::pair<ObjId, int32_t>>;

// The anchors of a paragraph now, in flow order. What each paragraph holds
// is gathered once for the whole document, not looked for paragraph by
// paragraph among all its anchors.
Anchors CurrentAnchors(MifWriteContext& ctx, ObjId para) {
    const SimDoc& doc = ctx.doc;
    if (!ctx.anchoredKnown) {
        for (ObjId m : doc.markers) ctx.anchored[SimLocal(doc, m)->anchorParagraph].push_back(m);
        for (ObjId t : doc.tables) ctx.anchored[SimLocal(doc, t)->anchorParagraph].push_back(t);
        ctx.anchoredKnown = true;
    }
    auto found = ctx.anchored.find(para);
    if (found == ctx.anchored.end()) return Anchors();
    std::vector<ObjId> ids = found->second;
    std::stable_sort(ids.begin(), ids.end(), [&](ObjId a, ObjId b) {
        const SimObject *x = SimLocal(doc, a), *y = SimLocal(doc, b);
        if (x->anchorOffset != y->anchorOffset) return x->anchorOffset < y->anchorOffset;
        return x->sequence < y->sequence;
    });
    Anchors out;
    for (ObjId id : ids) out.emplace_back(id, SimLocal(doc, id)->anchorOffset);
    return out;
}

Anchors ById(Anchors a) {
    std::sort(a.begin(), a.end());
    return a;
}

std::vector<std::string> Chars(const std::string& utf8) {
    std::vector<std::string> out;
    size_t i = 0;
    while (i < utf8.size()) {
        size_t n = 1;
        while (i + n < utf8.size() && ((unsigned char)utf8[i + n] & 0xC0) == 0x80) ++n;
        out.push_back(utf8.substr(i, n));
        i += n;
    }
    return out;
}

// Text as <String> and <Char> statements.
void AppendText(std::vector<MifNode>& out, const std::vector<std::string>& chars, int32_t from, int32_t to) {
    std::string run;
    auto flush = [&] {
        if (!run.empty()) out.push_back(MifStatement("String", MifStringAtom(run)));
        run.clear();
    };
    for (int32_t i = from; i < to; ++i) {
        if (const char* k = MifCharKeyword(chars[(size_t)i])) {
            flush();
            out.push_back(MifStatement("Char", MifKeywordAtom(k)));
        } else {
            run += chars[(size_t)i];
        }
    }
    flush();
}

int32_t TableNumber(MifWriteContext& ctx, ObjId table) {
    auto it = ctx.tableIds.find(table);
    if (it != ctx.tableIds.end()) return it->second;
    return ctx.tableIds[table] = ctx.nextId++;
}

MifNode AnchorNode(MifWriteContext& ctx, ObjId id, const MifNode* read) {
    const SimObject* o = SimLocal(ctx.doc, id);
    if (o->kind == SimObjTable) {
        if (read) return *read;
        return MifStatement("ATbl", MifNumberAtom(TableNumber(ctx, id)));
    }
    if (!read) return MifNewMarker(ctx.doc, id);
    MifNode node = *read;
    auto was = ctx.src ? ctx.src->asRead.find(id) : std::map<ObjId, SimObject>::const_iterator();
    if (ctx.src && was != ctx.src->asRead.end()) {
        if (was->second.text != o->text) MifSetChildArg(node, "MText", MifStringAtom(o->text));
        if (was->second.markerType != o->markerType) {
            const SimObject* type = SimLocal(ctx.doc, o->markerType);
            MifSetChildArg(node, "MTypeName", MifStringAtom(type ? type->name : ""));
            auto& c = node.children; // a type number would contradict the name
            c.erase(std::remove_if(c.begin(), c.end(), [](const MifNode& n) { return n.token == "MType"; }),
                    c.end());
        }
    }
    return node;
}

bool MarkersUnchanged(const MifWriteContext& ctx, const Anchors& anchors) {
    for (const auto& [id, offset] : anchors) {
        const SimObject* o = SimLocal(ctx.doc, id);
        auto was = ctx.src->asRead.find(id);
        if (o->kind == SimObjMarker &&
            (was == ctx.src->asRead.end() || was->second.text != o->text || was->second.markerType != o->markerType))
            return false;
    }
    return true;
}

void NoteRects(const MifNode& para, int32_t* rectInEffect) {
    for (const MifNode& line : para.children)
        if (line.token == "ParaLine")
            for (const MifNode& item : line.children) {
                int32_t v;
                if (item.token == "TextRectID" && !item.args.empty() && MifIntValue(item.args[0], &v))
                    *rectInEffect = v;
            }
}

void PatchTagAndIndent(MifWriteContext& ctx, const SimObject& p, const SimObject& was, MifNode& node) {
    if (p.name != was.name) MifSetChildArg(node, "PgfTag", MifStringAtom(p.name));
    if (p.indent != was.indent) {
        MifNode* own = MifFind(node, "Pgf");
        if (!own) {
            node.children.insert(node.children.begin(), MifStatement("Pgf"));
            own = &node.children.front();
        }
        MifSetChildArg(*own, "PgfLIndent", MifMetricAtom(p.indent));
    }
    (void)ctx;
}

struct Event {
    int32_t offset;
    int group; // 0: as read (in their order), 1: anchors the session added
    size_t order;
    MifNode node;
};

MifNode Rebuild(MifWriteContext& ctx, ObjId para, const MifNode& read, const Anchors& now) {
    const SimObject& p = *SimLocal(ctx.doc, para);
    const SimObject& was = ctx.src->asRead.at(para);
    std::vector<std::string> oldChars = Chars(was.text), chars = Chars(p.text);
    int32_t oldLen = (int32_t)oldChars.size(), newLen = (int32_t)chars.size();
    int32_t prefix = 0, suffix = 0, shorter = std::min(oldLen, newLen);
    while (prefix < shorter && oldChars[(size_t)prefix] == chars[(size_t)prefix]) ++prefix;
    while (suffix < shorter - prefix &&
           oldChars[(size_t)(oldLen - 1 - suffix)] == chars[(size_t)(newLen - 1 - suffix)])
        ++suffix;
    auto map = [&](int32_t o) {
        if (o <= prefix) return o;
        if (o >= oldLen - suffix) return o + newLen - oldLen;
        return prefix;
    };

    std::map<ObjId, int32_t> anchoredNow(now.begin(), now.end());
    struct Line {
        const MifNode* node;
        int32_t start;
        std::vector<Event> events;
    };
    std::vector<Line> lines;
    std::map<ObjId, std::pair<size_t, Event>> kept; // anchor -> line and its event
    size_t order = 0;
    int32_t offset = 0;
    for (const MifNode& line : read.children) {
        if (line.token != "ParaLine") continue;
        lines.push_back(Line{&line, map(offset), {}});
        for (const MifNode& item : line.children) {
            std::string text = MifItemText(item, ctx.src->variableText);
            if (!text.empty()) {
                offset += SimCharCount(text);
            } else if (item.token == "Marker" || item.token == "ATbl") {
                auto obj = ctx.src->objectOf.find(&item);
                if (obj == ctx.src->objectOf.end()) {
                    lines.back().events.push_back(Event{map(offset), 0, order++, item});
                    continue;
                }
                auto at = anchoredNow.find(obj->second);
                if (at == anchoredNow.end()) continue; // no longer anchored here
                kept.emplace(obj->second, std::make_pair(lines.size() - 1,
                                                         Event{at->second, 0, order++, AnchorNode(ctx, obj->second, &item)}));
            } else {
                lines.back().events.push_back(Event{map(offset), 0, order++, item});
            }
        }
    }
    if (lines.empty()) lines.push_back(Line{nullptr, 0, {}});
    auto lineOf = [&](int32_t at, size_t from) {
        size_t i = std::min(from, lines.size() - 1);
        while (i > 0 && at < lines[i].start) --i;
        while (i + 1 < lines.size() && at > lines[i + 1].start) ++i;
        return i;
    };
    size_t added = 0;
    for (const auto& [id, at] : now) {
        auto k = kept.find(id);
        if (k != kept.end()) {
            lines[lineOf(at, k->second.first)].events.push_back(std::move(k->second.second));
        } else {
            size_t i = lineOf(at, lines.size() - 1);
            while (i > 0 && lines[i].start > at) --i;
            lines[i].events.push_back(Event{at, 1, added++, AnchorNode(ctx, id, nullptr)});
        }
    }

    std::vector<MifNode> newLines;
    for (size_t i = 0; i < lines.size(); ++i) {
        Line& line = lines[i];
        std::stable_sort(line.events.begin(), line.events.end(), [](const Event& a, const Event& b) {
            if (a.offset != b.offset) return a.offset < b.offset;
            if (a.group != b.group) return a.group < b.group;
            return a.order < b.order;
        });
        int32_t cursor = line.start, end = i + 1 < lines.size() ? lines[i + 1].start : newLen;
        MifNode out = line.node ? *line.node : MifStatement("ParaLine");
        out.children.clear();
        for (Event& e : line.events) {
            int32_t at = std::clamp(e.offset, cursor, std::max(cursor, end));
            AppendText(out.children, chars, cursor, at);
            out.children.push_back(std::move(e.node));
            cursor = at;
        }
        AppendText(out.children, chars, cursor, std::max(cursor, end));
        newLines.push_back(std::move(out));
    }

    MifNode node = read;
    std::vector<MifNode> children;
    size_t next = 0;
    for (MifNode& c : node.children) {
        if (c.token != "ParaLine") children.push_back(std::move(c));
        else if (next < newLines.size()) children.push_back(std::move(newLines[next++]));
    }
    for (; next < newLines.size(); ++next) children.push_back(std::move(newLines[next]));
    node.children = std::move(children);
    PatchTagAndIndent(ctx, p, was, node);
    return node;
}

bool IsAnchor(const MifNode& item) {
    return item.token == "Marker" || item.token == "ATbl" || item.token == "AFrame" || item.token == "FNote";
}

// The paragraph's text is as read; only its anchors changed. Every statement
// stays where it was; anchors taken away are left out, and anchors added (or
// moved) go in at their offsets: after what takes no position there (the
// line's TextRectID, font changes) and before what stands at that offset,
// anchors included, as FrameMaker inserts; a <String> they fall inside is
// cut in two.
MifNode PlaceAnchors(MifWriteContext& ctx, const MifNode& read, const Anchors& now) {
    const auto& variables = ctx.src->variableText;
    std::map<ObjId, int32_t> anchoredNow(now.begin(), now.end());
    auto readAnchor = [&](const MifNode& item) -> ObjId {
        if (item.token != "Marker" && item.token != "ATbl") return 0;
        auto it = ctx.src->objectOf.find(&item);
        return it == ctx.src->objectOf.end() ? 0 : it->second;
    };
    std::set<ObjId> kept;
    int32_t offset = 0;
    for (const MifNode& line : read.children)
        if (line.token == "ParaLine")
            for (const MifNode& item : line.children) {
                if (ObjId id = readAnchor(item)) {
                    auto at = anchoredNow.find(id);
                    if (at != anchoredNow.end() && at->second == offset) kept.insert(id);
                }
                offset += SimCharCount(MifItemText(item, variables));
            }
    Anchors adds;
    for (const auto& anchor : now)
        if (!kept.count(anchor.first)) adds.push_back(anchor);

    MifNode node = read;
    size_t next = 0;
    offset = 0;
    MifNode* lastLine = nullptr;
    for (MifNode& line : node.children) {
        if (line.token != "ParaLine") continue;
        std::vector<MifNode> items = std::move(line.children);
        line.children.clear();
        for (MifNode& item : items) {
            std::string text = MifItemText(item, variables);
            int32_t width = SimCharCount(text);
            // What begins text of its own (a variable, even one whose text the
            // host cannot know; a cross-reference; a text inset) comes after
            // an anchor added at its offset, like the text itself.
            bool positional = width > 0 || IsAnchor(item) || item.token == "Variable" || item.token == "XRef" ||
                              item.token == "TextInset";
            for (; next < adds.size() && (adds[next].second < offset || (adds[next].second == offset && positional));
                 ++next)
                line.children.push_back(AnchorNode(ctx, adds[next].first, nullptr));
            if (item.token == "String" && next < adds.size() && adds[next].second < offset + width) {
                std::vector<std::string> chars = Chars(text);
                int32_t cursor = 0;
                for (; next < adds.size() && adds[next].second < offset + width; ++next) {
                    AppendText(line.children, chars, cursor, adds[next].second - offset);
                    line.children.push_back(AnchorNode(ctx, adds[next].first, nullptr));
                    cursor = adds[next].second - offset;
                }
                AppendText(line.children, chars, cursor, width);
            } else if (ObjId id = readAnchor(item)) {
                if (kept.count(id)) line.children.push_back(AnchorNode(ctx, id, &item));
            } else {
                line.children.push_back(std::move(item));
            }
            offset += width;
        }
        lastLine = &line;
    }
    if (next < adds.size() && !lastLine) {
        node.children.push_back(MifStatement("ParaLine"));
        lastLine = &node.children.back();
    }
    for (; next < adds.size(); ++next) lastLine->children.push_back(AnchorNode(ctx, adds[next].first, nullptr));
    return node;
}

} // namespace

MifNode MifNewMarker(const SimDoc& doc, ObjId marker) {
    const SimObject* m = SimLocal(doc, marker);
    const SimObject* type = SimLocal(doc, m->markerType);
    MifNode node = MifStatement("Marker");
    node.children.push_back(MifStatement("MTypeName", MifStringAtom(type ? type->name : "")));
    node.children.push_back(MifStatement("MText", MifStringAtom(m->text)));
    return node;
}

MifNode MifWritePara(MifWriteContext& ctx, ObjId para, const MifNode* read, int32_t* rectInEffect) {
    const SimObject& p = *SimLocal(ctx.doc, para);
    Anchors now = CurrentAnchors(ctx, para);
    if (read && ctx.src && ctx.src->asRead.count(para)) {
        const SimObject& was = ctx.src->asRead.at(para);
        MifNode node;
        if (p.text == was.text && ById(now) == ById(ctx.src->anchorsRead.at(para)) && MarkersUnchanged(ctx, now)) {
            if (p.name == was.name && p.indent == was.indent) {
                if (rectInEffect) NoteRects(*read, rectInEffect);
                return MifRefTo(*read);
            }
            node = *read;
            PatchTagAndIndent(ctx, p, was, node);
        } else if (p.text == was.text) {
            node = PlaceAnchors(ctx, *read, now);
            PatchTagAndIndent(ctx, p, was, node);
        } else {
            node = Rebuild(ctx, para, *read, now);
        }
        if (rectInEffect) NoteRects(node, rectInEffect);
        return node;
    }

    MifNode node = MifStatement("Para");
    node.children.push_back(MifStatement("PgfTag", MifStringAtom(p.name)));
    ObjId format = SimNamed(ctx.doc, SimObjParagraphFormat, p.name);
    if (p.indent != (format ? SimLocal(ctx.doc, format)->indent : 0)) {
        MifNode own = MifStatement("Pgf");
        own.children.push_back(MifStatement("PgfLIndent", MifMetricAtom(p.indent)));
        node.children.insert(node.children.begin(), std::move(own));
    }
    MifNode line = MifStatement("ParaLine");
    if (rectInEffect) {
        auto rect = ctx.rectIds.find(p.parent);
        if (rect != ctx.rectIds.end() && rect->second != *rectInEffect) {
            line.children.push_back(MifStatement("TextRectID", MifNumberAtom(rect->second)));
            *rectInEffect = rect->second;
        }
    }
    std::vector<std::string> chars = Chars(p.text);
    int32_t cursor = 0, len = (int32_t)chars.size();
    for (const auto& [id, at] : now) {
        int32_t to = std::clamp(at, cursor, len);
        AppendText(line.children, chars, cursor, to);
        line.children.push_back(AnchorNode(ctx, id, nullptr));
        cursor = to;
    }
    AppendText(line.children, chars, cursor, len);
    if (line.children.empty()) line.children.push_back(MifStatement("String", MifStringAtom("")));
    node.children.push_back(std::move(line));
    return node;
}
