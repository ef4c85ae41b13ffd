// What the user sees of a document's body pages (number, side, master page),
// taken before and after a command, and the record of a run made from them:
// per body page its master page before and after and, when the plug-in was
// asked to explain its pass, what it said decided the page. The change
// table, --explain, JSON and TSV are views of that one record.
#pragma once

#include "apps/vellor_host/page_explain.h"
#include "hostsim/sim_model.h"

#include <memory>
#include <string>
#include <vector>

struct PageState {
    std::string number; // the page number text
    bool right = true;
    std::string master; // the master page's name, "None" for a page without one
    bool none = false;  // the page has no master page
    bool custom = false; // not its side's default master page: what a listing names
};

struct DocSnapshot {
    std::string title; // the document's file's last name
    std::vector<PageState> pages;
};

// One body page of the record. Pages are matched by position; a page that
// exists on one side only (pages added or removed) counts as changed.
struct PageRecord {
    size_t position = 0; // from 1
    std::string number;
    bool right = true;
    bool existedBefore = true, existsAfter = true;
    PageState before, after; // a side where the page does not exist is empty
    bool changed = false;
    // What the plug-in said decided it, null when it said nothing; kept
    // apart: most runs explain no page, and a book's record holds every page
    // of every document.
    std::shared_ptr<const PageExplanation> explanation;
};

// What the plug-in said decided a page; empty for a page it did not explain.
const PageExplanation& WhyOf(const PageRecord& page);

struct DocChanges {
    std::string title;    // what tables call the document (set by NameDocuments)
    std::string name;     // the host's name for it (Windows form)
    std::string given;    // its path as the user gave it, or relative to the current folder
    std::string absolute; // its local absolute path
    size_t pageCount = 0; // body pages after the command
    std::vector<PageRecord> pages;
};

DocSnapshot SnapshotDoc(const SimDoc& doc, const std::string& title);

// The record of one document, from its state before and after the command.
DocChanges ComparePages(const DocSnapshot& before, const DocSnapshot& after);

size_t ChangedPages(const DocChanges& doc);

// Gives the plug-in's explanations to the pages they name (by position), all
// to the one document `doc` (a pass over it alone explained them).
void AttachExplanations(DocChanges* doc, const PageExplanations& explanations);
// The same for the documents of a book pass: each explanation to the
// document it names, among `docs`.
void AttachExplanations(std::vector<DocChanges>* docs, const PageExplanations& explanations);
