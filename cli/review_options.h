// The options that make a conversion safer to act on, shared by convert, upload and run, and what the
// commands print about the upgrade report:
//   --strict                  stop (exit 4) before anything is uploaded when the safety review has a
//                             high finding; convert exits 4 after writing its files;
//   --allow-shared-interface  accept a pairing that gives several old interfaces one new interface
//                             (otherwise it is asked on a terminal, else refused with exit 3);
//   --pairs-file FILE         OLDDEV=NEWDEV lines, taken like as many --pair options.
#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}
struct UpgradeReport;

namespace cli {

struct ReviewOptions {
    bool strict = false;
    bool allowSharedInterface = false;
    std::string pairsFile;
};

void addReviewOptions(CLI::App& command, ReviewOptions& options);

// Appends the pairs of --pairs-file to pairs, as --pair texts. False, with problem set, when the file
// cannot be used.
bool appendPairsFile(const ReviewOptions& options, std::vector<std::string>& pairs, std::string& problem);

// The report's short summary (counts, findings, the report's path), for standard output.
std::string reportSummaryText(const UpgradeReport& report, const std::string& workingDirectory);

// Every high finding, one "high: MESSAGE" line each (and its settings), for standard error.
std::string highFindingsText(const UpgradeReport& report);

}  // namespace cli
