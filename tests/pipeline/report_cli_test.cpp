// The upgrade report as upgrade-cli convert leaves it: report.json and report.html in the working
// directory, the summary on standard output and again from `upgrade-cli report`, the template script
// named in the log with its digest, --strict, and the refusal of a shared interface (with
// --allow-shared-interface and --pairs-file).
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>

#include "convert_cli_fixture.h"
#include "util/files/file_digest.h"

namespace fs = std::filesystem;

namespace {

using namespace convertcli;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

// A configuration with nothing for the review to object to: one interface and one permit rule
// between named networks, converted with a script that does not call itself a sample.
const char* const kQuietOld =
    "system_version=5.2\n"
    "netobj_list_1_name=all_interfaces\n"
    "netobj_list_1_element_1_name=Outside\n"
    "netobj_list_1_element_1_interface=eth0\n"
    "netobj_list_1_element_1_addr=198.51.100.10\n"
    "netobj_list_1_element_1_netmask=255.255.255.0\n"
    "netobj_list_1_element_1_broadcast=198.51.100.255\n"
    "netobj_list_1_element_1_location=outside\n"
    "netobj_list_1_element_1_nat=on\n"
    "netobj_list_1_element_1_inat=off\n"
    "netobj_list_1_element_1_transparency=off\n"
    "pfedit_fwd_rule10=Permit+eth0+tcp+1024-65535+198.51.100.0+255.255.255.0+80-80+198.51.100.20+255.255.255.255+web\n";
const char* const kQuietScript = "# conversion script\n[PREPROCESS]\n[MERGE_TREE1]\n[MERGE_TREE2]\n[POSTPROCESS]\n";

class ReportCliTest : public ConvertCliTest {};

TEST_F(ReportCliTest, ConvertWritesTheReportAndSumsItUp) {
    ASSERT_EQ(run(convert({"--new", kInit})), 0) << errors;
    ASSERT_TRUE(fs::exists(workdir / "report.json"));
    ASSERT_TRUE(fs::exists(workdir / "report.html"));
    EXPECT_EQ(fs::status(workdir / "report.json").permissions() & fs::perms::all, fs::perms::owner_read | fs::perms::owner_write);

    const nlohmann::json report = nlohmann::json::parse(readFile(workdir / "report.json"));
    EXPECT_EQ(report["stage"], "final");
    EXPECT_EQ(report["template"]["sha256"], files::sha256OfFile(kTemplate).value());
    EXPECT_GT(report["finding_counts"]["high"].get<int>(), 0);  // the sample script says it is one

    // The summary names the report; `report` prints the same summary again.
    EXPECT_TRUE(contains(output, (workdir / "report.html").string())) << output;
    const std::string summary = output.substr(output.find("Written: "));
    ASSERT_EQ(run({"report", workdir.string()}), 0) << errors;
    EXPECT_TRUE(contains(summary, output)) << "convert printed:\n" << summary << "\nreport printed:\n" << output;

    // The log names the script and its digest.
    EXPECT_TRUE(contains(log(), "Template script: " + fs::path(kTemplate).lexically_normal().string() + " (SHA-256 " +
                                    files::sha256OfFile(kTemplate).value() + ")"))
        << log();
}

TEST_F(ReportCliTest, ConvertOnlyReportsTheConversionStage) {
    ASSERT_EQ(run(convert()), 0) << errors;
    const nlohmann::json report = nlohmann::json::parse(readFile(workdir / "report.json"));
    EXPECT_EQ(report["stage"], "conversion");
    EXPECT_FALSE(report["records"].empty());
}

TEST_F(ReportCliTest, ReportOfTheSampleUpgradeIsTheReviewedOne) {
    ASSERT_EQ(run(convert({"--new", kInit})), 0) << errors;
    nlohmann::json report = nlohmann::json::parse(readFile(workdir / "report.json"));
    nlohmann::json expected =
        nlohmann::json::parse(readFile(kSource + "/tests/pipeline/expected/branch-report.json"));
    // Where the script lies differs from machine to machine; what it holds does not.
    report["template"].erase("path");
    expected["template"].erase("path");
    for (auto& finding : report["findings"]) {
        if (finding["code"] == "sample-script") finding["message"] = "";
    }
    for (auto& finding : expected["findings"]) {
        if (finding["code"] == "sample-script") finding["message"] = "";
    }
    EXPECT_EQ(report.dump(2), expected.dump(2));
}

TEST_F(ReportCliTest, StrictStopsOnAHighFindingAndNamesIt) {
    EXPECT_EQ(run(convert({"--new", kInit, "--strict"})), 4);
    EXPECT_TRUE(contains(errors, "high: ")) << errors;
    EXPECT_TRUE(fs::exists(workdir / "report.html"));  // written first, to be read

    // The same run on a quiet configuration and script passes.
    testsupport::writeFile(scratch / "quiet.conf", kQuietOld);
    testsupport::writeFile(scratch / "quiet.tpl", kQuietScript);
    const fs::path quietDir = scratch / "quiet";
    EXPECT_EQ(run({"convert", "--old", (scratch / "quiet.conf").string(), "--template", (scratch / "quiet.tpl").string(),
                   "--workdir", quietDir.string(), "--strict"}),
              0)
        << errors << output;
}

TEST_F(ReportCliTest, SharedInterfaceIsRefusedUnlessAllowed) {
    const Args shared{"--new", kReaddressed, "--pair", "eth0=ext0", "--pair", "eth1=ext0", "--pair", "eth2=dmz0"};
    EXPECT_EQ(run(convert(shared)), 3);
    EXPECT_TRUE(contains(errors, "eth0, eth1 -> ext0")) << errors;
    EXPECT_TRUE(fs::exists(workdir / "kestrane.conf.5xCONVERT"));
    EXPECT_FALSE(fs::exists(workdir / "kestrane.conf.6FINAL"));

    Args allowed = shared;
    allowed.push_back("--allow-shared-interface");
    EXPECT_EQ(run(convert(allowed)), 0) << errors;
    EXPECT_TRUE(fs::exists(workdir / "kestrane.conf.6FINAL"));
    EXPECT_TRUE(contains(log(), "Interface pair: eth1 -> ext0 (by choice), shared with another old interface"))
        << log();
    const nlohmann::json report = nlohmann::json::parse(readFile(workdir / "report.json"));
    bool sharedFinding = false;
    for (const auto& finding : report["findings"]) {
        if (finding["severity"] == "high" && contains(finding["message"].get<std::string>(), "ext0")) sharedFinding = true;
    }
    EXPECT_TRUE(sharedFinding) << report["findings"].dump(2);
}

TEST_F(ReportCliTest, PairsFileIsTakenLikePairOptions) {
    testsupport::writeFile(scratch / "pairs.txt", "# reviewed pairing\neth0=ext0\n\n  eth1=int0\neth2=dmz0\n");
    ASSERT_EQ(run(convert({"--new", kReaddressed, "--pairs-file", (scratch / "pairs.txt").string()})), 0) << errors;
    EXPECT_TRUE(contains(log(), "Interface pair: eth1 -> int0 (by choice)")) << log();

    testsupport::writeFile(scratch / "bad.txt", "eth0=ext0\neth1\n");
    EXPECT_EQ(run(convert({"--new", kReaddressed, "--pairs-file", (scratch / "bad.txt").string()})), 2);
    EXPECT_TRUE(contains(errors, "line 2")) << errors;
    EXPECT_EQ(run(convert({"--new", kReaddressed, "--pairs-file", (scratch / "none.txt").string()})), 2);
}

TEST_F(ReportCliTest, ReportOfADirectoryWithoutOneIsAUsageError) {
    fs::create_directories(workdir);
    EXPECT_EQ(run({"report", workdir.string()}), 2);
    EXPECT_FALSE(errors.empty());
    EXPECT_EQ(run({"report"}), 2);
}

}  // namespace
