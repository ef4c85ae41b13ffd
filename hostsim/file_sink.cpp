// A save's bytes on their way: compared, copied, written, hashed.
#include "hostsim/file_sink.h"

#include <algorithm>
#include <cstring>

namespace {

// A block of the comparison, and of the copy of the part that agreed: large
// enough that the system calls cost little, small enough to cost little
// memory that a save touches for the first time.
constexpr size_t Block = (size_t)256 << 10;

char* BlockOf(FileSink& sink) {
    if (sink.block.size() < Block) sink.block.resize(Block);
    return sink.block.data();
}

// Whether the old file holds `size` bytes equal to `data` at `agreed`.
bool Agrees(FileSink& sink, const char* data, size_t size) {
    if (sink.old == FileNoHandle) return false;
    size_t got = 0;
    int err = 0;
    return FileOsReadAt(sink.old, sink.agreed, BlockOf(sink), size, &got, &err) && got == size &&
           std::memcmp(sink.block.data(), data, size) == 0;
}

// The temporary file, holding the bytes that agreed, copied from the old
// file: they are the same bytes.
bool StartTemp(FileSink& sink) {
    if (sink.beforeTemp && !sink.beforeTemp(sink.context)) {
        sink.stop = SinkRefused;
        return false;
    }
    sink.temp = FileOsMakeTemp(sink.folder, &sink.tempPath, &sink.err);
    if (sink.temp == FileNoHandle) {
        sink.stop = SinkNoTemp;
        return false;
    }
    for (uint64_t at = 0; at < sink.agreed;) {
        size_t want = (size_t)std::min<uint64_t>(Block, sink.agreed - at), got = 0;
        if (!FileOsReadAt(sink.old, at, BlockOf(sink), want, &got, &sink.err)) {
            sink.stop = SinkWriteFailed;
            return false;
        }
        if (got != want) {
            sink.stop = SinkOldChanged;
            return false;
        }
        if (!FileOsWriteAll(sink.temp, sink.block.data(), got, &sink.err)) {
            sink.stop = SinkWriteFailed;
            return false;
        }
        at += got;
    }
    return true;
}

} // namespace

bool FileSinkPut(FileSink& sink, const void* data, size_t size) {
    if (sink.stop) return false;
    FileHashAdd(sink.hash, data, size);
    if (sink.discard) return true;
    const char* p = static_cast<const char*>(data);
    while (!sink.differs && size) {
        size_t n = std::min(size, Block);
        if (!Agrees(sink, p, n)) {
            sink.differs = true;
            break;
        }
        sink.agreed += n;
        p += n;
        size -= n;
    }
    if (!size) return true;
    if (sink.temp == FileNoHandle && !StartTemp(sink)) return false;
    if (FileOsWriteAll(sink.temp, p, size, &sink.err)) return true;
    sink.stop = SinkWriteFailed;
    return false;
}

bool FileSinkFinish(FileSink& sink) {
    if (!sink.stop && !sink.discard && !sink.differs) {
        // The same bytes as far as they go: the old file must end there too.
        char more;
        size_t got = 0;
        int err = 0;
        sink.differs = sink.old == FileNoHandle || !FileOsReadAt(sink.old, sink.agreed, &more, 1, &got, &err) || got;
    }
    if (!sink.stop && !sink.discard && sink.differs && sink.temp == FileNoHandle) StartTemp(sink);
    FileOsClose(sink.old);
    sink.old = FileNoHandle;
    std::vector<char>().swap(sink.block);
    return sink.differs;
}

void FileSinkDrop(FileSink& sink) {
    FileOsClose(sink.old);
    sink.old = FileNoHandle;
    if (sink.temp != FileNoHandle) FileOsDropTemp(sink.temp, sink.tempPath);
    sink.temp = FileNoHandle;
}

bool FileSinkPutBytes(void* context, FileSink& sink, std::string*) {
    const FileSinkBytes& bytes = *static_cast<const FileSinkBytes*>(context);
    return FileSinkPut(sink, bytes.data, bytes.size);
}
