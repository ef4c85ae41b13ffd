// Where vellor-host finds the plug-in module and the host folder when no
// option names them. An installed program finds them beside itself, in the
// usual layout (PREFIX/bin/vellor-host, PREFIX/lib/vellor/<module>,
// PREFIX/share/vellor/ as the host folder); a program run from its build
// folder uses the build's own.
#pragma once

#include <string>

struct HostDefaults {
    std::string hostDir;
    std::string plugin;
};

// The places looked up, in order, and the ones found (the build's own when
// none of the installed places holds them).
HostDefaults FindHostDefaults();

// Whether a host folder holds the converters the plug-in names files with
// (icu_data, as the build and an install fill it).
bool HostFolderHasConverters(const std::string& hostDir);
// Whether two names are of one folder (false when either is not there).
bool SameFolder(const std::string& a, const std::string& b);

// What --version and --help say about it.
std::string HostDefaultsText(const HostDefaults& defaults);
