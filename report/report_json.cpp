// The report as JSON (see report_json.h and SCHEMA.md). The text is written straight from the report
// in the documented key order; the JSON value is that text parsed, so the order lives in one place.
#include "report/report_json.h"

#include <exception>

#include "report/json_text_writer.h"

using nlohmann::ordered_json;

namespace {

void stringArray(JsonTextWriter& w, const std::vector<std::string>& values) {
    w.beginArray();
    for (const std::string& value : values) w.value(value);
    w.endArray();
}

void writeCounts(JsonTextWriter& w, const UpgradeReport& report) {
    const std::array<KindCount, kItemKindCount> counts = report.counts();
    w.beginObject();
    for (int i = 0; i < kItemKindCount; ++i) {
        const KindCount& count = counts[static_cast<std::size_t>(i)];
        w.key(itemKindKey(static_cast<ItemKind>(i)));
        w.beginObject();
        w.member("read", count.read);
        w.member("converted", count.converted);
        w.member("changed", count.changed);
        w.member("dropped", count.dropped);
        w.member("created", count.created);
        w.endObject();
    }
    w.endObject();
}

void writeFindings(JsonTextWriter& w, const std::vector<Finding>& findings) {
    w.beginArray();
    for (const Finding& finding : findings) {
        w.beginObject();
        w.member("severity", severityKey(finding.severity));
        w.member("code", finding.code);
        w.member("message", finding.message);
        w.key("settings");
        stringArray(w, finding.settings);
        w.endObject();
    }
    w.endArray();
}

void writeInterface(JsonTextWriter& w, const std::string& device, const std::string& name, const std::string& addr,
                    const std::string& netmask, const std::string& location, bool nat) {
    w.beginObject();
    w.member("device", device);
    w.member("name", name);
    w.member("addr", addr);
    w.member("netmask", netmask);
    w.member("location", location);
    w.member("nat", nat);
    w.endObject();
}

void writePairing(JsonTextWriter& w, const std::vector<PairRecord>& pairing) {
    w.beginArray();
    for (const PairRecord& pair : pairing) {
        w.beginObject();
        w.key("old");
        writeInterface(w, pair.oldDevice, pair.oldName, pair.oldAddr, pair.oldNetmask, pair.oldLocation, pair.oldNat);
        w.key("new");
        if (pair.method == PairingMethod::Unpaired) {
            w.null();
        } else {
            writeInterface(w, pair.newDevice, pair.newName, pair.newAddr, pair.newNetmask, pair.newLocation,
                           pair.newNat);
        }
        w.member("method", pairingMethodKey(pair.method));
        w.member("shared", pair.shared);
        w.endObject();
    }
    w.endArray();
}

void writeRecord(JsonTextWriter& w, const ItemRecord& record) {
    w.beginObject();
    w.member("kind", itemKindKey(record.kind));
    w.member("outcome", itemOutcomeKey(record.outcome));
    w.member("origin", itemOriginKey(record.origin));
    w.member("old_id", record.oldId);
    w.member("label", record.label);
    w.key("new_ids");
    stringArray(w, record.newIds);
    w.key("reasons");
    stringArray(w, record.reasons);
    w.key("fields");
    w.beginArray();
    for (const ItemField& field : record.fields) {
        w.beginObject();
        w.member("name", field.name);
        w.member("old", field.oldValue);
        w.member("new", field.newValue);
        w.endObject();
    }
    w.endArray();
    w.endObject();
}

void writeScriptLine(JsonTextWriter& w, const ScriptLineRecord& line) {
    w.beginObject();
    w.member("line", line.line);
    w.member("section", line.section);
    w.member("verb", line.verb);
    w.member("arguments", line.arguments);
    w.member("matches", line.matches);
    w.member("changed", line.changed);
    w.member("added", line.added);
    w.member("removed", line.removed);
    w.member("known", line.known);
    w.endObject();
}

void writeSettingChange(JsonTextWriter& w, const SettingChange& change) {
    w.beginObject();
    w.member("branch", change.branch);
    w.member("setting", change.setting);
    w.member("old", change.oldValue);
    w.member("new", change.newValue);
    w.member("removed", change.removed);
    w.endObject();
}

void writeReport(JsonTextWriter& w, const UpgradeReport& report) {
    w.beginObject();
    w.member("schema_version", kReportSchemaVersion);
    w.member("stage", report.stage);
    w.key("template");
    w.beginObject();
    w.member("path", report.templatePath);
    w.member("sha256", report.templateSha256);
    w.endObject();
    w.key("counts");
    writeCounts(w, report);
    w.key("finding_counts");
    w.beginObject();
    for (Severity severity : {Severity::High, Severity::Medium, Severity::Info}) {
        w.member(severityKey(severity), report.findingCount(severity));
    }
    w.endObject();
    w.key("findings");
    writeFindings(w, report.findings);
    w.key("pairing");
    writePairing(w, report.pairing);
    w.key("records");
    w.beginArray();
    for (const ItemRecord& record : report.records) writeRecord(w, record);
    w.endArray();
    w.key("script_lines");
    w.beginArray();
    for (const ScriptLineRecord& line : report.scriptLines) writeScriptLine(w, line);
    w.endArray();
    w.key("new_settings_changed");
    w.beginArray();
    for (const SettingChange& change : report.newSettingsChanged) writeSettingChange(w, change);
    w.endArray();
    w.endObject();
}

}  // namespace

ordered_json reportToJson(const UpgradeReport& report) {
    const std::string text = reportJsonText(report, JsonLayout::Compact);
    if (text.empty()) return ordered_json();
    try {
        // The text is valid JSON by construction; a failure here can only be memory.
        ordered_json json = ordered_json::parse(text, nullptr, false);
        return json.is_discarded() ? ordered_json() : json;
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
    try {
        std::string text;
        JsonTextWriter writer(text, layout == JsonLayout::Pretty ? 2 : -1);
        writeReport(writer, report);
        if (layout == JsonLayout::Pretty) text += '\n';
        return text;
    } catch (const std::exception&) {
        return {};
    }
}
