// `vellor-host menus`: the menu bars as the plug-in left them.
#include "apps/vellor_host/host_run.h"

#include <cstdio>

namespace {

void PrintMenu(const SimSession& session, ObjId id, int depth) {
    auto it = session.menus.find(id);
    if (it == session.menus.end()) return;
    const SimMenuObject& m = it->second;
    std::string indent(static_cast<size_t>(depth) * 2, ' ');
    switch (m.kind) {
    case SimMenuSeparator: std::printf("%s----\n", indent.c_str()); return;
    case SimMenuCommand:
        std::printf("%s%s  [%s, command %d]\n", indent.c_str(), m.label.c_str(), m.name.c_str(), m.command);
        return;
    case SimMenuMenu:
        std::printf("%s%s%s%s\n", indent.c_str(), m.label.empty() ? "" : m.label.c_str(), m.label.empty() ? "" : "  ",
                    ("(" + m.name + ")").c_str());
        for (ObjId item : m.items) PrintMenu(session, item, depth + 1);
        return;
    }
}

} // namespace

int MenusCommand(HostRun& run, const std::vector<std::string>&) {
    const SimSession& session = SimServerSession(run.server);
    for (const char* bar : {"!MakerMainMenu", "!QuickMakerMainMenu", "!BookMainMenu"})
        PrintMenu(session, SimMenuByName(session, bar), 0);
    return HostExitDone;
}
