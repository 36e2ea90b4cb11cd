// upgrade-cli --json: one JSON object on standard output at the end of a command, for the scripts
// that drive upgrades, with every human line on standard error instead (human_output.h).
//
// Every subcommand takes --json: main.cpp adds the option to each subcommand it registers
// (addJsonOption), so a new subcommand has it without a line of its own; what a command knows beyond
// its name and exit status (working directory, files, report, failure, extras) it puts into the one
// CommandResult of the process (commandResult()) as it goes, and main.cpp prints the object once the
// command has ended (printJsonResult). The keys are listed in README.md ("upgrade-cli --json").
//
// Standard output: the moment --json is read, the process's standard output descriptor is made a
// copy of standard error and the original is kept aside, so that nothing written to standard output
// by anyone (a library printing an answer, a stray std::cout) can get mixed into the object; the
// object alone is written to the kept descriptor at the end.
//
// Usage errors: --json counts once the parser has read it; a usage error found after that (a missing
// required option, a bad value, an unknown argument) gives the object with outcome "usage". One found
// before --json was read (a value missing for an option in front of it) gives the usual text only.
//
// The object is built with nlohmann's ordered_json (the key order is fixed) and dumped with bytes that
// are not UTF-8 replaced by U+FFFD: texts from configurations may hold any bytes, and dumping never
// throws.
//
// Process-wide state of one command; single-threaded (the command's main thread).
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace CLI {
class App;
}
struct UpgradeReport;
class UpgradeWorkflow;

namespace cli {

struct CommandFailure {
    std::string reason;
    int stringId = 0;  // the workflow's string-table id; 0: none (null in the object)
};

// What one command did, beyond its exit status.
struct CommandResult {
    std::string command;
    std::string workingDirectory;                              // empty: null
    std::vector<std::pair<std::string, std::string>> files;    // name -> path, in the order added
    nlohmann::ordered_json report;                             // null: no report
    std::optional<CommandFailure> failure;                     // none: the last complaint, if failed
    nlohmann::ordered_json extras = nlohmann::ordered_json::object();  // keys of the command's own
};

// The process's one result.
CommandResult& commandResult();

// Registers --json on a subcommand.
void addJsonOption(CLI::App& command);
// Whether --json was read.
bool jsonRequested();
// Starts the JSON mode for command: standard output put aside (see above), human text to standard
// error. False (said why) when the descriptors cannot be arranged.
bool startJsonMode(const std::string& command);

// "done", "failed", "usage", "needs_pairing", "refused_by_review", "interrupted"; for exit status 1,
// lint says "lint_errors" and template "script_stopped".
std::string outcomeName(const std::string& command, int exitStatus);

// The object for a result and the command's exit status.
nlohmann::ordered_json resultJson(const CommandResult& result, int exitStatus);
// Its text: one line, a final newline, bytes that are not UTF-8 replaced.
std::string resultText(const nlohmann::ordered_json& json);

// Writes the object to the standard output put aside; the exit status to end with (kExitFailure
// instead of kExitDone when the object could not be written).
int printJsonResult(int exitStatus);

// The report part of the object: stage, counts, finding_counts and findings, as report.json has them
// (full: reportToJson's value, or report.json as read). Null when full is not such an object.
nlohmann::ordered_json reportSection(const nlohmann::ordered_json& full);
nlohmann::ordered_json reportSection(const UpgradeReport& report);

// The files of an upgrade's working directory that are there, by name: log, warnings, old,
// converted, new_initial, final, report_json, report_html, manifest.
std::vector<std::pair<std::string, std::string>> workingDirectoryFiles(const std::string& directory);

// directory made absolute, without a trailing '/'; empty stays empty.
std::string absoluteDirectory(const std::string& directory);

// Fills the working directory (directory, made absolute), its files, the report and the
// failure (when a step failed) from a workflow that has run.
void fillFromWorkflow(CommandResult& result, const UpgradeWorkflow& workflow, const std::string& directory);

}  // namespace cli
