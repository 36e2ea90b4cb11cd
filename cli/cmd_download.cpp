// upgrade-cli download: the download phase of an upgrade.
//
//   upgrade-cli download --host H [--port N] --user U [--password-file F] [--in DIR] [--template TPL]
//
// Logs in to the old (5.x) firewall, has it package its certificates, downloads the upgrade's files
// into a new working directory made inside DIR (default: the current directory) and converts the old
// configuration there. The upgrade log is mirrored on standard output; at the end come the warnings
// for the administrator and, as the last line, "Working directory: PATH", which `upload --workdir`
// takes to carry on.
#include <CLI/CLI.hpp>

#include <memory>
#include <string>

#include "cli/commands.h"
#include "cli/phase_command.h"
#include "cli/stop_signals.h"

namespace {

struct DownloadOptions {
    FirewallOptions firewall;
    std::string in;
    std::string templatePath;
    bool noLint = false;
};

int runDownload(const DownloadOptions& options) {
    cli::StopSignals signals;  // before any other thread starts
    PhaseCommand command("download", signals);
    if (const int status = command.prepare(options.templatePath, {}, {}, !options.noLint); status != kExitDone) return status;

    if (const int status = command.makeWorkingDirectoryIn(options.in); status != kExitDone) return status;
    UpgradeWorkflow& workflow = command.workflow();
    if (const int taken = command.takeLogin(options.firewall, "UPGRADE_PASSWORD", "", workflow.oldLogin);
        taken != kExitDone)
        return command.finish(taken);
    return command.finish(command.download());
}

}  // namespace

void addDownloadCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<DownloadOptions>();
    CLI::App* command = app.add_subcommand(
        "download", "Download an old firewall's configuration and files into a new working directory and convert it.");
    addFirewallOptions(*command, options->firewall, "", "old (5.x) firewall", "UPGRADE_PASSWORD");
    addRunOptions(*command, options->templatePath, nullptr, &options->in);
    command->add_flag("--no-lint", options->noLint, "run the template script without checking it first");
    command->footer("The password comes from --password-file, else UPGRADE_PASSWORD, else a question on the terminal.\n"
                    "Exit status: 0 done, 1 the upgrade failed (a step or a time-out; the reason is the last line on "
                    "standard error), 2 usage error or unusable input, 130 stopped by Ctrl-C or SIGTERM.");
    command->callback([options, &exitCode] { exitCode = runDownload(*options); });
}
