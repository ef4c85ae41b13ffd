// Start-up of the support library: FrameRoman as the current encoding, the
// library-initialised flag, and ICU's data directory under the directory the
// host reports ("<host directory>\icu_data").
#pragma once

// Idempotent. 0 on success; 1 when no ICU data directory could be set (the
// host gave no directory, or one too long to compose).
int EncLibraryInit();
void EncLibraryReset();
int EncLibraryIsInit();
// Asks the host for its directory and sets ICU's data directory from it,
// whatever ICU's directory is now. 0, or 1 as for EncLibraryInit.
int EncSetIcuDataDir();
// EncSetIcuDataDir only while ICU's data directory is empty; else 0.
int EncEnsureIcuDataDir();
