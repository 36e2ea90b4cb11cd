// Writing the report's files into a working directory: report.json and report.html, each through
// the atomic writer (owner-only), so each is either the new file complete or the previous one
// untouched. A target that exists and is not a regular file (a directory, a link, a device, a pipe)
// is refused before anything is written. Both files are written out before either is put in place,
// and report.json goes in place last: when it is new, so is the page beside it.
//
// Ownership: nothing kept. Threads: any, one writer per directory at a time.
#pragma once

#include <string>
#include <string_view>

#include "report/upgrade_report.h"

inline constexpr std::string_view kReportJsonName = "report.json";
inline constexpr std::string_view kReportHtmlName = "report.html";

// directory + '/' + name, with no second '/' when directory already ends in one.
std::string reportFilePath(const std::string& directory, std::string_view name);

// Writes both files into directory (with or without a trailing '/'). False with a plain reason in
// error when a file could not be written; the files not yet put in place keep what they held.
[[nodiscard]] bool writeReportFiles(const UpgradeReport& report, const std::string& directory, std::string& error);
