// PathCurrentDir: an object for a directory, by default the process's
// working directory, presented in the library's Windows form.
#include <cstring>

#ifdef _WIN32
#include <direct.h>
#define PathGetCwd _getcwd
#else
#include <unistd.h>
#define PathGetCwd getcwd
#endif

#include "platform/win_names.h"
#include "support/io/path.h"
#include "support/io/path_scan.h"

PathObject* PathCurrentDir(const char* directory) {
    if (directory && *directory) return PathResolveNew(directory, nullptr);

    char local[PathBufferSize];
    if (!PathGetCwd(local, sizeof local)) return nullptr;
    char name[PathBufferSize];
    int len = PlatformLocalNameToWindows(local, name, sizeof name);
    if (len < 0) return nullptr;
    if (!PathEndsWith(name, '\\')) {
        if (len + 1 >= PathBufferSize) return nullptr;
        name[len++] = '\\';
        name[len] = 0;
    }
    // Taken as it stands: a directory named "$x" is not a variable.
    PathObject* object = PathNewFromText(name);
    if (object) object->flags = PathFlagResolved;
    return object;
}
