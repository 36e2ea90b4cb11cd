// The JSON object of upgrade-cli --json.
#include "cli/json_output.h"

#include <CLI/CLI.hpp>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string_view>
#include <system_error>

#include "cli/commands.h"
#include "cli/human_output.h"
#include "report/report_files.h"
#include "report/report_json.h"
#include "report/upgrade_report.h"
#include "upgrade/file_names.h"
#include "upgrade/workflow.h"

namespace cli {
namespace {

using Json = nlohmann::ordered_json;

bool jsonMode = false;
int savedStandardOutput = -1;  // the original standard output under --json; -1: none

// The reason of a failure nothing complained about.
std::string defaultReason(const std::string& outcome) {
    if (outcome == "needs_pairing") return "interfaces need pairing";
    if (outcome == "refused_by_review") return "the safety review has high findings";
    if (outcome == "interrupted") return "stopped by a signal";
    if (outcome == "lint_errors") return "the template script has errors";
    return outcome;
}

bool writeAll(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t written = ::write(fd, text.data(), text.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        text.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

}  // namespace

CommandResult& commandResult() {
    static CommandResult result;
    return result;
}

void addJsonOption(CLI::App& command) {
    const std::string name = command.get_name();
    // Taken the moment it is read, so that a usage error found later still gives the object.
    command
        .add_flag_callback(
            "--json", [name] { (void)startJsonMode(name); },
            "print one JSON object on standard output at the end (the human text goes to standard error)")
        ->trigger_on_parse();
}

bool jsonRequested() { return jsonMode; }

bool startJsonMode(const std::string& command) {
    commandResult().command = command;
    if (jsonMode) return true;
    jsonMode = true;
    humanToStandardError();
    std::cout.flush();
    std::fflush(stdout);
    savedStandardOutput = ::fcntl(STDOUT_FILENO, F_DUPFD_CLOEXEC, 3);
    if (savedStandardOutput < 0 || ::dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        std::cerr << "upgrade-cli " << command << ": --json: cannot set standard output aside: "
                  << std::strerror(errno) << '\n';
        return false;
    }
    return true;
}

std::string outcomeName(const std::string& command, int exitStatus) {
    switch (exitStatus) {
    case kExitDone:
        return "done";
    case 1:
        if (command == "lint") return "lint_errors";
        if (command == "template") return "script_stopped";
        return "failed";
    case kExitFailure:
        return "usage";
    case kExitNeedsPairing:
        return "needs_pairing";
    case kExitReviewRefused:
        return "refused_by_review";
    case kExitInterrupted:
        return "interrupted";
    default:
        return "failed";
    }
}

Json resultJson(const CommandResult& result, int exitStatus) {
    const std::string outcome = outcomeName(result.command, exitStatus);
    Json json = Json::object();
    json["command"] = result.command;
    json["outcome"] = outcome;
    json["exit_status"] = exitStatus;
    json["working_directory"] = result.workingDirectory.empty() ? Json() : Json(result.workingDirectory);
    Json files = Json::object();
    for (const auto& [name, path] : result.files) files[name] = path;
    json["files"] = std::move(files);
    json["report"] = result.report;
    if (exitStatus == kExitDone) {
        json["failure"] = nullptr;
    } else {
        CommandFailure failure = result.failure.value_or(CommandFailure{lastComplaint(), 0});
        if (failure.reason.empty()) failure.reason = defaultReason(outcome);
        json["failure"] = {{"reason", failure.reason},
                           {"string_id", failure.stringId == 0 ? Json() : Json(failure.stringId)}};
    }
    for (const auto& [key, value] : result.extras.items()) {
        if (!json.contains(key)) json[key] = value;
    }
    return json;
}

std::string resultText(const Json& json) {
    return json.dump(-1, ' ', false, nlohmann::detail::error_handler_t::replace) + '\n';
}

int printJsonResult(int exitStatus) {
    std::cout.flush();
    std::fflush(stdout);
    std::cerr.flush();
    const std::string text = resultText(resultJson(commandResult(), exitStatus));
    if (savedStandardOutput >= 0 && writeAll(savedStandardOutput, text)) return exitStatus;
    std::cerr << "upgrade-cli: cannot write the JSON object to standard output"
              << (savedStandardOutput >= 0 ? std::string(": ") + std::strerror(errno) : std::string()) << '\n';
    return exitStatus == kExitDone ? kExitFailure : exitStatus;
}

Json reportSection(const Json& full) {
    if (!full.is_object()) return Json();
    Json section = Json::object();
    for (const char* key : {"stage", "counts", "finding_counts", "findings"}) {
        const auto found = full.find(key);
        section[key] = found == full.end() ? Json() : *found;
    }
    return section;
}

Json reportSection(const UpgradeReport& report) { return reportSection(reportToJson(report)); }

std::vector<std::pair<std::string, std::string>> workingDirectoryFiles(const std::string& directory) {
    static const std::pair<const char*, std::string_view> kFiles[] = {
        {"log", kLogFileName},
        {"warnings", kWarningsFileName},
        {"old", kSavedOldConfigName},
        {"converted", kConvertedConfigName},
        {"new_initial", kNewInitConfigName},
        {"final", kFinalConfigName},
        {"report_json", kReportJsonName},
        {"report_html", kReportHtmlName},
        {"manifest", "manifest.json"},
    };
    std::vector<std::pair<std::string, std::string>> files;
    if (directory.empty()) return files;
    for (const auto& [name, file] : kFiles) {
        const std::string path = reportFilePath(directory, file);
        std::error_code ec;
        if (std::filesystem::is_regular_file(path, ec)) files.emplace_back(name, path);
    }
    return files;
}

std::string absoluteDirectory(const std::string& directory) {
    if (directory.empty()) return directory;
    std::error_code ec;
    std::string absolute = std::filesystem::absolute(directory, ec).lexically_normal().string();
    if (ec) return directory;
    if (absolute.size() > 1 && absolute.back() == '/') absolute.pop_back();
    return absolute;
}

void fillFromWorkflow(CommandResult& result, const UpgradeWorkflow& workflow, const std::string& directory) {
    result.workingDirectory = absoluteDirectory(directory);
    result.files = workingDirectoryFiles(result.workingDirectory);
    if (workflow.report() != nullptr) result.report = reportSection(*workflow.report());
    if (!workflow.failure().text.empty()) result.failure = CommandFailure{workflow.failure().text, workflow.failure().stringId};
}

}  // namespace cli
