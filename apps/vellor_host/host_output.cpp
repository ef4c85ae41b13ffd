// The user's view of a run: alerts, console lines, progress and warnings.
#include "apps/vellor_host/host_output.h"

#include <cstdlib>
#include <cstring>

namespace {

enum { AlertNote = 2, AlertWarning = 3 };

void ClearProgressLine(HostReporter& r) {
    if (!r.progressShown) return;
    std::fputs("\r\x1b[K", r.err);
    r.progressShown = false;
}

void ShowProgress(HostReporter& r, const std::string& text) {
    if (r.verbosity == HostQuiet) return;
    std::string line = FormatProgress(r.progressIndex, r.progressTotal, text);
    if (r.terminal) {
        std::fputs(("\r\x1b[K" + line).c_str(), r.err);
        r.progressShown = true;
    } else {
        std::fputs((line + "\n").c_str(), r.err);
    }
    std::fflush(r.err);
}

void Line(HostReporter& r, const std::string& text) {
    ClearProgressLine(r);
    std::fputs(text.c_str(), r.err);
    if (text.empty() || text.back() != '\n') std::fputc('\n', r.err);
    std::fflush(r.err);
}

} // namespace

bool ProgressInPlace(bool stderrIsTerminal) {
    const char* term = std::getenv("TERM");
    const char* noColor = std::getenv("NO_COLOR");
    if (term && std::strcmp(term, "dumb") == 0) return false;
    if (noColor && *noColor) return false;
    return stderrIsTerminal;
}

std::string FormatAlert(const SimAlert& alert) {
    std::string prefix = alert.type == AlertWarning ? "warning: " : "note: ";
    // Line ends reach us as the host's text gives them: LF, CR or CR LF.
    std::string text;
    for (size_t i = 0; i < alert.text.size(); ++i) {
        char c = alert.text[i];
        if (c == '\r' && i + 1 < alert.text.size() && alert.text[i + 1] == '\n') continue;
        text += c == '\r' ? '\n' : c;
    }
    while (!text.empty() && text.back() == '\n') text.pop_back();
    std::string out = prefix;
    for (char c : text) {
        out += c;
        if (c == '\n') out.append(prefix.size(), ' ');
    }
    return out;
}

std::string FormatProgress(int index, int total, const std::string& text) {
    if (total <= 0) return text;
    return "[" + std::to_string(index) + "/" + std::to_string(total) + "] " + text;
}

void ReportHostActivity(HostReporter& r, const SimControl& control) {
    // Status lines first: the book pass sets the line before the work that
    // may raise an alert.
    for (; r.statusSeen < control.statusLines.size(); ++r.statusSeen) {
        const std::string& text = control.statusLines[r.statusSeen].text;
        if (text.empty()) continue; // the pass clears the line at its end
        ++r.progressIndex;
        ShowProgress(r, text);
    }
    for (; r.alertsSeen < control.alerts.size(); ++r.alertsSeen) {
        const SimAlert& alert = control.alerts[r.alertsSeen];
        if (alert.type == AlertWarning) ++r.warnings;
        else if (r.verbosity == HostQuiet) continue;
        Line(r, FormatAlert(alert));
    }
    for (; r.consoleSeen < control.console.size(); ++r.consoleSeen) {
        const std::string& line = control.console[r.consoleSeen];
        PageExplanation explanation;
        if (r.collectExplanations && ParseExplanation(line, &explanation))
            r.explanations.push_back(std::make_shared<const PageExplanation>(std::move(explanation)));
        else if (r.verbosity != HostQuiet)
            Line(r, line);
    }
}

void BeginProgress(HostReporter& r, int total) {
    r.progressIndex = 0;
    r.progressTotal = total;
}

void EndProgress(HostReporter& r) {
    ClearProgressLine(r);
    r.progressTotal = 0;
}

void ReportNote(HostReporter& r, const std::string& text) {
    if (r.verbosity != HostQuiet) Line(r, "note: " + text);
}

void ReportLine(HostReporter& r, const std::string& text) {
    if (r.verbosity != HostQuiet) Line(r, text);
}

void ReportWarning(HostReporter& r, const std::string& text) {
    ++r.warnings;
    Line(r, "warning: " + text);
}

void ReportMappingWarning(HostReporter& r, const std::string& text) { Line(r, "warning: " + text); }

void ReportError(HostReporter& r, const std::string& text) { Line(r, "error: " + text); }

void ReportVerbose(HostReporter& r, const std::string& text) {
    if (r.verbosity == HostVerbose) Line(r, text);
}

int HostExitStatus(const HostReporter& r) {
    if (r.warnings) return HostExitWarning;
    return r.changesExit && r.pagesChanged ? HostExitChanges : HostExitDone;
}
