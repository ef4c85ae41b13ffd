// Writing paragraphs back: an unchanged paragraph keeps its statement as
// read. One whose anchors alone changed keeps every statement in its place
// and gains or loses only the anchors. One whose text changed keeps its
// lines and what the host does not model (fonts, cross-references) and gets
// its text and anchors from the host. Text that stayed the same at the start
// and at the end is matched up, so statements between characters keep their
// places there; those inside the changed stretch move to its start, but for
// anchors of frames and footnotes, whose positions the host keeps.
#include "hostsim/mif/mif_source.h"

#include "hostsim/sim_text.h"

#include <algorithm>
#include <cstdint>

namespace {

using Anchors = std::vector<std::pair<ObjId, int32_t>>;

// The anchors of a paragraph now, in text order, with their positions.
Anchors CurrentAnchors(const MifWriteContext& ctx, ObjId para) {
    Anchors out;
    for (ObjId id : SimParagraphAnchors(ctx.doc, para)) out.emplace_back(id, SimLocal(ctx.doc, id)->anchorOffset);
    return out;
}

// The positions of all anchors of a paragraph: those of `anchors` and those
// the host keeps no object for.
std::vector<int32_t> AllPositions(const SimObject& p, const Anchors& anchors) {
    std::vector<int32_t> positions = p.Extras().otherAnchors;
    for (const auto& anchor : anchors) positions.push_back(anchor.second);
    std::sort(positions.begin(), positions.end());
    return positions;
}

// The anchors at the index of the character they stand before, for
// writing them among the paragraph's characters (`p.text`).
Anchors AtCharacters(const SimObject& p, Anchors anchors) {
    std::vector<int32_t> positions = AllPositions(p, anchors);
    for (auto& anchor : anchors) anchor.second = SimTextIndex(positions, anchor.second);
    return anchors;
}

Anchors ById(Anchors a) {
    std::sort(a.begin(), a.end());
    return a;
}

// Whether a paragraph's markers and tables are those it was read with, at
// the same positions (most paragraphs have none either way).
bool SameAnchors(const Anchors& now, const Anchors& read) {
    return now.size() == read.size() && (now.empty() || ById(now) == ById(read));
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
void AppendText(MifNodes& out, const std::vector<std::string>& chars, int32_t from, int32_t to) {
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

MifNode AnchorNode(MifWriteContext& ctx, ObjId id, const MifNode* read) {
    const SimObject* o = SimLocal(ctx.doc, id);
    if (o->kind == SimObjTable) {
        if (read) return *read;
        return MifStatement("ATbl", MifNumberAtom(MifTableNumber(ctx, id)));
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

// The frame the last TextRectID of a paragraph names; false when it has none.
bool LastRect(const MifNode& para, int32_t* rect) {
    bool found = false;
    for (const MifNode& line : para.children)
        if (MifIs(line, "ParaLine"))
            for (const MifNode& item : line.children) {
                int32_t v;
                if (MifIs(item, "TextRectID") && !item.args.empty() && MifIntValue(item.args[0], &v)) {
                    *rect = v;
                    found = true;
                }
            }
    return found;
}

// A paragraph written anew: its TextRectID, if any, outdoes those before.
void NoteRects(const MifNode& para, MifRectTrail* trail) {
    if (LastRect(para, &trail->rect)) trail->unseen.clear();
}

// Looks into the paragraphs written as read, from the last back, for the
// frame they leave in effect.
void BringUpToDate(MifRectTrail* trail) {
    for (size_t i = trail->unseen.size(); i-- > 0;)
        if (LastRect(*trail->unseen[i], &trail->rect)) break;
    trail->unseen.clear();
}

void PatchTagAndIndent(MifWriteContext& ctx, const SimObject& p, const MifParaAsRead& was, MifNode& node) {
    if (p.name != was.tag) MifSetChildArg(node, "PgfTag", MifStringAtom(p.name));
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

// How the characters as read match those now: what stayed the same at the
// start and at the end keeps its place; the changed stretch between them
// begins at `prefix`.
struct TextMatch {
    int32_t prefix = 0, suffix = 0, oldLen = 0, newLen = 0;
    // Where an offset among the characters as read falls now.
    int32_t Map(int32_t o) const {
        if (o <= prefix) return o;
        if (o >= oldLen - suffix) return o + newLen - oldLen;
        return prefix;
    }
};

TextMatch MatchText(const std::vector<std::string>& oldChars, const std::vector<std::string>& chars) {
    TextMatch m;
    m.oldLen = (int32_t)oldChars.size();
    m.newLen = (int32_t)chars.size();
    int32_t shorter = std::min(m.oldLen, m.newLen);
    while (m.prefix < shorter && oldChars[(size_t)m.prefix] == chars[(size_t)m.prefix]) ++m.prefix;
    while (m.suffix < shorter - m.prefix &&
           oldChars[(size_t)(m.oldLen - 1 - m.suffix)] == chars[(size_t)(m.newLen - 1 - m.suffix)])
        ++m.suffix;
    return m;
}

struct Event {
    int32_t offset; // the character it stands before
    int group;      // 0: as read (in their order), 1: anchors the session added
    size_t order;
    MifNode node;
    int32_t position = -1; // an anchor's position in the paragraph now
};

// Where a paragraph's anchors stand now: before which character, and at
// which position.
struct Placement {
    int32_t character, position;
};
struct AnchorsNow {
    std::map<ObjId, Placement> objects; // markers and tables
    std::vector<Placement> others;      // anchors that are no object, in text order
};

AnchorsNow PlaceNow(const SimObject& p, const Anchors& now) {
    std::vector<int32_t> positions = AllPositions(p, now);
    AnchorsNow out;
    for (const auto& [id, at] : now) out.objects[id] = Placement{SimTextIndex(positions, at), at};
    for (int32_t at : p.Extras().otherAnchors) out.others.push_back(Placement{SimTextIndex(positions, at), at});
    return out;
}

struct Line {
    const MifNode* node;
    int32_t start;
    std::vector<Event> events;
};

struct RebuiltLines {
    std::vector<Line> lines;
    std::map<ObjId, std::pair<size_t, Event>> kept; // anchor -> the line it stood in, its event
    std::vector<std::pair<size_t, Event>> others;    // frames, footnotes: the same
    size_t order = 0;
};

// The lines as read, each with what stands between characters at its
// offset now; anchors still in the paragraph are set aside with the line
// they stood in.
void ReadLines(MifWriteContext& ctx, const MifNode& read, const TextMatch& match, const AnchorsNow& now,
               RebuiltLines& r) {
    const std::map<ObjId, Placement>& anchoredNow = now.objects;
    const std::vector<Placement>& others = now.others;
    int32_t offset = 0;
    size_t other = 0;
    for (const MifNode& line : read.children) {
        if (line.token != "ParaLine") continue;
        r.lines.push_back(Line{&line, match.Map(offset), {}});
        for (const MifNode& item : line.children) {
            std::string text = MifItemText(item, ctx.src->variableText);
            ObjId obj = ctx.src->objectOf.ObjectOf(&item);
            if (!text.empty()) {
                offset += SimCharCount(text);
            } else if ((item.token == "Marker" || item.token == "ATbl") && obj) {
                auto at = anchoredNow.find(obj);
                if (at == anchoredNow.end()) continue; // no longer anchored here
                r.kept.emplace(obj, std::make_pair(r.lines.size() - 1,
                                                   Event{at->second.character, 0, r.order++,
                                                         AnchorNode(ctx, obj, &item), at->second.position}));
            } else if (MifIsAnchor(item) && other < others.size()) {
                // The host knows where frames and footnotes stand now.
                const Placement& at = others[other++];
                r.others.emplace_back(r.lines.size() - 1, Event{at.character, 0, r.order++, item, at.position});
            } else {
                r.lines.back().events.push_back(Event{match.Map(offset), 0, r.order++, item});
            }
        }
    }
    if (r.lines.empty()) r.lines.push_back(Line{nullptr, 0, {}});
}

// Each anchor goes into a line its offset falls in: one as read (a frame or
// footnote too) as near the line it stood in as that allows, one added as
// near the anchor before it; and an anchor never into a line before that of
// an anchor it follows.
void PlaceInLines(MifWriteContext& ctx, const Anchors& now, const AnchorsNow& placed, RebuiltLines& r) {
    std::vector<Line>& lines = r.lines;
    auto lineOf = [&](int32_t at, size_t from) {
        size_t i = std::min(from, lines.size() - 1);
        while (i > 0 && at < lines[i].start) --i;
        while (i + 1 < lines.size() && at > lines[i + 1].start) ++i;
        return i;
    };
    const size_t Added = SIZE_MAX; // no line of its own
    std::vector<std::pair<size_t, Event>> anchors = std::move(r.others);
    size_t added = 0;
    for (const auto& [id, position] : now) {
        auto k = r.kept.find(id);
        if (k != r.kept.end())
            anchors.push_back(std::move(k->second));
        else
            anchors.emplace_back(Added, Event{placed.objects.at(id).character, 1, added++,
                                              AnchorNode(ctx, id, nullptr), position});
    }
    std::stable_sort(anchors.begin(), anchors.end(),
                     [](const auto& a, const auto& b) { return a.second.position < b.second.position; });
    size_t last = 0;
    for (auto& [line, event] : anchors) {
        last = std::max(last, lineOf(event.offset, line == Added ? last : line));
        lines[last].events.push_back(std::move(event));
    }
}

// Events by the character they stand before; at one character, what does
// not take a position as read, and the anchors among those in the order of
// their positions now.
void OrderEvents(std::vector<Event>& events) {
    std::stable_sort(events.begin(), events.end(), [](const Event& a, const Event& b) {
        if (a.offset != b.offset) return a.offset < b.offset;
        if (a.group != b.group) return a.group < b.group;
        return a.order < b.order;
    });
    for (size_t i = 0, j = 0; i < events.size(); i = j) {
        std::vector<size_t> slots;
        for (j = i; j < events.size() && events[j].offset == events[i].offset; ++j)
            if (events[j].position >= 0) slots.push_back(j);
        std::vector<Event> anchors;
        for (size_t k : slots) anchors.push_back(std::move(events[k]));
        std::stable_sort(anchors.begin(), anchors.end(),
                         [](const Event& a, const Event& b) { return a.position < b.position; });
        for (size_t k = 0; k < slots.size(); ++k) events[slots[k]] = std::move(anchors[k]);
    }
}

// One line's characters (`start` to `end`) with its events among them.
MifNode WriteLine(Line& line, const std::vector<std::string>& chars, int32_t end) {
    OrderEvents(line.events);
    int32_t cursor = line.start;
    MifNode out = line.node ? *line.node : MifStatement("ParaLine");
    out.children.clear();
    for (Event& e : line.events) {
        int32_t at = std::clamp(e.offset, cursor, std::max(cursor, end));
        AppendText(out.children, chars, cursor, at);
        out.children.push_back(std::move(e.node));
        cursor = at;
    }
    AppendText(out.children, chars, cursor, std::max(cursor, end));
    return out;
}

MifNode Rebuild(MifWriteContext& ctx, ObjId para, const MifParaAsRead& was, const Anchors& now) {
    const SimObject& p = *SimLocal(ctx.doc, para);
    const MifNode& read = *was.node;
    std::vector<std::string> chars = Chars(p.text);
    TextMatch match = MatchText(Chars(std::string(was.text)), chars);
    AnchorsNow placed = PlaceNow(p, now);
    RebuiltLines r;
    ReadLines(ctx, read, match, placed, r);
    PlaceInLines(ctx, now, placed, r);

    MifNodes newLines;
    for (size_t i = 0; i < r.lines.size(); ++i)
        newLines.push_back(WriteLine(r.lines[i], chars, i + 1 < r.lines.size() ? r.lines[i + 1].start : match.newLen));
    MifNode node = read;
    MifNodes children;
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

// Anchors of a paragraph whose text is as read, written among its
// statements in the order of their positions now.
struct Placer {
    MifWriteContext& ctx;
    const Anchors& now;
    std::map<ObjId, const MifNode*> readNode; // the paragraph's anchors as read
    size_t next = 0;  // the next of `now` to write
    int32_t pos = 0;  // the position the statements written reach
};

ObjId ReadAnchorId(const MifWriteContext& ctx, const MifNode& item) {
    if (item.token != "Marker" && item.token != "ATbl") return 0;
    return ctx.src->objectOf.ObjectOf(&item);
}

bool AnchorDue(const Placer& pl, int32_t pos) { return pl.next < pl.now.size() && pl.now[pl.next].second <= pos; }

// Writes the anchors whose position is reached, but `standing`, which is
// written where it stands. One that moved keeps its statement as read.
void WriteDue(Placer& pl, MifNodes& out, ObjId standing) {
    for (; AnchorDue(pl, pl.pos) && pl.now[pl.next].first != standing; ++pl.pos) {
        ObjId id = pl.now[pl.next++].first;
        auto read = pl.readNode.find(id);
        out.push_back(AnchorNode(pl.ctx, id, read == pl.readNode.end() ? nullptr : read->second));
    }
}

// A <String> an anchor is due inside of, cut in two there.
void PlaceInString(Placer& pl, MifNodes& out, const std::string& text) {
    std::vector<std::string> chars = Chars(text);
    int32_t cursor = 0;
    for (int32_t i = 0; i < (int32_t)chars.size(); ++i, ++pl.pos) {
        if (i == 0 || !AnchorDue(pl, pl.pos)) continue;
        AppendText(out, chars, cursor, i);
        cursor = i;
        WriteDue(pl, out, 0);
    }
    AppendText(out, chars, cursor, (int32_t)chars.size());
}

// One statement of a line, with the anchors due before it: an anchor goes
// after what takes no position (the line's TextRectID, font changes) and
// before what stands at its position, anchors included, as FrameMaker
// inserts.
void PlaceItem(Placer& pl, MifNodes& out, const MifNode& item) {
    const auto& variables = pl.ctx.src->variableText;
    int32_t width = MifItemPositions(item, variables);
    ObjId id = ReadAnchorId(pl.ctx, item);
    // What begins text of its own (a variable, even one whose text the host
    // cannot know; a cross-reference; a text inset) comes after an anchor
    // added at its position, like the text itself.
    if (width > 0 || item.token == "Variable" || item.token == "XRef" || item.token == "TextInset")
        WriteDue(pl, out, id);
    if (id) {
        if (!AnchorDue(pl, pl.pos) || pl.now[pl.next].first != id) return; // gone, or moved
        out.push_back(AnchorNode(pl.ctx, id, &item));
        ++pl.next;
        ++pl.pos;
    } else if (item.token == "String" && AnchorDue(pl, pl.pos + width - 1)) {
        PlaceInString(pl, out, MifItemText(item, variables));
    } else {
        out.push_back(item);
        pl.pos += width;
    }
}

// The paragraph's text is as read; only its anchors changed. Every other
// statement stays where it was; anchors taken away are left out, and those
// added (or moved) go in at their positions, a <String> they fall inside
// cut in two.
MifNode PlaceAnchors(MifWriteContext& ctx, const MifNode& read, const Anchors& now) {
    Placer pl{ctx, now, {}, 0, 0};
    for (const MifNode& line : read.children)
        if (line.token == "ParaLine")
            for (const MifNode& item : line.children)
                if (ObjId id = ReadAnchorId(ctx, item)) pl.readNode.emplace(id, &item);
    MifNode node = read;
    MifNode* lastLine = nullptr;
    for (size_t i = 0; i < read.children.size(); ++i) {
        if (read.children[i].token != "ParaLine") continue;
        lastLine = &node.children[i];
        lastLine->children.clear();
        for (const MifNode& item : read.children[i].children) PlaceItem(pl, lastLine->children, item);
    }
    if (pl.next < now.size() && !lastLine) {
        node.children.push_back(MifStatement("ParaLine"));
        lastLine = &node.children.back();
    }
    for (; pl.next < now.size(); ++pl.next) { // beyond the text's end
        auto readAs = pl.readNode.find(now[pl.next].first);
        lastLine->children.push_back(
            AnchorNode(ctx, now[pl.next].first, readAs == pl.readNode.end() ? nullptr : readAs->second));
    }
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

namespace {

// Whether a paragraph's text and anchors are as read.
bool ContentAsRead(const MifWriteContext& ctx, ObjId para, const MifParaAsRead& was, const Anchors& now) {
    const SimObject& p = *SimLocal(ctx.doc, para);
    return p.text == was.text && p.Extras().otherAnchors == MifOtherAnchorsRead(*ctx.src, para) &&
           SameAnchors(now, MifAnchorsRead(*ctx.src, para)) && MarkersUnchanged(ctx, now);
}

// A paragraph read from the file, as `was` says.
MifNode WriteReadPara(MifWriteContext& ctx, ObjId para, const MifParaAsRead& was, MifRectTrail* trail) {
    const SimObject& p = *SimLocal(ctx.doc, para);
    Anchors now = CurrentAnchors(ctx, para);
    const MifNode& read = *was.node;
    bool sameText = p.text == was.text;
    MifNode node;
    if (ContentAsRead(ctx, para, was, now)) {
        if (p.name == was.tag && p.indent == was.indent) {
            if (trail) trail->unseen.push_back(&read);
            return MifRefTo(read);
        }
        node = read;
        PatchTagAndIndent(ctx, p, was, node);
    } else if (sameText) {
        node = PlaceAnchors(ctx, read, now);
        PatchTagAndIndent(ctx, p, was, node);
    } else {
        node = Rebuild(ctx, para, was, now);
    }
    if (trail) NoteRects(node, trail);
    return node;
}

} // namespace

bool MifParaAsItWasRead(const MifWriteContext& ctx, ObjId para, const MifParaAsRead& was) {
    const SimObject& p = *SimLocal(ctx.doc, para);
    return p.name == was.tag && p.indent == was.indent && ContentAsRead(ctx, para, was, CurrentAnchors(ctx, para));
}

MifNode MifWritePara(MifWriteContext& ctx, ObjId para, const MifNode* read, MifRectTrail* trail) {
    MifParaAsRead was;
    if (read && ctx.src && MifParaRead(*ctx.src, para, &was)) return WriteReadPara(ctx, para, was, trail);
    const SimObject& p = *SimLocal(ctx.doc, para);
    Anchors now = CurrentAnchors(ctx, para);

    MifNode node = MifStatement("Para");
    node.children.push_back(MifStatement("PgfTag", MifStringAtom(p.name)));
    ObjId format = SimNamed(ctx.doc, SimObjParagraphFormat, p.name);
    if (p.indent != (format ? SimLocal(ctx.doc, format)->indent : 0)) {
        MifNode own = MifStatement("Pgf");
        own.children.push_back(MifStatement("PgfLIndent", MifMetricAtom(p.indent)));
        node.children.insert(node.children.begin(), std::move(own));
    }
    MifNode line = MifStatement("ParaLine");
    int32_t rect;
    if (trail && MifFrameNumber(ctx, p.parent, &rect)) {
        BringUpToDate(trail);
        if (rect != trail->rect) {
            line.children.push_back(MifStatement("TextRectID", MifNumberAtom(rect)));
            trail->rect = rect;
        }
    }
    std::vector<std::string> chars = Chars(p.text);
    int32_t cursor = 0, len = (int32_t)chars.size();
    for (const auto& [id, at] : AtCharacters(p, now)) {
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
