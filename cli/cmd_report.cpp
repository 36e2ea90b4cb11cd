// upgrade-cli report: the summary of an upgrade report again, from its working directory.
//
//   upgrade-cli report DIR
//
// Reads DIR/report.json (written by convert, download, upload and run) and prints what those
// commands printed at their end: the items per kind, the findings by severity with every high one,
// and where report.html is. Exit status: 0 done, 2 usage error or no readable report in DIR.
#include <CLI/CLI.hpp>

#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "report/report_summary.h"

namespace {

int runReport(const std::string& directory) {
    std::string error;
    const std::optional<ReportSummary> summary = readReportSummary(directory, error);
    if (!summary) {
        std::cerr << "upgrade-cli report: " << error << '\n';
        return kExitFailure;
    }
    std::cout << summaryText(*summary);
    return kExitDone;
}

}  // namespace

void addReportCommand(CLI::App& app, int& exitCode) {
    auto directory = std::make_shared<std::string>();
    CLI::App* command =
        app.add_subcommand("report", "Print the summary of the upgrade report in a working directory again.");
    command->add_option("DIR", *directory, "the working directory (it holds report.json)")->required();
    command->footer("Exit status: 0 done, 2 usage error or no readable report in DIR.");
    command->callback([directory, &exitCode] { exitCode = runReport(*directory); });
}
