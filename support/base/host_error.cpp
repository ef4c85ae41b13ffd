#include "support/base/host_error.h"

int32_t HostErrorCode = 0;
