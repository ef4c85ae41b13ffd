// The master page listing report: which body pages of a document do not use
// the default master pages, written as text into a FrameMaker document (the
// report): "TarnOutput.fm" from the host directory when it exists, else a new
// untitled document. Command 4 lists one document; command 5 prepares the
// report with the book's heading and then lists every document of the book
// (the walk over the book is book_walk.h's).
#pragma once

#include "host/host_records.h"

// The report's file name in the host directory.
extern const char ReportFileName[]; // "TarnOutput.fm"

// Paragraph formats of the report: the book's title, a document's title and
// one line per listed page.
extern const char ReportBookFormat[];     // "Heading1"
extern const char ReportDocumentFormat[]; // "Heading2"
extern const char ReportPageFormat[];     // "Indented"

// The indent "Indented" gets when command 5 creates it: 36 pt.
enum : int32_t { ReportPageIndent = 36 * MetricOnePoint };

// The last element of a file name ("Z:\docs\ch1.fm" gives "ch1.fm") as a new
// string (MemFree), or null when the name gives no path or memory ran out.
char* FileLastName(const char* fileName);

// Opens "TarnOutput.fm" from the host directory, or makes a new shown
// document of 576 by 792 pt, one column, 72 pt margins and gap, one-sided.
// The report's id, or 0 when neither could be had.
ObjId OpenReportDocument();

// When `document` has a paragraph format named `format`, copies all its
// properties onto `paragraph`; otherwise does nothing.
void ApplyFormatToParagraph(ObjId document, ObjId paragraph, const char* format);

// Writes one document's section in front of the text of the report's last
// paragraph: its title as "Heading2", then one "Indented" line per body page
// without master page ("iv   None") or with a named one ("iv   Preface").
void ListMasterPagesOfDoc(ObjId document, ObjId report);

// Command 4: the section of `document` in the report.
void ReportMasterPagesOfDoc(ObjId document);

// Command 5's preparation: opens or makes the report, creates "Heading2" and
// "Indented" (36 pt indent) when the report lacks them, and puts the book's
// name as a "Heading1" paragraph at the very beginning. Returns the report.
ObjId PrepareBookReport(ObjId book);
