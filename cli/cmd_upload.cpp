// upgrade-cli upload: the upload phase of an upgrade, resumed from a working directory on disk.
//
//   upgrade-cli upload --workdir DIR --host H [--port N] --user U [--password-file F]
//                      [--pair OLDDEV=NEWDEV]... [--template TPL]
//
// DIR is a working directory that `download` made. The run resumes from its saved old configuration
// (as the wizard does when that file is picked on disk), logs in to the new (6.0) firewall, fetches
// its configuration, converts and merges, pairs the interfaces as `convert` does (--pair, else asked
// on a terminal), uploads the final configuration and the saved files, and has the new firewall
// unpack and apply them. DIR must exist, belong to the user and be writable by nobody else.
#include <CLI/CLI.hpp>

#include <memory>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/file_checks.h"
#include "cli/phase_command.h"
#include "cli/stop_signals.h"
#include "upgrade/file_names.h"


namespace {

struct UploadOptions {
    std::string workdir;
    FirewallOptions firewall;
    std::vector<std::string> pairs;
    std::string templatePath;
    cli::ReviewOptions review;
};

int runUpload(const UploadOptions& options) {
    cli::StopSignals signals;  // before any other thread starts
    PhaseCommand command("upload", signals);
    if (const int status = command.prepare(options.templatePath, options.pairs, options.review); status != kExitDone) return status;

    const std::string directory = command.existingWorkingDirectory(options.workdir);
    if (directory.empty()) return kExitFailure;
    const std::string savedOld = directory + kSavedOldConfigName;
    const cli::InputCheck saved = cli::checkInput(savedOld);
    if (!saved.id) {
        command.complain("the working directory " + options.workdir + " holds no saved old configuration " +
                         kSavedOldConfigName + ": " + saved.problem);
        return kExitFailure;
    }

    UpgradeWorkflow& workflow = command.workflow();
    if (const int taken = command.takeLogin(options.firewall, "UPGRADE_PASSWORD", "", workflow.newLogin);
        taken != kExitDone)
        return command.finish(taken);
    if (!workflow.openWorkingDirectory(savedOld)) return command.finish(kExitFailure);
    return command.finish(command.upload());
}

}  // namespace

void addUploadCommand(CLI::App& app, int& exitCode) {
    auto options = std::make_shared<UploadOptions>();
    CLI::App* command = app.add_subcommand(
        "upload", "Resume an upgrade from its working directory: merge with the new firewall's configuration, "
                  "upload and apply.");
    command->add_option("--workdir", options->workdir, "the working directory that download made")->required();
    addFirewallOptions(*command, options->firewall, "", "new (6.0) firewall", "UPGRADE_PASSWORD");
    cli::addReviewOptions(*command, options->review);
    addRunOptions(*command, options->templatePath, &options->pairs, nullptr);
    command->footer("The password comes from --password-file, else UPGRADE_PASSWORD, else a question on the terminal.\n"
                    "Exit status: 0 done, 1 the upgrade failed (a step or a time-out; the reason is the last line on "
                    "standard error), 2 usage error or unusable input (also a --pair naming no such interface), 3 "
                    "interfaces need pairing (or a shared interface was not confirmed), 4 --strict and the safety review has a high finding, 130 stopped by Ctrl-C or SIGTERM.");
    command->callback([options, &exitCode] { exitCode = runUpload(*options); });
}
