// The conversion steps of the upgrade workflow and the working directory's log.
#include "upgrade/workflow.h"

#include <unistd.h>

#include <cstring>
#include <ostream>
#include <streambuf>
#include <utility>

#include "conftree/config_tree.h"
#include "conftree/tree_state.h"
#include "convert/interface_pairing.h"
#include "template/template_processor.h"
#include "upgrade/step_progress.h"
#include "upgrade/workflow_ui.h"

namespace {

constexpr const char* kCannotContinue = "Unable to continue with upgrade until problem is resolved";

// Where tree messages go once the workflow that owned the log is gone.
std::ostream& discardStream() {
    struct DiscardBuffer : std::streambuf {
        int_type overflow(int_type c) override { return traits_type::not_eof(c); }
        std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
    };
    static DiscardBuffer buffer;
    static std::ostream stream(&buffer);
    return stream;
}

}  // namespace

UpgradeWorkflow::UpgradeWorkflow(WorkflowUi& ui) : ui_(ui) {}

UpgradeWorkflow::~UpgradeWorkflow() {
    processor_.reset();
    oldTree_.reset();
    newTree_.reset();
    // The trees made the log file the process-wide tree log; it must not outlive this object there.
    if (&treeLog() == &logFile_) setTreeLog(discardStream());
}

bool UpgradeWorkflow::startInWorkingDirectory(const std::string& directory) {
    std::string dir = directory;
    if (dir.empty() || dir.back() != '/') dir += '/';
    // The working directory holds only files this run writes: a link found there is never followed.
    const OutputOpenOptions options{OutputMode::Truncate, true};
    const int log = OutputFile::openDescriptor(dir + kLogFileName, options);
    if (log < 0) return false;
    const int warnings = OutputFile::openDescriptor(dir + kWarningsFileName, options);
    if (warnings < 0) {
        ::close(log);
        return false;
    }
    logFile_.close();
    warningsFile_.close();
    logFile_.clearError();
    warningsFile_.clearError();
    logFile_.adopt(log);
    warningsFile_.adopt(warnings);
    workingDirectory_ = std::move(dir);
    logPath_ = pathOf(kLogFileName);
    warningsPath_ = pathOf(kWarningsFileName);
    // The log starts as a new download does: a first line, then what the screen showed so far
    // (nothing here: the log is new).
    logFile_ << "Upgrade Wizard started" << '\n' << '\n';
    logFile_.flush();
    return true;
}

std::string UpgradeWorkflow::fileWriteFailure() const {
    if (logFile_.error() != 0) return "the log " + logPath_ + ": " + std::strerror(logFile_.error());
    if (warningsFile_.error() != 0)
        return "the warnings file " + warningsPath_ + ": " + std::strerror(warningsFile_.error());
    return std::string();
}

std::string UpgradeWorkflow::pathOf(std::string_view name) const { return workingDirectory_ + std::string(name); }

void UpgradeWorkflow::logLine(std::string_view text, bool endLine) {
    if (logFile_.is_open()) {
        logFile_ << text;
        if (endLine) logFile_ << '\n';
        logFile_.flush();
    }
    ui_.appendLog(text, endLine);
}

bool UpgradeWorkflow::convertOldConfig() {
    const std::string savedOld = pathOf(kSavedOldConfigName);
    const std::string converted = pathOf(kConvertedConfigName);
    if (!continueUnlessStopped("Aborting conversion!", false)) return false;
    logLine("Starting conversion...");

    // A run that is started again begins from nothing.
    processor_.reset();
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
        abandonStep("Aborting conversion!", "Unable to load old configuration data: " + savedOld, false);
        return false;
    }
    logLine("File loaded and parsed");

    processor_ = std::make_unique<TemplateProcessor>(logFile_, warningsFile_, templateName, workingDirectory_);
    processor_->setStopRequest(&stopRequest_);

    bool preprocessed = false;
    {
        const StepProgress progress(ui_, "Converting the old configuration", ProgressKind::ScriptLinesRead);
        preprocessed = processor_->runPreprocess(*oldTree_);
    }
    if (!preprocessed) {
        abandonStep("Aborting conversion!", processor_->errorText(), false);
        return false;
    }
    logLine("Conversion complete...");
    bool saved = false;
    {
        const StepProgress progress(ui_, "Saving the converted configuration", ProgressKind::LinesWritten);
        saved = oldTree_->save(converted);
    }
    if (!saved) {
        // Reported as a failure: nothing may pass as saved that is not on disk.
        abandonStep("Aborting conversion!", "Unable to save converted file: " + converted, false);
        return false;
    }
    logLine("Converted file saved to " + converted);
    return true;
}

bool UpgradeWorkflow::mergeConfigs() {
    pairingRequired_ = false;
    if (!continueUnlessStopped("Aborting merge!", true)) return false;
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
        failStep("Unable to load new configuration data. Upgrade aborted");
        return false;
    }
    logLine("New file loaded and parsed...");
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
    return true;
}

bool UpgradeWorkflow::interfacePairingRequired() const { return processor_ && pairingRequired_; }

InterfacePairing UpgradeWorkflow::interfacePairing() { return processor_->interfacePairing(); }

bool UpgradeWorkflow::postprocessConfigs(PairingOutcome pairing) {
    if (!processor_ || !newTree_) {
        // Only reachable when a front end calls the steps out of order.
        abandonStep("Aborting postprocessing!", "The configurations have not been merged", true);
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
    return true;
}

void UpgradeWorkflow::abandonStep(std::string_view heading, const std::string& reason, bool keepWorkingDirectory) {
    // The reason is copied first: restart releases the processor that may hold it.
    const std::string text = reason;
    logLine(heading);
    logLine(text);
    logLine(kCannotContinue);
    failStep(text);
    if (keepWorkingDirectory)
        restartKeepingWorkingDirectory();
    else
        restart();
}

void UpgradeWorkflow::failStep(const std::string& text) {
    failure_ = StepFailure{0, text};
    ui_.stopTimers();
    ui_.showMessage(text);
}

bool UpgradeWorkflow::continueUnlessStopped(std::string_view heading, bool keepWorkingDirectory) {
    if (!stopRequested()) return true;
    abandonStep(heading, kStopRequestedText, keepWorkingDirectory);
    return false;
}

void UpgradeWorkflow::restart() {
    workingDirectory_.clear();
    pairingRequired_ = false;
    if (logFile_.is_open()) {
        logFile_ << "Upgrade Wizard shut down normally" << '\n';
        logFile_.close();
    }
    if (warningsFile_.is_open()) warningsFile_.close();
    processor_.reset();
    oldTree_.reset();
    newTree_.reset();
}

void UpgradeWorkflow::restartKeepingWorkingDirectory() {
    std::string directory = workingDirectory_;
    restart();
    workingDirectory_ = std::move(directory);
}

void UpgradeWorkflow::closeWarnings() {
    if (warningsFile_.is_open()) warningsFile_.close();
}

bool UpgradeWorkflow::openWarningsForAppending() {
    if (warningsFile_.is_open()) return true;
    return warningsFile_.open(pathOf(kWarningsFileName), OutputOpenOptions{OutputMode::Append, true}) == 0;
}
