// gen_report: writes the report.json and report.html of a generated upgrade report into a directory,
// to look at a large page by hand or to feed other tools.
//   gen_report DIR [--records N] [--seed S]
#include <CLI/CLI.hpp>

#include <cstdint>
#include <cstdio>
#include <string>

#include "bench/report_generator.h"
#include "report/report_files.h"

int main(int argc, char** argv) {
    CLI::App app{"Writes report.json and report.html of a generated upgrade report"};
    std::string directory;
    ReportSize size;
    std::uint64_t seed = 1;
    app.add_option("directory", directory, "Where to write the files")->required();
    app.add_option("--records", size.records, "Item records")->check(CLI::NonNegativeNumber);
    app.add_option("--seed", seed, "Random seed");
    CLI11_PARSE(app, argc, argv);

    std::string error;
    if (!writeReportFiles(generateReport(size, seed), directory, error)) {
        std::fprintf(stderr, "gen_report: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
