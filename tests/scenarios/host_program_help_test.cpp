// vellor-host's help and its terminal: each command's own help, the same by
// `help CMD` and `CMD --help`; the man page and the bash completion naming
// every command and option the help names; and progress rewritten in place
// on a terminal only when the terminal takes escape sequences.
// Not on Windows: the program is run as a child through fork, pipes and a
// pseudo-terminal.
#ifndef _WIN32
#include "host_program_run.h"

#include <fcntl.h>
#include <pty.h>
#include <set>

namespace {

const char* const kCommands[] = {"apply", "apply-book", "list", "list-book", "insert-marker",
                                 "remove-marker", "send", "menus", "check", "map"};

// The options a help text names: words that begin with a dash at the start
// of an indented line ("  --mapping FILE", "  -q, --quiet").
std::set<std::string> OptionsIn(const std::string& help) {
    std::set<std::string> options;
    for (const std::string& line : Lines(help)) {
        size_t at = line.find_first_not_of(' ');
        if (at == 0 || at == std::string::npos || line[at] != '-') continue;
        std::string word;
        for (size_t i = at; i <= line.size(); ++i) {
            if (i < line.size() && line[i] != ' ' && line[i] != ',') {
                word += line[i];
            } else if (!word.empty()) {
                if (word[0] == '-') options.insert(word);
                word.clear();
                if (i < line.size() && line[i] == ' ' && i + 1 < line.size() && line[i + 1] == ' ') break;
            }
        }
    }
    return options;
}

TEST(HostProgramHelp, EachCommandHasItsOwnHelpByEitherWay) {
    std::set<std::string> seen;
    for (const char* command : kCommands) {
        HostResult asked = RunHostProgram({"help", command});
        HostResult option = RunHostProgram({command, "--help"});
        EXPECT_EQ(asked.status, 0) << command;
        EXPECT_EQ(option.status, 0) << command;
        EXPECT_EQ(asked.out, option.out) << command;
        std::string usage = std::string("usage: vellor-host [options] ") + command;
        EXPECT_EQ(asked.out.rfind(usage, 0), 0u) << asked.out;
        EXPECT_TRUE(asked.out[usage.size()] == ' ' || asked.out[usage.size()] == '\n') << asked.out;
        EXPECT_TRUE(seen.insert(asked.out).second) << command << " has another command's help";
    }
    EXPECT_EQ(RunHostProgram({"help"}).out, RunHostProgram({"--help"}).out);
    HostResult unknown = RunHostProgram({"help", "publish"});
    EXPECT_EQ(unknown.status, 2);
    EXPECT_NE(unknown.err.find("unknown command publish"), std::string::npos) << unknown.err;
}

TEST(HostProgramHelp, TheManPageAndTheCompletionNameEveryCommandAndOption) {
    std::string man = ReadBytes(std::string(VELLOR_SOURCE_DIR) + "/docs/vellor-host.1");
    std::string completion = ReadBytes(std::string(VELLOR_SOURCE_DIR) + "/data/vellor-host.bash");
    ASSERT_FALSE(man.empty());
    ASSERT_FALSE(completion.empty());
    // roff writes a dash that must stay one as "\-".
    auto inMan = [&](std::string word) {
        for (size_t at = word.find('-'); at != std::string::npos; at = word.find('-', at + 2)) word.insert(at, "\\");
        return man.find(word) != std::string::npos;
    };
    std::set<std::string> options = OptionsIn(RunHostProgram({"--help"}).out);
    for (const char* command : kCommands) {
        EXPECT_TRUE(inMan(command)) << command;
        EXPECT_NE(completion.find(command), std::string::npos) << command;
        for (const std::string& option : OptionsIn(RunHostProgram({"help", command}).out)) options.insert(option);
    }
    EXPECT_GE(options.size(), 15u);
    for (const std::string& option : options) {
        EXPECT_TRUE(inMan(option)) << option << " is not in docs/vellor-host.1";
        EXPECT_NE(completion.find(option), std::string::npos) << option << " is not in data/vellor-host.bash";
    }

    // The completion offers a command's own options after the command.
    ScratchFolder scratch;
    WriteBytes(scratch / "complete.sh", "source '" + std::string(VELLOR_SOURCE_DIR) +
                                            "/data/vellor-host.bash'\nCOMP_WORDS=(vellor-host check --f)\n"
                                            "COMP_CWORD=2\n_vellor_host\necho \"${COMPREPLY[*]}\"\n");
    FILE* bash = popen(("bash " + scratch / "complete.sh").c_str(), "r");
    ASSERT_NE(bash, nullptr);
    char reply[256] = {};
    size_t n = fread(reply, 1, sizeof reply - 1, bash);
    pclose(bash);
    EXPECT_EQ(std::string(reply, n), "--format\n");
}

// Runs the program with its stderr on a pseudo-terminal, in the environment
// given (TERM and NO_COLOR as `term` and `noColor` say; null: unset), and
// returns what the terminal received.
std::string OnTerminal(const std::vector<std::string>& args, const char* term, const char* noColor) {
    int master = -1, slave = -1;
    if (openpty(&master, &slave, nullptr, nullptr, nullptr) != 0) return "(no pseudo-terminal)";
    pid_t child = fork();
    if (child == 0) {
        close(master);
        dup2(slave, 2);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 1);
        term ? setenv("TERM", term, 1) : unsetenv("TERM");
        noColor ? setenv("NO_COLOR", noColor, 1) : unsetenv("NO_COLOR");
        std::vector<std::string> copies = args;
        std::string program = VELLOR_HOST_PROGRAM;
        std::vector<char*> argv{program.data()};
        for (std::string& a : copies) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(program.c_str(), argv.data());
        _exit(127);
    }
    close(slave);
    std::string seen;
    char buffer[4096];
    for (ssize_t n; (n = read(master, buffer, sizeof buffer)) > 0 || (n < 0 && errno == EINTR);)
        if (n > 0) seen.append(buffer, static_cast<size_t>(n));
    close(master);
    waitpid(child, nullptr, 0);
    return seen;
}

TEST(HostProgramHelp, ProgressIsRewrittenInPlaceOnlyOnATerminalThatTakesEscapes) {
    ScratchFolder scratch;
    CopySample(scratch.path());
    std::vector<std::string> args = {"--dry-run", "apply-book", scratch / "Manual.book"};
    struct Case {
        const char* term;
        const char* noColor;
        bool inPlace;
    } cases[] = {{"xterm", nullptr, true}, {"dumb", nullptr, false}, {"xterm", "1", false}, {"xterm", "", true}};
    for (const Case& c : cases) {
        std::string seen = OnTerminal(args, c.term, c.noColor);
        EXPECT_NE(seen.find("Updating Master Pages: appendix.mif"), std::string::npos) << seen;
        EXPECT_EQ(seen.find('\x1b') != std::string::npos, c.inPlace)
            << "TERM=" << c.term << " NO_COLOR=" << (c.noColor ? c.noColor : "(unset)") << "\n" << seen;
    }
}

} // namespace
#endif
