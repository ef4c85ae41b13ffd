// The one-time set-up every fuzz target runs, and the failure report.
#include "fuzz_input.h"

#include "platform/netlib.h"
#include "support/base/host_encodings.h"

#include <unicode/putil.h>

#include <cstdio>
#include <cstdlib>

void FuzzSetUp() {
    static bool done = false;
    if (done) return;
    done = true;
    EncSelect(EncHostNameOf(EncFrameRoman)); // fills the byte tables
    u_setDataDirectory(VELLOR_ICU_DATA_DIR);
    NetLibStandInEnable(VELLOR_FUZZ_NETLIB_DIR);
}

void FuzzSelectEncoding(unsigned index) {
    EncSelect(EncHostNameOf(index % EncHostEncodingCount));
}

void FuzzFail(const char* what, const char* file, int line) {
    std::fprintf(stderr, "%s:%d: property failed: %s\n", file, line, what);
    std::abort();
}
