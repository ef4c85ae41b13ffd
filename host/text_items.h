// Copy and release of TextItems lists: the items as they stand, with the
// string of every kind-1 item owned by the list.
#pragma once

#include "host/prop_vals.h"

// Deep copy; 0, or -1 when an allocation failed (destination then {0, null}).
int TextItemsCopy(TextItems* destination, const TextItems* source, PropAllocFn alloc);
// Releases the kind-1 strings, then the array; leaves {0, null}.
void TextItemsRelease(TextItems* items, PropReleaseFn release);
