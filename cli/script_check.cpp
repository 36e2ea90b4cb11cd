// The script check before a run, and the text of a finding.
#include "cli/script_check.h"

#include <iostream>

#include "cli/commands.h"
#include "template/script_lint.h"

namespace {

std::string counted(std::size_t n, const char* what) { return std::to_string(n) + " " + what + (n == 1 ? "" : "s"); }

}  // namespace

std::string lintFindingText(const std::string& scriptPath, const LintFinding& finding) {
    if (finding.line == 0) return finding.message;
    return scriptPath + ":" + std::to_string(finding.line) +
           (finding.severity == LintSeverity::Error ? ": error: " : ": warning: ") + finding.message;
}

std::string lintCountText(const std::string& scriptPath, const std::vector<LintFinding>& findings) {
    std::size_t errors = 0;
    for (const LintFinding& finding : findings) {
        if (finding.severity == LintSeverity::Error) ++errors;
    }
    return scriptPath + ": " + counted(errors, "error") + ", " + counted(findings.size() - errors, "warning");
}

int lintBeforeRun(const std::string& scriptPath, const std::string& command) {
    return lintBeforeRun(scriptPath, command, std::cerr);
}

int lintBeforeRun(const std::string& scriptPath, const std::string& command, std::ostream& err) {
    const std::vector<LintFinding> findings = lintScriptFile(scriptPath);
    const std::string prefix = "upgrade-cli " + command + ": ";
    for (const LintFinding& finding : findings) err << prefix << lintFindingText(scriptPath, finding) << '\n';
    if (!hasErrors(findings)) {
        err.flush();
        return kExitDone;
    }
    err << prefix << "the template script " << scriptPath
        << " has errors, so nothing was run (--no-lint skips this check)\n";
    err.flush();
    return kExitFailure;
}
