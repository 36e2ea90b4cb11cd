// report.json: the documented keys in their order, the values of a hand-made report, the same bytes
// for the same report (and the reviewed file), and strings that are not UTF-8.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "report/report_json.h"
#include "support/files.h"
#include "output_sample_report.h"

namespace {

using nlohmann::ordered_json;

std::vector<std::string> keysOf(const ordered_json& object) {
    std::vector<std::string> keys;
    for (const auto& item : object.items()) keys.push_back(item.key());
    return keys;
}

TEST(ReportJson, KeysComeInTheDocumentedOrder) {
    const ordered_json json = reportToJson(reportsample::sampleReport());
    using V = std::vector<std::string>;
    EXPECT_EQ(keysOf(json), (V{"schema_version", "stage", "template", "counts", "finding_counts", "findings",
                               "pairing", "records", "script_lines", "new_settings_changed"}));
    EXPECT_EQ(keysOf(json["template"]), (V{"path", "sha256"}));
    EXPECT_EQ(keysOf(json["counts"]),
              (V{"interface", "interface_alias", "network_object", "service_group", "destination_group",
                 "proxy_rule", "nat_rule", "inat_rule", "forward_rule", "local_rule"}));
    EXPECT_EQ(keysOf(json["counts"]["proxy_rule"]), (V{"read", "converted", "changed", "dropped", "created"}));
    EXPECT_EQ(keysOf(json["finding_counts"]), (V{"high", "medium", "info"}));
    EXPECT_EQ(keysOf(json["findings"][0]), (V{"severity", "code", "message", "settings"}));
    EXPECT_EQ(keysOf(json["pairing"][0]), (V{"old", "new", "method", "shared"}));
    EXPECT_EQ(keysOf(json["pairing"][0]["old"]), (V{"device", "name", "addr", "netmask", "location", "nat"}));
    EXPECT_EQ(keysOf(json["records"][0]),
              (V{"kind", "outcome", "origin", "old_id", "label", "new_ids", "reasons", "fields"}));
    EXPECT_EQ(keysOf(json["records"][0]["fields"][0]), (V{"name", "old", "new"}));
    EXPECT_EQ(keysOf(json["script_lines"][0]),
              (V{"line", "section", "verb", "arguments", "matches", "changed", "added", "removed", "known"}));
    EXPECT_EQ(keysOf(json["new_settings_changed"][0]), (V{"branch", "setting", "old", "new", "removed"}));
}

TEST(ReportJson, ValuesAreThoseOfTheReport) {
    const ordered_json json = reportToJson(reportsample::sampleReport());
    EXPECT_EQ(json["schema_version"], kReportSchemaVersion);
    EXPECT_EQ(json["stage"], "final");
    EXPECT_EQ(json["template"]["path"], "data/5xTo60.tpl");
    EXPECT_EQ(json["counts"]["interface"], (ordered_json{{"read", 3}, {"converted", 2}, {"changed", 1},
                                                         {"dropped", 0}, {"created", 0}}));
    EXPECT_EQ(json["counts"]["network_object"]["read"], 0);
    EXPECT_EQ(json["counts"]["network_object"]["created"], 1);
    EXPECT_EQ(json["counts"]["inat_rule"]["read"], 0);
    EXPECT_EQ(json["finding_counts"], (ordered_json{{"high", 3}, {"medium", 1}, {"info", 1}}));
    EXPECT_EQ(json["findings"][1]["settings"], (ordered_json{"rule_proxy_2", "rule_proxy_2_dest"}));

    const ordered_json& dropped = json["records"][9];
    EXPECT_EQ(dropped["kind"], "proxy_rule");
    EXPECT_EQ(dropped["outcome"], "dropped");
    EXPECT_EQ(dropped["origin"], "old");
    EXPECT_EQ(dropped["label"], "block <telnet> & rsh");
    EXPECT_EQ(dropped["new_ids"], ordered_json::array());
    EXPECT_EQ(dropped["fields"][0], (ordered_json{{"name", "action"}, {"old", "deny"}, {"new", ""}}));
    EXPECT_EQ(json["records"][4]["origin"], "upgrade");
    EXPECT_EQ(json["records"][4]["old_id"], "");

    EXPECT_EQ(json["pairing"][0]["method"], "address");
    EXPECT_EQ(json["pairing"][0]["old"]["nat"], true);
    EXPECT_EQ(json["pairing"][1]["shared"], true);
    EXPECT_EQ(json["pairing"][3]["method"], "unpaired");
    EXPECT_TRUE(json["pairing"][3]["new"].is_null());

    EXPECT_EQ(json["script_lines"][2]["known"], false);
    EXPECT_EQ(json["script_lines"][1]["matches"], 14);
    EXPECT_EQ(json["new_settings_changed"][1]["removed"], true);
    EXPECT_EQ(json["new_settings_changed"][1]["new"], "");
}

TEST(ReportJson, EmptyReportStillHasEveryKeyAndEveryKind) {
    const ordered_json json = reportToJson(UpgradeReport{});
    EXPECT_EQ(json["stage"], "conversion");
    EXPECT_EQ(json["template"], (ordered_json{{"path", ""}, {"sha256", ""}}));
    EXPECT_EQ(json["counts"].size(), static_cast<std::size_t>(kItemKindCount));
    EXPECT_EQ(json["counts"]["local_rule"]["read"], 0);
    for (const char* key : {"findings", "pairing", "records", "script_lines", "new_settings_changed"}) {
        EXPECT_EQ(json[key], ordered_json::array()) << key;
    }
    EXPECT_EQ(reportJsonText(UpgradeReport{}), reportJsonText(json));
}

TEST(ReportJson, TextIsPrettyWithTwoSpacesAndEndsInANewline) {
    const std::string text = reportJsonText(reportsample::sampleReport());
    EXPECT_EQ(text.rfind("{\n  \"schema_version\": 1,\n  \"stage\": \"final\",\n  \"template\": {\n    \"path\"", 0), 0u);
    EXPECT_EQ(text.back(), '\n');
    EXPECT_NE(text.find("\n      \"new_ids\": [\n        \"netobj_list_Outside_element_1\"\n      ],"),
              std::string::npos);
    EXPECT_NE(text.find("\"reasons\": [],"), std::string::npos);
    const std::string compact = reportJsonText(reportsample::sampleReport(), JsonLayout::Compact);
    EXPECT_EQ(compact.find('\n'), std::string::npos);
    EXPECT_EQ(compact.substr(0, 36), "{\"schema_version\":1,\"stage\":\"final\",");
}

// Text and value agree: the text read back and dumped again gives the same bytes.
TEST(ReportJson, WrittenTextIsWhatDumpMakesOfTheValue) {
    UpgradeReport report = reportsample::sampleReport();
    report.records[0].label = "tab\there, quote \" back\\slash, bell \x07, del \x7f, \xc3\xa9, \xf0\x9f\x94\xa5";
    report.records[1].label = "not UTF-8: \xff\xc3( \xe0\x80\x80 \xed\xa0\x80 \xe6\x9d";
    report.findings[0].message = "\xf4\x90\x80\x80 and \xc0\xaf";
    for (JsonLayout layout : {JsonLayout::Pretty, JsonLayout::Compact}) {
        const std::string text = reportJsonText(report, layout);
        const ordered_json value = ordered_json::parse(text);
        EXPECT_EQ(reportJsonText(value, layout), text);
    }
}

TEST(ReportJson, BytesThatAreNotUtf8InAnyStringStillGiveValidJson) {
    const std::string bad = "x\xff\xfey";
    UpgradeReport report = reportsample::sampleReport();
    report.stage = bad;
    report.templatePath = bad;
    report.records[0].oldId = bad;
    report.records[0].newIds = {bad};
    report.records[0].reasons = {bad};
    report.records[0].fields = {{bad, bad, bad}};
    report.pairing[0].oldName = bad;
    report.findings[0].settings = {bad};
    report.scriptLines[0].arguments = bad;
    report.newSettingsChanged[0].setting = bad;
    const std::string text = reportJsonText(report);
    ASSERT_FALSE(text.empty());
    const ordered_json json = ordered_json::parse(text, nullptr, false);
    ASSERT_FALSE(json.is_discarded());
    const std::string repaired = "x\xef\xbf\xbd\xef\xbf\xbdy";
    EXPECT_EQ(json["stage"], repaired);
    EXPECT_EQ(json["records"][0]["fields"][0]["name"], repaired);
    EXPECT_EQ(json["pairing"][0]["old"]["name"], repaired);
    EXPECT_EQ(json["new_settings_changed"][0]["setting"], repaired);
    EXPECT_EQ(reportJsonText(reportToJson(report)), text);
}

// A reviewed copy of the sample's report.json: any change to the file's bytes shows here, and goes
// with a change of SCHEMA.md (and of kReportSchemaVersion when a key changes meaning or goes).
TEST(ReportJson, SampleReportIsByteForByteTheReviewedFile) {
    const std::filesystem::path expected =
        std::filesystem::path(PROJECT_SOURCE_DIR) / "tests/report/expected/sample-report.json";
    const std::string text = reportJsonText(reportsample::sampleReport());
    EXPECT_EQ(text, reportJsonText(reportsample::sampleReport()));
    const std::string reviewed = testsupport::readFile(expected);
    if (text != reviewed) {
        const std::filesystem::path actual = std::filesystem::path(PROJECT_BINARY_DIR) / "sample-report.json";
        testsupport::writeFile(actual, text);
        ADD_FAILURE() << "report.json of the sample differs from " << expected << "; this run's is in " << actual;
    }
}

}  // namespace
