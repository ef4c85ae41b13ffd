// Opening channels on paths, network names and temporary files, and closing
// them with or without deleting their file.
#include "support/io/channel.h"

#include "platform/win_file.h"
#include "support/base/char_tables.h"
#include "support/base/memory.h"
#include "support/io/channel_stream.h"
#include "support/io/encoding_convert.h"
#include "support/base/host_encodings.h"
#include "support/io/path.h"
#include "support/io/url.h"

#include <cstring>

namespace {

// Wide names hold at most this many UTF-16 units, the terminator included.
constexpr int WideNameUnits = 4095;

struct OpenMode {
    uint8_t bits;        // ChanModeRead | ChanModeWrite
    DWORD access;        // GENERIC_READ, or GENERIC_READ | GENERIC_WRITE
    DWORD disposition;   // OPEN_EXISTING, OPEN_ALWAYS or CREATE_ALWAYS
    bool append;         // "a": start at the end
};

// Only the first character and a '+' after it count. False for an unknown mode.
bool DecodeMode(const char* mode, OpenMode* out) {
    if (!mode) return false;
    bool plus = mode[0] && mode[1] == '+';
    const DWORD readWrite = GENERIC_READ | GENERIC_WRITE;
    switch (mode[0]) {
    case 'r':
        *out = plus ? OpenMode{ChanModeRead | ChanModeWrite, readWrite, OPEN_ALWAYS, false}
                    : OpenMode{ChanModeRead, GENERIC_READ, OPEN_EXISTING, false};
        return true;
    case 'w':
        *out = OpenMode{static_cast<uint8_t>(plus ? ChanModeRead | ChanModeWrite : ChanModeWrite), readWrite,
                        CREATE_ALWAYS, false};
        return true;
    case 'a':
        *out = OpenMode{ChanModeRead | ChanModeWrite, readWrite, OPEN_ALWAYS, true};
        return true;
    default:
        return false;
    }
}

char* CopyString(const char* text) {
    return static_cast<char*>(MemDup(text, static_cast<uint32_t>(std::strlen(text) + 1), 0));
}

// Opens the file a UTF-8 name stands for. A network name is fetched into the
// cache first. Only the modes that empty the file anyway may fall back to a
// fresh cache name: for "r+" and "a" an empty stand-in would be saved over
// the original at close.
HANDLE OpenFile(const char* utf8Name, const OpenMode& mode) {
    char* local = nullptr;
    const char* name = utf8Name;
    if (!UrlIsLocal(utf8Name)) {
        int error = 0;
        if (UrlFetch(utf8Name, &local, &error, 1) != 0) {
            MemFree(local);
            local = nullptr;
            if (mode.disposition != CREATE_ALWAYS || UrlGetCacheFile(utf8Name, &local) != 0) {
                MemFree(local);
                return INVALID_HANDLE_VALUE;
            }
        }
        name = local;
    }

    // A name that is not valid UTF-8, or too long for the wide buffer, is
    // refused rather than opened under a different name.
    WCHAR wide[WideNameUnits] = {};
    int units = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, name, -1, wide, WideNameUnits);
    HANDLE file = INVALID_HANDLE_VALUE;
    if (units > 1) {
        UINT previous = SetErrorMode(SEM_FAILCRITICALERRORS);
        file = CreateFileW(wide, mode.access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, mode.disposition,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
        SetErrorMode(previous);
    }
    MemFree(local);
    return file;
}

void FreeRecord(ChanRecord* channel) {
    MemFree(channel->name);
    MemFree(channel);
}

} // namespace

ChanRecord* ChanOpen(const PathObject* path, const char* mode) {
    OpenMode decoded;
    if (!path || !path->path || !DecodeMode(mode, &decoded)) return nullptr;

    auto* channel = static_cast<ChanRecord*>(MemCalloc(1, sizeof(ChanRecord), 0));
    if (!channel) return nullptr;
    channel->name = CopyString(path->path);
    auto* stream = new (std::nothrow) ChannelStreamC();
    if (!channel->name || !stream) {
        if (stream) stream->Release();
        FreeRecord(channel);
        return nullptr;
    }

    char* converted = nullptr;
    const char* utf8Name = channel->name;
    if (EncCurrent != EncUtf8) {
        converted = EncCurrentToUtf8(channel->name);
        utf8Name = converted;
    }
    // A conversion that lost the name must not open some other file.
    bool named = utf8Name && (*utf8Name || !*channel->name);
    HANDLE file = named ? OpenFile(utf8Name, decoded) : INVALID_HANDLE_VALUE;
    MemFree(converted);
    if (file == INVALID_HANDLE_VALUE) {
        stream->Release();
        FreeRecord(channel);
        return nullptr;
    }

    stream->file = file;
    channel->stream = stream; // the creation reference is the channel's
    channel->mode = decoded.bits;
    if (decoded.append) {
        LARGE_INTEGER none;
        none.QuadPart = 0;
        // Appending from anywhere but the end would overwrite the file.
        if (FAILED(stream->Seek(none, STREAM_SEEK_END, nullptr))) {
            stream->Release();
            FreeRecord(channel);
            return nullptr;
        }
    }
    return channel;
}

ChanRecord* ChanOpenTemp() {
    char directory[PathBufferSize];
    DWORD length = GetTempPathA(PathBufferSize - 2, directory);
    if (length == 0 || length >= PathBufferSize - 2) return nullptr;
    char name[PathBufferSize];
    if (GetTempFileNameA(directory, "FMT", 0, name) == 0) return nullptr;

    PathObject* path = PathFromString(name, nullptr, PathStyleNative);
    ChanRecord* channel = path ? ChanOpen(path, "w+") : nullptr;
    PathFree(path);
    // The file exists by now; a channel that could not be made must not
    // leave it behind.
    if (!channel) DeleteFileA(name);
    return channel;
}

int ChanClose(ChanRecord* channel) {
    if (!channel) return -1;
    int result = 0;
    if (channel->state == ChanStateWriting && ChanFlush(channel)) result = -1;
    if (channel->stream) channel->stream->Release();
    channel->stream = nullptr;
    // A network file's cache copy goes back to the network. One whose last
    // write failed is incomplete and is not saved over the original.
    if ((channel->mode & ChanModeWrite) && !UrlIsLocal(channel->name)) {
        if (result != 0 || UrlSave(channel->name) != 0) result = -1;
    }
    FreeRecord(channel);
    return result;
}

int ChanCloseAndDelete(ChanRecord* channel) {
    if (!channel) return -1;
    // The system deletes by ANSI name.
    char* ansi = CopyString(channel->name);
    if (ansi && EncCurrent == EncFrameRoman) {
        for (unsigned char* p = reinterpret_cast<unsigned char*>(ansi); *p; ++p) *p = CharFrameToAnsi[*p];
    }
    int result = ChanClose(channel);
    if (!ansi || !DeleteFileA(ansi)) result = -1;
    MemFree(ansi);
    return result;
}

int ChanCloseRef(ChanRecord** channelVariable) {
    if (!channelVariable) {
        AssertFailed();
        return -1;
    }
    int result = ChanClose(*channelVariable);
    *channelVariable = nullptr;
    return result;
}

int ChanCloseAndDeleteRef(ChanRecord** channelVariable) {
    if (!channelVariable) {
        AssertFailed();
        return -1;
    }
    int result = ChanCloseAndDelete(*channelVariable);
    *channelVariable = nullptr;
    return result;
}
