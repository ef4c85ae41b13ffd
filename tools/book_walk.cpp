// The walk over a book's components, getting a component's document, and the
// two book commands built on them: applying master pages to every document
// (command 3) and listing every document into the report (command 5).
#include "tools/book_walk.h"

#include "host/call_layer.h"
#include "host/prop_vals.h"
#include "support/base/memory.h"
#include "support/base/strings.h"
#include "tools/apply_master_pages.h"
#include "tools/mapping_document.h"
#include "tools/report.h"

namespace {

// A component's document is opened without showing it.
constexpr HostOption HiddenOpen = {5, 0};

const char UpdatingStatus[] = "Updating Master Pages: ";
const char ExaminingStatus[] = "Examining Master Pages: ";

// The open document whose name equals `fileName` exactly, or 0.
ObjId FindOpenDocument(const char* fileName) {
    for (ObjId document = HostGetIdProp(0, 0, PropFirstOpenDocument); document;
         document = HostGetIdProp(document, document, PropNextOpenDocument)) {
        char* name = HostGetStringProp(document, document, PropName);
        // A name the host did not give is no name at all: as null it would
        // read as "" and equal every other name that could not be read.
        int equal = name && StrEqual(name, fileName);
        MemFree(name);
        if (equal) return document;
    }
    return 0;
}

ObjId OpenHidden(const char* fileName) {
    PropVals options = HostBuildOptions(&HiddenOpen, 1, 1);
    if (options.count == 0) return 0;
    PropVals* returned = nullptr;
    ObjId document = HostOpen(fileName, &options, &returned);
    PropValsFree(&options);
    PropValsFree(returned);
    return document;
}

// The book's status line: `prefix` and the last element of the file's name.
void ShowProgress(ObjId book, const char* prefix, const char* fileName) {
    char* text = nullptr;
    char* last = FileLastName(fileName);
    if (AppendToString(&text, prefix) == 0 && AppendToString(&text, last) == 0)
        HostSetStringProp(0, book, PropStatusLine, text);
    MemFree(last);
    MemFree(text);
}

// A component whose file could not be opened has no document: its progress
// is shown, but no pass, save or close reaches document 0 (the session)
// under the component's name.
void ApplyToComponent(ObjId book, ObjId component, void*) {
    BookDocument entry = GetComponentDocument(book, component);
    ShowProgress(book, UpdatingStatus, entry.fileName);
    if (entry.document) {
        ApplyMasterPagesToDoc(entry.document);
        HostSimpleSave(entry.document, entry.fileName, 0);
        if (!entry.wasOpen) HostClose(entry.document, 1);
    }
    MemFree(entry.fileName);
}

// A component whose file could not be opened still gets its section, which
// has no document to read: an empty title and no pages.
void ListComponent(ObjId book, ObjId component, void* context) {
    ObjId report = *static_cast<ObjId*>(context);
    BookDocument entry = GetComponentDocument(book, component);
    ShowProgress(book, ExaminingStatus, entry.fileName);
    ListMasterPagesOfDoc(entry.document, report);
    if (entry.document && !entry.wasOpen) HostClose(entry.document, 1);
    MemFree(entry.fileName);
}

} // namespace

void WalkBookComponents(ObjId book, BookComponentAction action, void* context) {
    ObjId component = HostGetIdProp(0, book, PropFirstComponent);
    while (component) {
        // The next component is worked out before this one is handled.
        int32_t type = HostGetIntProp(book, component, PropComponentType);
        ObjId next = 0;
        if (type == HostComponentFolder || type == HostComponentGroup)
            next = HostGetIdProp(book, component, PropFirstChildComponent);
        if (!next) {
            next = HostGetIdProp(book, component, PropNextComponent);
            // At the end of a container, go on after the container.
            for (ObjId climb = component; !next && climb;) {
                climb = HostGetIdProp(book, climb, PropParentComponent);
                if (climb) next = HostGetIdProp(book, climb, PropNextComponent);
            }
        }
        if (type == HostComponentDocument) action(book, component, context);
        component = next;
    }
}

BookDocument GetComponentDocument(ObjId book, ObjId component) {
    BookDocument entry{};
    entry.fileName = HostGetStringProp(book, component, PropName);
    // Without its file name a component has no document: any other would
    // be changed, and saved, in its place.
    if (!entry.fileName) return entry;
    entry.document = FindOpenDocument(entry.fileName);
    entry.wasOpen = entry.document != 0;
    if (!entry.document) entry.document = OpenHidden(entry.fileName);
    return entry;
}

void ApplyMasterPagesToBook(ObjId book) {
    WalkBookComponents(book, ApplyToComponent, nullptr);
    HostSetStringProp(0, book, PropStatusLine, "");
}

void ListMasterPagesOfBook(ObjId book) {
    ObjId report = PrepareBookReport(book);
    WalkBookComponents(book, ListComponent, &report);
    HostSetStringProp(0, book, PropStatusLine, "");
}
