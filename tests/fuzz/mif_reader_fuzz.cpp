// Fuzzes the MIF reader and writer: any bytes either give an error or a tree
// that is written back byte for byte. The same tree written without its
// file's bytes (as the host writes what it made) reads back as the same tree,
// and that text written again is the same text. A tree that becomes a
// document or book gives, written back unchanged, the file's bytes again, and
// reading those gives the same pages, flows and components. The pre-run
// check gives, under the same limits, the verdict and words of reading, and
// its warnings about what was kept as it stood.
//
// Input: the MIF text as it stands.
#include "fuzz_input.h"

#include "hostsim/mif/mif_document.h"
#include "hostsim/mif/mif_reader.h"
#include "hostsim/mif/mif_writer.h"

#include <cstdio>
#include <string>

namespace {

// What a reader of the host's objects would see of a document or book.
std::string Outline(const SimDoc& doc) {
    std::string out = doc.isBook ? "book\n" : "doc\n";
    for (ObjId page : doc.bodyPages) out += "page " + SimPageMasterName(doc, page) + "\n";
    for (const std::string& text : SimFlowTexts(doc)) out += "para " + text + "\n";
    for (const std::string& tag : SimFlowTags(doc)) out += "tag " + tag + "\n";
    for (ObjId marker : SimMarkerChain(doc)) out += "marker " + SimLocal(doc, marker)->text + "\n";
    for (ObjId component : SimBookOrder(doc)) out += "component " + SimLocal(doc, component)->name + "\n";
    out += "tables " + std::to_string(doc.tables.size()) + " masters " + std::to_string(doc.masterPages.size());
    return out;
}

// Checking gives reading's verdict, words and file description.
void CheckAsRead(const char* data, size_t size, const MifLimits& limits) {
    MifFile read, checked;
    std::string readError, checkError;
    bool readOk = MifParse(data, size, "fuzz.mif", &read, &readError, limits);
    bool checkOk = MifCheckBytes(data, size, "fuzz.mif", &checked, &checkError, limits);
    if (checkOk != readOk || checkError != readError)
        std::fprintf(stderr, "read: %d %s\nchecked: %d %s\n", readOk, readError.c_str(), checkOk,
                     checkError.c_str());
    FUZZ_CHECK(checkOk == readOk);
    FUZZ_CHECK(checkError == readError);
    FUZZ_CHECK(checked.statements.empty() && !checked.source);
    FUZZ_CHECK(checked.kind == read.kind && checked.version == read.version);
    FUZZ_CHECK(checked.utf8 == read.utf8 && checked.units == read.units);
    FUZZ_CHECK(checked.trailer == read.trailer && checked.warnings == read.warnings);
}

// The smallest memory limit under which checking does not run out of memory
// (by bisection: a larger limit only moves that point later); reading must
// agree with checking there and one byte below it, which it can only do if
// both count the tree's cost alike at every datum.
void CheckAtMemoryBound(const char* data, size_t size, MifLimits limits) {
    const std::string outOfMemory = "file too large to hold in memory";
    size_t low = 0, high = limits.maxTreeBytes;
    while (low < high) {
        limits.maxTreeBytes = low + (high - low) / 2;
        MifFile checked;
        std::string error;
        if (MifCheckBytes(data, size, "fuzz.mif", &checked, &error, limits) || error.find(outOfMemory) == error.npos)
            high = limits.maxTreeBytes;
        else
            low = limits.maxTreeBytes + 1;
    }
    limits.maxTreeBytes = low;
    CheckAsRead(data, size, limits);
    if (low == 0) return;
    limits.maxTreeBytes = low - 1;
    CheckAsRead(data, size, limits);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzSetUp();
    MifLimits limits;
    limits.maxDepth = 200; // keeps each run short; the bound itself is what is tested
    const char* bytes = reinterpret_cast<const char*>(data);
    CheckAsRead(bytes, size, limits);
    // Limits taken from the input's size put the statement, string, token
    // and depth bounds where files of every shape meet them.
    MifLimits tight = limits;
    tight.maxTreeBytes = 200 + size * 3;
    tight.maxStatements = 1 + size / 24;
    tight.maxStringBytes = 1 + size % 64;
    tight.maxTokenBytes = 1 + size % 16;
    tight.maxDepth = 1 + size % 9;
    CheckAsRead(bytes, size, tight);
    CheckAtMemoryBound(bytes, size, limits);
    MifFile read;
    std::string error;
    if (!MifParse(bytes, size, "fuzz.mif", &read, &error, limits)) {
        FUZZ_CHECK(!error.empty());
        FUZZ_CHECK(read.statements.empty());
        return 0;
    }

    const std::string input(reinterpret_cast<const char*>(data), size);
    std::string text;
    FUZZ_CHECK(MifWriteText(read, &text, &error));
    FUZZ_CHECK(text == input);

    MifFile bare = read; // as if the host had made it: written anew throughout
    bare.source.reset();
    if (MifWriteText(bare, &text, &error)) {
        MifFile again;
        if (!MifParse(text.data(), text.size(), "again.mif", &again, &error))
            std::fprintf(stderr, "%s\n%s\n", error.c_str(), text.c_str());
        FUZZ_CHECK(error.empty());
        FUZZ_CHECK(MifSameFile(read, again));
        std::string textAgain;
        FUZZ_CHECK(MifWriteText(again, &textAgain, &error));
        FUZZ_CHECK(textAgain == text);
    }

    SimDoc doc;
    const std::string name = "Z:\\docs\\fuzz.mif";
    if (!MifToDoc(read, name, &doc, &error)) return 0;
    MifFile written;
    FUZZ_CHECK(MifFromDoc(doc, name, &written, &error));
    FUZZ_CHECK(MifSameFile(read, written));
    std::string writtenText;
    FUZZ_CHECK(MifWriteText(written, &writtenText, &error));
    FUZZ_CHECK(writtenText == input);
    SimDoc reread;
    FUZZ_CHECK(MifToDoc(written, name, &reread, &error));
    FUZZ_CHECK(Outline(reread) == Outline(doc));
    return 0;
}
