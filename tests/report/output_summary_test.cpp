// The report's summary: made from a report, read back from report.json (good, missing, cut short, not
// JSON, another schema version, keys missing or of the wrong type), and its text for a terminal.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "report/report_files.h"
#include "report/report_json.h"
#include "report/report_summary.h"
#include "support/files.h"
#include "support/scratch_dir.h"
#include "output_sample_report.h"

namespace {

class ReportSummaryTest : public ::testing::Test {
protected:
    std::string dir() const { return scratch.path().string(); }
    std::string jsonPath() const { return scratch.file("report.json"); }
    void writeJson(const std::string& text) const { ASSERT_TRUE(testsupport::writeFile(jsonPath(), text)); }

    // The summary of text as report.json's content; nothing when it is refused, with the reason.
    static std::optional<ReportSummary> parse(const std::string& text, std::string& error) {
        return parseReportSummary(text, "report.json", error);
    }

    testsupport::ScratchDir scratch{"report-summary"};
};

void expectSameSummary(const ReportSummary& a, const ReportSummary& b) {
    EXPECT_EQ(a.stage, b.stage);
    for (int i = 0; i < kItemKindCount; ++i) {
        const KindCount& x = a.counts[static_cast<std::size_t>(i)];
        const KindCount& y = b.counts[static_cast<std::size_t>(i)];
        EXPECT_EQ(x.read, y.read) << i;
        EXPECT_EQ(x.converted, y.converted) << i;
        EXPECT_EQ(x.changed, y.changed) << i;
        EXPECT_EQ(x.dropped, y.dropped) << i;
        EXPECT_EQ(x.created, y.created) << i;
    }
    EXPECT_EQ(a.high, b.high);
    EXPECT_EQ(a.medium, b.medium);
    EXPECT_EQ(a.info, b.info);
    EXPECT_EQ(a.highFindings, b.highFindings);
    EXPECT_EQ(a.htmlPath, b.htmlPath);
}

TEST_F(ReportSummaryTest, SummaryOfAReportCountsItsItemsAndFindings) {
    const ReportSummary summary = summarize(reportsample::sampleReport(), "/w/report.html");
    EXPECT_EQ(summary.stage, "final");
    const KindCount& proxy = summary.counts[static_cast<std::size_t>(ItemKind::ProxyRule)];
    EXPECT_EQ(proxy.read, 3u);
    EXPECT_EQ(proxy.converted, 1u);
    EXPECT_EQ(proxy.changed, 1u);
    EXPECT_EQ(proxy.dropped, 1u);
    EXPECT_EQ(summary.counts[static_cast<std::size_t>(ItemKind::NetObject)].created, 1u);
    EXPECT_EQ(summary.high, 3u);
    EXPECT_EQ(summary.medium, 1u);
    EXPECT_EQ(summary.info, 1u);
    EXPECT_EQ(summary.highFindings, reportsample::highMessages());
    EXPECT_EQ(summary.htmlPath, "/w/report.html");
}

TEST_F(ReportSummaryTest, ReadBackItIsTheSummaryOfTheReportWrittenThere) {
    const UpgradeReport report = reportsample::sampleReport();
    std::string error;
    ASSERT_TRUE(writeReportFiles(report, dir(), error)) << error;
    for (const std::string& directory : {dir(), dir() + "/"}) {
        const std::optional<ReportSummary> summary = readReportSummary(directory, error);
        ASSERT_TRUE(summary) << error;
        expectSameSummary(*summary, summarize(report, scratch.file("report.html")));
    }
}

TEST_F(ReportSummaryTest, MissingOrUnreadableReportIsAPlainReason) {
    std::string error;
    EXPECT_FALSE(readReportSummary(dir(), error));
    EXPECT_EQ(error, "cannot read " + jsonPath() + ": No such file or directory");

    ASSERT_EQ(::mkdir(jsonPath().c_str(), 0700), 0);
    EXPECT_FALSE(readReportSummary(dir(), error));
    EXPECT_EQ(error, jsonPath() + " is not a regular file");
}

TEST_F(ReportSummaryTest, FileThatIsNotJsonIsRefused) {
    for (const std::string text : {"", "report", "{\"schema_version\": 1,", "\xff\xfe{}", "{} {}"}) {
        writeJson(text);
        std::string error;
        EXPECT_FALSE(readReportSummary(dir(), error)) << text;
        EXPECT_EQ(error, jsonPath() + " is not valid JSON") << text;
    }
}

TEST_F(ReportSummaryTest, ReportOfAnotherSchemaVersionOrNoneIsRefused) {
    const std::pair<std::string, std::string> cases[] = {
        {R"({"schema_version": 2})", "report.json is a report of schema version 2; this program reads version 1"},
        {R"({"schema_version": 0})", "report.json is a report of schema version 0; this program reads version 1"},
        {R"({"schema_version": "1"})", "report.json is not an upgrade report (it has no schema_version)"},
        {R"({"stage": "final"})", "report.json is not an upgrade report (it has no schema_version)"},
        {R"([1, 2])", "report.json is not an upgrade report (it has no schema_version)"},
        {R"("text")", "report.json is not an upgrade report (it has no schema_version)"},
    };
    for (const auto& [text, reason] : cases) {
        std::string error;
        EXPECT_FALSE(parse(text, error)) << text;
        EXPECT_EQ(error, reason);
    }
}

TEST_F(ReportSummaryTest, ReportCutShortAnywhereIsRefusedWithoutHarm) {
    UpgradeReport report = reportsample::sampleReport();
    report.records.resize(3);
    const std::string text = reportJsonText(report, JsonLayout::Compact);
    for (std::size_t length = 0; length < text.size(); ++length) {
        std::string error;
        EXPECT_FALSE(parse(text.substr(0, length), error)) << length;
        EXPECT_FALSE(error.empty());
    }
    std::string error;
    EXPECT_TRUE(parse(text, error)) << error;
}

TEST_F(ReportSummaryTest, MissingOrMistypedKeysCountAsNothing) {
    std::string error;
    std::optional<ReportSummary> summary = parse(R"({"schema_version": 1})", error);
    ASSERT_TRUE(summary) << error;
    EXPECT_EQ(summary->stage, "");
    EXPECT_EQ(summary->counts[0].read, 0u);
    EXPECT_EQ(summary->high + summary->medium + summary->info, 0u);

    // Without finding_counts the findings are counted; counts of the wrong type or sign are zero;
    // unknown kinds and keys are passed over; the parts a summary does not read may hold anything.
    summary = parse(R"({"schema_version": 1, "stage": 7, "future_key": {"x": []},
        "counts": {"interface": {"read": "3", "converted": -1, "changed": 2.5, "dropped": 4},
                   "proxy_rule": [], "spaceship": {"read": 9}},
        "findings": [{"severity": "high", "message": "one"}, {"severity": "high"}, {"severity": "medium"},
                     {"severity": "info"}, {"severity": "bogus"}, 17, {"severity": "high", "message": 5}],
        "records": "anything", "pairing": {"a": 1}, "script_lines": null, "new_settings_changed": 0})",
                    error);
    ASSERT_TRUE(summary) << error;
    EXPECT_EQ(summary->stage, "");
    const KindCount& interface = summary->counts[static_cast<std::size_t>(ItemKind::Interface)];
    EXPECT_EQ(interface.read, 0u);
    EXPECT_EQ(interface.converted, 0u);
    EXPECT_EQ(interface.changed, 0u);
    EXPECT_EQ(interface.dropped, 4u);
    EXPECT_EQ(summary->high, 3u);
    EXPECT_EQ(summary->medium, 1u);
    EXPECT_EQ(summary->info, 1u);
    EXPECT_EQ(summary->highFindings, (std::vector<std::string>{"one", "", ""}));

    // finding_counts, when there, is what the report says.
    summary = parse(R"({"schema_version": 1, "finding_counts": {"high": 0, "medium": 2},
                        "findings": [{"severity": "high", "message": "listed"}]})",
                    error);
    ASSERT_TRUE(summary) << error;
    EXPECT_EQ(summary->high, 0u);
    EXPECT_EQ(summary->medium, 2u);
    EXPECT_EQ(summary->info, 0u);
    EXPECT_EQ(summary->highFindings, (std::vector<std::string>{"listed"}));
}

TEST_F(ReportSummaryTest, TextShowsKindsWithItemsFindingsAndWhereThePageIs) {
    const std::string text = summaryText(summarize(reportsample::sampleReport(), "/work/x/report.html"));
    EXPECT_EQ(text,
              "Upgrade report: final configuration\n"
              "Items:                  read  converted  changed  dropped  created\n"
              "  Interfaces               3          2        1        0        0\n"
              "  Interface aliases        1          1        0        0        0\n"
              "  Network objects          0          0        0        0        1\n"
              "  Service groups           1          1        0        0        0\n"
              "  Destination groups       0          0        0        0        1\n"
              "  Proxy rules              3          1        1        1        0\n"
              "  NAT rules                1          1        0        0        0\n"
              "  Forward filter rules     2          1        0        1        0\n"
              "  Local filter rules       1          1        0        0        0\n"
              "Findings: 3 high, 1 medium, 1 info\n"
              "  HIGH: " +
                  reportsample::highMessages()[0] + "\n  HIGH: " + reportsample::highMessages()[1] +
                  "\n  HIGH: " + reportsample::highMessages()[2] + "\nReport: /work/x/report.html\n");
}

TEST_F(ReportSummaryTest, TextNamesTheFirstHighFindingsAndCountsTheRest) {
    ReportSummary summary;
    summary.stage = "final";
    summary.high = kSummaryHighFindingsShown + 3;
    for (std::size_t i = 0; i < summary.high; ++i) summary.highFindings.push_back("finding " + std::to_string(i));
    const std::string text = summaryText(summary);
    EXPECT_NE(text.find("  HIGH: finding " + std::to_string(kSummaryHighFindingsShown - 1) + "\n"), std::string::npos);
    EXPECT_EQ(text.find("  HIGH: finding " + std::to_string(kSummaryHighFindingsShown) + "\n"), std::string::npos);
    EXPECT_NE(text.find("  ... and 3 more high findings in the report\n"), std::string::npos) << text;
}

TEST_F(ReportSummaryTest, TextOfAnEmptyReportAndOfControlCharacters) {
    ReportSummary summary;
    summary.stage = "conversion";
    EXPECT_EQ(summaryText(summary), "Upgrade report: conversion of the old configuration\nItems: none\nFindings: none\n");

    summary.counts[static_cast<std::size_t>(ItemKind::NatRule)].read = 123456;
    summary.high = 1;
    summary.highFindings = {"line one\nline two\x1b[31m red\x7f"};
    summary.htmlPath = "report.html";
    EXPECT_EQ(summaryText(summary),
              "Upgrade report: conversion of the old configuration\n"
              "Items:         read  converted  changed  dropped  created\n"
              "  NAT rules  123456          0        0        0        0\n"
              "Findings: 1 high, 0 medium, 0 info\n"
              "  HIGH: line one line two?[31m red?\n"
              "Report: report.html\n");
}

}  // namespace
