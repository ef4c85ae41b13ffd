// NetLib, the host application's network-file library, as this system sees
// it: fourteen C functions that recognise network names, fetch them into a
// local cache, save them back and combine them. The real library is part of
// the host; this machine has a stand-in of our own behind the same names.
//
// The stand-in claims no name by default, so every name is local. Tests can
// switch on a network mode in which names beginning "http://" or "https://"
// are network files served from a local folder:
//
//   <folder>/remote/<scheme>/<rest>   the "remote" file
//   <folder>/cache/<scheme>/<rest>    its local cache copy
//
// where <rest> is the URL after "://" with "%XX" escapes decoded; an empty,
// "." or ".." component in <rest> is refused. Fetching copies the remote file
// over its cache copy, saving copies the cache copy back. Names handed back
// (cache paths) are in the library's Windows form ("Z:\..." for a POSIX path
// outside Windows); names taken in as local files go through
// PlatformWindowsNameToLocal.
#pragma once

#include <cstdint>

typedef int32_t NetLibRet; // 0 means success
typedef int32_t NetLibErr;

// The stand-in's error codes (the real library's are its own).
enum : NetLibErr {
    NetLibErrNone = 0,
    NetLibErrNotNetFile = 1, // the name is not a network file
    NetLibErrNotFound = 2,   // no remote file of that name
    NetLibErrNoCache = 3,    // no cache entry for the name
    NetLibErrBadName = 4,    // a name the stand-in cannot map to a file
    NetLibErrIo = 5,         // copying between remote and cache failed
    NetLibErrNoMemory = 6,
    NetLibErrBadArgument = 7,
};

// Flag value of the "second mode" of NetLibStat and NetLibOpen: the caller
// means to write the file. The stand-in treats it like 0 but records it.
enum : uint32_t { NetLibFlagWrite = 16 };

NetLibRet NetLibIsNetFile(const char* name);
NetLibRet NetLibStat(const char* name, uint32_t flags);
NetLibRet NetLibOpen(const char* name, uint32_t flags, char** localPath);
NetLibRet NetLibQueryCacheForPath(const char* name, char** localPath);
NetLibRet NetLibQueryCacheForURL(const char* url, char** localPath);
NetLibRet NetLibGetCacheFile(const char* name, char** localPath);
NetLibRet NetLibSave(const char* name, uint32_t flags);
NetLibRet NetLibPut(const char* networkName, const char* secondName);
NetLibRet NetLibUploadFolder(const char* networkName, const char* secondName);
NetLibRet NetLibGetAbsoluteURL(const char* base, const char* relative, char** url);
NetLibRet NetLibGetRelativeURL(const char* referenceUrl, const char* url, char** relativeUrl);
NetLibRet NetLibCleanURL(const char* url, char** cleanUrl);
void NetLibFree(void* pointer);
NetLibErr NetLibGetLastError();

// ---- Test controls of the stand-in -------------------------------------
// In the library vellor_netlib_controls (netlib_controls.cpp), which only
// the tests link: the module does not carry them.

// Switches the network mode on, serving from `cacheFolder` (a local name of
// this system; created when missing). Returns 0, or -1 when the folder cannot
// be made. Clears the call counters and any pending failures.
int NetLibStandInEnable(const char* cacheFolder);
// Back to the default: every name local.
void NetLibStandInDisable();

// The operations whose next call a test can make fail.
enum NetLibStandInOp {
    NetLibOpIsNetFile,
    NetLibOpStat,
    NetLibOpOpen,
    NetLibOpQueryCacheForPath,
    NetLibOpQueryCacheForURL,
    NetLibOpGetCacheFile,
    NetLibOpSave,
    NetLibOpPut,
    NetLibOpUploadFolder,
    NetLibOpGetAbsoluteURL,
    NetLibOpGetRelativeURL,
    NetLibOpCleanURL,
    NetLibOpCount,
};
// The next call of `op` fails with `error` (a nonzero NetLibRet) without
// doing anything.
void NetLibStandInFailNext(NetLibStandInOp op, NetLibErr error);
// Calls of `op` since the stand-in was last enabled or disabled.
int NetLibStandInCalls(NetLibStandInOp op);
// The flags argument of the last NetLibStat, NetLibOpen or NetLibSave.
uint32_t NetLibStandInLastFlags();
// Strings handed out through out-parameters and not yet given to NetLibFree.
int NetLibStandInLiveStrings();
// The local name (of this system) of the remote file of a network name,
// written into `buffer`; 0, or -1 for a name the stand-in does not map or a
// buffer too small.
int NetLibStandInRemoteFile(const char* url, char* buffer, int size);
