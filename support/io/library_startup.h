// Start-up of the support library: FrameRoman as the current encoding, the
// library-initialised flag, and ICU's data directory under the directory the
// host reports ("<host directory>\icu_data"). The host directory comes from
// the caller (host/host_startup.h asks the host for it).
#pragma once

// Reads the host directory (Windows form): a library-heap string the caller
// frees with MemFree, or null when the host gave none or could not be asked.
typedef char* (*EncHostDirectoryReader)();

// Idempotent. 0 on success; 1 when no ICU data directory could be set (no
// reader, the host gave no directory, or one too long to compose).
int EncLibraryInitWith(EncHostDirectoryReader readHostDirectory);
// Clears the library-initialised flag; nothing else is undone.
void EncLibraryReset();
// 1 once EncLibraryInitWith has run since the last reset, else 0.
int EncLibraryIsInit();
// Sets ICU's data directory to "<hostDirectory>\icu_data" in local form,
// whatever ICU's directory is now. 0; 1 for a null or empty directory or one
// too long to compose (ICU's directory is then left as it was).
int EncSetIcuDataDirFrom(const char* hostDirectory);
// The same with the directory `readHostDirectory` answers (freed here).
int EncSetIcuDataDirWith(EncHostDirectoryReader readHostDirectory);
// EncSetIcuDataDirWith only while ICU's data directory is empty (the reader
// is not called otherwise); else 0.
int EncEnsureIcuDataDirWith(EncHostDirectoryReader readHostDirectory);
