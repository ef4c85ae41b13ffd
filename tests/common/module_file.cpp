// The built plug-in module's file name (see module_file.h).
#include "common/module_file.h"

#include "platform/win_names.h"

#include <vector>

#ifdef _WIN32
std::string BuiltModuleFile() { return VELLOR_BINARY_DIR "\\Vellor.dll"; }
#else
std::string BuiltModuleFile() { return VELLOR_BINARY_DIR "/Vellor.so"; }
#endif

std::string BuiltModuleWindowsName() {
    std::string local = BuiltModuleFile();
    std::vector<char> name(local.size() * 2 + 16);
    if (PlatformLocalNameToWindows(local.c_str(), name.data(), (int)name.size()) < 0) return local;
    return name.data();
}
