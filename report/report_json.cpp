// The report as JSON (see report_json.h and SCHEMA.md): one nlohmann value built in the documented
// key order, dumped with bytes that are not UTF-8 replaced.
#include "report/report_json.h"

#include <exception>

using nlohmann::ordered_json;

namespace {

ordered_json stringArray(const std::vector<std::string>& values) {
    ordered_json array = ordered_json::array();
    for (const std::string& value : values) array.push_back(value);
    return array;
}

ordered_json countsJson(const UpgradeReport& report) {
    const std::array<KindCount, kItemKindCount> counts = report.counts();
    ordered_json object = ordered_json::object();
    for (int i = 0; i < kItemKindCount; ++i) {
        const KindCount& count = counts[static_cast<std::size_t>(i)];
        object[std::string(itemKindKey(static_cast<ItemKind>(i)))] = {{"read", count.read},
                                                                        {"converted", count.converted},
                                                                        {"changed", count.changed},
                                                                        {"dropped", count.dropped},
                                                                        {"created", count.created}};
    }
    return object;
}

ordered_json findingsJson(const std::vector<Finding>& findings) {
    ordered_json array = ordered_json::array();
    for (const Finding& finding : findings) {
        array.push_back({{"severity", severityKey(finding.severity)},
                         {"code", finding.code},
                         {"message", finding.message},
                         {"settings", stringArray(finding.settings)}});
    }
    return array;
}

ordered_json interfaceJson(const std::string& device, const std::string& name, const std::string& addr,
                           const std::string& netmask, const std::string& location, bool nat) {
    return {{"device", device},   {"name", name},         {"addr", addr},
            {"netmask", netmask}, {"location", location}, {"nat", nat}};
}

ordered_json pairingJson(const std::vector<PairRecord>& pairing) {
    ordered_json array = ordered_json::array();
    for (const PairRecord& pair : pairing) {
        ordered_json entry = ordered_json::object();
        entry["old"] =
            interfaceJson(pair.oldDevice, pair.oldName, pair.oldAddr, pair.oldNetmask, pair.oldLocation, pair.oldNat);
        entry["new"] = pair.method == PairingMethod::Unpaired
                           ? ordered_json(nullptr)
                           : interfaceJson(pair.newDevice, pair.newName, pair.newAddr, pair.newNetmask,
                                           pair.newLocation, pair.newNat);
        entry["method"] = pairingMethodKey(pair.method);
        entry["shared"] = pair.shared;
        array.push_back(std::move(entry));
    }
    return array;
}

ordered_json recordJson(const ItemRecord& record) {
    ordered_json fields = ordered_json::array();
    for (const ItemField& field : record.fields) {
        fields.push_back({{"name", field.name}, {"old", field.oldValue}, {"new", field.newValue}});
    }
    return {{"kind", itemKindKey(record.kind)},
            {"outcome", itemOutcomeKey(record.outcome)},
            {"origin", itemOriginKey(record.origin)},
            {"old_id", record.oldId},
            {"label", record.label},
            {"new_ids", stringArray(record.newIds)},
            {"reasons", stringArray(record.reasons)},
            {"fields", std::move(fields)}};
}

ordered_json scriptLineJson(const ScriptLineRecord& line) {
    return {{"line", line.line},         {"section", line.section}, {"verb", line.verb},
            {"arguments", line.arguments}, {"matches", line.matches}, {"changed", line.changed},
            {"added", line.added},       {"removed", line.removed}, {"known", line.known}};
}

ordered_json settingChangeJson(const SettingChange& change) {
    return {{"branch", change.branch},
            {"setting", change.setting},
            {"old", change.oldValue},
            {"new", change.newValue},
            {"removed", change.removed}};
}

ordered_json buildReportJson(const UpgradeReport& report) {
    ordered_json json = ordered_json::object();
    json["schema_version"] = kReportSchemaVersion;
    json["stage"] = report.stage;
    json["template"] = {{"path", report.templatePath}, {"sha256", report.templateSha256}};
    json["counts"] = countsJson(report);
    ordered_json findingCounts = ordered_json::object();
    for (Severity severity : {Severity::High, Severity::Medium, Severity::Info}) {
        findingCounts[std::string(severityKey(severity))] = report.findingCount(severity);
    }
    json["finding_counts"] = std::move(findingCounts);
    json["findings"] = findingsJson(report.findings);
    json["pairing"] = pairingJson(report.pairing);
    ordered_json records = ordered_json::array();
    for (const ItemRecord& record : report.records) records.push_back(recordJson(record));
    json["records"] = std::move(records);
    ordered_json lines = ordered_json::array();
    for (const ScriptLineRecord& line : report.scriptLines) lines.push_back(scriptLineJson(line));
    json["script_lines"] = std::move(lines);
    ordered_json changes = ordered_json::array();
    for (const SettingChange& change : report.newSettingsChanged) changes.push_back(settingChangeJson(change));
    json["new_settings_changed"] = std::move(changes);
    return json;
}

}  // namespace

ordered_json reportToJson(const UpgradeReport& report) {
    try {
        return buildReportJson(report);
    } catch (const std::exception&) {
        return ordered_json();
    }
}

std::string reportJsonText(const ordered_json& json, JsonLayout layout) {
    if (json.is_null() || json.is_discarded()) return {};
    try {
        // Bytes that are not UTF-8 are replaced rather than refused: a report must be written
        // whatever a configuration holds.
        const int indent = layout == JsonLayout::Pretty ? 2 : -1;
        std::string text = json.dump(indent, ' ', false, ordered_json::error_handler_t::replace);
        if (layout == JsonLayout::Pretty) text += '\n';
        return text;
    } catch (const std::exception&) {
        return {};
    }
}

std::string reportJsonText(const UpgradeReport& report, JsonLayout layout) {
    return reportJsonText(reportToJson(report), layout);
}
