// The upgrade report's files for a large conversion (bench/report_generator.h: 100,000 item records,
// 500 findings, 200 paired interfaces, 400 script lines, 2,000 changed settings of the new firewall).
//
//   bench_report [benchmark options]
//
// BM_ReportJson builds the JSON value and writes report.json's text; BM_ReportHtml makes the page
// (JSON, compact text, Base64); BM_WriteReportFiles writes both files as a conversion does;
// BM_ReadReportSummary reads the summary back from report.json. BM_ReportPageReady opens the page in
// headless Chromium once per iteration and reports the page's own figure (ready_ms: from the start of
// loading until the page is built and its search works, as the page measures it) beside the wall time
// of the whole browser run (start-up, loading, dumping the DOM). The goal: the page of 100,000 items
// opens and becomes searchable within 2 s.
#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <string>
#include <system_error>

#include "bench/report_generator.h"
#include "report/report_files.h"
#include "report/report_html.h"
#include "report/report_json.h"
#include "report/report_summary.h"

namespace fs = std::filesystem;

namespace {

const UpgradeReport& largeReport() {
    static const UpgradeReport report = generateReport(ReportSize{}, 1);
    return report;
}

// The scratch directory of this process, removed when the program ends.
const fs::path& scratchRoot() {
    struct Scratch {
        fs::path path = fs::temp_directory_path() / ("bench_report_" + std::to_string(::getpid()));
        ~Scratch() {
            std::error_code ignored;
            fs::remove_all(path, ignored);
        }
    };
    static const Scratch scratch;
    return scratch.path;
}

// The directory holding the large report's files, written once per process.
const fs::path& writtenReport() {
    static const fs::path dir = [] {
        const fs::path d = scratchRoot() / "written";
        fs::create_directories(d);
        std::string error;
        if (!writeReportFiles(largeReport(), d.string(), error)) std::fprintf(stderr, "bench_report: %s\n", error.c_str());
        return d;
    }();
    return dir;
}

void BM_ReportJson(benchmark::State& state) {
    const UpgradeReport& report = largeReport();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string text = reportJsonText(report);
        if (text.empty()) state.SkipWithError("no JSON");
        bytes = text.size();
    }
    state.counters["records"] = static_cast<double>(report.records.size());
    state.counters["json_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_ReportJson)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReportHtml(benchmark::State& state) {
    const UpgradeReport& report = largeReport();
    std::size_t bytes = 0;
    for (auto _ : state) {
        const std::string page = reportToHtml(report);
        if (page.empty()) state.SkipWithError("no page");
        bytes = page.size();
    }
    state.counters["html_MB"] = static_cast<double>(bytes) / 1e6;
}
BENCHMARK(BM_ReportHtml)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_WriteReportFiles(benchmark::State& state) {
    const fs::path dir = scratchRoot() / "write";
    fs::create_directories(dir);
    for (auto _ : state) {
        std::string error;
        if (!writeReportFiles(largeReport(), dir.string(), error)) state.SkipWithError(error.c_str());
    }
}
BENCHMARK(BM_WriteReportFiles)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_ReadReportSummary(benchmark::State& state) {
    const fs::path& dir = writtenReport();
    for (auto _ : state) {
        std::string error;
        if (!readReportSummary(dir.string(), error)) state.SkipWithError(error.c_str());
    }
}
BENCHMARK(BM_ReadReportSummary)->Unit(benchmark::kMillisecond)->Iterations(3);

// Runs headless Chromium on the page and returns the DOM it dumps (empty when it did not run).
std::string dumpDom(const fs::path& page, const fs::path& profile) {
    const std::string command = "chromium --headless --no-sandbox --disable-gpu --disable-dev-shm-usage "
                                "--no-first-run --disable-extensions --user-data-dir='" +
                                profile.string() + "' --dump-dom 'file://" + page.string() + "' 2>/dev/null";
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return {};
    std::string dom;
    char block[64 * 1024];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, pipe)) > 0) dom.append(block, got);
    const int status = ::pclose(pipe);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0 ? dom : std::string();
}

void BM_ReportPageReady(benchmark::State& state) {
    const fs::path page = writtenReport() / kReportHtmlName;
    const fs::path profile = scratchRoot() / "chromium";
    const std::regex readyMs("data-ready-ms=\"([0-9]+)\"");
    double readyTotal = 0;
    double wallTotal = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const std::string dom = dumpDom(page, profile);
        const std::chrono::duration<double> wall = std::chrono::steady_clock::now() - start;
        state.SetIterationTime(wall.count());
        std::smatch match;
        const std::string head = dom.substr(0, dom.find("id=\"report-data\""));
        if (dom.empty() || !std::regex_search(head, match, readyMs)) {
            state.SkipWithError("chromium did not open the page, or the page did not become ready");
            break;
        }
        readyTotal += std::stod(match[1]);
        wallTotal += wall.count() * 1000;
    }
    const double runs = static_cast<double>(state.iterations());
    if (runs > 0) {
        state.counters["ready_ms"] = readyTotal / runs;
        state.counters["chromium_wall_ms"] = wallTotal / runs;
    }
    state.counters["page_MB"] = static_cast<double>(fs::file_size(page)) / 1e6;
}
BENCHMARK(BM_ReportPageReady)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
