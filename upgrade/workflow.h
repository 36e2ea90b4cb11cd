// The upgrade workflow: the ordered steps that take a configuration from the old firewall to the new
// one, and the state they share. This unit holds the working directory and its files, the upgrade
// log, and the conversion steps: convertOldConfig (old configuration -> converted file) and
// mergeConfigs (converted tree + new firewall's initial configuration -> final file). The steps run
// without any network; the steps that talk to the firewalls fill the same files.
//
// Ownership: the workflow owns, from the convert step until restart, the old and the new tree, the
// template processor, the log file and the warnings file. The user interface it is given must outlive
// it; it sees the interfaces only through the pairing view it is handed during the merge step.
// Threads: the steps run on one thread at a time (the wizard's worker, or the command line's only one).
#pragma once

#include <fstream>
#include <memory>
#include <string>
#include <string_view>

#include "upgrade/file_names.h"

class ConfigTree;
class TemplateProcessor;
class WorkflowUi;

class UpgradeWorkflow {
public:
    explicit UpgradeWorkflow(WorkflowUi& ui);
    ~UpgradeWorkflow();
    UpgradeWorkflow(const UpgradeWorkflow&) = delete;
    UpgradeWorkflow& operator=(const UpgradeWorkflow&) = delete;

    // Makes directory (which must exist) the working directory of a new upgrade: the log and the
    // warnings file are created there (emptied) and the log is started. False, with nothing changed,
    // when either file cannot be created.
    [[nodiscard]] bool startInWorkingDirectory(const std::string& directory);

    // Writes text (and a newline when endLine is set) to the log file when it is open, flushed, and
    // to the on-screen log.
    void logLine(std::string_view text, bool endLine = true);
    void logNumber(long number, bool endLine = true);

    // Loads the saved old configuration, runs preprocessing and saves the converted file. On failure
    // the reason is logged and shown and the workflow restarts.
    bool convertOldConfig();
    // Loads the new firewall's initial configuration, merges, lets the interfaces be paired when the
    // addresses do not pair them, runs postprocessing and saves the final file. On failure the reason
    // is logged and shown and the workflow restarts, keeping the working directory.
    bool mergeConfigs();

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
    bool openWarningsForAppending();

    WorkflowUi& ui_;
    std::string workingDirectory_;
    std::ofstream logFile_;
    std::ofstream warningsFile_;
    std::unique_ptr<ConfigTree> oldTree_;
    std::unique_ptr<ConfigTree> newTree_;
    std::unique_ptr<TemplateProcessor> processor_;
};
