// Points ICU at the build's own data folder (see icu_data.h).
#include "icu_data.h"

#include <unicode/putil.h>

#ifdef _WIN32
const char* BuildIcuDataDir() { return VELLOR_BINARY_DIR "\\icu_data"; }
#else
const char* BuildIcuDataDir() { return VELLOR_BINARY_DIR "/icu_data"; }
#endif

void UseBuildIcuData() { u_setDataDirectory(BuildIcuDataDir()); }
