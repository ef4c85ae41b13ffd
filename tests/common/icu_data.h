// Points ICU at the build's own data folder, where the build puts the host
// converters, so that tests can open them by name.
#pragma once

// The folder the build writes the converters below (<build>/icu_data).
const char* BuildIcuDataDir();
// Sets ICU's data directory to BuildIcuDataDir(); call before converting.
void UseBuildIcuData();
