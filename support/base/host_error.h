// HostErrorCode: the library-wide code of the last failed host operation.
// 0 at load; written by an operation that fails and never reset by one that
// succeeds. It sits at the bottom of the library because paths and property
// lists write it as well as the host call layer.
#pragma once

#include <cstdint>

extern int32_t HostErrorCode;
