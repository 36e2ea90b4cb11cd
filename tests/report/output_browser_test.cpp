// report.html in a real browser: headless Chromium opens the page of a hand-made report, and the DOM
// it dumps must show the page built (data-ready), every count, and every high finding as text (markup
// in the report's strings arrives escaped, never as elements). A search given in the URL's fragment
// filters the items, and a report of thousands of items still makes only a page of rows. Screenshots
// go to build/screenshots beside the wizard's. Chromium missing is a failure: `make deps` installs it.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "report/report_files.h"
#include "support/files.h"
#include "support/program_runner.h"
#include "support/scratch_dir.h"
#include "output_sample_report.h"

namespace {

namespace fs = std::filesystem;
using testsupport::RunResult;

// What text looks like inside the dumped DOM's markup.
std::string escaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '&') {
            out += "&amp;";
        } else if (c == '<') {
            out += "&lt;";
        } else if (c == '>') {
            out += "&gt;";
        } else {
            out += c;
        }
    }
    return out;
}

class ReportInBrowser : public ::testing::Test {
protected:
    void SetUp() override {
        const RunResult version = testsupport::runProgram({"chromium", "--version"});
        ASSERT_EQ(version.status, 0) << "chromium is not installed or does not start (make deps installs it)\n"
                                     << version.err;
    }

    std::vector<std::string> browser(const std::string& action) const {
        return {"chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-dev-shm-usage",
                "--no-first-run", "--disable-extensions", "--hide-scrollbars", "--user-data-dir=" + profile.file("p"),
                action};
    }

    // Writes the report's files into the scratch directory; the page's URL.
    std::string write(const UpgradeReport& report) const {
        std::string error;
        EXPECT_TRUE(writeReportFiles(report, scratch.path().string(), error)) << error;
        return "file://" + scratch.file("report.html");
    }

    std::string dumpDom(const std::string& url) const {
        std::vector<std::string> argv = browser("--dump-dom");
        argv.push_back(url);
        testsupport::RunOptions options;
        options.timeout = std::chrono::seconds(60);
        const RunResult run = testsupport::runProgram(argv, options);
        EXPECT_EQ(run.status, 0) << run.err;
        return run.out;
    }

    void screenshot(const std::string& url, const std::string& name, const std::string& size = "1280,900") const {
        const fs::path dir = fs::path(PROJECT_SOURCE_DIR) / "build" / "screenshots";
        fs::create_directories(dir);
        const fs::path png = dir / name;
        fs::remove(png);
        std::vector<std::string> argv = browser("--screenshot=" + png.string());
        argv.insert(argv.end() - 1, "--window-size=" + size);
        argv.push_back(url);
        testsupport::RunOptions options;
        options.timeout = std::chrono::seconds(60);
        const RunResult run = testsupport::runProgram(argv, options);
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_GT(fs::exists(png) ? fs::file_size(png) : 0, 1000u) << png;
    }

    static long readyMs(const std::string& dom) {
        std::smatch match;
        if (!std::regex_search(dom, match, std::regex("data-ready-ms=\"([0-9]+)\""))) return -1;
        return std::stol(match[1]);
    }

    testsupport::ScratchDir scratch{"report-page"};
    testsupport::ScratchDir profile{"report-chromium"};
};

TEST_F(ReportInBrowser, PageShowsEveryCountAndEveryHighFindingAsText) {
    UpgradeReport report = reportsample::sampleReport();
    // A label that would run script if it were ever read as markup, and one that is not UTF-8.
    report.records.push_back(reportsample::record(ItemKind::LocalRule, ItemOutcome::Converted, "pfedit_lcl_rule8",
                                                  "<img src=x onerror=\"document.body.dataset.owned=1\">",
                                                  {"rule_pflcl_2"}));
    report.records.push_back(reportsample::record(ItemKind::LocalRule, ItemOutcome::Converted, "pfedit_lcl_rule9",
                                                  "caf\xe9 admin", {"rule_pflcl_3"}));
    // Names that are special to plain script objects are ordinary names here.
    report.newSettingsChanged.push_back({"__proto__", "__proto___x", "a", "b", false});
    report.newSettingsChanged.push_back({"constructor", "constructor_y", "c", "", true});
    const std::string dom = dumpDom(write(report));

    EXPECT_NE(dom.find("data-ready=\"1\""), std::string::npos) << dom.substr(0, 2000);
    EXPECT_GE(readyMs(dom), 0);
    EXPECT_EQ(dom.find("data-error"), std::string::npos);
    EXPECT_EQ(dom.find("data-owned"), std::string::npos);
    EXPECT_EQ(dom.find("<img"), std::string::npos);
    EXPECT_NE(dom.find(escaped("<img src=x onerror=\"document.body.dataset.owned=1\">")), std::string::npos);
    EXPECT_NE(dom.find("caf\xef\xbf\xbd admin"), std::string::npos);

    const auto counts = report.counts();
    for (int i = 0; i < kItemKindCount; ++i) {
        const std::string kind(itemKindKey(static_cast<ItemKind>(i)));
        const KindCount& c = counts[static_cast<std::size_t>(i)];
        const std::pair<const char*, std::size_t> cells[] = {
            {"read", c.read}, {"converted", c.converted}, {"changed", c.changed}, {"dropped", c.dropped},
            {"created", c.created}};
        for (const auto& [outcome, n] : cells) {
            const std::string cell =
                "data-kind=\"" + kind + "\" data-outcome=\"" + outcome + "\">" + std::to_string(n) + "</td>";
            EXPECT_NE(dom.find(cell), std::string::npos) << cell;
        }
    }
    for (const std::string& message : reportsample::highMessages()) {
        EXPECT_NE(dom.find(escaped(message)), std::string::npos) << message;
    }
    EXPECT_NE(dom.find("3 high findings"), std::string::npos);
    EXPECT_NE(dom.find("class=\"badge warn\">shared<"), std::string::npos);
    EXPECT_NE(dom.find("unknown verb"), std::string::npos);
    EXPECT_NE(dom.find(">__proto___x<"), std::string::npos);
    EXPECT_NE(dom.find(">constructor_y<"), std::string::npos);

    screenshot("file://" + scratch.file("report.html"), "report.png");
}

TEST_F(ReportInBrowser, SearchInTheFragmentFiltersTheItems) {
    const std::string url = write(reportsample::sampleReport()) + "#q=telnet%20rsh";
    const std::string dom = dumpDom(url);
    EXPECT_NE(dom.find("data-ready=\"1\""), std::string::npos);
    EXPECT_NE(dom.find(">1 of 14 items match<"), std::string::npos);
    EXPECT_NE(dom.find(">rule_proxy_5<"), std::string::npos);
    EXPECT_EQ(dom.find(">rule_proxy_1<"), std::string::npos);
    EXPECT_EQ(dom.find(">pfedit_fwd_rule10<"), std::string::npos);
    // Tall enough to show the items under the findings, counts and pairing.
    screenshot(url, "report-search.png", "1280,2000");
}

TEST_F(ReportInBrowser, EmptyReportOpensAndSaysSo) {
    const std::string url = write(UpgradeReport{});
    const std::string dom = dumpDom(url);
    EXPECT_NE(dom.find("data-ready=\"1\""), std::string::npos);
    EXPECT_NE(dom.find(">No high findings<"), std::string::npos);
    EXPECT_NE(dom.find(">The report holds no items.<"), std::string::npos);
    EXPECT_NE(dom.find(">No interfaces were paired.<"), std::string::npos);
    EXPECT_NE(dom.find("<title>Upgrade report \xe2\x80\x94 Conversion of the old configuration</title>"),
              std::string::npos);
    screenshot(url, "report-empty.png");
}

TEST_F(ReportInBrowser, ThousandsOfItemsOpenWithOnlyAPageOfRows) {
    UpgradeReport report = reportsample::sampleReport();
    for (int i = 0; i < 5000; ++i) {
        const std::string id = "rule_proxy_" + std::to_string(100 + i);
        report.records.push_back(reportsample::record(ItemKind::ProxyRule, ItemOutcome::Converted, id,
                                                      "generated " + std::to_string(i), {id}, {},
                                                      {{"action", "allow", "allow"}}));
    }
    const std::string dom = dumpDom(write(report));
    EXPECT_NE(dom.find("data-ready=\"1\""), std::string::npos);
    EXPECT_NE(dom.find("Showing 200 of 5,003."), std::string::npos);
    std::size_t rows = 0;
    for (std::size_t at = dom.find("<tr"); at != std::string::npos; at = dom.find("<tr", at + 1)) ++rows;
    EXPECT_LT(rows, 400u);
    EXPECT_EQ(dom.find(">generated 4999<"), std::string::npos);
    std::printf("page of %zu items ready after %ld ms\n", report.records.size(), readyMs(dom));
}

}  // namespace
