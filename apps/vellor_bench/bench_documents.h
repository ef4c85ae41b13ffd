// Generated documents for the pass figures: a mapping document whose
// "Paragraph Tag" and "Master Page" tables have a chosen number of rows, and
// a chapter of a chosen number of body pages (about twenty tagged paragraphs
// each) with "MasterPage" markers spread over random pages. The same seed
// always gives the same documents.
#pragma once

#include "hostsim/doc_builder.h"

#include <cstdint>
#include <string>

struct PassDocShape {
    int pages = 1000;
    int rows = 10;    // body rows of the "Paragraph Tag" and "Master Page" tables
    int markers = 0;  // "MasterPage" markers in the chapter
    uint32_t seed = 1;
    // The host moves text when a master page changes (see Reflow in
    // hostsim/sim_model.h): the master pages then have template frames of
    // different heights, and most pages are nearly full.
    bool reflow = false;
    // The text of each paragraph under a heading: "text" when 0, else a
    // sentence of about that many characters, as a real chapter's are.
    int textChars = 0;
};

// The mapping document "MasterPage.fm" of `hostDirectory`.
DocBuilder BuildPassMapping(const std::string& hostDirectory, const PassDocShape& shape);
// The chapter `name`, with every master page the mapping document names.
DocBuilder BuildPassChapter(const char* name, const PassDocShape& shape);
