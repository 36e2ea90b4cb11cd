// upgrade-cli run: a whole upgrade in one go, both phases in one process.
//
//   upgrade-cli run --old-host H [--old-port N] --old-user U [--old-password-file F]
//                   --new-host H [--new-port N] --new-user U [--new-password-file F]
//                   [--in DIR] [--pair OLDDEV=NEWDEV]... [--template TPL]
//
// The download phase from the old (5.x) firewall into a new working directory inside DIR, then the
// upload phase to the new (6.0) firewall with the conversion still in memory (nothing is read back
// from disk). Both passwords are taken before anything starts.
#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/phase_command.h"
#include "cli/stop_signals.h"

namespace {

struct RunOptions {
    FirewallOptions oldFirewall;
    FirewallOptions newFirewall;
    std::string in;
    std::vector<std::string> pairs;
    std::string templatePath;
    bool noLint = false;
    cli::ReviewOptions review;
};

int runBoth(const RunOptions& options) {
    cli::StopSignals signals;  // before any other thread starts
    PhaseCommand command("run", signals);
    if (const int status = command.prepare(options.templatePath, options.pairs, options.review, !options.noLint); status != kExitDone) return status;

    if (const int status = command.makeWorkingDirectoryIn(options.in); status != kExitDone) return status;
    UpgradeWorkflow& workflow = command.workflow();
    int taken = command.takeLogin(options.oldFirewall, "UPGRADE_OLD_PASSWORD", "old firewall", workflow.oldLogin);
    if (taken == kExitDone)
        taken = command.takeLogin(options.newFirewall, "UPGRADE_NEW_PASSWORD", "new firewall", workflow.newLogin);
    if (taken != kExitDone) return command.finish(taken);

    const int downloaded = command.download();
    if (downloaded != kExitDone) return command.finish(downloaded);
    return command.finish(command.upload());
}

}  // namespace

void addRunCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<RunOptions>();
    CLI::App* command = app.add_subcommand(
        "run", "Upgrade in one go: download from the old firewall, convert, merge, upload to the new one and apply.");
    addFirewallOptions(*command, options->oldFirewall, "old-", "old (5.x) firewall", "UPGRADE_OLD_PASSWORD");
    addFirewallOptions(*command, options->newFirewall, "new-", "new (6.0) firewall", "UPGRADE_NEW_PASSWORD");
    cli::addReviewOptions(*command, options->review);
    addRunOptions(*command, options->templatePath, &options->pairs, &options->in);
    command->add_flag("--no-lint", options->noLint, "run the template script without checking it first");
    command->footer(
        "The passwords come from --old-password-file and --new-password-file, else UPGRADE_OLD_PASSWORD and "
        "UPGRADE_NEW_PASSWORD, else questions on the terminal.\n"
        "Exit status: 0 done, 1 the upgrade failed (a step or a time-out; the reason is the last line on "
        "standard error), 2 usage error or unusable input (also a --pair naming no such interface), 3 "
        "interfaces need pairing (or a shared interface was not confirmed), 4 --strict and the safety review has a high finding, 130 stopped by Ctrl-C or SIGTERM.");
    command->callback([options, &exitCode] { exitCode = runBoth(*options); });
}
