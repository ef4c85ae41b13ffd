// Documents and books of the simulated host as MIF files: the statements the
// host interprets become its objects (pages and their frames, flows and
// paragraphs, markers, tables, formats, marker types, book components), and
// a document is written back as the tree it was read from plus what the
// session changed. A document the host made itself is written as a whole,
// minimal MIF document. Names are full names in Windows form (UTF-8); book
// components are named relative to the book's folder in the file.
//
// Books may hold folders and groups, which this host writes as statements of
// its own, <BookFolder <FolderName `...'> ...> and <BookGroup <GroupName
// `...'> ...>, with their components nested in them; a component of another
// kind than a document carries its kind as <ComponentType n>.
#pragma once

#include "hostsim/mif/mif_tree.h"
#include "hostsim/sim_model.h"

#include <string>
#include <vector>

// The host's objects of a parsed file; `name` is the file's full name. The
// document keeps a record of the tree for writing back. False with a message
// when the file's statements contradict each other beyond use.
bool MifToDoc(const MifFile& file, const std::string& name, SimDoc* out, std::string* error);
// The same, keeping the tree without a copy.
bool MifToDoc(MifFile&& file, const std::string& name, SimDoc* out, std::string* error);

// The tree to write for a document or book under `name`.
bool MifFromDoc(const SimDoc& doc, const std::string& name, MifFile* out, std::string* error);

// Reads a document or book file (local name) into the host's objects; what
// reading found odd and kept as it stood is added to `warnings` (when given).
bool MifLoadDoc(const std::string& localPath, const std::string& name, SimDoc* out, std::string* error,
                std::vector<std::string>* warnings = nullptr);
// Writes one with an atomic save.
bool MifSaveDoc(const SimDoc& doc, const std::string& localPath, const std::string& name,
                std::string* error);

// Device-independent file names of books ("<c>ch1.mif", "<u><c>x.mif"),
// against the book's folder (Windows form, "Z:\docs").
std::string MifResolveBookName(const std::string& bookFolder, const std::string& deviceIndependent);
std::string MifBookRelativeName(const std::string& bookFolder, const std::string& fullName);
