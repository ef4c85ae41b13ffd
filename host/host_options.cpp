// Default options lists: fixed {number, value} entries of kind 1, and the
// builder's check that a list comes out with as many entries as it was
// given room for (a mismatch is a programming error and stops the library).
#include "host/call_layer.h"
#include "host/prop_vals.h"

#include "support/base/format.h"
#include "support/io/format_output.h"
#include "support/base/memory.h"

const HostOption HostDefaultOpenOptions[17] = {
    {1, 1},  {2, 1},  {14, 4}, {15, 4}, {16, 4}, {17, 4}, {18, 4}, {19, 4}, {20, 4},
    {21, 4}, {22, 4}, {23, 4}, {28, 4}, {24, 4}, {25, 4}, {4, 1},  {44, 0},
};

PropVals HostBuildOptions(const HostOption* options, uint32_t count, uint32_t allocated) {
    PropVals list = PropValsAlloc(allocated);
    if (list.count == 0) return list;
    uint32_t filled = 0;
    for (; filled < count && filled < allocated; ++filled) {
        PropVal& entry = list.entries[filled];
        entry.ident.number = options[filled].number;
        entry.value.kind = TypedInteger;
        entry.value.value.integer = options[filled].value;
    }
    if (filled != allocated || count != allocated) {
        PropValsFree(&list);
        FmtPrint(nullptr, "Error: Default params list has an incorrect number of items.\n");
        FatalError();
    }
    return list;
}
