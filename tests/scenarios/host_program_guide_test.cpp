// The README's tour and its guide for a person bringing their own
// documents, followed to the letter: every `$ vellor-host ...` line of their
// examples is run, in order, where the README says to run it (the tour in a
// copy of examples/, the guide in a copy of examples/guide), and must print
// what the README shows and exit as its text implies.
// Not on Windows: the program is run as a child through fork and pipes.
#ifndef _WIN32
#include "host_program_run.h"

namespace {

struct GuideStep {
    std::vector<std::string> args; // after "vellor-host"
    std::string printed;           // the lines under the command, each ending in "\n"
};

// The words of a command line; "..." holds spaces.
std::vector<std::string> Words(const std::string& line) {
    std::vector<std::string> words;
    std::string word;
    bool quoted = false, any = false;
    for (char c : line) {
        if (c == '"') {
            quoted = !quoted;
            any = true;
        } else if (c == ' ' && !quoted) {
            if (any) words.push_back(word);
            word.clear();
            any = false;
        } else {
            word += c;
            any = true;
        }
    }
    if (any) words.push_back(word);
    return words;
}

// The steps of the README section headed `heading`: in its ``` blocks
// (indented as a list item's may be), a line "$ vellor-host ..." and the
// lines after it up to the next "$ " line or the block's end.
std::vector<GuideStep> GuideSteps(const std::string& readme, const std::string& heading) {
    std::vector<GuideStep> steps;
    bool inSection = false, inBlock = false;
    size_t indent = 0;
    GuideStep* step = nullptr;
    for (std::string line : Lines(readme)) {
        if (line.rfind("## ", 0) == 0) inSection = line == heading;
        if (!inSection) continue;
        size_t fence = line.find_first_not_of(' ');
        if (fence != std::string::npos && line.compare(fence, 3, "```") == 0) {
            inBlock = !inBlock;
            indent = fence;
            step = nullptr;
            continue;
        }
        if (!inBlock) continue;
        line.erase(0, std::min(indent, line.find_first_not_of(' ') == std::string::npos ? line.size()
                                                                                         : line.find_first_not_of(' ')));
        if (line.rfind("$ ", 0) == 0) {
            step = nullptr;
            std::vector<std::string> words = Words(line.substr(2));
            if (words.empty() || words[0] != "vellor-host") continue;
            steps.push_back({std::vector<std::string>(words.begin() + 1, words.end()), ""});
            step = &steps.back();
        } else if (step) {
            step->printed += line + "\n";
        }
    }
    return steps;
}

std::string TrimEnd(std::string line) {
    while (!line.empty() && line.back() == ' ') line.pop_back();
    return line;
}

// Whether the lines printed match the README's: line for line, trailing
// spaces aside, where a README line "..." stands for any lines at all.
bool Matches(const std::vector<std::string>& shown, size_t s, const std::vector<std::string>& printed, size_t p) {
    if (s == shown.size()) return p == printed.size();
    if (shown[s] == "...")
        for (size_t skip = p; skip <= printed.size(); ++skip)
            if (Matches(shown, s + 1, printed, skip)) return true;
    return p < printed.size() && TrimEnd(shown[s]) == TrimEnd(printed[p]) && Matches(shown, s + 1, printed, p + 1);
}

// The exit status the README's text implies for what it shows: 2 after an
// error, 1 after a warning or check's findings, else 0.
int StatusShown(const std::string& shown) {
    if (shown.rfind("error: ", 0) == 0 || shown.find("\nerror: ") != std::string::npos) return 2;
    bool warned = shown.rfind("warning: ", 0) == 0 || shown.find("\nwarning: ") != std::string::npos;
    bool findings = shown.find(" findings in ") != std::string::npos || shown.find(" finding in ") != std::string::npos;
    return warned || findings ? 1 : 0;
}

// Runs the steps of a README section in `folder`; `replace` maps what the
// README shows for places on the reader's machine to this run's.
void RunSteps(const std::string& heading, const std::string& folder,
              const std::vector<std::pair<std::string, std::string>>& replace, size_t atLeast) {
    std::vector<GuideStep> steps = GuideSteps(ReadBytes(std::string(VELLOR_SOURCE_DIR) + "/README.md"), heading);
    ASSERT_GE(steps.size(), atLeast) << "the examples of \"" << heading << "\" were not found in README.md";
    HostRunOptions in;
    in.workingDirectory = folder;
    for (const GuideStep& step : steps) {
        std::string command, shown = step.printed;
        for (const std::string& a : step.args) command += " " + a;
        for (const auto& [from, to] : replace)
            for (size_t at = shown.find(from); at != std::string::npos; at = shown.find(from, at + to.size()))
                shown.replace(at, from.size(), to);
        HostResult r = RunHostProgram(step.args, in);
        // Each step's messages come before its table, report or findings.
        EXPECT_TRUE(Matches(Lines(shown), 0, Lines(r.err + r.out), 0))
            << "vellor-host" << command << "\n--- the README shows:\n" << shown << "--- it printed:\n" << r.err << r.out;
        EXPECT_EQ(r.status, StatusShown(shown)) << "vellor-host" << command << "\n" << r.err;
    }
}

TEST(HostProgramGuide, TheReadmeTourRunsAsWrittenInACopyOfTheExamples) {
    ScratchFolder scratch;
    std::filesystem::copy(SamplePath(""), scratch.path(), std::filesystem::copy_options::recursive);
    RunSteps("## A tour of vellor-host", scratch.path(),
             {{"/tmp/tour", scratch.path()}, {"/home/me/vellor/build", VELLOR_BINARY_DIR}}, 10);
}

TEST(HostProgramGuide, TheReadmeGuideRunsAsWritten) {
    ScratchFolder scratch;
    for (const auto& entry : std::filesystem::directory_iterator(SamplePath("guide")))
        std::filesystem::copy_file(entry.path(), scratch / entry.path().filename().string());
    RunSteps("## Bringing your own documents", scratch.path(), {}, 4);
}

} // namespace
#endif
