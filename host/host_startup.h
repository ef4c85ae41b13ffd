// Library start-up with the host directory asked of the connected host: the
// support library's start-up (support/io/library_startup.h) fed by the call
// layer.
#pragma once

#include "support/io/library_startup.h"

// The host directory (property PropHostDirectory of the session) as the
// start-up reads it: a library-heap string (MemFree) or null when the call
// failed. The call is judged alone: an earlier failure in HostErrorCode is
// not taken for its own, and a success leaves HostErrorCode as it was.
char* HostDirectoryForStartup();

// EncLibraryInitWith, EncSetIcuDataDirWith and EncEnsureIcuDataDirWith over
// HostDirectoryForStartup: 0, or 1 when no ICU data directory could be set.
int EncLibraryInit();
int EncSetIcuDataDir();
int EncEnsureIcuDataDir();
