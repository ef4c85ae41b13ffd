// The test controls of the NetLib stand-in: network mode on and off, failures
// on demand, call counts, and where a network name's files lie. Built into a
// library of their own that only the tests link, so the module never holds
// them.
#include "platform/netlib.h"
#include "platform/netlib_state.h"

#include <cstring>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {
NetLibStandInState& State = NetLibStandIn;
} // namespace

int NetLibStandInEnable(const char* cacheFolder) {
    NetLibStandInDisable();
    if (!cacheFolder || !*cacheFolder) return -1;
    std::error_code ec;
    fs::path folder = fs::absolute(fs::path(cacheFolder), ec);
    if (ec) return -1;
    fs::create_directories(folder / "remote", ec);
    if (ec) return -1;
    fs::create_directories(folder / "cache", ec);
    if (ec) return -1;
    State.folder = folder;
    State.enabled = true;
    return 0;
}

void NetLibStandInDisable() {
    int live = State.liveStrings;
    State = NetLibStandInState();
    State.liveStrings = live; // strings still out must balance their frees
}

void NetLibStandInFailNext(NetLibStandInOp op, NetLibErr error) {
    if (op >= 0 && op < NetLibOpCount) State.failNext[op] = error;
}

int NetLibStandInCalls(NetLibStandInOp op) {
    return (op >= 0 && op < NetLibOpCount) ? State.calls[op] : 0;
}

uint32_t NetLibStandInLastFlags() { return State.lastFlags; }

int NetLibStandInLiveStrings() { return State.liveStrings; }

namespace {
int WriteLocalName(const fs::path& file, char* buffer, int size) {
    std::string text = file.string();
    if (file.empty() || !buffer || size <= 0 || text.size() >= static_cast<size_t>(size)) return -1;
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return 0;
}
} // namespace

int NetLibStandInRemoteFile(const char* url, char* buffer, int size) {
    return WriteLocalName(NetLibStandInLocalFile("remote", url), buffer, size);
}
