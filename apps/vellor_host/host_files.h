// The files vellor-host works on: the simulated host's store of MIF files.
#pragma once

#include "apps/vellor_host/host_session.h"

// A store of real MIF files, made once per run and released at its end.
HostFileStore HostFilesOpen();
void HostFilesClose(HostFileStore& files);
