// The conversion steps of the upgrade workflow: the old configuration converted (on a new upgrade, or
// resumed from a working directory on disk), then merged with the new firewall's initial
// configuration, paired and postprocessed into the final configuration.
#include <fcntl.h>
#include <unistd.h>

#include <string>

#include "conftree/config_tree.h"
#include "convert/interface_pairing.h"
#include "report/upgrade_report.h"
#include "template/template_processor.h"
#include "upgrade/step_progress.h"
#include "upgrade/upgrade_strings.h"
#include "upgrade/workflow.h"

bool UpgradeWorkflow::convertOldConfig() {
    StepJournal journal(*this, "convert");
    return convertSavedConfig(false) && journal.succeed();
}

bool UpgradeWorkflow::resumeConversion() {
    StepJournal journal(*this, "resume_conversion");
    if (!continueUnlessStopped("Aborting conversion!", true)) return false;
    logLine("Resuming previous upgrade...");
    logLine("Locating files...");
    for (UpgradeFile& row : fileTable_.rows()) {
        const std::string path = pathOf(row.savedName());
        const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
        row.status = fd >= 0 ? UpgradeFile::kTransferred : UpgradeFile::kNotTransferred;
        if (fd >= 0) ::close(fd);
        if (fd < 0 && !row.optional) {
            failStep(formatUpgradeString(upgrade_strings::kCriticalMissing, path), upgrade_strings::kCriticalMissing);
            return false;
        }
    }
    return convertSavedConfig(true) && journal.succeed();
}

bool UpgradeWorkflow::convertSavedConfig(bool keepWorkingDirectory) {
    const std::string savedOld = pathOf(kSavedOldConfigName);
    const std::string converted = pathOf(kConvertedConfigName);
    if (!continueUnlessStopped("Aborting conversion!", keepWorkingDirectory)) return false;
    logLine("Starting conversion...");
    recordTemplateScript();

    // A run that is started again begins from nothing.
    processor_.reset();
    report_.reset();
    oldTree_ = std::make_unique<ConfigTree>(logFile_);
    newTree_ = std::make_unique<ConfigTree>(logFile_);

    // A file that cannot be opened or read to its end would convert as an empty or partial
    // configuration and pass for a converted one: the step stops instead.
    int loaded = 0;
    {
        const StepProgress progress(ui_, "Loading the old configuration", ProgressKind::LeavesCreated);
        loaded = oldTree_->load(savedOld);
    }
    if (loaded != 0) {
        abandonStep("Aborting conversion!", "Unable to load old configuration data: " + savedOld, keepWorkingDirectory);
        return false;
    }
    logLine("File loaded and parsed");
    manifest_.recordInput(kSavedOldConfigName, savedOld);

    processor_ = std::make_unique<TemplateProcessor>(logFile_, warningsFile_, templateName, workingDirectory_);
    processor_->setStopRequest(&stopRequest_);

    bool preprocessed = false;
    {
        const StepProgress progress(ui_, "Converting the old configuration", ProgressKind::ScriptLinesRead);
        preprocessed = processor_->runPreprocess(*oldTree_);
    }
    if (!preprocessed) {
        abandonStep("Aborting conversion!", processor_->errorText(), keepWorkingDirectory);
        return false;
    }
    logLine("Conversion complete...");
    moveAsideStale(kConvertedConfigName);
    bool saved = false;
    {
        const StepProgress progress(ui_, "Saving the converted configuration", ProgressKind::LinesWritten);
        saved = oldTree_->save(converted);
    }
    if (!saved) {
        // Reported as a failure: nothing may pass as saved that is not on disk.
        abandonStep("Aborting conversion!", "Unable to save converted file: " + converted, keepWorkingDirectory);
        return false;
    }
    logLine("Converted file saved to " + converted);
    manifest_.recordOutput(kConvertedConfigName, converted);
    writeReport(false);
    return true;
}

bool UpgradeWorkflow::mergeConfigs() {
    StepJournal journal(*this, "merge");
    pairingRequired_ = false;
    if (!continueUnlessStopped("Aborting merge!", true)) return false;
    // This run makes a new final configuration: an earlier run's must not stay behind in its place
    // (to be taken for this one's when the merge or the pairing stops).
    moveAsideStale(kFinalConfigName);
    logLine("Merging old configuration with new configuration...");
    if (!processor_ || !oldTree_ || !newTree_) {
        // Only reachable when a front end calls the steps out of order.
        abandonStep("Aborting merge!", "The old configuration has not been converted", true);
        return false;
    }
    if (!openWarningsForAppending()) {
        abandonStep("Aborting merge!", "Unable to open file: " + pathOf(kWarningsFileName), true);
        return false;
    }

    int loaded = 0;
    {
        const StepProgress progress(ui_, "Loading the new configuration", ProgressKind::LeavesCreated);
        loaded = newTree_->load(pathOf(kNewInitConfigName));
    }
    if (loaded != 0) {
        // Logged as well as shown: the log is what is left to read once the message is closed.
        logLine("Unable to load new configuration data. Upgrade aborted");
        failStep("Unable to load new configuration data. Upgrade aborted");
        return false;
    }
    logLine("New file loaded and parsed...");
    manifest_.recordInput(kNewInitConfigName, pathOf(kNewInitConfigName));
    bool merged = false;
    {
        const StepProgress progress(ui_, "Merging the configurations", ProgressKind::ScriptLinesRead);
        merged = processor_->runMerge(*oldTree_, *newTree_);
    }
    if (!merged) {
        abandonStep("Aborting merge!", processor_->errorText(), true);
        return false;
    }

    newTree_->absorb(*oldTree_);
    logLine("Merge complete");
    logLine("Postprocessing...");

    pairingRequired_ = processor_->interfaceMergeHelpRequired();
    if (pairingRequired_) logLine("Interface merge help will be needed...");
    return journal.succeed();
}

bool UpgradeWorkflow::interfacePairingRequired() const { return processor_ && pairingRequired_; }

InterfacePairing UpgradeWorkflow::interfacePairing() { return processor_->interfacePairing(); }

bool UpgradeWorkflow::postprocessConfigs(PairingOutcome pairing) {
    StepJournal journal(*this, "postprocess");
    if (!processor_ || !newTree_) {
        // Only reachable when a front end calls the steps out of order.
        abandonStep("Aborting postprocessing!", "The configurations have not been merged", true);
        return false;
    }
    if (pairing == PairingOutcome::SharedRefused) {
        pairingRequired_ = false;
        abandonStep("Aborting merge!",
                    "Several old interfaces were paired with one new interface (" +
                        describeSharedInterfaces(sharedInterfaces()) + "); the merge was not completed",
                    true);
        return false;
    }
    if (pairingRequired_) {
        pairingRequired_ = false;
        if (pairing == PairingOutcome::Abandoned) {
            abandonStep("Aborting merge!", "The interfaces of the old firewall were not paired with the new firewall's",
                        true);
            return false;
        }
        if (pairing == PairingOutcome::CannotCreate) ui_.showMessage("Error Creating Dialog Object");
        logLine("Interface merge complete.");
    }
    if (!continueUnlessStopped("Aborting postprocessing!", true)) return false;
    logInterfacePairs();

    bool postprocessed = false;
    {
        const StepProgress progress(ui_, "Postprocessing", ProgressKind::ScriptLinesRead);
        postprocessed = processor_->runPostprocess(*newTree_);
    }
    if (!postprocessed) {
        abandonStep("Aborting postprocessing!", processor_->errorText(), true);
        return false;
    }
    logLine("Postprocessing complete");
    const std::string final = pathOf(kFinalConfigName);
    moveAsideStale(kFinalConfigName);
    bool saved = false;
    {
        const StepProgress progress(ui_, "Saving the final configuration", ProgressKind::LinesWritten);
        saved = newTree_->save(final);
    }
    if (!saved) {
        abandonStep("Aborting postprocessing!", "Unable to save merged file: " + final, true);
        return false;
    }
    logLine("Merged file saved to " + final);
    manifest_.recordOutput(kFinalConfigName, final);
    writeReport(true);
    return journal.succeed();
}
