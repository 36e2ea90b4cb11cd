// The report's summary: what a front end shows when a conversion ends (items per kind, findings by
// severity, every high finding, where the page is), made from a report in memory or read back from
// a working directory's report.json.
//
// Reading is reading outside input: report.json may be missing, cut short, not JSON, or written by
// another version. Every such case comes back as no summary and a plain reason; nothing throws. Keys
// the summary does not need may be missing, and keys it does need may be missing too (a count that is
// not there is zero), as long as the file is a JSON object of this schema version.
//
// Ownership: plain values. Threads: pure functions (reading touches only the file), any thread.
#pragma once

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "report/upgrade_report.h"

struct ReportSummary {
    std::string stage;
    std::array<KindCount, kItemKindCount> counts{};
    std::size_t high = 0, medium = 0, info = 0;
    std::vector<std::string> highFindings;  // the messages of the high findings
    std::string htmlPath;                   // report.html beside the JSON
};

// What a person calls a kind, plural: "Interfaces", "Proxy rules", "NAT rules", ...
std::string_view itemKindTitle(ItemKind kind);

ReportSummary summarize(const UpgradeReport& report, std::string htmlPath);

// Reads DIR/report.json back (DIR with or without a trailing '/'); none with a plain reason in error
// when it is missing, unreadable, not JSON, or of another schema_version. htmlPath is DIR/report.html.
std::optional<ReportSummary> readReportSummary(const std::string& directory, std::string& error);

// The same from report.json's text; source names the file in the reasons. The seam the reader and
// its fuzz target share.
std::optional<ReportSummary> parseReportSummary(std::string_view json, const std::string& source,
                                                std::string& error);

// The short text a command-line front end prints: counts per kind (only kinds with items), findings
// by severity, the high findings (the first kSummaryHighFindingsShown, then how many more), and the
// report's path. Lines end in '\n'.
std::string summaryText(const ReportSummary& summary);

// How many high findings summaryText spells out; the rest are counted.
inline constexpr std::size_t kSummaryHighFindingsShown = 20;
