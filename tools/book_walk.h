// Book processing: the walk over a book's components (depth first, in book
// order), getting the document of a document component (open already, or
// opened hidden), and commands 3 and 5, which apply master pages to every
// document of a book and list every document into the report. Progress is
// shown on the book's status line.
#pragma once

#include "host/host_records.h"
#include "host/host_wire.h"

// Component types (HostComponentType): documents are processed, folders and
// groups are walked into, every other type is passed over together with what
// it holds.

// Called for every document component of `book` in walk order.
typedef void (*BookComponentAction)(ObjId book, ObjId component, void* context);

// Calls `action` for every document component of `book`: a container's
// components come right after the container and before its next sibling.
void WalkBookComponents(ObjId book, BookComponentAction action, void* context);

// The document of a document component.
struct BookDocument {
    char* fileName;  // the component's full file name (MemFree), may be null
    ObjId document;  // 0 when the file could not be opened
    int wasOpen;     // 1 when it was open before its turn came
};

// Finds the component's document among the open ones by exact file name, or
// opens the file hidden. The caller frees fileName.
BookDocument GetComponentDocument(ObjId book, ObjId component);

// Command 3: the document pass on every document of `book`, each saved under
// its own name; documents the command opened are closed again.
void ApplyMasterPagesToBook(ObjId book);

// Command 5: the report with the book's heading, then every document's
// section; documents the command opened are closed again unsaved.
void ListMasterPagesOfBook(ObjId book);
