// The plug-in module this build made, as the tests that load it name it.
#pragma once

#include <string>

// Its file name in local form: Vellor.so here, Vellor.dll on Windows.
std::string BuiltModuleFile();
// The same in Windows form, as a loader takes it.
std::string BuiltModuleWindowsName();
