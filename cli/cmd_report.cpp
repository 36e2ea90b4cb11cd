// upgrade-cli report: the summary of an upgrade report again, from its working directory.
//
//   upgrade-cli report DIR
//
// Reads DIR/report.json (written by convert, download, upload and run) and prints what those
// commands printed at their end: the items per kind, the findings by severity with every high one,
// and where report.html is. Exit status: 0 done, 2 usage error or no readable report in DIR.
#include <CLI/CLI.hpp>

#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/human_output.h"
#include "cli/json_output.h"
#include "report/report_files.h"
#include "report/report_summary.h"

namespace {

// The directory, its files and the report read back from report.json, for --json. The file was just
// read as a summary; it is read again whole here, and a file that changed in between gives a null
// report rather than a wrong one.
void recordReport(const std::string& directory) {
    cli::CommandResult& result = cli::commandResult();
    const std::string absolute = cli::absoluteDirectory(directory);
    result.workingDirectory = absolute;
    result.files = cli::workingDirectoryFiles(absolute);
    std::ifstream in(reportFilePath(absolute, kReportJsonName), std::ios::binary);
    const nlohmann::ordered_json full = nlohmann::ordered_json::parse(in, nullptr, false);
    if (!full.is_discarded()) result.report = cli::reportSection(full);
}

int runReport(const std::string& directory) {
    std::string error;
    const std::optional<ReportSummary> summary = readReportSummary(directory, error);
    if (!summary) {
        cli::complain("report", error);
        return kExitFailure;
    }
    cli::humanOut() << summaryText(*summary);
    if (cli::jsonRequested()) recordReport(directory);
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
