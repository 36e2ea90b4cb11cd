// The working directory of an upgrade and its two written-as-they-go files, the upgrade log and the
// warnings file: starting, resuming, logging, and ending a run (restart).
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "conftree/config_tree.h"
#include "template/template_processor.h"
#include "upgrade/workflow.h"
#include "upgrade/working_directory_check.h"

std::string UpgradeWorkflow::pathOf(std::string_view name) const { return workingDirectory_ + std::string(name); }

bool UpgradeWorkflow::openWorkingFiles(const std::string& directory, OutputMode logMode, int* error) {
    // The working directory holds only files this run writes: a link found there is never followed.
    const int log = OutputFile::openDescriptor(directory + kLogFileName, OutputOpenOptions{logMode, true});
    if (log < 0) {
        *error = -log;
        return false;
    }
    const int warnings =
        OutputFile::openDescriptor(directory + kWarningsFileName, OutputOpenOptions{OutputMode::Truncate, true});
    if (warnings < 0) {
        *error = -warnings;
        ::close(log);
        return false;
    }
    logFile_.close();
    warningsFile_.close();
    logFile_.clearError();
    warningsFile_.clearError();
    logFile_.adopt(log);
    warningsFile_.adopt(warnings);
    logPath_ = directory + kLogFileName;
    warningsPath_ = directory + kWarningsFileName;
    return true;
}

bool UpgradeWorkflow::startInWorkingDirectory(const std::string& directory) {
    int error = 0;
    return startLog(directory, &error);
}

bool UpgradeWorkflow::startLog(const std::string& directory, int* error) {
    std::string dir = directory;
    if (dir.empty() || dir.back() != '/') dir += '/';
    if (!openWorkingFiles(dir, OutputMode::Truncate, error)) return false;
    workingDirectory_ = std::move(dir);
    lastWorkingDirectory_ = workingDirectory_;
    // The log starts with a first line, then what the upload page's screen showed so far.
    logFile_ << "Upgrade Wizard started" << '\n' << ui_.uploadLogText() << '\n';
    logFile_.flush();
    beginManifest();
    return true;
}

bool UpgradeWorkflow::openWorkingDirectory(const std::string& chosenFile) {
    const std::size_t slash = chosenFile.rfind('/');
    std::string directory = slash == std::string::npos ? std::string() : chosenFile.substr(0, slash + 1);
    logLine("Using working directory: " + directory);
    // A directory someone else could write to might hold links planted to send what this run
    // writes elsewhere: it is refused before anything is opened there.
    const std::string problem = prepareWorkingDirectory(directory.empty() ? "." : directory, MissingDirectory::Refuse);
    if (!problem.empty()) {
        failStep("Unable to resume from " + chosenFile + ": " + problem);
        return false;
    }
    int error = 0;
    if (!openWorkingFiles(directory, OutputMode::Append, &error)) {
        const std::string name = directory.empty() ? std::string(".") : directory;
        failStep("Unable to open the log in " + name + ": " + std::strerror(error));
        return false;
    }
    workingDirectory_ = std::move(directory);
    lastWorkingDirectory_ = workingDirectory_;
    logFile_ << "Upgrade Wizard resuming previous upgrade." << '\n'
             << ui_.uploadLogText() << '\n'
             << "Now loading old configuration data" << '\n';
    logFile_.flush();
    beginManifest();
    return true;
}

std::string UpgradeWorkflow::fileWriteFailure() const {
    if (logFile_.error() != 0) return "the log " + logPath_ + ": " + std::strerror(logFile_.error());
    if (warningsFile_.error() != 0)
        return "the warnings file " + warningsPath_ + ": " + std::strerror(warningsFile_.error());
    return std::string();
}

void UpgradeWorkflow::logLine(std::string_view text, bool endLine) {
    if (logFile_.is_open()) {
        logFile_ << text;
        if (endLine) logFile_ << '\n';
        logFile_.flush();
    }
    ui_.appendLog(text, endLine);
}

void UpgradeWorkflow::logNumber(long long number, bool endLine) { logLine(std::to_string(number), endLine); }

void UpgradeWorkflow::restart() {
    logoutFirewall();
    workingDirectory_.clear();
    pairingRequired_ = false;
    manifestEnding_ = true;
    if (logFile_.is_open()) {
        logFile_ << "Upgrade Wizard shut down normally" << '\n';
        logFile_.close();
    }
    if (warningsFile_.is_open()) warningsFile_.close();
    processor_.reset();
    oldTree_.reset();
    newTree_.reset();
    fileTable_.resetStatuses();
    if (!ui_.uploadLogText().empty()) {
        ui_.clearUploadLog();
        logLine("Restarted");
    }
}

void UpgradeWorkflow::restartKeepingWorkingDirectory() {
    std::string directory = workingDirectory_;
    restart();
    manifestEnding_ = false;  // the same run goes on from the same directory
    workingDirectory_ = std::move(directory);
}

void UpgradeWorkflow::closeWarnings() {
    if (warningsFile_.is_open()) warningsFile_.close();
}

bool UpgradeWorkflow::openWarningsForAppending() {
    if (warningsFile_.is_open()) return true;
    return warningsFile_.open(pathOf(kWarningsFileName), OutputOpenOptions{OutputMode::Append, true}) == 0;
}
