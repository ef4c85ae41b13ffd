// Setting and removing variables of the process environment from tests, on
// both systems, and the variable through which the system finds its folder
// for temporary files.
#pragma once

// Sets `name` to `value`; a null value removes the variable. On Windows a
// variable set to "" is removed as well: the runtime keeps no empty ones.
void TestSetEnv(const char* name, const char* value);

// "TMPDIR" here; "TMP" on Windows, the first one GetTempPath consults.
extern const char* const TestTempFolderVariable;
