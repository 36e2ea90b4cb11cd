// The review options and the report's texts (see review_options.h).
#include "cli/review_options.h"

#include <CLI/CLI.hpp>

#include "cli/pairs_file.h"
#include "report/report_files.h"
#include "report/report_summary.h"
#include "report/upgrade_report.h"

namespace cli {

void addReviewOptions(CLI::App& command, ReviewOptions& options) {
    command.add_flag("--strict", options.strict,
                     "stop before anything is uploaded when the safety review has a high finding (exit 4)");
    command.add_flag("--allow-shared-interface", options.allowSharedInterface,
                     "accept a pairing that gives several old interfaces the same new interface");
    command.add_option("--pairs-file", options.pairsFile,
                       "file of OLDDEV=NEWDEV lines, taken like as many --pair options ('#' starts a comment)");
}

bool appendPairsFile(const ReviewOptions& options, std::vector<std::string>& pairs, std::string& problem) {
    if (options.pairsFile.empty()) return true;
    std::string why;
    const std::optional<std::vector<DevicePair>> read = readPairsFile(options.pairsFile, why);
    if (!read) {
        problem = "--pairs-file " + options.pairsFile + ": " + why;
        return false;
    }
    for (const DevicePair& pair : *read) pairs.push_back(pair.oldDevice + "=" + pair.newDevice);
    return true;
}

std::string reportSummaryText(const UpgradeReport& report, const std::string& workingDirectory) {
    return summaryText(summarize(report, reportFilePath(workingDirectory, kReportHtmlName)));
}

std::string highFindingsText(const UpgradeReport& report) {
    std::string text;
    for (const Finding& finding : report.findings) {
        if (finding.severity != Severity::High) continue;
        text += "high: " + finding.message + '\n';
        for (const std::string& setting : finding.settings) text += "  " + setting + '\n';
    }
    return text;
}

}  // namespace cli
