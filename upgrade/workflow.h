// The upgrade workflow: the ordered steps that take a configuration from the old firewall to the new
// one, and the state they share. This unit holds the working directory and its files, the upgrade
// log, and the conversion steps: convertOldConfig (old configuration -> converted file) and the merge
// (converted tree + new firewall's initial configuration -> final file). The steps run without any
// network; the steps that talk to the firewalls fill the same files.
//
// The merge is two steps with the interface pairing between them: mergeConfigs, then, when
// interfacePairingRequired(), the front end pairs through interfacePairing() on its own thread (the
// wizard's dialog on the window thread, the command line on its only one), then postprocessConfigs.
// The workflow never calls back into a front end for a decision.
//
// Every step returns true on success; on failure failure() says why (the string-table id where one is
// shown, and the text). A stop may be requested from any thread; the steps look at it between steps
// and between the sections of the template script.
//
// Ownership: the workflow owns, from the convert step until restart, the old and the new tree, the
// template processor, the log file and the warnings file. The user interface it is given must
// outlive it.
// Threads: the steps run on one thread at a time (the wizard's worker, or the command line's only
// one); requestStop may be called from any thread.
#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>

#include "convert/interface_pairing.h"
#include "upgrade/file_names.h"
#include "upgrade/output_file.h"
#include "upgrade/step_failure.h"
#include "upgrade/workflow_ui.h"

class ConfigTree;
class TemplateProcessor;

class UpgradeWorkflow {
public:
    explicit UpgradeWorkflow(WorkflowUi& ui);
    ~UpgradeWorkflow();
    UpgradeWorkflow(const UpgradeWorkflow&) = delete;
    UpgradeWorkflow& operator=(const UpgradeWorkflow&) = delete;

    // Makes directory (which must exist) the working directory of a new upgrade: the log and the
    // warnings file are created there (emptied, owner-only, never through a symbolic link, never
    // waiting for a FIFO's reader) and the log is started. False, with nothing changed, when either
    // file cannot be created.
    [[nodiscard]] bool startInWorkingDirectory(const std::string& directory);

    // Writes text (and a newline when endLine is set) to the log file when it is open, flushed, and
    // to the on-screen log.
    void logLine(std::string_view text, bool endLine = true);

    // Loads the saved old configuration, runs preprocessing and saves the converted file. On failure
    // the reason is logged and shown and the workflow restarts.
    [[nodiscard]] bool convertOldConfig();
    // The merge up to the interface pairing: loads the new firewall's initial configuration, runs the
    // merge phase and absorbs the old tree into the new one. On failure the reason is logged and shown
    // and the workflow restarts, keeping the working directory (a new configuration that cannot be
    // loaded is only shown, as before).
    [[nodiscard]] bool mergeConfigs();
    // After a successful mergeConfigs: whether the pairing by address left old interfaces unpaired, so
    // that someone must pair them (through interfacePairing) before postprocessConfigs.
    bool interfacePairingRequired() const;
    // The running conversion's interfaces and the one pairing operation a front end may use on them.
    // Only between mergeConfigs and postprocessConfigs.
    InterfacePairing interfacePairing();
    // The rest of the merge: takes how the pairing ended (ignored when none was required), runs
    // postprocessing and saves the final file. An abandoned pairing fails the step. On failure the
    // reason is logged and shown and the workflow restarts, keeping the working directory.
    [[nodiscard]] bool postprocessConfigs(PairingOutcome pairing = PairingOutcome::Closed);

    // The first failure to write the log or the warnings file since startInWorkingDirectory, as
    // "the log PATH: REASON"; empty while everything written reached them.
    std::string fileWriteFailure() const;

    // Why the last step that failed did so; empty text before any failure.
    const StepFailure& failure() const { return failure_; }

    // Asks the running and later steps to stop: a step that starts, or a script section that is
    // about to start, fails instead with kStopRequestedText. Any thread.
    void requestStop() { stopRequest_ = true; }
    bool stopRequested() const { return stopRequest_; }
    // Lets steps run again after a stop (a front end that offers a retry).
    void clearStopRequest() { stopRequest_ = false; }

    // Ends the upgrade run: closes the log (after a closing line) and the warnings file, releases the
    // trees and the processor and forgets the working directory.
    void restart();
    // The same, keeping the working directory so that the run can be retried from the saved files.
    void restartKeepingWorkingDirectory();

    // Closes the warnings file so that its content can be shown; the merge step reopens it for
    // appending, so later warnings are kept, never written to a closed file.
    void closeWarnings();

    // The working directory, ending in '/' once set; empty before and after a run.
    const std::string& workingDirectory() const { return workingDirectory_; }
    // The path of a file of the working directory (working directory + name).
    std::string pathOf(std::string_view name) const;

    // The template script handed to the processor; a path, by default kTemplateName in the current
    // directory.
    std::string templateName = kTemplateName;

    // The processor and the trees of the current run; null outside a run.
    TemplateProcessor* processor() const { return processor_.get(); }
    ConfigTree* oldTree() const { return oldTree_.get(); }
    ConfigTree* newTree() const { return newTree_.get(); }

private:
    void abandonStep(std::string_view heading, const std::string& reason, bool keepWorkingDirectory);
    // Records and shows a failure that ends the step without a restart.
    void failStep(const std::string& text);
    // True (the step goes on) unless a stop was requested; then the step is abandoned.
    bool continueUnlessStopped(std::string_view heading, bool keepWorkingDirectory);
    bool openWarningsForAppending();

    WorkflowUi& ui_;
    std::string workingDirectory_;
    OutputFile logFile_;
    OutputFile warningsFile_;
    std::string logPath_;  // where the log and the warnings file were opened, for messages
    std::string warningsPath_;
    std::unique_ptr<ConfigTree> oldTree_;
    std::unique_ptr<ConfigTree> newTree_;
    std::unique_ptr<TemplateProcessor> processor_;
    StepFailure failure_;
    std::atomic<bool> stopRequest_{false};
    bool pairingRequired_ = false;  // set by mergeConfigs, for postprocessConfigs
};
