// The upgrade workflow: the ordered steps that take a configuration from the old firewall to the new
// one, and the state they share (the two logins, the working directory and its files, the file table,
// the upgrade log, the trees and the template processor, the session with a firewall).
//
// The steps are grouped into two phases, each run on one worker thread by a front end: the download
// phase (log in to the old firewall, package certificates, download the files, convert) and the upload
// phase (log in to the new firewall, resume from disk when needed, fetch its configuration, merge,
// upload, unpack, apply). Between them the administrator may stop; a later run resumes from the
// working directory on disk (openWorkingDirectory). The steps are spread over units by concern:
// working_directory.cpp (directory, log, restart), firewall_steps.cpp (logins), transfer_steps.cpp
// (file table transfers and firewall actions), conversion_steps.cpp, phases.cpp.
//
// The merge is two steps with the interface pairing between them: mergeConfigs, then, when
// interfacePairingRequired(), the front end pairs through interfacePairing() on its own thread (the
// wizard's dialog on the window thread, the command line on its only one), then postprocessConfigs.
// The upload phase likewise stops at that point (PhaseOutcome::PairingRequired) and is finished by
// finishUploadPhase. The workflow never calls back into a front end for a decision.
//
// Every step returns true on success; on failure failure() says why (the string-table id where one is
// shown, and the text). A phase can be interrupted from any thread: timeOut (the front end's login or
// phase time-out ran out) and requestStop both log the session out, so that a pending exchange fails
// at once; the step that was running then fails, and the phase ends with the interruption as its
// failure (its message shown once). Nothing is killed and every file in the working directory stays
// complete (configurations are written through the atomic writer, downloads likewise).
//
// Ownership: the workflow owns, from the convert step until restart, the old and the new tree, the
// template processor, the log file and the warnings file; the session for the length of a phase. The
// user interface it is given must outlive it.
// Threads: the steps run on one thread at a time (the wizard's worker, or the command line's only
// one); timeOut and requestStop may be called from any thread.
#pragma once

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

#include "convert/interface_pairing.h"
#include "upgrade/file_names.h"
#include "upgrade/firewall_login.h"
#include "upgrade/output_file.h"
#include "upgrade/run_manifest.h"
#include "upgrade/step_failure.h"
#include "upgrade/upgrade_file_table.h"
#include "upgrade/workflow_ui.h"

class ConfigTree;
class MgmtSession;
class TemplateProcessor;
struct UpgradeReport;

// A new interface that the pairing gives to several old physical interfaces.
struct SharedInterface {
    std::string newDevice;
    std::vector<std::string> oldDevices;  // in the old list's order
};

// "eth0, eth1 -> ext0; eth2, eth3 -> ext1".
std::string describeSharedInterfaces(const std::vector<SharedInterface>& shared);

// How a phase ended.
enum class PhaseOutcome {
    Done,             // every step succeeded
    Failed,           // a step failed (failure() says why); Back is offered
    PairingRequired,  // the upload phase waits for the front end's interface pairing, then finishUploadPhase
};

// Which time-out ran out.
enum class UpgradeTimeout {
    Login,  // the login took too long (string 118)
    Phase,  // the phase's transfers took too long (string 121)
};

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
    // The same for a number in decimal.
    void logNumber(long long number, bool endLine = true);

    // --- The phases (each on one worker thread) ---
    PhaseOutcome runDownloadPhase();
    // Up to and including mergeConfigs; PairingRequired leaves the session logged in for
    // finishUploadPhase, which the front end calls once it has paired the interfaces.
    PhaseOutcome runUploadPhase();
    PhaseOutcome finishUploadPhase(PairingOutcome pairing);

    // The front end's time-out ran out: logs the session out (the pending exchange fails), stops the
    // page's timers and shows string 118 or 121, which becomes the phase's failure. Any thread.
    void timeOut(UpgradeTimeout which);

    // --- The steps ---
    // Logs in to the old firewall (refusing a 6.0 one), takes its configuration lock and creates the
    // working directory inside parentDirectory, with the log and the warnings file.
    [[nodiscard]] bool loginOldFirewall();
    // Asks the old firewall to package its certificates and user databases; a failure is a warning.
    bool packCerts();
    // Fetches every row of the file table into the working directory.
    [[nodiscard]] bool downloadFiles();
    // Logs in to the new firewall (which must be 6.0) and takes its lock.
    [[nodiscard]] bool loginNewFirewall();
    // After openWorkingDirectory: finds the saved files and converts the saved old configuration.
    [[nodiscard]] bool resumeConversion();
    // Fetches the new firewall's configuration as the new initial configuration.
    [[nodiscard]] bool getNewConfig();
    // Sends the final configuration, then every saved file, to the new firewall.
    [[nodiscard]] bool uploadFiles();
    // Asks the new firewall to unpack the certificates and user databases; a failure is a warning.
    bool unpackCerts();
    // Asks the new firewall to install the new configuration.
    [[nodiscard]] bool applyConfig();
    // Resumes a stopped upgrade from the directory of chosenFile (a saved old configuration): the log
    // is reopened for appending and the warnings file emptied. False (failure() says why, nothing
    // changed) when the directory is not the user's own or others may write to it, or when either
    // file cannot be opened.
    [[nodiscard]] bool openWorkingDirectory(const std::string& chosenFile);
    // When logged in: disconnects and logs "Logged out.".
    void logoutFirewall();
    bool loggedIn() const { return loggedIn_; }

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
    // postprocessing and saves the final file. An abandoned pairing fails the step, and so does a
    // shared interface that was refused (SharedRefused, whether or not a pairing was required). On
    // failure the reason is logged and shown and the workflow restarts, keeping the working directory.
    [[nodiscard]] bool postprocessConfigs(PairingOutcome pairing = PairingOutcome::Closed);

    // Between mergeConfigs and postprocessConfigs: the new interfaces that the pairing made so far (by
    // address, and by a front end's choices) gives to more than one old physical interface.
    std::vector<SharedInterface> sharedInterfaces() const;
    // When set, the upload phase also stops for the front end (PairingRequired) when the pairing by
    // address alone shares an interface, so that the front end can confirm or refuse it
    // (finishUploadPhase with SharedRefused). Off by default: the wizard's dialog asks on its own.
    void setSharedInterfaceCheck(bool on) { sharedInterfaceCheck_ = on; }
    // When set, the upload phase stops after postprocessing, before anything is uploaded, when the
    // safety review found a high finding; reviewRefused() then says so.
    void setStrictReview(bool on) { strictReview_ = on; }
    bool reviewRefused() const { return reviewRefused_; }

    // The report of the last conversion (written as report.json and report.html into the working
    // directory by the convert and postprocess steps); null before any. Kept by restart, replaced by
    // the next conversion.
    const UpgradeReport* report() const { return report_.get(); }

    // The first failure to write the log or the warnings file since startInWorkingDirectory, as
    // "the log PATH: REASON"; empty while everything written reached them.
    std::string fileWriteFailure() const;

    // Why the last step that failed did so; empty text before any failure.
    const StepFailure& failure() const { return failure_; }

    // Asks the running and later steps to stop: the session is logged out (a pending exchange fails at
    // once), and a step that starts, or a script section that is about to start, fails instead with
    // kStopRequestedText. Any thread.
    void requestStop();
    bool stopRequested() const { return stopRequest_; }
    // Lets steps run again after a stop (a front end that offers a retry).
    void clearStopRequest();

    // Ends the upgrade run: logs out, closes the log (after a closing line) and the warnings file,
    // releases the trees and the processor, marks every file as not transferred and forgets the
    // working directory.
    void restart();
    // The same, keeping the working directory so that the run can be retried from the saved files.
    void restartKeepingWorkingDirectory();

    // Closes the warnings file so that its content can be shown; the merge step reopens it for
    // appending, so later warnings are kept, never written to a closed file.
    void closeWarnings();

    // Puts the new firewall back on the initial configuration saved in directory (kNewInitConfigName):
    // the log there is appended to, a run is recorded in its manifest, and the file is sent and
    // applied as the upload phase does, after the same login (6.0, lock granted). Run like a phase on
    // one worker thread; the run ends (restart) either way. Failed, with failure() saying why, when
    // the directory is refused or holds no initial configuration (nothing is sent then).
    PhaseOutcome rollback(const std::string& directory);

    // The manifest of the current or the last run (manifest.json in its working directory): its
    // path, the files the run wrote, its steps. Kept by restart until the next run starts.
    const RunManifest& manifest() const { return manifest_; }

    // The working directory, ending in '/' once set; empty before and after a run.
    const std::string& workingDirectory() const { return workingDirectory_; }
    // The working directory of the current or the last run, kept by restart, so that a front end can
    // say where a failed or stopped run left its files; empty before any run.
    const std::string& lastWorkingDirectory() const { return lastWorkingDirectory_; }
    // The path of a file of the working directory (working directory + name).
    std::string pathOf(std::string_view name) const;

    // The template script handed to the processor; a path, by default kTemplateName in the current
    // directory.
    std::string templateName = kTemplateName;
    // Where loginOldFirewall creates the working directory; empty: the current directory.
    std::string parentDirectory;
    // What the administrator typed for the two firewalls.
    FirewallLogin oldLogin;
    FirewallLogin newLogin;

    UpgradeFileTable& fileTable() { return fileTable_; }
    const UpgradeFileTable& fileTable() const { return fileTable_; }

    // The processor and the trees of the current run; null outside a run.
    TemplateProcessor* processor() const { return processor_.get(); }
    ConfigTree* oldTree() const { return oldTree_.get(); }
    ConfigTree* newTree() const { return newTree_.get(); }

private:
    // Records a step in the run manifest: running from construction, then done (succeed), or at
    // destruction failed (a step whose failure is a warning only: warning); the manifest is saved at
    // both ends. A step that starts a run (the old firewall's login) is recorded once it ends.
    class StepJournal {
    public:
        StepJournal(UpgradeWorkflow& workflow, const char* name, bool warningOnly = false);
        ~StepJournal();
        StepJournal(const StepJournal&) = delete;
        StepJournal& operator=(const StepJournal&) = delete;
        bool succeed() {
            succeeded_ = true;
            return true;
        }

    private:
        UpgradeWorkflow& workflow_;
        std::string name_;
        std::string started_;
        std::size_t index_ = 0;
        bool indexed_ = false;
        bool warningOnly_;
        bool succeeded_ = false;
    };

    enum class Interruption { None, Stop, LoginTimeout, PhaseTimeout };

    void abandonStep(std::string_view heading, const std::string& reason, bool keepWorkingDirectory);
    // Records and shows a failure that ends the step without a restart (stringId 0: the text is its
    // own). After an interruption the interruption stays the failure and nothing more is shown.
    void failStep(const std::string& text, int stringId = 0);
    // True (the step goes on) unless the phase was interrupted; then the step is abandoned.
    bool continueUnlessStopped(std::string_view heading, bool keepWorkingDirectory);
    bool interrupted() const { return interruption_ != Interruption::None; }
    // The interruption as a failure (kStopRequestedText, or the time-out's string).
    StepFailure interruptionFailure() const;
    bool openWarningsForAppending();
    // Opens the log (emptied or appended to) and the warnings file (emptied) of directory, which ends
    // in '/'; false with nothing changed when either cannot be opened (*error: the system's number).
    bool openWorkingFiles(const std::string& directory, OutputMode logMode, int* error);
    // startInWorkingDirectory, saying why not (*error: the system's number).
    bool startLog(const std::string& directory, int* error);
    // Loads the saved old configuration, preprocesses it and saves the converted file.
    bool convertSavedConfig(bool keepWorkingDirectory);
    // Builds the report of the conversion so far (final: after postprocessing, with the review of the
    // final configuration), keeps it and writes its files; a report that cannot be written is logged
    // and does not stop the upgrade.
    void writeReport(bool final);
    // "Template script: PATH (SHA-256 HEX)" in the log (before each report is written); digest is
    // the script's, empty when it could not be read.
    void logTemplateScript(const std::string& digest);
    // The template script as the run manifest's template and input (when the conversion starts).
    void recordTemplateScript();
    // The interface pairs the postprocessing will use, one log line each.
    void logInterfacePairs();
    // With strictReview_: false (the step fails) when the report holds a high finding.
    bool reviewAllowsUpload();
    // The login of both phases up to the lock; newFirewall selects the upload phase's differences.
    bool loginFirewall(bool newFirewall);
    bool createWorkingDirectory();
    bool transferOptionalFiles();
    // The session of the running phase, made on first use; endSession destroys it.
    MgmtSession& session();
    void endSession();
    // Ends a phase that stops here: busy ends with Back, the session goes, the page is done.
    PhaseOutcome endPhase(bool succeeded);
    void beginPhase();
    // Starts a run in the manifest of the working directory (an unusable earlier one is moved aside,
    // logged) and saves it.
    void beginManifest();
    // Saves the manifest; the first failure of a run is logged.
    void saveManifest();
    // Before name is written: a file of that name that this run did not write is renamed to
    // NAME.previous (replacing an older one), logged.
    void moveAsideStale(const std::string& name);
    // The upload's critical transfer: local sent as the firewall's next configuration. refused: why
    // it must not be sent (empty: it may). On failure logged, shown, logged out and restarted keeping
    // the working directory.
    bool sendConfiguration(const std::string& local, const std::string& refused, long done, long total);
    // Opens the log of directory (ending in '/') for appending, alone, and makes directory the
    // working directory; false with failure() set.
    bool openLogForRollback(const std::string& directory);

    WorkflowUi& ui_;
    std::string workingDirectory_;
    std::string lastWorkingDirectory_;
    OutputFile logFile_;
    OutputFile warningsFile_;
    std::string logPath_;  // where the log and the warnings file were opened, for messages
    std::string warningsPath_;
    std::unique_ptr<ConfigTree> oldTree_;
    std::unique_ptr<ConfigTree> newTree_;
    std::unique_ptr<TemplateProcessor> processor_;
    StepFailure failure_;
    std::atomic<bool> stopRequest_{false};
    std::atomic<Interruption> interruption_{Interruption::None};
    std::atomic<bool> interruptionShown_{false};
    bool pairingRequired_ = false;  // set by mergeConfigs, for postprocessConfigs
    bool sharedInterfaceCheck_ = false;
    bool strictReview_ = false;
    bool reviewRefused_ = false;
    std::unique_ptr<UpgradeReport> report_;
    UpgradeFileTable fileTable_;
    RunManifest manifest_;
    bool manifestEnding_ = false;      // restart ended the run: the manifest ends with the step running
    bool manifestSaveFailed_ = false;  // logged once per run
    bool loggedIn_ = false;
    // The session is made and destroyed on the worker thread; timeOut and requestStop log it out from
    // other threads, so its pointer is guarded.
    std::mutex sessionMutex_;
    std::unique_ptr<MgmtSession> session_;
};
