// The template script checker: finds, without running a script or touching a configuration, the
// faults that a run would only log (or not notice at all) line by line. It reads the text as the
// processor reads it (the same line cutting, the same limit of kScriptLineMax characters, verbs cut
// with TemplateProcessor::splitVerb and looked up in the verb table ignoring case) and reports:
//   errors   - over-long lines (the run stops reading there); unknown verbs, with the closest verb
//              as a suggestion; missing arguments; search templates, settings and paths the tree
//              parsers refuse; if_leaf templates with more than one "**" or "##"; new settings whose
//              wildcard markers cannot be filled; unknown edit_leaf operations; unbalanced
//              if_leaf / if_version / end_if blocks, blocks still open at a section marker, nesting
//              past kMaxBlockDepth, blocks that end elsewhere when skipped than when run; section
//              markers out of order or repeated, or indented (then they end nothing); markers,
//              comments or unparsable lines inside an add_to_branch item list;
//   warnings - arguments a verb ignores; white space inside a template or path that the verb takes
//              whole; names holding '='; an insert_branch pair that is not one component apart; a
//              replace_name_with_value component the template lacks; import_file of a file that is
//              not beside the script; a "[PREPROCESS]" that is not first, markers missing at the
//              end; NUL bytes; item lines that look like verb lines; and what provably never runs:
//              user_error lines after a user_error that no block guards, if_version blocks whose
//              version can never be set, templates that an enclosing if_leaf leaves nothing to match.
// The checks are in lint_arguments.h, lint_blocks.h and lint_sections.h.
//
// Findings are values owned by the caller, sorted by line. The checks use the process-wide tree log
// of the configuration tree (quieted while they run, then restored) and the tree parsers: one check
// at a time, on a thread that no conversion is using.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "template/lint_findings.h"

// Checks the script text as the processor would read it, never running a verb. scriptDirectory:
// where import_file looks (the script's own directory; ends in '/').
std::vector<LintFinding> lintScript(std::string_view text, const std::string& scriptDirectory);

// Reads the file and lints it; a file that cannot be read gives one Error at line 0 saying why. Only
// a regular file is read (a FIFO or a device is refused without waiting on it); import_file looks
// beside it.
std::vector<LintFinding> lintScriptFile(const std::string& path);

bool hasErrors(const std::vector<LintFinding>& findings);
