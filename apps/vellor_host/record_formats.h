// The record of a run for scripts: `--format json` and `--format tsv`.
// docs/vellor-host-json.md describes both, field by field; its version is
// the "schema" number, raised whenever a field changes meaning or goes.
#pragma once

#include "apps/vellor_host/page_snapshot.h"

#include <string>
#include <vector>

enum : int { RecordSchemaVersion = 1 };

struct RunRecord {
    std::string command;        // "apply", "apply-book", "list" or "list-book"
    bool dryRun = false;
    bool listing = false;       // list, list-book: each page's master page and whether the listing names it
    std::string bookGiven;      // the book as the user gave it; empty for the document commands
    std::string bookAbsolute;
    const std::vector<DocChanges>* docs = nullptr;
};

std::string RecordJson(const RunRecord& record);
std::string RecordTsv(const RunRecord& record);

// A document's path as the user gave it and as an absolute local path, for a
// Windows-form name: relative to the current folder unless `absolute`.
std::string GivenPath(const std::string& localAbsolute, bool absolute);
