// upgrade-cli lint: checks a template script without running it.
//
//   upgrade-cli lint SCRIPT
//
// Reads SCRIPT as a conversion would and prints every fault the checker finds
// (template/script_lint.h), one per line, as "SCRIPT:LINE: error: MESSAGE" or
// "SCRIPT:LINE: warning: MESSAGE", in line order, on standard output; then one line with the
// counts, "SCRIPT: 1 error, 2 warnings". import_file names files beside SCRIPT.
// Exit codes: 0 no errors (warnings allowed); 1 errors; 2 usage error or a SCRIPT that cannot be read
// (the reason goes to standard error).
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/human_output.h"
#include "cli/json_output.h"
#include "cli/script_check.h"
#include "template/script_lint.h"

namespace {

// The findings for --json: "script", "errors", "warnings" and "findings" [{line, severity, message}].
void recordFindings(const std::string& script, const std::vector<LintFinding>& findings) {
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    std::size_t errors = 0;
    for (const LintFinding& finding : findings) {
        const bool error = finding.severity == LintSeverity::Error;
        if (error) ++errors;
        list.push_back({{"line", finding.line}, {"severity", error ? "error" : "warning"}, {"message", finding.message}});
    }
    nlohmann::ordered_json& extras = cli::commandResult().extras;
    extras["script"] = script;
    extras["errors"] = errors;
    extras["warnings"] = findings.size() - errors;
    extras["findings"] = std::move(list);
}

int runLint(const std::string& script) {
    const std::vector<LintFinding> findings = lintScriptFile(script);
    if (!findings.empty() && findings.front().line == 0) {
        cli::complain("lint", findings.front().message);
        return kExitFailure;
    }
    std::ostream& out = cli::humanOut();
    for (const LintFinding& finding : findings) out << lintFindingText(script, finding) << '\n';
    out << lintCountText(script, findings) << '\n';
    out.flush();
    recordFindings(script, findings);
    return hasErrors(findings) ? 1 : kExitDone;  // 1: the script has errors
}

}  // namespace

void addLintCommand(CLI::App& app, int& exitCode) {
    auto script = std::make_shared<std::string>();
    CLI::App* command = app.add_subcommand("lint", "Check a template script without running it.");
    command->add_option("SCRIPT", *script, "template script to check")->required();
    command->footer(
        "Errors: over-long lines, unknown verbs (with the closest verb as a suggestion), missing arguments,\n"
        "templates and settings that cannot be parsed, if_leaf/if_version/end_if blocks that do not balance or\n"
        "that end elsewhere when skipped, section markers out of order, repeated or indented, and faulty\n"
        "add_to_branch item lists. Warnings: ignored arguments, import_file of a file not beside SCRIPT,\n"
        "missing section markers, and lines that can never run (user_error after a user_error, if_version\n"
        "blocks whose version is never set).\n"
        "Output: one line per finding, \"SCRIPT:LINE: error|warning: MESSAGE\", then the counts.\n"
        "Exit status: 0 no errors (warnings allowed), 1 errors, 2 usage error or a SCRIPT that cannot be read.");
    command->callback([script, &exitCode] { exitCode = runLint(*script); });
}
