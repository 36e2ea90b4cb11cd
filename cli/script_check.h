// Checking a template script with the script checker (template/script_lint.h) before a command of
// upgrade-cli runs it, and the one text form of a finding that upgrade-cli prints:
// "SCRIPT:LINE: error: MESSAGE" or "SCRIPT:LINE: warning: MESSAGE".
//
// Plain functions over the checker's values; single-threaded, as the checker is.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

#include "template/lint_findings.h"

// "SCRIPT:LINE: error: MESSAGE"; a finding about the whole file (line 0) is its message alone.
std::string lintFindingText(const std::string& scriptPath, const LintFinding& finding);

// "SCRIPT: 2 errors, 1 warning".
std::string lintCountText(const std::string& scriptPath, const std::vector<LintFinding>& findings);

// Lints the script before a run: prints every finding, errors and warnings, on standard error as
// "upgrade-cli COMMAND: SCRIPT:LINE: error: MESSAGE" and returns 0 when there is no error; otherwise
// ends with a line saying that --no-lint skips the check, and returns 2 (kExitFailure). A script that
// cannot be read is an error.
int lintBeforeRun(const std::string& scriptPath, const std::string& command);
// The same, printing to err.
int lintBeforeRun(const std::string& scriptPath, const std::string& command, std::ostream& err);
