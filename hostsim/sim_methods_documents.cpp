// Methods of the main interface about whole documents: opening and saving
// through the document store, new documents, closing, applying master pages
// and redisplaying.
#include "hostsim/sim_server_internal.h"

#include <algorithm>
#include <cstring>

namespace {

// Open options the host looks at.
enum : int32_t {
    OptionMakeVisible = 5,   // 1 shows the document (the default), 0 keeps it hidden
    OptionUseOpenCopy = 29,  // 1: a file already open gives the open document
};

int32_t OptionValue(const PropVals* options, int32_t number, int32_t fallback) {
    if (!options || !options->entries) return fallback;
    for (uint32_t i = 0; i < options->count; ++i) {
        const PropVal& e = options->entries[i];
        if (e.ident.number == number && e.value.kind == TypedInteger) return e.value.value.integer;
    }
    return fallback;
}

// The return parameters: the status bits as a list of 32-bit words under
// `statusNumber`, and a native error code under 2.
void FillReturned(PropVals* returned, int32_t statusNumber, uint32_t bits) {
    if (!returned) return;
    returned->count = 0;
    returned->entries = nullptr;
    auto* entries = static_cast<PropVal*>(CoTaskMemAlloc(2 * sizeof(PropVal)));
    auto* words = static_cast<uint32_t*>(CoTaskMemAlloc(sizeof(uint32_t)));
    if (!entries || !words) {
        CoTaskMemFree(entries);
        CoTaskMemFree(words);
        return;
    }
    std::memset(entries, 0, 2 * sizeof(PropVal));
    words[0] = bits;
    entries[0].ident.number = statusNumber;
    entries[0].value.kind = TypedWords;
    entries[0].value.value.list = TypedList{1, words};
    entries[1].ident.number = 2;
    entries[1].value.kind = TypedInteger;
    entries[1].value.value.integer = 0;
    returned->count = 2;
    returned->entries = entries;
}

HRESULT Open(IUnknown* self, const char* name, const PropVals* options, PropVals* returned,
             int32_t* status, ObjId* document) {
    SimCall call(self, HostMethodOpen);
    if (FAILED(call.failed)) return call.failed;
    if (!status || !document) return E_POINTER;
    SimServer* s = call.server;
    std::string file = SimFromFrameRoman(name);
    bool visible = OptionValue(options, OptionMakeVisible, 1) != 0;
    int32_t own = SimOk;
    uint32_t bits = 0;
    ObjId id = 0;
    SimDoc* open = SimDocByName(s, file.c_str());
    if (file.empty()) {
        own = SimStatusBadArgument;
        bits = 1u << SimReturnNotFound;
    } else if (open) {
        if (OptionValue(options, OptionUseOpenCopy, 0) == 1) {
            id = open->id;
            if (visible) open->visible = true;
            bits = 1u << SimReturnReused;
        } else {
            own = SimStatusFileInUse;
            bits = 1u << SimReturnInUse;
        }
    } else {
        SimDoc loaded;
        own = s->store.load ? s->store.load(s->store.context, file, &loaded) : SimStatusNotFound;
        if (own == SimOk) {
            id = SimOpenDoc(s->session, std::move(loaded), visible)->id;
            bits = 1u << SimReturnDone;
        } else {
            bits = 1u << SimReturnNotFound;
        }
    }
    FillReturned(returned, 3, bits);
    *document = own ? 0 : id;
    *status = call.Answer(own);
    return S_OK;
}

HRESULT Save(IUnknown* self, ObjId document, const char* utf8Name, const PropVals*, PropVals* returned,
             int32_t* status, ObjId* saved) {
    SimCall call(self, HostMethodSave);
    if (FAILED(call.failed)) return call.failed;
    if (!status || !saved) return E_POINTER;
    SimServer* s = call.server;
    SimDoc* doc = SimOpen(s, document);
    if (doc) SimSettleLayout(*doc); // what is saved is laid out
    int32_t own = SimOk;
    if (!doc) {
        own = SimStatusBadDocument;
    } else {
        // The document goes to the file it is given, and only there: no name
        // is a failed save, not a save under the document's own name.
        std::string file = utf8Name ? utf8Name : "";
        own = file.empty() || !s->store.save ? SimStatusSaveFailed
                                             : s->store.save(s->store.context, file, *doc);
        if (own == SimOk) {
            doc->name = file; // a save under another name renames the document
            doc->untitled = false;
            doc->modified = false;
        }
    }
    FillReturned(returned, 1, 1u << (own == SimOk ? SimReturnDone : SimReturnWriteFailed));
    *saved = own ? 0 : document;
    *status = call.Answer(own);
    return S_OK;
}

HRESULT NewCustomDoc(IUnknown* self, Metric width, Metric height, int32_t columns, Metric gap,
                     Metric top, Metric bottom, Metric inside, Metric outside, int32_t sidedness,
                     int32_t visible, int32_t* status, ObjId* document) {
    SimCall call(self, HostMethodNewCustomDoc);
    if (FAILED(call.failed)) return call.failed;
    if (!status || !document) return E_POINTER;
    SimServer* s = call.server;
    s->control.newDocs.push_back(
        SimNewDocCall{width, height, columns, gap, top, bottom, inside, outside, sidedness, visible});
    int32_t own = SimOk;
    *document = 0;
    if (width <= 0 || height <= 0 || columns < 1 || gap < 0 || top < 0 || bottom < 0 ||
        inside < 0 || outside < 0 || top + bottom >= height || inside + outside >= width ||
        sidedness < 0 || sidedness > 2) {
        own = SimStatusBadValue;
    } else {
        std::string name = "Untitled" + std::to_string(++s->session.untitledCount);
        DocBuilder b(name.c_str());
        if (sidedness == 0) b.oneSided();
        if (sidedness == 2) b.firstPageLeft();
        b.masterPages({"Left", "Right"}).formats({"Body", "Heading1", "Heading2"});
        b.page().para("Body").caret(0);
        b.doc.untitled = true;
        *document = SimOpenDoc(s->session, std::move(b.doc), visible != 0)->id;
    }
    *status = call.Answer(own);
    return S_OK;
}

HRESULT Close(IUnknown* self, ObjId document, int32_t flags, int32_t* status) {
    SimCall call(self, HostMethodClose);
    if (FAILED(call.failed)) return call.failed;
    if (!status) return E_POINTER;
    SimServer* s = call.server;
    SimDoc* doc = SimOpen(s, document);
    int32_t own = SimOk;
    if (!doc)
        own = SimStatusBadDocument;
    else if (doc->modified && !(flags & 1))
        own = SimStatusModified; // only flag 1 lets changes go
    else
        SimCloseDoc(s->session, document);
    *status = call.Answer(own);
    return S_OK;
}

HRESULT ApplyMasterPage(IUnknown* self, ObjId document, ObjId bodyPage, ObjId masterPage,
                        int32_t* status) {
    SimCall call(self, HostMethodApplyMasterPage);
    if (FAILED(call.failed)) return call.failed;
    if (!status) return E_POINTER;
    SimDoc* doc = SimOpen(call.server, document);
    int32_t own = SimStatusBadDocument;
    if (doc && !doc->isBook) {
        ObjId page = SimToLocal(*doc, bodyPage), master = SimToLocal(*doc, masterPage);
        own = page && master ? SimApplyMasterPage(*doc, page, master) : SimStatusBadObject;
    }
    *status = call.Answer(own);
    return S_OK;
}

HRESULT Redisplay(IUnknown* self, ObjId document, int32_t* status) {
    SimCall call(self, HostMethodRedisplay);
    if (FAILED(call.failed)) return call.failed;
    if (!status) return E_POINTER;
    SimDoc* doc = SimOpen(call.server, document);
    if (doc) ++call.server->control.redisplays;
    if (doc) SimSettleLayout(*doc); // shown pages are laid out
    *status = call.Answer(doc ? SimOk : SimStatusBadDocument);
    return S_OK;
}

} // namespace

void SimInstallDocumentMethods(void** table) {
    table[HostMethodOpen] = SimSlot(&Open);
    table[HostMethodSave] = SimSlot(&Save);
    table[HostMethodNewCustomDoc] = SimSlot(&NewCustomDoc);
    table[HostMethodClose] = SimSlot(&Close);
    table[HostMethodApplyMasterPage] = SimSlot(&ApplyMasterPage);
    table[HostMethodRedisplay] = SimSlot(&Redisplay);
}
