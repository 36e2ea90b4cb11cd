// report.html: the upgrade report as one self-contained page for a person to read in a browser.
//
// The page needs nothing but itself: its style and script are inline, it names no other file or
// address, and its content security policy forbids loading anything. The report travels inside it
// as report.json's data (compact), Base64-encoded in <script type="application/octet-stream"
// id="report-data">; the page's script builds everything from it with text nodes only, so no text
// of the report is ever read as markup. Long tables are shown a page at a time (report_page.h), so a
// report of 100,000 items opens as quickly as a small one. Nothing here throws; a page that cannot be
// built (memory exhausted) is empty.
//
// Ownership: returns plain values. Threads: pure functions, any thread.
#pragma once

#include <string>
#include <string_view>

#include "report/upgrade_report.h"

// The page of the report. Empty when it cannot be built.
std::string reportToHtml(const UpgradeReport& report);
// The same page made from the report's compact JSON text (reportJsonText(report, JsonLayout::Compact)),
// for a writer that has the JSON already.
std::string reportPage(std::string_view compactJson);
