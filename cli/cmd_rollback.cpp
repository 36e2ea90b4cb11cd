// upgrade-cli rollback: the new firewall put back on the configuration it had before the upgrade.
//
//   upgrade-cli rollback --workdir DIR --host H [--port N] --user U [--password-file F]
//
// DIR is a working directory in which an upload (or a run) fetched the new firewall's initial
// configuration (kestrane.conf.6INIT). The command logs in to the new (6.0) firewall as the upload
// does (6.0, lock granted), sends that file as its next configuration and has it applied. The upgrade
// log in DIR is appended to and the run is recorded in DIR's manifest.json. DIR must exist, belong to
// the user and be writable by nobody else.
#include <CLI/CLI.hpp>

#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/file_checks.h"
#include "cli/phase_command.h"
#include "cli/stop_signals.h"
#include "upgrade/file_names.h"


namespace {

struct RollbackOptions {
    std::string workdir;
    FirewallOptions firewall;
};

int runRollback(const RollbackOptions& options) {
    cli::StopSignals signals;  // before any other thread starts
    PhaseCommand command("rollback", signals);

    const std::string directory = command.existingWorkingDirectory(options.workdir);
    if (directory.empty()) return kExitFailure;
    // Refused before a password is asked for: without the file there is nothing to go back to.
    const cli::InputCheck initial = cli::checkInput(directory + kNewInitConfigName);
    if (!initial.id) {
        command.complain("the working directory " + options.workdir + " holds no initial configuration " +
                         kNewInitConfigName + " of the new firewall (" + initial.problem +
                         "); nothing was rolled back");
        return kExitUpgradeFailed;
    }

    UpgradeWorkflow& workflow = command.workflow();
    if (const int taken = command.takeLogin(options.firewall, "UPGRADE_PASSWORD", "", workflow.newLogin);
        taken != kExitDone)
        return command.finish(taken);
    return command.finish(command.rollback(directory));
}

}  // namespace

void addRollbackCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<RollbackOptions>();
    CLI::App* command = app.add_subcommand(
        "rollback", "Put the new firewall back on the initial configuration saved in a working directory.");
    command->add_option("--workdir", options->workdir, "the working directory of the upgrade")->required();
    addFirewallOptions(*command, options->firewall, "", "new (6.0) firewall", "UPGRADE_PASSWORD");
    command->footer("The password comes from --password-file, else UPGRADE_PASSWORD, else a question on the terminal.\n"
                    "Exit status: 0 done, 1 the rollback failed (also when the working directory holds no "
                    "kestrane.conf.6INIT; the reason is the last line on standard error), 2 usage error or unusable "
                    "input, 130 stopped by Ctrl-C or SIGTERM.");
    command->callback([options, &exitCode] { exitCode = runRollback(*options); });
}
