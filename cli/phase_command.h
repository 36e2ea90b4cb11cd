// What upgrade-cli's download, upload and run have in common: one upgrade workflow driven on the
// command's main thread with its terminal front end (PhaseTerminalUi), each phase under its login and
// phase deadlines (PhaseWatchdog, durations from UpgradeTimeouts::fromEnvironment), Ctrl-C and SIGTERM
// turned into the workflow's stop (StopSignals), the interface pairing on the terminal between the
// halves of the upload phase, and how the run ends: the warnings printed with their file's path, the
// log closed, the working directory named on standard output's last line, and the exit status; and
// what the run left (directory, files, report, failure) recorded for --json (cli/json_output.h).
//
// Exit statuses (commands.h): kExitDone; kExitUpgradeFailed when a step failed or a deadline ran out
// (the failure's text is the last thing on standard error); kExitFailure for a usage error or an input
// that cannot be used (including a --pair that names no such interface); kExitNeedsPairing when
// interfaces are still unpaired without a terminal to ask on; kExitInterrupted after a stop signal.
//
// One per command, on its main thread; the StopSignals it is given must outlive it.
#pragma once

#include <string>
#include <vector>

#include "cli/phase_terminal_ui.h"
#include "cli/phase_watchdog.h"
#include "cli/review_options.h"
#include "cli/stop_signals.h"
#include "convert/interfaces.h"
#include "upgrade/upgrade_timeouts.h"
#include "upgrade/workflow.h"

namespace CLI {
class App;
}

// The options that name a firewall to log in to. The password never is one: it comes from the file,
// else from an environment variable, else from a question on the terminal.
struct FirewallOptions {
    std::string prefix;  // "" or "old-" / "new-": the options are --PREFIXhost and so on
    std::string host;
    unsigned port = FirewallLogin::kDefaultPort;
    std::string user;
    std::string passwordFile;
};

// Registers --PREFIXhost, --PREFIXport, --PREFIXuser and --PREFIXpassword-file; which names the
// firewall in their help, variable the environment variable that may hold the password.
void addFirewallOptions(CLI::App& command, FirewallOptions& options, const std::string& prefix,
                        const std::string& which, const char* variable);

// Registers --template and, for the commands that have them, --pair (pairs not null) and --in (in not
// null).
void addRunOptions(CLI::App& command, std::string& templatePath, std::vector<std::string>* pairs, std::string* in);

class PhaseCommand {
public:
    // name: the subcommand, for messages.
    PhaseCommand(std::string name, cli::StopSignals& signals);
    ~PhaseCommand();
    PhaseCommand(const PhaseCommand&) = delete;
    PhaseCommand& operator=(const PhaseCommand&) = delete;

    UpgradeWorkflow& workflow() { return workflow_; }

    // The checks every firewall command makes before it asks for a password: the --pair values and
    // those of --pairs-file, the time-outs of the environment and the template script (which becomes
    // the workflow's), checked first by the script checker when lint is set; the review options go to
    // the workflow. kExitDone, or kExitFailure after saying why.
    int prepare(const std::string& templatePath, const std::vector<std::string>& pairs,
                const cli::ReviewOptions& review = {}, bool lint = false);
    // Where the download phase makes the working directory: in (the current directory when empty),
    // made absolute. kExitDone, or kExitFailure after saying why when it is no directory.
    int makeWorkingDirectoryIn(const std::string& in);
    // The working directory of a run that carries on from one on disk (upload, rollback): it must
    // exist, belong to the user and be writable by nobody else. Its absolute path ending in '/', or
    // empty after saying why not.
    std::string existingWorkingDirectory(const std::string& workdir);
    // Fills login from options and the password from its sources (which: "old firewall" and so on,
    // empty for the only one). kExitDone, kExitFailure after saying why, or kExitInterrupted.
    int takeLogin(const FirewallOptions& options, const char* variable, const std::string& which, FirewallLogin& login);

    // The download phase; the old login's password is wiped once it has run. kExitDone,
    // kExitUpgradeFailed or kExitInterrupted.
    int download();
    // The upload phase with the interface pairing between its halves (and the confirmation of a
    // shared interface); the new login's password is wiped once it has run. Any of the exit statuses,
    // kExitReviewRefused when --strict stopped it before the upload.
    int upload();
    // The rollback of the new firewall from directory (the time-outs of the environment apply); the
    // new login's password is wiped once it has run. kExitDone, kExitUpgradeFailed (also when
    // directory holds no initial configuration), kExitFailure for an unusable time-out, or
    // kExitInterrupted.
    int rollback(const std::string& directory);

    // Ends the run with the command's exit status so far and gives the final one (kExitUpgradeFailed
    // instead of kExitDone when the log or the warnings file missed a write).
    int finish(int exitStatus);

    // "upgrade-cli NAME: TEXT" on standard error.
    void complain(const std::string& text);

private:
    int failed();
    int stopped();
    int pairInterfaces();
    // kExitDone when no interface is shared or sharing was confirmed; kExitNeedsPairing otherwise.
    int confirmSharedInterfaces();
    void printWarnings(const std::string& path);
    // What the run left, for --json (cli/json_output.h).
    void recordResult(const std::string& directory);

    std::string name_;
    cli::StopSignals& signals_;
    UpgradeTimeouts timeouts_;
    std::vector<DevicePair> pairs_;
    cli::ReviewOptions review_;
    std::string failureText_;  // shown last on standard error when the run ends
    PhaseWatchdog watchdog_;
    PhaseTerminalUi ui_;
    UpgradeWorkflow workflow_;
};
