// report.json: the upgrade report as JSON, for programs and for the page that shows it (report_html.h).
//
// The keys, their order and their meaning are documented in report/SCHEMA.md and versioned by
// kReportSchemaVersion. The output is a function of the report alone (no time stamps, keys in a fixed
// order), so the same report always gives the same bytes and a reviewed file can be compared byte for
// byte. Strings come from configurations and may hold any bytes: bytes that are not UTF-8 come out as
// U+FFFD, so the text is always valid JSON in UTF-8. The report is built as one nlohmann value and
// dumped; nothing here throws: a report that cannot be built (memory exhausted) gives an empty text
// or a null value.
//
// Ownership: returns plain values. Threads: pure functions, any thread.
#pragma once

#include <string>

#include <nlohmann/json.hpp>

#include "report/upgrade_report.h"

// How the JSON text is laid out.
enum class JsonLayout {
    Pretty,   // two-space indent, a final newline: report.json
    Compact,  // one line, no final newline: the data inside report.html
};

// The report as text: report.json's content (Pretty), or the page's data (Compact). Empty when it
// could not be written.
std::string reportJsonText(const UpgradeReport& report, JsonLayout layout = JsonLayout::Pretty);

// The report as a JSON value, keys in the documented order. Null when it could not be built.
nlohmann::ordered_json reportToJson(const UpgradeReport& report);

// A JSON value as text in the same layout (dump() with bytes that are not UTF-8 replaced); for the
// report's value this is the same text as reportJsonText(report, layout). Empty for a null value or
// when it could not be written.
std::string reportJsonText(const nlohmann::ordered_json& json, JsonLayout layout = JsonLayout::Pretty);
