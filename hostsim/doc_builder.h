// Builders of scenario documents and books for the simulated host, so that a
// test reads like the situation it checks. Names are full file names in
// Windows form, texts UTF-8.
//
//   DocBuilder b("Z:\\docs\\ch1.fm");
//   b.masterPages({"Left", "Right", "Chapter"})   // left default, right default, custom
//    .formats({"Body", "ChapterTitle"});
//   b.page().para("ChapterTitle", "Intro").para("Body", "text")
//           .marker("MasterPage", "Appendix");    // a marker at the end of "text"
//   b.page().pageNumber("iv").master("Chapter");   // an empty page using "Chapter"
//   b.page().noMaster();                           // a page without master page
//   b.table({{"Paragraph Tag", "Left", "Right"},   // first row: heading row
//            {"ChapterTitle", "ChapterLeft\nLeft", "ChapterRight"}}); // "\n": two paragraphs
//
//   SimServer* server = SimServerCreate();
//   SimStorePut(server, b);                        // a file the client can open
//   ObjId id = SimOpenBuilt(server, b, true);      // or: open it on screen now
//
//   BookBuilder book("Z:\\docs\\book.book");
//   book.folder("Part One").doc("Z:\\docs\\ch1.fm").doc("Z:\\docs\\ch2.fm").end()
//       .doc("Z:\\docs\\ch3.fm").component(8, "notes.txt");
//   SimOpenBook(server, book, true);               // becomes the active book
//
// A page made by page() has a page frame holding one text frame of the main
// flow, sized by the template frame of the page's master page (see Reflow in
// sim_model.h; templateFrame() gives one, before the pages that use it);
// paragraphs added after it stand in that frame. bare() makes a page
// without any graphic object; graphic() adds a picture (a graphic object that
// is not a text frame) to the current page.
#pragma once

#include "hostsim/sim_model.h"

#include <initializer_list>
#include <string>
#include <vector>

struct DocBuilder {
    SimDoc doc;
    ObjId page_ = 0;      // current body page
    ObjId textFrame_ = 0; // its text frame
    ObjId para_ = 0;      // last paragraph

    explicit DocBuilder(const char* name);

    // Layout: one-sided (every page right), or two-sided starting on a left page.
    DocBuilder& oneSided();
    DocBuilder& firstPageLeft();
    // Master pages: the first two become the left and right defaults (a
    // document always has both; "Left" and "Right" are made when missing).
    DocBuilder& masterPages(std::initializer_list<const char*> names);
    DocBuilder& formats(std::initializer_list<const char*> names);
    DocBuilder& format(const char* name, Metric indent, std::vector<SimExtraProp> props = {});
    DocBuilder& markerType(const char* name);
    // The master page (made when missing) gets a template text frame of
    // `lines` lines of `width` characters.
    DocBuilder& templateFrame(const char* master, int32_t lines, int32_t width);

    // Pages
    DocBuilder& page();
    DocBuilder& bare();
    DocBuilder& graphic();
    DocBuilder& pageNumber(const char* text);
    DocBuilder& master(const char* name); // HostBackgroundNamed (Default for the side's default)
    DocBuilder& noMaster();               // HostBackgroundNone

    // A second text frame on the current page, of a flow of that name (made
    // when missing); paragraphs added after it stand in it. A frame of the
    // main flow ("A") is sized as page() sizes its own.
    DocBuilder& frameOfFlow(const char* flowName);
    // Text on the current page, in the current frame's flow. `text` may hold "\t".
    DocBuilder& para(const char* tag, const char* text = "");
    // A marker at the end of the last paragraph; its type is made when missing.
    DocBuilder& marker(const char* type, const char* text);
    // A marker at the end of the last cell of the last table.
    DocBuilder& cellMarker(const char* type, const char* text);
    // The selection: an insertion point at `offset` of the last paragraph.
    DocBuilder& caret(int32_t offset = 0);

    // A table anchored in a new "Body" paragraph on the current page (or in
    // the document without a page). Cells are texts; "\n" separates the
    // paragraphs of a cell, "" is a cell with one empty paragraph.
    // `headingRows` rows come first as heading rows, the rest are body rows.
    DocBuilder& table(std::vector<std::vector<std::string>> rows, int headingRows = 1);

    // Ids of what was built, as local ids (SimToClient gives the client's).
    ObjId pageAt(size_t index) const { return doc.bodyPages.at(index); }
};

struct BookBuilder {
    SimDoc book;
    std::vector<ObjId> open_; // containers being filled

    explicit BookBuilder(const char* name);
    // A document component (HostComponentDocument) with its full file name.
    BookBuilder& doc(const char* fileName);
    // A folder or a group (HostComponentFolder, HostComponentGroup); what
    // follows goes into it until end().
    BookBuilder& folder(const char* name);
    BookBuilder& group(const char* name);
    // A component of another type; `open` makes it a container like folder().
    BookBuilder& component(int32_t type, const char* name, bool open = false);
    BookBuilder& end();
};
