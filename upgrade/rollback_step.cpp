// The rollback: the new firewall put back on the initial configuration that the upgrade fetched from
// it (kNewInitConfigName in the working directory), sent and applied through the upload's own
// transfer and apply steps after the upload phase's login.
#include <cstring>
#include <string>

#include "upgrade/readable_file.h"
#include "upgrade/workflow.h"
#include "upgrade/working_directory_check.h"

bool UpgradeWorkflow::openLogForRollback(const std::string& directory) {
    const int error = logFile_.open(directory + kLogFileName, OutputOpenOptions{OutputMode::Append, true});
    if (error != 0) {
        failStep("Unable to open the log in " + directory + ": " + std::strerror(error));
        return false;
    }
    logFile_.clearError();
    logPath_ = directory + kLogFileName;
    workingDirectory_ = directory;
    lastWorkingDirectory_ = directory;
    return true;
}

PhaseOutcome UpgradeWorkflow::rollback(const std::string& directory) {
    std::string dir = directory.empty() ? std::string("./") : directory;
    if (dir.back() != '/') dir += '/';
    const std::string initial = dir + kNewInitConfigName;
    // Nothing is opened in a directory others could write to, and nothing is sent without the file.
    const std::string problem = prepareWorkingDirectory(dir, MissingDirectory::Refuse);
    if (!problem.empty()) {
        failStep("Unable to roll back from " + directory + ": " + problem);
        return PhaseOutcome::Failed;
    }
    const std::string unreadable = unreadableBecause(initial);
    if (!unreadable.empty()) {
        failStep("The working directory " + directory + " holds no initial configuration of the new firewall (" +
                 initial + ": " + unreadable + "); nothing was rolled back");
        return PhaseOutcome::Failed;
    }
    if (!openLogForRollback(dir)) return PhaseOutcome::Failed;
    logLine("Rolling back the new firewall to its initial configuration " + initial);
    beginManifest();

    beginPhase();
    bool done = false;
    {
        StepJournal journal(*this, "rollback");
        manifest_.recordInput(kNewInitConfigName, initial);
        if (loginNewFirewall()) {
            ui_.stopLoginTimeout();
            ui_.reportProgress(ProgressReport{"Uploading files", 0, 1});
            done = sendConfiguration(initial, std::string(), 0, 1) && applyConfig();
        }
        if (done) {
            ui_.reportProgress(ProgressReport{"Uploading files", 1, 1});
            logoutFirewall();
            logLine("Rollback complete: the new firewall was given " + initial);
            journal.succeed();
        } else {
            logLine("Rollback failed");
        }
    }
    const PhaseOutcome outcome = endPhase(done);
    restart();
    return outcome;
}
