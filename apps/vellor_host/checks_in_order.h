// Checks of several files at once: each file's read is begun through the
// store on the calling thread, one after another, and its bytes read and
// parsed there or on one worker thread, whichever is free; what each check
// found is then told on the calling thread in the order of the files. A few files are in flight at
// most, and the worker ends before the call returns.
#pragma once

#include "apps/vellor_host/store_tap.h"

#include <string>
#include <vector>

// Calls `told(context, i, status, isBook, why)` for each of `names` in order,
// with what StoreTapCheck would have given; 1 when every call gave 1.
int StoreTapCheckInOrder(StoreTap& tap, const std::vector<std::string>& names,
                         int (*told)(void* context, size_t i, int status, bool isBook, const std::string& why),
                         void* context);
