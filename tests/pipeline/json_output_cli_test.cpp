// upgrade-cli --json for the commands that need no firewall (convert, report, lint, template): one
// JSON object on standard output for every exit status, the human text on standard error, and the
// object's report, files and failure matching what the run left on disk.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <filesystem>
#include <string>

#include "convert_cli_fixture.h"
#include "support/json_result.h"

namespace fs = std::filesystem;

namespace {

using namespace convertcli;
using Json = nlohmann::ordered_json;
using testsupport::expectCommonKeys;
using testsupport::jsonResult;

bool contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class JsonCliTest : public ConvertCliTest {
protected:
    // Runs the arguments and gives the object; status gets the exit status.
    Json runJson(const Args& arguments, int& status) {
        status = run(arguments);
        return jsonResult(output);
    }

    std::string absoluteWorkdir() const { return fs::absolute(workdir).lexically_normal().string(); }
};

TEST_F(JsonCliTest, ConvertDoneGivesTheReportAndEveryFileWithTheHumanTextOnStandardError) {
    int status = -1;
    const Json json = runJson(convert({"--new", kInit, "--json"}), status);
    ASSERT_EQ(status, 0) << errors;
    expectCommonKeys(json);
    EXPECT_EQ(json["command"], "convert");
    EXPECT_EQ(json["outcome"], "done");
    EXPECT_EQ(json["exit_status"], 0);
    EXPECT_TRUE(json["failure"].is_null());
    EXPECT_EQ(json["working_directory"], absoluteWorkdir());
    for (const char* name : {"log", "warnings", "old", "converted", "new_initial", "final", "report_json", "report_html"}) {
        ASSERT_TRUE(json["files"].contains(name)) << name << ": " << json["files"].dump();
        const std::string path = json["files"][name];
        EXPECT_TRUE(fs::is_regular_file(path)) << path;
        EXPECT_EQ(fs::path(path).parent_path(), fs::path(absoluteWorkdir()));
    }
    EXPECT_FALSE(json["files"].contains("manifest") && !fs::exists(json["files"]["manifest"].get<std::string>()));

    // The report part is report.json's own counts and findings.
    const Json file = Json::parse(readFile(workdir / "report.json"));
    const Json& report = json["report"];
    EXPECT_EQ(report["stage"], "final");
    EXPECT_EQ(report["counts"], file["counts"]);
    EXPECT_EQ(report["finding_counts"], file["finding_counts"]);
    EXPECT_EQ(report["findings"], file["findings"]);
    ASSERT_FALSE(report["findings"].empty());
    for (const Json& finding : report["findings"]) {
        EXPECT_TRUE(finding["severity"].is_string() && finding["code"].is_string() && finding["message"].is_string() &&
                    finding["settings"].is_array())
            << finding.dump();
    }

    // What a person reads went to standard error instead.
    EXPECT_TRUE(contains(errors, "Final configuration:     ")) << errors;
    EXPECT_TRUE(contains(errors, "Upgrade report: final configuration")) << errors;
}

TEST_F(JsonCliTest, ConvertFailuresGiveTheirOutcomeAndReason) {
    int status = -1;
    // 1: the conversion aborted; its reason is the workflow's, the directory keeps what was written.
    const fs::path old = scratch / "no-interfaces.conf";
    ASSERT_TRUE(testsupport::writeFile(old, "system_hostname=fw\nrule_proxy_1_action=allow\n"));
    Json json = runJson({"convert", "--old", old.string(), "--new", kInit, "--template", kTemplate, "--workdir",
                         workdir.string(), "--json"},
                        status);
    EXPECT_EQ(status, 1);
    expectCommonKeys(json);
    EXPECT_EQ(json["outcome"], "failed");
    EXPECT_EQ(json["exit_status"], 1);
    EXPECT_EQ(json["working_directory"], absoluteWorkdir());
    EXPECT_TRUE(contains(json["failure"]["reason"].get<std::string>(), "No physical interfaces found")) << json.dump();
    EXPECT_TRUE(json["failure"].contains("string_id"));
    EXPECT_TRUE(json["files"].contains("log"));
    EXPECT_FALSE(json["files"].contains("converted"));
    EXPECT_FALSE(json["files"].contains("final"));

    // 3: interfaces that need pairing, and no final file.
    fs::remove_all(workdir);
    json = runJson(convert({"--new", kReaddressed, "--json"}), status);
    EXPECT_EQ(status, 3);
    EXPECT_EQ(json["outcome"], "needs_pairing");
    EXPECT_FALSE(json["files"].contains("final"));
    EXPECT_FALSE(json["failure"]["reason"].get<std::string>().empty());
    EXPECT_TRUE(contains(errors, "cannot all be paired by address")) << errors;

    // 4: --strict with high findings; the files are written, the failure names the refusal.
    fs::remove_all(workdir);
    json = runJson(convert({"--new", kInit, "--strict", "--json"}), status);
    EXPECT_EQ(status, 4);
    EXPECT_EQ(json["outcome"], "refused_by_review");
    EXPECT_TRUE(json["files"].contains("final"));
    EXPECT_GT(json["report"]["finding_counts"]["high"].get<int>(), 0);
    EXPECT_TRUE(contains(json["failure"]["reason"].get<std::string>(), "--strict")) << json.dump();
    EXPECT_TRUE(json["failure"]["string_id"].is_null());
}

TEST_F(JsonCliTest, UsageErrorsGiveTheObjectOnceJsonWasRead) {
    int status = -1;
    // Found by the command: an unreadable input.
    Json json = runJson({"convert", "--json", "--old", (scratch / "missing.conf").string(), "--template", kTemplate,
                         "--workdir", workdir.string()},
                        status);
    EXPECT_EQ(status, 2);
    expectCommonKeys(json);
    EXPECT_EQ(json["command"], "convert");
    EXPECT_EQ(json["outcome"], "usage");
    EXPECT_TRUE(json["working_directory"].is_null());
    EXPECT_TRUE(contains(json["failure"]["reason"].get<std::string>(), "missing.conf")) << json.dump();

    // Found by the parser after --json: a missing option, an unknown one.
    json = runJson({"convert", "--json", "--workdir", workdir.string()}, status);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(json["outcome"], "usage");
    EXPECT_TRUE(contains(json["failure"]["reason"].get<std::string>(), "--old")) << json.dump();
    EXPECT_TRUE(contains(errors, "--old is required")) << errors;
    json = runJson({"lint", "--bogus", "--json", kTemplate}, status);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(json["command"], "lint");
    EXPECT_EQ(json["outcome"], "usage");

    // Before --json was read the parser stops with its usual text.
    EXPECT_EQ(run({"convert", "--old"}), 2);
    EXPECT_EQ(output, "");
}

TEST_F(JsonCliTest, BytesThatAreNotUtf8ComeOutReplaced) {
    // A dropped deny rule's label reaches a finding's message.
    std::string old = readFile(kOld);
    const std::size_t at = old.find("Gopher");
    ASSERT_NE(at, std::string::npos);
    old.replace(at, 6, "Go\xff\xfepher");
    const fs::path path = scratch / "bytes.conf";
    ASSERT_TRUE(testsupport::writeFile(path, old));
    int status = -1;
    const Json json = runJson(
        {"convert", "--old", path.string(), "--new", kInit, "--template", kTemplate, "--workdir", workdir.string(), "--json"},
        status);
    ASSERT_EQ(status, 0) << errors;
    EXPECT_TRUE(contains(json["report"]["findings"].dump(), "Go\xEF\xBF\xBD")) << json["report"]["findings"].dump();
}

TEST_F(JsonCliTest, ReportReadsTheReportBack) {
    ASSERT_EQ(run(convert({"--new", kInit})), 0) << errors;
    int status = -1;
    Json json = runJson({"report", "--json", workdir.string()}, status);
    EXPECT_EQ(status, 0);
    expectCommonKeys(json);
    EXPECT_EQ(json["outcome"], "done");
    EXPECT_EQ(json["working_directory"], absoluteWorkdir());
    EXPECT_EQ(json["files"]["report_json"], absoluteWorkdir() + "/report.json");
    const Json file = Json::parse(readFile(workdir / "report.json"));
    EXPECT_EQ(json["report"]["finding_counts"], file["finding_counts"]);
    EXPECT_EQ(json["report"]["findings"], file["findings"]);
    EXPECT_TRUE(contains(errors, "Upgrade report: final configuration")) << errors;

    json = runJson({"report", "--json", (scratch / "nowhere").string()}, status);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(json["outcome"], "usage");
    EXPECT_TRUE(json["report"].is_null());
    EXPECT_TRUE(contains(json["failure"]["reason"].get<std::string>(), "report.json")) << json.dump();
}

TEST_F(JsonCliTest, LintGivesItsFindings) {
    const fs::path script = scratch / "bad.tpl";
    ASSERT_TRUE(testsupport::writeFile(script, "[PREPROCESS]\nadd_leaf a=1\nfrobnicate x\n"));
    int status = -1;
    Json json = runJson({"lint", "--json", script.string()}, status);
    EXPECT_EQ(status, 1);
    expectCommonKeys(json);
    EXPECT_EQ(json["outcome"], "lint_errors");
    EXPECT_EQ(json["script"], script.string());
    EXPECT_GE(json["errors"].get<int>(), 1);
    ASSERT_FALSE(json["findings"].empty());
    bool found = false;
    for (const Json& finding : json["findings"]) {
        if (finding["line"] == 3 && finding["severity"] == "error") found = true;
    }
    EXPECT_TRUE(found) << json["findings"].dump();
    EXPECT_TRUE(contains(errors, script.string() + ":3: error: ")) << errors;

    json = runJson({"lint", "--json", kTemplate}, status);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(json["outcome"], "done");
    EXPECT_EQ(json["errors"], 0);

    json = runJson({"lint", "--json", (scratch / "missing.tpl").string()}, status);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(json["outcome"], "usage");
}

TEST_F(JsonCliTest, TemplateNeedsAnOutputFileAndNamesWhatItWrote) {
    const fs::path config = scratch / "fw.conf";
    const fs::path script = scratch / "s.tpl";
    const fs::path out = scratch / "out.conf";
    const fs::path log = scratch / "t.log";
    ASSERT_TRUE(testsupport::writeFile(config, "a_b=1\n"));
    ASSERT_TRUE(testsupport::writeFile(script, "add_leaf a_c=2\n"));
    int status = -1;
    Json json = runJson({"template", "--json", config.string(), script.string(), "-o", out.string(), "-l", log.string()},
                        status);
    EXPECT_EQ(status, 0) << errors;
    expectCommonKeys(json);
    EXPECT_EQ(json["outcome"], "done");
    EXPECT_EQ(json["files"]["output"], out.string());
    EXPECT_EQ(json["files"]["log"], log.string());
    EXPECT_TRUE(contains(readFile(out), "a_c=2"));

    // The result cannot share standard output with the object.
    json = runJson({"template", "--json", config.string(), script.string()}, status);
    EXPECT_EQ(status, 2);
    EXPECT_EQ(json["outcome"], "usage");
    EXPECT_TRUE(contains(json["failure"]["reason"].get<std::string>(), "--output")) << json.dump();
    json = runJson({"template", "--json", config.string(), script.string(), "-o", out.string(), "-W", "-"}, status);
    EXPECT_EQ(status, 2);

    // A user_error line stops the script; nothing is saved.
    ASSERT_TRUE(testsupport::writeFile(script, "user_error Version 4 cannot be upgraded\n"));
    fs::remove(out);
    json = runJson({"template", "--json", config.string(), script.string(), "-o", out.string()}, status);
    EXPECT_EQ(status, 1);
    EXPECT_EQ(json["outcome"], "script_stopped");
    EXPECT_FALSE(json["files"].contains("output"));
    EXPECT_TRUE(contains(json["failure"]["reason"].get<std::string>(), "Version 4 cannot be upgraded")) << json.dump();
    EXPECT_FALSE(fs::exists(out));
}

}  // namespace
