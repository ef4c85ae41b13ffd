// Before/after snapshots of body pages and the record made from them.
#include "apps/vellor_host/page_snapshot.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>

DocSnapshot SnapshotDoc(const SimDoc& doc, const std::string& title) {
    DocSnapshot snap;
    snap.title = title;
    snap.pages.reserve(doc.bodyPages.size());
    for (ObjId page : doc.bodyPages) {
        PageState state;
        state.number = SimPageNumberText(doc, page);
        state.right = SimPageIsRight(doc, page) != 0;
        state.none = SimPageMaster(doc, page) == 0;
        state.master = state.none ? "None" : SimPageMasterName(doc, page);
        const SimObject* p = SimLocal(doc, page);
        state.custom = p && p->background != HostBackgroundDefault;
        snap.pages.push_back(std::move(state));
    }
    return snap;
}

DocChanges ComparePages(const DocSnapshot& before, const DocSnapshot& after) {
    DocChanges out;
    out.title = after.title.empty() ? before.title : after.title;
    out.pageCount = after.pages.size();
    size_t n = std::max(before.pages.size(), after.pages.size());
    out.pages.reserve(n); // grown by doubling, a long document's record would take up to twice its room
    for (size_t i = 0; i < n; ++i) {
        PageRecord page;
        page.position = i + 1;
        page.existedBefore = i < before.pages.size();
        page.existsAfter = i < after.pages.size();
        if (page.existedBefore) page.before = before.pages[i];
        if (page.existsAfter) page.after = after.pages[i];
        const PageState& shown = page.existsAfter ? page.after : page.before;
        page.number = shown.number;
        page.right = shown.right;
        page.changed = !page.existedBefore || !page.existsAfter || page.before.master != page.after.master ||
                       page.before.none != page.after.none;
        out.pages.push_back(std::move(page));
    }
    return out;
}

const PageExplanation& WhyOf(const PageRecord& page) {
    static const PageExplanation none;
    return page.explanation ? *page.explanation : none;
}

size_t ChangedPages(const DocChanges& doc) {
    return size_t(std::count_if(doc.pages.begin(), doc.pages.end(), [](const PageRecord& p) { return p.changed; }));
}

namespace {

// A later pass over the same document decides last.
void Attach(DocChanges* doc, const std::shared_ptr<const PageExplanation>& e) {
    if (e->position != 0 && e->position <= doc->pages.size()) doc->pages[e->position - 1].explanation = e;
}

} // namespace

void AttachExplanations(DocChanges* doc, const PageExplanations& explanations) {
    for (const auto& e : explanations) Attach(doc, e);
}

void AttachExplanations(std::vector<DocChanges>* docs, const PageExplanations& explanations) {
    std::unordered_map<std::string_view, DocChanges*> byName;
    for (DocChanges& doc : *docs) byName.emplace(doc.name, &doc);
    for (const auto& e : explanations)
        if (auto doc = byName.find(e->document); doc != byName.end()) Attach(doc->second, e);
}
