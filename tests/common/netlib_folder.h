// Test helpers for the NetLib stand-in's network mode: a fresh folder to
// serve from, and plain reads and writes of local files, named either in
// this system's form or in the library's Windows form.
#pragma once

#include <filesystem>
#include <string>

// A new empty folder under the system's temporary folder.
std::string NetLibTestFolderMake();
// Removes the folder and everything below it.
void NetLibTestFolderRemove(const std::string& folder);
// The local name of a name in the library's Windows form.
std::string NetLibTestLocalName(const char* windowsName);
// The library's Windows form of a local name.
std::string NetLibTestWindowsName(const std::string& localName);
// A local name (UTF-8) as a path of the system; on Windows a plain narrow
// string would be taken in the ANSI code page.
std::filesystem::path NetLibTestPath(const std::string& localName);
bool NetLibTestExists(const std::string& localName);
// Whole-file read ("" with *found false when the file is missing) and write.
std::string NetLibTestRead(const std::string& localName, bool* found = nullptr);
bool NetLibTestWrite(const std::string& localName, const std::string& content);
