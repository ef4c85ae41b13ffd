// The README's guide for a person bringing their own documents, followed to
// the letter: every `$ vellor-host ...` line of its examples is run, in
// order, on a copy of the guide's own sample (examples/guide), and must print
// what the README shows and exit as it says.
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

TEST(HostProgramGuide, TheReadmeGuideRunsAsWritten) {
    std::vector<GuideStep> steps =
        GuideSteps(ReadBytes(std::string(VELLOR_SOURCE_DIR) + "/README.md"), "## Bringing your own documents");
    ASSERT_GE(steps.size(), 4u) << "the guide's examples were not found in README.md";

    ScratchFolder scratch;
    for (const auto& entry : std::filesystem::directory_iterator(SamplePath("guide")))
        std::filesystem::copy_file(entry.path(), scratch / entry.path().filename().string());
    HostRunOptions inScratch;
    inScratch.workingDirectory = scratch.path();
    for (const GuideStep& step : steps) {
        std::string command;
        for (const std::string& a : step.args) command += " " + a;
        HostResult r = RunHostProgram(step.args, inScratch);
        // Each step's messages come before its table or findings.
        EXPECT_EQ(r.err + r.out, step.printed) << "vellor-host" << command;
        bool findings = step.args.size() > 2 && std::find(step.args.begin(), step.args.end(), "check") != step.args.end() &&
                        step.printed.find(" findings in ") != std::string::npos;
        EXPECT_EQ(r.status, findings ? 1 : 0) << "vellor-host" << command << "\n" << r.err;
    }
}

} // namespace
#endif
