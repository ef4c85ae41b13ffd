// Each command's own help: what `vellor-host help CMD` and `vellor-host CMD
// --help` print, with the options that command takes.
#pragma once

#include "apps/vellor_host/host_options.h"

#include <string>

// The help of one command (not HostCommandNone), ending in a line about the
// options every command takes.
std::string HostCommandHelp(HostCommand command);
