// upgrade-cli: the headless front end of the upgrade (template runs, offline conversion, download
// and upload). This file only assembles the subcommands; each is in its own cmd_<name>.cpp.
#include <CLI/CLI.hpp>

#include <exception>
#include <iostream>

#include "cli/commands.h"
#include "cli/human_output.h"
#include "cli/json_output.h"

int main(int argc, char** argv) {
    CLI::App app{"Upgrades a Kestrane firewall configuration from the 5.x generation to 6.0.", "upgrade-cli"};
    app.require_subcommand(1);

    static constexpr AddCommand kCommands[] = {
        addTemplateCommand, addConvertCommand, addDownloadCommand, addUploadCommand,
        addRunCommand,      addReportCommand,  addLintCommand,   addRollbackCommand,
    };
    int exitCode = kExitDone;
    for (AddCommand add : kCommands) add(app, exitCode);
    // Every subcommand takes --json (cli/json_output.h), those added later too.
    for (CLI::App* command : app.get_subcommands({})) cli::addJsonOption(*command);

    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& e) {
        // --help prints and succeeds; every other parse error is a usage error.
        exitCode = app.exit(e, cli::humanOut(), std::cerr) == 0 ? kExitDone : kExitFailure;
        if (exitCode != kExitDone) cli::noteComplaint(e.what());
    } catch (const std::exception& e) {
        std::cerr << "upgrade-cli: " << e.what() << '\n';
        cli::noteComplaint(e.what());
        exitCode = kExitFailure;
    }
    return cli::jsonRequested() ? cli::printJsonResult(exitCode) : exitCode;
}
