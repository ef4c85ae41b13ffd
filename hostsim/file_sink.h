// Where the bytes of a save go as they are made, in blocks: compared with
// the file they would replace while they agree with it, so that a save that
// changes nothing writes nothing; from the first block that differs, into a
// temporary file beside it (the part that agreed copied from the file), and
// hashed all along. Neither the new bytes nor the old are ever held whole.
// The file store (file_store.h) makes one per save and decides what becomes
// of the temporary file.
#pragma once

#include "hostsim/file_hash.h"
#include "hostsim/file_os.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

enum FileSinkStop {
    SinkGoing = 0,
    SinkRefused,     // `beforeTemp` said no
    SinkNoTemp,      // no temporary file could be made (`err`)
    SinkWriteFailed, // writing or copying failed, or a signal asked the run to stop (`err`)
    SinkOldChanged,  // the file being replaced lost bytes that had agreed while they were copied
};

struct FileSink {
    FileHandle old = FileNoHandle; // the file the bytes would replace, open to read; none: they differ from the start
    bool differs = false;          // the bytes are not the old file's: from where they part, they go to `temp`
    bool discard = false;          // the bytes go nowhere: the maker runs for its own failure only
    uint64_t agreed = 0;           // leading bytes the old file holds too
    std::string folder;            // where the temporary file is made
    FileHandle temp = FileNoHandle;
    std::string tempPath;
    // Called once, just before the temporary file is made (may be null):
    // false stops the save (SinkRefused), the caller keeping its reasons.
    bool (*beforeTemp)(void* context) = nullptr;
    void* context = nullptr;
    int stop = SinkGoing;
    int err = 0; // the system's code of a failure
    FileHash hash;
    std::vector<char> block; // the old file's bytes, a block at a time
};

// Hands the sink the next `size` bytes. False when the save has stopped
// (`stop`): the maker should give up.
bool FileSinkPut(FileSink& sink, const void* data, size_t size);

// A maker of bytes already held whole: `context` is a FileSinkBytes.
struct FileSinkBytes {
    const void* data;
    size_t size;
};
bool FileSinkPutBytes(void* context, FileSink& sink, std::string* why);

// After the last bytes: true when they differ from the old file, and are
// then all in the temporary file (unless the sink stopped); false when the
// old file holds exactly these bytes. Closes the old file either way.
bool FileSinkFinish(FileSink& sink);

// Closes the old file and removes the temporary file, if either is there.
void FileSinkDrop(FileSink& sink);
