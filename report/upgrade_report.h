// The upgrade report: what happened to every item of a conversion and what the safety review found.
//
// A conversion run (the download phase's conversion, or a whole conversion with merge and
// postprocessing) leaves one report in its working directory, as report.json and report.html. The
// report is built from the converters' records and the script's line records
// (convert/item_records.h, template/script_line_record.h), then reviewed (safety_review.h), then
// written (report_json.h, report_html.h). Front ends read it back as a summary (report_summary.h).
//
// Ownership: plain values. Threads: whoever holds them.
#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <vector>

#include "convert/item_records.h"
#include "template/script_line_record.h"

// The version of report.json's layout; raised when a key changes meaning or goes away (new keys may
// be added without raising it).
inline constexpr int kReportSchemaVersion = 1;

enum class Severity { High, Medium, Info };

// "high", "medium", "info".
std::string_view severityKey(Severity severity);

struct Finding {
    Severity severity = Severity::Info;
    // A stable identifier of the kind of finding ("deny-rule-dropped", "became-any", ...).
    std::string code;
    // One plain sentence for the administrator.
    std::string message;
    // The settings it concerns (setting names or name prefixes, old and final).
    std::vector<std::string> settings;
};

// One setting of the new firewall's initial configuration that the upgrade changed or removed.
struct SettingChange {
    std::string branch;    // the setting's first name component ("system", "rule", "netobj", ...)
    std::string setting;   // the full setting name
    std::string oldValue;  // its value in the initial configuration
    std::string newValue;  // its value in the final configuration; empty when removed
    bool removed = false;
};

// Items per kind, by outcome. read counts the items that came from a configuration (old or new).
struct KindCount {
    std::size_t read = 0;
    std::size_t converted = 0;
    std::size_t changed = 0;
    std::size_t dropped = 0;
    std::size_t created = 0;
};

struct UpgradeReport {
    // "conversion" when only the old configuration was converted (the download phase, convert
    // without --new); "final" when the final configuration was written.
    std::string stage = "conversion";
    std::string templatePath;
    std::string templateSha256;  // lower-case hex; empty when the script could not be read
    std::vector<ItemRecord> records;
    std::vector<ScriptLineRecord> scriptLines;
    std::vector<PairRecord> pairing;
    std::vector<Finding> findings;  // high first, then medium, then info; in the order found
    std::vector<SettingChange> newSettingsChanged;

    // The counts per kind, indexed by ItemKind.
    std::array<KindCount, kItemKindCount> counts() const;
    // Findings of one severity.
    std::size_t findingCount(Severity severity) const;
};
