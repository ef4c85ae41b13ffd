// The process environment from tests (see environment.h).
#include "common/environment.h"

#include <cstdlib>

#ifdef _WIN32
const char* const TestTempFolderVariable = "TMP";

// _putenv_s also updates the system's copy, which GetTempPathA reads.
void TestSetEnv(const char* name, const char* value) { _putenv_s(name, value ? value : ""); }
#else
const char* const TestTempFolderVariable = "TMPDIR";

void TestSetEnv(const char* name, const char* value) {
    if (value)
        setenv(name, value, 1);
    else
        unsetenv(name);
}
#endif
