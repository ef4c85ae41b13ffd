// check's findings as the user asks for them: lines of text, JSON (the
// schema is docs/vellor-host-json.md), or TSV, one line per finding and
// document, which `check --accept FILE` reads back to show only what is new.
#pragma once

#include "apps/vellor_host/mapping_check.h"

#include <set>
#include <string>
#include <vector>

struct CheckReport {
    std::string mapping;                  // the mapping document as the findings name it ("MasterPage.fm")
    std::string mappingFile;              // ... and its file as the run named it
    std::vector<std::string> documents;   // the documents checked
    std::vector<MappingFinding> findings; // with --accept, the new ones only
    size_t accepted = 0;                  // findings of a document left out as accepted
    std::string acceptFile;               // --accept's file, "" without
};

std::string CheckText(const CheckReport& report);
std::string CheckJson(const CheckReport& report);
std::string CheckTsv(const CheckReport& report);

// Findings accepted before, one per finding and document.
struct AcceptedFindings {
    std::set<std::string> keys;
};

// Reads a list that `check --format tsv` wrote. 0 with `*error` saying what
// is wrong ("accepted.tsv:3: ...").
int ReadAcceptedFindings(const std::string& path, AcceptedFindings* accepted, std::string* error);

// Leaves out of `report.findings` the documents of each finding that were
// accepted, and findings with none left; counts them in `report.accepted`.
void LeaveOutAccepted(const AcceptedFindings& accepted, CheckReport* report);
