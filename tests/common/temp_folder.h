// Scratch folders for tests that write files, on both systems: a new empty
// folder under the system's folder for temporary files, removed with all it
// holds when the test is done; and the whole bytes of a file, read or
// written.
#pragma once

#include <string>

struct TestTempFolder {
    std::string path; // local form, without a closing separator
    explicit TestTempFolder(const char* prefix);
    ~TestTempFolder();
    TestTempFolder(const TestTempFolder&) = delete;
    TestTempFolder& operator=(const TestTempFolder&) = delete;
    // The number of entries in the folder.
    int Entries() const;
};

// A file's bytes ("" when it cannot be read), and a file made of `bytes`.
std::string ReadBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
